#pragma once

#include "core/model/bouquet.h"
#include "core/model/owned_list.h"
#include "core/model/service_key.h"

#include <QSet>

#include <functional>
#include <memory>
#include <vector>

// The bouquets of one bouquets file.
class TBouquetList
{
public:
    TBouquetList();
    ~TBouquetList() = default; // frees the bouquets; no unsaved-changes report
    TBouquetList(const TBouquetList &) = delete;
    TBouquetList &operator=(const TBouquetList &) = delete;

    QString FormatName;
    QString Encoding = QStringLiteral("UTF-8");
    quint16 Format = 4;
    // The list stands for a working file that could not be read: it is
    // empty for want of reading, not by the user's choice, so a save leaves
    // that file as it is and an export asks before sending an empty list in
    // its place. Content that replaces the list (a load, an import, a
    // restore, Clear) or a save that writes it ends that.
    bool FileUnread = false;

    // Exchanges the whole content (bouquets, dialect, encoding) with another
    // list, so a list read aside can replace this one once it is complete.
    void Swap(TBouquetList &other);
    // Called before Swap or Clear frees the list's objects, so whatever shows
    // them lets go first; it stays with this list object through a Swap.
    std::function<void()> OnReplacing;

    int Count() const { return m_bouquets.count(); }
    TBouquet *GetItem(int index) const;
    void Clear();

    // The bouquet whose name equals `name` ignoring case, or -1.
    int IndexOf(const QString &name) const;
    int Add(std::unique_ptr<TBouquet> bouquet);
    int Add(const TBouquet &bouquet);
    int AddNewBouquet(const QString &name, TBouquet *&bouquet);
    void Delete(int index);
    void ClearBouquet(int index);
    bool RenameBouquet(TBouquet *bouquet, const QString &newName);
    void Sort();
    // Rebuilds every service's bouquet names and resolves every entry; true
    // when all entries linked. Does not mark the model modified.
    bool Link(TServiceList &serviceList, TServiceList &myServiceList);
    int UpdateServiceReferences(const QString &name, const QString &sid, const QString &tsid,
                                const QString &onid, const TService *service);

    int RelinkAll(TServiceList &serviceList);
    // The ids of every service something names: each bouquet entry's, and
    // each my-services entry's. A bouquet entry linked to a my-services
    // entry still names the service of its ids, and the receiver looks the
    // service up by them.
    QSet<TServiceKey> ServiceKeysInUse(const TServiceList &myServiceList) const;
    int RemoveObsolete();
    int ObsoleteCount() const;
    int RemoveData();
    void UnmarkAll();
    void UnmarkAllServices();
    void DeleteMarkedServices();
    // After entries went: each of these services lists again exactly the
    // bouquets whose entries still link to it (what Link would give them),
    // without linking every list again.
    void RelistBouquetNames(const std::vector<TService *> &services);
    // After a command added entries to the bouquet (the marked ones): links
    // them and lists their services' bouquets again, as Link would.
    bool LinkNewEntries(TBouquet &bouquet, const TServiceList &serviceList,
                        const TServiceList &myServiceList);
    void DeleteMarked();
    // The marked bouquets, as one block, to just before the bouquet at
    // targetIndex (Count(): at the end), in the order `order` gives when it
    // holds exactly the marked ones.
    void MoveMarkedTo(int targetIndex, std::span<TBouquet *const> order = {});
    void MoveMarkedUp(int steps);
    void MoveMarkedDown(int steps);

private:
    OwnedList<TBouquet> m_bouquets;
};
