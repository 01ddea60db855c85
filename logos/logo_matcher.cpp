#include "logos/logo_matcher.h"

#include "core/util/file_utils.h"
#include "core/util/str_utils.h"

#include <algorithm>
#include <bit>

namespace {

// Number words as German channel names spell them ("Sat eins"), for the
// digits 1 to 9.
const char16_t *const kNumberWords[] = {u"eins", u"zwei", u"drei", u"vier", u"fünf",
                                        u"sechs", u"sieben", u"acht", u"neun"};

constexpr int kGram = 3;
// Second-phase cuts never go below this many characters: shorter pieces
// match too many unrelated logos.
constexpr int kMinCutLength = 5;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
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

QString trimRight(QString text)
{
    qsizetype end = text.size();
    while (end > 0 && isBlank(text.at(end - 1)))
        --end;
    text.truncate(end);
    return text;
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

QString reversedText(const QString &text)
{
    QString out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        out[text.size() - 1 - i] = text.at(i);
    return out;
}

// The text before the n-th (1-based) occurrence of `c`, or -1 when that
// occurrence is at or before the third character.
qsizetype nthPosition(const QString &text, QChar c, int n)
{
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = text.indexOf(c, at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

} // namespace

QString logoSuffix(TLogoKind kind)
{
    return kind == TLogoKind::Radio ? QStringLiteral(".radio.gif") : QStringLiteral(".tv.gif");
}

QString foldAccents(const QString &text)
{
    static const struct {
        const char16_t *from;
        const char16_t *to;
    } kFolds[] = {{u"à", u"a"}, {u"á", u"a"}, {u"è", u"e"}, {u"é", u"e"}, {u"ë", u"e"},
                  {u"ú", u"u"}, {u"ù", u"u"}, {u"ò", u"o"}, {u"ó", u"o"}, {u"ä", u"ae"},
                  {u"ü", u"ue"}, {u"ö", u"oe"}};
    QString out = removeInvalidFileNameChars(text);
    for (const auto &fold : kFolds)
        out.replace(QString::fromUtf16(fold.from), QString::fromUtf16(fold.to),
                    Qt::CaseInsensitive);
    return out;
}

// --- the index ---------------------------------------------------------

TLogoFileIndex::TLogoFileIndex(const QStringList &fileNames) : m_fileNames(fileNames)
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
    m_tv.build();
    m_radio.build();
}

void TLogoFileIndex::Group::build()
{
    const int count = int(stems.size());
    byStem.resize(std::size_t(count));
    byReversed.resize(std::size_t(count));
    reversed.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        byStem[std::size_t(i)] = byReversed[std::size_t(i)] = i;
        reversed.push_back(reversedText(stems[std::size_t(i)]));
    }
    // Backwards, so that of two equal stems the earlier one stays.
    for (int i = count - 1; i >= 0; --i)
        exact.insert(stems[std::size_t(i)], i);
    std::stable_sort(byStem.begin(), byStem.end(),
                     [&](int a, int b) { return stems[std::size_t(a)] < stems[std::size_t(b)]; });
    std::stable_sort(byReversed.begin(), byReversed.end(), [&](int a, int b) {
        return reversed[std::size_t(a)] < reversed[std::size_t(b)];
    });
    minByStem = rangeMinima(byStem);
    minByReversed = rangeMinima(byReversed);
    for (int i = 0; i < count; ++i) {
        const QString &stem = stems[std::size_t(i)];
        for (qsizetype at = 0; at + kGram <= stem.size(); ++at) {
            std::vector<int> &list = trigrams[gramKey(stem, at)];
            if (list.empty() || list.back() != i)
                list.push_back(i);
        }
    }
}

int TLogoFileIndex::Group::firstWithPrefix(const QString &prefix,
                                           const std::vector<QString> &keys,
                                           const std::vector<int> &order,
                                           const std::vector<std::vector<int>> &minima) const
{
    const auto key = [&](int position) -> const QString & { return keys[std::size_t(position)]; };
    const auto from = std::partition_point(order.begin(), order.end(),
                                           [&](int p) { return key(p) < prefix; });
    const auto to = std::partition_point(from, order.end(),
                                         [&](int p) { return key(p).startsWith(prefix); });
    if (from == to)
        return -1;
    return rangeMin(minima, std::size_t(from - order.begin()), std::size_t(to - order.begin()));
}

int TLogoFileIndex::Group::firstGeneral(const QString &pattern) const
{
    // The longest literal run picks the candidates; its rarest three-letter
    // piece is in every matching stem.
    QStringView longest;
    for (QStringView part : QStringView(pattern).split(u'*')) {
        if (part.size() > longest.size())
            longest = part;
    }
    const std::vector<int> *candidates = nullptr;
    if (longest.size() >= kGram) {
        static const std::vector<int> kNone;
        candidates = &kNone;
        for (qsizetype at = 0; at + kGram <= longest.size(); ++at) {
            const auto it = trigrams.constFind(gramKey(longest, at));
            if (it == trigrams.cend()) {
                candidates = &kNone;
                break;
            }
            if (at == 0 || it->size() < candidates->size())
                candidates = &*it;
        }
        for (int position : *candidates) {
            if (matchesWildcard(stems[std::size_t(position)], pattern))
                return position;
        }
        return -1;
    }
    for (std::size_t position = 0; position < stems.size(); ++position) {
        if (matchesWildcard(stems[position], pattern))
            return int(position);
    }
    return -1;
}

int TLogoFileIndex::FirstMatch(TLogoKind kind, const QString &pattern) const
{
    const Group &g = group(kind);
    if (g.stems.empty())
        return -1;
    const QString upper = pattern.toUpper();
    const qsizetype stars = upper.count(u'*');
    int position = -1;
    if (stars == 0) {
        position = g.exact.value(upper, -1);
    } else if (stars == 1 && upper.endsWith(u'*')) {
        position = g.firstWithPrefix(upper.left(upper.size() - 1), g.stems, g.byStem, g.minByStem);
    } else if (stars == 1 && upper.startsWith(u'*')) {
        position = g.firstWithPrefix(reversedText(upper.mid(1)), g.reversed, g.byReversed,
                                     g.minByReversed);
    } else {
        position = g.firstGeneral(upper);
    }
    return position < 0 ? -1 : g.files[std::size_t(position)];
}

// --- the matcher -------------------------------------------------------

bool TLogoMatcher::tryPattern(TLogoKind kind, const QString &pattern, int &found)
{
    QHash<QString, int> &cache = m_patterns[kind == TLogoKind::Radio ? 1 : 0];
    auto it = cache.constFind(pattern);
    if (it == cache.cend())
        it = cache.insert(pattern, m_index.FirstMatch(kind, pattern));
    found = *it;
    return found >= 0;
}

bool TLogoMatcher::firstPhase(const QString &base, TLogoKind kind, int &found)
{
    const auto withoutDots = [](QString text) {
        return removeInvalidFileNameChars(text).remove(u'.');
    };
    QString variants[8];
    variants[0] = base;
    variants[1] = withoutDots(base);
    variants[2] = QString(variants[1]).remove(u'-');
    variants[3] = withoutDots(base).remove(u'-');
    variants[4] = base;
    variants[5] = base;
    for (int i = 0; i < 9; ++i) {
        const QString word = QString::fromUtf16(kNumberWords[i]);
        const qsizetype at = variants[5].indexOf(word, 0, Qt::CaseInsensitive);
        if (at >= 0)
            variants[5].replace(at, word.size(), QString::number(i + 1));
    }
    variants[6] = decToRomanInStr(base);
    QString digitless = base;
    digitless.removeIf([](QChar c) { return c >= u'0' && c <= u'9'; });
    variants[7] = noWs(digitless).size() <= 3 ? base : digitless;

    for (int k = 0; k < 8; ++k) {
        const QString &v = variants[k];
        if (k > 0 && k != 1 && v == variants[k - 1])
            continue;
        const QString flat = noWs(v);
        if (tryPattern(kind, flat, found) || tryPattern(kind, flat + u'*', found))
            return true;
        if (k == 0)
            continue;
        const qsizetype firstBlank = v.indexOf(u' ');
        QString attempt = flat;
        if (firstBlank >= 0 && v.size() - firstBlank - 1 > 4)
            attempt = noWs(v.left(v.lastIndexOf(u' '))) + u'*';
        if (tryPattern(kind, attempt, found))
            return true;
        attempt = firstBlank > 2 ? noWs(v.left(firstBlank)) + QStringLiteral("tv*") : flat;
        if (tryPattern(kind, attempt, found))
            return true;
        if (tryPattern(kind, u'*' + flat, found))
            return true;
        if (tryPattern(kind, QString(v).replace(u' ', u'*'), found))
            return true;
        const auto cuts = [&](QChar c) {
            for (int n = int(v.count(c)); n >= 1; --n) {
                const qsizetype at = nthPosition(v, c, n);
                if (tryPattern(kind, at > 2 ? noWs(v.left(at)) + u'*' : flat, found))
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

bool TLogoMatcher::secondPhase(const QString &base, TLogoKind kind, int &found)
{
    // Channel names often glue a station and a region ("RTLNord"): the last
    // capital after the third character starts the part that may differ.
    QString cut = base;
    for (qsizetype i = base.size() - 1; i >= 3; --i) {
        const QChar c = base.at(i);
        if (c >= u'A' && c <= u'Z' && c != u'C') {
            cut = base.left(i) + u'*';
            break;
        }
    }
    if (tryPattern(kind, noWs(cut), found))
        return true;
    QString starred = base;
    for (QChar &c : starred) {
        const QChar lower = c.toLower();
        const bool keep = c == u' ' || (lower >= u'0' && lower <= u'9')
            || (lower >= u'a' && lower <= u'z');
        if (!keep)
            c = u'*';
    }
    QString digitless = starred;
    digitless.removeIf([](QChar c) { return c >= u'0' && c <= u'9'; });
    if (tryPattern(kind, noWs(digitless), found) || tryPattern(kind, noWs(starred), found))
        return true;
    QString capitals;
    for (QChar c : base) {
        capitals.append(c);
        if (c == c.toUpper())
            capitals.append(u'*');
    }
    if (tryPattern(kind, noWs(capitals), found))
        return true;
    if (base.size() >= kMinCutLength) {
        for (qsizetype n = base.size(); n >= kMinCutLength; --n) {
            if (tryPattern(kind, noWs(base.left(n)) + u'*', found))
                return true;
        }
        for (qsizetype n = base.size(); n >= kMinCutLength; --n) {
            if (tryPattern(kind, u'*' + noWs(base.left(n)) + u'*', found))
                return true;
        }
    }
    return false;
}

QString TLogoMatcher::matchUncached(const QString &serviceName, TLogoKind kind)
{
    if (kind == TLogoKind::Other || serviceName.isEmpty())
        return QString();
    // A name of nothing but lower-case hex digits is a bare id the receiver
    // made up, not a channel name.
    const bool bareId = std::all_of(serviceName.cbegin(), serviceName.cend(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
    });
    if (bareId)
        return QString();

    QString name = serviceName;
    const qsizetype bracket = name.indexOf(u'[');
    if (bracket >= 0)
        name.truncate(bracket);
    name = trimRight(name);
    if (name.startsWith(u'$'))
        name.remove(0, 1);
    bool secondPhaseOn = true;
    const qsizetype slash = name.indexOf(u'/');
    if (slash >= 0) {
        name = trimRight(name.left(slash));
        secondPhaseOn = false;
    }
    const QString base = foldAccents(name);
    if (noWs(base).size() < 2)
        return QString();

    int found = -1;
    if (firstPhase(base, kind, found) || (secondPhaseOn && secondPhase(base, kind, found)))
        return m_index.FileNames().at(found);
    return QString();
}

QString TLogoMatcher::MatchLogoFile(const QString &serviceName, TLogoKind kind)
{
    if (kind == TLogoKind::Other)
        return QString();
    QHash<QString, QString> &cache = m_names[kind == TLogoKind::Radio ? 1 : 0];
    auto it = cache.constFind(serviceName);
    if (it == cache.cend())
        it = cache.insert(serviceName, matchUncached(serviceName, kind));
    return *it;
}
