#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/zapit/writer.h"
#include "core/zapit/zapit_load.h"

#include "model_builders.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace testing_model;

namespace {

struct Templates {
    TService service;
    TTransponder transponder;
    TSatelite satelite;
    Templates()
    {
        service.SetWildcards();
        transponder.SetWildcards();
        satelite.SetWildcards();
    }
};

QStringList findAll(TServiceList &list, const Templates &t, bool useWildcards)
{
    QStringList found;
    TService *s = nullptr;
    TTransponder *tp = nullptr;
    TSatelite *sat = nullptr;
    while (list.Find(t.service, t.transponder, t.satelite, useWildcards, s, tp, sat) >= 0)
        found << s->Name;
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(tp, nullptr);
    EXPECT_EQ(sat, nullptr);
    return found;
}

TEST(ModelSearch, EveryServiceOnceThenAgainAfterReset)
{
    auto list = makeList({{"Astra", {{"0001", "0085", "11000", {{"A", "0001"}, {"B", "0002"}}}}},
                          {"Hotbird", {{"0002", "0085", "12000", {{"C", "0003"}}}}}});
    Templates any;
    EXPECT_EQ(findAll(*list, any, true), QStringList({"A", "B", "C"}));
    EXPECT_TRUE(findAll(*list, any, true).isEmpty());
    list->ResetMatched();
    EXPECT_EQ(findAll(*list, any, true).size(), 3);
}

TEST(ModelSearch, NamesAreCaseSensitiveIdsAreNot)
{
    auto list = makeList({{"Astra", {{"00AB", "0085", "11000", {{"ARTE", "0001"}, {"arte", "0002"}}}}}});
    Templates byName;
    byName.service.Name = "arte";
    EXPECT_EQ(findAll(*list, byName, false).size(), 0); // other fields are "*" literally
    EXPECT_EQ(findAll(*list, byName, true), QStringList({"arte"}));
    list->ResetMatched();

    Templates byTsid;
    byTsid.transponder.Tsid = "00ab";
    EXPECT_EQ(findAll(*list, byTsid, true), QStringList({"ARTE", "arte"}));
    list->ResetMatched();

    Templates exact;
    exact.service.Name = "ARTE";
    exact.service.Sid = "0001";
    exact.service.SetServiceType("01");
    exact.transponder.Tsid = "00ab";
    exact.transponder.Onid = "0085";
    exact.transponder.Frequency = "11000";
    exact.transponder.Inversion = exact.transponder.SymbolRate = exact.transponder.Fec = "0";
    exact.transponder.Polarization = exact.transponder.Modulation = "0";
    exact.satelite.Name = "Astra";
    exact.satelite.Diseqc = "0";
    EXPECT_EQ(findAll(*list, exact, false), QStringList({"ARTE"}));
}

TEST(ModelFilters, ServicesFilter)
{
    TService tv;
    tv.Name = "Das Erste";
    tv.SetServiceType("01");
    TService unnamed;
    unnamed.SetServiceType("02");
    const struct {
        const char *name;
        const TService *service;
        bool tv, radio, data;
        QString filter;
        bool hidden;
    } rows[] = {
        {"empty_filter_hides_named", &tv, true, true, true, "", true},
        {"empty_filter_shows_empty_name", &unnamed, true, true, true, "", false},
        {"star_shows_all", &tv, true, true, true, "*", false},
        {"filter_ignores_case", &tv, true, false, false, "das*", false},
        {"class_switch_off", &tv, false, true, true, "*", true},
        {"filter_miss", &tv, true, true, true, "ZDF*", true},
    };
    for (const auto &r : rows)
        EXPECT_EQ(r.service->IsFilteredOut(r.tv, r.radio, r.data, r.filter), r.hidden) << r.name;

    TService obsolete;
    obsolete.Name = "x";
    obsolete.Obsolete = true;
    EXPECT_TRUE(obsolete.IsFilteredOut(true, true, true, "*"));
}

TEST(ModelFilters, MyServicesFilter)
{
    const auto entry = [](const char *action, bool obsolete) {
        auto s = makeService({"Entry", "0001", "01", QString::fromLatin1(action)});
        s->Obsolete = obsolete;
        return s;
    };
    struct Switches {
        bool anti, my, replace, obsolete;
    };
    const struct {
        const char *name;
        const char *action;
        bool obsolete;
        Switches on;
        bool hidden;
    } rows[] = {
        {"remove_needs_anti", "remove", false, {false, true, true, true}, true},
        {"remove_with_anti", "remove", false, {true, false, false, false}, false},
        {"add_needs_my", "add", false, {true, false, true, true}, true},
        {"replace_needs_replace", "Replace", false, {true, true, false, true}, true},
        {"obsolete_remove_ignores_anti", "remove", true, {true, true, true, false}, true},
        {"obsolete_shown_with_obsolete", "remove", true, {false, false, false, true}, false},
        {"empty_action_always_shown", "", false, {false, false, false, false}, false},
    };
    for (const auto &r : rows) {
        const auto s = entry(r.action, r.obsolete);
        EXPECT_EQ(s->IsFilteredOutMy(true, true, true, r.on.anti, r.on.my, r.on.replace,
                                     r.on.obsolete, "*"),
                  r.hidden)
            << r.name;
    }
}

TEST(ModelFilters, BouquetEntryFilter)
{
    auto services = makeList({{"S", {{"0001", "0001", "1", {{"Radio", "0002", "02"}}}}}});
    TServiceList my;
    auto bouquets = makeBouquets({{"B", {{"", "0002", "0001", "0001"}, {"Lost", "0009", "0001", "0001"}}}});
    bouquets->Link(*services, my);
    const TBouquetService *radio = bouquets->GetItem(0)->GetItem(0);
    const TBouquetService *lost = bouquets->GetItem(0)->GetItem(1);
    EXPECT_FALSE(radio->IsFilteredOut(false, true, false, false, "*"));
    EXPECT_TRUE(radio->IsFilteredOut(true, false, true, true, "*"));
    EXPECT_TRUE(lost->IsFilteredOut(true, true, true, false, "*"));
    EXPECT_FALSE(lost->IsFilteredOut(false, false, false, true, "L*"));
    EXPECT_TRUE(lost->IsFilteredOut(false, false, false, true, ""));
}

TEST(ModelRemovals, CountAndKeepEmptyContainers)
{
    auto list = makeList({{"Astra",
                           {{"0001", "0085", "11000", {{"D1", "0001", "0C"}, {"D2", "0002", "99"}}},
                            {"0002", "0085", "11100", {{"TV", "0003", "01"}, {"D3", "0004", "00"}}}}}});
    EXPECT_EQ(list->RemoveData(), 3);
    ASSERT_EQ(list->GetItem(0)->Count(), 2);
    EXPECT_EQ(list->GetItem(0)->GetItem(0)->Count(), 0);
    EXPECT_EQ(serviceNames(*list), "TV");

    findService(*list, "TV")->Obsolete = true;
    EXPECT_EQ(list->RemoveUnbouqueted({}), 1);
    EXPECT_EQ(list->RemoveObsolete(), 0);
}

TEST(ModelRemovals, DeleteMarkedMarksTheNextService)
{
    const struct {
        const char *name;
        std::vector<int> marked;
        const char *left;
        const char *markedAfter;
    } rows[] = {
        {"last_two_of_five", {3, 4}, "s0 s1 s2", "s2"},
        {"middle_block", {1, 2}, "s0 s3 s4", "s3"},
        {"scattered", {0, 2}, "s1 s3 s4", "s1"},
        {"all", {0, 1, 2, 3, 4}, "", ""},
        {"none", {}, "s0 s1 s2 s3 s4", ""},
    };
    for (const auto &r : rows) {
        auto list = makeList({{"A", {{"1", "1", "1",
                                      {{"s0", "0"}, {"s1", "1"}, {"s2", "2"}, {"s3", "3"}, {"s4", "4"}}}}}});
        TTransponder *tp = list->GetItem(0)->GetItem(0);
        for (int i : r.marked)
            tp->GetItem(i)->Marked = true;
        list->DeleteMarked();
        EXPECT_EQ(serviceNames(*tp), QString::fromLatin1(r.left)) << r.name;
        QStringList marked;
        tp->forEachService([&](TService *s) {
            if (s->Marked)
                marked << s->Name;
        });
        EXPECT_EQ(marked.join(u' '), QString::fromLatin1(r.markedAfter)) << r.name;
    }
}

TEST(ModelCopies, AddMarkedFromBuildsTheMissingTree)
{
    auto source = makeList({{"Hotbird", {{"0005", "013E", "12000", {{"Rai", "0010"}, {"Rai 2", "0011"}}}}}});
    auto target = makeList({{"Astra", {{"0001", "0085", "11000", {{"A", "0001"}}}}}});
    findService(*target, "A")->Marked = true;
    findService(*source, "Rai 2")->Marked = true;
    source->AddMarkedFrom(*target, saReplace, true, false);
    ASSERT_EQ(target->Count(), 2);
    EXPECT_EQ(target->GetItem(1)->Name, "Hotbird");
    TService *copy = findService(*target, "Rai 2");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Action(), "replace");
    EXPECT_TRUE(copy->Marked);
    EXPECT_FALSE(findService(*target, "A")->Marked);

