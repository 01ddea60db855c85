#include "core/model/service_list.h"

#include "core/model/exact_lookup.h"
#include "core/model/save_handler.h"
#include "core/model/text_keys.h"
#include "core/util/str_utils.h"
#include "core/zapit/format_names.h"

TServiceList::TServiceList(ZapitKind kind)
    : FormatName(ServicesXMLFormatNames[1]), Kind(kind)
{
}

TSatelite *TServiceList::GetItem(int index) const
{
    return m_satelites.checkedAt(index);
}

void TServiceList::Swap(TServiceList &other)
{
    if (OnReplacing)
        OnReplacing();
    if (other.OnReplacing)
        other.OnReplacing();
    m_searchRun = {};
    other.m_searchRun = {};
    m_satelites.swap(other.m_satelites);
    m_mergeTable.reset();
    other.m_mergeTable.reset();
    std::swap(FormatName, other.FormatName);
    std::swap(Encoding, other.Encoding);
    std::swap(Format, other.Format);
    std::swap(FileUnread, other.FileUnread);
}

void TServiceList::Clear()
{
    if (OnReplacing)
        OnReplacing();
    SaveHandler().SetModified();
    m_mergeTable.reset();
    m_satelites.clear();
    FileUnread = false;
}

int TServiceList::FindSatelite(const TSatelite &templ, bool useWildcards,
                               TSatelite *&satelite) const
{
    for (int i = 0; i < m_satelites.count(); ++i) {
        if (strMatches(m_satelites.at(i)->Name, templ.Name, useWildcards)) {
            satelite = m_satelites.at(i);
            return i;
        }
    }
    satelite = nullptr;
    return -1;
}

int TServiceList::findEqualSatelite(const QString &name, TSatelite *&satelite)
{
    const int count = m_satelites.count();
    if (count < MergeTable::kScanBelow) {
        for (int i = 0; i < count; ++i) {
            if (m_satelites.at(i)->Name == name) {
                satelite = m_satelites.at(i);
                return i;
            }
        }
        satelite = nullptr;
        return -1;
    }
    const int index = m_mergeTable.find(
        count, exactTextHash(name),
        [this](int i) { return exactTextHash(m_satelites.at(i)->Name); },
        [this](int i, int j) { return m_satelites.at(i)->Name == m_satelites.at(j)->Name; },
        [&](int i) { return m_satelites.at(i)->Name == name; });
    satelite = index >= 0 ? m_satelites.at(index) : nullptr;
    return index;
}

int TServiceList::AddSatelite(std::unique_ptr<TSatelite> satelite, TSatelite **inList)
{
    SaveHandler().SetModified(ModelChange::Adding);
    QString key = satelite->Name;
    const int index = m_satelites.appendOrMerge(
        std::move(key), std::move(satelite), inList,
        [this](const TSatelite &s, TSatelite *&found) { return findEqualSatelite(s.Name, found); },
        [](TSatelite &given, TSatelite &existing) { given.MoveTranspondersTo(existing); });
    fileAppended(index);
    return index;
}

int TServiceList::AddSatelite(const TSatelite &satelite)
{
    SaveHandler().SetModified(ModelChange::Adding);
    const int index = m_satelites.append(satelite.Name, satelite.Clone());
    fileAppended(index);
    return index;
}

void TServiceList::fileAppended(int index)
{
    if (index != m_satelites.count() - 1)
        return; // merged into an entry that is filed already
    const QString &name = m_satelites.at(index)->Name;
    m_mergeTable.appended(exactTextHash(name), index, [&](int j) {
        return m_satelites.at(j)->Name == name;
    });
}

int TServiceList::FindExact(const TService &service, const TTransponder &transponder,
                            const TSatelite &satelite, bool compareName, bool compareType,
                            TService *&found) const
{
    TSatelite *own = nullptr;
    if (FindSatelite(satelite, false, own) < 0) {
        found = nullptr;
        return -1;
    }
    return own->FindServiceExact(service, transponder, compareName, compareType, found);
}

int TServiceList::FindMovedService(const TService &service, const QString &sateliteName,
                                   TService *&found) const
{
    for (int i = 0; i < m_satelites.count(); ++i) {
        if (m_satelites.at(i)->Name != sateliteName)
            continue;
        const int index = m_satelites.at(i)->FindServiceByNameSid(service, found);
        if (index >= 0)
            return index;
    }
    found = nullptr;
    return -1;
}

