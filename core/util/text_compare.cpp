#include "core/util/text_compare.h"

#include <QCollator>

#include <QCollatorSortKey>

#include <algorithm>
#include <array>
#include <compare>

namespace {

template <typename Map>
QString mapKeepingWidth(QStringView text, Map map)
{
    QString result;
    result.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            const char32_t cp = QChar::surrogateToUcs4(c, text.at(i + 1));
            const char32_t mapped = map(cp);
            const char32_t out = QChar::requiresSurrogates(mapped) ? mapped : cp;
            result += QChar(QChar::highSurrogate(out));
            result += QChar(QChar::lowSurrogate(out));
            i += 2;
            continue;
        }
        const char32_t mapped = map(char32_t(c.unicode()));
        result += QChar::requiresSurrogates(mapped) ? c : QChar(char16_t(mapped));
        ++i;
    }
    return result;
}

} // namespace

QString upperText(const QString &text)
{
    // Identifiers are nearly always upper-case ASCII already: no copy then.
    const bool unchanged = std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.unicode() < 0x80 ? !(c >= u'a' && c <= u'z') : false;
    });
    return unchanged ? text : upperText(QStringView(text));
}

QString upperText(QStringView text)
{
    return mapKeepingWidth(text, [](char32_t cp) { return QChar::toUpper(cp); });
}

QString lowerText(QStringView text)
{
    return mapKeepingWidth(text, [](char32_t cp) { return QChar::toLower(cp); });
}

bool sameUpper(QStringView a, QStringView b)
{
    return a.size() == b.size() && upperText(a) == upperText(b);
}

bool sameText(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

namespace {

QCollator &textCollator()
{
    // QCollator is not safe to share between threads; each thread keeps one.
    thread_local QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

} // namespace

namespace {

// Each code point case-folded, keeping its width (surrogate pairs are
// folded whole): `out` needs room for text.size() units.
char16_t *foldInto(QStringView text, char16_t *out)
{
    const char16_t *in = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        char32_t cp = in[i];
        if (cp < 0x80) {
            *out++ = char16_t(cp >= u'A' && cp <= u'Z' ? cp + 32 : cp);
            ++i;
            continue;
        }
        qsizetype width = 1;
        if (QChar::isHighSurrogate(cp) && i + 1 < n && QChar::isLowSurrogate(in[i + 1])) {
            cp = QChar::surrogateToUcs4(in[i], in[i + 1]);
            width = 2;
        }
        const char32_t folding = QChar::toCaseFolded(cp);
        // Keep the width: a folding that would change it is not taken.
        if (QChar::requiresSurrogates(folding) == (width == 2))
            cp = folding;
        if (width == 2) {
            *out++ = QChar::highSurrogate(cp);
            *out++ = QChar::lowSurrogate(cp);
        } else {
            *out++ = char16_t(cp);
        }
        i += width;
    }
    return out;
}

// The C locale collates nothing: compareText's order there is that of the
// texts folded code point by code point, compared by code unit. All folded
// texts go into one buffer, and the sort moves small slots holding their
// first sixteen units, so most comparisons touch nothing else.
std::vector<std::uint32_t> foldedOrder(std::span<const QStringView> texts)
{
    std::size_t units = 0;
    for (const QStringView text : texts)
        units += std::size_t(text.size());
    // A folded code point takes as many units as it did (surrogate pairs
    // are folded whole), so the texts' length is the buffer's.
    std::vector<char16_t> folded(units);
    char16_t *out = folded.data();
    std::vector<std::uint32_t> starts;
    starts.reserve(texts.size() + 1);
    for (const QStringView text : texts) {
        starts.push_back(std::uint32_t(out - folded.data()));
        out = foldInto(text, out);
    }
    starts.push_back(std::uint32_t(out - folded.data()));

    constexpr std::uint32_t kPrefixWords = 4;
    struct Slot {
        quint64 prefix[kPrefixWords];
        std::uint32_t index;
    };
    std::vector<Slot> slotsInOrder(texts.size());
    for (std::uint32_t t = 0; t < slotsInOrder.size(); ++t) {
        // Zero after the end puts a text before its longer namesakes; a real
        // U+0000 only ties, and the full comparison settles it.
        Slot &slot = slotsInOrder[t];
        const std::uint32_t length = starts[t + 1] - starts[t];
        for (std::uint32_t u = 0; u < kPrefixWords * 4; ++u) {
            const quint64 unit = u < length ? folded[starts[t] + u] : 0;
            slot.prefix[u / 4] = (slot.prefix[u / 4] << 16) | unit;
        }
        slot.index = t;
    }
    std::sort(slotsInOrder.begin(), slotsInOrder.end(), [&](const Slot &a, const Slot &b) {
        for (std::uint32_t w = 0; w < kPrefixWords; ++w) {
            if (a.prefix[w] != b.prefix[w])
                return a.prefix[w] < b.prefix[w];
        }
        const char16_t *base = folded.data();
        const auto r = std::lexicographical_compare_three_way(
            base + starts[a.index], base + starts[a.index + 1], base + starts[b.index],
            base + starts[b.index + 1]);
        return r != 0 ? r < 0 : a.index < b.index;
    });
    std::vector<std::uint32_t> order;
    order.reserve(slotsInOrder.size());
    for (const Slot &slot : slotsInOrder)
        order.push_back(slot.index);
    return order;
}

std::vector<std::uint32_t> collatedOrder(std::span<const QStringView> texts)
{
    QCollator &collator = textCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(texts.size());
    for (const QStringView text : texts)
        keys.push_back(collator.sortKey(text.toString()));
    std::vector<std::uint32_t> order(texts.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        int r = keys[a].compare(keys[b]);
        if (r == 0)
            r = texts[a].compare(texts[b], Qt::CaseInsensitive);
        return r != 0 ? r < 0 : a < b;
    });
    return order;
}

} // namespace

bool textOrderCollates()
{
    // One look at the locale per thread: its collator never changes it.
    thread_local const bool collating = textCollator().locale().language() != QLocale::C;
    return collating;
}

void appendFoldedText(QStringView text, std::u16string &out)
{
    const std::size_t at = out.size();
    out.resize(at + std::size_t(text.size()));
    foldInto(text, out.data() + at);
}

std::vector<std::uint32_t> textSortOrder(std::span<const QStringView> texts)
{
    return textOrderCollates() ? collatedOrder(texts) : foldedOrder(texts);
}

int compareText(const QString &a, const QString &b)
{
    const int r = textCollator().compare(a, b);
    if (r != 0)
        return r;
    // Texts the collation deems equal still get a fixed order, so sorting is
    // repeatable whatever the locale does with punctuation.
    return QString::compare(a, b, Qt::CaseInsensitive);
}
