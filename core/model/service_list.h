#pragma once

#include "core/model/merge_table.h"
#include "core/model/owned_list.h"
#include "core/model/satelite.h"
#include "core/zapit/dialects.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

// The channel tree of one services, my-services or KingOfSat file.
class TServiceList
{
public:
    explicit TServiceList(ZapitKind kind = ZapitKind::Services);
    ~TServiceList() = default; // frees the tree; no unsaved-changes report
    TServiceList(const TServiceList &) = delete;
    TServiceList &operator=(const TServiceList &) = delete;

    QString FormatName;
    QString Encoding = QStringLiteral("UTF-8");
    quint16 Format = 1;
    // The file the list is written to; with Format it names the dialect,
    // which decides what of the tree a save keeps. It stays with the list
    // object when a list read aside replaces the content.
    const ZapitKind Kind;
    // The list stands for a working file that could not be read: it is
    // empty for want of reading, not by the user's choice, so a save leaves
    // that file as it is and an export asks before sending an empty list in
    // its place. Content that replaces the list (a load, an import, a
    // restore, Clear) or a save that writes it ends that.
    bool FileUnread = false;

    // Exchanges the whole content (tree, dialect, encoding) with another list,
    // so a list read aside can replace this one only once it is complete.
    void Swap(TServiceList &other);
    // Called before Swap or Clear frees the list's objects, so whatever shows
    // them lets go first; it stays with this list object through a Swap.
    std::function<void()> OnReplacing;

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
    // Where a service of `transponder` on the satellite named `sateliteName`
    // belongs: that satellite and, on it, the transponder that `transponder`
    // is once this list's file holds it (a cable network's file keeps no
    // polarization, a satellite's no modulation); null where there is none.
    std::pair<TSatelite *, TTransponder *> FindPlace(const TTransponder &transponder,
                                                     const QString &sateliteName);
    // Files the service at FindPlace's place, making the transponder and the
    // satellite where the list has none: they hold only what this list's file
    // keeps, so the tree is the one a save and a load give. An equal service
    // (name, id, type) already there stays and the given one is freed;
    // `inList` refers to the one in the list. The result as AddServiceCopy's.
    int AddServiceAt(std::unique_ptr<TService> service, const TTransponder &transponder,
                     const TSatelite &satelite, TService *&inList);

    void UnmarkAll();
    void ResetMatched();
    void UpdateClassAll();
    void ClearBouquetNames();

    int RemoveObsolete();
    int RemoveData();
    // Removes the services nothing uses: in no bouquet (valid after linking)
    // and with ids none of `inUse` (TBouquetList::ServiceKeysInUse) carries.
    int RemoveUnbouqueted(const QSet<TServiceKey> &inUse);
    void DeleteMarked();
    // Gives `target` an entry of every marked service, with `action`, and
    // marks those entries only. With matchByIds a service's entry is the
    // first of the target with its ids (service, transport stream and
    // network id), wherever it is filed and whatever its name: the receiver
    // keys its channels by them, so one entry per service. Otherwise it is
    // the service of equal id and type at its place in the target.
    void AddMarkedFrom(TServiceList &target, int action, bool matchByIds, bool takeSourceName);

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

    // A place in the tree: satellite, transponder and service indexes.
    struct TreePosition {
        int satelite = 0;
        int transponder = 0;
        int service = 0;
    };

    // The first service, in tree order from `from` on, that no search of this
    // run has returned yet and that satisfies the three level tests; it is
    // then flagged as returned and `from` set to it (past the end when there
    // is none). Returns its index within its transponder or -1.
    template <typename SatTest, typename TpTest, typename ServiceTest>
    int takeFirstUnmatched(SatTest satTest, TpTest tpTest, ServiceTest serviceTest,
                           TService *&service, TTransponder *&transponder,
                           TSatelite *&satelite, TreePosition *from = nullptr);

private:
    // Where the last Find stopped. Every service before that place that
    // matches the same templates has been returned already, so the next Find
    // with them goes on from there, instead of from the first service, as
    // long as nothing in the model changed in between (the model generation
    // says so) and no reset started a new run.
    struct SearchRun {
        bool valid = false;
        quint64 generation = 0;
        QStringList templateTexts; // and whether wildcards were on
        TreePosition position;
        const TService *lastFound = nullptr;
    };
    bool resumes(const SearchRun &run) const;
    // A clone of the transponder holding only what this list's file keeps.
    std::unique_ptr<TTransponder> heldTransponder(const TTransponder &transponder) const;
    // FindSatelite without wildcards, for the adds.
    int findEqualSatelite(const QString &name, TSatelite *&satelite);
    // Files the satellite at `index` in the merge table when it was appended there.
    void fileAppended(int index);

    OwnedList<TSatelite, false> m_satelites;
    MergeTable m_mergeTable; // by name
    SearchRun m_searchRun;
};

template <typename SatTest, typename TpTest, typename ServiceTest>
int TServiceList::takeFirstUnmatched(SatTest satTest, TpTest tpTest, ServiceTest serviceTest,
                                     TService *&service, TTransponder *&transponder,
                                     TSatelite *&satelite, TreePosition *from)
{
    const TreePosition start = from ? *from : TreePosition{};
    for (int a = start.satelite; a < m_satelites.count(); ++a) {
        TSatelite *sat = m_satelites.at(a);
        if (!satTest(*sat))
            continue;
        const bool startSat = a == start.satelite;
        for (int t = startSat ? start.transponder : 0; t < sat->Count(); ++t) {
            TTransponder *tp = sat->GetItem(t);
            if (!tpTest(*tp))
                continue;
            const bool startTp = startSat && t == start.transponder;
            for (int s = startTp ? start.service : 0; s < tp->Count(); ++s) {
                TService *candidate = tp->GetItem(s);
                if (candidate->Matched || !serviceTest(*candidate))
                    continue;
                candidate->Matched = true;
                service = candidate;
                transponder = tp;
                satelite = sat;
                if (from)
                    *from = {a, t, s};
                return s;
            }
        }
    }
    service = nullptr;
    transponder = nullptr;
    satelite = nullptr;
    if (from)
        *from = {m_satelites.count(), 0, 0};
    return -1;
}
