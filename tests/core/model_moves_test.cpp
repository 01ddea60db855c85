// Moving and deleting marked bouquet entries and bouquets, and adding marked
// services to a bouquet: table rows for the cases a user meets, and random
// lists checked against the rules carried out plainly on a vector.
#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"

#include "model_builders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>

using namespace testing_model;

namespace {

// One entry of the reference lists: its number and its flags.
struct RefItem {
    int id;
    bool marked;
    bool shown;
    bool moved = false;
};
using RefList = std::vector<RefItem>;

// The move as the rule states it: the marked entries, in their order, taken
// out as a block and put back among the unmarked ones next to the anchor
// (the entry at index `anchor`, -1 for none): after it when the first marked
// entry stood above it, else before it; a marked anchor is in the block, so
// the block then goes where the unmarked entries above the anchor end; with
// no anchor, at the end. Exactly the marked entries end flagged moved.
void referenceMoveMarkedTo(RefList &list, int anchor)
{
    for (auto &item : list)
        item.moved = item.marked;
    RefList unmarked, block;
    std::copy_if(list.begin(), list.end(), std::back_inserter(unmarked),
                 [](const RefItem &i) { return !i.marked; });
    std::copy_if(list.begin(), list.end(), std::back_inserter(block),
                 [](const RefItem &i) { return i.marked; });
    if (block.empty())
        return;
    std::size_t at = unmarked.size();
    if (anchor >= 0) {
        const RefItem &target = list[std::size_t(anchor)];
        if (target.marked) {
            at = std::size_t(std::count_if(list.begin(), list.begin() + anchor,
                                           [](const RefItem &i) { return !i.marked; }));
        } else {
            const auto byId = [&](const RefItem &i) { return i.id == target.id; };
            // Above the row dropped on, whichever way the block moves.
            at = std::size_t(std::find_if(unmarked.begin(), unmarked.end(), byId)
                             - unmarked.begin());
        }
    }
    unmarked.insert(unmarked.begin() + std::ptrdiff_t(at), block.begin(), block.end());
    list = unmarked;
}

// The drop target of the bouquet grid: the row-th shown entry, or -1.
int referenceShownRowIndex(const RefList &list, int row)
{
    int shown = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].shown && shown++ == std::max(row, 0))
            return int(i);
    }
    return -1;
}

// Up and down by steps as the rule states them: entry by entry, each marked
// one past the nearest visible entry above (below) it; one without stops all.
void referenceMoveMarkedUp(RefList &list, int steps)
{
    for (int step = 0; step < steps; ++step) {
        for (int i = 0; i < int(list.size()); ++i) {
            if (!list[std::size_t(i)].marked)
                continue;
            int above = i - 1;
            while (above >= 0 && !list[std::size_t(above)].shown)
                --above;
            if (above < 0)
                return;
            const RefItem item = list[std::size_t(i)];
            list.erase(list.begin() + i);
            list.insert(list.begin() + above, item);
        }
    }
}

void referenceMoveMarkedDown(RefList &list, int steps)
{
    const int last = int(list.size()) - 1;
    for (int step = 0; step < steps; ++step) {
        for (int i = last; i >= 0; --i) {
            if (!list[std::size_t(i)].marked)
                continue;
            int below = i + 1;
            while (below <= last && !list[std::size_t(below)].shown)
                ++below;
            if (below > last)
                return;
            const RefItem item = list[std::size_t(i)];
            list.erase(list.begin() + i);
            list.insert(list.begin() + below, item);
        }
    }
}

void referenceDeleteMarked(RefList &list)
{
    int lowest = -1;
    for (int i = int(list.size()) - 1; i >= 0; --i) {
        if (list[std::size_t(i)].marked) {
            list.erase(list.begin() + i);
            lowest = i;
        }
    }
    if (lowest >= 0 && !list.empty())
        list[std::size_t(std::min(lowest, int(list.size()) - 1))].marked = true;
}

