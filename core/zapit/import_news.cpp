#include "core/zapit/import_news.h"

#include "core/model/first_match_index.h"
#include "core/model/service_list.h"
#include "core/model/text_keys.h"
#include "core/util/messages.h"
#include "core/util/text_compare.h"
#include "platform/atomic_file.h"

#include <QDir>
#include <QHash>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// Look-ups into the previous list. Each key finds its first object in tree
// order, which is what a walk over the list would find, so the results
// equal those of the list's own find operations. Services are looked up
// through hashes of their names and ids, made transponder by transponder as
// the comparison reaches them: a comparison of two lists of hundreds of
// thousands of services reads a service only when its hash matches, and a
// list compared with an empty one (every open) hashes nothing.

std::size_t pointerHash(const void *p, std::size_t seed)
{
    return qHash(quintptr(p), seed);
}

// A transponder is the same one when the seven fields the model compares
// agree without regard to case (inversion does not count).
std::size_t transponderHash(const TSatelite *sat, const TTransponder &tp)
{
    return transponderMatchHash(tp) ^ pointerHash(sat, 0);
}

// A service is the same one on its transponder with equal id and type
// (case-insensitive) and an equal name (exact).
bool sameService(const TService &a, const TService &b)
{
    return a.Name == b.Name && sameUpperText(a.Sid, b.Sid)
        && sameUpperText(a.GetServiceType(), b.GetServiceType());
}

// A moved service: the same name (exact) and id (case-insensitive) on any
// transponder of a satellite of the same name.
bool sameNameAndId(const TService &a, const TService &b)
{
    return a.Name == b.Name && sameUpperText(a.Sid, b.Sid);
}

// The hashes of a transponder's services, into `out`. Each service and its
// texts lie in allocations of their own: the next services and then their
// texts are asked for from memory while one is hashed, so the waits overlap
// instead of following one another.
void hashServices(const TTransponder &tp, std::uint32_t *out)
{
    constexpr int kAhead = 8;
    const int count = tp.Count();
    for (int i = 0; i < count; ++i) {
        if (i + kAhead < count)
            __builtin_prefetch(tp.GetItem(i + kAhead));
        if (i + kAhead / 2 < count) {
            const TService *soon = tp.GetItem(i + kAhead / 2);
            __builtin_prefetch(soon->Name.constData());
            __builtin_prefetch(soon->Sid.constData());
        }
        out[i] = serviceKeyHash(*tp.GetItem(i));
    }
}

// Transponders of more services than this get a table; shorter ones are
// scanned, their hashes lying side by side.
constexpr int kServiceTableFrom = 64;

// The previous list, looked up by what makes a service "the same" or
// "moved". Services are numbered in tree order; the comparison records which
// numbers it met instead of changing the previous list, which stays as the
// caller gave it.
class PreviousIndex
{
public:
    // A transponder of the first satellite of a name, where exact look-ups go.
    struct Transponder {
        const TTransponder *transponder;
        std::size_t ordinal; // among all transponders, in tree order
    };

    explicit PreviousIndex(const TServiceList &list) : m_list(list)
    {
        int number = 0;
        for (int a = 0; a < list.Count(); ++a) {
            const TSatelite *sat = list.GetItem(a);
            auto group = m_groups.find(sat->Name);
            const bool firstOfName = group == m_groups.end();
            if (firstOfName)
                group = m_groups.insert(sat->Name, Group{});
            group->satelites.push_back(a);
            m_firstTransponders.push_back(int(m_firstNumbers.size()));
            for (int t = 0; t < sat->Count(); ++t) {
                const TTransponder *tp = sat->GetItem(t);
                m_firstNumbers.push_back(number);
                for (int i = 0; i < tp->Count(); ++i)
                    m_services.push_back(tp->GetItem(i));
                if (firstOfName) {
                    const auto filed = int(m_transponders.size());
                    m_transponders.push_back({tp, m_firstNumbers.size() - 1});
                    m_transponderSatelites.push_back(sat);
                    m_transponderIndex.insert(transponderHash(sat, *tp), filed, [&](int j) {
                        return m_transponderSatelites[std::size_t(j)] == sat
                            && transponderMatches(*m_transponders[std::size_t(j)].transponder,
                                                  *tp, false);
                    });
                }
                number += tp->Count();
            }
        }
        m_met.assign(m_services.size(), false);
        m_hashes.resize(m_services.size());
        m_hashed.assign(m_firstNumbers.size(), false);
    }

