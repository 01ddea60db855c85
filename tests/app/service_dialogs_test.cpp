#include "service_dialogs_world.h"

#include "ui/grid/image_list.h"
#include "ui/grid/list_grid.h"

#include <QLabel>

#include <ostream>
#include <tuple>

namespace {

using namespace service_dialogs;

// ---------------------------------------------------------------- the modes

TEST_F(ServiceDialogs, EditModeShowsTheServiceWithItsTransponderSatelliteAndLogo)
{
    TImageList logos;
    QPixmap red(41, 31);
    red.fill(Qt::red);
    QPixmap blue(41, 31);
    blue.fill(Qt::blue);
    logos.Add(red);
    logos.Add(blue);
    props.SetLogoImages(&logos);
    channelOne->LogoIndex = 1;

    player.then([&](QDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Service Properties"));
        EXPECT_FALSE(dialog.findChild<QPushButton *>(QStringLiteral("BtnFind"))->isVisible());
        EXPECT_FALSE(dialog.findChild<QPushButton *>(QStringLiteral("BtnAction"))->isVisible());
        const std::vector<std::pair<const char *, const char *>> shown = {
            {"EdtServiceName", "Channel One"}, {"EdtSID", "6D66"},        {"EdtSType", "01"},
            {"EdtTSID", "0437"},              {"EdtFrequency", "11953"},  {"EdtONID", "0001"},
            {"EdtSR", "27500"},               {"EdtInversion", "0"},      {"EdtPolarization", "0"},
            {"EdtModulation", "0"},           {"EdtFEC", "3"},            {"EdtSatName", "Sat A 19.2E"},
            {"EdtDiseqc", "0"}};
        for (const auto &[name, value] : shown) {
            EXPECT_EQ(text(dialog, name), QLatin1String(value)) << name;
            EXPECT_TRUE(edit(dialog, name)->isEnabled()) << name;
        }
        const QPixmap logo = dialog.findChild<QLabel *>(QStringLiteral("ImgLogo"))->pixmap();
        ASSERT_FALSE(logo.isNull());
        EXPECT_EQ(logo.toImage().pixelColor(5, 5), QColor(Qt::blue));
        EXPECT_TRUE(saveShot(dialog, QStringLiteral("service_properties_edit_mode.png")));
        click(dialog, "BtnCancel");
    });
    EXPECT_FALSE(editChannelOne());
    EXPECT_EQ(player.shows, 1);
    EXPECT_TRUE(SaveHandler().Saved());
    EXPECT_EQ(names(*tp1), QStringList({"Channel One", "Channel Two", "Radio Three"}));
}

TEST_F(ServiceDialogs, NewModeWithoutTemplateStartsFromThePreviousInput)
{
    int modelChanges = 0;
    props.BeforeModelChange = [&] { ++modelChanges; };
    player.then(press("BtnCancel"));
    EXPECT_FALSE(editChannelOne());
    EXPECT_EQ(modelChanges, 0);
    player.then([&](QDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New Service"));
        EXPECT_EQ(text(dialog, "EdtServiceName"), QStringLiteral("Channel One"));
        EXPECT_EQ(text(dialog, "EdtSatName"), QStringLiteral("Sat A 19.2E"));
        EXPECT_TRUE(dialog.findChild<QLabel *>(QStringLiteral("ImgLogo"))->pixmap().isNull());
        EXPECT_TRUE(saveShot(dialog, QStringLiteral("service_properties_new_mode.png")));
        fillAndPress({{"EdtServiceName", "Channel Five"}, {"EdtSID", "6d6a"}})(dialog);
    });
    EXPECT_TRUE(props.ShowServiceProperties(*program.ServiceList, nullptr, nullptr, nullptr,
                                            true, false));
    EXPECT_EQ(modelChanges, 1);
    EXPECT_EQ(names(*tp1), QStringList({"Channel One", "Channel Two", "Radio Three", "Channel Five"}));
    EXPECT_EQ(marked(*program.ServiceList), QStringList({"Channel Five"}));
    EXPECT_EQ(find("Channel Five").service->Sid, QStringLiteral("6d6a"));
    EXPECT_TRUE(find("Channel Five").service->Action().isEmpty());
    EXPECT_FALSE(SaveHandler().Saved());
}

// ------------------------------------------------------------- validation

class ServiceFieldRefusals : public ServiceDialogs, public ::testing::WithParamInterface<RefusalRow>
{
};

// The refused input is shown again as typed with the field in error
// focused, the user cancels, nothing changed.
TEST_P(ServiceFieldRefusals, AreReportedAndTheSameInputIsShownAgain)
{
    const RefusalRow &row = GetParam();
    player.then(fillAndPress(row.typedFields())).then([&](QDialog &dialog) {
        for (const auto &[name, typed] : row.typedFields())
            EXPECT_EQ(text(dialog, name), typed) << name;
        EXPECT_EQ(dialog.focusWidget(), edit(dialog, row.field));
        click(dialog, "BtnCancel");
    });
    EXPECT_FALSE(editChannelOne());
    EXPECT_EQ(player.shows, 2);
    EXPECT_EQ(player.unexpectedShows, 0);
    EXPECT_EQ(prompts.texts(), QStringList({row.message}));
    EXPECT_EQ(prompts.asked.value(0).kind, TPrompts::TMsgKind::Information);
    EXPECT_EQ(names(*tp1), QStringList({"Channel One", "Channel Two", "Radio Three"}));
    EXPECT_EQ(channelOne->Name, QStringLiteral("Channel One"));
    EXPECT_TRUE(SaveHandler().Saved());
}

const RefusalRow kRefusals[] = {
    {"EmptySid", "EdtSID", "", kInvalid},
    {"EmptyServiceName", "EdtServiceName", "", kNameEmpty},
    {"EmptySatelliteName", "EdtSatName", "", kNameEmpty},
    {"NameOfControlCharactersOnly", "EdtServiceName", QStringLiteral("\x01\x02"), kNameEmpty},
    {"TypeBeyondHex", "EdtSType", "0G", kInvalid},
    {"FrequencyWithAPoint", "EdtFrequency", "11953.5", kInvalid},
    {"EmptyTsid", "EdtTSID", "", kInvalid},
    {"OnidWithABlank", "EdtONID", "00 1", kInvalid},
    {"EmptySymbolRate", "EdtSR", "", kInvalid},
    {"EmptyInversion", "EdtInversion", "", kInvalid},
    {"FecAsRate", "EdtFEC", "3/4", kInvalid},
    {"PolarizationAsLetter", "EdtPolarization", "H", kInvalid},
    {"EmptyModulation", "EdtModulation", "", kInvalid},
    {"EmptyDiseqc", "EdtDiseqc", "", kInvalid},
    // The receiver reads these as decimal numbers: hex letters are no digits.
    {"FrequencyOfLetters", "EdtFrequency", "abc", kInvalid},
    {"SymbolRateInHex", "EdtSR", "6B6C", kInvalid},
    {"InversionAsHexDigit", "EdtInversion", "a", kInvalid},
    {"FecAsHexDigit", "EdtFEC", "F", kInvalid},
    {"PolarizationAsHexDigit", "EdtPolarization", "b", kInvalid},
    {"ModulationAsHexDigit", "EdtModulation", "c", kInvalid},
    {"DiseqcAsHexDigits", "EdtDiseqc", "1e", kInvalid},
    // The receiver keeps 64 LNBs and reads a leading 0 as octal.
    {"DiseqcBeyondTheReceiversTable", "EdtDiseqc", "64", kInvalid},
    {"DiseqcWithALeadingZero", "EdtDiseqc", "09", kInvalid},
    {"FrequencyBeforeSymbolRate", "EdtFrequency", "abc", kInvalid, {{"EdtSR", "x"}}},
    {"SidBeforeDiseqc", "EdtSID", "6g", kInvalid, {{"EdtDiseqc", "d"}}},
    {"NamesBeforeNumbers", "EdtSatName", "", kNameEmpty, {{"EdtFrequency", "abc"}}},
};

INSTANTIATE_TEST_SUITE_P(Fields, ServiceFieldRefusals, ::testing::ValuesIn(kRefusals),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ServiceDialogs, RefusedInputCorrectedIsAppliedWithLowerCaseHexAndACleanName)
{
    player.then(fillAndPress({{"EdtSID", ""}}))
        .then(fillAndPress({{"EdtSID", "6d6b"}, {"EdtServiceName", QStringLiteral("Chan\x07nel\x1f One")}}));
    EXPECT_TRUE(editChannelOne());
    EXPECT_EQ(prompts.texts(), QStringList({kInvalid}));
    EXPECT_EQ(channelOne->Sid, QStringLiteral("6d6b"));
    EXPECT_EQ(channelOne->Name, QStringLiteral("Channel One"));
}

// ------------------------------------------------------------ edit outcomes

struct EditRow {
    const char *name;
    std::vector<std::pair<const char *, QString>> fields;
    bool result;
    QStringList messages;
    // Checks the model afterwards.
    std::function<void(ServiceDialogs &)> check;
};

void PrintTo(const EditRow &row, std::ostream *os)
{
    *os << row.name;
}

class ServiceEditOutcomes : public ServiceDialogs, public ::testing::WithParamInterface<EditRow>
{
};

TEST_P(ServiceEditOutcomes, ChangeTheModelAsTheEditSays)
{
    const EditRow &row = GetParam();
    player.then(fillAndPress(row.fields));
    // A refused edit stays open with what was typed; the user gives up.
    if (!row.result) {
        player.then([&](QDialog &dialog) {
            for (const auto &[name, typed] : row.fields)
                EXPECT_EQ(text(dialog, name), typed) << name;
            click(dialog, "BtnCancel");
        });
    }
    EXPECT_EQ(editChannelOne(), row.result);
    EXPECT_EQ(player.shows, row.result ? 1 : 2);
    EXPECT_EQ(player.unexpectedShows, 0);
    EXPECT_EQ(prompts.texts(), row.messages);
    if (!row.result) {
        EXPECT_TRUE(SaveHandler().Saved());
    }
    row.check(*this);
}

// The old object may be freed by an edit: the checks find services by name.
const EditRow kEdits[] = {
    {"NameOnlyKeepsTheServiceAndRenamesItsBouquetEntries",
     {{"EdtServiceName", "Channel One HD"}},
     true,
     {},
     [](ServiceDialogs &w) {
         EXPECT_EQ(w.names(*w.tp1), QStringList({"Channel One HD", "Channel Two", "Radio Three"}));
         EXPECT_EQ(w.find("Channel One HD").service, w.channelOne);
         EXPECT_EQ(w.marked(*w.program.ServiceList), QStringList({"Channel One HD"}));
         EXPECT_EQ(w.linkedEntry->Name, QStringLiteral("Channel One HD"));
         EXPECT_EQ(w.linkedEntry->Service(), nullptr);
     }},
    {"NewSatelliteNameMovesTheServiceToANewSatellite",
     {{"EdtSatName", QStringLiteral("Sat C\x02 23.5E")}, {"EdtDiseqc", "2"}},
     true,
     {},
     [](ServiceDialogs &w) {
         EXPECT_EQ(w.program.ServiceList->Count(), 3);
         EXPECT_EQ(w.names(*w.tp1), QStringList({"Channel Two", "Radio Three"}));
         TSatelite *c = w.satelite(QStringLiteral("Sat C 23.5E"));
         ASSERT_NE(c, nullptr);
         EXPECT_EQ(c->Diseqc, QStringLiteral("2"));
         ASSERT_EQ(c->Count(), 1);
         EXPECT_EQ(c->GetItem(0)->Frequency, QStringLiteral("11953"));
         EXPECT_EQ(w.names(*c->GetItem(0)), QStringList({"Channel One"}));
         const auto moved = w.find("Channel One");
         EXPECT_TRUE(moved.service->Marked);
         // What the dialog does not show goes along.
         EXPECT_EQ(moved.service->Provider(), QStringLiteral("Provider One"));
         EXPECT_EQ(moved.service->Country(), QStringLiteral("Country One"));
         EXPECT_EQ(moved.service->ChannelNr, QStringLiteral("7"));
         EXPECT_EQ(w.linkedEntry->Service(), nullptr);
         EXPECT_EQ(w.linkedEntry->Tsid, QStringLiteral("0437"));
     }},
    {"TransponderFieldsOfAnotherTransponderMoveTheServiceThere",
     {{"EdtTSID", "0441"}, {"EdtFrequency", "12110"}, {"EdtPolarization", "1"}},
     true,
     {},
     [](ServiceDialogs &w) {
         EXPECT_EQ(w.satA->Count(), 2);
         EXPECT_EQ(w.names(*w.tp1), QStringList({"Channel Two", "Radio Three"}));
         EXPECT_EQ(w.names(*w.tp2), QStringList({"News 24", "Channel One"}));
         EXPECT_EQ(w.marked(*w.program.ServiceList), QStringList({"Channel One"}));
         EXPECT_EQ(w.linkedEntry->Tsid, QStringLiteral("0441"));
         // The bouquet entry finds the moved service again by its new ids.
         w.program.BouquetList->Link(*w.program.ServiceList, *w.program.MyServiceList);
         EXPECT_EQ(w.linkedEntry->Service(), w.find("Channel One").service);
         EXPECT_EQ(w.linkedEntry->Transponder(), w.tp2);
     }},
    {"NewTransponderFieldsMakeATransponderOnTheSameSatellite",
     {{"EdtFrequency", "12345"}, {"EdtDiseqc", "3"}},
     true,
     {},
     [](ServiceDialogs &w) {
         ASSERT_EQ(w.satA->Count(), 3);
         EXPECT_EQ(w.satA->Diseqc, QStringLiteral("0"));
         EXPECT_EQ(w.satA->GetItem(2)->Frequency, QStringLiteral("12345"));
         EXPECT_EQ(w.names(*w.satA->GetItem(2)), QStringList({"Channel One"}));
         EXPECT_EQ(w.names(*w.tp1), QStringList({"Channel Two", "Radio Three"}));
     }},
    {"InversionAloneIsTheSameTransponder",
     {{"EdtInversion", "1"}, {"EdtServiceName", "Channel 1"}},
     true,
     {},
     [](ServiceDialogs &w) {
         EXPECT_EQ(w.names(*w.tp1), QStringList({"Channel 1", "Channel Two", "Radio Three"}));
         EXPECT_EQ(w.tp1->Inversion, QStringLiteral("0"));
     }},
    {"MovingOntoAnIdenticalServiceIsRefused",
     {{"EdtTSID", "0441"},
      {"EdtFrequency", "12110"},
      {"EdtPolarization", "1"},
      {"EdtServiceName", "News 24"},
      {"EdtSID", "2EE3"}},
     false,
     {kIdentical},
     [](ServiceDialogs &w) {
         EXPECT_EQ(w.names(*w.tp1), QStringList({"Channel One", "Channel Two", "Radio Three"}));
         EXPECT_EQ(w.names(*w.tp2), QStringList({"News 24"}));
         EXPECT_EQ(w.linkedEntry->Service(), w.channelOne);
     }},
    // The receiver keys channels by their ids: one id twice on a transponder
    // loses one of them there, whatever the names.
    {"TakingTheNeighboursIdUnderItsOwnNameIsRefused",
     {{"EdtSID", "6D67"}},
     false,
     {kIdentical},
     [](ServiceDialogs &w) { EXPECT_EQ(w.channelOne->Sid, QStringLiteral("6D66")); }},
    {"TakingTheNeighboursIdWithALeadingZeroIsRefused",
     {{"EdtSID", "06d67"}, {"EdtSType", "02"}},
     false,
     {kIdentical},
     [](ServiceDialogs &w) { EXPECT_EQ(w.channelOne->Sid, QStringLiteral("6D66")); }},
    {"MovingOntoAServiceOfTheSameIdUnderAnotherNameIsRefused",
     {{"EdtTSID", "0441"}, {"EdtFrequency", "12110"}, {"EdtPolarization", "1"}, {"EdtSID", "2ee3"}},
     false,
     {kIdentical},
     [](ServiceDialogs &w) {
         EXPECT_EQ(w.names(*w.tp1), QStringList({"Channel One", "Channel Two", "Radio Three"}));
         EXPECT_EQ(w.names(*w.tp2), QStringList({"News 24"}));
     }},
    {"RenamingToTheNeighbourWithItsIdAndTypeIsRefused",
     {{"EdtServiceName", "Channel Two"}, {"EdtSID", "6d67"}},
     false,
     {kIdentical},
     [](ServiceDialogs &w) {
         EXPECT_EQ(w.channelOne->Name, QStringLiteral("Channel One"));
         EXPECT_EQ(w.channelOne->Sid, QStringLiteral("6D66"));
     }},
};

INSTANTIATE_TEST_SUITE_P(Edits, ServiceEditOutcomes, ::testing::ValuesIn(kEdits),
                         [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------ what the list's file holds

// A list of one dialect, and the transponder field its file leaves out.
struct DialectRow {
    const char *name;
    ZapitKind kind;
    int format;
    const char *leftOut; // the edit of that field
    const char *typed;
};

// What the user does in the dialog, on the first service of the first
// transponder: `typed` goes into the left-out field as well.
struct DialogUseRow {
    const char *name;
    bool isNew;
    std::vector<std::pair<const char *, QString>> fields;
    bool staysOnTheTemplatesTransponder;
    // A hand-made my-services file may spell an action its own way, or
    // leave it empty.
    const char *templateAction = nullptr;
    // The my-services action of the service the dialog leaves, where checked.
    const char *action = nullptr;
};

void PrintTo(const DialectRow &row, std::ostream *os)
{
    *os << row.name;
}

void PrintTo(const DialogUseRow &row, std::ostream *os)
{
    *os << row.name;
}

class ServiceDialogsOnEveryDialect
    : public ServiceDialogs,
      public ::testing::WithParamInterface<std::tuple<DialectRow, DialogUseRow>>
{
};

// A transponder field or a DiSEqC position the list's file does not hold
// is not kept: the tree the dialog leaves is the one a save and a load give,
// with the service on the transponder the file makes one with the template's,
// never on a second one that the next load merges into it.
TEST_P(ServiceDialogsOnEveryDialect, LeaveTheTreeASaveAndALoadGive)
{
    const auto &[dialect, use] = GetParam();
    TServiceList &list =
        dialect.kind == ZapitKind::Services ? *program.ServiceList : *program.MyServiceList;
    list.Format = quint16(dialect.format);
    // The list as the program has it after loading that file.
    list.Swap(*savedAndLoaded(list));
    link();
    SaveHandler().SetSaved();
    TSatelite *sat = list.GetItem(0);
    TTransponder *tp = sat->GetItem(0);
    TService *service = tp->GetItem(0);
    if (use.templateAction && dialect.kind == ZapitKind::MyServices)
        service->SetActionText(QLatin1String(use.templateAction));
    const int transponders = sat->Count();

    auto fields = use.fields;
    fields.emplace_back(dialect.leftOut, QLatin1String(dialect.typed));
    player.then(fillAndPress(fields));
    EXPECT_TRUE(props.ShowServiceProperties(list, service, tp, sat, use.isNew,
                                            dialect.kind == ZapitKind::MyServices));
    EXPECT_EQ(player.unexpectedShows, 0);
    EXPECT_EQ(prompts.texts(), QStringList());

    const QStringList inMemory = tree(list);
    EXPECT_EQ(inMemory, tree(*savedAndLoaded(list))) << qPrintable(inMemory.join(u'\n'));
    const QString name = fields.front().second;
    EXPECT_EQ(marked(list), QStringList{name});
    if (use.action && dialect.kind == ZapitKind::MyServices) {
        list.forEachService([&](TService *made, TTransponder *, TSatelite *) {
            if (made->Marked) {
                EXPECT_EQ(made->Action(), QLatin1String(use.action));
            }
        });
    }
    if (use.staysOnTheTemplatesTransponder) {
        EXPECT_EQ(sat->Count(), transponders);
        EXPECT_TRUE(names(*tp).contains(name)) << qPrintable(names(*tp).join(u','));
    }
}

const DialectRow kDialects[] = {
    {"Services1", ZapitKind::Services, 1, "EdtModulation", "3"},
    {"Services2Cable", ZapitKind::Services, 2, "EdtPolarization", "1"},
    {"Services3", ZapitKind::Services, 3, "EdtModulation", "3"},
    {"Services4", ZapitKind::Services, 4, "EdtModulation", "3"},
    {"Services5Cable", ZapitKind::Services, 5, "EdtPolarization", "1"},
    {"Services6", ZapitKind::Services, 6, "EdtModulation", "3"},
    {"MyServices1", ZapitKind::MyServices, 1, "EdtModulation", "3"},
    {"MyServices2Cable", ZapitKind::MyServices, 2, "EdtPolarization", "1"},
};

const DialogUseRow kDialogUses[] = {
    {"NewBesideTheTemplate", true, {{"EdtServiceName", "Channel Nine"}, {"EdtSID", "6dab"}}, true},
    {"Edited", false, {{"EdtServiceName", "Channel Renamed"}}, true},
    {"NewBesideATemplateOfAnActionSpeltItsOwnWay",
     true,
     {{"EdtServiceName", "Channel Eleven"}, {"EdtSID", "6dac"}},
     true,
     "Add",
     "add"},
    {"NewBesideATemplateThatDoesNothing",
     true,
     {{"EdtServiceName", "Channel Twelve"}, {"EdtSID", "6dad"}},
     true,
     "",
     "add"},
    // Only an action the user sets changes what the entry does.
    {"MovedToAnotherTransponderDoingNothing",
     false,
     {{"EdtServiceName", "Channel Moved"}, {"EdtFrequency", "12188000"}},
     false,
     "",
     ""},
    {"NewOnANewSatellite",
     true,
     {{"EdtServiceName", "Channel Ten"}, {"EdtSatName", "Sat N 7.0E"}, {"EdtDiseqc", "2"}},
     false},
};

INSTANTIATE_TEST_SUITE_P(Dialects, ServiceDialogsOnEveryDialect,
                         ::testing::Combine(::testing::ValuesIn(kDialects),
                                            ::testing::ValuesIn(kDialogUses)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name)
                                 + std::get<1>(info.param).name;
                         });

// The refused service is not added, and the dialog stays open with what was
// typed, so the user corrects it instead of typing it all again.
TEST_F(ServiceDialogs, NewServiceIdenticalToAnotherIsReportedAndShownAgainAsTyped)
{
    player.then(press("BtnOk"))
        .then([&](QDialog &dialog) {
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("New Service"));
            EXPECT_EQ(names(*tp1), QStringList({"Channel One", "Channel Two", "Radio Three"}));
            fillAndPress({{"EdtServiceName", "Channel Two"}, {"EdtSID", "6d67"}})(dialog);
        })
        .then([&](QDialog &dialog) {
            EXPECT_EQ(text(dialog, "EdtServiceName"), QStringLiteral("Channel Two"));
            EXPECT_EQ(text(dialog, "EdtSID"), QStringLiteral("6d67"));
            EXPECT_EQ(text(dialog, "EdtFrequency"), QStringLiteral("11953"));
            EXPECT_TRUE(SaveHandler().Saved());
            fillAndPress({{"EdtSID", "6d6e"}})(dialog);
        });
    EXPECT_TRUE(newFromChannelOne());
    EXPECT_EQ(player.shows, 3);
    EXPECT_EQ(player.unexpectedShows, 0);
    EXPECT_EQ(prompts.texts(), QStringList({kIdentical, kIdentical}));
    EXPECT_EQ(names(*tp1), QStringList({"Channel One", "Channel Two", "Radio Three", "Channel Two"}));
    EXPECT_EQ(tp1->GetItem(3)->Sid, QStringLiteral("6d6e"));
}

// A copy of a service under another name, its ids kept, would be lost on the
// receiver, which keys its channels by their ids.
TEST_F(ServiceDialogs, NewServiceOfATakenIdUnderAnotherNameIsRefused)
{
    player.then(fillAndPress({{"EdtServiceName", "Channel One Copy"}}))
        .then([&](QDialog &dialog) {
            EXPECT_EQ(text(dialog, "EdtServiceName"), QStringLiteral("Channel One Copy"));
            click(dialog, "BtnCancel");
        });
    EXPECT_FALSE(newFromChannelOne());
    EXPECT_EQ(player.shows, 2);
    EXPECT_EQ(prompts.texts(), QStringList({kIdentical}));
    EXPECT_EQ(names(*tp1), QStringList({"Channel One", "Channel Two", "Radio Three"}));
    EXPECT_TRUE(SaveHandler().Saved());
}

TEST_F(ServiceDialogs, NewServiceWithAnotherIdJoinsTheTemplatesTransponder)
{
    player.then(fillAndPress({{"EdtSID", "6D6C"}}));
    EXPECT_TRUE(newFromChannelOne());
    EXPECT_TRUE(prompts.asked.isEmpty());
    EXPECT_EQ(names(*tp1), QStringList({"Channel One", "Channel Two", "Radio Three", "Channel One"}));
    EXPECT_EQ(tp1->GetItem(3)->Sid, QStringLiteral("6D6C"));
    EXPECT_EQ(marked(*program.ServiceList), QStringList({"Channel One"}));
    EXPECT_FALSE(channelOne->Marked);
    // A new service takes only what the dialog shows.
    EXPECT_TRUE(tp1->GetItem(3)->Provider().isEmpty());
}

// ----------------------------------------------------------- my-services action

struct ActionRow {
    const char *name;
    bool withTemplate;
    bool clickAction;
    bool choiceAccepted;
    int chosen;
    int expectedPreset;
    QString expectedAction;
};

void PrintTo(const ActionRow &row, std::ostream *os)
{
    *os << row.name;
}

// What the first transponder of Sat A shows in the fields, but the service's name and id.
const std::pair<const char *, QString> kFirstTransponderFields[] = {
    {"EdtSType", "01"},        {"EdtTSID", "0437"},        {"EdtFrequency", "11953"},
    {"EdtONID", "0001"},       {"EdtSR", "27500"},         {"EdtInversion", "0"},
    {"EdtPolarization", "0"},  {"EdtModulation", "0"},     {"EdtFEC", "3"},
    {"EdtSatName", "Sat A 19.2E"}, {"EdtDiseqc", "0"}};

class MyServiceActions : public ServiceDialogs, public ::testing::WithParamInterface<ActionRow>
{
};

TEST_P(MyServiceActions, NewEntryTakesThePendingAction)
{
    const ActionRow &row = GetParam();
    int preset = -1;
    props.ChooseAction = [&](int &action) {
        preset = action;
        if (row.choiceAccepted)
            action = row.chosen;
        return row.choiceAccepted;
    };
    player.then([&](QDialog &dialog) {
        EXPECT_TRUE(dialog.findChild<QPushButton *>(QStringLiteral("BtnAction"))->isVisible());
        if (row.clickAction)
            click(dialog, "BtnAction");
        if (row.withTemplate) {
            EXPECT_TRUE(saveShot(dialog, QStringLiteral("service_properties_my_service_mode.png")));
        }
        std::vector<std::pair<const char *, QString>> fields = {
            {"EdtSID", "6DAA"}, {"EdtServiceName", "My New Channel"}};
        // Without a template the fields start empty here: the first use.
        if (!row.withTemplate)
            fields.insert(fields.end(), std::begin(kFirstTransponderFields),
                          std::end(kFirstTransponderFields));
        fillAndPress(fields)(dialog);
    });
    TService *templ = row.withTemplate ? myEntry : nullptr;
    EXPECT_TRUE(props.ShowServiceProperties(*program.MyServiceList, templ,
                                            row.withTemplate ? myTp : nullptr,
                                            row.withTemplate ? mySat : nullptr, true, true));
    EXPECT_EQ(preset, row.clickAction ? row.expectedPreset : -1);
    ASSERT_EQ(myTp->Count(), 2);
    EXPECT_EQ(myTp->GetItem(1)->Name, QStringLiteral("My New Channel"));
    EXPECT_EQ(myTp->GetItem(1)->Action(), row.expectedAction);
}

const ActionRow kActions[] = {
    {"TemplateActionWithoutAChoice", true, false, false, 0, 0, "replace"},
    {"CancelledChoiceKeepsThePendingAction", true, true, false, 0, 2, "replace"},
    {"ChosenActionIsTaken", true, true, true, 1, 2, "remove"},
    {"NoTemplateStartsWithAdd", false, true, false, 0, 0, "add"},
};

INSTANTIATE_TEST_SUITE_P(Actions, MyServiceActions, ::testing::ValuesIn(kActions),
                         [](const auto &info) { return std::string(info.param.name); });

struct EditActionRow {
    const char *name;
    bool withAction;
    bool clickAction;
    bool choiceAccepted;
    int chosen;
    bool moved; // to a new transponder, else edited in place
    QString expectedAction;
};

void PrintTo(const EditActionRow &row, std::ostream *os)
{
    *os << row.name;
}

class MyServiceEditActions : public ServiceDialogs,
                             public ::testing::WithParamInterface<EditActionRow>
{
};

// "Add" reads as no action (the texts compare case-sensitively); an edit that
// did not choose an action keeps the text as it stands.
TEST_P(MyServiceEditActions, KeepTheActionTextUnlessOneIsChosen)
{
    const EditActionRow &row = GetParam();
    myEntry->SetActionText(QStringLiteral("Add"));
    props.ChooseAction = [&](int &action) {
        action = row.chosen;
        return row.choiceAccepted;
    };
    player.then([&](QDialog &dialog) {
        if (row.clickAction)
            click(dialog, "BtnAction");
        fillAndPress({{"EdtServiceName", "My Channel Renamed"},
                      {"EdtFrequency", row.moved ? "12722" : "11953"}})(dialog);
    });
    EXPECT_TRUE(props.ShowServiceProperties(*program.MyServiceList, myEntry, myTp, mySat, false,
                                            row.withAction));
    ASSERT_EQ(mySat->Count(), row.moved ? 2 : 1);
    TTransponder *now = mySat->GetItem(mySat->Count() - 1);
    ASSERT_EQ(names(*now), QStringList({"My Channel Renamed"}));
    EXPECT_EQ(now->GetItem(0)->Action(), row.expectedAction);
    if (row.moved) {
        EXPECT_EQ(names(*myTp), QStringList());
    }
}

const EditActionRow kEditActions[] = {
    {"WithoutTheButtonInPlace", false, false, false, 0, false, "Add"},
    {"WithoutTheButtonMoved", false, false, false, 0, true, "Add"},
    {"ButtonNotUsed", true, false, false, 0, false, "Add"},
    {"ChoiceCancelled", true, true, false, 1, false, "Add"},
    {"ChosenInPlace", true, true, true, 1, false, "remove"},
    {"ChosenAndMoved", true, true, true, 2, true, "replace"},
};

INSTANTIATE_TEST_SUITE_P(EditActions, MyServiceEditActions, ::testing::ValuesIn(kEditActions),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
