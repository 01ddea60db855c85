// Search and bulk edits over a whole service tree.
#include "core/model/service_list.h"

#include "core/model/save_handler.h"
#include "core/model/text_keys.h"
#include "core/util/str_utils.h"
#include "core/util/text_compare.h"

namespace {

QStringList templateTexts(const TService &service, const TTransponder &tp, const TSatelite &sat,
                          bool useWildcards)
{
    return {service.Name,  service.Sid,      service.GetServiceType(), tp.Tsid,
            tp.Onid,       tp.Frequency,     tp.Inversion,             tp.SymbolRate,
            tp.Fec,        tp.Polarization,  tp.Modulation,            sat.Name,
            sat.Diseqc,    useWildcards ? QStringLiteral("1") : QStringLiteral("0")};
}

// One text of a search template, made ready once for the many candidates it
// is tested against: upper-cased where the field compares upper-cased, and a
// plain "*" (every field the user did not fill in) lets everything through
// without a look at the candidate.
class TemplateText
{
public:
    TemplateText(const QString &mask, bool useWildcards, bool upperCased)
        : m_mask(upperCased && useWildcards ? upperText(mask) : mask),
          m_wildcards(useWildcards), m_upperCased(upperCased),
          m_any(useWildcards && mask == u"*")
    {
    }

    bool matches(const QString &text) const
    {
        if (m_any)
            return true;
        if (!m_wildcards)
            return m_upperCased ? sameUpperText(text, m_mask) : text == m_mask;
        return m_upperCased ? matchesWildcardUpper(text, m_mask) : matchesWildcard(text, m_mask);
    }

private:
    QString m_mask;
    bool m_wildcards;
    bool m_upperCased;
    bool m_any;
};

} // namespace

bool TServiceList::resumes(const SearchRun &run) const
{
    if (!run.valid || run.generation != ModelGeneration())
        return false;
    const TreePosition &p = run.position;
    if (!run.lastFound)
        return p.satelite == m_satelites.count(); // the run had reached the end
    // Belt and braces: the service last returned still stands where it stood.
    if (p.satelite >= m_satelites.count())
        return false;
    const TSatelite *sat = m_satelites.at(p.satelite);
    if (p.transponder >= sat->Count())
        return false;
    const TTransponder *tp = sat->GetItem(p.transponder);
    return p.service < tp->Count() && tp->GetItem(p.service) == run.lastFound;
}

int TServiceList::Find(const TService &serviceTemplate, const TTransponder &transponderTemplate,
                       const TSatelite &sateliteTemplate, bool useWildcards, TService *&service,
                       TTransponder *&transponder, TSatelite *&satelite)
{
    QStringList texts =
        templateTexts(serviceTemplate, transponderTemplate, sateliteTemplate, useWildcards);
    if (!resumes(m_searchRun) || m_searchRun.templateTexts != texts) {
        m_searchRun = {};
        m_searchRun.templateTexts = std::move(texts);
    }

    const auto exact = [useWildcards](const QString &mask) {
        return TemplateText(mask, useWildcards, false);
    };
    const auto upper = [useWildcards](const QString &mask) {
        return TemplateText(mask, useWildcards, true);
    };
    const auto &tt = transponderTemplate;
    const TemplateText satMasks[] = {exact(sateliteTemplate.Name), exact(sateliteTemplate.Diseqc)};
    const TemplateText tpMasks[] = {upper(tt.Tsid),       upper(tt.Onid),   upper(tt.Frequency),
                                    upper(tt.Inversion),  upper(tt.SymbolRate), upper(tt.Fec),
                                    upper(tt.Polarization), upper(tt.Modulation)};
    const TemplateText serviceMasks[] = {exact(serviceTemplate.Name), upper(serviceTemplate.Sid),
                                         upper(serviceTemplate.GetServiceType())};
    const int index = takeFirstUnmatched(
        [&](const TSatelite &sat) {
            return satMasks[0].matches(sat.Name) && satMasks[1].matches(sat.Diseqc);
        },
        [&](const TTransponder &tp) {
            return tpMasks[0].matches(tp.Tsid) && tpMasks[1].matches(tp.Onid)
                && tpMasks[2].matches(tp.Frequency) && tpMasks[3].matches(tp.Inversion)
                && tpMasks[4].matches(tp.SymbolRate) && tpMasks[5].matches(tp.Fec)
                && tpMasks[6].matches(tp.Polarization) && tpMasks[7].matches(tp.Modulation);
        },
        [&](const TService &s) {
            return serviceMasks[0].matches(s.Name) && serviceMasks[1].matches(s.Sid)
                && serviceMasks[2].matches(s.GetServiceType());
        },
        service, transponder, satelite, &m_searchRun.position);
    m_searchRun.valid = true;
    m_searchRun.lastFound = service;
    m_searchRun.generation = ModelGeneration();
    return index;
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

int TServiceList::RemoveUnbouqueted(const QSet<TServiceKey> &inUse)
{
    SaveHandler().SetModified();
    return m_satelites.sum([&](TSatelite &s) { return s.RemoveUnbouqueted(inUse); });
}

void TServiceList::DeleteMarked()
{
    SaveHandler().SetModified();
    for (int i = 0; i < Count(); ++i)
        GetItem(i)->DeleteMarked();
}

void TServiceList::AddMarkedFrom(TServiceList &target, int action, bool matchByIds,
                                 bool takeSourceName)
{
    SaveHandler().SetModified();
    if (&target == this)
        return;
    target.UnmarkAll();
    QHash<TServiceKey, TService *> entryOfIds;
    if (matchByIds) {
        target.forEachService([&](TService *entry, TTransponder *tp, TSatelite *) {
            const TServiceKey key(entry->Sid, tp->Tsid, tp->Onid);
            if (!entryOfIds.contains(key))
                entryOfIds.insert(key, entry);
        });
    }
    // A service is looked for under its transponder as the target's file
    // holds it, which is where AddServiceCopy files it.
    const TTransponder *heldOf = nullptr;
    std::unique_ptr<TTransponder> held;
    forEachService([&](TService *service, TTransponder *tp, TSatelite *sat) {
        if (!service->Marked)
            return;
        if (tp != heldOf) {
            held = target.heldTransponder(*tp);
            heldOf = tp;
        }
        TService *targetService = nullptr;
        if (matchByIds) {
            const TServiceKey key(service->Sid, tp->Tsid, tp->Onid);
            targetService = entryOfIds.value(key);
            if (!targetService) {
                target.AddServiceCopy(*service, *tp, *sat, targetService);
                entryOfIds.insert(key, targetService);
            }
        } else if (target.FindExact(*service, *held, *sat, false, true, targetService) < 0) {
            target.AddServiceCopy(*service, *tp, *sat, targetService);
        }
        targetService->SetAction(action);
        targetService->Marked = true;
        if (takeSourceName && targetService->Name != service->Name) {
            targetService->Name = service->Name;
            // A new name: the merge tables must not find it under the old one.
            NoteModelChange();
        }
    });
}
