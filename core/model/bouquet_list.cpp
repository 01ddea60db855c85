#include "core/model/bouquet_list.h"

#include <algorithm>
#include <cstdint>

#include "core/model/marked_moves.h"
#include "core/model/save_handler.h"
#include "core/model/linker.h"
#include "core/model/service_list.h"
#include "core/util/text_compare.h"
#include "core/zapit/format_names.h"

TBouquetList::TBouquetList()
    : FormatName(BouquetXMLFormatNames[4])
{
}

TBouquet *TBouquetList::GetItem(int index) const
{
    return m_bouquets.checkedAt(index);
}

void TBouquetList::Swap(TBouquetList &other)
{
    if (OnReplacing)
        OnReplacing();
    if (other.OnReplacing)
        other.OnReplacing();
    m_bouquets.swap(other.m_bouquets);
    std::swap(FormatName, other.FormatName);
    std::swap(Encoding, other.Encoding);
    std::swap(Format, other.Format);
    std::swap(FileUnread, other.FileUnread);
}

void TBouquetList::Clear()
{
    if (OnReplacing)
        OnReplacing();
    SaveHandler().SetModified();
    m_bouquets.clear();
    FileUnread = false;
}

int TBouquetList::IndexOf(const QString &name) const
{
    for (int i = 0; i < m_bouquets.count(); ++i) {
        if (sameText(m_bouquets.keyAt(i), name))
            return i;
    }
    return -1;
}

int TBouquetList::Add(std::unique_ptr<TBouquet> bouquet)
{
    SaveHandler().SetModified();
    const QString key = bouquet->Name;
    return m_bouquets.append(key, std::move(bouquet));
}

int TBouquetList::Add(const TBouquet &bouquet)
{
    SaveHandler().SetModified();
    return m_bouquets.append(bouquet.Name, bouquet.Clone());
}

int TBouquetList::AddNewBouquet(const QString &name, TBouquet *&bouquet)
{
    SaveHandler().SetModified();
    if (const int existing = IndexOf(name); existing >= 0) {
        bouquet = m_bouquets.at(existing);
        return -1;
    }
    UnmarkAll();
    auto created = std::make_unique<TBouquet>();
    created->Name = name;
    created->Marked = true;
    bouquet = created.get();
    return m_bouquets.append(name, std::move(created));
}

void TBouquetList::Delete(int index)
{
    SaveHandler().SetModified();
    if (index >= 0 && index < Count())
        m_bouquets.removeAt(index);
}

void TBouquetList::ClearBouquet(int index)
{
    SaveHandler().SetModified();
    if (index >= 0 && index < Count())
        m_bouquets.at(index)->Clear();
}

bool TBouquetList::RenameBouquet(TBouquet *bouquet, const QString &newName)
{
    SaveHandler().SetModified();
    // Also refuses a mere change of capitals: the name clashes with itself.
    if (IndexOf(newName) >= 0)
        return false;
    const int index = IndexOf(bouquet->Name);
    if (index < 0)
        return false;
    m_bouquets.setKey(index, newName);
    bouquet->Name = newName;
    return true;
}

void TBouquetList::Sort()
{
    // A new order is a change to save like any other: left unmarked, it
    // would be lost at the next start without a question.
    SaveHandler().SetModified();
    m_bouquets.sortByText();
}

bool TBouquetList::Link(TServiceList &serviceList, TServiceList &myServiceList)
{
    std::vector<TBouquet *> bouquets;
    bouquets.reserve(std::size_t(Count()));
    m_bouquets.forEach([&](TBouquet *bouquet) { bouquets.push_back(bouquet); });
    return linkBouquets(bouquets, serviceList, myServiceList, true);
}

int TBouquetList::UpdateServiceReferences(const QString &name, const QString &sid,
                                          const QString &tsid, const QString &onid,
                                          const TService *service)
{
    SaveHandler().SetModified();
    return m_bouquets.sum([&](TBouquet &bouquet) {
        return bouquet.UpdateServiceReferences(name, sid, tsid, onid, service);
    });
}

int TBouquetList::RelinkAll(TServiceList &serviceList)
{
    return m_bouquets.sum([&](TBouquet &bouquet) { return bouquet.RelinkAll(serviceList); });
}

QSet<TServiceKey> TBouquetList::ServiceKeysInUse(const TServiceList &myServiceList) const
{
    QSet<TServiceKey> keys;
    m_bouquets.forEach([&](const TBouquet *bouquet) {
        for (int i = 0; i < bouquet->Count(); ++i) {
            const TBouquetService *entry = bouquet->GetItem(i);
            keys.insert(TServiceKey(entry->Sid, entry->Tsid, entry->Onid));
        }
    });
    myServiceList.forEachService([&](const TService *entry, const TTransponder *tp, const TSatelite *) {
        keys.insert(TServiceKey(entry->Sid, tp->Tsid, tp->Onid));
    });
    return keys;
}

