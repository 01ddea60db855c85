#include "core/model/bouquet_service.h"

#include "core/model/save_handler.h"
#include "core/model/service_key.h"
#include "core/model/service_list.h"
#include "core/model/text_keys.h"

#include <algorithm>

TBouquetService::~TBouquetService()
{
    SetLinks(nullptr, nullptr, nullptr);
}

void TBouquetService::SetLinks(TService *service, TTransponder *transponder, TSatelite *satelite)
{
    if (m_service == service) {
        m_transponder = service ? transponder : nullptr;
        m_satelite = service ? satelite : nullptr;
        return;
    }
    if (m_service) {
        // Out of the old service's chain, wherever in it: many entries may
        // name one service, and they are freed in any order.
        *m_linkToThis = m_nextOnService;
        if (m_nextOnService)
            m_nextOnService->m_linkToThis = m_linkToThis;
    }
    m_service = service;
    m_transponder = service ? transponder : nullptr;
    m_satelite = service ? satelite : nullptr;
    m_nextOnService = nullptr;
    m_linkToThis = nullptr;
    if (m_service) {
        m_nextOnService = m_service->m_firstLinkedEntry;
        if (m_nextOnService)
            m_nextOnService->m_linkToThis = &m_nextOnService;
        m_service->m_firstLinkedEntry = this;
        m_linkToThis = &m_service->m_firstLinkedEntry;
    }
}

TBouquetService *TBouquetService::forgetLinks()
{
    m_service = nullptr;
    m_transponder = nullptr;
    m_satelite = nullptr;
    m_linkToThis = nullptr;
    LinkState = lsUnresolved;
    return std::exchange(m_nextOnService, nullptr);
}

void TBouquetService::AssignTo(TBouquetService &target) const
{
    SaveHandler().SetModified();
    target.Name = Name;
    target.SetLinks(m_service, m_transponder, m_satelite);
    target.Sid = Sid;
    target.Tsid = Tsid;
    target.Onid = Onid;
    target.Position = Position;
    target.Marked = Marked;
    target.Moved = Moved;
    target.Shown = Shown;
}

std::unique_ptr<TBouquetService> TBouquetService::Clone() const
{
    auto clone = std::make_unique<TBouquetService>();
    AssignTo(*clone);
    return clone;
}

void TBouquetService::UpdateFromLinks()
{
    SaveHandler().SetModified();
    if (m_service) {
        Name = m_service->Name;
        Sid = m_service->Sid;
    }
    if (m_transponder) {
        Tsid = m_transponder->Tsid;
        Onid = m_transponder->Onid;
    }
}

void TBouquetService::linkTo(const Target &target, TLinkState state, const QString &bouquetName)
{
    TService *service = target.service;
    LinkState = state;
    SetLinks(service, target.transponder, target.satelite);
    // Relinking usually finds the name already shared with the service; an
    // assignment would still touch the text's reference count for nothing.
    if (!Name.isSharedWith(service->Name))
        Name = service->Name;
    service->AddBouquetName(bouquetName);
}

namespace {

TBouquetService::Target firstWithIds(const TServiceList &list, const TServiceKey &key)
{
    TBouquetService::Target found;
    list.forEachService([&](TService *service, TTransponder *tp, TSatelite *sat) {
        if (!found.service && TServiceKey(service->Sid, tp->Tsid, tp->Onid) == key)
            found = {service, tp, sat};
    });
    return found;
}

} // namespace

bool TBouquetService::Resolve(const TServiceList &serviceList, const TServiceList &myServiceList,
                              const QString &bouquetName)
{
    const TServiceKey key(Sid, Tsid, Onid);
    const Target inMyServices = firstWithIds(myServiceList, key);
    return ResolveFound(inMyServices.service ? Target{} : firstWithIds(serviceList, key),
                        inMyServices,
                   bouquetName);
}

bool TBouquetService::ResolveFound(const Target &inServices, const Target &inMyServices,
                              const QString &bouquetName)
{
    // The user's own entries take precedence over the receiver's list.
    if (inMyServices.service) {
        linkTo(inMyServices, lsMyServices, bouquetName);
        return true;
    }
    if (inServices.service) {
        linkTo(inServices, lsServices, bouquetName);
        return true;
    }
    LinkState = lsUnresolved;
    SetLinks(nullptr, nullptr, nullptr);
    return false;
}

int TBouquetService::GetTypeIconIndex() const
{
    return m_service ? m_service->GetTypeIconIndex() : 3;
}

bool TBouquetService::IsTv() const
{
    return m_service && m_service->TypeNumber() == 1u;
}

bool TBouquetService::IsRadio() const
{
    return m_service && m_service->TypeNumber() == 2u;
}

bool TBouquetService::IsData() const
{
    return m_service && !IsTv() && !IsRadio();
}

bool TBouquetService::IsFilteredOut(bool showTv, bool showRadio, bool showData,
                                    bool showObsolete, const QString &filterText) const
{
    if (!nameMatchesFilter(Name, filterText))
        return true;
    const bool shown = (IsTv() && showTv) || (IsRadio() && showRadio) || (IsData() && showData)
        || (!m_service && showObsolete);
    return !shown;
}

int TBouquetService::RelinkByTemplate(TServiceList &serviceList)
{
    SaveHandler().SetModified();
    if (m_service)
        return 0;
    TService *service = nullptr;
    TTransponder *transponder = nullptr;
    TSatelite *satelite = nullptr;
    const auto anySatelite = [](const TSatelite &) { return true; };
    const auto anyTransponder = [](const TTransponder &) { return true; };
    // The entry's own texts are values, not masks: a "*" in a name must only
    // find that very name.
    int found = serviceList.takeFirstUnmatched(
        anySatelite,
        [&](const TTransponder &tp) {
            return sameUpperText(tp.Tsid, Tsid) && sameUpperText(tp.Onid, Onid);
        },
        [&](const TService &s) { return sameUpperText(s.Sid, Sid); }, service, transponder,
        satelite);
    if (found < 0) {
        found = serviceList.takeFirstUnmatched(
            anySatelite, anyTransponder, [&](const TService &s) { return s.Name == Name; },
            service, transponder, satelite);
    }
    if (found < 0)
        return 0;
    SetLinks(service, transponder, satelite);
    UpdateFromLinks();
    return 1;
}
