#include "app/dialogs/optimize_dialog.h"
#include "app/dialogs/please_wait.h"
#include "app/dialogs/sort_selection.h"
#include "app/dialogs/toggle_actions.h"
#include "ui/program/program.h"

#include "app_test_support.h"
#include "core/model/bouquet.h"
#include "core/model/bouquet_list.h"
#include "core/model/bouquet_service.h"
#include "core/model/service.h"
#include "core/model/service_list.h"
#include "scripted_prompts.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QHash>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

namespace {

template <typename T>
T *child(const QWidget &form, const char *name)
{
    auto *found = form.findChild<T *>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// A check box or radio button reacts to clicks on its indicator and text
// only; the middle of a wide one may be neither.
void clickIndicator(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// ------------------------------------------------------------ the world

// A service with its place in the tree, made the way the readers make them:
// children first, then added upwards, merging with what is there.
void addService(TServiceList &list, const char *sat, const char *tsid, const char *frequency,
                const char *name, const char *sid, const char *type, const char *action = "")
{
    auto service = std::make_unique<TService>();
    service->Name = QString::fromUtf8(name);
    service->Sid = QLatin1String(sid);
    service->SetServiceType(QLatin1String(type));
    service->SetActionText(QLatin1String(action));
    auto transponder = std::make_unique<TTransponder>();
    transponder->Tsid = QLatin1String(tsid);
    transponder->Onid = QStringLiteral("0085");
    transponder->Frequency = QLatin1String(frequency);
    transponder->AddService(std::move(service));
    auto satelite = std::make_unique<TSatelite>();
    satelite->Name = QLatin1String(sat);
    satelite->AddTransponder(std::move(transponder));
    list.AddSatelite(std::move(satelite));
}

void addEntry(TBouquetList &bouquets, const char *bouquetName, const char *name, const char *sid,
              const char *tsid)
{
    TBouquet *bouquet = nullptr;
    bouquets.AddNewBouquet(QLatin1String(bouquetName), bouquet);
    auto entry = std::make_unique<TBouquetService>();
    entry->Name = QString::fromUtf8(name);
    entry->Sid = QLatin1String(sid);
    entry->Tsid = QLatin1String(tsid);
    entry->Onid = QStringLiteral("0085");
    bouquet->Add(std::move(entry));
}

// Every case starts from this channel list, linked as the main window links
// it after loading:
//
// services   Astra 0001: Das Erste (TV, in both bouquets), Datakanal (data,
//                        in both bouquets), Radio Eins (in none), Stream
//                        (data, in none), Beta (TV, see below)
//            Astra 0002: Moved One (TV, in none), Datakanal (TV, in none:
//                        the data service's namesake)
// my-services Astra 0001: Extra ("add": never obsolete), Stream ("remove":
//                        valid while Stream exists)
//            Hotbird 0001: Beta ("replace", obsolete: no such satellite in
//                        the services), yet Hits' Beta entry links to it by ids
// bouquets   Hits: Das Erste, Datakanal, Beta, Moved One (unknown id, known
//                  name), Gone (unknown id and name)
//            News: Datakanal, Das Erste
void buildWorld(TProgram &program)
{
    TServiceList &services = *program.ServiceList;
    addService(services, "Astra", "0001", "11836", "Das Erste", "0001", "01");
    addService(services, "Astra", "0001", "11836", "Datakanal", "0002", "0C");
    addService(services, "Astra", "0001", "11836", "Radio Eins", "0003", "02");
    addService(services, "Astra", "0001", "11836", "Stream", "0004", "0C");
    addService(services, "Astra", "0001", "11836", "Beta", "0005", "01");
    addService(services, "Astra", "0002", "12188", "Moved One", "0011", "01");
    addService(services, "Astra", "0002", "12188", "Datakanal", "0010", "01");

    TServiceList &myServices = *program.MyServiceList;
    addService(myServices, "Astra", "0001", "11836", "Extra", "0020", "01", "add");
    addService(myServices, "Astra", "0001", "11836", "Stream", "0004", "0C", "remove");
    addService(myServices, "Hotbird", "0001", "11836", "Beta", "0005", "01", "replace");

    TBouquetList &bouquets = *program.BouquetList;
    addEntry(bouquets, "Hits", "Das Erste", "0001", "0001");
    addEntry(bouquets, "Hits", "Datakanal", "0002", "0001");
    addEntry(bouquets, "Hits", "Beta", "0005", "0001");
    addEntry(bouquets, "Hits", "Moved One", "0077", "0002");
    addEntry(bouquets, "Hits", "Gone", "0088", "0009");
    addEntry(bouquets, "News", "Datakanal", "0002", "0001");
    addEntry(bouquets, "News", "Das Erste", "0001", "0001");

    services.LinkMyServices(myServices);
    bouquets.Link(services, myServices);
}

// "Name sid" of every service of a list, in tree order.
QStringList serviceNames(const TServiceList &list)
{
    QStringList names;
    list.forEachService([&](TService *service, TTransponder *, TSatelite *) {
        names.append(service->Name + QLatin1Char(' ') + service->Sid);
    });
    return names;
}

// "Name sid state" of every entry of a bouquet.
QStringList entryTexts(const TBouquetList &bouquets, const char *bouquetName)
{
    QStringList texts;
    const int index = bouquets.IndexOf(QLatin1String(bouquetName));
    if (index < 0)
        return texts;
    const TBouquet *bouquet = bouquets.GetItem(index);
    for (int i = 0; i < bouquet->Count(); ++i) {
        const TBouquetService *entry = bouquet->GetItem(i);
        texts.append(entry->Name + QLatin1Char(' ') + entry->Sid + QLatin1Char(' ')
                     + QString::number(entry->LinkState));
    }
    return texts;
}

// Everything linking derives is what a fresh linking of the lists as they
// are now would make, and every link points at a service that is still in
// its list (read through, so the sanitizer build catches a freed one).
void expectLinksCurrent(const TProgram &program)
{
    struct Place {
        TTransponder *transponder;
        TSatelite *satelite;
        int state;
    };
    std::map<const TService *, Place> places;
    std::map<const TService *, QStringList> wantedNames;
    program.ServiceList->forEachService([&](TService *s, TTransponder *t, TSatelite *a) {
        places[s] = {t, a, lsServices};
        wantedNames[s];
    });
    program.MyServiceList->forEachService([&](TService *s, TTransponder *t, TSatelite *a) {
        places[s] = {t, a, lsMyServices};
        wantedNames[s];
    });

    const TBouquetList &bouquets = *program.BouquetList;
    for (int b = 0; b < bouquets.Count(); ++b) {
        const TBouquet *bouquet = bouquets.GetItem(b);
        for (int i = 0; i < bouquet->Count(); ++i) {
            const TBouquetService *entry = bouquet->GetItem(i);
            const QString where = bouquet->Name + QLatin1Char('/') + entry->Name;
            if (!entry->Service()) {
                EXPECT_EQ(entry->Transponder(), nullptr) << qPrintable(where);
                EXPECT_EQ(entry->Satelite(), nullptr) << qPrintable(where);
                EXPECT_EQ(entry->LinkState, lsUnresolved) << qPrintable(where);
                continue;
            }
            const auto place = places.find(entry->Service());
            ASSERT_NE(place, places.end()) << qPrintable(where) << " links to a service of no list";
            EXPECT_EQ(entry->Transponder(), place->second.transponder) << qPrintable(where);
            EXPECT_EQ(entry->Satelite(), place->second.satelite) << qPrintable(where);
            EXPECT_EQ(entry->LinkState, place->second.state) << qPrintable(where);
            EXPECT_EQ(entry->Name, entry->Service()->Name) << qPrintable(where);
            QStringList &names = wantedNames[entry->Service()];
            if (!names.contains(bouquet->Name))
                names.append(bouquet->Name);
        }
    }
    for (auto &[service, names] : wantedNames) {
        names.sort(Qt::CaseInsensitive);
        EXPECT_EQ(service->BouquetNames(), names) << qPrintable(service->Name);
    }

    program.MyServiceList->forEachService([&](TService *entry, TTransponder *t, TSatelite *a) {
        TService *target = nullptr;
        const bool found = program.ServiceList->FindExact(*entry, *t, *a, false, false, target) >= 0;
        const bool obsolete = !found && (entry->IsActionRemove() || entry->IsActionReplace());
        EXPECT_EQ(entry->Obsolete, obsolete) << qPrintable(entry->Name);
    });
}

// ------------------------------------------------------------ optimise

enum Step : unsigned {
    stData = 1,
    stFix = 2,
    stObsolete = 4,
    stUnused = 8,
    stMyObsolete = 16,
    stAll = 31,
};

const char *const kBoxes[] = {"CbxRemoveDataServices", "CbxFixObsoleteServices",
                              "CbxRemoveObsoleteServices", "CbxRemoveUnusedServices",
                              "CbxRemoveObsoleteMyServices"};
const unsigned kBoxSteps[] = {stData, stFix, stObsolete, stUnused, stMyObsolete};

class OptimizeDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program.Prompts = &prompts;
        program.CreateLists();
        buildWorld(program);
        dialog.SetProgram(&program);
    }

    // Ticks exactly the given steps by clicking the boxes that differ.
    void choose(unsigned steps)
    {
        for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
            auto *box = child<QCheckBox>(dialog, kBoxes[i]);
            if (box->isChecked() != bool(steps & kBoxSteps[i]))
                clickIndicator(box);
            EXPECT_EQ(box->isChecked(), bool(steps & kBoxSteps[i])) << kBoxes[i];
        }
    }

