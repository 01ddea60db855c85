#pragma once

#include <QString>

// A float formatted by a picture mask such as "#,##0.00" or "0.0 dB":
// "0" is a digit always shown, "#" a digit shown when needed, "," asks for
// thousands separators, "." places the decimal separator; text before the
// first and after the last placeholder is kept as it is. An empty mask gives
// the shortest float text.
QString FormatFloatMask(const QString &mask, double value);
