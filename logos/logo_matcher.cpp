#include "logos/logo_matcher.h"

#include "core/util/file_utils.h"
#include "core/util/str_utils.h"

#include <algorithm>
#include <bit>
#include <thread>

#include <QVarLengthArray>

namespace {

// Number words as German channel names spell them ("Sat eins"), for the
// digits 1 to 9.
const QString kNumberWords[] = {QStringLiteral("eins"),   QStringLiteral("zwei"),
                                QStringLiteral("drei"),   QStringLiteral("vier"),
                                QStringLiteral("fünf"),   QStringLiteral("sechs"),
                                QStringLiteral("sieben"), QStringLiteral("acht"),
                                QStringLiteral("neun")};

constexpr int kGram = 3;
// Second-phase cuts never go below this many characters: shorter pieces
// match too many unrelated logos.
constexpr int kMinCutLength = 5;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// The characters a file name cannot hold, and optionally "." too.
bool isInvalid(QChar c, bool dots)
{
    switch (c.unicode()) {
    case u'*': case u'?': case u'<': case u'>': case u'/': case u'\\': case u'|': case u':':
    case u'"':
        return true;
    case u'.':
        return dots;
    default:
        return false;
    }
}

// The characters a file name cannot hold, and optionally "." too; the text
// itself (shared, not copied) when it holds none.
QString withoutInvalid(const QString &text, bool dots)
{
    const auto first = std::find_if(text.cbegin(), text.cend(), [&](QChar c) { return isInvalid(c, dots); });
    if (first == text.cend())
        return text;
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!isInvalid(c, dots))
            out.append(c);
    }
    return out;
}

QString noWs(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!isBlank(c))
            out.append(c);
    }
    return out;
}

// Orders texts by their UTF-16 units, as the string classes do, but inline:
// the index's searches do little else.
bool unitsLess(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const QChar *x = a.data(), *y = b.data();
    for (qsizetype i = 0; i < n; ++i) {
        if (x[i] != y[i])
            return x[i].unicode() < y[i].unicode();
    }
    return a.size() < b.size();
}

bool unitsStartWith(QStringView text, QStringView start)
{
    return text.size() >= start.size()
        && std::equal(start.begin(), start.end(), text.begin());
}

bool unitsEndWith(QStringView text, QStringView end)
{
    return text.size() >= end.size()
        && std::equal(end.begin(), end.end(), text.end() - end.size());
}

bool unitsEqual(QStringView a, QStringView b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

// Whether a text holds a letter of any script. A loose look-up without one
// (digits and wildcards: "*24", "***1") would find any logo that has those
// digits, whatever the name they came from ("Россия 24" is no N24).
bool holdsLetter(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            if (QChar::isLetter(QChar::surrogateToUcs4(c, text.at(++i))))
                return true;
        } else if (c.isLetter()) {
            return true;
        }
    }
    return false;
}

// Upper case without the general machinery for the plain ASCII names most
// lists are made of.
QString upperCased(const QString &text)
{
    if (!std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toUpper();
    QString out(text.size(), Qt::Uninitialized);
    char16_t *to = reinterpret_cast<char16_t *>(out.data());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        *to++ = u >= u'a' && u <= u'z' ? char16_t(u - 32) : u;
    }
    return out;
}

// Where the lower-case `word` (of letters only) first occurs in `text`,
// letter case ignored as the string classes ignore it (each unit folded on
// its own; a half of a pair never folds to a letter of the basic plane), or
// -1. Plain ASCII is compared without the general rule.
qsizetype indexOfLowerWord(QStringView text, QStringView word)
{
    const auto folded = [](char16_t u) {
        return u < 0x80 ? char16_t(u | 0x20) : char16_t(QChar::toCaseFolded(char32_t(u)));
    };
    for (qsizetype at = 0; at + word.size() <= text.size(); ++at) {
        qsizetype i = 0;
        while (i < word.size() && folded(text.at(at + i).unicode()) == word.at(i).unicode())
            ++i;
        if (i == word.size())
            return at;
    }
    return -1;
}

quint64 gramKey(QStringView text, qsizetype at)
{
    return quint64(text.at(at).unicode()) << 32 | quint64(text.at(at + 1).unicode()) << 16
        | quint64(text.at(at + 2).unicode());
}

