#pragma once

#include <QStringView>

#include <cstddef>

// Identifiers and tuning values compare as upper-cased texts ("2ee3" is
// "2EE3"). These do it without making the upper-case copies: a search that
// compares every transponder of a satellite would otherwise allocate twice
// per comparison. Non-ASCII texts take the program's one case mapping.

// upperText(a) == upperText(b).
bool sameUpperText(QStringView a, QStringView b);

// A hash of upperText(text), mixed into seed: texts that sameUpperText calls
// equal hash alike.
std::size_t upperTextHash(QStringView text, std::size_t seed = 0);

// A hash of the text as it is (case-sensitive comparisons).
std::size_t exactTextHash(QStringView text, std::size_t seed = 0);
