#pragma once

// Compact builders for channel trees and bouquet lists used across the model
// tests, so each test states its world in a few lines.

#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"

#include "qt_print.h"

#include <QString>

#include <memory>
#include <vector>

namespace testing_model {

struct Svc {
    QString name;
    QString sid;
    QString type = QStringLiteral("01");
    QString action = {};
};

struct Tp {
    QString tsid;
    QString onid;
    QString frequency;
    std::vector<Svc> services;
    QString inversion = QStringLiteral("0");
};

struct Sat {
    QString name;
    std::vector<Tp> transponders;
    QString position = QStringLiteral("0");
};

inline std::unique_ptr<TService> makeService(const Svc &spec)
{
    auto s = std::make_unique<TService>();
    s->Name = spec.name;
    s->Sid = spec.sid;
    s->SetServiceType(spec.type);
    s->SetActionText(spec.action);
    return s;
}

inline std::unique_ptr<TTransponder> makeTransponder(const Tp &spec)
{
    auto t = std::make_unique<TTransponder>();
    t->Tsid = spec.tsid;
    t->Onid = spec.onid;
    t->Frequency = spec.frequency;
    t->Inversion = spec.inversion;
    for (const auto &s : spec.services)
        t->AddService(makeService(s));
    return t;
}

inline std::unique_ptr<TSatelite> makeSatelite(const Sat &spec)
{
    auto sat = std::make_unique<TSatelite>();
    sat->Name = spec.name;
    sat->Position = spec.position;
    for (const auto &t : spec.transponders)
        sat->AddTransponder(makeTransponder(t));
    return sat;
}

// Its fields and copies of its services as they stand, none merged, marks
// kept: what one by one would hand over where the transponder itself is not
// to be given away.
inline std::unique_ptr<TTransponder> copyWithServices(const TTransponder &tp)
{
    auto copy = tp.Clone();
    tp.forEachService([&](const TService *s) {
        copy->AddService(*s);
        copy->GetItem(copy->Count() - 1)->Marked = s->Marked;
    });
    return copy;
}

// Added the way the readers add: children first, every level with merge.
inline std::unique_ptr<TServiceList> makeList(const std::vector<Sat> &satelites)
{
    auto list = std::make_unique<TServiceList>();
    for (const auto &sat : satelites)
        list->AddSatelite(makeSatelite(sat));
    return list;
}

struct Entry {
    QString name;
    QString sid;
    QString tsid;
    QString onid;
};

struct Bqt {
    QString name;
    std::vector<Entry> entries;
};

inline std::unique_ptr<TBouquetList> makeBouquets(const std::vector<Bqt> &bouquets)
{
    auto list = std::make_unique<TBouquetList>();
    for (const auto &b : bouquets) {
        auto bouquet = std::make_unique<TBouquet>();
        bouquet->Name = b.name;
        for (const auto &e : b.entries) {
            auto entry = std::make_unique<TBouquetService>();
            entry->Name = e.name;
            entry->Sid = e.sid;
            entry->Tsid = e.tsid;
            entry->Onid = e.onid;
            bouquet->Add(std::move(entry));
        }
        list->Add(std::move(bouquet));
    }
    return list;
}

// Every service name of a tree, in tree order, joined by " ".
inline QString serviceNames(const TServiceList &list)
{
    QStringList names;
    list.forEachService([&](TService *s, TTransponder *, TSatelite *) { names << s->Name; });
    return names.join(u' ');
}

inline QString serviceNames(const TTransponder &tp)
{
    QStringList names;
    tp.forEachService([&](TService *s) { names << s->Name; });
    return names.join(u' ');
}

inline QString entryNames(const TBouquet &bouquet)
{
    QStringList names;
    for (int i = 0; i < bouquet.Count(); ++i)
        names << bouquet.GetItem(i)->Name;
    return names.join(u' ');
}

inline QString markedNames(const TBouquet &bouquet)
{
    QStringList names;
    for (int i = 0; i < bouquet.Count(); ++i) {
        if (bouquet.GetItem(i)->Marked)
            names << bouquet.GetItem(i)->Name;
    }
    return names.join(u' ');
}

inline TService *findService(const TServiceList &list, const QString &name)
{
    TService *found = nullptr;
    list.forEachService([&](TService *s, TTransponder *, TSatelite *) {
        if (!found && s->Name == name)
            found = s;
    });
    return found;
}

} // namespace testing_model