    // Found by ids only when names are not compared; the name is taken over on request.
    findService(*source, "Rai 2")->Name = "Rai Due";
    source->AddMarkedFrom(*target, saNone, false, true);
    EXPECT_EQ(copy->Name, "Rai Due");
    EXPECT_EQ(copy->Action(), "");
    EXPECT_EQ(target->GetItem(1)->GetItem(0)->Count(), 1);
}

// A copy into a list of the other kind holds what the target's file holds:
// no polarization in a cable network's my-services, no modulation in a
// satellite's, no position in either. What a save and a load of the target
// give is then the same tree, a second command finds its entry there again,
// and the entry names its service by what both files say.
TEST(ModelCopies, AddMarkedFromFilesCopiesAsTheTargetsFileHoldsThem)
{
    const struct {
        const char *label;
        quint16 sourceFormat, targetFormat;
        const char *polarization, *modulation;
        const char *diseqcKept, *polarizationKept, *modulationKept;
    } rows[] = {
        {"satellite into cable", 4, 2, "1", "0", "0", "0", "0"},
        {"cable into satellite", 2, 1, "0", "3", "2", "0", "0"},
        {"satellite into satellite", 4, 1, "1", "0", "2", "1", "0"},
        {"cable into cable", 2, 2, "0", "3", "0", "0", "3"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        auto source = makeList({{"Net", {{"0005", "013E", "12000", {{"Rai", "0010"}, {"Rai 2", "0011"}}}}, "130"}});
        source->Format = row.sourceFormat;
        TSatelite &sat = *source->GetItem(0);
        sat.Diseqc = "2";
        sat.GetItem(0)->Polarization = QLatin1String(row.polarization);
        sat.GetItem(0)->Modulation = QLatin1String(row.modulation);
        findService(*source, "Rai")->Marked = true;
        TServiceList target(ZapitKind::MyServices);
        target.Format = row.targetFormat;
        source->AddMarkedFrom(target, saAdd, true, false);

        ASSERT_EQ(target.Count(), 1);
        const TSatelite &copied = *target.GetItem(0);
        EXPECT_EQ(copied.Diseqc, QString::fromLatin1(row.diseqcKept));
        EXPECT_EQ(copied.Position, "0");
        ASSERT_EQ(copied.Count(), 1);
        EXPECT_EQ(copied.GetItem(0)->Polarization, QString::fromLatin1(row.polarizationKept));
        EXPECT_EQ(copied.GetItem(0)->Modulation, QString::fromLatin1(row.modulationKept));
        EXPECT_EQ(copied.GetItem(0)->Frequency, "12000");
        source->LinkMyServices(target);
        EXPECT_EQ(findService(*source, "Rai")->MyAction(), "add");

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("myservices.xml"));
        QString error;
        ASSERT_TRUE(writeZapitDialect(ZapitKind::MyServices, row.targetFormat, file, target.Encoding,
                                      error, target, defaultCreatorCaption()));
        TServiceList reloaded(ZapitKind::MyServices);
        ASSERT_TRUE(loadZapitFile(ZapitKind::MyServices, file, reloaded, error)) << qPrintable(error);
        source->AddMarkedFrom(reloaded, saReplace, true, false);
        source->AddMarkedFrom(target, saReplace, true, false);
        const auto entries = [](const TServiceList &list) {
            QStringList lines;
            list.forEachService([&](TService *s, TTransponder *t, TSatelite *a) {
                lines << QStringList{a->Name, a->Diseqc, a->Position, t->Tsid, t->Onid, t->Frequency,
                                     t->Inversion, t->SymbolRate, t->Fec, t->Polarization,
                                     t->Modulation, s->Sid, s->Name, s->Action()}
                             .join(u'|');
            });
            return lines;
        };
        EXPECT_EQ(entries(reloaded), entries(target));
        EXPECT_EQ(entries(reloaded).size(), 1);
    }
}

