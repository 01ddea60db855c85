#pragma once

#include "core/model/owned_list.h"
#include "core/model/satelite.h"

#include <memory>

// The channel tree of one services, my-services or KingOfSat file.
class TServiceList
{
public:
    TServiceList();
    ~TServiceList() = default; // frees the tree; no unsaved-changes report
    TServiceList(const TServiceList &) = delete;
    TServiceList &operator=(const TServiceList &) = delete;

    QString FormatName;
    QString Encoding = QStringLiteral("UTF-8");
    quint16 Format = 1;

    // Exchanges the whole content (tree, dialect, encoding) with another list,
    // so a list read aside can replace this one only once it is complete.
    void Swap(TServiceList &other);

    int Count() const { return m_satelites.count(); }
    TSatelite *GetItem(int index) const;
    void Clear();

    int FindSatelite(const TSatelite &templ, bool useWildcards, TSatelite *&satelite) const;
    // Takes the satellite; one of the same name already here receives its
    // transponders and `*inList` then refers to that one.
    int AddSatelite(std::unique_ptr<TSatelite> satelite, TSatelite **inList = nullptr);
    int AddSatelite(const TSatelite &satelite);

    int FindExact(const TService &service, const TTransponder &transponder,
                  const TSatelite &satelite, bool compareName, bool compareType,
                  TService *&found) const;
    // The next service matching all three templates that this search run has
    // not returned yet (ResetMatched starts a new run).
    int Find(const TService &serviceTemplate, const TTransponder &transponderTemplate,
             const TSatelite &sateliteTemplate, bool useWildcards, TService *&service,
             TTransponder *&transponder, TSatelite *&satelite);
    int FindMovedService(const TService &service, const QString &sateliteName,
                         TService *&found) const;
    void LinkMyServices(TServiceList &myServiceList);
    int AddServiceCopy(const TService &service, const TTransponder &transponder,
                       const TSatelite &satelite, TService *&newService);

    void UnmarkAll();
    void ResetMatched();
    void UpdateClassAll();
    void ClearBouquetNames();

    int RemoveObsolete();
    int RemoveData();
    int RemoveUnbouqueted();
    void DeleteMarked();
    void AddMarkedFrom(TServiceList &target, int action, bool matchByName, bool takeSourceName);

    // Calls fn(service, transponder, satelite) for every service in tree order.
    template <typename Fn>
    void forEachService(Fn fn) const
    {
        m_satelites.forEach([&](TSatelite *sat) {
            for (int t = 0; t < sat->Count(); ++t) {
                TTransponder *tp = sat->GetItem(t);
                for (int s = 0; s < tp->Count(); ++s)
                    fn(tp->GetItem(s), tp, sat);
            }
        });
    }

    // The first service, in tree order, that no search of this run has
    // returned yet and that satisfies the three level tests; it is then
    // flagged as returned. Returns its index within its transponder or -1.
    template <typename SatTest, typename TpTest, typename ServiceTest>
    int takeFirstUnmatched(SatTest satTest, TpTest tpTest, ServiceTest serviceTest,
                           TService *&service, TTransponder *&transponder,
                           TSatelite *&satelite);

private:
    OwnedList<TSatelite, false> m_satelites;
};

template <typename SatTest, typename TpTest, typename ServiceTest>
int TServiceList::takeFirstUnmatched(SatTest satTest, TpTest tpTest, ServiceTest serviceTest,
                                     TService *&service, TTransponder *&transponder,
                                     TSatelite *&satelite)
{
    for (int a = 0; a < m_satelites.count(); ++a) {
        TSatelite *sat = m_satelites.at(a);
        if (!satTest(*sat))
            continue;
        for (int t = 0; t < sat->Count(); ++t) {
            TTransponder *tp = sat->GetItem(t);
            if (!tpTest(*tp))
                continue;
            for (int s = 0; s < tp->Count(); ++s) {
                TService *candidate = tp->GetItem(s);
                if (candidate->Matched || !serviceTest(*candidate))
                    continue;
                candidate->Matched = true;
                service = candidate;
                transponder = tp;
                satelite = sat;
                return s;
            }
        }
    }
    service = nullptr;
    transponder = nullptr;
    satelite = nullptr;
    return -1;
}