    bool isEmpty() const { return m_services.empty(); }

    // The satellites of that name, the first of which holds the transponders
    // exact look-ups go to; null when there are none.
    struct Group {
        std::vector<int> satelites;
        FirstMatchIndex moved; // made on first use
        bool movedFiled = false;
    };
    Group *groupNamed(const QString &name)
    {
        const auto it = m_groups.find(name);
        return it == m_groups.end() ? nullptr : &*it;
    }

    // The previous list's counterpart of a transponder of the new list.
    const Transponder *findTransponder(const TTransponder &tp, const Group *group) const
    {
        if (!group)
            return nullptr;
        const TSatelite *sat = m_list.GetItem(group->satelites.front());
        const int found = m_transponderIndex.find(transponderHash(sat, tp), [&](int j) {
            return m_transponderSatelites[std::size_t(j)] == sat
                && transponderMatches(*m_transponders[std::size_t(j)].transponder, tp, false);
        });
        return found >= 0 ? &m_transponders[std::size_t(found)] : nullptr;
    }

    // The number of the same service on that transponder, or -1.
    int findExact(const TService &s, std::uint32_t keyHash, const Transponder *own)
    {
        if (!own)
            return -1;
        const TTransponder &tp = *own->transponder;
        const std::uint32_t *hashes = hashesOf(tp, own->ordinal);
        int index = -1;
        if (tp.Count() < kServiceTableFrom) {
            for (int i = 0; i < tp.Count() && index < 0; ++i) {
                if (hashes[i] == keyHash && sameService(*tp.GetItem(i), s))
                    index = i;
            }
        } else {
            index = serviceTable(tp, hashes).find(keyHash, [&](int i) {
                return sameService(*tp.GetItem(i), s);
            });
        }
        return index < 0 ? -1 : m_firstNumbers[own->ordinal] + index;
    }

    // The number of the first service of the same name and id on any
    // transponder of the group's satellites, or -1.
    int findMoved(const TService &s, std::uint32_t keyHash, Group *group)
    {
        if (!group)
            return -1;
        // Most services stay where they were: a group's table is only made
        // once a service of it is not found in its place.
        if (!group->movedFiled) {
            for (int a : group->satelites) {
                const TSatelite &sat = *m_list.GetItem(a);
                for (int t = 0; t < sat.Count(); ++t) {
                    const TTransponder &tp = *sat.GetItem(t);
                    const auto ordinal = std::size_t(m_firstTransponders[std::size_t(a)] + t);
                    const std::uint32_t *hashes = hashesOf(tp, ordinal);
                    const int first = m_firstNumbers[ordinal];
                    for (int i = 0; i < tp.Count(); ++i) {
                        const TService &service = *tp.GetItem(i);
                        group->moved.insert(hashes[i], first + i, [&](int j) {
                            return sameNameAndId(serviceNumbered(j), service);
                        });
                    }
                }
            }
            group->movedFiled = true;
        }
        return group->moved.find(keyHash, [&](int j) {
            return sameNameAndId(serviceNumbered(j), s);
        });
    }

    const TService &serviceNumbered(int number) const { return *m_services[std::size_t(number)]; }
    void meet(int number) { m_met[std::size_t(number)] = true; }

    // fn(service, satellite) for every service no look-up met, in tree order.
    template <typename Fn>
    void forEachUnmet(Fn fn) const
    {
        std::size_t number = 0;
        m_list.forEachService([&](TService *service, TTransponder *, TSatelite *sat) {
            if (!m_met[number++])
                fn(service, sat);
        });
    }

private:
    // The hashes of the services of the transponder at `ordinal`, made on
    // its first look-up and kept for the next.
    const std::uint32_t *hashesOf(const TTransponder &tp, std::size_t ordinal)
    {
        const auto first = std::size_t(m_firstNumbers[ordinal]);
        if (!m_hashed[ordinal]) {
            hashServices(tp, m_hashes.data() + first);
            m_hashed[ordinal] = true;
        }
        return m_hashes.data() + first;
    }