TEST(BouquetEdits, AddMarkedServicesSkipsThoseAlreadyThere)
{
    auto services = makeList({{"A", {{"1", "1", "1", {{"x", "01"}, {"y", "02"}}}}}});
    TServiceList my;
    auto bouquets = makeBouquets({{"B", {{"", "01", "1", "1"}}}});
    bouquets->Link(*services, my);
    TBouquet &b = *bouquets->GetItem(0);
    findService(*services, "x")->Marked = true;
    EXPECT_FALSE(b.AddMarkedServices(*services));
    EXPECT_EQ(b.Count(), 1);
    findService(*services, "y")->Marked = true;
    EXPECT_TRUE(b.AddMarkedServices(*services));
    ASSERT_EQ(b.Count(), 2);
    EXPECT_EQ(markedNames(b), "y");
    EXPECT_EQ(b.GetItem(1)->Service(), findService(*services, "y"));
}

// A bouquet of entries e0..eN, some hidden by the grid's filter, some marked.
std::unique_ptr<TBouquet> bouquetOf(int n, const std::vector<int> &hidden,
                                    const std::vector<int> &marked)
{
    auto b = std::make_unique<TBouquet>();
    for (int i = 0; i < n; ++i) {
        auto e = std::make_unique<TBouquetService>();
        e->Name = QStringLiteral("e%1").arg(i);
        e->Shown = std::find(hidden.begin(), hidden.end(), i) == hidden.end();
        e->Marked = std::find(marked.begin(), marked.end(), i) != marked.end();
        b->Add(std::move(e));
    }
    return b;
}