// Range minima over positions in sorted order, so "the first file in list
// order among all stems sharing a prefix" is one look-up.
std::vector<std::vector<int>> rangeMinima(const std::vector<int> &order)
{
    std::vector<std::vector<int>> table{order};
    for (std::size_t width = 1; width * 2 <= order.size(); width *= 2) {
        const std::vector<int> &below = table.back();
        std::vector<int> level(order.size() - width * 2 + 1);
        for (std::size_t i = 0; i < level.size(); ++i)
            level[i] = std::min(below[i], below[i + width]);
        table.push_back(std::move(level));
    }
    return table;
}

int rangeMin(const std::vector<std::vector<int>> &table, std::size_t from, std::size_t to)
{
    const auto level = std::size_t(std::bit_width(to - from) - 1);
    return std::min(table[level][from], table[level][to - (std::size_t(1) << level)]);
}

// Text of a usual name's length reversed without touching the heap.
using TReversed = QVarLengthArray<char16_t, 128>;

void reverseInto(QStringView text, TReversed &out)
{
    out.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[text.size() - 1 - i] = text.at(i).unicode();
}

QString reversedText(const QString &text)
{
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[text.size() - 1 - i] = text.at(i);
    return out;
}

} // namespace

QString logoSuffix(TLogoKind kind)
{
    return kind == TLogoKind::Radio ? QStringLiteral(".radio.gif") : QStringLiteral(".tv.gif");
}

