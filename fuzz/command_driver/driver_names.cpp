#include "driver_names.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/service_list.h"
#include "ui/program/program.h"

TNamedEntries namedEntries(const TProgram &program)
{
    TNamedEntries entries;
    QSet<TServiceKey> present;
    program.ServiceList->forEachService([&](const TService *s, const TTransponder *t, const TSatelite *) {
        const TServiceKey ids(s->Sid, t->Tsid, t->Onid);
        present.insert(ids);
        if (s->IsData())
            entries.dataIds.insert(ids);
    });
    program.MyServiceList->forEachService([&](const TService *s, const TTransponder *t, const TSatelite *a) {
        if (s->Obsolete)
            return;
        const TServiceKey ids(s->Sid, t->Tsid, t->Onid);
        present.insert(ids);
        entries.named.insert(s, {ids, QStringLiteral("my service %1 (%2 on %3)").arg(s->Name, s->Sid, a->Name)});
    });
    const TBouquetList &bouquets = *program.BouquetList;
    for (int b = 0; b < bouquets.Count(); ++b) {
        const TBouquet *bouquet = bouquets.GetItem(b);
        for (int i = 0; i < bouquet->Count(); ++i) {
            const TBouquetService *e = bouquet->GetItem(i);
            const TServiceKey ids(e->Sid, e->Tsid, e->Onid);
            if (present.contains(ids))
                entries.named.insert(e, {ids, QStringLiteral("bouquet entry %1/%2 (%3/%4/%5)")
                                                  .arg(bouquet->Name, e->Name, e->Sid, e->Tsid, e->Onid)});
        }
    }
    return entries;
}

QStringList lostNames(const TNamedEntries &before, const TProgram &program, bool dataMayGo,
                      const QSet<const void *> &changedOnPurpose)
{
    // Entries are compared by identity: one still in its list must name a
    // service if it did; one that went is not looked at.
    QSet<const void *> there;
    program.MyServiceList->forEachService([&](const TService *s, const TTransponder *, const TSatelite *) {
        there.insert(s);
    });
    const TBouquetList &bouquets = *program.BouquetList;
    for (int b = 0; b < bouquets.Count(); ++b) {
        const TBouquet *bouquet = bouquets.GetItem(b);
        for (int i = 0; i < bouquet->Count(); ++i)
            there.insert(bouquet->GetItem(i));
    }
    const TNamedEntries after = namedEntries(program);
    QStringList findings;
    for (auto it = before.named.cbegin(); it != before.named.cend(); ++it) {
        if (!there.contains(it.key()) || after.named.contains(it.key())
            || changedOnPurpose.contains(it.key()))
            continue;
        if (dataMayGo && before.dataIds.contains(it->ids))
            continue;
        findings.append(QStringLiteral("NAMES %1 named a service and names none now").arg(it->text));
    }
    return findings;
}