RefList randomRefList(std::mt19937 &random, int size)
{
    const int markedPercent = std::uniform_int_distribution<int>(0, 100)(random);
    const int shownPercent = std::uniform_int_distribution<int>(0, 100)(random);
    std::uniform_int_distribution<int> percent(0, 99);
    RefList list;
    for (int i = 0; i < size; ++i)
        list.push_back({i, percent(random) < markedPercent, percent(random) < shownPercent});
    return list;
}

std::unique_ptr<TBouquet> bouquetFrom(const RefList &list)
{
    auto bouquet = std::make_unique<TBouquet>();
    for (const RefItem &item : list) {
        auto entry = std::make_unique<TBouquetService>();
        entry->Name = QString::number(item.id);
        entry->Marked = item.marked;
        entry->Shown = item.shown;
        entry->Moved = (item.id % 3) == 0; // left over from an earlier move
        bouquet->Add(std::move(entry));
    }
    return bouquet;
}

RefList refListOf(const TBouquet &bouquet)
{
    RefList list;
    for (int i = 0; i < bouquet.Count(); ++i) {
        const TBouquetService &e = *bouquet.GetItem(i);
        list.push_back({e.Name.toInt(), e.Marked, e.Shown, e.Moved});
    }
    return list;
}

std::unique_ptr<TBouquetList> bouquetListFrom(const RefList &list)
{
    auto bouquets = std::make_unique<TBouquetList>();
    for (const RefItem &item : list) {
        auto bouquet = std::make_unique<TBouquet>();
        bouquet->Name = QString::number(item.id);
        bouquet->Marked = item.marked;
        bouquet->Moved = (item.id % 3) == 0;
        bouquets->Add(std::move(bouquet));
    }
    return bouquets;
}

RefList refListOf(const TBouquetList &bouquets)
{
    RefList list;
    for (int i = 0; i < bouquets.Count(); ++i) {
        const TBouquet &b = *bouquets.GetItem(i);
        list.push_back({b.Name.toInt(), b.Marked, false, b.Moved});
    }
    return list;
}

// "3 1* 2" style: ids in order, marked ones starred; moved ones get a "'".
QString describe(const RefList &list, bool withMoved = true)
{
    QStringList parts;
    for (const RefItem &item : list) {
        parts << QString::number(item.id) + (item.marked ? "*" : "")
                + (withMoved && item.moved ? "'" : "");
    }
    return parts.join(u' ');
}

// Ten entries e0..e9 for the table rows.
RefList tableList(const std::vector<int> &marked, const std::vector<int> &hidden)
{
    RefList list;
    for (int i = 0; i < 10; ++i) {
        list.push_back({i, std::count(marked.begin(), marked.end(), i) > 0,
                        std::count(hidden.begin(), hidden.end(), i) == 0});
    }
    return list;
}

TEST(MarkedMoves, BouquetDropRows)
{
    const struct {
        const char *name;
        std::vector<int> marked, hidden;
        int row;
        const char *order; // marked entries starred
    } rows[] = {
        {"block_to_top_keeps_order", {4, 5, 6}, {}, 0, "4* 5* 6* 0 1 2 3 7 8 9"},
        {"scattered_to_top", {1, 5, 9}, {}, 0, "1* 5* 9* 0 2 3 4 6 7 8"},
        {"from_above_lands_above_the_row", {0, 1, 2}, {}, 6, "3 4 5 0* 1* 2* 6 7 8 9"},
        {"from_both_sides", {1, 8}, {}, 4, "0 2 3 1* 8* 4 5 6 7 9"},
        {"drop_on_a_marked_row", {3, 4}, {}, 3, "0 1 2 3* 4* 5 6 7 8 9"},
        {"drop_on_the_lower_of_two", {3, 4}, {}, 4, "0 1 2 3* 4* 5 6 7 8 9"},
        {"drop_on_the_middle_of_three", {2, 3, 4}, {}, 3, "0 1 2* 3* 4* 5 6 7 8 9"},
        {"drop_on_own_row_with_a_gap", {2, 5}, {}, 5, "0 1 3 4 2* 5* 6 7 8 9"},
        {"new_entries_dropped_on_the_top", {8, 9}, {8, 9}, 0, "8* 9* 0 1 2 3 4 5 6 7"},
        {"hidden_rows_not_counted", {8}, {0, 1, 2}, 1, "0 1 2 3 8* 4 5 6 7 9"},
        {"hidden_unmarked_keep_their_place", {0, 1}, {2, 5}, 3, "2 3 0* 1* 4 5 6 7 8 9"},
        {"hidden_marked_entry", {2, 7}, {2, 7}, 5, "0 1 3 4 5 2* 7* 6 8 9"},
        {"row_past_the_shown_ones", {0, 5}, {}, 10, "1 2 3 4 6 7 8 9 0* 5*"},
        {"nothing_shown", {3}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0, "0 1 2 4 5 6 7 8 9 3*"},
        {"negative_row_is_top", {9}, {}, -4, "9* 0 1 2 3 4 5 6 7 8"},
        {"all_marked", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, 0, "0* 1* 2* 3* 4* 5* 6* 7* 8* 9*"},
        {"all_marked_to_middle", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, 5,
         "0* 1* 2* 3* 4* 5* 6* 7* 8* 9*"},
        {"none_marked", {}, {}, 2, "0 1 2 3 4 5 6 7 8 9"},
    };
    for (const auto &r : rows) {
        auto bouquet = bouquetFrom(tableList(r.marked, r.hidden));
        bouquet->MoveMarkedTo(r.row);
        EXPECT_EQ(describe(refListOf(*bouquet), false), QString::fromLatin1(r.order)) << r.name;
    }
}

