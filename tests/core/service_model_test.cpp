#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/exception.h"
#include "core/util/text_compare.h"
#include "core/zapit/format_names.h"

#include "model_builders.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace testing_model;

namespace {

TEST(ServiceTree, NewListsCarryTheirDefaultDialect)
{
    const TServiceList services;
    EXPECT_EQ(services.Format, 1);
    EXPECT_EQ(services.FormatName, "(Sat, Sportster compatible)");
    EXPECT_EQ(services.Encoding, "UTF-8");
    const TBouquetList bouquets;
    EXPECT_EQ(bouquets.Format, 4);
    EXPECT_EQ(bouquets.FormatName, "(Sat, Sportster & NG compatible)");
    EXPECT_EQ(ServicesXMLFormatNames[2], ServicesXMLFormatNames[5]);
    EXPECT_EQ(MyServicesXMLFormatNames[2], "(Cable)");
    EXPECT_EQ(BouquetXMLFormatNames[1], "(Sat)");
}

TEST(ServiceTree, GetItemOutOfBoundsRaises)
{
    auto list = makeList({{"Astra", {{"0001", "0085", "12188", {{"A", "0001"}}}}}});
    const TSatelite *sat = list->GetItem(0);
    const TTransponder *tp = sat->GetItem(0);
    const auto bouquets = makeBouquets({{"Fav", {{"A", "0001", "0001", "0085"}}}});
    const std::vector<std::function<void()>> calls = {
        [&] { list->GetItem(-1); },     [&] { list->GetItem(1); },
        [&] { sat->GetItem(1); },       [&] { tp->GetItem(1); },
        [&] { tp->GetItem(-1); },       [&] { bouquets->GetItem(1); },
        [&] { bouquets->GetItem(0)->GetItem(1); },
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        try {
            calls[i]();
            ADD_FAILURE() << "call " << i << " did not raise";
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), "Index out of bounds.") << "call " << i;
        }
    }
}

TEST(ServiceTree, DuplicateSateliteMergesItsTransponders)
{
    auto list = makeList({
        {"Astra", {{"0001", "0085", "11000", {{"A", "0001"}}}}},
        {"Hotbird", {{"0002", "0085", "12000", {{"H", "0002"}}}}},
        {"Astra", {{"0003", "0085", "11500", {{"B", "0003"}}},
                   {"0004", "0085", "11600", {{"C", "0004"}}}}},
    });
    ASSERT_EQ(list->Count(), 2);
    const TSatelite *astra = list->GetItem(0);
    ASSERT_EQ(astra->Count(), 3);
    // Children of the merged satellite are taken from the last to the first.
    EXPECT_EQ(astra->GetItem(0)->Frequency, "11000");
    EXPECT_EQ(astra->GetItem(1)->Frequency, "11600");
    EXPECT_EQ(astra->GetItem(2)->Frequency, "11500");
}

TEST(ServiceTree, TranspondersDifferingOnlyInInversionMerge)
{
    auto list = makeList({{"Astra",
                           {{"0001", "0085", "11000", {{"A", "0001"}}, "0"},
                            {"0001", "0085", "11000", {{"B", "0002"}, {"C", "0003"}}, "1"},
                            {"0001", "0085", "11001", {{"D", "0004"}}, "0"}}}});
    const TSatelite *sat = list->GetItem(0);
    ASSERT_EQ(sat->Count(), 2);
    EXPECT_EQ(sat->GetItem(0)->Inversion, "0");
    EXPECT_EQ(serviceNames(*sat->GetItem(0)), "A C B");
}

TEST(ServiceTree, RepeatedServiceKeepsFirstOccurrence)
{
    auto tp = makeTransponder({"0001", "0085", "11000",
                               {{"A", "0001"}, {"A", "0001"}, {"A2", "0001"}, {"A", "0001", "02"}}});
    EXPECT_EQ(serviceNames(*tp), "A A2 A");

    auto first = makeService({"X", "0010"});
    first->SetProvider("first");
    auto second = makeService({"X", "0010"});
    second->SetProvider("second");
    TTransponder target;
    TService *inList = nullptr;
    target.AddService(std::move(first), &inList);
    EXPECT_EQ(target.AddService(std::move(second), &inList), 0);
    EXPECT_EQ(target.Count(), 1);
    EXPECT_EQ(inList->Provider(), "first");
}

TEST(ServiceTree, CopyAddsCloneAndKeepsCallersObject)
{
    TTransponder tp;
    auto original = makeService({"Copy me", "0042", "01", "add"});
    original->ChannelNr = "7";
    original->Marked = true;
    tp.AddService(*original);
    tp.AddService(*original); // copies never merge
    ASSERT_EQ(tp.Count(), 2);
    const TService *copy = tp.GetItem(0);
    EXPECT_NE(copy, original.get());
    EXPECT_EQ(copy->Name, "Copy me");
    EXPECT_EQ(copy->Action(), "");
    EXPECT_EQ(copy->ChannelNr, "0");
    EXPECT_FALSE(copy->Marked);
    EXPECT_EQ(copy->LogoIndex, 1);
}

