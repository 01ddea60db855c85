#include "core/model/bouquet.h"

#include "core/model/first_match_index.h"
#include "core/model/linker.h"
#include "core/model/save_handler.h"
#include "core/model/service_key.h"
#include "core/model/service_list.h"
#include "core/model/text_keys.h"

#include <QSet>

#include <optional>
#include <vector>

TBouquetService *TBouquet::GetItem(int index) const
{
    return m_services.checkedAt(index);
}

void TBouquet::Clear()
{
    SaveHandler().SetModified();
    m_services.clear();
}

int TBouquet::Add(std::unique_ptr<TBouquetService> entry)
{
    SaveHandler().SetModified();
    const QString key = entry->Name;
    return m_services.append(key, std::move(entry));
}

int TBouquet::Add(const TBouquetService &entry)
{
    SaveHandler().SetModified();
    return m_services.append(entry.Name, entry.Clone());
}

int TBouquet::AddService(TService *service, TTransponder *transponder, TSatelite *satelite)
{
    SaveHandler().SetModified();
    auto entry = std::make_unique<TBouquetService>();
    entry->Name = service->Name;
    entry->Sid = service->Sid;
    entry->Tsid = transponder->Tsid;
    entry->Onid = transponder->Onid;
    entry->Position = satelite->Position;
    entry->SetLinks(service, transponder, satelite);
    entry->Marked = true;
    const QString key = entry->Name;
    return m_services.append(key, std::move(entry));
}

std::unique_ptr<TBouquet> TBouquet::Clone() const
{
    auto clone = std::make_unique<TBouquet>();
    clone->Name = Name;
    clone->Hidden = Hidden;
    clone->Locked = Locked;
    return clone;
}

int TBouquet::FindService(const TService &service, TService *&found) const
{
    for (int i = 0; i < m_services.count(); ++i) {
        TService *linked = m_services.at(i)->Service();
        if (linked && linked->Name == service.Name && linked->Sid == service.Sid
            && linked->GetServiceType() == service.GetServiceType()) {
            found = linked;
            return i;
        }
    }
    found = nullptr;
    return -1;
}

bool TBouquet::Link(const TServiceList &serviceList, const TServiceList &myServiceList)
{
    return linkBouquets({this}, serviceList, myServiceList, false);
}

bool TBouquet::LinkMarked(const TServiceList &serviceList, const TServiceList &myServiceList)
{
    std::vector<TEntryToLink> marked;
    m_services.forEach([&](TBouquetService *entry) {
        if (entry->Marked)
            marked.push_back({entry, &Name});
    });
    return marked.empty() || linkEntries(marked, serviceList, myServiceList);
}

int TBouquet::UpdateServiceReferences(const QString &name, const QString &sid,
                                      const QString &tsid, const QString &onid,
                                      const TService *service)
{
    SaveHandler().SetModified();
    int changed = 0;
    if (!service)
        return 0; // unlinked entries are not "linked to" anything
    m_services.forEach([&](TBouquetService *entry) {
        if (entry->Service() != service)
            return;
        entry->Name = name;
        entry->Sid = sid;
        entry->Tsid = tsid;
        entry->Onid = onid;
        entry->SetLinks(nullptr, nullptr, nullptr);
        ++changed;
    });
    return changed;
}

int TBouquet::RelinkAll(TServiceList &serviceList)
{
    int linked = 0;
    m_services.forEach([&](TBouquetService *entry) { linked += entry->RelinkByTemplate(serviceList); });
    return linked;
}

namespace {

// What FindService compares of two services: name, id and type, as texts.
bool sameIdentity(const TService &a, const TService &b)
{
    return a.Name == b.Name && a.Sid == b.Sid && a.GetServiceType() == b.GetServiceType();
}

// Names are long and ids short: the name takes Qt's hash, which reads many
// units a step.
std::size_t identityHash(const TService &s)
{
    return qHash(QStringView(s.Name), exactTextHash(s.Sid, exactTextHash(s.GetServiceType())));
}

// The services a bouquet's entries stand for, each identity once, and the
// ids the entries carry. An entry links by its ids, and the user's own entry
// of the same ids comes first: a receiver service that a "replace" entry
// renames is in the bouquet under that entry's name, and a second entry of
// the same ids would only link to the same service again.
//
// Both tables hold numbers and hashes only: a set of whole keys, three texts
// each, made anew for every entry of a large bouquet at every add, cost more
// than the adding itself. Nearly every key packs into one number; the rare
// textual ones go to a set of their own.
class PresentServices
{
public:
    explicit PresentServices(std::size_t expected)
    {
        m_identities.reserve(expected);
        m_services.reserve(expected);
        m_packedIndex.reserve(expected);
        m_packed.reserve(expected);
    }

