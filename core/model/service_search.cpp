// Search and bulk edits over a whole service tree.
#include "core/model/service_list.h"

#include "core/model/save_handler.h"
#include "core/util/str_utils.h"
#include "core/util/text_compare.h"

int TServiceList::Find(const TService &serviceTemplate, const TTransponder &transponderTemplate,
                       const TSatelite &sateliteTemplate, bool useWildcards, TService *&service,
                       TTransponder *&transponder, TSatelite *&satelite)
{
    const auto upperMatches = [useWildcards](const QString &text, const QString &mask) {
        return strMatches(upperText(text), upperText(mask), useWildcards);
    };
    const auto &tt = transponderTemplate;
    return takeFirstUnmatched(
        [&](const TSatelite &sat) {
            return strMatches(sat.Name, sateliteTemplate.Name, useWildcards)
                && strMatches(sat.Diseqc, sateliteTemplate.Diseqc, useWildcards);
        },
        [&](const TTransponder &tp) {
            return upperMatches(tp.Tsid, tt.Tsid) && upperMatches(tp.Onid, tt.Onid)
                && upperMatches(tp.Frequency, tt.Frequency)
                && upperMatches(tp.Inversion, tt.Inversion)
                && upperMatches(tp.SymbolRate, tt.SymbolRate) && upperMatches(tp.Fec, tt.Fec)
                && upperMatches(tp.Polarization, tt.Polarization)
                && upperMatches(tp.Modulation, tt.Modulation);
        },
        [&](const TService &s) {
            return strMatches(s.Name, serviceTemplate.Name, useWildcards)
                && upperMatches(s.Sid, serviceTemplate.Sid)
                && upperMatches(s.GetServiceType(), serviceTemplate.GetServiceType());
        },
        service, transponder, satelite);
}

int TServiceList::RemoveObsolete()
{
    SaveHandler().SetModified();
    return m_satelites.sum([](TSatelite &s) { return s.RemoveObsolete(); });
}

int TServiceList::RemoveData()
{
    SaveHandler().SetModified();
    return m_satelites.sum([](TSatelite &s) { return s.RemoveData(); });
}

int TServiceList::RemoveUnbouqueted()
{
    SaveHandler().SetModified();
    return m_satelites.sum([](TSatelite &s) { return s.RemoveUnbouqueted(); });
}

void TServiceList::DeleteMarked()
{
    SaveHandler().SetModified();
    for (int i = 0; i < Count(); ++i)
        GetItem(i)->DeleteMarked();
}

void TServiceList::AddMarkedFrom(TServiceList &target, int action, bool matchByName,
                                 bool takeSourceName)
{
    SaveHandler().SetModified();
    if (&target == this)
        return;
    target.UnmarkAll();
    forEachService([&](TService *service, TTransponder *tp, TSatelite *sat) {
        if (!service->Marked)
            return;
        TService *targetService = nullptr;
        if (target.FindExact(*service, *tp, *sat, matchByName, true, targetService) < 0)
            target.AddServiceCopy(*service, *tp, *sat, targetService);
        targetService->SetAction(action);
        targetService->Marked = true;
        if (takeSourceName)
            targetService->Name = service->Name;
    });
}