TEST(BouquetEdits, MoveMarkedTo)
{
    const struct {
        const char *name;
        std::vector<int> hidden, marked;
        int targetRow;
        const char *order;
    } rows[] = {
        {"two_up_to_top_keep_order", {}, {3, 4}, 0, "e3 e4 e0 e1 e2 e5"},
        {"two_down_land_above_the_row", {}, {0, 1}, 5, "e2 e3 e4 e0 e1 e5"},
        {"first_from_above_lands_above_the_row", {}, {1, 5}, 3, "e0 e2 e1 e5 e3 e4"},
        {"appended_new_dropped_on_a_row", {3, 4, 5}, {3, 4, 5}, 1, "e0 e3 e4 e5 e1 e2"},
        {"row_counts_shown_only", {0, 1}, {4}, 1, "e0 e1 e2 e4 e3 e5"},
        {"beyond_shown_rows_appends", {}, {0}, 99, "e1 e2 e3 e4 e5 e0"},
        {"beyond_with_hidden_rows", {3, 4, 5}, {1}, 3, "e0 e2 e3 e4 e5 e1"},
        {"nothing_marked", {}, {}, 0, "e0 e1 e2 e3 e4 e5"},
    };
    for (const auto &r : rows) {
        auto b = bouquetOf(6, r.hidden, r.marked);
        b->MoveMarkedTo(r.targetRow);
        EXPECT_EQ(entryNames(*b), QString::fromLatin1(r.order)) << r.name;
        QStringList expectedMarked;
        for (int i : r.marked)
            expectedMarked << QStringLiteral("e%1").arg(i);
        QStringList marked = markedNames(*b).split(u' ', Qt::SkipEmptyParts);
        std::sort(marked.begin(), marked.end());
        EXPECT_EQ(marked, expectedMarked) << r.name;
    }
}