TEST(MarkedMoves, BouquetListTargets)
{
    const struct {
        const char *name;
        std::vector<int> marked;
        int target;
        const char *order;
    } rows[] = {
        {"to_top", {3, 4, 7}, 0, "3* 4* 7* 0 1 2 5 6 8 9"},
        {"onto_the_last_row", {0, 2}, 9, "1 3 4 5 6 7 8 0* 2* 9"},
        {"to_end", {0, 2}, 10, "1 3 4 5 6 7 8 9 0* 2*"},
        {"onto_a_later_row", {0, 1}, 5, "2 3 4 0* 1* 5 6 7 8 9"},
        {"onto_an_earlier_row", {6, 8}, 2, "0 1 6* 8* 2 3 4 5 7 9"},
        {"into_the_middle", {1, 8}, 4, "0 2 3 1* 8* 4 5 6 7 9"},
        {"onto_a_marked_row", {2, 3}, 3, "0 1 2* 3* 4 5 6 7 8 9"},
        {"onto_the_first_marked_row", {2, 3}, 2, "0 1 2* 3* 4 5 6 7 8 9"},
        {"past_the_end_is_the_end", {5, 9}, 99, "0 1 2 3 4 6 7 8 5* 9*"},
        {"negative_is_the_top", {5}, -1, "5* 0 1 2 3 4 6 7 8 9"},
    };
    for (const auto &r : rows) {
        auto bouquets = bouquetListFrom(tableList(r.marked, {}));
        bouquets->MoveMarkedTo(r.target);
        EXPECT_EQ(describe(refListOf(*bouquets), false), QString::fromLatin1(r.order)) << r.name;
    }
}

// Every shape of small list: which entries are marked, which shown, and the
// drop row, against the rule carried out on a vector. Flags are compared
// too: afterwards exactly the moved entries are marked and flagged moved.
TEST(MarkedMoves, BouquetMatchesTheBlockRule)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 4000; ++round) {
        const int size = std::uniform_int_distribution<int>(0, 14)(random);
        const RefList start = randomRefList(random, size);
        const int row = std::uniform_int_distribution<int>(-1, size + 1)(random);

        RefList expected = start;
        referenceMoveMarkedTo(expected, referenceShownRowIndex(start, row));
        auto bouquet = bouquetFrom(start);
        bouquet->MoveMarkedTo(row);
        ASSERT_EQ(describe(refListOf(*bouquet)), describe(expected))
            << "from " << describe(start).toStdString() << " row " << row;
    }
}