QString foldAccents(const QString &text)
{
    QString out = withoutInvalid(text, false);
    // Every fold starts from a letter beyond ASCII and gives plain letters,
    // so one pass does them all, capitals like small letters.
    if (std::all_of(out.cbegin(), out.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return out;
    // Each character gives at most two.
    QString folded(out.size() * 2, Qt::Uninitialized);
    char16_t *const start = reinterpret_cast<char16_t *>(folded.data());
    char16_t *to = start;
    const auto put = [&](char16_t first, char16_t second) {
        *to++ = first;
        *to++ = second;
    };
    for (QChar c : std::as_const(out)) {
        if (c.unicode() < 0x80) {
            *to++ = c.unicode();
            continue;
        }
        switch (c.toLower().unicode()) {
        case u'à': case u'á': *to++ = u'a'; break;
        case u'è': case u'é': case u'ë': *to++ = u'e'; break;
        case u'ú': case u'ù': *to++ = u'u'; break;
        case u'ò': case u'ó': *to++ = u'o'; break;
        case u'ä': put(u'a', u'e'); break;
        case u'ü': put(u'u', u'e'); break;
        case u'ö': put(u'o', u'e'); break;
        default: *to++ = c.unicode();
        }
    }
    folded.truncate(to - start);
    return folded;
}

// --- the index ---------------------------------------------------------

TLogoFileIndex::TLogoFileIndex(const QStringList &fileNames, bool parallel)
    : m_fileNames(fileNames)
{
    const QString tv = logoSuffix(TLogoKind::Tv).toUpper();
    const QString radio = logoSuffix(TLogoKind::Radio).toUpper();
    for (int i = 0; i < m_fileNames.size(); ++i) {
        const QString upper = m_fileNames.at(i).toUpper();
        for (auto [suffix, group] : {std::pair{&tv, &m_tv}, std::pair{&radio, &m_radio}}) {
            if (upper.endsWith(*suffix)) {
                group->stems.push_back(upper.left(upper.size() - suffix->size()));
                group->files.push_back(i);
            }
        }
    }
    if (!parallel) {
        m_radio.build(false);
        m_tv.build(false);
        return;
    }
    std::thread radioGroup([this] { m_radio.build(true); });
    m_tv.build(true);
    radioGroup.join();
}

namespace {

// Four units from `from` on packed into a number that sorts as they do.
quint64 packedStart(QStringView text, qsizetype from = 0)
{
    quint64 key = 0;
    for (qsizetype i = from; i < from + 4; ++i)
        key = key << 16 | (i < text.size() ? text.at(i).unicode() : 0);
    return key;
}

} // namespace

void TLogoFileIndex::Group::Sorted::build(const std::vector<QString> &byPosition)
{
    order.resize(byPosition.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return unitsLess(byPosition[std::size_t(a)], byPosition[std::size_t(b)]);
    });
    texts.clear();
    keys.clear();
    nextKeys.clear();
    for (int position : order) {
        texts.push_back(byPosition[std::size_t(position)]);
        keys.push_back(packedStart(texts.back()));
        nextKeys.push_back(packedStart(texts.back(), 4));
    }
    minima = rangeMinima(order);
}

std::size_t TLogoFileIndex::Group::Sorted::lowerBound(QStringView text) const
{
    const quint64 key = packedStart(text);
    const quint64 next = packedStart(text, 4);
    std::size_t low = 0, high = keys.size();
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        const bool less = keys[middle] != key ? keys[middle] < key
            : nextKeys[middle] != next        ? nextKeys[middle] < next
                                              : unitsLess(texts[middle], text);
        if (less)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

std::size_t TLogoFileIndex::Group::Sorted::prefixEnd(std::size_t from, QStringView prefix) const
{
    const quint64 key = packedStart(prefix);
    const qsizetype packed = std::min<qsizetype>(prefix.size(), 4);
    const quint64 mask = packed == 0 ? 0 : ~quint64(0) << (16 * (4 - packed));
    const auto starts = [&](std::size_t at) {
        if ((keys[at] ^ key) & mask)
            return false;
        return prefix.size() <= 4 || unitsStartWith(texts[at], prefix);
    };
    std::size_t low = from, high = keys.size();
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (starts(middle))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

void TLogoFileIndex::Group::build(bool parallel)
{
    const int count = int(stems.size());
    const auto makePieces = [this, count] {
        for (int i = 0; i < count; ++i) {
            const QString &stem = stems[std::size_t(i)];
            for (qsizetype at = 0; at + kGram <= stem.size(); ++at) {
                std::vector<int> &list = trigrams[gramKey(stem, at)];
                if (list.empty() || list.back() != i)
                    list.push_back(i);
            }
        }
    };
    // The pieces' lists take the longest to make: a second core makes them
    // while this one sorts.
    std::thread pieces;
    if (parallel)
        pieces = std::thread(makePieces);
    else
        makePieces();
    reversed.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        reversed.push_back(reversedText(stems[std::size_t(i)]));
    // Backwards, so that of two equal stems the earlier one stays.
    for (int i = count - 1; i >= 0; --i)
        exact.insert(stems[std::size_t(i)], i);
    byStem.build(stems);
    byReversed.build(reversed);
    if (pieces.joinable())
        pieces.join();
}

int TLogoFileIndex::Group::firstWithPrefix(QStringView prefix, const Sorted &sorted) const
{
    const std::size_t from = sorted.lowerBound(prefix);
    const std::size_t to = sorted.prefixEnd(from, prefix);
    if (from == to)
        return -1;
    return rangeMin(sorted.minima, from, to);
}

const std::vector<int> *TLogoFileIndex::Group::candidatesFor(QStringView text) const
{
    static const std::vector<int> kNone;
    if (text.size() < kGram)
        return nullptr;
    const std::vector<int> *candidates = &kNone;
    for (qsizetype at = 0; at + kGram <= text.size(); ++at) {
        const auto it = trigrams.constFind(gramKey(text, at));
        if (it == trigrams.cend())
            return &kNone;
        if (at == 0 || it->size() < candidates->size())
            candidates = &*it;
    }
    return candidates;
}

int TLogoFileIndex::Group::firstGeneral(QStringView pattern) const
{
    QVarLengthArray<QStringView, 16> parts;
    for (qsizetype from = 0;;) {
        const qsizetype star = pattern.indexOf(u'*', from);
        parts.append(pattern.mid(from, (star < 0 ? pattern.size() : star) - from));
        if (star < 0)
            break;
        from = star + 1;
    }
    // Patterns hold no "?": the first part starts the name, the last ends
    // it, and the ones between follow in order, each as early as it can.
    const auto fits = [&](QStringView stem) {
        const QStringView head = parts.first(), tail = parts.last();
        if (stem.size() < head.size() + tail.size() || !unitsStartWith(stem, head)
            || !unitsEndWith(stem, tail))
            return false;
        qsizetype at = head.size();
        const qsizetype limit = stem.size() - tail.size();
        for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
            if (parts[i].isEmpty())
                continue;
            const qsizetype found = stem.indexOf(parts[i], at);
            if (found < 0 || found + parts[i].size() > limit)
                return false;
            at = found + parts[i].size();
        }
        return true;
    };
    // The rarest three-letter piece of any part is in every matching stem.
    const std::vector<int> *candidates = nullptr;
    for (QStringView part : parts) {
        const std::vector<int> *some = candidatesFor(part);
        if (some && (!candidates || some->size() < candidates->size()))
            candidates = some;
    }
    // A pattern that starts with a literal only fits the stems starting
    // with it, which sort side by side; walk whichever set is smaller.
    const QStringView head = parts.first();
    if (!head.isEmpty()) {
        const std::size_t from = byStem.lowerBound(head);
        const std::size_t to = byStem.prefixEnd(from, head);
        if (!candidates || to - from < candidates->size()) {
            int best = -1;
            for (std::size_t at = from; at != to; ++at) {
                const int position = byStem.order[at];
                if ((best < 0 || position < best) && fits(byStem.texts[at]))
                    best = position;
            }
            return best;
        }
    }
    if (candidates) {
        for (int position : *candidates) {
            if (fits(stems[std::size_t(position)]))
                return position;
        }
        return -1;
    }
    for (std::size_t position = 0; position < stems.size(); ++position) {
        if (fits(stems[position]))
            return int(position);
    }
    return -1;
}

int TLogoFileIndex::Group::firstContaining(QStringView text) const
{
    if (const std::vector<int> *candidates = candidatesFor(text)) {
        for (int position : *candidates) {
            if (stems[std::size_t(position)].contains(text))
                return position;
        }
        return -1;
    }
    for (std::size_t position = 0; position < stems.size(); ++position) {
        if (stems[position].contains(text))
            return int(position);
    }
    return -1;
}

int TLogoFileIndex::FirstMatch(TLogoKind kind, const QString &pattern) const
{
    return FirstMatchUpper(kind, pattern.toUpper());
}

int TLogoFileIndex::Group::firstEndingWith(QStringView end) const
{
    TReversed backwards;
    reverseInto(end, backwards);
    return firstWithPrefix(QStringView(backwards.constData(), backwards.size()), byReversed);
}

int TLogoFileIndex::FirstMatchUpper(TLogoKind kind, QStringView upper) const
{
    const Group &g = group(kind);
    const qsizetype stars = upper.count(u'*');
    // Wildcards alone would match every file, whatever the name was:
    // "Звезда Плюс" with its letters turned into wildcards is no 3sat; with
    // digits beside them they still say nothing of the name.
    if (g.stems.empty() || upper.isEmpty() || (stars > 0 && !holdsLetter(upper)))
        return -1;
    int position = -1;
    if (stars == 0) {
        // A key that borrows the pattern's characters: looking up copies nothing.
        position = g.exact.value(QString::fromRawData(upper.data(), upper.size()), -1);
    } else if (stars == 1 && upper.endsWith(u'*')) {
        position = g.firstWithPrefix(upper.left(upper.size() - 1), g.byStem);
    } else if (stars == 1 && upper.startsWith(u'*')) {
        position = g.firstEndingWith(upper.mid(1));
    } else if (stars == 2 && upper.size() > 2 && upper.startsWith(u'*') && upper.endsWith(u'*')
               && !upper.mid(1, upper.size() - 2).contains(u'*')) {
        position = g.firstContaining(upper.mid(1, upper.size() - 2));
    } else {
        position = g.firstGeneral(upper);
    }
    return position < 0 ? -1 : g.files[std::size_t(position)];
}

int TLogoFileIndex::ExactUpper(TLogoKind kind, QStringView text) const
{
    // Equal stems sort side by side in file order: the first is the one.
    const Group &g = group(kind);
    if (text.isEmpty())
        return -1;
    const std::size_t at = g.byStem.lowerBound(text);
    if (at == g.byStem.texts.size() || !unitsEqual(g.byStem.texts[at], text))
        return -1;
    return g.files[std::size_t(g.byStem.order[at])];
}

int TLogoFileIndex::FirstStartingWithUpper(TLogoKind kind, QStringView start) const
{
    const Group &g = group(kind);
    const int position = g.stems.empty() || !holdsLetter(start) ? -1 : g.firstWithPrefix(start, g.byStem);
    return position < 0 ? -1 : g.files[std::size_t(position)];
}

int TLogoFileIndex::FirstEndingWithUpper(TLogoKind kind, QStringView end) const
{
    const Group &g = group(kind);
    const int position = g.stems.empty() || !holdsLetter(end) ? -1 : g.firstEndingWith(end);
    return position < 0 ? -1 : g.files[std::size_t(position)];
}

int TLogoFileIndex::FirstContainingUpper(TLogoKind kind, QStringView text) const
{
    const Group &g = group(kind);
    const int position = g.stems.empty() || !holdsLetter(text) ? -1 : g.firstContaining(text);
    return position < 0 ? -1 : g.files[std::size_t(position)];
}

qsizetype TLogoFileIndex::LongestSharedStartUpper(TLogoKind kind, QStringView text) const
{
    // The stems sharing the longest start with `text` sort right beside it.
    const Group &g = group(kind);
    const std::size_t at = g.byStem.lowerBound(text);
    const auto shared = [&](std::size_t place) {
        const QString &stem = g.byStem.texts[place];
        qsizetype n = 0;
        while (n < text.size() && n < stem.size() && stem.at(n) == text.at(n))
            ++n;
        return n;
    };
    qsizetype best = 0;
    if (at != g.byStem.texts.size())
        best = shared(at);
    if (at != 0)
        best = std::max(best, shared(at - 1));
    return best;
}

qsizetype TLogoFileIndex::LongestContainedStartUpper(TLogoKind kind, QStringView text) const
{
    // Being contained shrinks with the start's length: search the length.
    const Group &g = group(kind);
    qsizetype low = 0, high = text.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (g.firstContaining(text.left(middle)) >= 0)
            low = middle;
        else
            high = middle - 1;
    }
    return g.stems.empty() ? 0 : low;
}

// --- the matcher -------------------------------------------------------

bool TLogoMatcher::tryPattern(TLogoKind kind, QStringView pattern, int &found)
{
    if (m_upper) {
        found = m_index.FirstMatchUpper(kind, pattern);
        return found >= 0;
    }
    // Upper case maps each character on its own, so plain letters and "ß"
    // (the usual reason to come here) are done by hand.
    TBuffer upper;
    for (QChar c : pattern) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            upper.append(u >= u'a' && u <= u'z' ? char16_t(u - 32) : u);
        } else if (u == u'ß') {
            upper.append(u"SS", 2);
        } else {
            found = m_index.FirstMatchUpper(kind, pattern.toString().toUpper());
            return found >= 0;
        }
    }
    found = m_index.FirstMatchUpper(kind, QStringView(upper.constData(), upper.size()));
    return found >= 0;
}

