#include "core/zapit/import_news.h"

#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/text_compare.h"

#include <QDir>
#include <QHash>
#include <QSaveFile>

#include <algorithm>
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

QString newsLine(const TService &service, const TSatelite &satelite)
{
    return service.Name + u';' + satelite.Name;
}

void sortLines(QStringList &lines)
{
    std::stable_sort(lines.begin(), lines.end(),
                     [](const QString &a, const QString &b) { return compareText(a, b) < 0; });
}

bool saveLines(const QStringList &lines, const QString &fileName)
{
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

ServiceDiff compareServiceLists(const TServiceList &previous, TServiceList &next)
{
    ServiceDiff diff;
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
                        diff.changedServices << newsLine(was, *sat);
                    index.meet(moved);
                } else if (!service->IsData()) {
                    diff.newServices << newsLine(*service, *sat);
                    service->Marked = true;
                }
            }
        }
    }
    index.forEachUnmet([&](const PreviousIndex::Entry &e) {
        if (!e.service->IsData())
            diff.deletedServices << newsLine(*e.service, *e.satelite);
    });
    sortLines(diff.newServices);
    sortLines(diff.deletedServices);
    sortLines(diff.changedServices);
    return diff;
}

bool saveServiceDiff(const ServiceDiff &diff, const QString &folder, QString &errorText)
{
    errorText.clear();
    const std::pair<const QStringList *, QString> files[] = {
        {&diff.newServices, kNewServicesFile},
        {&diff.deletedServices, kDeletedServicesFile},
        {&diff.changedServices, kChangedServicesFile},
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

bool WriteServiceDiff(const TServiceList &previous, TServiceList &next, QString &errorText,
                      const QString &folder)
{
    errorText.clear();
    const ServiceDiff diff = compareServiceLists(previous, next);
    return saveServiceDiff(diff, folder, errorText);
}