TEST(MarkedMoves, BouquetListMatchesTheBlockRule)
{
    std::mt19937 random(7);
    for (int round = 0; round < 4000; ++round) {
        const int size = std::uniform_int_distribution<int>(0, 14)(random);
        const RefList start = randomRefList(random, size);
        const int target = std::uniform_int_distribution<int>(-2, size + 2)(random);

        RefList expected = start;
        referenceMoveMarkedTo(expected, target < size ? std::max(target, 0) : -1);
        auto bouquets = bouquetListFrom(start);
        bouquets->MoveMarkedTo(target);
        ASSERT_EQ(describe(refListOf(*bouquets)), describe(expected))
            << "from " << describe(start).toStdString() << " to " << target;
    }
}

TEST(MarkedMoves, StepsUpAndDownMatchTheOneByOneRule)
{
    std::mt19937 random(31);
    for (int round = 0; round < 4000; ++round) {
        const int size = std::uniform_int_distribution<int>(0, 14)(random);
        const RefList start = randomRefList(random, size);
        const int steps = std::uniform_int_distribution<int>(-1, 4)(random);
        const bool down = round % 2 == 1;

        RefList expected = start;
        if (down)
            referenceMoveMarkedDown(expected, steps);
        else
            referenceMoveMarkedUp(expected, steps);
        auto bouquet = bouquetFrom(start);
        auto bouquets = bouquetListFrom(start);
        if (down) {
            bouquet->MoveMarkedDown(steps);
            bouquets->MoveMarkedDown(steps);
        } else {
            bouquet->MoveMarkedUp(steps);
            bouquets->MoveMarkedUp(steps);
        }
        const auto message = [&] {
            return (down ? "down " : "up ") + std::to_string(steps) + " from "
                + describe(start).toStdString();
        };
        ASSERT_EQ(describe(refListOf(*bouquet), false), describe(expected, false)) << message();
        // The bouquet list moves bouquets without a visibility test.
        RefList allShown = start;
        for (auto &item : allShown)
            item.shown = true;
        if (down)
            referenceMoveMarkedDown(allShown, steps);
        else
            referenceMoveMarkedUp(allShown, steps);
        for (auto &item : allShown)
            item.shown = false;
        ASSERT_EQ(describe(refListOf(*bouquets), false), describe(allShown, false)) << message();
    }
}

TEST(MarkedDeletes, MatchTheRuleAndMarkTheNextEntry)
{
    std::mt19937 random(99);
    for (int round = 0; round < 2000; ++round) {
        const int size = std::uniform_int_distribution<int>(0, 14)(random);
        const RefList start = randomRefList(random, size);
        RefList expected = start;
        referenceDeleteMarked(expected);

        auto bouquet = bouquetFrom(start);
        bouquet->DeleteMarked();
        ASSERT_EQ(describe(refListOf(*bouquet), false), describe(expected, false))
            << "bouquet from " << describe(start).toStdString();

        auto bouquets = bouquetListFrom(start);
        bouquets->DeleteMarked();
        ASSERT_EQ(describe(refListOf(*bouquets), false), describe(expected, false))
            << "bouquet list from " << describe(start).toStdString();
    }
}

// Deleting bouquets frees their entries, and the entries drop their links:
// the services they pointed at must not be left pointing back at them.
TEST(MarkedDeletes, FreedEntriesLeaveTheirServices)
{
    auto services = makeList({{"A", {{"1", "1", "1", {{"x", "01"}, {"y", "02"}}}}}});
    TServiceList my;
    auto bouquets = makeBouquets({{"b0", {{"", "01", "1", "1"}}},
                                  {"b1", {{"", "01", "1", "1"}, {"", "02", "1", "1"}}},
                                  {"b2", {{"", "02", "1", "1"}}}});
    ASSERT_TRUE(bouquets->Link(*services, my));
    bouquets->GetItem(1)->Marked = true;
    bouquets->DeleteMarked();
    ASSERT_EQ(bouquets->Count(), 2);
    services.reset(); // frees x and y: the remaining entries are unlinked
    EXPECT_EQ(bouquets->GetItem(0)->GetItem(0)->Service(), nullptr);
    EXPECT_EQ(bouquets->GetItem(1)->GetItem(0)->Service(), nullptr);
}