struct TypeCase {
    const char *name;
    QString type;
    bool obsolete;
    bool tv, radio, data;
    int logoIndex;
    int typeIcon;
};

class ServiceTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ServiceTypeTest, ClassifiesByNumericType)
{
    const auto &c = GetParam();
    TService s;
    s.Obsolete = c.obsolete;
    s.SetServiceType(c.type);
    EXPECT_EQ(s.IsTv(), c.tv);
    EXPECT_EQ(s.IsRadio(), c.radio);
    EXPECT_EQ(s.IsData(), c.data);
    EXPECT_EQ(s.LogoIndex, c.logoIndex);
    EXPECT_EQ(s.GetTypeIconIndex(), c.typeIcon);
}

INSTANTIATE_TEST_SUITE_P(
    ServiceTree, ServiceTypeTest,
    ::testing::Values(TypeCase{"tv_two_digits", "01", false, true, false, false, 1, 0},
                      TypeCase{"tv_one_digit", "1", false, true, false, false, 1, 0},
                      TypeCase{"radio", "02", false, false, true, false, 2, 1},
                      TypeCase{"data_hex", "0A", false, false, false, true, 3, 2},
                      TypeCase{"data_zero", "00", false, false, false, true, 3, 2},
                      TypeCase{"obsolete_tv", "01", true, false, false, false, 0, 3},
                      TypeCase{"not_hex", "TV", false, false, false, false, 0, 2},
                      TypeCase{"empty", "", false, false, false, false, 0, 2},
                      TypeCase{"wildcard", "*", false, false, false, false, 0, 2}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ServiceTree, Actions)
{
    TService s;
    struct {
        const char *action;
        int getAction;
        bool add, remove, replace;
        int icon;
    } const rows[] = {
        {"add", saAdd, true, false, false, 1},
        {"Add", saNone, true, false, false, 0},
        {"remove", saRemove, false, true, false, 2},
        {"REPLACE", saNone, false, false, true, 0},
        {"replace", saReplace, false, false, true, 3},
        {"", saNone, false, false, false, 0},
    };
    for (const auto &r : rows) {
        s.SetActionText(QString::fromLatin1(r.action));
        EXPECT_EQ(s.GetAction(), r.getAction) << r.action;
        EXPECT_EQ(s.IsActionAdd(), r.add) << r.action;
        EXPECT_EQ(s.IsActionRemove(), r.remove) << r.action;
        EXPECT_EQ(s.IsActionReplace(), r.replace) << r.action;
        EXPECT_EQ(s.GetActionIconIndex(), r.icon) << r.action;
    }
    s.SetAction(saReplace);
    EXPECT_EQ(s.Action(), "replace");
    s.SetAction(saNone);
    EXPECT_EQ(s.Action(), "");
    s.SetAction(17);
    EXPECT_EQ(s.Action(), "");
}

TEST(ServiceTree, IdentifierConversions)
{
    TTransponder tp;
    tp.SetTsidDec("4660");
    EXPECT_EQ(tp.Tsid, "1234");
    EXPECT_EQ(tp.GetTsidDec(), "4660");
    tp.SetOnidDec("x1");
    EXPECT_EQ(tp.Onid, "0000");
    tp.Onid = "zz";
    EXPECT_EQ(tp.GetOnidDec(), "0");

    TService s;
    s.SetSidDec("28006");
    EXPECT_EQ(s.Sid, "6D66");
    s.SetSidDec("12a");
    EXPECT_EQ(s.Sid, "0000");
    s.SetServiceType("0c");
    EXPECT_EQ(s.GetServiceTypeDec(), "12");
}

TEST(ServiceTree, SetFecText)
{
    TTransponder tp;
    const std::pair<const char *, const char *> rows[] = {
        {"1/2", "1"}, {"3/4", "3"}, {"8/9", "8"}, {"9/10", "8"}, {"auto", "8"}, {"7/8", "7"},
    };
    for (const auto &[text, expected] : rows) {
        tp.SetFecText(QString::fromLatin1(text));
        EXPECT_EQ(tp.Fec, QString::fromLatin1(expected)) << text;
    }
}

TEST(ServiceTree, FindServiceComparesWhatItIsAskedTo)
{
    auto tp = makeTransponder({"0001", "0085", "11000", {{"Eins", "00aa", "01"}}});
    TService *found = nullptr;
    const struct {
        const char *name;
        Svc templ;
        bool compareName, compareType;
        bool found;
    } rows[] = {
        {"all_fields", {"Eins", "00AA", "01"}, true, true, true},
        {"name_is_case_sensitive", {"EINS", "00AA", "01"}, true, true, false},
        {"type_without_name", {"Other", "00AA", "01"}, false, true, true},
        {"type_differs", {"Eins", "00AA", "02"}, false, true, false},
        {"sid_alone", {"Other", "00aa", "02"}, false, false, true},
        {"name_ignored_without_type", {"Other", "00AA", "02"}, true, false, true},
        {"width_must_agree", {"Eins", "AA", "01"}, true, true, false},
    };
    for (const auto &r : rows) {
        const auto templ = makeService(r.templ);
        EXPECT_EQ(tp->FindService(*templ, false, r.compareName, r.compareType, found) >= 0, r.found)
            << r.name;
    }
}

TEST(ServiceTree, LinkMyServices)
{
    auto services = makeList({{"Astra", {{"0001", "0085", "11000", {{"A", "0001"}, {"B", "0002"}}}}}});
    auto my = makeList({{"Astra",
                         {{"0001", "0085", "11000",
                           {{"Renamed A", "0001", "01", "replace"},
                            {"Gone", "0099", "01", "replace"},
                            {"Gone too", "0098", "01", "Remove"},
                            {"New", "0097", "01", "add"}}}}}});
    services->LinkMyServices(*my);
    EXPECT_EQ(findService(*services, "A")->MyAction(), "replace");
    EXPECT_EQ(findService(*services, "B")->MyAction(), "");
    EXPECT_FALSE(findService(*my, "Renamed A")->Obsolete);
    EXPECT_TRUE(findService(*my, "Gone")->Obsolete);
    EXPECT_TRUE(findService(*my, "Gone too")->Obsolete);
    EXPECT_FALSE(findService(*my, "New")->Obsolete);
}

TEST(ServiceTree, AddServiceCopyBuildsMissingLevels)
{
    auto source = makeList(
        {{"Hotbird", {{"0005", "013E", "12000", {{"Rai", "0010"}, {"Rai 2", "0011"}}}}, "130"}});
    source->GetItem(0)->Diseqc = "2";
    const TSatelite &sat = *source->GetItem(0);
    const TTransponder &tp = *sat.GetItem(0);
    TServiceList target;
    target.Format = 4; // a dialect that writes the position
    TService *added = nullptr;

    EXPECT_EQ(target.AddServiceCopy(*tp.GetItem(0), tp, sat, added), 0);
    ASSERT_EQ(target.Count(), 1);
    EXPECT_EQ(target.GetItem(0)->Diseqc, "2");
    EXPECT_EQ(target.GetItem(0)->Position, "130");
    EXPECT_EQ(target.GetItem(0)->GetItem(0)->Onid, "013E");
    EXPECT_EQ(added, target.GetItem(0)->GetItem(0)->GetItem(0));

    EXPECT_EQ(target.AddServiceCopy(*tp.GetItem(1), tp, sat, added), 1);
    TService *again = nullptr;
    EXPECT_EQ(target.AddServiceCopy(*tp.GetItem(1), tp, sat, again), 1);
    EXPECT_EQ(again, added);

    TTransponder other;
    other.Frequency = "12100";
    EXPECT_EQ(target.AddServiceCopy(*tp.GetItem(0), other, sat, added), -1);
    EXPECT_EQ(target.GetItem(0)->Count(), 2);
}

TEST(ServiceTree, BouquetNamesSortedAndUnique)
{
    TService s;
    s.AddBouquetName("Movies");
    s.AddBouquetName("news");
    s.AddBouquetName("NEWS");
    s.AddBouquetName("");
    s.AddBouquetName("Ärzte");
    s.AddBouquetName("alpha");
    ASSERT_EQ(s.BouquetNames().size(), 4);
    for (qsizetype i = 1; i < s.BouquetNames().size(); ++i)
        EXPECT_LE(compareText(s.BouquetNames()[i - 1], s.BouquetNames()[i]), 0) << i;
    EXPECT_TRUE(s.IsInBouquet());
}

TEST(SaveHandlerTest, ChangesNotifyOnlyWhenTheFlagFlips)
{
    SaveHandler().SetSaved();
    QSignalSpy spy(&SaveHandler(), &TSaveHandler::savedChanged);
    TTransponder tp;
    tp.AddService(makeService({"A", "0001"}));
    tp.AddService(makeService({"B", "0002"}));
    EXPECT_FALSE(SaveHandler().Saved());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FALSE(spy.at(0).at(0).toBool());
    SaveHandler().SetSaved();
    EXPECT_EQ(spy.count(), 2);
    // A removal that finds nothing still counts as a change.
    EXPECT_EQ(tp.RemoveObsolete(), 0);
    EXPECT_FALSE(SaveHandler().Saved());
}

TEST(SaveHandlerTest, DestroyingListsDoesNotMarkModified)
{
    auto services = makeList({{"Astra", {{"0001", "0085", "11000", {{"A", "0001"}}}}}});
    auto bouquets = makeBouquets({{"Fav", {{"A", "0001", "0001", "0085"}}}});
    bouquets->Link(*services, *services);
    SaveHandler().SetSaved();
    QSignalSpy spy(&SaveHandler(), &TSaveHandler::savedChanged);
    bouquets.reset();
    services.reset();
    EXPECT_TRUE(SaveHandler().Saved());
    EXPECT_EQ(spy.count(), 0);

    TServiceList cleared;
    cleared.Clear();
    EXPECT_FALSE(SaveHandler().Saved());
}

} // namespace