    const FirstMatchIndex &serviceTable(const TTransponder &tp, const std::uint32_t *hashes)
    {
        const auto [it, made] = m_serviceTables.try_emplace(&tp);
        if (made) {
            it->second.reserve(std::size_t(tp.Count()));
            for (int i = 0; i < tp.Count(); ++i) {
                const TService &service = *tp.GetItem(i);
                it->second.insert(hashes[i], i, [&](int j) {
                    return sameService(*tp.GetItem(j), service);
                });
            }
        }
        return it->second;
    }

    const TServiceList &m_list;
    QHash<QString, Group> m_groups;
    std::vector<Transponder> m_transponders; // of the first satellites of each name
    std::vector<const TSatelite *> m_transponderSatelites;
    FirstMatchIndex m_transponderIndex;
    std::vector<const TService *> m_services; // by number
    std::vector<int> m_firstNumbers;          // of every transponder, in tree order
    std::vector<int> m_firstTransponders;     // of every satellite, into m_firstNumbers
    std::unordered_map<const TTransponder *, FirstMatchIndex> m_serviceTables;
    std::vector<bool> m_met;
    std::vector<std::uint32_t> m_hashes; // by number, see hashesOf
    std::vector<bool> m_hashed;          // by transponder, in tree order
};

// The escapes of a name in a news line. None holds ";", CR or LF, so an
// earlier version of the program still reads one line a service and the
// name up to the first ";".
struct NewsEscape {
    char16_t character;
    QLatin1StringView text;
};
constexpr NewsEscape kNewsEscapes[] = {
    {u';', QLatin1StringView("%3B")},
    {u'\r', QLatin1StringView("%0D")},
    {u'\n', QLatin1StringView("%0A")},
    {u'%', QLatin1StringView("%25")},
};
constexpr const NewsEscape &kPercentEscape = kNewsEscapes[std::size(kNewsEscapes) - 1];

// The escape that begins at `at`, or null.
const NewsEscape *escapeAt(QStringView text, qsizetype at)
{
    for (const NewsEscape &escape : kNewsEscapes) {
        if (text.sliced(at).startsWith(escape.text))
            return &escape;
    }
    return nullptr;
}

// The escape a character of a name is written as, or null when it is
// written as it is: a "%" only when an escape would be read there.
const NewsEscape *escapeFor(QStringView text, qsizetype at)
{
    const char16_t c = text[at].unicode();
    if (c == kPercentEscape.character)
        return escapeAt(text, at) ? &kPercentEscape : nullptr;
    for (const NewsEscape &escape : kNewsEscapes) {
        if (escape.character == c)
            return &escape;
    }
    return nullptr;
}

bool writtenAsItIs(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if ((c == u';' || c == u'\r' || c == u'\n' || c == u'%') && escapeFor(text, i))
            return false;
    }
    return true;
}

// A line of the news is made only when it is compared or written: a first
// import lists every service, and a hundred thousand lines held at once would
// cost more than the list they describe. The name is reached without going
// through its service, as a sort reaches it again and again.
struct NewsEntry {
    const QChar *name;
    qsizetype nameSize;
    const TSatelite *satelite;
    NewsEntry(const TService *service, const TSatelite *sat)
        : name(service->Name.constData()), nameSize(service->Name.size()), satelite(sat)
    {
    }
};

struct NewsEntries {
    std::vector<NewsEntry> added, deleted, changed;
};

// Names are short: a plain loop beats a call to memmove here.
QChar *copyShort(const QChar *from, qsizetype count, QChar *to)
{
    const char16_t *in = reinterpret_cast<const char16_t *>(from);
    char16_t *out = reinterpret_cast<char16_t *>(to);
    qsizetype i = 0;
    for (; i + 4 <= count; i += 4) {
        quint64 word;
        std::memcpy(&word, in + i, sizeof word);
        std::memcpy(out + i, &word, sizeof word);
    }
    for (; i < count; ++i)
        out[i] = in[i];
    return to + count;
}