bool TLogoMatcher::firstPhase(const QString &base, TLogoKind kind, int &found)
{
    // The spellings, each made only when the ones before it found nothing.
    QString dotless;
    const auto spelling = [&](int k) -> QString {
        switch (k) {
        case 1:
            dotless = withoutInvalid(base, true);
            return dotless;
        case 2:
        case 3:
            return dotless.contains(u'-') ? QString(dotless).remove(u'-') : dotless;
        case 5: {
            QString text = base;
            for (int i = 0; i < 9; ++i) {
                const QString &word = kNumberWords[i];
                const qsizetype at = indexOfLowerWord(text, word);
                if (at >= 0)
                    text.replace(at, word.size(), QString::number(i + 1));
            }
            return text;
        }
        case 6: {
            const bool digits = std::any_of(base.cbegin(), base.cend(), [](QChar c) { return c.isDigit(); });
            return digits ? decToRomanInStr(base) : base;
        }
        case 7: {
            QString digitless = base;
            digitless.removeIf([](QChar c) { return c >= u'0' && c <= u'9'; });
            return noWs(digitless).size() <= 3 ? base : digitless;
        }
        default:
            return base;
        }
    };
    QString variants[8];
    for (int k = 0; k < 8; ++k) {
        variants[k] = spelling(k);
        const QString &v = variants[k];
        if (k > 0 && k != 1 && v == variants[k - 1])
            continue;
        TBuffer flatText;
        flatText.reserve(v.size());
        for (QChar c : v) {
            if (!isBlank(c))
                flatText.append(c.unicode());
        }
        const QStringView flat(flatText.constData(), flatText.size());
        // Every attempt but the one ending in the name starts with a start
        // of `flat`, and a start of `flat` is the start of some logo exactly
        // when it is no longer than the longest start any logo shares with
        // it: most attempts are settled without a look-up.
        const qsizetype shared = m_upper ? m_index.LongestSharedStartUpper(kind, flat) : flat.size();
        QVarLengthArray<qsizetype, 64> kept(v.size() + 1); // non-blanks in v.left(n)
        kept[0] = 0;
        for (qsizetype n = 0; n < v.size(); ++n)
            kept[n + 1] = kept[n] + (isBlank(v.at(n)) ? 0 : 1);
        const auto startsFit = [&](qsizetype start) { return start <= shared; };
        const auto startHit = [&](qsizetype length) {
            if (!startsFit(length))
                return false;
            if (!m_upper)
                return tryPattern(kind, flat.left(length).toString() + u'*', found);
            found = m_index.FirstStartingWithUpper(kind, QStringView(flat).left(length));
            return found >= 0;
        };
        // The same exact name asked again gives the same answer.
        bool exactAsked = false;
        const auto exactHit = [&] {
            if (exactAsked || !startsFit(flat.size()))
                return false;
            exactAsked = true;
            if (!m_upper)
                return tryPattern(kind, flat, found);
            found = m_index.ExactUpper(kind, flat);
            return found >= 0;
        };

        // The second spelling is often the first again: its first two
        // attempts were made then and found nothing.
        if (k == 1 && v == variants[0])
            exactAsked = true;
        else if (exactHit() || startHit(flat.size()))
            return true;
        if (k == 0)
            continue;
        const qsizetype firstBlank = v.indexOf(u' ');
        if (firstBlank >= 0 && v.size() - firstBlank - 1 > 4) {
            if (startHit(kept[v.lastIndexOf(u' ')]))
                return true;
        } else if (exactHit()) {
            return true;
        }
        if (firstBlank > 2) {
            if (startsFit(kept[firstBlank])) {
                const QStringView head = flat.left(kept[firstBlank]);
                m_pattern.clear();
                m_pattern.append(head.utf16(), head.size());
                m_pattern.append(u"TV*", 3);
                if (tryPattern(kind, QStringView(m_pattern.constData(), m_pattern.size()), found))
                    return true;
            }
        } else if (exactHit()) {
            return true;
        }
        if (m_upper) {
            found = m_index.FirstEndingWithUpper(kind, flat);
            if (found >= 0)
                return true;
        } else if (tryPattern(kind, u'*' + flat.toString(), found)) {
            return true;
        }
        const qsizetype literal = v.contains(u'\t') ? 0 : firstBlank < 0 ? v.size() : firstBlank;
        if (startsFit(literal)) {
            m_pattern.resize(v.size());
            for (qsizetype i = 0; i < v.size(); ++i)
                m_pattern[i] = v.at(i) == u' ' ? u'*' : v.at(i).unicode();
            if (tryPattern(kind, QStringView(m_pattern.constData(), m_pattern.size()), found))
                return true;
        }
        // Cut before each `c`, the last first.
        const auto cuts = [&](QChar c) {
            for (qsizetype at = v.size() - 1; at >= 0; --at) {
                if (v.at(at) == c && (at > 2 ? startHit(kept[at]) : exactHit()))
                    return true;
            }
            return false;
        };
        if (k >= 4 && cuts(u'-'))
            return true;
        if (cuts(u' '))
            return true;
    }
    return false;
}

