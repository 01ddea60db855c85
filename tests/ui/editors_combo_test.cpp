#include "ui_test_support.h"

#include "ui/editors/lg_color_picker.h"
#include "ui/editors/lg_combo_box.h"

#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

QStringList threeItems()
{
    return {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")};
}

// A case's name as a test name: letters and digits, "_" for the rest.
std::string testName(const char *text)
{
    std::string name = text;
    for (char &ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

void wheel(QWidget &widget, int delta)
{
    QWheelEvent event(QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &event);
}

struct StepCase {
    const char *name;
    int start;
    std::function<void(TLgComboBox &)> action;
    int expectedIndex;
    const char *expectedText;
};

class ComboStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(ComboStepTest, KeepsItemIndexInRange)
{
    uiApp();
    const StepCase &c = GetParam();
    TLgComboBox combo;
    combo.SetItems(threeItems());
    combo.setText(QStringLiteral("start"));
    combo.SetItemIndex(c.start);
    c.action(combo);
    EXPECT_EQ(combo.ItemIndex(), c.expectedIndex) << c.name;
    EXPECT_EQ(combo.text(), QString::fromUtf8(c.expectedText)) << c.name;
}

auto key(Qt::Key k)
{
    return [k](TLgComboBox &combo) { QTest::keyClick(&combo, k); };
}
auto wheelBy(int delta)
{
    return [delta](TLgComboBox &combo) { wheel(combo, delta); };
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ComboStepTest,
    ::testing::Values(
        StepCase{"index past the items leaves the text", 5, [](TLgComboBox &) {}, 5, "start"},
        StepCase{"up from first gives minus one, text kept", 0, key(Qt::Key_Up), -1, "One"},
        StepCase{"up from minus one stays", -1, key(Qt::Key_Up), -1, "start"},
        StepCase{"down from last stays at last", 2, key(Qt::Key_Down), 2, "Three"},
        StepCase{"down from out of range comes back to last", 5, key(Qt::Key_Down), 2, "Three"},
        StepCase{"down moves on", 0, key(Qt::Key_Down), 1, "Two"},
        StepCase{"wheel down from last stays", 2, wheelBy(-120), 2, "Three"},
        StepCase{"wheel up from first stays", 0, wheelBy(120), 0, "One"},
        StepCase{"wheel up moves back", 2, wheelBy(120), 1, "Two"}),
    [](const auto &info) { return testName(info.param.name); });

TEST(ComboBoxTest, InPlaceLeavesUpAndDownAlone)
{
    uiApp();
    TLgComboBox combo;
    combo.SetItems(threeItems());
    combo.SetItemIndex(1);
    combo.SetInPlace(true);
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(combo.ItemIndex(), 1);
}

TEST(ComboBoxTest, EmptyItemsAreSafe)
{
    uiApp();
    TLgComboBox combo;
    combo.SetItemIndex(3);
    EXPECT_EQ(combo.CurrentItem(), QString());
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(combo.ItemIndex(), -1);
    combo.SetDroppedDown(true);
    EXPECT_EQ(combo.List()->ScrollRange(), 0);
    combo.SetDroppedDown(false);
}

TEST(ComboBoxTest, ClickInListSelectsThenCloseUpThenSelect)
{
    uiApp();
    TLgComboBox combo;
    combo.SetItems(threeItems());
    combo.show();
    QStringList events;
    combo.OnCloseUp = [&](TLgPopupEdit *) { events << QStringLiteral("closeup %1").arg(combo.ItemIndex()); };
    combo.OnSelect = [&](TLgPopupEdit *) { events << QStringLiteral("select ") + combo.text(); };
    combo.SetDroppedDown(true);
    TPopupList *list = combo.List();
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(list->height(), 3 * 16 + 4);
    const int y = TLgPopupControl::kBorderWidth + 16 + 8; // second row
    QTest::mouseClick(list, Qt::LeftButton, Qt::NoModifier, QPoint(10, y));
    EXPECT_FALSE(list->isVisible());
    EXPECT_FALSE(combo.DroppedDown());
    EXPECT_EQ(events, (QStringList{QStringLiteral("closeup 1"), QStringLiteral("select Two")}));

    // Escape closes without changing the choice.
    events.clear();
    combo.SetDroppedDown(true);
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(combo.DroppedDown());
    EXPECT_EQ(combo.ItemIndex(), 1);
    EXPECT_EQ(events, QStringList{QStringLiteral("closeup 1")});
}

TEST(ComboBoxTest, ListScrollRangeNeverNegativeAndHotRowFollowsIndex)
{
    uiApp();
    TLgComboBox combo;
    QStringList items;
    for (int i = 0; i < 20; ++i)
        items << QStringLiteral("Item %1").arg(i);
    combo.SetItems(items);
    combo.SetItemIndex(15);
    combo.show();
    combo.SetDroppedDown(true);
    TPopupList *list = combo.List();
    EXPECT_EQ(list->ScrollRange(), 12);
    EXPECT_EQ(list->HotRow(), 15);
    EXPECT_EQ(list->ScrollPosition(), 12);
    combo.SetDroppedDown(false);

    combo.SetItems({QStringLiteral("a")});
    combo.SetDroppedDown(true);
    EXPECT_EQ(list->ScrollRange(), 0);
    list->SetScrollPosition(5);
    EXPECT_EQ(list->ScrollPosition(), 0);
    combo.SetDroppedDown(false);
}

// A drop-down edit in a window of its own, worked with the mouse as a user
// does it: once the pop-up is open, presses and releases go to it first.
struct DropDownWorld {
    QWidget window;
    TLgPopupEdit *edit = nullptr;
    QPoint choice; // a point of the pop-up that chooses something

    bool open() const { return edit->DroppedDown() && edit->Popup()->isVisible(); }
    void onButton(QTest::MouseAction action) { userMouse(action, *edit->Button(), edit->Button()->rect().center()); }
    void onText(QTest::MouseAction action) { userMouse(action, *edit, QPoint(8, edit->height() / 2)); }
    void onChoice(QTest::MouseAction action) { userMouse(action, *edit->Popup(), choice); }
};

struct DropDownCase {
    const char *name;
    bool colours; // the colour picker; else a combo box of three items at "One"
    TDropDownStyle style;
    std::function<void(DropDownWorld &)> steps;
    bool open;        // the pop-up is up at the end
    const char *text; // the edit's text at the end
};

class DropDownMouseTest : public ::testing::TestWithParam<DropDownCase> {};

TEST_P(DropDownMouseTest, AClickOpensThePopupUntilAChoiceEscapeOrAClickOutside)
{
    uiApp();
    const DropDownCase &c = GetParam();
    DropDownWorld world;
    world.window.resize(320, 240);
    if (c.colours) {
        auto *picker = new TLgColorPicker(&world.window);
        picker->SetWebColorFormat(true);
        world.edit = picker;
        world.choice = QPoint(TLgPopupControl::kBorderWidth + 15, TLgPopupControl::kBorderWidth + 28 + 65); // red
    } else {
        auto *combo = new TLgComboBox(&world.window);
        combo->SetItems(threeItems());
        combo->SetItemIndex(0);
        world.edit = combo;
        world.choice = QPoint(10, TLgPopupControl::kBorderWidth + 16 + 8); // "Two"
    }
    world.edit->SetStyle(c.style);
    world.edit->setGeometry(10, 10, 150, 21);
    world.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&world.window));
    c.steps(world);
    EXPECT_EQ(world.open(), c.open);
    EXPECT_EQ(world.edit->DroppedDown(), c.open);
    EXPECT_EQ(world.edit->text(), QString::fromUtf8(c.text));
    if (c.open) {
        EXPECT_TRUE(saveShotWithPopup(world.window, QString::fromStdString("dropdown_" + testName(c.name) + ".png")));
    }
    world.edit->SetDroppedDown(false);
}

auto clicks(std::vector<std::function<void(DropDownWorld &)>> steps)
{
    return [steps](DropDownWorld &world) {
        for (const auto &step : steps)
            step(world);
    };
}
const auto clickButton = [](DropDownWorld &w) { w.onButton(QTest::MouseClick); };
const auto clickText = [](DropDownWorld &w) { w.onText(QTest::MouseClick); };
const auto clickChoice = [](DropDownWorld &w) { w.onChoice(QTest::MouseClick); };
const auto clickOutside = [](DropDownWorld &w) { userMouse(QTest::MouseClick, w.window, QPoint(280, 200)); };
const auto escape = [](DropDownWorld &w) { QTest::keyClick(w.edit->Popup(), Qt::Key_Escape); };
const auto dragToChoice = [](DropDownWorld &w) {
    w.onButton(QTest::MousePress);
    w.onChoice(QTest::MouseMove);
    w.onChoice(QTest::MouseRelease);
};

INSTANTIATE_TEST_SUITE_P(
    Mouse, DropDownMouseTest,
    ::testing::Values(
        DropDownCase{"a click on the arrow opens the list", false, dsDropDown, clickButton, true, "One"},
        DropDownCase{"then a click on an item chooses it", false, dsDropDown, clicks({clickButton, clickChoice}),
                     false, "Two"},
        DropDownCase{"a second click on the arrow closes the list", false, dsDropDown,
                     clicks({clickButton, clickButton}), false, "One"},
        DropDownCase{"a click outside closes the list", false, dsDropDown, clicks({clickButton, clickOutside}),
                     false, "One"},
        DropDownCase{"Escape closes the list", false, dsDropDown, clicks({clickButton, escape}), false, "One"},
        DropDownCase{"a drag from the arrow to an item chooses it", false, dsDropDown, dragToChoice, false, "Two"},
        DropDownCase{"a click on a list style text opens the list", false, dsDropDownList, clickText, true, "One"},
        DropDownCase{"a second click on a list style text closes the list", false, dsDropDownList,
                     clicks({clickText, clickText}), false, "One"},
        DropDownCase{"a click on a list style text chooses after opening", false, dsDropDownList,
                     clicks({clickText, clickChoice}), false, "Two"},
        DropDownCase{"a click on the arrow opens the colours", true, dsDropDown, clickButton, true, "#FFFFFF"},
        DropDownCase{"then a click on a colour chooses it", true, dsDropDown, clicks({clickButton, clickChoice}),
                     false, "#FF0000"},
        DropDownCase{"a second click on the arrow closes the colours", true, dsDropDown,
                     clicks({clickButton, clickButton}), false, "#FFFFFF"}),
    [](const auto &info) { return testName(info.param.name); });

} // namespace
