#pragma once

#include "core/model/merge_table.h"
#include "core/model/owned_list.h"
#include "core/model/transponder.h"

#include <memory>
#include <vector>

// One satellite or cable network of a services list.
class TSatelite
{
public:
    TSatelite() = default;
    ~TSatelite() = default; // frees the transponders; no unsaved-changes report
    TSatelite(const TSatelite &) = delete;
    TSatelite &operator=(const TSatelite &) = delete;

    QString Name;
    QString Diseqc = QStringLiteral("0");
    QString Position = QStringLiteral("0");

    int Count() const { return m_transponders.count(); }
    TTransponder *GetItem(int index) const;
    void Clear();

    // Name, DiSEqC and position; no transponders.
    std::unique_ptr<TSatelite> Clone() const;
    void SetWildcards();

    int FindTransponder(const TTransponder &templ, bool useWildcards,
                        TTransponder *&transponder) const;
    // Takes the transponder; an equal one already here receives its services
    // and `*inList` then refers to that one.
    int AddTransponder(std::unique_ptr<TTransponder> transponder, TTransponder **inList = nullptr);
    int AddTransponder(const TTransponder &transponder);
    // Takes the transponders as AddTransponder one after another would.
    void AddTransponders(std::vector<std::unique_ptr<TTransponder>> transponders);

    int FindServiceExact(const TService &service, const TTransponder &transponder,
                         bool compareName, bool compareType, TService *&found) const;
    int FindServiceByNameSid(const TService &service, TService *&found) const;
    // Hands every transponder, the last first, to the target's adding with
    // merge; links of bouquet entries to their services are dropped.
    void MoveTranspondersTo(TSatelite &target);

    void UnmarkAll();
    void ResetMatched();
    void UpdateClassAll();
    void ClearBouquetNames();
    void MarkAll();

    int RemoveObsolete();
    int RemoveData();
    int RemoveUnbouqueted(const QSet<TServiceKey> &inUse);
    void DeleteMarked();

private:
    friend class TServiceList;

    // FindTransponder without wildcards, for the adds.
    int findEqualTransponder(const TTransponder &templ, TTransponder *&transponder);
    // Appends the transponder, or hands its services to an equal one here.
    int appendOrMerge(std::unique_ptr<TTransponder> transponder, TTransponder **inList);

    OwnedList<TTransponder, false> m_transponders;
    MergeTable m_mergeTable; // by the seven compared texts
};