bool TLogoMatcher::secondPhase(const QString &base, const QString &upperBase, TLogoKind kind,
                               int &found)
{
    // Channel names often glue a station and a region ("RTLNord"): the last
    // capital after the third character starts the part that may differ.
    qsizetype cutAt = base.size();
    for (qsizetype i = base.size() - 1; i >= 3; --i) {
        const QChar c = base.at(i);
        if (c >= u'A' && c <= u'Z' && c != u'C') {
            cutAt = i;
            break;
        }
    }
    // Each pattern takes its characters from the name as the index compares
    // them: upper-cased letter by letter when that keeps every letter in its
    // place, else as they are (tryPattern then upper-cases the whole).
    const QString &source = m_upper ? upperBase : base;
    const auto put = [&](QChar c) {
        if (!isBlank(c))
            m_pattern.append(c.unicode());
    };
    const auto attempt = [&] {
        return tryPattern(kind, QStringView(m_pattern.constData(), m_pattern.size()), found);
    };
    m_pattern.clear();
    for (qsizetype i = 0; i < cutAt; ++i)
        put(source.at(i));
    if (cutAt < base.size())
        m_pattern.append(u'*');
    if (attempt())
        return true;
    // Plain ASCII letters change case without the general rule; a few
    // other letters lower-case to plain ones (the Kelvin sign to "k").
    const auto kept = [&](qsizetype i) {
        const QChar c = base.at(i);
        const char16_t u = c.unicode();
        const char16_t lower = u >= 0x80 ? c.toLower().unicode()
            : u >= u'A' && u <= u'Z'     ? char16_t(u + 32)
                                         : u;
        return c == u' ' || (lower >= u'0' && lower <= u'9') || (lower >= u'a' && lower <= u'z');
    };
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    for (bool digits : {false, true}) {
        m_pattern.clear();
        for (qsizetype i = 0; i < base.size(); ++i) {
            const QChar c = kept(i) ? source.at(i) : QChar(u'*');
            if (digits || !isDigit(c))
                put(c);
        }
        if (attempt())
            return true;
    }
    m_pattern.clear();
    for (qsizetype i = 0; i < base.size(); ++i) {
        const QChar c = base.at(i);
        put(source.at(i));
        if (c.unicode() < 0x80 ? !(c >= u'a' && c <= u'z') : c == c.toUpper())
            m_pattern.append(u'*');
    }
    return attempt();
}

