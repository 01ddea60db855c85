#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"

#include "model_builders.h"

#include <gtest/gtest.h>

using namespace testing_model;

namespace {

// One receiver list, one my-services list and a bouquet over both.
class Linking : public ::testing::Test
{
public:
    std::unique_ptr<TServiceList> services = makeList({
        {"Astra", {{"0001", "0085", "11000", {{"Eins", "00AA"}, {"Zwei", "00AB", "02"}}}}},
        {"Hotbird", {{"0001", "0085", "12000", {{"Twin", "00AA"}}}}},
        {"Eutelsat", {{"0002", "0085", "10700", {{"Data", "0100", "0C"}}}}},
    });
    std::unique_ptr<TServiceList> my = makeList(
        {{"Astra", {{"0002", "0085", "10700", {{"Own data", "0100", "0C", "replace"}}}}}});
};

TEST_F(Linking, PrefersMyServicesThenFirstInListOrder)
{
    auto bouquets = makeBouquets({{"Fav",
                                   {{"old name", "00aa", "0001", "0085"},
                                    {"x", "0100", "0002", "0085"},
                                    {"radio", "00AB", "0001", "0085"}}}});
    EXPECT_TRUE(bouquets->Link(*services, *my));
    const TBouquet &fav = *bouquets->GetItem(0);

    // Same ids on two satellites: the first one in list order wins.
    EXPECT_EQ(fav.GetItem(0)->Service(), findService(*services, "Eins"));
    EXPECT_EQ(fav.GetItem(0)->LinkState, lsServices);
    EXPECT_EQ(fav.GetItem(0)->Name, "Eins");
    EXPECT_EQ(fav.GetItem(0)->Satelite(), services->GetItem(0));

    EXPECT_EQ(fav.GetItem(1)->Service(), findService(*my, "Own data"));
    EXPECT_EQ(fav.GetItem(1)->LinkState, lsMyServices);
    EXPECT_EQ(fav.GetItem(1)->Name, "Own data");
}

TEST_F(Linking, IdsMustAgreeInWidthButNotInCase)
{
    auto bouquets = makeBouquets({{"Fav",
                                   {{"short", "AA", "01", "85"},
                                    {"mixed case", "00Aa", "0001", "0085"},
                                    {"wrong onid", "00AA", "0001", "0086"}}}});
    EXPECT_FALSE(bouquets->Link(*services, *my));
    const TBouquet &fav = *bouquets->GetItem(0);
    EXPECT_EQ(fav.GetItem(0)->Service(), nullptr);
    EXPECT_EQ(fav.GetItem(0)->LinkState, lsUnresolved);
    EXPECT_EQ(fav.GetItem(0)->Name, "short");
    EXPECT_NE(fav.GetItem(1)->Service(), nullptr);
    EXPECT_EQ(fav.GetItem(2)->Service(), nullptr);
    EXPECT_EQ(fav.GetItem(2)->GetTypeIconIndex(), 3);
}

TEST_F(Linking, RebuildsBouquetNamesSortedAndUnique)
{
    auto bouquets = makeBouquets({
        {"B", {{"", "00AA", "0001", "0085"}, {"", "00AA", "0001", "0085"}}},
        {"a", {{"", "00AA", "0001", "0085"}}},
    });
    findService(*services, "Zwei")->AddBouquetName("stale");
    bouquets->Link(*services, *my);
    EXPECT_EQ(findService(*services, "Eins")->BouquetNamesText(), "a,B");
    EXPECT_TRUE(findService(*services, "Zwei")->BouquetNames().isEmpty());
    EXPECT_FALSE(findService(*services, "Zwei")->IsInBouquet());
}

// A command that added or deleted entries links only what it changed: the
// links and every service's bouquet names come out as a full link gives
// them, bouquet names that differ only in case included.
TEST_F(Linking, TargetedRelinksGiveWhatAFullLinkGives)
{
    const auto describe = [this](const TBouquetList &bouquets) {
        QStringList text;
        for (const TServiceList *list : {services.get(), my.get()}) {
            list->forEachService([&](TService *s, TTransponder *, TSatelite *) {
                text.append(s->Name + u'=' + s->BouquetNamesText());
            });
        }
        for (int b = 0; b < bouquets.Count(); ++b) {
            for (int i = 0; i < bouquets.GetItem(b)->Count(); ++i) {
                const TBouquetService *e = bouquets.GetItem(b)->GetItem(i);
                text.append(QStringLiteral("%1/%2 -> %3").arg(b).arg(i).arg(e->Service() ? e->Service()->Name
                                                                                        : QStringLiteral("-")));
            }
        }
        return text.join(u'\n');
    };
    struct Case {
        const char *name;
        std::vector<std::pair<int, int>> deleted; // bouquet, entry
        int addTo;                                // bouquet the services below go into, or -1
        std::vector<const char *> added;
    };
    const Case cases[] = {
        {"the last entry for a service goes", {{2, 1}}, -1, {}},
        {"one of two bouquets of one name in other case keeps it", {{0, 0}}, -1, {}},
        {"both of them go", {{0, 0}, {1, 0}}, -1, {}},
        {"a my-services entry goes", {{0, 1}}, -1, {}},
        {"added where the other case holds it", {}, 0, {"Zwei"}},
        {"added: my services first", {}, 2, {"Data"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto bouquets = makeBouquets({
            {"B", {{"", "00AA", "0001", "0085"}, {"", "0100", "0002", "0085"}}},
            {"b", {{"", "00AA", "0001", "0085"}, {"", "00AB", "0001", "0085"}}},
            {"C", {{"", "00AB", "0001", "0085"}, {"", "00AA", "0001", "0085"}}},
        });
        bouquets->Link(*services, *my);
        std::vector<TService *> linked;
        bouquets->UnmarkAllServices();
        for (auto [b, i] : c.deleted) {
            TBouquetService *entry = bouquets->GetItem(b)->GetItem(i);
            entry->Marked = true;
            if (entry->Service())
                linked.push_back(entry->Service());
        }
        if (!c.deleted.empty()) {
            bouquets->DeleteMarkedServices();
            bouquets->RelistBouquetNames(linked);
        }
        if (c.addTo >= 0) {
            std::vector<TBouquet::TPlace> places;
            for (const char *name : c.added) {
                services->forEachService([&](TService *s, TTransponder *tp, TSatelite *sat) {
                    if (s->Name == QLatin1String(name))
                        places.push_back({s, tp, sat});
                });
            }
            TBouquet &bouquet = *bouquets->GetItem(c.addTo);
            ASSERT_TRUE(bouquet.AddServices(places));
            bouquets->LinkNewEntries(bouquet, *services, *my);
        }
        const QString targeted = describe(*bouquets);
        bouquets->Link(*services, *my);
        EXPECT_EQ(targeted, describe(*bouquets));
    }
}

TEST_F(Linking, DoesNotMarkModified)
{
    auto bouquets = makeBouquets({{"Fav", {{"", "00AA", "0001", "0085"}}}});
    SaveHandler().SetSaved();
    bouquets->Link(*services, *my);
    EXPECT_TRUE(SaveHandler().Saved());
}

TEST_F(Linking, EntryTypeTestsAreNumeric)
{
    auto one = makeList({{"S", {{"0001", "0001", "1", {{"tv", "0001", "1"}, {"radio", "0002", "2"},
                                                       {"data", "0003", "0c"}}}}}});
    // An obsolete my-services entry still counts by its type in a bouquet.
    auto mine = makeList({{"S", {{"0009", "0001", "1", {{"gone", "0004", "01", "remove"}}}}}});
    one->LinkMyServices(*mine);
    ASSERT_TRUE(findService(*mine, "gone")->Obsolete);
    auto bouquets = makeBouquets({{"Fav",
                                   {{"", "0001", "0001", "0001"},
                                    {"", "0002", "0001", "0001"},
                                    {"", "0003", "0001", "0001"},
                                    {"", "0004", "0009", "0001"},
                                    {"", "0005", "0001", "0001"}}}});
    bouquets->Link(*one, *mine);
    const TBouquet &fav = *bouquets->GetItem(0);
    const struct {
        bool tv, radio, data;
    } expected[] = {{true, false, false}, {false, true, false}, {false, false, true},
                    {true, false, false}, {false, false, false}};
    for (int i = 0; i < fav.Count(); ++i) {
        EXPECT_EQ(fav.GetItem(i)->IsTv(), expected[i].tv) << i;
        EXPECT_EQ(fav.GetItem(i)->IsRadio(), expected[i].radio) << i;
        EXPECT_EQ(fav.GetItem(i)->IsData(), expected[i].data) << i;
    }
}

TEST_F(Linking, UpdateServiceReferencesByIdentity)
{
    auto bouquets = makeBouquets({{"A", {{"", "00AA", "0001", "0085"}}},
                                  {"B", {{"", "00AA", "0001", "0085"}, {"", "00AB", "0001", "0085"}}}});
    bouquets->Link(*services, *my);
    TService *eins = findService(*services, "Eins");
    EXPECT_EQ(bouquets->UpdateServiceReferences("Eins HD", "00AF", "0003", "0086", eins), 2);
    const TBouquetService *changed = bouquets->GetItem(1)->GetItem(0);
    EXPECT_EQ(changed->Name, "Eins HD");
    EXPECT_EQ(changed->Sid, "00AF");
    EXPECT_EQ(changed->Tsid, "0003");
    EXPECT_EQ(changed->Onid, "0086");
    EXPECT_EQ(changed->Service(), nullptr);
    EXPECT_EQ(bouquets->GetItem(1)->GetItem(1)->Service(), findService(*services, "Zwei"));
    EXPECT_EQ(bouquets->UpdateServiceReferences("x", "1", "2", "3", nullptr), 0);
}

// Whatever frees a service, no bouquet entry may keep pointing at it.
TEST_F(Linking, FreedServicesLeaveNoDanglingLinks)
{
    const std::vector<std::pair<const char *, std::function<void(Linking &)>>> removals = {
        {"RemoveData", [](Linking &t) { t.services->RemoveData(); }},
        {"DeleteMarked",
         [](Linking &t) {
             findService(*t.services, "Eins")->Marked = true;
             t.services->DeleteMarked();
         }},
        {"DeleteService",
         [](Linking &t) {
             t.services->GetItem(0)->GetItem(0)->DeleteService(findService(*t.services, "Eins"));
         }},
        {"Clear", [](Linking &t) { t.services->Clear(); }},
        {"list replaced", [](Linking &t) { t.services = std::make_unique<TServiceList>(); }},
        {"satellite merged",
         [](Linking &t) {
             t.services->AddSatelite(makeSatelite({"Astra", {{"0001", "0085", "11000", {{"Eins", "00AA"}}}}}));
         }},
    };
    for (const auto &[name, remove] : removals) {
        services = makeList({{"Astra", {{"0001", "0085", "11000", {{"Eins", "00AA"}}}}},
                             {"Eutelsat", {{"0002", "0085", "10700", {{"Data", "0100", "0C"}}}}},
                             {"Astra", {{"0001", "0085", "11000", {{"Eins", "00AA"}}}}}});
        auto bouquets = makeBouquets({{"Fav",
                                       {{"", "00AA", "0001", "0085"},
                                        {"", "0100", "0002", "0085"}}}});
        bouquets->Link(*services, *my);
        const TService *eins = findService(*services, "Eins");
        ASSERT_EQ(bouquets->GetItem(0)->GetItem(0)->Service(), eins) << name;
        remove(*this);
        for (int i = 0; i < bouquets->GetItem(0)->Count(); ++i) {
            const TBouquetService *entry = bouquets->GetItem(0)->GetItem(i);
            if (!entry->Service())
                continue;
            bool stillThere = false;
            services->forEachService([&](TService *s, TTransponder *tp, TSatelite *sat) {
                stillThere = stillThere
                    || (s == entry->Service() && tp == entry->Transponder() && sat == entry->Satelite());
            });
            my->forEachService([&](TService *s, TTransponder *, TSatelite *) {
                stillThere = stillThere || s == entry->Service();
            });
            EXPECT_TRUE(stillThere) << name << ": entry " << i << " points at a freed object";
        }
        // Relinking restores what still exists.
        bouquets->Link(*services, *my);
    }
}

// Many distinct ids, as a receiver's list has: the table of wanted ids grows
// and rehashes while the entries are collected, and every entry must still
// find its service.
TEST(LinkingLargeLists, EveryEntryOfManyDistinctIdsLinks)
{
    using namespace testing_model;
    constexpr int kTransponders = 400;
    constexpr int kPerTransponder = 100;
    std::vector<Tp> transponders;
    Bqt bouquet{"All", {}};
    for (int t = 0; t < kTransponders; ++t) {
        Tp tp{QString::number(t + 1, 16).rightJustified(4, u'0'), "0001", "11000", {}};
        for (int s = 0; s < kPerTransponder; ++s) {
            const QString sid = QString::number(s + 1, 16).rightJustified(4, u'0');
            const QString name = QStringLiteral("S%1-%2").arg(t).arg(s);
            tp.services.push_back({name, sid});
            bouquet.entries.push_back({name, sid, tp.tsid, tp.onid});
        }
        transponders.push_back(std::move(tp));
    }
    auto services = makeList({{"Astra", std::move(transponders)}});
    TServiceList myServices;
    auto bouquets = makeBouquets({bouquet});
    EXPECT_TRUE(bouquets->Link(*services, myServices));
    const TBouquet &all = *bouquets->GetItem(0);
    int unlinked = 0;
    for (int i = 0; i < all.Count(); ++i)
        unlinked += all.GetItem(i)->Service() ? 0 : 1;
    EXPECT_EQ(unlinked, 0);
}

TEST(BouquetList, NamesAreLookedUpIgnoringCase)
{
    auto bouquets = makeBouquets({{"News", {}}, {"Sport", {}}});
    EXPECT_EQ(bouquets->IndexOf("SPORT"), 1);
    EXPECT_EQ(bouquets->IndexOf("Movies"), -1);

    TBouquet *sport = bouquets->GetItem(1);
    EXPECT_FALSE(bouquets->RenameBouquet(sport, "news"));
    EXPECT_FALSE(bouquets->RenameBouquet(sport, "SPORT"));
    EXPECT_TRUE(bouquets->RenameBouquet(sport, "Football"));
    EXPECT_EQ(sport->Name, "Football");
    EXPECT_EQ(bouquets->IndexOf("football"), 1);
    EXPECT_EQ(bouquets->IndexOf("Sport"), -1);
}

TEST(BouquetList, AddNewBouquet)
{
    auto bouquets = makeBouquets({{"News", {}}, {"Sport", {}}});
    bouquets->GetItem(0)->Marked = true;
    TBouquet *found = nullptr;
    EXPECT_EQ(bouquets->AddNewBouquet("sport", found), -1);
    EXPECT_EQ(found, bouquets->GetItem(1));
    EXPECT_TRUE(bouquets->GetItem(0)->Marked);

    EXPECT_EQ(bouquets->AddNewBouquet("Movies", found), 2);
    EXPECT_EQ(found->Name, "Movies");
    EXPECT_TRUE(found->Marked);
    EXPECT_FALSE(bouquets->GetItem(0)->Marked);
}

TEST(BouquetList, DeleteAndClearIgnoreBadIndexes)
{
    auto bouquets = makeBouquets({{"News", {{"n", "1", "1", "1"}}}, {"Sport", {}}});
    bouquets->Delete(5);
    bouquets->Delete(-1);
    bouquets->ClearBouquet(9);
    EXPECT_EQ(bouquets->Count(), 2);
    bouquets->ClearBouquet(0);
    EXPECT_EQ(bouquets->GetItem(0)->Count(), 0);
    bouquets->Delete(0);
    ASSERT_EQ(bouquets->Count(), 1);
    EXPECT_EQ(bouquets->GetItem(0)->Name, "Sport");
}

TEST(BouquetList, SortAndFlags)
{
    auto bouquets = makeBouquets({{"zdf", {}}, {"Ard", {}}, {"bbc", {}}});
    bouquets->Sort();
    EXPECT_EQ(bouquets->GetItem(0)->Name, "Ard");
    EXPECT_EQ(bouquets->GetItem(1)->Name, "bbc");
    EXPECT_EQ(bouquets->GetItem(2)->Name, "zdf");
    TBouquet *b = bouquets->GetItem(0);
    b->Hidden = true;
    EXPECT_EQ(b->GetHiddenText(), "1");
    EXPECT_EQ(b->GetLockedText(), "0");
    const auto clone = b->Clone();
    EXPECT_TRUE(clone->Hidden);
    EXPECT_EQ(clone->Count(), 0);
}

TEST(BouquetService, CloneCopiesFieldsAndLinksButNotState)
{
    auto services = makeList({{"Astra", {{"0001", "0085", "11000", {{"Eins", "00AA"}}}}}});
    TServiceList my;
    auto bouquets = makeBouquets({{"Fav", {{"x", "00AA", "0001", "0085"}}}});
    bouquets->Link(*services, my);
    const TBouquetService *entry = bouquets->GetItem(0)->GetItem(0);
    const auto clone = entry->Clone();
    EXPECT_EQ(clone->Service(), entry->Service());
    EXPECT_EQ(clone->Transponder(), entry->Transponder());
    EXPECT_EQ(clone->LinkState, lsUnresolved);
    EXPECT_EQ(clone->Name, "Eins");
    // The clone is linked too: freeing the service must reach it as well.
    services.reset();
    EXPECT_EQ(clone->Service(), nullptr);
    EXPECT_EQ(entry->Service(), nullptr);
}

} // namespace