TEST(BouquetEdits, MoveMarkedUpAndDown)
{
    const struct {
        const char *name;
        std::vector<int> hidden, marked;
        int steps; // negative: down
        const char *order;
    } rows[] = {
        {"block_up_one", {}, {2, 3}, 1, "e0 e2 e3 e1 e4"},
        {"up_skips_hidden", {1, 2}, {3}, 1, "e3 e0 e1 e2 e4"},
        {"up_stops_once_first_is_reached", {}, {1, 3}, 3, "e1 e0 e3 e2 e4"},
        {"first_marked_moves_nothing", {}, {0, 3}, 1, "e0 e1 e2 e3 e4"},
        {"nothing_visible_above", {0}, {1}, 1, "e0 e1 e2 e3 e4"},
        {"block_down_one", {}, {1, 2}, -1, "e0 e3 e1 e2 e4"},
        {"down_skips_hidden", {3}, {2}, -1, "e0 e1 e3 e4 e2"},
        {"last_marked_moves_nothing", {}, {1, 4}, -2, "e0 e1 e2 e3 e4"},
        {"zero_steps", {}, {2}, 0, "e0 e1 e2 e3 e4"},
    };
    for (const auto &r : rows) {
        auto b = bouquetOf(5, r.hidden, r.marked);
        if (r.steps >= 0)
            b->MoveMarkedUp(r.steps);
        else
            b->MoveMarkedDown(-r.steps);
        EXPECT_EQ(entryNames(*b), QString::fromLatin1(r.order)) << r.name;
    }
}

TEST(BouquetEdits, BouquetListMoves)
{
    auto list = makeBouquets({{"b0", {}}, {"b1", {}}, {"b2", {}}, {"b3", {}}, {"b4", {}}});
    const auto names = [&] {
        QStringList n;
        for (int i = 0; i < list->Count(); ++i)
            n << list->GetItem(i)->Name;
        return n.join(u' ');
    };
    list->GetItem(3)->Marked = true;
    list->GetItem(4)->Marked = true;
    list->MoveMarkedTo(0);
    EXPECT_EQ(names(), "b3 b4 b0 b1 b2");
    EXPECT_TRUE(list->GetItem(0)->Marked && list->GetItem(1)->Marked);
    list->MoveMarkedDown(2);
    EXPECT_EQ(names(), "b0 b1 b3 b4 b2");
    list->MoveMarkedDown(5);
    EXPECT_EQ(names(), "b0 b1 b2 b3 b4");
    list->MoveMarkedUp(1);
    EXPECT_EQ(names(), "b0 b1 b3 b4 b2");
    list->DeleteMarked();
    EXPECT_EQ(names(), "b0 b1 b2");
    EXPECT_TRUE(list->GetItem(2)->Marked);
}