void TServiceList::LinkMyServices(TServiceList &myServiceList)
{
    // FindExact per entry, in two steps: where an entry is looked for depends
    // only on its transponder and satellite, so that is found once for all
    // entries of a transponder. Linking changes no text FindExact compares,
    // so the tables over this list stay good for the whole walk.
    // An entry names its service by what both files say of the transponder:
    // a satellite my-services file holds no modulation, a cable network's
    // services file no polarization.
    ExactLookup lookup(*this, writtenTransponderTexts(writtenDialect(*this))
                                  & writtenTransponderTexts(writtenDialect(myServiceList)));
    for (int a = 0; a < myServiceList.Count(); ++a) {
        const TSatelite &sat = *myServiceList.GetItem(a);
        for (int t = 0; t < sat.Count(); ++t) {
            const TTransponder &tp = *sat.GetItem(t);
            const TTransponder *own = lookup.transponderFor(tp, sat);
            for (int s = 0; s < tp.Count(); ++s) {
                TService *entry = tp.GetItem(s);
                const int found = own ? lookup.serviceBySid(*own, *entry) : -1;
                if (found >= 0) {
                    entry->Obsolete = false;
                    own->GetItem(found)->SetMyAction(entry->Action());
                } else {
                    // An "add" entry brings a service the receiver lacks: never obsolete.
                    entry->Obsolete = entry->IsActionRemove() || entry->IsActionReplace();
                }
            }
        }
    }
}

int TServiceList::AddServiceCopy(const TService &service, const TTransponder &transponder,
                                 const TSatelite &satelite, TService *&newService)
{
    // The copy holds only what this list's file keeps, as the transponder and
    // the satellite it is filed under do: the tree is the one a save and a
    // load give.
    auto copy = service.Clone();
    keepWrittenFields(writtenDialect(*this), *copy);
    return AddServiceAt(std::move(copy), transponder, satelite, newService);
}

std::unique_ptr<TTransponder> TServiceList::heldTransponder(const TTransponder &transponder) const
{
    auto held = transponder.Clone();
    keepWrittenFields(writtenDialect(*this), *held);
    return held;
}

std::pair<TSatelite *, TTransponder *> TServiceList::FindPlace(const TTransponder &transponder,
                                                               const QString &sateliteName)
{
    TSatelite *ownSat = nullptr;
    if (findEqualSatelite(sateliteName, ownSat) < 0)
        return {nullptr, nullptr};
    TTransponder *ownTp = nullptr;
    ownSat->findEqualTransponder(*heldTransponder(transponder), ownTp);
    return {ownSat, ownTp};
}

int TServiceList::AddServiceAt(std::unique_ptr<TService> service, const TTransponder &transponder,
                               const TSatelite &satelite, TService *&inList)
{
    // Each step below only adds, filing what it adds in its container's table.
    SaveHandler().SetModified(ModelChange::Adding);
    const auto [ownSat, ownTp] = FindPlace(transponder, satelite.Name);
    if (ownTp)
        return ownTp->AddService(std::move(service), &inList);
    // A transponder that kept a polarization a cable network's file leaves
    // out would stand beside the one the file makes of it as a second one,
    // with a second entry of the service that the next load merges away.
    auto tp = heldTransponder(transponder);
    tp->AddService(std::move(service), &inList);
    if (ownSat) {
        ownSat->AddTransponder(std::move(tp));
        return -1;
    }
    auto sat = satelite.Clone();
    keepWrittenFields(writtenDialect(*this), *sat);
    sat->AddTransponder(std::move(tp));
    return AddSatelite(std::move(sat));
}

void TServiceList::UnmarkAll()
{
    m_satelites.forEach([](TSatelite *s) { s->UnmarkAll(); });
}

void TServiceList::ResetMatched()
{
    m_searchRun = {};
    m_satelites.forEach([](TSatelite *s) { s->ResetMatched(); });
}

void TServiceList::UpdateClassAll()
{
    m_satelites.forEach([](TSatelite *s) { s->UpdateClassAll(); });
}

void TServiceList::ClearBouquetNames()
{
    m_satelites.forEach([](TSatelite *s) { s->ClearBouquetNames(); });
}