    // Opens the window, ticks the steps and presses Optimize!
    void optimize(unsigned steps)
    {
        dialog.open();
        choose(steps);
        QTest::mouseClick(child<QPushButton>(dialog, "BtnOptimize"), Qt::LeftButton);
    }

    QApplication &app = appTestApp();
    TScriptedPrompts prompts;
    TProgram program;
    TFrmOptimize dialog;
};

QString report(const char *data, const char *fixed, const char *obsolete, const char *my,
               const char *unused)
{
    return QStringLiteral("Optimization results:\r\n\r\nRemoved Data Services: %1\r\n"
                          "Fixed Obsolete Bouquet Services: %2\r\n"
                          "Removed Obsolete Bouquet Services: %3\r\n"
                          "Removed Obsolete MyServices: %4\r\n"
                          "Removed Unused Services: %5")
        .arg(QLatin1String(data), QLatin1String(fixed), QLatin1String(obsolete),
             QLatin1String(my), QLatin1String(unused));
}

struct RunRow {
    const char *name;
    unsigned steps;
    QString report;
    QStringList services; // what the services list keeps
    QStringList hits;     // the Hits bouquet afterwards
    QStringList myServices;
};

void PrintTo(const RunRow &row, std::ostream *out)
{
    *out << row.name;
}