// A line laid out in a buffer that is reused, seen as a QString without a copy.
class LineView
{
public:
    const QString &of(const NewsEntry &entry)
    {
        // A merge compares one side's entry with several of the other's in a row.
        if (entry.name == m_name && entry.satelite == m_satelite && !m_view.isNull())
            return m_view;
        m_name = entry.name;
        m_satelite = entry.satelite;
        const QString &satelite = entry.satelite->Name;
        const std::size_t size = std::size_t(entry.nameSize + 1 + satelite.size());
        if (m_buffer.size() < size)
            m_buffer.resize(size);
        QChar *out = copyShort(entry.name, entry.nameSize, m_buffer.data());
        *out++ = u';';
        copyShort(satelite.constData(), satelite.size(), out);
        m_view = QString::fromRawData(m_buffer.data(), qsizetype(size));
        return m_view;
    }
    const QString &of(const QString &line) { return line; }

    // The line as the files hold it.
    const QString &written(const NewsEntry &entry)
    {
        const QStringView name(entry.name, entry.nameSize);
        const QString &satelite = entry.satelite->Name;
        if (writtenAsItIs(name) && writtenAsItIs(satelite))
            return of(entry);
        m_name = nullptr;
        m_view = newsField(name) + u';' + newsField(satelite);
        return m_view;
    }
    const QString &written(const QString &line) { return line; }

private:
    std::vector<QChar> m_buffer;
    QString m_view;
    const QChar *m_name = nullptr;
    const TSatelite *m_satelite = nullptr;
};

