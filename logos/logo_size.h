#pragma once

// The logo bitmap's size follows the logo manager's size slider: the slider
// gives the height, the width keeps the pictures' 4:3 shape.
inline constexpr int kMinLogoHeight = 16;
inline constexpr int kMaxLogoHeight = 39;
inline constexpr int kDefaultLogoHeight = 31;

// A height outside kMinLogoHeight..kMaxLogoHeight is clamped first.
int logoHeightInRange(int height);
// 21 for 16, 52 for 39, otherwise the height * 4 / 3 rounded.
int logoWidthForHeight(int height);

struct TProgram;
// Sets the program's logo height (in range) and the width that goes with it.
void applyLogoHeight(TProgram &program, int height);
