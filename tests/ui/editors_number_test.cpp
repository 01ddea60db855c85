#include "ui_test_support.h"

#include "ui/editors/lg_color_picker.h"
#include "ui/editors/lg_color_text.h"
#include "ui/editors/lg_number_edit.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Number texts use the C locale's "." in these tests.
struct CLocale {
    CLocale() { QLocale::setDefault(QLocale::c()); }
    ~CLocale() { QLocale::setDefault(QLocale::system()); }
};

TEST(NumberEditTest, DisplayTextFollowsPrecisionNullTextAndTextAfter)
{
    uiApp();
    CLocale locale;
    TLgNumberEdit edit;
    edit.SetTextAfter(QStringLiteral(" m2"));
    edit.SetValue(1.5);
    EXPECT_EQ(edit.text(), QStringLiteral("1.50 m2"));
    EXPECT_DOUBLE_EQ(edit.Value(), 1.5) << "the digits of TextAfter are not part of the value";
    edit.SetNullText(QStringLiteral("none"));
    edit.SetValue(0);
    EXPECT_EQ(edit.text(), QStringLiteral("none"));
    EXPECT_DOUBLE_EQ(edit.Value(), 0);
    edit.SetOptions({eoAllowSigns});
    edit.SetValue(2.25);
    EXPECT_EQ(edit.text(), QStringLiteral("2.25 m2")) << "without floats the shortest text";
}

struct CleanCase {
    const char *name;
    const char *text;
    bool allowFloat;
    bool allowSigns;
    const char *expected;
};

class CleanNumberTest : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanNumberTest, Cleans)
{
    const CleanCase &c = GetParam();
    EXPECT_EQ(cleanNumberText(QString::fromUtf8(c.text), c.allowFloat, c.allowSigns, u'.'),
              QString::fromUtf8(c.expected))
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CleanNumberTest,
    ::testing::Values(CleanCase{"letters dropped, one separator", "-12a.3.4", true, true, "-12.34"},
                      CleanCase{"sign only in front", "1-2+3", true, true, "123"},
                      CleanCase{"no signs allowed", "-5", true, false, "5"},
                      CleanCase{"no floats allowed", "1.5", false, true, "15"},
                      CleanCase{"empty gets zero", "abc", true, true, "0"},
                      CleanCase{"lone sign gets zero", "-", true, true, "-0"}));

TEST(NumberEditTest, TypingAndPastingKeepANumber)
{
    uiApp();
    CLocale locale;
    TLgNumberEdit edit;
    edit.clear();
    edit.PasteText(QStringLiteral("-12a.3.4"));
    EXPECT_EQ(edit.text(), QStringLiteral("-12.34"));
    EXPECT_DOUBLE_EQ(edit.Value(), -12.34);

    QTest::keyClicks(&edit, QStringLiteral(".5x"));
    EXPECT_EQ(edit.text(), QStringLiteral("-12.345")) << "second separator and letter refused";
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, QStringLiteral("-"));
    EXPECT_EQ(edit.text(), QStringLiteral("-12.345")) << "a second sign is refused";

    // Pasting in the middle keeps the sign in front and adds no second separator.
    edit.setCursorPosition(3);
    edit.PasteText(QStringLiteral("-9.9"));
    EXPECT_EQ(edit.text(), QStringLiteral("-1299.345"));
}

TEST(NumberEditTest, ValueIsClampedToMinAndMax)
{
    uiApp();
    CLocale locale;
    TLgNumberEdit edit;
    edit.SetMin(-5);
    edit.SetMax(10);
    edit.setText(QStringLiteral("50"));
    EXPECT_DOUBLE_EQ(edit.Value(), 10);
    edit.setText(QStringLiteral("-50"));
    EXPECT_DOUBLE_EQ(edit.Value(), -5);
    edit.SetMax(0);
    edit.setText(QStringLiteral("5000"));
    EXPECT_DOUBLE_EQ(edit.Value(), 5000) << "Max 0 is no limit";
    edit.SetMin(0);
    edit.setText(QStringLiteral("-7"));
    EXPECT_DOUBLE_EQ(edit.Value(), -7) << "Min 0 and Max 0: no limits at all";
    edit.SetMax(10);
    EXPECT_DOUBLE_EQ(edit.Value(), 0);
}