class OptimizeRuns : public OptimizeDialog, public ::testing::WithParamInterface<RunRow>
{
};

const QStringList kAllServices = {"Das Erste 0001", "Datakanal 0002", "Radio Eins 0003",
                                  "Stream 0004",    "Beta 0005",      "Moved One 0011",
                                  "Datakanal 0010"};
const QStringList kAllMyServices = {"Extra 0020", "Stream 0004", "Beta 0005"};

// Link states: 0 services list, 1 my-services list, 2 obsolete.
const RunRow kRuns[] = {
    {"only_unused_services",
     stUnused,
     report("n/a", "n/a", "n/a", "n/a", "3"),
     // Hits' Beta entry links to the my-services entry, yet it names the
     // services' Beta by its ids; Stream is what the "remove" entry refers
     // to. Both are in use.
     {"Das Erste 0001", "Datakanal 0002", "Stream 0004", "Beta 0005"},
     {"Das Erste 0001 0", "Datakanal 0002 0", "Beta 0005 1", "Moved One 0077 2", "Gone 0088 2"},
     kAllMyServices},
    {"only_data_services",
     stData,
     report("2", "n/a", "n/a", "n/a", "n/a"),
     {"Das Erste 0001", "Radio Eins 0003", "Beta 0005", "Moved One 0011", "Datakanal 0010"},
     {"Das Erste 0001 0", "Beta 0005 1", "Moved One 0077 2", "Gone 0088 2"},
     kAllMyServices},
    {"only_fix",
     stFix,
     report("n/a", "1", "n/a", "n/a", "n/a"),
     kAllServices,
     {"Das Erste 0001 0", "Datakanal 0002 0", "Beta 0005 1", "Moved One 0011 0", "Gone 0088 2"},
     kAllMyServices},
    {"only_obsolete_bouquet_services",
     stObsolete,
     report("n/a", "n/a", "2", "n/a", "n/a"),
     kAllServices,
     {"Das Erste 0001 0", "Datakanal 0002 0", "Beta 0005 1"},
     kAllMyServices},
    {"only_obsolete_my_services",
     stMyObsolete,
     report("n/a", "n/a", "n/a", "1", "n/a"),
     kAllServices,
     // With its my-services entry gone, Beta's entry falls back to the
     // services list's Beta.
     {"Das Erste 0001 0", "Datakanal 0002 0", "Beta 0005 0", "Moved One 0077 2", "Gone 0088 2"},
     {"Extra 0020", "Stream 0004"}},
    {"data_then_fix",
     stData | stFix,
     // The data entries went with their services; none was left obsolete
     // for fixing to hand to the TV namesake.
     report("2", "1", "n/a", "n/a", "n/a"),
     {"Das Erste 0001", "Radio Eins 0003", "Beta 0005", "Moved One 0011", "Datakanal 0010"},
     {"Das Erste 0001 0", "Beta 0005 1", "Moved One 0011 0", "Gone 0088 2"},
     kAllMyServices},
    {"all_five",
     stAll,
     // Stream's "remove" entry became obsolete with the data services, and
     // Beta survives as used once its entry fell back to it.
     report("2", "1", "1", "2", "2"),
     {"Das Erste 0001", "Beta 0005", "Moved One 0011"},
     {"Das Erste 0001 0", "Beta 0005 0", "Moved One 0011 0"},
     {"Extra 0020"}},
};

