#include "app_test_support.h"
#include "import_export_world.h"

#include "app/dialogs/list_generator.h"
#include "app/dialogs/optimize_dialog.h"
#include "app/dialogs/service_properties.h"
#include "app/dialogs/service_selection_list.h"
#include "app/dialogs/settings_dialog.h"
#include "app/dialogs/sort_selection.h"
#include "app/dialogs/toggle_actions.h"
#include "app/main/dialog_prompts.h"
#include "core/util/messages.h"
#include "ui/controls/window_fit.h"
#include "ui/grid/list_grid.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

namespace {

struct ControlSpec {
    const char *name;
    const char *type; // the Qt class the settings store and the translation engine expect
};

struct FormSpec {
    const char *formName;  // objectName of the top-level widget
    const char *className; // the class the translation engine names its section after
    std::function<std::unique_ptr<QDialog>()> make;
    std::vector<ControlSpec> controls;
    // Radio buttons that must form one exclusive group each.
    std::vector<std::vector<const char *>> radioGroups;
    const char *acceptButton; // nullptr: no button closes with OK yet
    const char *rejectButton;
    const char *defaultButton;
    const char *shot;
};

template <typename T>
std::function<std::unique_ptr<QDialog>()> maker()
{
    return [] { return std::make_unique<T>(); };
}

const std::vector<FormSpec> &forms()
{
    static const std::vector<FormSpec> table = {
        {"FrmSettings",
         "TFrmSettings",
         maker<TFrmSettings>(),
         {{"PageControl", "QTabWidget"},
          {"EdtIp", "QLineEdit"},
          {"EdtPort", "QLineEdit"},
          {"EdtRemoteDir", "QLineEdit"},
          {"EdtAccount", "QLineEdit"},
          {"EdtPass", "QLineEdit"},
          {"CbxSavePass", "QCheckBox"},
          {"EdtBackupRootDir", "QLineEdit"},
          {"BtnBrowse", "QPushButton"},
          {"EdtBackupSubDir", "QLineEdit"},
          {"BtnSystemTelnet", "QRadioButton"},
          {"BtnCustomTelnet", "QRadioButton"},
          {"EdtTelnet", "QLineEdit"},
          {"BtnCmdAutoDetect", "QRadioButton"},
          {"BtnCmdCustom", "QRadioButton"},
          {"EdtTotalCmd", "QLineEdit"},
          {"CbxNoBackgroundPing", "QCheckBox"},
          {"CbxNoOrvikCheck", "QCheckBox"},
          {"CbxNoUpdateCheck", "QCheckBox"},
          {"CbxGridConnect", "QCheckBox"},
          {"BtnOk", "QPushButton"},
          {"BtnCancel", "QPushButton"}},
         {{"BtnSystemTelnet", "BtnCustomTelnet"}, {"BtnCmdAutoDetect", "BtnCmdCustom"}},
         "BtnOk",
         "BtnCancel",
         "BtnOk",
         "settings_dialog"},
        {"FrmServiceProperties",
         "TFrmServiceProperties",
         maker<TFrmServiceProperties>(),
         {{"EdtServiceName", "QLineEdit"},
          {"EdtSID", "QLineEdit"},
          {"EdtSType", "QLineEdit"},
          {"EdtTSID", "QLineEdit"},
          {"EdtFrequency", "QLineEdit"},
          {"EdtONID", "QLineEdit"},
          {"EdtSR", "QLineEdit"},
          {"EdtInversion", "QLineEdit"},
          {"EdtPolarization", "QLineEdit"},
          {"EdtModulation", "QLineEdit"},
          {"EdtFEC", "QLineEdit"},
          {"EdtSatName", "QLineEdit"},
          {"EdtDiseqc", "QLineEdit"},
          {"ImgLogo", "QLabel"},
          {"BtnOk", "QPushButton"},
          {"BtnCancel", "QPushButton"},
          {"BtnFind", "QPushButton"},
          {"BtnAction", "QPushButton"}},
         {},
         "BtnOk",
         "BtnCancel",
         "BtnOk",
         "service_properties"},
        {"FrmServiceSelectionList",
         "TFrmServiceSelectionList",
         maker<TFrmServiceSelectionList>(),
         {{"SelectionGrid", "TListGrid"}, {"BtnOk", "QPushButton"}, {"BtnCancel", "QPushButton"}},
         {},
         "BtnOk",
         "BtnCancel",
         "BtnOk",
         "service_selection_list"},
        {"FrmOptimize",
         "TFrmOptimize",
         maker<TFrmOptimize>(),
         {{"CbxRemoveDataServices", "QCheckBox"},
          {"CbxRemoveObsoleteServices", "QCheckBox"},
          {"CbxFixObsoleteServices", "QCheckBox"},
          {"CbxRemoveUnusedServices", "QCheckBox"},
          {"CbxRemoveObsoleteMyServices", "QCheckBox"},
          {"BtnOptimize", "QPushButton"},
          {"BtnCancel", "QPushButton"}},
         {},
         nullptr, // the optimise run itself closes the window with OK
         "BtnCancel",
         "BtnOptimize",
         "optimize_dialog"},
        {"FrmSortSelection",
         "TFrmSortSelection",
         maker<TFrmSortSelection>(),
         {{"BtnAlpha", "QRadioButton"},
          {"BtnTransponder", "QRadioButton"},
          {"BtnOk", "QPushButton"},
          {"BtnCancel", "QPushButton"}},
         {{"BtnAlpha", "BtnTransponder"}},
         "BtnOk",
         "BtnCancel",
         "BtnOk",
         "sort_selection"},
        {"FrmToggleActions",
         "TFrmToggleActions",
         maker<TFrmToggleActions>(),
         {{"ImgAdd", "QLabel"},
          {"ImgRemove", "QLabel"},
          {"ImgReplace", "QLabel"},
          {"BtnAdd", "QRadioButton"},
          {"BtnRemove", "QRadioButton"},
          {"BtnReplace", "QRadioButton"},
          {"BtnOk", "QPushButton"},
          {"BtnCancel", "QPushButton"}},
         {{"BtnAdd", "BtnRemove", "BtnReplace"}},
         "BtnOk",
         "BtnCancel",
         "BtnOk",
         "toggle_actions"},
        {"FrmListGenerator",
         "TFrmListGenerator",
         maker<TFrmListGenerator>(),
         {{"Columns", "QListWidget"},
          {"BtnUp", "QPushButton"},
          {"BtnDown", "QPushButton"},
          {"BtnServiceList", "QRadioButton"},
          {"BtnBouquetList", "QRadioButton"},
          {"BtnCurrentBouquet", "QRadioButton"},
          {"CbxTv", "QCheckBox"},
          {"CbxRadio", "QCheckBox"},
          {"CbxData", "QCheckBox"},
          {"BtnCsvFile", "QRadioButton"},
          {"BtnHtmlFile", "QRadioButton"},
          {"BtnHtmlPrint", "QRadioButton"},
          {"BtnSeePrint", "QRadioButton"},
          {"ColorPickerHeader", "TLgColorPicker"},
          {"ColorPickerBody", "TLgColorPicker"},
          {"BtnGenerate", "QPushButton"},
          {"BtnClose", "QPushButton"}},
         {{"BtnServiceList", "BtnBouquetList", "BtnCurrentBouquet"},
          {"BtnCsvFile", "BtnHtmlFile", "BtnHtmlPrint", "BtnSeePrint"}},
         nullptr, // Generate leaves the window open
         "BtnClose",
         "BtnGenerate",
         "list_generator"},
    };
    return table;
}

class DialogFormsTest : public ::testing::TestWithParam<FormSpec>
{
protected:
    void SetUp() override { appTestApp(); }
};

std::string rowName(const ::testing::TestParamInfo<FormSpec> &info)
{
    return info.param.formName;
}

QWidget *named(QWidget &form, const char *name)
{
    return form.findChild<QWidget *>(QString::fromLatin1(name));
}

// Pages of a tab widget are laid out only while shown, so each page is looked
// at in turn.
std::vector<int> pagesOf(QWidget &form)
{
    if (auto *tabs = form.findChild<QTabWidget *>()) {
        std::vector<int> pages;
        for (int i = 0; i < tabs->count(); ++i)
            pages.push_back(i);
        return pages;
    }
    return {-1};
}

void showPage(QWidget &form, int page)
{
    if (page >= 0)
        form.findChild<QTabWidget *>()->setCurrentIndex(page);
    QCoreApplication::processEvents();
}

bool isOurs(const QWidget *widget)
{
    return !widget->objectName().isEmpty() && !widget->objectName().startsWith(QLatin1String("qt_"));
}

// A push button's own hint asks for the style's preferred width, which a
// small "..." button rightly undercuts; its text must fit all the same.
QSize neededSize(const QWidget &widget)
{
    if (const auto *button = qobject_cast<const QPushButton *>(&widget)) {
        const QString text = QString(button->text()).remove(QLatin1Char('&'));
        const int iconWidth = button->icon().isNull() ? 0 : button->iconSize().width();
        return {button->fontMetrics().horizontalAdvance(text) + iconWidth + 6,
                std::max(button->fontMetrics().height(), iconWidth)};
    }
    return widget.minimumSizeHint();
}

// gtest names a failing row by this instead of dumping its bytes.
void PrintTo(const FormSpec &spec, std::ostream *out)
{
    *out << spec.formName;
}

} // namespace

