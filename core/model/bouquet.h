#pragma once

#include "core/model/bouquet_service.h"
#include "core/model/owned_list.h"

#include <memory>
#include <span>


// One bouquet: a named, ordered list of entries.
class TBouquet
{
public:
    TBouquet() = default;
    ~TBouquet() = default; // frees the entries; no unsaved-changes report
    TBouquet(const TBouquet &) = delete;
    TBouquet &operator=(const TBouquet &) = delete;

    QString Name;
    bool Marked = false;
    bool Moved = false;
    bool Hidden = false;
    bool Locked = false;
    // The bouquet whose entries the bouquet grid shows; at most one of a list
    // carries it, and a freed bouquet takes it along.
    bool InBouquetGrid = false;
    // The first row in view when the user left this bouquet (the entries
    // carry the rest of that choice).
    int KeptTopRow = 0;

    int Count() const { return m_services.count(); }
    int GetCount() const { return Count(); }
    TBouquetService *GetItem(int index) const;
    void Clear();

    QString GetHiddenText() const { return Hidden ? QStringLiteral("1") : QStringLiteral("0"); }
    QString GetLockedText() const { return Locked ? QStringLiteral("1") : QStringLiteral("0"); }

    // Takes the entry (no duplicate check).
    int Add(std::unique_ptr<TBouquetService> entry);
    // Appends a clone of the entry.
    int Add(const TBouquetService &entry);
    int AddService(TService *service, TTransponder *transponder, TSatelite *satelite);
    // Name and flags, no entries.
    std::unique_ptr<TBouquet> Clone() const;
    int FindService(const TService &service, TService *&found) const;
    bool Link(const TServiceList &serviceList, const TServiceList &myServiceList);
    // Links only the marked entries (those a command just added), as Link
    // would; the other entries and the services' other names stay.
    bool LinkMarked(const TServiceList &serviceList, const TServiceList &myServiceList);
    int UpdateServiceReferences(const QString &name, const QString &sid, const QString &tsid,
                                const QString &onid, const TService *service);

    int RelinkAll(TServiceList &serviceList);
    bool AddMarkedServices(const TServiceList &serviceList);
    // A service where it lives, as a row of a services grid shows it.
    struct TPlace {
        TService *service;
        TTransponder *transponder;
        TSatelite *satelite;
    };
    // Adds the services not yet in the bouquet, in the order given (the order
    // the user sees them in); the new entries are the marked ones.
    bool AddServices(std::span<const TPlace> places);
    // The marked entries, as one block, to just before the targetRow-th shown
    // entry (past the last: at the end); in the order `order` gives when it
    // holds exactly the marked entries, else in the order they stand.
    void MoveMarkedTo(int targetRow, std::span<TBouquetService *const> order = {});
    void MoveMarkedUp(int steps);
    void MoveMarkedDown(int steps);
    void SortByName();
    void SortByFrequency();
    void DeleteMarked();
    int RemoveObsolete();
    // How many entries RemoveObsolete would remove.
    int ObsoleteCount() const;
    int RemoveData();
    void UnmarkAll();

private:
    template <typename Pred>
    int removeEntries(Pred remove);

    OwnedList<TBouquetService> m_services;
};