std::string runName(const ::testing::TestParamInfo<RunRow> &info)
{
    return info.param.name;
}

} // namespace

TEST_P(OptimizeRuns, ReportsWhatEachChosenStepRemovedAndLeavesTheLinksCurrent)
{
    const RunRow &row = GetParam();
    optimize(row.steps);

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(prompts.asked.size(), 1);
    EXPECT_EQ(prompts.asked[0].kind, TPrompts::TMsgKind::Information);
    EXPECT_EQ(prompts.asked[0].buttons, TPrompts::mbOK);
    EXPECT_EQ(prompts.asked[0].text, row.report);

    EXPECT_EQ(serviceNames(*program.ServiceList), row.services);
    EXPECT_EQ(entryTexts(*program.BouquetList, "Hits"), row.hits);
    EXPECT_EQ(serviceNames(*program.MyServiceList), row.myServices);
    expectLinksCurrent(program);
}

INSTANTIATE_TEST_SUITE_P(Steps, OptimizeRuns, ::testing::ValuesIn(kRuns), runName);

// A data service in two bouquets: its entries leave the bouquets with it and
// are never left behind pointing at it or linked to another service.
TEST_F(OptimizeDialog, DataServicesLeaveEveryBouquetThatHeldThem)
{
    optimize(stData | stFix | stObsolete);

    EXPECT_EQ(entryTexts(*program.BouquetList, "News"), QStringList{"Das Erste 0001 0"});
    EXPECT_FALSE(entryTexts(*program.BouquetList, "Hits").join(QLatin1Char(',')).contains("Datakanal"));
    EXPECT_EQ(prompts.asked.value(0).text, report("2", "1", "1", "n/a", "n/a"));
    bool namesakeInBouquet = true;
    program.ServiceList->forEachService([&](TService *service, TTransponder *, TSatelite *) {
        if (service->Sid == QLatin1String("0010"))
            namesakeInBouquet = service->IsInBouquet();
    });
    EXPECT_FALSE(namesakeInBouquet);
    expectLinksCurrent(program);
}