TEST_P(DialogFormsTest, EveryNamedControlExistsOnceWithItsType)
{
    const FormSpec &spec = GetParam();
    auto form = spec.make();
    EXPECT_EQ(form->objectName(), QString::fromLatin1(spec.formName));
    EXPECT_STREQ(form->metaObject()->className(), spec.className);
    for (const ControlSpec &control : spec.controls) {
        const auto found = form->findChildren<QObject *>(QString::fromLatin1(control.name));
        ASSERT_EQ(found.size(), 1) << control.name;
        EXPECT_TRUE(found.first()->inherits(control.type))
            << control.name << " is a " << found.first()->metaObject()->className() << ", not a "
            << control.type;
    }
}

// Text that does not fit is clipped, and widgets that overlap hide each other:
// neither may happen at the window's designed size.
TEST_P(DialogFormsTest, ControlsFitWithoutOverlapping)
{
    const FormSpec &spec = GetParam();
    auto form = spec.make();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    for (int page : pagesOf(*form)) {
        showPage(*form, page);
        const auto widgets = form->findChildren<QWidget *>();
        for (qsizetype i = 0; i < widgets.size(); ++i) {
            QWidget *widget = widgets[i];
            if (!isOurs(widget) || !widget->isVisible())
                continue;
            if (qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLabel *>(widget)) {
                const QSize need = neededSize(*widget);
                EXPECT_GE(widget->width(), need.width()) << qPrintable(widget->objectName());
                EXPECT_GE(widget->height(), need.height()) << qPrintable(widget->objectName());
            }
            const QRect inParent = widget->geometry();
            EXPECT_TRUE(widget->parentWidget()->rect().contains(inParent))
                << qPrintable(widget->objectName()) << " sticks out of its parent";
            for (qsizetype j = i + 1; j < widgets.size(); ++j) {
                QWidget *other = widgets[j];
                if (!isOurs(other) || !other->isVisible() || other->parentWidget() != widget->parentWidget())
                    continue;
                EXPECT_FALSE(inParent.intersects(other->geometry()))
                    << qPrintable(widget->objectName()) << " overlaps " << qPrintable(other->objectName());
            }
        }
        const QString suffix = page >= 0 ? QStringLiteral("_%1").arg(page + 1) : QString();
        EXPECT_TRUE(saveShot(*form, QString::fromLatin1(spec.shot) + suffix + QStringLiteral(".png")));
    }
}

