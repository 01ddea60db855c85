#include "core/zapit/import_news.h"

#include "core/model/service_list.h"
#include "core/util/messages.h"
#include "core/util/text_compare.h"

#include <QDir>
#include <QHash>
#include <QSaveFile>

#include <algorithm>

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
// name (exact) and id (case-insensitive) on any transponder.
struct MovedKey {
    QString satelite, name, sid;
    friend bool operator==(const MovedKey &, const MovedKey &) = default;
    friend size_t qHash(const MovedKey &k, size_t seed = 0)
    {
        return qHashMulti(seed, k.satelite, k.name, k.sid);
    }
};

MovedKey movedKey(const QString &sateliteName, const TService &s)
{
    return {sateliteName, s.Name, s.Sid.toCaseFolded()};
}

class PreviousIndex
{
public:
    explicit PreviousIndex(const TServiceList &list)
    {
        for (int a = 0; a < list.Count(); ++a) {
            const TSatelite *sat = list.GetItem(a);
            const bool firstOfName = !m_satelites.contains(sat->Name);
            if (firstOfName)
                m_satelites.insert(sat->Name, sat);
            for (int t = 0; t < sat->Count(); ++t) {
                const TTransponder *tp = sat->GetItem(t);
                if (firstOfName)
                    m_transponders.insert(transponderKey(sat, *tp), tp); // keeps the first
                for (int s = 0; s < tp->Count(); ++s) {
                    TService *service = tp->GetItem(s);
                    m_services.insert(serviceKey(tp, *service), service);
                    m_moved.insert(movedKey(sat->Name, *service), service);
                }
            }
        }
    }

    // The previous list's counterpart of a transponder of the new list, or null.
    const TTransponder *findTransponder(const TTransponder &tp, const QString &satName) const
    {
        const TSatelite *sat = m_satelites.value(satName);
        return sat ? m_transponders.value(transponderKey(sat, tp)) : nullptr;
    }

    TService *findExact(const TService &s, const TTransponder *own) const
    {
        return own ? m_services.value(serviceKey(own, s)) : nullptr;
    }

    TService *findMoved(const TService &s, const QString &satName) const
    {
        return m_moved.value(movedKey(satName, s));
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

    FirstWins<QString, const TSatelite *> m_satelites;
    FirstWins<TransponderKey, const TTransponder *> m_transponders;
    FirstWins<ServiceKey, TService *> m_services;
    FirstWins<MovedKey, TService *> m_moved;
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

ServiceDiff compareServiceLists(TServiceList &previous, TServiceList &next)
{
    ServiceDiff diff;
    previous.UnmarkAll();
    const PreviousIndex index(previous);
    for (int a = 0; a < next.Count(); ++a) {
        const TSatelite *sat = next.GetItem(a);
        for (int t = 0; t < sat->Count(); ++t) {
            const TTransponder *tp = sat->GetItem(t);
            const TTransponder *own = index.findTransponder(*tp, sat->Name);
            for (int s = 0; s < tp->Count(); ++s) {
                TService *service = tp->GetItem(s);
                if (TService *same = index.findExact(*service, own)) {
                    same->Marked = true;
                } else if (TService *moved = index.findMoved(*service, sat->Name)) {
                    if (!moved->IsData())
                        diff.changedServices << newsLine(*moved, *sat);
                    moved->Marked = true;
                } else if (!service->IsData()) {
                    diff.newServices << newsLine(*service, *sat);
                    service->Marked = true;
                }
            }
        }
    }
    previous.DeleteMarked();
    previous.forEachService([&](TService *service, TTransponder *, TSatelite *sat) {
        if (!service->IsData())
            diff.deletedServices << newsLine(*service, *sat);
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

bool WriteServiceDiff(TServiceList &previous, TServiceList &next, QString &errorText,
                      const QString &folder)
{
    errorText.clear();
    const ServiceDiff diff = compareServiceLists(previous, next);
    return saveServiceDiff(diff, folder, errorText);
}