// Many entries naming one service, freed and relinked in any order: the
// service's chain of entries stays whole, so freeing the service unlinks
// exactly the entries left.
TEST(MarkedDeletes, EntriesOfOneServiceLeaveItInAnyOrder)
{
    std::mt19937 random(3);
    for (int round = 0; round < 50; ++round) {
        auto services = makeList({{"A", {{"1", "1", "1", {{"x", "01"}, {"y", "02"}}}}}});
        TTransponder *tp = services->GetItem(0)->GetItem(0);
        TSatelite *sat = services->GetItem(0);
        TBouquet bouquet;
        for (int i = 0; i < 40; ++i)
            bouquet.AddService(tp->GetItem(i % 3 == 0 ? 1 : 0), tp, sat);
        for (int i = 0; i < bouquet.Count(); ++i)
            bouquet.GetItem(i)->Marked = std::bernoulli_distribution(0.5)(random);
        bouquet.DeleteMarked();
        // Some of those left move to the other service, some lose their link.
        for (int i = 0; i < bouquet.Count(); ++i) {
            TBouquetService &e = *bouquet.GetItem(i);
            const int what = std::uniform_int_distribution<int>(0, 2)(random);
            if (what == 1)
                e.SetLinks(tp->GetItem(1), tp, sat);
            else if (what == 2)
                e.SetLinks(nullptr, nullptr, nullptr);
        }
        std::vector<TBouquetService *> onX, onY;
        for (int i = 0; i < bouquet.Count(); ++i) {
            TBouquetService *e = bouquet.GetItem(i);
            if (e->Service() == tp->GetItem(0))
                onX.push_back(e);
            else if (e->Service() == tp->GetItem(1))
                onY.push_back(e);
        }
        ASSERT_TRUE(tp->DeleteService(tp->GetItem(0))); // x goes
        for (TBouquetService *e : onX)
            EXPECT_EQ(e->Service(), nullptr);
        for (TBouquetService *e : onY)
            EXPECT_EQ(e->Service(), tp->GetItem(0)); // y is first now
        services.reset(); // y goes
        for (int i = 0; i < bouquet.Count(); ++i)
            EXPECT_EQ(bouquet.GetItem(i)->Service(), nullptr);
    }
}

// A services tree whose names, ids and types repeat, so that services on
// different transponders count as the same one to a bouquet.
std::unique_ptr<TServiceList> repeatingServices(std::mt19937 &random)
{
    std::uniform_int_distribution<int> pick(0, 3);
    std::vector<Sat> sats;
    for (int a = 0; a < 2; ++a) {
        Sat sat{QStringLiteral("Sat %1").arg(a), {}};
        for (int t = 0; t < 3; ++t) {
            Tp tp{QStringLiteral("%1").arg(a * 3 + t, 4, 10, QLatin1Char('0')), "0001",
                  QString::number(10000 + t), {}};
            for (int s = 0; s < 6; ++s) {
                // Ids that pack into a number and longer ones, in either
                // case: the same ids whatever the case.
                static const char *const kSids[] = {"00ab", "00AB", "1000a", "1000A"};
                const QString sid = pick(random) < 2 ? QStringLiteral("00A%1").arg(pick(random))
                                                     : QString::fromLatin1(kSids[pick(random)]);
                tp.services.push_back({QStringLiteral("N%1").arg(pick(random)), sid,
                                       pick(random) == 0 ? "02" : "01"});
            }
            sat.transponders.push_back(tp);
        }
        sats.push_back(sat);
    }
    return makeList(sats);
}

struct Placed {
    TService *service;
    TTransponder *transponder;
    TSatelite *satelite;
};

std::vector<Placed> servicesOf(const TServiceList &list)
{
    std::vector<Placed> all;
    list.forEachService(
        [&](TService *s, TTransponder *tp, TSatelite *sat) { all.push_back({s, tp, sat}); });
    return all;
}