struct SpinCase {
    const char *name;
    double min;
    double max;
    double start;
    int direction;
    double expected;
};

class SpinStepTest : public ::testing::TestWithParam<SpinCase> {};

TEST_P(SpinStepTest, Steps)
{
    uiApp();
    CLocale locale;
    const SpinCase &c = GetParam();
    TLgSpinEdit spin;
    spin.SetMin(c.min);
    spin.SetMax(c.max);
    spin.SetValue(c.start);
    c.direction > 0 ? spin.StepUp() : spin.StepDown();
    EXPECT_DOUBLE_EQ(spin.Value(), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SpinStepTest,
    ::testing::Values(SpinCase{"max zero means no limit", 0, 0, 1000000, 1, 1000001},
                      SpinCase{"up stops below max", 0, 10, 10, 1, 10},
                      SpinCase{"up reaches max", 0, 10, 9, 1, 10},
                      SpinCase{"down stops at min zero", 0, 0, 0, -1, 0},
                      SpinCase{"down reaches min", 0, 0, 1, -1, 0},
                      SpinCase{"negative min allows below zero", -3, 0, 0, -1, -1}));

TEST(SpinEditTest, IntegersRoundHalfToEven)
{
    uiApp();
    CLocale locale;
    TLgSpinEdit spin;
    spin.SetPrecision(1);
    for (const auto &[value, expected] : {std::pair{2.5, 2}, std::pair{3.5, 4}, std::pair{-2.5, -2}}) {
        spin.SetValue(value);
        EXPECT_EQ(spin.AsInteger(), expected) << value;
    }
}

TEST(SpinEditTest, KeysAndButtonsStep)
{
    uiApp();
    CLocale locale;
    TLgSpinEdit spin;
    QTest::keyClick(&spin, Qt::Key_Up);
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(spin.Value(), 2);
    spin.SetInPlace(true);
    QTest::keyClick(&spin, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(spin.Value(), 2) << "in place the grid has Up and Down";
}

TEST(SpinButtonsTest, StepAtOnceThenRepeatAfterDelayUntilRelease)
{
    uiApp();
    TLgSpinButtons buttons;
    EXPECT_EQ(buttons.RepeatDelay(), std::chrono::milliseconds(400));
    EXPECT_EQ(buttons.RepeatInterval(), std::chrono::milliseconds(20));
    int steps = 0;
    buttons.OnStep = [&](int direction) { steps += direction; };

    buttons.Press(1);
    EXPECT_EQ(steps, 1) << "the first step comes at once";
    QTest::qWait(30);
    EXPECT_EQ(steps, 1) << "nothing more before the delay";
    buttons.Release();

    buttons.SetTimes(std::chrono::milliseconds(5), std::chrono::milliseconds(1));
    steps = 0;
    buttons.Press(-1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return steps <= -4; }, 2000));
    buttons.Release();
    const int afterRelease = steps;
    QTest::qWait(20);
    EXPECT_EQ(steps, afterRelease) << "release stops the repeat";
    EXPECT_FALSE(buttons.Repeating());
}

struct ColorTextCase {
    const char *name;
    const char *text;
    bool web;
    bool valid;
    QRgb rgb;
};

class ColorTextTest : public ::testing::TestWithParam<ColorTextCase> {};