// The main window's own steps: the logo thread stops before anything is
// freed, the grids are refilled from current links, and only then may the
// report's box let the window repaint.
TEST_F(OptimizeDialog, MainWindowStepsFrameTheRemovalsAndPrecedeTheReport)
{
    QStringList calls;
    const QStringList servicesBefore = serviceNames(*program.ServiceList);
    dialog.StopLogoMapping = [&] {
        calls.append(QStringLiteral("stop"));
        EXPECT_EQ(serviceNames(*program.ServiceList), servicesBefore);
    };
    dialog.LinkLists = [&] {
        calls.append(QStringLiteral("link"));
        program.ServiceList->LinkMyServices(*program.MyServiceList);
        program.BouquetList->Link(*program.ServiceList, *program.MyServiceList);
    };
    dialog.RefillGrids = [&] {
        calls.append(QStringLiteral("refill"));
        EXPECT_TRUE(prompts.asked.isEmpty());
        expectLinksCurrent(program);
    };

    optimize(stAll);

    ASSERT_GE(calls.size(), 3);
    EXPECT_EQ(calls.first(), "stop");
    EXPECT_EQ(calls.mid(calls.size() - 2), (QStringList{"link", "refill"}));
    EXPECT_EQ(calls.count("stop"), 1);
    EXPECT_EQ(calls.count("refill"), 1);
    EXPECT_EQ(prompts.asked.size(), 1);
    expectLinksCurrent(program);
}

TEST_F(OptimizeDialog, WaitBoxIsUpWhileTheStepsRunAndGoneBeforeTheReport)
{
    program.AddForm(QStringLiteral("FrmPleaseWait"), std::make_unique<TFrmPleaseWait>());
    auto *wait = program.FormAs<TFrmPleaseWait>(QStringLiteral("FrmPleaseWait"));
    bool waitingDuringRefill = false;
    dialog.RefillGrids = [&] { waitingDuringRefill = wait->Waiting(); };
    struct ReportWatch : TScriptedPrompts {
        TFrmPleaseWait *box = nullptr;
        bool waitingAtReport = true;
        int messageBox(TMsgKind kind, const QString &text, int buttons) override
        {
            waitingAtReport = box->Waiting();
            return TScriptedPrompts::messageBox(kind, text, buttons);
        }
    } watch;
    watch.box = wait;
    program.Prompts = &watch;

    optimize(stData);

    EXPECT_TRUE(waitingDuringRefill);
    EXPECT_FALSE(watch.waitingAtReport);
    EXPECT_FALSE(wait->Waiting());
    EXPECT_EQ(watch.asked.size(), 1);
}

// Each box alone is enough to offer the run; with none ticked the button
// cannot be pressed, so nothing runs and nothing is reported.
TEST_F(OptimizeDialog, OptimizeIsOfferedExactlyWhileSomeStepIsTicked)
{
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *button = child<QPushButton>(dialog, "BtnOptimize");
    choose(0);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_TRUE(saveShot(dialog, QStringLiteral("optimize_nothing_ticked.png")));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(prompts.asked.isEmpty());
    EXPECT_EQ(serviceNames(*program.ServiceList), kAllServices);

    for (std::size_t i = 0; i < std::size(kBoxes); ++i) {
        choose(kBoxSteps[i]);
        EXPECT_TRUE(button->isEnabled()) << kBoxes[i];
        choose(0);
        EXPECT_FALSE(button->isEnabled()) << kBoxes[i];
    }

    // The settings store sets the boxes without clicks; the button follows.
    child<QCheckBox>(dialog, "CbxRemoveUnusedServices")->setChecked(true);
    EXPECT_TRUE(button->isEnabled());
    choose(stAll);
    EXPECT_TRUE(saveShot(dialog, QStringLiteral("optimize_all_ticked.png")));
}