TEST(BouquetEdits, DeleteMarkedMarksANeighbour)
{
    auto b = bouquetOf(5, {}, {1, 2});
    b->DeleteMarked();
    EXPECT_EQ(entryNames(*b), "e0 e3 e4");
    EXPECT_EQ(markedNames(*b), "e3");
    auto tail = bouquetOf(3, {}, {2});
    tail->DeleteMarked();
    EXPECT_EQ(markedNames(*tail), "e1");
}

TEST(BouquetEdits, Sorting)
{
    auto services = makeList({{"A", {{"1", "1", "12500", {{"Zeta", "01"}}},
                                     {"2", "1", "9750", {{"alpha", "02"}}},
                                     {"3", "1", "10700", {{"Beta", "03"}}}}}});
    TServiceList my;
    auto bouquets = makeBouquets({{"B",
                                   {{"z", "01", "1", "1"},
                                    {"a", "02", "2", "1"},
                                    {"b", "03", "3", "1"},
                                    {"lost", "09", "9", "9"}}}});
    bouquets->Link(*services, my);
    TBouquet &b = *bouquets->GetItem(0);
    // Frequencies sort as text, unlinked entries first.
    b.SortByFrequency();
    EXPECT_EQ(entryNames(b), "lost Beta Zeta alpha");
    // Keys were renewed from the (linked) names, so this sorts by them.
    b.SortByName();
    EXPECT_EQ(entryNames(b), "alpha Beta lost Zeta");
}

TEST(BouquetEdits, RemoveObsoleteAndData)
{
    auto services = makeList({{"A", {{"1", "1", "1", {{"tv", "01", "01"}, {"data", "02", "0C"}}}}}});
    TServiceList my;
    auto bouquets = makeBouquets({{"B", {{"", "01", "1", "1"}, {"", "02", "1", "1"}, {"x", "07", "1", "1"}}},
                                  {"C", {{"y", "08", "1", "1"}}}});
    bouquets->Link(*services, my);
    EXPECT_EQ(bouquets->RemoveData(), 1);
    EXPECT_EQ(bouquets->RemoveObsolete(), 2);
    EXPECT_EQ(entryNames(*bouquets->GetItem(0)), "tv");
}

TEST(BouquetEdits, RelinkByTemplate)
{
    auto services = makeList({{"A", {{"0001", "0085", "1", {{"Eins", "00AA"},
                                                            {"Eins", "00AB"},
                                                            {"*", "00AC"},
                                                            {"Star*", "00AD"}}}}}});
    auto bouquets = makeBouquets({{"B",
                                   {{"old", "00aa", "0001", "0085"},   // ids found
                                    {"Eins", "0FFF", "0001", "0085"},  // by name
                                    {"Eins", "0FFE", "0001", "0085"},  // name taken: next
                                    {"E*", "0FFD", "0001", "0085"},    // "*" is no mask
                                    {"Star*", "0FFC", "0001", "0085"}}}});
    TBouquet &b = *bouquets->GetItem(0);
    EXPECT_EQ(b.RelinkAll(*services), 3);
    EXPECT_EQ(b.GetItem(0)->Service(), findService(*services, "Eins"));
    EXPECT_EQ(b.GetItem(0)->Name, "Eins");
    EXPECT_EQ(b.GetItem(0)->Sid, "00AA");
    EXPECT_EQ(b.GetItem(1)->Sid, "00AB");
    EXPECT_EQ(b.GetItem(2)->Service(), nullptr);
    EXPECT_EQ(b.GetItem(3)->Service(), nullptr);
    EXPECT_EQ(b.GetItem(4)->Sid, "00AD");
    EXPECT_EQ(b.GetItem(0)->LinkState, lsUnresolved);
    // Linked entries are left alone.
    EXPECT_EQ(b.GetItem(0)->RelinkByTemplate(*services), 0);

    // After a reset the matched services can be taken again.
    services->ResetMatched();
    EXPECT_EQ(b.GetItem(2)->RelinkByTemplate(*services), 1);
}

} // namespace