// The settings store checks buttons one after the other and relies on the
// last one winning within its group, while the other groups keep theirs.
TEST_P(DialogFormsTest, RadioGroupsAreExclusiveAndIndependent)
{
    const FormSpec &spec = GetParam();
    auto form = spec.make();
    for (const auto &group : spec.radioGroups) {
        for (const char *chosen : group) {
            auto *button = qobject_cast<QRadioButton *>(named(*form, chosen));
            ASSERT_NE(button, nullptr) << chosen;
            std::vector<bool> othersBefore;
            for (const auto &other : spec.radioGroups) {
                if (&other == &group)
                    continue;
                for (const char *name : other)
                    othersBefore.push_back(qobject_cast<QRadioButton *>(named(*form, name))->isChecked());
            }
            button->setChecked(true);
            for (const char *name : group)
                EXPECT_EQ(qobject_cast<QRadioButton *>(named(*form, name))->isChecked(), name == chosen)
                    << "after checking " << chosen << ": " << name;
            std::size_t i = 0;
            for (const auto &other : spec.radioGroups) {
                if (&other == &group)
                    continue;
                for (const char *name : other)
                    EXPECT_EQ(qobject_cast<QRadioButton *>(named(*form, name))->isChecked(), othersBefore[i++])
                        << "checking " << chosen << " changed " << name;
            }
        }
    }
}