// Where the locale collates nothing, the order is that of the folded lines,
// ties in list order. Each entry's first sixteen folded units go into a
// slot, so most comparisons read no name at all (names lie all over the
// heap). Entries whose starts tie are folded whole afterwards, each once,
// and only their group is sorted again by the whole line. The slots cost 40
// bytes an entry, where every line folded at once would cost more than the
// list: on a first import every service is news.
void sortFolded(std::vector<NewsEntry> &entries)
{
    constexpr std::size_t kPrefixUnits = 16;
    constexpr std::size_t kPrefixWords = kPrefixUnits / 4;
    struct Slot {
        quint64 prefix[kPrefixWords];
        std::uint32_t index;
    };
    // Satellites are few and their names short: each is folded once.
    std::unordered_map<const TSatelite *, std::u16string> satelites;
    const auto foldedSatelite = [&](const TSatelite *sat) -> const std::u16string & {
        auto [it, made] = satelites.try_emplace(sat);
        if (made)
            appendFoldedText(sat->Name, it->second);
        return it->second;
    };
    // The folded line, or its start: a name is folded only as far as the
    // start needs, a surrogate pair whole.
    const auto fold = [&](const NewsEntry &entry, std::u16string &out, qsizetype upTo) {
        out.clear();
        qsizetype nameUnits = std::min(entry.nameSize, upTo);
        if (nameUnits < entry.nameSize && nameUnits > 0
            && QChar::isHighSurrogate(entry.name[nameUnits - 1].unicode()))
            ++nameUnits;
        appendFoldedText(QStringView(entry.name, nameUnits), out);
        if (qsizetype(out.size()) < upTo) {
            out += u';';
            out += foldedSatelite(entry.satelite);
        }
    };

    std::u16string line;
    std::vector<Slot> ordered(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        fold(entries[i], line, qsizetype(kPrefixUnits));
        Slot &slot = ordered[i];
        // Zero after the end puts a line before its longer namesakes; a real
        // U+0000 only ties, and the whole lines settle it.
        for (std::size_t u = 0; u < kPrefixUnits; ++u) {
            const quint64 unit = u < line.size() ? line[u] : 0;
            slot.prefix[u / 4] = (slot.prefix[u / 4] << 16) | unit;
        }
        slot.index = std::uint32_t(i);
    }
    const auto samePrefix = [](const Slot &a, const Slot &b) {
        return std::equal(std::begin(a.prefix), std::end(a.prefix), std::begin(b.prefix));
    };
    std::sort(ordered.begin(), ordered.end(), [](const Slot &a, const Slot &b) {
        for (std::size_t w = 0; w < kPrefixWords; ++w) {
            if (a.prefix[w] != b.prefix[w])
                return a.prefix[w] < b.prefix[w];
        }
        return a.index < b.index;
    });

    // Each group of tied starts, its lines folded whole into one buffer.
    std::vector<char16_t> folded;
    std::vector<std::size_t> starts;
    std::vector<std::uint32_t> group;
    for (std::size_t first = 0; first < ordered.size();) {
        std::size_t end = first + 1;
        while (end < ordered.size() && samePrefix(ordered[first], ordered[end]))
            ++end;
        if (end - first > 1) {
            folded.clear();
            starts.clear();
            group.clear();
            for (std::size_t i = first; i < end; ++i) {
                fold(entries[ordered[i].index], line, std::numeric_limits<qsizetype>::max());
                starts.push_back(folded.size());
                folded.insert(folded.end(), line.begin(), line.end());
                group.push_back(std::uint32_t(i - first));
            }
            starts.push_back(folded.size());
            // Stable: ordered by index already, equal lines keep that order.
            std::stable_sort(group.begin(), group.end(), [&](std::uint32_t a, std::uint32_t b) {
                return std::lexicographical_compare(folded.begin() + std::ptrdiff_t(starts[a]),
                                                    folded.begin() + std::ptrdiff_t(starts[a + 1]),
                                                    folded.begin() + std::ptrdiff_t(starts[b]),
                                                    folded.begin() + std::ptrdiff_t(starts[b + 1]));
            });
            std::vector<Slot> sortedGroup;
            sortedGroup.reserve(group.size());
            for (const std::uint32_t g : group)
                sortedGroup.push_back(ordered[first + g]);
            std::copy(sortedGroup.begin(), sortedGroup.end(), ordered.begin() + std::ptrdiff_t(first));
        }
        first = end;
    }

    // The entries take their places where they are, each cycle of the order
    // followed once: a sorted copy beside them would be the peak of an open,
    // where every service is news.
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        if (ordered[i].index == i)
            continue;
        const NewsEntry first = entries[i];
        std::size_t to = i;
        for (std::size_t from = ordered[to].index; from != i; from = ordered[to].index) {
            entries[to] = entries[from];
            ordered[to].index = std::uint32_t(to);
            to = from;
        }
        entries[to] = first;
        ordered[to].index = std::uint32_t(to);
    }
}

void sortEntries(std::vector<NewsEntry> &entries)
{
    if (!textOrderCollates()) {
        sortFolded(entries);
        return;
    }
    LineView a;
    LineView b;
    std::stable_sort(entries.begin(), entries.end(), [&](const NewsEntry &x, const NewsEntry &y) {
        return compareText(a.of(x), b.of(y)) < 0;
    });
}

NewsEntries collectNews(const TServiceList &previous, TServiceList &next)
{
    NewsEntries news;
    PreviousIndex index(previous);
    // Against an empty list every service is new: room for them all is
    // taken at once, not doubled as they come, which would hold twice
    // their room for a moment on top of the list just read.
    if (index.isEmpty()) {
        std::size_t services = 0;
        for (int a = 0; a < next.Count(); ++a) {
            for (int t = 0; t < next.GetItem(a)->Count(); ++t)
                services += std::size_t(next.GetItem(a)->GetItem(t)->Count());
        }
        news.added.reserve(services);
    }
    std::vector<std::uint32_t> hashes;
    for (int a = 0; a < next.Count(); ++a) {
        const TSatelite *sat = next.GetItem(a);
        PreviousIndex::Group *group = index.groupNamed(sat->Name);
        for (int t = 0; t < sat->Count(); ++t) {
            const TTransponder *tp = sat->GetItem(t);
            const PreviousIndex::Transponder *own = index.findTransponder(*tp, group);
            // Without a satellite of its name nothing is looked up.
            hashes.assign(std::size_t(tp->Count()), 0);
            if (group)
                hashServices(*tp, hashes.data());
            for (int s = 0; s < tp->Count(); ++s) {
                TService *service = tp->GetItem(s);
                const std::uint32_t hash = hashes[std::size_t(s)];
                if (const int same = index.findExact(*service, hash, own); same >= 0) {
                    index.meet(same);
                } else if (const int moved = index.findMoved(*service, hash, group); moved >= 0) {
                    const TService &was = index.serviceNumbered(moved);
                    if (!was.IsData())
                        news.changed.push_back({&was, sat});
                    index.meet(moved);
                } else if (!service->IsData()) {
                    news.added.push_back({service, sat});
                    service->Marked = true;
                }
            }
        }
    }
    index.forEachUnmet([&](const TService *service, const TSatelite *sat) {
        if (!service->IsData())
            news.deleted.push_back({service, sat});
    });
    sortEntries(news.added);
    sortEntries(news.deleted);
    sortEntries(news.changed);
    return news;
}

