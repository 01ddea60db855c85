#include "logos/logo_matcher.h"

#include "core/util/file_utils.h"
#include "core/util/str_utils.h"

#include <algorithm>
#include <bit>

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
QString withoutInvalid(const QString &text, bool dots)
{
    static const QString kInvalid = QStringLiteral("*?<>/\\|:\"");
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!kInvalid.contains(c) && !(dots && c == u'.'))
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
    QString out = withoutInvalid(text, false);
    // Every fold starts from a letter beyond ASCII and gives plain letters,
    // so one pass does them all, capitals like small letters.
    if (std::all_of(out.cbegin(), out.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return out;
    QString folded;
    folded.reserve(out.size() + 4);
    for (QChar c : std::as_const(out)) {
        switch (c.toLower().unicode()) {
        case u'à': case u'á': folded.append(u'a'); break;
        case u'è': case u'é': case u'ë': folded.append(u'e'); break;
        case u'ú': case u'ù': folded.append(u'u'); break;
        case u'ò': case u'ó': folded.append(u'o'); break;
        case u'ä': folded.append(QLatin1String("ae")); break;
        case u'ü': folded.append(QLatin1String("ue")); break;
        case u'ö': folded.append(QLatin1String("oe")); break;
        default: folded.append(c);
        }
    }
    return folded;
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

int TLogoFileIndex::Group::firstWithPrefix(QStringView prefix,
                                           const std::vector<QString> &keys,
                                           const std::vector<int> &order,
                                           const std::vector<std::vector<int>> &minima) const
{
    const auto key = [&](int position) -> const QString & { return keys[std::size_t(position)]; };
    const auto from = std::partition_point(order.begin(), order.end(),
                                           [&](int p) { return QStringView(key(p)) < prefix; });
    const auto to = std::partition_point(from, order.end(),
                                         [&](int p) { return key(p).startsWith(prefix); });
    if (from == to)
        return -1;
    return rangeMin(minima, std::size_t(from - order.begin()), std::size_t(to - order.begin()));
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

int TLogoFileIndex::Group::firstGeneral(const QString &pattern) const
{
    const QList<QStringView> parts = QStringView(pattern).split(u'*');
    // Patterns hold no "?": the first part starts the name, the last ends
    // it, and the ones between follow in order, each as early as it can.
    const auto fits = [&](QStringView stem) {
        const QStringView head = parts.first(), tail = parts.last();
        if (!stem.startsWith(head) || stem.size() < head.size() + tail.size() || !stem.endsWith(tail))
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
        const auto from = std::partition_point(byStem.begin(), byStem.end(), [&](int p) {
            return QStringView(stems[std::size_t(p)]) < head;
        });
        const auto to = std::partition_point(from, byStem.end(), [&](int p) {
            return QStringView(stems[std::size_t(p)]).startsWith(head);
        });
        if (!candidates || std::size_t(to - from) < candidates->size()) {
            int best = -1;
            for (auto it = from; it != to; ++it) {
                if ((best < 0 || *it < best) && fits(stems[std::size_t(*it)]))
                    best = *it;
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

int TLogoFileIndex::FirstMatchUpper(TLogoKind kind, const QString &upper) const
{
    const Group &g = group(kind);
    if (g.stems.empty())
        return -1;
    const qsizetype stars = upper.count(u'*');
    int position = -1;
    if (stars == 0) {
        position = g.exact.value(upper, -1);
    } else if (stars == 1 && upper.endsWith(u'*')) {
        position = g.firstWithPrefix(upper.left(upper.size() - 1), g.stems, g.byStem, g.minByStem);
    } else if (stars == 1 && upper.startsWith(u'*')) {
        position = g.firstWithPrefix(reversedText(upper.mid(1)), g.reversed, g.byReversed,
                                     g.minByReversed);
    } else if (stars == 2 && upper.size() > 2 && upper.startsWith(u'*') && upper.endsWith(u'*')
               && !QStringView(upper).mid(1, upper.size() - 2).contains(u'*')) {
        position = g.firstContaining(QStringView(upper).mid(1, upper.size() - 2));
    } else {
        position = g.firstGeneral(upper);
    }
    return position < 0 ? -1 : g.files[std::size_t(position)];
}

int TLogoFileIndex::ExactUpper(TLogoKind kind, QStringView text) const
{
    // Equal stems sort side by side in file order: the first is the one.
    const Group &g = group(kind);
    const auto at = std::partition_point(g.byStem.begin(), g.byStem.end(), [&](int p) {
        return QStringView(g.stems[std::size_t(p)]) < text;
    });
    if (at == g.byStem.end() || QStringView(g.stems[std::size_t(*at)]) != text)
        return -1;
    return g.files[std::size_t(*at)];
}

int TLogoFileIndex::FirstStartingWithUpper(TLogoKind kind, QStringView start) const
{
    const Group &g = group(kind);
    const int position = g.stems.empty() ? -1 : g.firstWithPrefix(start, g.stems, g.byStem, g.minByStem);
    return position < 0 ? -1 : g.files[std::size_t(position)];
}

int TLogoFileIndex::FirstEndingWithUpper(TLogoKind kind, const QString &end) const
{
    const Group &g = group(kind);
    const int position = g.stems.empty()
        ? -1
        : g.firstWithPrefix(reversedText(end), g.reversed, g.byReversed, g.minByReversed);
    return position < 0 ? -1 : g.files[std::size_t(position)];
}

int TLogoFileIndex::FirstContainingUpper(TLogoKind kind, QStringView text) const
{
    const Group &g = group(kind);
    const int position = g.stems.empty() ? -1 : g.firstContaining(text);
    return position < 0 ? -1 : g.files[std::size_t(position)];
}

qsizetype TLogoFileIndex::LongestSharedStartUpper(TLogoKind kind, QStringView text) const
{
    // The stems sharing the longest start with `text` sort right beside it.
    const Group &g = group(kind);
    const auto at = std::partition_point(g.byStem.begin(), g.byStem.end(), [&](int p) {
        return QStringView(g.stems[std::size_t(p)]) < text;
    });
    const auto shared = [&](int p) {
        const QString &stem = g.stems[std::size_t(p)];
        qsizetype n = 0;
        while (n < text.size() && n < stem.size() && stem.at(n) == text.at(n))
            ++n;
        return n;
    };
    qsizetype best = 0;
    if (at != g.byStem.end())
        best = shared(*at);
    if (at != g.byStem.begin())
        best = std::max(best, shared(*(at - 1)));
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

bool TLogoMatcher::tryPattern(TLogoKind kind, const QString &pattern, int &found)
{
    found = m_index.FirstMatchUpper(kind, m_upper ? pattern : pattern.toUpper());
    return found >= 0;
}

bool TLogoMatcher::firstPhase(const QString &base, TLogoKind kind, int &found)
{
    const auto withoutDots = [](const QString &text) { return withoutInvalid(text, true); };
    // The spellings, each made only when the ones before it found nothing.
    const auto spelling = [&](int k) -> QString {
        switch (k) {
        case 1:
            return withoutDots(base);
        case 2:
        case 3:
            return withoutDots(base).remove(u'-');
        case 5: {
            QString text = base;
            for (int i = 0; i < 9; ++i) {
                const QString &word = kNumberWords[i];
                const qsizetype at = text.indexOf(word, 0, Qt::CaseInsensitive);
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
        const QString flat = noWs(v);
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
                return tryPattern(kind, flat.left(length) + u'*', found);
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

        if (exactHit() || startHit(flat.size()))
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
            if (startsFit(kept[firstBlank])
                && tryPattern(kind, flat.left(kept[firstBlank]) + (m_upper ? QStringLiteral("TV*") : QStringLiteral("tv*")), found))
                return true;
        } else if (exactHit()) {
            return true;
        }
        if (m_upper) {
            found = m_index.FirstEndingWithUpper(kind, flat);
            if (found >= 0)
                return true;
        } else if (tryPattern(kind, u'*' + flat, found)) {
            return true;
        }
        const qsizetype literal = v.contains(u'\t') ? 0 : firstBlank < 0 ? v.size() : firstBlank;
        if (startsFit(literal) && tryPattern(kind, QString(v).replace(u' ', u'*'), found))
            return true;
        const auto cuts = [&](QChar c) {
            for (int n = int(v.count(c)); n >= 1; --n) {
                const qsizetype at = nthPosition(v, c, n);
                if (at > 2 ? startHit(kept[at]) : exactHit())
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
    const auto upper = [this](const QString &text) { return m_upper ? text.toUpper() : text; };
    if (tryPattern(kind, upper(noWs(cut)), found))
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
    if (tryPattern(kind, upper(noWs(digitless)), found)
        || tryPattern(kind, upper(noWs(starred)), found))
        return true;
    QString capitals;
    for (QChar c : base) {
        capitals.append(c);
        if (c == c.toUpper())
            capitals.append(u'*');
    }
    return tryPattern(kind, upper(noWs(capitals)), found);
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
    const QString flat = noWs(base.toUpper());
    std::vector<qsizetype> kept(std::size_t(base.size()) + 1, 0); // non-blanks in base.left(n)
    for (qsizetype n = 0; n < base.size(); ++n)
        kept[std::size_t(n) + 1] = kept[std::size_t(n)] + (isBlank(base.at(n)) ? 0 : 1);
    const auto firstFitting = [&](qsizetype longest) -> qsizetype {
        for (qsizetype n = base.size(); n >= kMinCutLength; --n) {
            if (kept[std::size_t(n)] <= longest)
                return kept[std::size_t(n)];
        }
        return -1;
    };
    const qsizetype prefix = firstFitting(m_index.LongestSharedStartUpper(kind, flat));
    if (prefix >= 0) {
        found = m_index.FirstMatchUpper(kind, flat.left(prefix) + u'*');
        if (found >= 0)
            return true;
    }
    const qsizetype shortest = kept[kMinCutLength];
    if (m_index.FirstContainingUpper(kind, QStringView(flat).left(shortest)) < 0)
        return false;
    const qsizetype inner = firstFitting(m_index.LongestContainedStartUpper(kind, flat));
    if (inner < 0)
        return false;
    found = m_index.FirstContainingUpper(kind, QStringView(flat).left(inner));
    return found >= 0;
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
    if (std::count_if(base.cbegin(), base.cend(), [](QChar c) { return !isBlank(c); }) < 2)
        return QString();

    const QString upperBase = base.toUpper();
    m_upper = upperBase.size() == base.size();
    const QString &work = m_upper ? upperBase : base;
    int found = -1;
    if (firstPhase(work, kind, found)
        || (secondPhaseOn
            && (secondPhase(base, kind, found) || shortenedPhase(work, kind, found))))
        return m_index.FileNames().at(found);
    return QString();
}

std::size_t TLogoMatcher::NameHash::operator()(const QString &name) const noexcept
{
    quint64 hash = 14695981039346656037ull;
    for (QChar c : name)
        hash = (hash ^ c.unicode()) * 1099511628211ull;
    return std::size_t(hash ^ (hash >> 29));
}

void TLogoMatcher::Reserve(std::size_t names)
{
    for (auto &cache : m_names)
        cache.reserve(names);
}

QString TLogoMatcher::MatchLogoFile(const QString &serviceName, TLogoKind kind)
{
    if (kind == TLogoKind::Other)
        return QString();
    auto &cache = m_names[kind == TLogoKind::Radio ? 1 : 0];
    // One look-up: a name not met before finds a null text in its place;
    // a name without a logo keeps an empty, non-null one.
    QString &slot = cache[serviceName];
    if (slot.isNull()) {
        slot = matchUncached(serviceName, kind);
        if (slot.isNull())
            slot = QLatin1String("");
    }
    return slot;
}