bool TLogoMatcher::shortenedPhase(const QString &base, TLogoKind kind, int &found)
{
    if (base.size() < kMinCutLength)
        return false;
    if (!m_upper) {
        for (qsizetype n = base.size(); n >= kMinCutLength; --n) {
            if (tryPattern(kind, noWs(base.left(n)) + u'*', found))
                return true;
        }
        for (qsizetype n = base.size(); n >= kMinCutLength; --n) {
            if (tryPattern(kind, u'*' + noWs(base.left(n)) + u'*', found))
                return true;
        }
        return false;
    }
    // Cutting the name from the end, the first cut some logo starts with
    // (then: contains) wins. Rather than trying every length, find the
    // longest start any logo shares and take the first cut that fits it.
    // `base` is upper case already; ASCII stays as it is when upper-cased
    // again, anything else goes through the general rule.
    const bool ascii = std::all_of(base.cbegin(), base.cend(), [](QChar c) { return c.unicode() < 0x80; });
    const QString flat = noWs(ascii ? base : base.toUpper());
    QVarLengthArray<qsizetype, 64> kept(base.size() + 1); // non-blanks in base.left(n)
    kept[0] = 0;
    for (qsizetype n = 0; n < base.size(); ++n)
        kept[n + 1] = kept[n] + (isBlank(base.at(n)) ? 0 : 1);
    const auto firstFitting = [&](qsizetype longest) -> qsizetype {
        for (qsizetype n = base.size(); n >= kMinCutLength; --n) {
            if (kept[n] <= longest)
                return kept[n];
        }
        return -1;
    };
    const qsizetype prefix = firstFitting(m_index.LongestSharedStartUpper(kind, flat));
    if (prefix >= 0) {
        m_pattern.clear();
        m_pattern.append(reinterpret_cast<const char16_t *>(flat.utf16()), prefix);
        m_pattern.append(u'*');
        found = m_index.FirstMatchUpper(kind, QStringView(m_pattern.constData(), m_pattern.size()));
        if (found >= 0)
            return true;
    }
    // No logo holding the shortest cut holds a longer one either; a cut of
    // no letter finds nothing, but a longer one may.
    const QStringView shortest = QStringView(flat).left(kept[kMinCutLength]);
    if (holdsLetter(shortest) && m_index.FirstContainingUpper(kind, shortest) < 0)
        return false;
    const qsizetype inner = firstFitting(m_index.LongestContainedStartUpper(kind, flat));
    if (inner < 0)
        return false;
    found = m_index.FirstContainingUpper(kind, QStringView(flat).left(inner));
    return found >= 0;
}