QStringList linesOf(const std::vector<NewsEntry> &entries)
{
    QStringList lines;
    lines.reserve(qsizetype(entries.size()));
    LineView line;
    for (const NewsEntry &entry : entries) {
        const QString &text = line.written(entry);
        lines << QString(text.constData(), text.size());
    }
    return lines;
}

// Written in pieces of about this size, so the file is never held whole.
constexpr qsizetype kWriteChunk = 64 * 1024;

template <typename Lines>
bool saveLines(const Lines &lines, const QString &fileName)
{
    AtomicFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    LineView line;
    for (const auto &item : lines) {
        chunk += line.written(item).toUtf8();
        chunk += "\r\n";
        if (chunk.size() >= kWriteChunk) {
            if (file.write(chunk) != chunk.size())
                return false;
            chunk.resize(0);
        }
    }
    return file.write(chunk) == chunk.size() && file.commit();
}

template <typename Lines>
bool saveNews(const Lines &added, const Lines &deleted, const Lines &changed,
              const QString &folder, QString &errorText)
{
    errorText.clear();
    const std::pair<const Lines *, QString> files[] = {
        {&added, kNewServicesFile},
        {&deleted, kDeletedServicesFile},
        {&changed, kChangedServicesFile},
    };
    for (const auto &[lines, name] : files) {
        const QString fileName = QDir(folder).filePath(name);
        if (!saveLines(*lines, fileName)) {
            errorText = FormatMsg1(msg(MsgImportNewsNotWritten), QDir::toNativeSeparators(fileName));
            return false;
        }
    }
    return true;
}

} // namespace

QString newsField(QStringView text)
{
    if (writtenAsItIs(text))
        return text.toString();
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (const NewsEscape *escape = escapeFor(text, i))
            out += escape->text;
        else
            out += text[i];
    }
    return out;
}

QStringList readNewsLine(QStringView line)
{
    const auto readField = [](QStringView text) {
        QString out;
        out.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const NewsEscape *escape = text[i] == u'%' ? escapeAt(text, i) : nullptr;
            if (escape) {
                out += QChar(escape->character);
                i += escape->text.size() - 1;
            } else {
                out += text[i];
            }
        }
        return out;
    };
    const qsizetype at = line.indexOf(u';');
    if (at < 0)
        return {readField(line), QString()};
    return {readField(line.first(at)), readField(line.sliced(at + 1))};
}

ServiceDiff compareServiceLists(const TServiceList &previous, TServiceList &next)
{
    const NewsEntries news = collectNews(previous, next);
    return {linesOf(news.added), linesOf(news.deleted), linesOf(news.changed)};
}

bool saveServiceDiff(const ServiceDiff &diff, const QString &folder, QString &errorText)
{
    return saveNews(diff.newServices, diff.deletedServices, diff.changedServices, folder,
                    errorText);
}

bool WriteServiceDiff(const TServiceList &previous, TServiceList &next, QString &errorText,
                      const QString &folder)
{
    const NewsEntries news = collectNews(previous, next);
    return saveNews(news.added, news.deleted, news.changed, folder, errorText);
}
