#include "main_window_support.h"
#include "service_dialogs_world.h"

#include "core/model/bouquet.h"
#include "core/model/bouquet_service.h"
#include "ui/grid/image_list.h"
#include "ui/grid/list_grid.h"

#include <QAction>
#include <QLabel>

#include <ostream>

namespace {

using namespace service_dialogs;

// -------------------------------------------------------- bouquet-entry mode

TEST_F(ServiceDialogs, BouquetEntryModeShowsOnlyTheEntrysNameAndIds)
{
    player.then([&](QDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Bouquet Service Properties"));
        EXPECT_TRUE(dialog.findChild<QPushButton *>(QStringLiteral("BtnFind"))->isVisible());
        EXPECT_FALSE(dialog.findChild<QPushButton *>(QStringLiteral("BtnAction"))->isVisible());
        EXPECT_EQ(text(dialog, "EdtServiceName"), QStringLiteral("Lost Channel"));
        EXPECT_EQ(text(dialog, "EdtSID"), QStringLiteral("1234"));
        EXPECT_EQ(text(dialog, "EdtTSID"), QStringLiteral("0001"));
        EXPECT_EQ(text(dialog, "EdtONID"), QStringLiteral("0085"));
        for (const char *name : kNineServiceOnlyEdits) {
            EXPECT_FALSE(edit(dialog, name)->isEnabled()) << name;
            EXPECT_EQ(text(dialog, name), QStringLiteral("-")) << name;
        }
        EXPECT_TRUE(saveShot(dialog, QStringLiteral("service_properties_bouquet_mode.png")));
        click(dialog, "BtnCancel");
    });
    EXPECT_FALSE(props.ShowBouquetServiceProperties(*unlinkedEntry));
    EXPECT_EQ(unlinkedEntry->Name, QStringLiteral("Lost Channel"));
    EXPECT_TRUE(SaveHandler().Saved());

    // The service mode afterwards enables its fields again.
    player.then([&](QDialog &dialog) {
        for (const char *name : kNineServiceOnlyEdits)
            EXPECT_TRUE(edit(dialog, name)->isEnabled()) << name;
        EXPECT_FALSE(dialog.findChild<QPushButton *>(QStringLiteral("BtnFind"))->isVisible());
        click(dialog, "BtnCancel");
    });
    EXPECT_FALSE(editChannelOne());
}

TEST_F(ServiceDialogs, BouquetEntryModeWritesTheFourFieldsIntoTheEntry)
{
    player.then(fillAndPress({{"EdtServiceName", QStringLiteral("Found\x01 Again")},
                              {"EdtSID", "6d70"},
                              {"EdtTSID", "0437"},
                              {"EdtONID", "0001"}}));
    EXPECT_TRUE(props.ShowBouquetServiceProperties(*unlinkedEntry));
    EXPECT_EQ(unlinkedEntry->Name, QStringLiteral("Found Again"));
    EXPECT_EQ(unlinkedEntry->Sid, QStringLiteral("6d70"));
    EXPECT_EQ(unlinkedEntry->Tsid, QStringLiteral("0437"));
    EXPECT_EQ(unlinkedEntry->Onid, QStringLiteral("0001"));
    EXPECT_FALSE(SaveHandler().Saved());
    link();
    EXPECT_EQ(unlinkedEntry->Service(), find("Radio Three").service);
}

class BouquetFieldRefusals : public ServiceDialogs, public ::testing::WithParamInterface<RefusalRow>
{
};

TEST_P(BouquetFieldRefusals, AreReportedAndAskedAgain)
{
    const RefusalRow &row = GetParam();
    player.then(fillAndPress(row.typedFields())).then([&](QDialog &dialog) {
        for (const auto &[name, typed] : row.typedFields())
            EXPECT_EQ(text(dialog, name), typed) << name;
        EXPECT_EQ(dialog.focusWidget(), edit(dialog, row.field));
        click(dialog, "BtnCancel");
    });
    EXPECT_FALSE(props.ShowBouquetServiceProperties(*unlinkedEntry));
    EXPECT_EQ(player.shows, 2);
    EXPECT_EQ(prompts.texts(), QStringList({row.message}));
    EXPECT_EQ(unlinkedEntry->Sid, QStringLiteral("1234"));
    EXPECT_EQ(unlinkedEntry->Name, QStringLiteral("Lost Channel"));
}

const RefusalRow kBouquetRefusals[] = {
    {"EmptySid", "EdtSID", "", kInvalid},
    {"EmptyTsid", "EdtTSID", "", kInvalid},
    {"OnidNotHex", "EdtONID", "xyz", kInvalid},
    {"EmptyName", "EdtServiceName", "", kNameEmpty},
    {"SidBeforeOnid", "EdtSID", "", kInvalid, {{"EdtONID", "xyz"}}},
};

INSTANTIATE_TEST_SUITE_P(Fields, BouquetFieldRefusals, ::testing::ValuesIn(kBouquetRefusals),
                         [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------- a linked entry in the main window

// Every satellite and transponder of a list with its services' names and
// actions, in list order: equal shapes are lists nothing was moved into or
// out of.
QStringList shape(const TServiceList &list)
{
    QStringList result;
    for (int a = 0; a < list.Count(); ++a) {
        const TSatelite *sat = list.GetItem(a);
        result.append(sat->Name);
        for (int t = 0; t < sat->Count(); ++t) {
            const TTransponder *tp = sat->GetItem(t);
            QStringList services;
            for (int s = 0; s < tp->Count(); ++s)
                services.append(tp->GetItem(s)->Name + u'/' + tp->GetItem(s)->Action());
            result.append(sat->Name + u' ' + tp->Tsid + QStringLiteral(": ")
                          + services.join(QStringLiteral(", ")));
        }
    }
    return result;
}

bool holds(const TServiceList &list, const TService *service)
{
    bool found = false;
    list.forEachService([&](TService *s, TTransponder *, TSatelite *) { found |= s == service; });
    return found;
}

struct LinkedEntryRow {
    const char *name;
    QString entry;   // the bouquet row's name
    QString renamed; // typed into the name field; empty: OK on the shown fields
    bool doubleClick; // else the popup item
    int linkState;
    QByteArray savedChannel; // its line in MyServices.xml, empty: none
};

void PrintTo(const LinkedEntryRow &row, std::ostream *os)
{
    *os << row.name;
}

class LinkedBouquetEntry : public ::testing::TestWithParam<LinkedEntryRow>
{
};

// The entry's service is edited where it lives, as that list's own grid edits
// it: an OK moves nothing between the lists and keeps the action.
TEST_P(LinkedBouquetEntry, IsEditedInTheListItBelongsTo)
{
    const LinkedEntryRow &row = GetParam();
    TProgramWorld world;
    world.start();
    TFrmMain &main = world.main();
    TServiceList &services = *world.program.ServiceList;
    TServiceList &myServices = *world.program.MyServiceList;
    TListGrid *grid = main.BouquetGrid;
    const int at = columnTexts(*grid, QStringLiteral("ColBouName")).indexOf(row.entry);
    ASSERT_GE(at, 0) << qPrintable(row.entry);
    TBouquetService *entry = main.CurrentBouquet()->GetItem(at);
    ASSERT_EQ(entry->LinkState, row.linkState);
    TService *service = entry->Service();
    const QString action = service->Action();
    const bool mine = row.linkState == lsMyServices;
    const QString name = row.renamed.isEmpty() ? row.entry : row.renamed;
    QStringList expectedMine = shape(myServices);
    const QStringList expectedServices = shape(services);
    if (!row.renamed.isEmpty())
        expectedMine.replaceInStrings(row.entry + u'/', row.renamed + u'/');

    auto *props =
        world.program.FormAs<TFrmServiceProperties>(QStringLiteral("FrmServiceProperties"));
    ASSERT_NE(props, nullptr);
    DialogPlayer player(*props);
    player.then([&](QDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Service Properties"));
        EXPECT_EQ(text(dialog, "EdtServiceName"), row.entry);
        EXPECT_EQ(dialog.findChild<QPushButton *>(QStringLiteral("BtnAction"))->isVisible(), mine);
        if (!row.renamed.isEmpty())
            type(dialog, "EdtServiceName", row.renamed);
        click(dialog, "BtnOk");
    });
    if (row.doubleClick) {
        // The first press of a double click selects the row.
        const QPoint centre =
            grid->CellRect(TFrmMain::ColumnByName(grid, "ColBouName"), at).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, centre);
    } else {
        grid->ClearSelection();
        grid->SetSelected(at, true);
        QAction *item = main.ActionByName(QStringLiteral("PopupItmBouServiceProperties"));
        ASSERT_NE(item, nullptr);
        item->trigger();
    }
    EXPECT_EQ(player.shows, 1);
    EXPECT_EQ(player.unexpectedShows, 0);

    EXPECT_EQ(shape(myServices), expectedMine);
    EXPECT_EQ(shape(services), expectedServices);
    ASSERT_TRUE(holds(mine ? myServices : services, service));
    EXPECT_EQ(service->Name, name);
    EXPECT_EQ(service->Action(), action);
    EXPECT_EQ(entry->Service(), service);
    EXPECT_EQ(entry->LinkState, row.linkState);
    EXPECT_EQ(entry->Name, name);
    EXPECT_EQ(columnTexts(*grid, QStringLiteral("ColBouName")).value(at), name);
    // OK on the fields as shown is no change: closing would ask nothing.
    EXPECT_EQ(SaveHandler().Saved(), row.renamed.isEmpty());

    ASSERT_TRUE(main.SaveFiles());
    const QByteArray saved = world.bytes(QStringLiteral("MyServices.xml"));
    EXPECT_EQ(saved.count("<channel "), 6);
    if (!row.savedChannel.isEmpty()) {
        EXPECT_TRUE(saved.contains(row.savedChannel)) << saved.constData();
    }
}

const LinkedEntryRow kLinkedEntries[] = {
    {"MyServicesEntryUnchanged", QStringLiteral("Regionalfenster Süd"), {}, true, lsMyServices,
     QByteArrayLiteral("service_id=\"6dd5\" action=\"add\" name=\"Regionalfenster S\xc3\xbc""d\"")},
    {"MyServicesEntryRenamed", QStringLiteral("3sat Kultur"), QStringLiteral("3sat Kunst"), false,
     lsMyServices, QByteArrayLiteral("service_id=\"6d67\" action=\"replace\" name=\"3sat Kunst\"")},
    {"ServicesEntryUnchanged", QStringLiteral("ZDF"), {}, true, lsServices, {}},
};

INSTANTIATE_TEST_SUITE_P(Edits, LinkedBouquetEntry, ::testing::ValuesIn(kLinkedEntries),
                         [](const auto &info) { return std::string(info.param.name); });

// --------------------------------------------------------------- the search

struct SearchRow {
    const char *name;
    std::vector<std::pair<const char *, QString>> fields;
    QStringList candidates; // service names, in list order
    QString title;
};

void PrintTo(const SearchRow &row, std::ostream *os)
{
    *os << row.name;
}

class BouquetSearch : public ServiceDialogs, public ::testing::WithParamInterface<SearchRow>
{
};

TEST_P(BouquetSearch, ListsEveryHitOnceUnderItsTitle)
{
    const SearchRow &row = GetParam();
    QStringList listed;
    picker.then([&](QDialog &dialog) {
        listed.clear();
        auto *grid = dialog.findChild<TListGrid *>(QStringLiteral("SelectionGrid"));
        for (int r = 0; r < grid->RowCount(); ++r)
            listed.append(grid->Cells(0, r));
        EXPECT_EQ(dialog.windowTitle(), row.title);
        EXPECT_TRUE(grid->Selected(0));
        EXPECT_EQ(dialog.focusWidget(), grid);
        click(dialog, "BtnCancel");
    });
    player.then([&](QDialog &dialog) {
        for (const auto &[name, typed] : row.fields)
            type(dialog, name, typed);
        click(dialog, "BtnFind");
        // A cancelled choice leaves the fields as they were typed.
        for (const auto &[name, typed] : row.fields)
            EXPECT_EQ(text(dialog, name), typed) << name;
        click(dialog, "BtnCancel");
    });
    EXPECT_FALSE(props.ShowBouquetServiceProperties(*unlinkedEntry));
    EXPECT_EQ(listed, row.candidates);
    EXPECT_EQ(picker.shows, row.candidates.isEmpty() ? 0 : 1);
    EXPECT_EQ(prompts.texts(), row.candidates.isEmpty() ? QStringList({kNothingFound}) : QStringList());
}

const SearchRow kSearches[] = {
    {"SingleHitByIds",
     {{"EdtSID", "6d67"}, {"EdtTSID", "0437"}, {"EdtONID", "0001"}},
     {"Channel Two"},
     "One Fitting Service Found"},
    {"HitsByIdsThenByName",
     {{"EdtSID", "0D49"}, {"EdtTSID", "2EE0"}, {"EdtONID", "013E"}, {"EdtServiceName", "Channel*"}},
     {"Sports", "Channel One", "Channel Two"},
     "Choose A Service"},
    {"ServiceFoundByIdsAndNameListedOnce",
     {{"EdtSID", "2EE3"}, {"EdtTSID", "0441"}, {"EdtONID", "0001"}, {"EdtServiceName", "News 24"}},
     {"News 24"},
     "One Fitting Service Found"},
    {"NothingFits", {{"EdtServiceName", "Nowhere"}}, {}, ""},
};

INSTANTIATE_TEST_SUITE_P(Searches, BouquetSearch, ::testing::ValuesIn(kSearches),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ServiceDialogs, ChosenHitLinksTheEntryAndFillsItsFields)
{
    TService *two = find("Channel Two").service;
    picker.then([&](QDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Choose A Service"));
        auto *grid = dialog.findChild<TListGrid *>(QStringLiteral("SelectionGrid"));
        EXPECT_EQ(grid->Cells(1, 1), QStringLiteral("6D67"));
        EXPECT_EQ(grid->Cells(2, 1), QStringLiteral("0437"));
        EXPECT_EQ(grid->Cells(3, 1), QStringLiteral("Sat A 19.2E"));
        grid->SetSelectedRow(1);
        // The selection shows only in the active window.
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        EXPECT_TRUE(saveShot(dialog, QStringLiteral("service_selection_list_choice.png")));
        click(dialog, "BtnOk");
    });
    player.then([&](QDialog &dialog) {
        type(dialog, "EdtServiceName", QStringLiteral("Channel ???"));
        click(dialog, "BtnFind");
        EXPECT_EQ(text(dialog, "EdtServiceName"), QStringLiteral("Channel Two"));
        EXPECT_EQ(text(dialog, "EdtSID"), QStringLiteral("6D67"));
        EXPECT_EQ(text(dialog, "EdtTSID"), QStringLiteral("0437"));
        EXPECT_EQ(text(dialog, "EdtONID"), QStringLiteral("0001"));
        EXPECT_EQ(text(dialog, "EdtSatName"), QStringLiteral("-"));
        click(dialog, "BtnOk");
    });
    EXPECT_TRUE(props.ShowBouquetServiceProperties(*unlinkedEntry));
    EXPECT_EQ(unlinkedEntry->Service(), two);
    EXPECT_EQ(unlinkedEntry->Transponder(), tp1);
    EXPECT_EQ(unlinkedEntry->Satelite(), satA);
    EXPECT_EQ(unlinkedEntry->Name, QStringLiteral("Channel Two"));
    EXPECT_EQ(unlinkedEntry->Sid, QStringLiteral("6D67"));
    EXPECT_EQ(unlinkedEntry->Onid, QStringLiteral("0001"));
}

TEST_F(ServiceDialogs, CancelAfterAChosenHitLeavesTheEntryAsItWas)
{
    picker.then(press("BtnOk"));
    // Find does not close the dialog: the cancel follows on the same show.
    player.then([&](QDialog &dialog) {
        fillAndPress({{"EdtSID", "0D49"}, {"EdtTSID", "2EE0"}, {"EdtONID", "013E"}}, "BtnFind")(dialog);
        EXPECT_EQ(text(dialog, "EdtServiceName"), QStringLiteral("Sports"));
        click(dialog, "BtnCancel");
    });
    EXPECT_FALSE(props.ShowBouquetServiceProperties(*unlinkedEntry));
    EXPECT_EQ(picker.shows, 1);
    EXPECT_EQ(unlinkedEntry->Service(), nullptr);
    EXPECT_EQ(unlinkedEntry->Sid, QStringLiteral("1234"));
    EXPECT_EQ(unlinkedEntry->Name, QStringLiteral("Lost Channel"));
    EXPECT_TRUE(SaveHandler().Saved());
}

// ------------------------------------------------------- the selection list

TEST_F(ServiceDialogs, SelectionListWithoutCandidatesAnswersCancelWithoutShowing)
{
    TService *service = channelOne;
    TTransponder *transponder = tp1;
    TSatelite *sat = satA;
    EXPECT_EQ(selection.Execute(service, transponder, sat), int(QDialog::Rejected));
    EXPECT_EQ(service, nullptr);
    EXPECT_EQ(transponder, nullptr);
    EXPECT_EQ(sat, nullptr);
    EXPECT_EQ(picker.shows, 0);
}

TEST_F(ServiceDialogs, SelectionListStripesItsEvenRowsAndAnswersTheSelectedRow)
{
    selection.AddCandidate(channelOne, tp1, satA);
    selection.AddCandidate(tp2->GetItem(0), tp2, satA);
    selection.AddCandidate(tp3->GetItem(0), tp3, satelite(QStringLiteral("Sat B 13.0E")));
    picker.then([&](QDialog &dialog) {
        auto *grid = dialog.findChild<TListGrid *>(QStringLiteral("SelectionGrid"));
        // Sampled at the right end of the SID cells, away from their text.
        const QImage drawn = grid->viewport()->grab().toImage();
        const auto background = [&](int row) {
            const QRect cell = grid->CellRect(1, row);
            return drawn.pixelColor(cell.right() - 3, cell.center().y());
        };
        const QColor stripe(0xFE, 0xFC, 0xF5);
        EXPECT_EQ(background(2), stripe);
        EXPECT_NE(background(1), stripe);
        EXPECT_NE(background(0), stripe); // selected
        grid->SetSelectedRow(2);
        click(dialog, "BtnOk");
    });
    TService *service = nullptr;
    TTransponder *transponder = nullptr;
    TSatelite *sat = nullptr;
    EXPECT_EQ(selection.Execute(service, transponder, sat), int(QDialog::Accepted));
    EXPECT_EQ(service, tp3->GetItem(0));
    EXPECT_EQ(transponder, tp3);
    EXPECT_EQ(sat->Name, QStringLiteral("Sat B 13.0E"));
}

} // namespace
