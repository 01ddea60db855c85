#include "core/model/text_keys.h"

#include "core/util/text_compare.h"

#include <QString>

#include <algorithm>
#include <cstdint>

namespace {

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

char16_t asciiUpper(char16_t u)
{
    return u >= u'a' && u <= u'z' ? char16_t(u - (u'a' - u'A')) : u;
}

// FNV-1a over the code units, fast for the short texts it sees, with a final
// mix: hash tables take the low bits, which FNV alone leaves poorly mixed.
template <typename Map>
std::size_t hashUnits(QStringView text, std::size_t seed, Map map)
{
    std::uint64_t h = 1469598103934665603ull ^ seed;
    for (QChar c : text) {
        h ^= map(c.unicode());
        h *= 1099511628211ull;
    }
    h ^= std::uint64_t(text.size());
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return std::size_t(h);
}

} // namespace

bool sameUpperText(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false; // the case mapping keeps every text's length
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x >= 0x80 || y >= 0x80)
            return upperText(a) == upperText(b);
        if (x != y && asciiUpper(x) != asciiUpper(y))
            return false;
    }
    return true;
}

std::size_t upperTextHash(QStringView text, std::size_t seed)
{
    if (isAscii(text))
        return hashUnits(text, seed, asciiUpper);
    const QString upper = upperText(text);
    return hashUnits(upper, seed, [](char16_t u) { return u; });
}

std::size_t exactTextHash(QStringView text, std::size_t seed)
{
    return hashUnits(text, seed, [](char16_t u) { return u; });
}
