#pragma once

#include <QString>

#include <optional>

// How values of the settings file are read and written beyond plain text.

// Integers as the classic profile functions read them: decimal with a sign,
// or hexadecimal after "$" or "0x". Anything else is no number.
std::optional<int> parseProfileInt(const QString &raw);

// Whether a value comes back from the file exactly as it is written: no line
// break or other control character that would end or garble the line,
// nothing the reader trims from either end.
bool storableInIni(const QString &value);

// The value with its line breaks made blanks: a line break inside a value
// would start a new line of the file.
QString oneLine(QString text);