int TLogoMatcher::matchUncached(const QString &serviceName, TLogoKind kind)
{
    if (kind == TLogoKind::Other || serviceName.isEmpty())
        return -1;
    // A name of nothing but lower-case hex digits is a bare id the receiver
    // made up, not a channel name.
    const bool bareId = std::all_of(serviceName.cbegin(), serviceName.cend(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
    });
    if (bareId)
        return -1;

    QStringView name = serviceName;
    const qsizetype bracket = name.indexOf(u'[');
    if (bracket >= 0)
        name.truncate(bracket);
    while (!name.isEmpty() && isBlank(name.back()))
        name.chop(1);
    if (name.startsWith(u'$'))
        name = name.mid(1);
    bool secondPhaseOn = true;
    const qsizetype slash = name.indexOf(u'/');
    if (slash >= 0) {
        name.truncate(slash);
        while (!name.isEmpty() && isBlank(name.back()))
            name.chop(1);
        secondPhaseOn = false;
    }
    const QString base = foldAccents(name.size() == serviceName.size() ? serviceName : name.toString());
    if (std::count_if(base.cbegin(), base.cend(), [](QChar c) { return !isBlank(c); }) < 2)
        return -1;

    const QString upperBase = upperCased(base);
    m_upper = upperBase.size() == base.size();
    const QString &work = m_upper ? upperBase : base;
    int found = -1;
    if (firstPhase(work, kind, found))
        return found;
    if (!secondPhaseOn)
        return -1;
    // Letters outside the basic plane upper-case in pairs of halves: their
    // patterns are upper-cased whole, as the rule has it.
    const bool halves = std::any_of(base.cbegin(), base.cend(), [](QChar c) { return c.isSurrogate(); });
    const bool upper = m_upper;
    m_upper = upper && !halves;
    const bool second = secondPhase(base, upperBase, kind, found);
    m_upper = upper;
    if (second || shortenedPhase(work, kind, found))
        return found;
    return -1;
}

