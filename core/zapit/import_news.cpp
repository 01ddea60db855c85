#include "core/zapit/import_news.h"

#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/text_compare.h"

#include <QDir>
#include <QHash>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Look-ups into the previous list, built once. Each key holds its first
// object in tree order, which is what a walk over the list would find, so
// the results equal those of the list's own find operations.

// A transponder is the same one when the seven fields the model compares
// agree without regard to case (inversion does not count).
struct TransponderKey {
    const TSatelite *satelite;
    QString tsid, onid, frequency, symbolRate, fec, polarization, modulation;
    friend bool operator==(const TransponderKey &, const TransponderKey &) = default;
    friend size_t qHash(const TransponderKey &k, size_t seed = 0)
    {
        return qHashMulti(seed, k.satelite, k.tsid, k.onid, k.frequency, k.symbolRate, k.fec,
                          k.polarization, k.modulation);
    }
};

TransponderKey transponderKey(const TSatelite *sat, const TTransponder &tp)
{
    return {sat, upperText(tp.Tsid), upperText(tp.Onid), upperText(tp.Frequency),
            upperText(tp.SymbolRate), upperText(tp.Fec), upperText(tp.Polarization),
            upperText(tp.Modulation)};
}

// A service is the same one on its transponder with equal id and type
// (case-insensitive) and an equal name (exact).
struct ServiceKey {
    const TTransponder *transponder;
    QString sid, type, name;
    friend bool operator==(const ServiceKey &, const ServiceKey &) = default;
    friend size_t qHash(const ServiceKey &k, size_t seed = 0)
    {
        return qHashMulti(seed, k.transponder, k.sid, k.type, k.name);
    }
};

ServiceKey serviceKey(const TTransponder *tp, const TService &s)
{
    return {tp, upperText(s.Sid), upperText(s.GetServiceType()), s.Name};
}

// A moved service: a satellite of the same name holding a service of the same
// name (exact) and id (case-insensitive) on any transponder. Satellites of one
// name are filed under the first of them.
struct MovedKey {
    const TSatelite *satelite;
    QString name, sid;
    friend bool operator==(const MovedKey &, const MovedKey &) = default;
    friend size_t qHash(const MovedKey &k, size_t seed = 0)
    {
        return qHashMulti(seed, k.satelite, k.name, k.sid);
    }
};

MovedKey movedKey(const TSatelite *firstOfName, const TService &s)
{
    return {firstOfName, s.Name, upperText(s.Sid)};
}

// The previous list, looked up by what makes a service "the same" or
// "moved". Services are numbered in tree order; the comparison records which
// numbers it met instead of changing the previous list, which stays as the
// caller gave it.
class PreviousIndex
{
public:
    struct Entry {
        TService *service;
        const TSatelite *satelite;
        const TSatelite *filedUnder; // the first satellite of its name
    };

    explicit PreviousIndex(const TServiceList &list)
    {
        qsizetype services = 0;
        list.forEachService([&](TService *, TTransponder *, TSatelite *) { ++services; });
        m_entries.reserve(std::size_t(services));
        m_services.reserve(services);
        for (int a = 0; a < list.Count(); ++a) {
            const TSatelite *sat = list.GetItem(a);
            const bool firstOfName = !m_satelites.contains(sat->Name);
            if (firstOfName)
                m_satelites.insert(sat->Name, sat);
            const TSatelite *filedUnder = m_satelites.value(sat->Name);
            for (int t = 0; t < sat->Count(); ++t) {
                const TTransponder *tp = sat->GetItem(t);
                if (firstOfName)
                    m_transponders.insert(transponderKey(sat, *tp), tp); // keeps the first
                for (int s = 0; s < tp->Count(); ++s) {
                    TService *service = tp->GetItem(s);
                    m_services.insert(serviceKey(tp, *service), int(m_entries.size()));
                    m_entries.push_back({service, sat, filedUnder});
                }
            }
        }
        m_met.assign(m_entries.size(), false);
    }

    // The first previous satellite of that name, under which all of that
    // name are filed; null when there is none.
    const TSatelite *sateliteNamed(const QString &name) const { return m_satelites.value(name); }

    // The previous list's counterpart of a transponder of the new list, or null.
    const TTransponder *findTransponder(const TTransponder &tp, const TSatelite *sat) const
    {
        return sat ? m_transponders.value(transponderKey(sat, tp)) : nullptr;
    }

    // The number of the same service on that transponder, or -1.
    int findExact(const TService &s, const TTransponder *own) const
    {
        return own ? m_services.value(serviceKey(own, s), -1) : -1;
    }

    int findMoved(const TService &s, const TSatelite *sat)
    {
        if (!sat)
            return -1;
        // Most services stay where they were: the second index is only made
        // once a service is not found in its place.
        if (!m_movedBuilt) {
            m_moved.reserve(qsizetype(m_entries.size()));
            for (std::size_t i = 0; i < m_entries.size(); ++i)
                m_moved.insert(movedKey(m_entries[i].filedUnder, *m_entries[i].service), int(i));
            m_movedBuilt = true;
        }
        return m_moved.value(movedKey(sat, s), -1);
    }

    const Entry &entry(int number) const { return m_entries[std::size_t(number)]; }
    void meet(int number) { m_met[std::size_t(number)] = true; }

    template <typename Fn>
    void forEachUnmet(Fn fn) const
    {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (!m_met[i])
                fn(m_entries[i]);
        }
    }

private:
    // QHash::insert replaces; the first object of a key must win.
    template <typename Key, typename Value>
    struct FirstWins : QHash<Key, Value> {
        void insert(const Key &key, Value value)
        {
            if (!this->contains(key))
                QHash<Key, Value>::insert(key, value);
        }
    };

    std::vector<Entry> m_entries;
    std::vector<bool> m_met;
    FirstWins<QString, const TSatelite *> m_satelites;
    FirstWins<TransponderKey, const TTransponder *> m_transponders;
    FirstWins<ServiceKey, int> m_services;
    FirstWins<MovedKey, int> m_moved;
    bool m_movedBuilt = false;
};

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

private:
    std::vector<QChar> m_buffer;
    QString m_view;
    const QChar *m_name = nullptr;
    const TSatelite *m_satelite = nullptr;
};

void sortEntries(std::vector<NewsEntry> &entries)
{
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
    for (int a = 0; a < next.Count(); ++a) {
        const TSatelite *sat = next.GetItem(a);
        const TSatelite *previousSat = index.sateliteNamed(sat->Name);
        for (int t = 0; t < sat->Count(); ++t) {
            const TTransponder *tp = sat->GetItem(t);
            const TTransponder *own = index.findTransponder(*tp, previousSat);
            for (int s = 0; s < tp->Count(); ++s) {
                TService *service = tp->GetItem(s);
                if (const int same = index.findExact(*service, own); same >= 0) {
                    index.meet(same);
                } else if (const int moved = index.findMoved(*service, previousSat); moved >= 0) {
                    const TService &was = *index.entry(moved).service;
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
    index.forEachUnmet([&](const PreviousIndex::Entry &e) {
        if (!e.service->IsData())
            news.deleted.push_back({e.service, e.satelite});
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
    for (const NewsEntry &entry : entries)
        lines << QString(line.of(entry).constData(), line.of(entry).size());
    return lines;
}

// Written in pieces of about this size, so the file is never held whole.
constexpr qsizetype kWriteChunk = 64 * 1024;

template <typename Lines>
bool saveLines(const Lines &lines, const QString &fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk;
    LineView line;
    for (const auto &item : lines) {
        chunk += line.of(item).toUtf8();
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
