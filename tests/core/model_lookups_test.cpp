// The model's look-ups that take shortcuts (a search going on from where it
// stopped, tables of long transponders, the my-services linking): random
// trees and edit sequences checked against the rules walked in full.
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/str_utils.h"
#include "core/util/text_compare.h"

#include "model_builders.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <random>
#include <set>

using namespace testing_model;

namespace {

struct Templates {
    TService service;
    TTransponder transponder;
    TSatelite satelite;
    bool useWildcards = true;
    Templates()
    {
        service.SetWildcards();
        transponder.SetWildcards();
        satelite.SetWildcards();
    }
};

// Where a service stands: "satellite/transponder/service" indexes.
QString placeOf(const TServiceList &list, const TService *service)
{
    if (!service)
        return QStringLiteral("-");
    for (int a = 0; a < list.Count(); ++a) {
        for (int t = 0; t < list.GetItem(a)->Count(); ++t) {
            const TTransponder *tp = list.GetItem(a)->GetItem(t);
            for (int s = 0; s < tp->Count(); ++s) {
                if (tp->GetItem(s) == service)
                    return QStringLiteral("%1/%2/%3").arg(a).arg(t).arg(s);
            }
        }
    }
    return QStringLiteral("?");
}

// The search as the rule states it: the whole tree from the first service.
QString referenceFind(TServiceList &list, const Templates &t)
{
    const bool w = t.useWildcards;
    const auto up = [w](const QString &text, const QString &mask) {
        return strMatches(upperText(text), upperText(mask), w);
    };
    const TTransponder &tt = t.transponder;
    for (int a = 0; a < list.Count(); ++a) {
        const TSatelite &sat = *list.GetItem(a);
        if (!strMatches(sat.Name, t.satelite.Name, w)
            || !strMatches(sat.Diseqc, t.satelite.Diseqc, w))
            continue;
        for (int i = 0; i < sat.Count(); ++i) {
            const TTransponder &tp = *sat.GetItem(i);
            if (!up(tp.Tsid, tt.Tsid) || !up(tp.Onid, tt.Onid) || !up(tp.Frequency, tt.Frequency)
                || !up(tp.Inversion, tt.Inversion) || !up(tp.SymbolRate, tt.SymbolRate)
                || !up(tp.Fec, tt.Fec) || !up(tp.Polarization, tt.Polarization)
                || !up(tp.Modulation, tt.Modulation))
                continue;
            for (int s = 0; s < tp.Count(); ++s) {
                TService &service = *tp.GetItem(s);
                if (service.Matched || !strMatches(service.Name, t.service.Name, w)
                    || !up(service.Sid, t.service.Sid)
                    || !up(service.GetServiceType(), t.service.GetServiceType()))
                    continue;
                service.Matched = true;
                return placeOf(list, &service);
            }
        }
    }
    return QStringLiteral("-");
}

QString find(TServiceList &list, const Templates &t)
{
    TService *s = nullptr;
    TTransponder *tp = nullptr;
    TSatelite *sat = nullptr;
    const int index = list.Find(t.service, t.transponder, t.satelite, t.useWildcards, s, tp, sat);
    const QString place = placeOf(list, s);
    EXPECT_EQ(index >= 0, s != nullptr);
    if (s) {
        EXPECT_EQ(tp->GetItem(index), s);
        int satIndex = 0;
        while (satIndex < list.Count() && list.GetItem(satIndex) != sat)
            ++satIndex;
        EXPECT_TRUE(place.startsWith(QStringLiteral("%1/").arg(satIndex))) << place.toStdString();
    } else {
        EXPECT_EQ(tp, nullptr);
        EXPECT_EQ(sat, nullptr);
    }
    return place;
}

std::vector<Sat> randomTree(std::mt19937 &random)
{
    std::uniform_int_distribution<int> pick(0, 3);
    static const char *const kNames[] = {"ARD", "ard", "ZDF", "Arte"};
    std::vector<Sat> sats;
    const int satCount = 1 + pick(random) % 3;
    for (int a = 0; a < satCount; ++a) {
        Sat sat{QStringLiteral("Sat %1").arg(a), {}};
        const int tps = pick(random);
        for (int t = 0; t < tps; ++t) {
            Tp tp{pick(random) == 0 ? QStringLiteral("00ab") : QStringLiteral("00AB"),
                  QStringLiteral("0085"), QString::number(11000 + a * 10 + t), {}};
            const int services = pick(random) * 2;
            for (int s = 0; s < services; ++s) {
                tp.services.push_back({QString::fromLatin1(kNames[pick(random)]),
                                       QStringLiteral("00%1").arg(s, 2, 16, QLatin1Char('0')),
                                       pick(random) == 0 ? "02" : "01"});
            }
            sat.transponders.push_back(tp);
        }
        sats.push_back(sat);
    }
    return sats;
}

std::vector<Templates> someTemplates()
{
    std::vector<Templates> all(6);
    all[1].service.Name = "A*";
    all[2].service.Name = "ard";
    all[2].useWildcards = false; // the other fields are then "*" literally: no hits
    all[3].transponder.Tsid = "00ab";
    all[3].service.SetServiceType("01");
    all[4].service.Name = "?R?";
    all[4].satelite.Name = "Sat 1";
    // Every field given, no wildcards: ids and tuning texts in other capitals.
    Templates &exact = all[5];
    exact.useWildcards = false;
    exact.service.Name = "ARD";
    exact.service.Sid = "0002";
    exact.service.SetServiceType("01");
    exact.transponder.Tsid = "00aB";
    exact.transponder.Onid = "0085";
    exact.transponder.Frequency = "11000";
    exact.transponder.Inversion = exact.transponder.SymbolRate = exact.transponder.Fec = "0";
    exact.transponder.Polarization = exact.transponder.Modulation = "0";
    exact.satelite.Name = "Sat 0";
    exact.satelite.Diseqc = "0";
    return all;
}

// The same edits and searches on two copies of a tree: one searched by Find,
// one by the full walk. Edits report to the save handler first, as every
// editing command of the program does.
TEST(ModelSearchRuns, FindGoesOnWhereItStoppedWithTheSameResults)
{
    std::mt19937 random(1234);
    const auto templates = someTemplates();
    for (int round = 0; round < 300; ++round) {
        const auto tree = randomTree(random);
        auto searched = makeList(tree);
        auto walked = makeList(tree);
        for (int step = 0; step < 40; ++step) {
            const int what = std::uniform_int_distribution<int>(0, 19)(random);
            const auto services = [&](TServiceList &l) {
                std::vector<TService *> all;
                l.forEachService(
                    [&](TService *s, TTransponder *, TSatelite *) { all.push_back(s); });
                return all;
            };
            const auto a = services(*searched);
            const auto b = services(*walked);
            const std::size_t victim =
                a.empty() ? 0 : std::uniform_int_distribution<std::size_t>(0, a.size() - 1)(random);
            if (what == 0) {
                searched->ResetMatched();
                walked->ResetMatched();
            } else if (what == 1 && !a.empty()) {
                // A service renamed (for example in its properties dialog).
                SaveHandler().SetModified();
                a[victim]->Name = b[victim]->Name = "Arte";
            } else if (what == 2 && !a.empty()) {
                a[victim]->Marked = b[victim]->Marked = true;
                searched->DeleteMarked();
                walked->DeleteMarked();
                searched->UnmarkAll();
                walked->UnmarkAll();
            } else if (what == 3 && searched->Count() > 0 && searched->GetItem(0)->Count() > 0) {
                // One transponder's flags reset on their own.
                searched->GetItem(0)->GetItem(0)->ResetMatched();
                walked->GetItem(0)->GetItem(0)->ResetMatched();
            } else {
                const Templates &t = templates[std::size_t(what) % templates.size()];
                ASSERT_EQ(find(*searched, t), referenceFind(*walked, t))
                    << "round " << round << " step " << step;
            }
        }
    }
}

TEST(ModelSearchRuns, EveryHitOnceInTreeOrderThenNoneUntilReset)
{
    std::vector<Sat> tree;
    for (int a = 0; a < 3; ++a) {
        Sat sat{QStringLiteral("S%1").arg(a), {}};
        for (int t = 0; t < 4; ++t) {
            Tp tp{QStringLiteral("000%1").arg(t), "0001", QString::number(11000 + t), {}};
            for (int s = 0; s < 5; ++s)
                tp.services.push_back(
                    {QStringLiteral("x%1").arg(s % 2), QStringLiteral("%1").arg(s)});
            sat.transponders.push_back(tp);
        }
        tree.push_back(sat);
    }
    auto list = makeList(tree);
    Templates odd;
    odd.service.Name = "x1";
    QStringList places;
    for (QString p = find(*list, odd); p != "-"; p = find(*list, odd))
        places << p;
    ASSERT_EQ(places.size(), 3 * 4 * 2);
    EXPECT_EQ(places.first(), "0/0/1");
    EXPECT_EQ(places[1], "0/0/3");
    EXPECT_EQ(places.last(), "2/3/3");
    EXPECT_EQ(find(*list, odd), "-");

    // Another search in between does not disturb the run's results.
    list->ResetMatched();
    EXPECT_EQ(find(*list, odd), "0/0/1");
    Templates any;
    EXPECT_EQ(find(*list, any), "0/0/0");
    EXPECT_EQ(find(*list, odd), "0/0/3");

    // A service renamed above the place the run reached is found next.
    SaveHandler().SetModified();
    list->GetItem(0)->GetItem(0)->GetItem(2)->Name = "x1";
    EXPECT_EQ(find(*list, odd), "0/0/2");

    // Another list swapped in starts over.
    auto other = makeList(tree);
    list->Swap(*other);
    EXPECT_EQ(find(*list, odd), "0/0/1");
}

// Adding with merge, as the readers add: a service equal to one already on
// the transponder (upper-cased id and type, exact name) is dropped for the
// first such one; long transponders take a table for it.
TEST(ModelMergeAdds, RepeatedServicesKeepTheFirstOccurrence)
{
    std::mt19937 random(77);
    std::uniform_int_distribution<int> pick(0, 5);
    for (int round = 0; round < 200; ++round) {
        TTransponder tp;
        std::vector<std::array<QString, 3>> kept; // the rule, on plain texts
        const int adds = std::uniform_int_distribution<int>(0, 200)(random);
        for (int i = 0; i < adds; ++i) {
            const QString sid = QStringLiteral("%1%2")
                                    .arg(pick(random) == 0 ? "a" : "A")
                                    .arg(std::uniform_int_distribution<int>(0, 60)(random));
            const QString type = pick(random) == 0 ? QStringLiteral("0c") : QStringLiteral("0C");
            const QString name = pick(random) == 0 ? QStringLiteral("n") : QStringLiteral("N");

            int expected = -1;
            for (std::size_t k = 0; k < kept.size() && expected < 0; ++k) {
                if (upperText(kept[k][0]) == upperText(sid)
                    && upperText(kept[k][1]) == upperText(type) && kept[k][2] == name)
                    expected = int(k);
            }
            auto service = makeService({name, sid, type});
            const TService *given = service.get();
            TService *inList = nullptr;
            const int index = tp.AddService(std::move(service), &inList);
            if (expected < 0) {
                kept.push_back({sid, type, name});
                ASSERT_EQ(index, int(kept.size()) - 1) << round;
                ASSERT_EQ(inList, given);
            } else {
                ASSERT_EQ(index, expected) << round << " " << sid.toStdString();
                ASSERT_EQ(inList, tp.GetItem(expected));
            }
        }
        ASSERT_EQ(std::size_t(tp.Count()), kept.size());
    }
}

TEST(ModelMergeAdds, EditsBetweenAddsAreSeen)
{
    TTransponder tp;
    for (int i = 0; i < 100; ++i)
        tp.AddService(makeService(
            {QStringLiteral("S%1").arg(i), QStringLiteral("%1").arg(i, 4, 16, QLatin1Char('0'))}));
    ASSERT_EQ(tp.Count(), 100);

    // A service edited in place now equals the one about to be added, and
    // comes before the older equal one.
    TService *edited = tp.GetItem(10);
    SaveHandler().SetModified();
    edited->Name = "S50";
    edited->Sid = "0032";
    TService *inList = nullptr;
    EXPECT_EQ(tp.AddService(makeService({"S50", "0032"}), &inList), 10);
    EXPECT_EQ(inList, edited);

    // Removed services no longer count, and the indexes after them move up.
    tp.GetItem(0)->Marked = true;
    tp.DeleteMarked();
    EXPECT_EQ(tp.AddService(makeService({"S99", "0063"}), &inList), 98);
    EXPECT_EQ(tp.AddService(makeService({"S0", "0000"}), &inList), 99);
    EXPECT_EQ(tp.Count(), 100);

    // Duplicate transponders in a file merge their services the same way.
    auto twice = makeList({{"A", {{"1", "1", "1", {{"a", "1"}, {"b", "2"}}},
                                  {"1", "1", "1", {{"b", "2"}, {"c", "3"}, {"a", "1"}}}}}});
    EXPECT_EQ(serviceNames(*twice), "a b c");
}

// Transponders equal but for case and inversion, holding a few services of
// few names, so that merges of transponders and of services are common.
Tp randomMergeTp(std::mt19937 &random)
{
    std::uniform_int_distribution<int> pick(0, 3);
    std::vector<Svc> services;
    for (int s = pick(random); s > 0; --s)
        services.push_back({QStringLiteral("n%1").arg(pick(random)), QStringLiteral("%1").arg(pick(random))});
    return Tp{pick(random) == 0 ? QStringLiteral("00ab") : QStringLiteral("00AB"),
              QString::number(pick(random)), QString::number(11000 + pick(random)), services,
              QString::number(pick(random) % 2)};
}

// The transponders with their texts and services, marks shown by "*"; with
// `origins`, each object by the name it was given before the adds.
QStringList describe(const TSatelite &sat, const std::map<const void *, QString> *origins = nullptr)
{
    const auto origin = [origins](const void *object) {
        return origins ? QStringLiteral("#") + origins->at(object) : QString();
    };
    QStringList lines;
    for (int t = 0; t < sat.Count(); ++t) {
        const TTransponder &tp = *sat.GetItem(t);
        QStringList names;
        tp.forEachService([&](const TService *s) {
            names.append(s->Name + u'/' + s->Sid + (s->Marked ? QStringLiteral("*") : QString())
                         + origin(s));
        });
        lines.append(QStringList{tp.Tsid, tp.Onid, tp.Frequency, tp.Inversion}.join(u' ')
                     + origin(&tp) + u':' + names.join(u','));
    }
    return lines;
}

// Equal transponders already there, as an edit or a plain append leaves them,
// and some with services that later ones merge into.
void addPresent(TSatelite &sat, const std::vector<Tp> &present)
{
    for (std::size_t i = 0; i < present.size(); ++i) {
        if (i % 2 == 0)
            sat.AddTransponder(*makeTransponder(present[i]));
        else
            sat.AddTransponder(makeTransponder(present[i]));
    }
}

// Names every transponder and service of the satellite by where it stands.
void nameObjects(const TSatelite &sat, const QString &prefix,
                 std::map<const void *, QString> &origins)
{
    for (int t = 0; t < sat.Count(); ++t) {
        const TTransponder *tp = sat.GetItem(t);
        origins[tp] = prefix + QString::number(t);
        for (int s = 0; s < tp->Count(); ++s)
            origins[tp->GetItem(s)] = prefix + QStringLiteral("%1.%2").arg(t).arg(s);
    }
}

// Marks a random quarter of the services, the same ones for the same seed
// on satellites of the same shape.
void markSome(TSatelite &sat, unsigned seed)
{
    std::mt19937 random(seed);
    for (int t = 0; t < sat.Count(); ++t) {
        for (int s = 0; s < sat.GetItem(t)->Count(); ++s)
            sat.GetItem(t)->GetItem(s)->Marked = random() % 4 == 0;
    }
}

// Many transponders at once merge as one by one: the same equal one found
// (upper-cased texts, the first of equal ones already there, inversion not
// compared), the same services handed over in the same order.
TEST(ModelMergeAdds, TranspondersAddedTogetherMergeAsOneByOne)
{
    std::mt19937 random(91);
    std::uniform_int_distribution<int> pick(0, 3);
    for (int round = 0; round < 100; ++round) {
        std::vector<Tp> present;
        for (int i = pick(random); i > 0; --i)
            present.push_back(randomMergeTp(random));
        TSatelite oneByOne;
        TSatelite together;
        addPresent(oneByOne, present);
        addPresent(together, present);
        std::vector<std::unique_ptr<TTransponder>> batch;
        for (int i = std::uniform_int_distribution<int>(0, 60)(random); i > 0; --i) {
            const Tp tp = randomMergeTp(random);
            oneByOne.AddTransponder(makeTransponder(tp));
            batch.push_back(makeTransponder(tp));
        }
        together.AddTransponders(std::move(batch));
        ASSERT_EQ(describe(together), describe(oneByOne)) << round;
    }
}

// Copies made by adding marked services go under the first transponder of
// their satellite equal to theirs, as a scan from the first would find it,
// whatever the adds before them made, the entries they renamed (names taken
// from the source) or the actions they set; only where none is equal is a
// transponder made.
TEST(ModelMergeAdds, CopiesGoUnderTheFirstEqualTransponder)
{
    std::mt19937 random(53);
    for (int round = 0; round < 100; ++round) {
        const bool matchByIds = round % 2 == 0;
        const bool takeSourceName = round % 4 < 2;
        std::vector<Tp> present;
        for (int i = std::uniform_int_distribution<int>(0, 40)(random); i > 0; --i)
            present.push_back(randomMergeTp(random));
        auto targetSat = std::make_unique<TSatelite>();
        targetSat->Name = QStringLiteral("Sat");
        addPresent(*targetSat, present);
        TServiceList target(ZapitKind::MyServices);
        target.AddSatelite(std::move(targetSat));
        const int presentCount = target.GetItem(0)->Count();
        std::set<const TService *> before;
        target.forEachService([&](TService *s, TTransponder *, TSatelite *) { before.insert(s); });

        auto sourceSat = std::make_unique<TSatelite>();
        sourceSat->Name = QStringLiteral("Sat");
        for (int i = std::uniform_int_distribution<int>(0, 60)(random); i > 0; --i)
            sourceSat->AddTransponder(makeTransponder(randomMergeTp(random)));
        markSome(*sourceSat, unsigned(random()));
        TServiceList source;
        source.AddSatelite(std::move(sourceSat));
        source.AddMarkedFrom(target, saAdd, matchByIds, takeSourceName);

        const TSatelite &sat = *target.GetItem(0);
        for (int t = 0; t < sat.Count(); ++t) {
            TTransponder *tp = sat.GetItem(t);
            TTransponder *first = nullptr;
            sat.FindTransponder(*tp, false, first);
            // Only the copies' places are chosen here; equal transponders
            // that were there before stay as they were.
            const bool madeHere = t >= presentCount;
            bool holdsCopies = false;
            tp->forEachService([&](const TService *s) { holdsCopies |= !before.count(s); });
            if (madeHere || holdsCopies) {
                ASSERT_EQ(first, tp) << round << " transponder " << t;
            }
        }
    }
}

// A satellite merged into an equal one hands its transponders over as added
// one by one from the last: the same merges, the same objects kept where
// they were (moved, not copied), marks as they were, and the links of
// bouquet entries to the moved services dropped while the target's stay.
TEST(ModelMergeAdds, MovedTranspondersMergeAsAddedOneByOneFromTheLast)
{
    std::mt19937 random(17);
    for (int round = 0; round < 100; ++round) {
        std::vector<Tp> present;
        for (int i = std::uniform_int_distribution<int>(0, 12)(random); i > 0; --i)
            present.push_back(randomMergeTp(random));
        std::vector<Tp> moved;
        for (int i = std::uniform_int_distribution<int>(0, 60)(random); i > 0; --i)
            moved.push_back(randomMergeTp(random));
        TSatelite oneByOne;
        TSatelite together;
        TSatelite source;
        addPresent(oneByOne, present);
        addPresent(together, present);
        for (const Tp &tp : moved)
            source.AddTransponder(makeTransponder(tp));
        // Equal ones on the source too, as an edit leaves them.
        if (source.Count() > 1)
            source.GetItem(1)->Tsid = source.GetItem(0)->Tsid.toLower();
        const unsigned marks = random();
        markSome(oneByOne, marks);
        markSome(together, marks);
        markSome(source, marks + 1);

        std::map<const void *, QString> origins;
        nameObjects(oneByOne, QStringLiteral("p"), origins);
        nameObjects(together, QStringLiteral("p"), origins);
        nameObjects(source, QStringLiteral("m"), origins);
        for (int t = source.Count() - 1; t >= 0; --t) {
            auto copy = copyWithServices(*source.GetItem(t));
            origins[copy.get()] = origins.at(source.GetItem(t));
            for (int s = 0; s < copy->Count(); ++s)
                origins[copy->GetItem(s)] = origins.at(source.GetItem(t)->GetItem(s));
            oneByOne.AddTransponder(std::move(copy));
        }

        std::vector<std::unique_ptr<TBouquetService>> entries;
        std::vector<TService *> staying;
        for (TSatelite *sat : {&together, &source}) {
            for (int t = 0; t < sat->Count(); ++t) {
                TTransponder *tp = sat->GetItem(t);
                tp->forEachService([&](TService *s) {
                    entries.push_back(std::make_unique<TBouquetService>());
                    entries.back()->SetLinks(s, tp, sat);
                    staying.push_back(sat == &together ? s : nullptr);
                });
            }
        }

        source.MoveTranspondersTo(together);
        EXPECT_EQ(source.Count(), 0);
        ASSERT_EQ(describe(together, &origins), describe(oneByOne, &origins)) << round;
        for (std::size_t i = 0; i < entries.size(); ++i)
            ASSERT_EQ(entries[i]->Service(), staying[i]) << round << " entry " << i;
    }
}

// A my-services tree against a services tree where names, transponders and
// ids repeat, so that "the first one" matters at every level.
struct LinkWorld {
    std::unique_ptr<TServiceList> services;
    std::unique_ptr<TServiceList> my;
};

LinkWorld randomLinkWorld(unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pick(0, 3);
    const auto tree = [&](bool isMy) {
        std::vector<Sat> sats;
        for (int a = 0; a < 3; ++a) {
            Sat sat{QStringLiteral("S%1").arg(pick(random) % 2), {}};
            for (int t = 0; t < 4; ++t) {
                Tp tp{pick(random) == 0 ? QStringLiteral("00ab") : QStringLiteral("00AB"),
                      QStringLiteral("0001"), QString::number(11000 + pick(random)), {},
                      QString::number(pick(random) % 2)};
                const int count = isMy ? 2 : 10;
                for (int s = 0; s < count; ++s) {
                    static const char *const kActions[] = {"add", "remove", "Replace", ""};
                    tp.services.push_back({QStringLiteral("n%1").arg(pick(random)),
                                           QStringLiteral("00%1").arg(pick(random) == 0 ? "a" : "A")
                                               + QString::number(pick(random) + pick(random)),
                                           "01", isMy ? kActions[pick(random)] : ""});
                }
                sat.transponders.push_back(tp);
            }
            sats.push_back(sat);
        }
        return makeList(sats);
    };
    LinkWorld world{tree(false), tree(true)};
    // Satellites of one name and transponders differing in case only exist
    // when edited after reading: make a few.
    if (world.services->Count() > 1 && pick(random) == 0)
        world.services->GetItem(1)->Name = world.services->GetItem(0)->Name;
    TSatelite *first = world.services->GetItem(0);
    if (first->Count() > 1)
        first->GetItem(1)->Tsid = first->GetItem(0)->Tsid.toLower();
    return world;
}

TEST(ModelMyServicesLinking, SameAsLookingUpEveryEntryInFull)
{
    for (unsigned seed = 0; seed < 300; ++seed) {
        LinkWorld world = randomLinkWorld(seed);
        world.my->forEachService([](TService *s, TTransponder *, TSatelite *) {
            s->Obsolete = s->Name == "n0"; // stale from an earlier linking
        });

        // The rule per entry: first satellite of the name, first transponder
        // with the seven texts upper-cased, first service with the id.
        std::vector<std::pair<const TService *, QString>> myActions;
        std::vector<bool> obsolete;
        world.my->forEachService([&](TService *entry, TTransponder *tp, TSatelite *sat) {
            const TService *target = nullptr;
            for (int a = 0; a < world.services->Count() && !target; ++a) {
                const TSatelite &own = *world.services->GetItem(a);
                if (own.Name != sat->Name)
                    continue;
                for (int t = 0; t < own.Count(); ++t) {
                    const TTransponder &o = *own.GetItem(t);
                    const auto same = [](const QString &x, const QString &y) {
                        return upperText(x) == upperText(y);
                    };
                    if (!same(o.Tsid, tp->Tsid) || !same(o.Onid, tp->Onid)
                        || !same(o.Frequency, tp->Frequency) || !same(o.SymbolRate, tp->SymbolRate)
                        || !same(o.Fec, tp->Fec) || !same(o.Polarization, tp->Polarization)
                        || !same(o.Modulation, tp->Modulation))
                        continue;
                    for (int s = 0; s < o.Count() && !target; ++s) {
                        if (same(o.GetItem(s)->Sid, entry->Sid))
                            target = o.GetItem(s);
                    }
                    break;
                }
                break;
            }
            if (target)
                myActions.push_back({target, entry->Action()});
            obsolete.push_back(!target && (entry->IsActionRemove() || entry->IsActionReplace()));
        });
        std::map<const TService *, QString> expectedMyAction;
        for (const auto &[service, action] : myActions)
            expectedMyAction[service] = action; // the last entry that found it wins

        world.services->LinkMyServices(*world.my);

        std::size_t i = 0;
        world.my->forEachService([&](TService *entry, TTransponder *, TSatelite *) {
            EXPECT_EQ(entry->Obsolete, obsolete[i++]) << seed << " " << entry->Name.toStdString();
        });
        world.services->forEachService([&](TService *s, TTransponder *, TSatelite *) {
            const auto it = expectedMyAction.find(s);
            EXPECT_EQ(s->MyAction(), it == expectedMyAction.end() ? QString() : it->second) << seed;
        });
    }
}

} // namespace
