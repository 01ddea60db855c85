#pragma once

#include <QString>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

// The positions of `texts` in compareText's order, equal texts in their
// given order: result[i] is the index of the i-th text. Each text is folded
// or collated once, instead of at each of the n log n comparisons of a sort.
std::vector<std::uint32_t> textSortOrder(std::span<const QStringView> texts);

// Whether compareText collates: in any locale but C. Where it does not, its
// order is that of the texts as appendFoldedText folds them, compared by
// code unit.
bool textOrderCollates();

// Appends `text` with every code point case-folded, keeping its UTF-16 width.
void appendFoldedText(QStringView text, std::u16string &out);
