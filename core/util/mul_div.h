#pragma once

#include <QtGlobal>

// The platform's MulDiv, which progress percentages, delays and scaled
// drawing are defined by: a * b in 64 bits, divided by c and rounded to the
// nearest integer, halves away from zero. A zero divisor gives -1.
inline int MulDiv(qint64 a, qint64 b, qint64 c)
{
    if (c == 0)
        return -1;
    const qint64 product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const qint64 magnitude = product < 0 ? -product : product;
    const qint64 divisor = c < 0 ? -c : c;
    const qint64 quotient = (magnitude + divisor / 2) / divisor;
    return int(negative ? -quotient : quotient);
}