namespace {

quint64 nameHash(QStringView name, TLogoKind kind)
{
    quint64 hash = 14695981039346656037ull ^ quint64(kind);
    for (QChar c : name)
        hash = (hash ^ c.unicode()) * 1099511628211ull;
    return hash ^ (hash >> 29);
}

} // namespace

void TLogoMatcher::Reserve(std::size_t names)
{
    m_remembered.reserve(names);
    if (m_slots.size() < names * 2) {
        m_slots.clear();
        growRemembered();
        while (m_slots.size() < names * 2)
            growRemembered();
    }
}

void TLogoMatcher::growRemembered()
{
    std::vector<quint64> table(std::max<std::size_t>(64, m_slots.size() * 2), 0);
    const std::size_t mask = table.size() - 1;
    for (std::size_t entry = 0; entry < m_remembered.size(); ++entry) {
        const Remembered &r = m_remembered[entry];
        const quint64 hash = nameHash(r.name, r.kind);
        std::size_t at = std::size_t(hash) & mask;
        while (table[at] != 0)
            at = (at + 1) & mask;
        table[at] = (hash & 0xffffffff00000000ull) | quint64(entry + 1);
    }
    m_slots.swap(table);
}

QString TLogoMatcher::MatchLogoFile(const QString &serviceName, TLogoKind kind)
{
    const int file = MatchLogoFileIndex(serviceName, kind);
    return file < 0 ? QString() : m_index.FileNames().at(file);
}

int TLogoMatcher::MatchLogoFileIndex(const QString &serviceName, TLogoKind kind)
{
    if (kind == TLogoKind::Other)
        return -1;
    if ((m_remembered.size() + 1) * 2 > m_slots.size())
        growRemembered();
    const quint64 hash = nameHash(serviceName, kind);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = std::size_t(hash) & mask;
    for (; m_slots[at] != 0; at = (at + 1) & mask) {
        if ((m_slots[at] ^ hash) >> 32 != 0)
            continue;
        const Remembered &r = m_remembered[std::size_t(m_slots[at] & 0xffffffffu) - 1];
        if (r.kind == kind && r.name == serviceName)
            return r.file;
    }
    const int file = matchUncached(serviceName, kind);
    m_remembered.push_back({serviceName, kind, file});
    m_slots[at] = (hash & 0xffffffff00000000ull) | quint64(m_remembered.size());
    return file;
}
