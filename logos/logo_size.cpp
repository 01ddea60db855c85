#include "logos/logo_size.h"

#include "ui/program/program.h"

#include <algorithm>

int logoHeightInRange(int height)
{
    return std::clamp(height, kMinLogoHeight, kMaxLogoHeight);
}

int logoWidthForHeight(int height)
{
    height = logoHeightInRange(height);
    // The two ends are the sizes of the logo sets the receivers ship;
    // 16 * 4 / 3 rounds to 21 anyway, 39 * 4 / 3 is exactly 52.
    if (height == kMinLogoHeight)
        return 21;
    if (height == kMaxLogoHeight)
        return 52;
    // height * 4 / 3 is never halfway between two integers, so plain
    // integer rounding equals rounding halves to even.
    return (height * 4 + 1) / 3;
}

void applyLogoHeight(TProgram &program, int height)
{
    program.LogoHeight = logoHeightInRange(height);
    program.LogoWidth = logoWidthForHeight(program.LogoHeight);
}