TEST_P(ColorTextTest, Parses)
{
    const ColorTextCase &c = GetParam();
    const auto color = textToColor(QString::fromUtf8(c.text), c.web);
    ASSERT_EQ(color.has_value(), c.valid) << c.name;
    if (c.valid) {
        EXPECT_EQ(color->rgb() & RGB_MASK, c.rgb) << c.name;
        // What is written reads back as the same colour.
        EXPECT_EQ(textToColor(colorToText(*color, c.web), c.web)->rgb(), color->rgb()) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ColorTextTest,
    ::testing::Values(ColorTextCase{"classic name", "clRed", false, true, 0xFF0000},
                      ColorTextCase{"classic name any case", "CLNAVY", false, true, 0x000080},
                      ColorTextCase{"classic hex keeps blue high", "$00FF8000", false, true, 0x0080FF},
                      ColorTextCase{"classic decimal", "255", false, true, 0xFF0000},
                      ColorTextCase{"classic garbage", "reddish", false, false, 0},
                      ColorTextCase{"classic dollar alone", "$", false, false, 0},
                      ColorTextCase{"web hash form", "#12AB34", true, true, 0x12AB34},
                      ColorTextCase{"web name", "teal", true, true, 0x008080},
                      ColorTextCase{"web garbage", "bluish", true, false, 0}));

TEST(ColorPickerTest, TextThatIsNoColourKeepsTheLastColour)
{
    uiApp();
    TLgColorPicker picker;
    EXPECT_EQ(picker.text(), QStringLiteral("clWhite"));
    ASSERT_TRUE(picker.SelectedColor().has_value());
    picker.SetSelectedColor(QColor(Qt::red));
    picker.setText(QStringLiteral("clRe"));
    ASSERT_TRUE(picker.SelectedColor().has_value()) << "no exception, the last valid colour";
    EXPECT_EQ(*picker.SelectedColor(), QColor(Qt::red));
    picker.clear();
    EXPECT_FALSE(picker.SelectedColor().has_value()) << "empty text is no colour";
    picker.setText(QStringLiteral("junk"));
    EXPECT_FALSE(picker.SelectedColor().has_value());

    picker.SetSelectedColor(QColor(0x12, 0x34, 0x56));
    picker.SetWebColorFormat(true);
    EXPECT_EQ(picker.text(), QStringLiteral("#123456")) << "rewritten in the new form";
}

struct CellCase {
    int column;
    int row;
    QRgb rgb;
};

TEST(ColorPopupTest, CellTableAndHitTest)
{
    const CellCase cells[] = {{0, 5, 0x000000},  {2, 11, 0x000000}, {1, 3, 0x999999}, {1, 6, 0xFF0000},
                              {1, 11, 0xFF00FF}, {3, 0, 0x000000},  {8, 0, 0x00FF00}, {9, 1, 0x330033},
                              {20, 5, 0x66FFFF}, {3, 6, 0x990000},  {20, 11, 0xFFFFFF}};
    for (const CellCase &c : cells)
        EXPECT_EQ(TColorPopup::CellColor(c.column, c.row).rgb() & RGB_MASK, c.rgb) << c.column << "," << c.row;
    EXPECT_EQ(TColorPopup::CellAt({0, 28}), QPoint(0, 0));
    EXPECT_EQ(TColorPopup::CellAt({209, 147}), QPoint(20, 11));
    EXPECT_FALSE(TColorPopup::CellAt({5, 27}).has_value());
    EXPECT_FALSE(TColorPopup::CellAt({210, 40}).has_value());
    EXPECT_FALSE(TColorPopup::CellAt({5, 148}).has_value());
}

TEST(ColorPopupTest, ClicksHandColourTextsToThePicker)
{
    uiApp();
    TLgColorPicker picker;
    picker.show();
    picker.SetWebColorFormat(true);
    picker.SetDroppedDown(true);
    TColorPopup *popup = picker.ColorPopup();
    popup->ClickAt({15, 28 + 65}); // column 1, row 6: red
    EXPECT_EQ(picker.text(), QStringLiteral("#FF0000"));
    EXPECT_FALSE(picker.DroppedDown());

    picker.SetDroppedDown(true);
    popup->ClickAt(TColorPopup::kNoneButton.center());
    EXPECT_EQ(picker.text(), QString());
    EXPECT_FALSE(picker.SelectedColor().has_value());

    picker.SetDroppedDown(true);
    popup->ChooseColor = [](const QColor &) { return std::optional<QColor>(QColor(1, 2, 3)); };
    popup->ClickAt(TColorPopup::kMoreButton.center());
    EXPECT_EQ(picker.text(), QStringLiteral("#010203"));
}

} // namespace
