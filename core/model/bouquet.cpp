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

std::size_t identityHash(const TService &s)
{
    return exactTextHash(s.Name, exactTextHash(s.Sid, exactTextHash(s.GetServiceType())));
}

// The services a bouquet's entries stand for, each identity once, and the
// ids the entries carry. An entry links by its ids, and the user's own entry
// of the same ids comes first: a receiver service that a "replace" entry
// renames is in the bouquet under that entry's name, and a second entry of
// the same ids would only link to the same service again.
class PresentServices
{
public:
    explicit PresentServices(std::size_t expected)
    {
        m_index.reserve(expected);
        m_keys.reserve(qsizetype(expected));
    }

    bool contains(const TService &service, const TServiceKey &key) const
    {
        return m_keys.contains(key) || m_index.find(identityHash(service), [&](int i) {
            return sameIdentity(*m_services[std::size_t(i)], service);
        }) >= 0;
    }

    void addKey(const TServiceKey &key) { m_keys.insert(key); }

    void add(const TService &service)
    {
        m_services.push_back(&service);
        const int index = int(m_services.size()) - 1;
        const int filed = m_index.insert(identityHash(service), index, [&](int i) {
            return sameIdentity(*m_services[std::size_t(i)], service);
        });
        if (filed != index)
            m_services.pop_back(); // one like it is there already
    }

private:
    std::vector<const TService *> m_services;
    FirstMatchIndex m_index;
    QSet<TServiceKey> m_keys;
};

} // namespace

bool TBouquet::AddMarkedServices(const TServiceList &serviceList)
{
    std::vector<TPlace> places;
    serviceList.forEachService([&](TService *service, TTransponder *tp, TSatelite *sat) {
        if (service->Marked)
            places.push_back({service, tp, sat});
    });
    return AddServices(places);
}

bool TBouquet::AddServices(std::span<const TPlace> places)
{
    SaveHandler().SetModified();
    bool added = false;
    UnmarkAll();
    // FindService per service, without scanning the bouquet each time; made
    // on the first service, so adding none costs nothing.
    std::optional<PresentServices> present;
    for (const TPlace &place : places) {
        if (!present) {
            present.emplace(std::size_t(m_services.count()));
            m_services.forEach([&](TBouquetService *entry) {
                if (const TService *linked = entry->Service())
                    present->add(*linked);
                present->addKey(TServiceKey(entry->Sid, entry->Tsid, entry->Onid));
            });
        }
        const TServiceKey key(place.service->Sid, place.transponder->Tsid, place.transponder->Onid);
        if (present->contains(*place.service, key))
            continue;
        AddService(place.service, place.transponder, place.satelite);
        present->add(*place.service);
        present->addKey(key);
        added = true;
    }
    return added;
}

void TBouquet::UnmarkAll()
{
    m_services.forEach([](TBouquetService *entry) { entry->Marked = false; });
}