TEST_P(DialogFormsTest, CloseButtonsGiveTheirResults)
{
    const FormSpec &spec = GetParam();
    {
        auto form = spec.make();
        auto *button = qobject_cast<QPushButton *>(named(*form, spec.defaultButton));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isDefault());
    }
    if (spec.acceptButton) {
        auto form = spec.make();
        form->open();
        QTest::mouseClick(named(*form, spec.acceptButton), Qt::LeftButton);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->result(), QDialog::Accepted);
    }
    auto form = spec.make();
    form->open();
    QTest::mouseClick(named(*form, spec.rejectButton), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
}

INSTANTIATE_TEST_SUITE_P(Forms, DialogFormsTest, ::testing::ValuesIn(forms()), rowName);

// The settings store rebuilds and reads the print manager's column list by
// these names, and the export takes the list's order as the column order.
TEST(DialogFormsFixedItems, PrintManagerColumnsAreTheTwelveListColumnsInOrder)
{
    appTestApp();
    TFrmListGenerator form;
    auto *columns = form.findChild<QListWidget *>(QStringLiteral("Columns"));
    ASSERT_NE(columns, nullptr);
    const QStringList expected = {"Logo",         "Service Name", "Service Type", "SID",
                                  "TSID",         "ONID",         "Frequency",    "Inversion",
                                  "Polarization", "FEC",          "Modulation",   "Satellite/Cable"};
    ASSERT_EQ(columns->count(), expected.size());
    for (int i = 0; i < columns->count(); ++i) {
        const QListWidgetItem *item = columns->item(i);
        EXPECT_EQ(item->text(), expected[i]);
        EXPECT_TRUE(item->flags().testFlag(Qt::ItemIsUserCheckable)) << qPrintable(expected[i]);
    }
    // Up and down move every selected item, so more than one can be selected.
    EXPECT_EQ(columns->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST(DialogFormsFixedItems, SelectionGridShowsItsFourColumnsAsWholeRows)
{
    appTestApp();
    TFrmServiceSelectionList form;
    auto *grid = form.findChild<TListGrid *>(QStringLiteral("SelectionGrid"));
    ASSERT_NE(grid, nullptr);
    const std::vector<std::pair<QString, QString>> expected = {
        {"ColName", "Service"}, {"ColSID", "SID"}, {"ColTSID", "TSID"}, {"ColSat", "Satelite/Cable"}};
    ASSERT_EQ(grid->Columns()->Count(), int(expected.size()));
    for (int i = 0; i < grid->Columns()->Count(); ++i) {
        EXPECT_EQ(grid->Columns()->Items(i)->objectName(), expected[i].first);
        EXPECT_EQ(grid->Columns()->Items(i)->Header().Caption(), expected[i].second);
    }
    EXPECT_TRUE(grid->Columns()->Items(0)->Options().contains(coAutoSize));
    const TGridOptions options = grid->Options();
    for (TGridOption option : {goHeader, goGrid, goSelectFullRow, goDisableColumnMoving})
        EXPECT_TRUE(options.contains(option)) << int(option);
}

// The questions the program asks in windows of Qt's making or of a size of
// their own, at the tests' font and at a large desktop font: each is wide
// enough for its title beside the title bar's buttons and shows its prompt
// whole, and an input box's edit holds a long name.
TEST(DialogFormsQuestions, WideEnoughForTitlePromptAndALongName)
{
    appTestApp();
    const QString longName = QStringLiteral("Regionalprogramme Bayern & Sachsen HD");
    struct Row {
        const char *shot;
        QString caption;
        QString prompt;
        QString initial;
    };
    const Row rows[] = {
        {"new_bouquet", msg(MsgNewBouquetCaption), msg(MsgEnterName), msg(MsgNewBouquetCaption)},
        {"rename_bouquet", msg(MsgRenameBouquetCaption), msg(MsgEnterNewName), longName},
        {"send_message", msg(MsgEnterAMessage), QString(), QString()},
    };
    for (const int pixels : {11, 18}) {
        const ScopedFontSize font(pixels);
        for (const Row &row : rows) {
            SCOPED_TRACE(std::string(row.shot) + " at " + std::to_string(pixels) + " px");
            QWidget owner;
            TDialogPrompts prompts(&owner);
            bool seen = false;
            whenModal("", [&](QWidget *box) {
                seen = true;
                QCoreApplication::processEvents();
                EXPECT_GE(box->width(), titleFitWidth(row.caption, box->font()));
                auto *edit = box->findChild<QLineEdit *>();
                ASSERT_NE(edit, nullptr);
                EXPECT_GE(edit->width(), 40 * edit->fontMetrics().averageCharWidth());
                for (const QLabel *label : box->findChildren<QLabel *>()) {
                    if (label->isVisible() && !label->text().isEmpty()) {
                        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
                    }
                }
                EXPECT_TRUE(saveShotWithTitleBar(*box, QStringLiteral("input_box_%1_%2px.png")
                                               .arg(QLatin1String(row.shot))
                                               .arg(pixels)));
                edit->selectAll();
                QTest::keyClicks(edit, longName);
                QTest::keyClick(edit, Qt::Key_Return);
            });
            QString text = row.initial;
            EXPECT_TRUE(prompts.inputQuery(row.caption, row.prompt, text));
            EXPECT_TRUE(seen);
            EXPECT_EQ(text, longName);
        }

        SCOPED_TRACE("FrmToggleActions at " + std::to_string(pixels) + " px");
        TFrmToggleActions toggle;
        bool seen = false;
        whenModal("FrmToggleActions", [&](QWidget *window) {
            seen = true;
            QCoreApplication::processEvents();
            EXPECT_GE(window->width(), titleFitWidth(window->windowTitle(), window->font()));
            EXPECT_TRUE(saveShotWithTitleBar(*window, QStringLiteral("toggle_actions_%1px.png").arg(pixels)));
            window->findChild<QAbstractButton *>(QStringLiteral("BtnCancel"))->click();
        });
        int action = 0;
        EXPECT_EQ(toggle.Execute(action), QDialog::Rejected);
        EXPECT_TRUE(seen);
    }
}