int TBouquetList::RemoveObsolete()
{
    SaveHandler().SetModified();
    return m_bouquets.sum([](TBouquet &bouquet) { return bouquet.RemoveObsolete(); });
}

int TBouquetList::ObsoleteCount() const
{
    int count = 0;
    for (int i = 0; i < Count(); ++i)
        count += GetItem(i)->ObsoleteCount();
    return count;
}

int TBouquetList::RemoveData()
{
    SaveHandler().SetModified();
    return m_bouquets.sum([](TBouquet &bouquet) { return bouquet.RemoveData(); });
}

void TBouquetList::UnmarkAll()
{
    m_bouquets.forEach([](TBouquet *bouquet) { bouquet->Marked = false; });
}

void TBouquetList::UnmarkAllServices()
{
    m_bouquets.forEach([](TBouquet *bouquet) { bouquet->UnmarkAll(); });
}

void TBouquetList::DeleteMarkedServices()
{
    SaveHandler().SetModified();
    m_bouquets.forEach([](TBouquet *bouquet) { bouquet->DeleteMarked(); });
}

namespace {

// The services a relisting looks for, as one flat table of addresses: the
// walk over every entry asks it once per entry.
class ServiceSet
{
public:
    explicit ServiceSet(const std::vector<TService *> &services)
    {
        std::size_t size = 16;
        while (size < services.size() * 2)
            size *= 2;
        m_slots.assign(size, nullptr);
        for (const TService *service : services) {
            std::size_t at = slotOf(service);
            while (m_slots[at] && m_slots[at] != service)
                at = (at + 1) & (m_slots.size() - 1);
            m_slots[at] = service;
        }
    }
    bool contains(const TService *service) const
    {
        for (std::size_t at = slotOf(service); m_slots[at]; at = (at + 1) & (m_slots.size() - 1)) {
            if (m_slots[at] == service)
                return true;
        }
        return false;
    }

private:
    std::size_t slotOf(const TService *service) const
    {
        const auto bits = std::uintptr_t(service);
        return std::size_t((bits >> 4) * 0x9E3779B97F4A7C15ull >> 20) & (m_slots.size() - 1);
    }
    std::vector<const TService *> m_slots;
};

} // namespace

void TBouquetList::RelistBouquetNames(const std::vector<TService *> &services)
{
    if (services.empty())
        return;
    const ServiceSet affected(services);
    for (TService *service : services)
        service->ClearBouquetNames();
    // Backwards, as the full link meets the entries of one service: of two
    // bouquet names that differ only in case, the same one is kept.
    for (int b = Count() - 1; b >= 0; --b) {
        const TBouquet *bouquet = m_bouquets.at(b);
        for (int i = bouquet->Count() - 1; i >= 0; --i) {
            TService *linked = bouquet->GetItem(i)->Service();
            if (linked && affected.contains(linked))
                linked->AddBouquetName(bouquet->Name);
        }
    }
}

bool TBouquetList::LinkNewEntries(TBouquet &bouquet, const TServiceList &serviceList,
                                  const TServiceList &myServiceList)
{
    const bool linked = bouquet.LinkMarked(serviceList, myServiceList);
    std::vector<TService *> services;
    for (int i = 0; i < bouquet.Count(); ++i) {
        const TBouquetService *entry = bouquet.GetItem(i);
        if (entry->Marked && entry->Service())
            services.push_back(entry->Service());
    }
    RelistBouquetNames(services);
    return linked;
}

void TBouquetList::DeleteMarked()
{
    SaveHandler().SetModified();
    const auto removal = m_bouquets.removeIf([](const TBouquet &b) { return b.Marked; });
    m_bouquets.markSuccessor(removal, [](TBouquet &b) { b.Marked = true; });
}

void TBouquetList::MoveMarkedTo(int targetIndex, std::span<TBouquet *const> order)
{
    SaveHandler().SetModified();
    // Past the last bouquet: to the end.
    if (Count() > 0)
        moveMarkedToIndex(m_bouquets, std::clamp(targetIndex, 0, Count()), order);
}

void TBouquetList::MoveMarkedUp(int steps)
{
    SaveHandler().SetModified();
    moveMarkedUp(m_bouquets, steps, [](const TBouquet &) { return true; });
}

void TBouquetList::MoveMarkedDown(int steps)
{
    SaveHandler().SetModified();
    moveMarkedDown(m_bouquets, steps, [](const TBouquet &) { return true; });
}
