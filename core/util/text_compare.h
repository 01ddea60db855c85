#pragma once

#include <QString>

// Case mapping that keeps every character in its place: each code point maps
// to one code point of the same UTF-16 width ("ß" stays "ß" instead of
// becoming "SS"), so positions found in the mapped copy are valid in the
// original. All case-insensitive comparisons of the program go through these.
QString upperText(QStringView text);
// The same; a text that is already upper case comes back shared, uncopied.
QString upperText(const QString &text);
QString lowerText(QStringView text);

// Both sides upper-cased, then compared exactly: how identifiers are compared.
bool sameUpper(QStringView a, QStringView b);

// Case-insensitive, Unicode-aware equality.
bool sameText(QStringView a, QStringView b);

// The order of sorted lists (bouquets, bouquet entries, bouquet names):
// case-insensitive and locale-aware. Negative, zero or positive.
int compareText(const QString &a, const QString &b);