TEST(MarkedAdds, AddMarkedServicesMatchesAScanPerService)
{
    std::mt19937 random(5);
    std::bernoulli_distribution coin(0.5);
    for (int round = 0; round < 300; ++round) {
        auto services = repeatingServices(random);
        const auto all = servicesOf(*services);
        // The bouquet already holds a few of them, and an unlinked entry.
        TBouquet bouquet;
        for (const Placed &p : all) {
            if (std::bernoulli_distribution(0.15)(random))
                bouquet.AddService(p.service, p.transponder, p.satelite);
        }
        auto unlinked = std::make_unique<TBouquetService>();
        unlinked->Name = "N0";
        bouquet.Add(std::move(unlinked));
        for (const Placed &p : all)
            p.service->Marked = coin(random);

        // The rule: every marked service that no entry yet stands for (by
        // name, id and type, or by the ids an entry links with) is appended,
        // marked; the rest are unmarked.
        std::vector<const TService *> expected;
        QStringList ids;
        for (int i = 0; i < bouquet.Count(); ++i) {
            const TBouquetService *e = bouquet.GetItem(i);
            expected.push_back(e->Service());
            ids.append((e->Sid + u'/' + e->Tsid + u'/' + e->Onid).toUpper());
        }
        const std::size_t before = expected.size();
        for (const Placed &p : all) {
            const TService *s = p.service;
            if (!s->Marked)
                continue;
            const QString id = (s->Sid + u'/' + p.transponder->Tsid + u'/' + p.transponder->Onid).toUpper();
            const bool there = ids.contains(id)
                || std::any_of(expected.begin(), expected.end(), [&](const TService *e) {
                       return e && e->Name == s->Name && e->Sid == s->Sid
                           && e->GetServiceType() == s->GetServiceType();
                   });
            if (!there) {
                expected.push_back(s);
                ids.append(id);
            }
        }

        const bool added = bouquet.AddMarkedServices(*services);
        EXPECT_EQ(added, expected.size() > before) << round;
        ASSERT_EQ(std::size_t(bouquet.Count()), expected.size()) << round;
        for (int i = 0; i < bouquet.Count(); ++i) {
            EXPECT_EQ(bouquet.GetItem(i)->Service(), expected[std::size_t(i)]) << round;
            EXPECT_EQ(bouquet.GetItem(i)->Marked, std::size_t(i) >= before) << round;
        }
    }
}

TEST(MarkedAdds, SameServiceMarkedTwiceIsAddedOnce)
{
    // Two transponders carry a service of the same name, id and type; the
    // first also one of another name under the same ids, which an entry
    // could never tell from the first (entries link by their ids).
    auto services = makeList({{"A", {{"1", "1", "1", {{"Eins", "0001"}, {"eins", "0001"}}},
                                     {"2", "1", "2", {{"Eins", "0001"}, {"Eins", "0001", "02"}}}}}});
    for (const Placed &p : servicesOf(*services))
        p.service->Marked = true;
    TBouquet bouquet;
    EXPECT_TRUE(bouquet.AddMarkedServices(*services));
    EXPECT_EQ(entryNames(bouquet), "Eins Eins");
    EXPECT_EQ(bouquet.GetItem(1)->Service()->GetServiceType(), "02");
    EXPECT_FALSE(bouquet.AddMarkedServices(*services));
    EXPECT_EQ(markedNames(bouquet), "");
}

// Services dropped on a bouquet row: the main window appends them marked, not
// yet shown, and moves them to the row. They land before it, in their order.
TEST(MarkedAdds, DroppedServicesLandBeforeTheRowInTheirOrder)
{
    auto services = makeList({{"A", {{"1", "1", "1", {{"p", "0001"}, {"q", "0002"}, {"a", "0003"},
                                                      {"b", "0004"}, {"c", "0005"}}}}}});
    const auto all = servicesOf(*services);
    TBouquet bouquet;
    for (const Placed &p : all) {
        if (p.service->Name == "p" || p.service->Name == "q")
            bouquet.GetItem(bouquet.AddService(p.service, p.transponder, p.satelite))->Shown = true;
        else
            p.service->Marked = true;
    }
    ASSERT_TRUE(bouquet.AddMarkedServices(*services));
    bouquet.MoveMarkedTo(1);
    EXPECT_EQ(entryNames(bouquet), "p a b c q");
    EXPECT_EQ(markedNames(bouquet), "a b c");
}

} // namespace