    bool containsKey(const TServiceKey &key) const
    {
        if (!key.isPacked())
            return m_texts.contains(key);
        return m_packedIndex.find(packedHash(key.packed()), [&](int i) {
            return m_packed[std::size_t(i)] == key.packed();
        }) >= 0;
    }

    void addKey(const TServiceKey &key)
    {
        if (!key.isPacked()) {
            m_texts.insert(key);
            return;
        }
        m_packed.push_back(key.packed());
        const int index = int(m_packed.size()) - 1;
        if (m_packedIndex.insert(packedHash(key.packed()), index,
                                 [&](int i) { return m_packed[std::size_t(i)] == key.packed(); })
            != index)
            m_packed.pop_back(); // filed already
    }

    // Asks for what a look-up of the key and the identity will read.
    void prefetch(const TServiceKey &key, std::size_t identity) const
    {
        if (key.isPacked())
            m_packedIndex.prefetch(packedHash(key.packed()));
        m_identities.prefetch(identity);
    }

    // Files the service's identity (its identityHash given); false when one
    // like it was filed already.
    bool add(const TService &service, std::size_t identity)
    {
        m_services.push_back(&service);
        const int index = int(m_services.size()) - 1;
        const int filed = m_identities.insert(identity, index, [&](int i) {
            return sameIdentity(*m_services[std::size_t(i)], service);
        });
        if (filed == index)
            return true;
        m_services.pop_back();
        return false;
    }

private:
    static std::size_t packedHash(quint64 packed)
    {
        // The ids' low bits vary most; the multiply spreads them over the
        // bits the table takes its slot from.
        return std::size_t((packed * 0x9e3779b97f4a7c15ULL) >> 32);
    }

    std::vector<const TService *> m_services;
    FirstMatchIndex m_identities;
    std::vector<quint64> m_packed;
    FirstMatchIndex m_packedIndex;
    QSet<TServiceKey> m_texts;
};

// Adds each place forEachPlace hands over that is not in the bouquet yet.
template <typename ForEachPlace>
bool addAbsent(TBouquet &bouquet, std::size_t expected, ForEachPlace forEachPlace)
{
    SaveHandler().SetModified();
    bool added = false;
    bouquet.UnmarkAll();
    // FindService per service, without scanning the bouquet each time; made
    // on the first service, so adding none costs nothing.
    std::optional<PresentServices> present;
    // The places are taken a few at a time: their look-ups are asked for
    // together, then made one by one in their order.
    struct Pending {
        TService *service;
        TTransponder *transponder;
        TSatelite *satelite;
        TServiceKey key;
        std::size_t identity;
    };
    constexpr std::size_t kBatch = 16;
    std::vector<Pending> batch;
    batch.reserve(kBatch);
    const auto addBatch = [&] {
        for (const Pending &p : batch)
            present->prefetch(p.key, p.identity);
        for (const Pending &p : batch) {
            // The identity is filed only with the key: a service skipped for
            // its ids does not keep a later one of the same name out.
            if (present->containsKey(p.key) || !present->add(*p.service, p.identity))
                continue;
            present->addKey(p.key);
            bouquet.AddService(p.service, p.transponder, p.satelite);
            added = true;
        }
        batch.clear();
    };
    forEachPlace([&](TService *service, TTransponder *tp, TSatelite *sat) {
        if (!present) {
            present.emplace(std::size_t(bouquet.Count()) + expected);
            for (int i = 0; i < bouquet.Count(); ++i) {
                const TBouquetService *entry = bouquet.GetItem(i);
                if (const TService *linked = entry->Service())
                    present->add(*linked, identityHash(*linked));
                present->addKey(TServiceKey(entry->Sid, entry->Tsid, entry->Onid));
            }
        }
        batch.push_back({service, tp, sat, TServiceKey(service->Sid, tp->Tsid, tp->Onid),
                         identityHash(*service)});
        if (batch.size() == kBatch)
            addBatch();
    });
    addBatch();
    return added;
}

} // namespace

bool TBouquet::AddMarkedServices(const TServiceList &serviceList)
{
    return addAbsent(*this, 0, [&](auto add) {
        serviceList.forEachService([&](TService *service, TTransponder *tp, TSatelite *sat) {
            if (service->Marked)
                add(service, tp, sat);
        });
    });
}

bool TBouquet::AddServices(std::span<const TPlace> places)
{
    return addAbsent(*this, places.size(), [&](auto add) {
        for (const TPlace &place : places)
            add(place.service, place.transponder, place.satelite);
    });
}

void TBouquet::UnmarkAll()
{
    m_services.forEach([](TBouquetService *entry) { entry->Marked = false; });
}
