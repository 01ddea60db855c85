#pragma once

#include <QString>

#include <optional>

// Identifiers are kept as the hexadecimal texts of the file; these helpers
// give their numeric and decimal forms without ever failing outwards.

// The value of a hexadecimal text (no prefix, no blanks, at most 32 bits).
std::optional<quint32> hexTextValue(QStringView text);

// Decimal form of a hexadecimal text; "0" when the text is not hexadecimal.
QString hexToDecText(QStringView hexText);
// The same written into `into`, reusing its buffer when it holds one of its
// own: a caller making many such texts allocates once.
void hexToDecText(QStringView hexText, QString &into);

// A decimal text as upper-case hexadecimal with at least four digits; "0000"
// when the text is not a non-negative 32-bit decimal number.
QString decToHexText(QStringView decimalText);
