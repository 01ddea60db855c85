#include "ui_test_support.h"

#include "ui/editors/lg_combo_box.h"

#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

QStringList threeItems()
{
    return {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")};
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
    [](const auto &info) {
        std::string name = info.param.name;
        for (char &ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

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

} // namespace