TEST_F(OptimizeDialog, CancelChangesNothing)
{
    dialog.open();
    choose(stAll);
    QTest::mouseClick(child<QPushButton>(dialog, "BtnCancel"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(prompts.asked.isEmpty());
    EXPECT_EQ(serviceNames(*program.ServiceList), kAllServices);
    EXPECT_EQ(serviceNames(*program.MyServiceList), kAllMyServices);
    EXPECT_EQ(entryTexts(*program.BouquetList, "Hits").size(), 5);
}

// The report as the user sees it, in a box of its own.
TEST_F(OptimizeDialog, ReportShot)
{
    optimize(stUnused);
    ASSERT_EQ(prompts.asked.size(), 1);
    QMessageBox box(QMessageBox::Information, QStringLiteral("Pelloran"), prompts.asked[0].text,
                    QMessageBox::Ok);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_TRUE(saveShot(box, QStringLiteral("optimize_report.png")));
}

// ------------------------------------------------------------ sort selection

namespace {

struct SortRow {
    const char *name;
    const char *pick; // the radio button clicked, or nullptr
    const char *close;
    int result;
    bool alphabetically;
};

void PrintTo(const SortRow &row, std::ostream *out)
{
    *out << row.name;
}

class SortSelection : public ::testing::TestWithParam<SortRow>
{
protected:
    QApplication &app = appTestApp();
};

const SortRow kSortRows[] = {
    {"untouched_ok_sorts_by_name", nullptr, "BtnOk", QDialog::Accepted, true},
    {"frequency_ok", "BtnTransponder", "BtnOk", QDialog::Accepted, false},
    {"name_again_ok", "BtnAlpha", "BtnOk", QDialog::Accepted, true},
    {"frequency_cancel", "BtnTransponder", "BtnCancel", QDialog::Rejected, false},
};

std::string sortName(const ::testing::TestParamInfo<SortRow> &info)
{
    return info.param.name;
}

} // namespace

TEST_P(SortSelection, ReportsTheChosenOrderAfterItCloses)
{
    const SortRow &row = GetParam();
    TFrmSortSelection dialog;
    dialog.open();
    if (row.pick)
        clickIndicator(child<QRadioButton>(dialog, row.pick));
    QTest::mouseClick(child<QPushButton>(dialog, row.close), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), row.result);
    EXPECT_EQ(dialog.Alphabetically(), row.alphabetically);
}

INSTANTIATE_TEST_SUITE_P(Choices, SortSelection, ::testing::ValuesIn(kSortRows), sortName);

// The window lives for the whole run: the next sort offers the last choice.
TEST(SortSelectionKept, TheLastChoiceIsOfferedAgain)
{
    appTestApp();
    TFrmSortSelection dialog;
    dialog.open();
    clickIndicator(child<QRadioButton>(dialog, "BtnTransponder"));
    QTest::mouseClick(child<QPushButton>(dialog, "BtnOk"), Qt::LeftButton);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(child<QRadioButton>(dialog, "BtnTransponder")->isChecked());
    EXPECT_FALSE(dialog.Alphabetically());
    EXPECT_TRUE(saveShot(dialog, QStringLiteral("sort_selection_frequency.png")));
}

// ------------------------------------------------------------ toggle actions

namespace {

struct ToggleRow {
    const char *name;
    int action;             // what the caller passes in
    const char *preselected; // the button checked when the window shows
    const char *pick;        // the radio button clicked, or nullptr
    int key;                 // the key that closes the window, or 0
    const char *close;       // else the button that closes it
    int result;
    int actionOut;
    int callerKeeps; // the caller's action after taking it over only on OK
};

void PrintTo(const ToggleRow &row, std::ostream *out)
{
    *out << row.name;
}

class ToggleActions : public ::testing::TestWithParam<ToggleRow>
{
protected:
    QApplication &app = appTestApp();
};

const ToggleRow kToggleRows[] = {
    {"none_preselects_add", saNone, "BtnAdd", nullptr, 0, "BtnOk", QDialog::Accepted, saAdd, saAdd},
    {"add_kept", saAdd, "BtnAdd", nullptr, 0, "BtnOk", QDialog::Accepted, saAdd, saAdd},
    {"remove_kept", saRemove, "BtnRemove", nullptr, 0, "BtnOk", QDialog::Accepted, saRemove, saRemove},
    {"replace_kept", saReplace, "BtnReplace", nullptr, 0, "BtnOk", QDialog::Accepted, saReplace,
     saReplace},
    {"add_to_remove", saAdd, "BtnAdd", "BtnRemove", 0, "BtnOk", QDialog::Accepted, saRemove, saRemove},
    {"remove_to_replace", saRemove, "BtnRemove", "BtnReplace", 0, "BtnOk", QDialog::Accepted,
     saReplace, saReplace},
    {"replace_to_add", saReplace, "BtnReplace", "BtnAdd", 0, "BtnOk", QDialog::Accepted, saAdd, saAdd},
    {"cancel_keeps_the_callers_action", saRemove, "BtnRemove", "BtnReplace", 0, "BtnCancel",
     QDialog::Rejected, saReplace, saRemove},
    {"escape_keeps_none", saNone, "BtnAdd", "BtnRemove", Qt::Key_Escape, nullptr, QDialog::Rejected,
     saRemove, saNone},
    {"return_takes_the_choice", saAdd, "BtnAdd", "BtnReplace", Qt::Key_Return, nullptr,
     QDialog::Accepted, saReplace, saReplace},
};

std::string toggleName(const ::testing::TestParamInfo<ToggleRow> &info)
{
    return info.param.name;
}

} // namespace

TEST_P(ToggleActions, ExecuteAnswersTheChosenActionAndTheModalResult)
{
    const ToggleRow &row = GetParam();
    TFrmToggleActions dialog;
    QStringList checkedAtShow;
    // The window is modal: the user's part runs from inside its event loop.
    QTimer::singleShot(0, &dialog, [&] {
        for (const char *name : {"BtnAdd", "BtnRemove", "BtnReplace"})
            if (child<QRadioButton>(dialog, name)->isChecked())
                checkedAtShow.append(QLatin1String(name));
        if (row.pick)
            clickIndicator(child<QRadioButton>(dialog, row.pick));
        if (row.key)
            QTest::keyClick(&dialog, Qt::Key(row.key));
        else
            QTest::mouseClick(child<QPushButton>(dialog, row.close), Qt::LeftButton);
    });
    // Should the window stay open, the test fails instead of hanging.
    QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); });

    int callerAction = row.action;
    int chosen = callerAction;
    const int result = dialog.Execute(chosen);
    if (result == QDialog::Accepted)
        callerAction = chosen;

    EXPECT_EQ(checkedAtShow, QStringList{QLatin1String(row.preselected)});
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(chosen, row.actionOut);
    EXPECT_EQ(callerAction, row.callerKeeps);
}

INSTANTIATE_TEST_SUITE_P(Choices, ToggleActions, ::testing::ValuesIn(kToggleRows), toggleName);

TEST(ToggleActionsShot, ReplacePreselectedWithItsIcons)
{
    appTestApp();
    TFrmToggleActions dialog;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(saveShot(dialog, QStringLiteral("toggle_actions_replace.png")));
        dialog.reject();
    });
    QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); });
    int action = saReplace;
    EXPECT_EQ(dialog.Execute(action), QDialog::Rejected);
    EXPECT_EQ(action, saReplace);
}
