#include "ui_test_support.h"

#include "ui/controls/gradient_panel.h"
#include "ui/controls/transparent_controls.h"
#include "ui/editors/lg_color_picker.h"
#include "ui/editors/lg_combo_box.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QRgb pixel(const QImage &image, int x, int y)
{
    return image.pixel(x, y) & RGB_MASK;
}

QImage grabbed(QWidget &widget)
{
    return widget.grab().toImage();
}

TEST(GradientPanelTest, SchemeSwitchesToCustomAndBack)
{
    uiApp();
    TGradientPanel panel;
    EXPECT_EQ(panel.ColorScheme(), csDesert);
    EXPECT_EQ(panel.ColorGrad().rgb() & RGB_MASK, 0xFFE1A4u);
    panel.SetColorGrad(Qt::red);
    EXPECT_EQ(panel.ColorScheme(), csCustom);
    panel.SetColorScheme(csDesert);
    EXPECT_EQ(panel.ColorGrad().rgb() & RGB_MASK, 0xFFE1A4u);
    EXPECT_EQ(panel.ColorLight().rgb() & RGB_MASK, 0xD58F00u);
    EXPECT_EQ(panel.ColorDark().rgb() & RGB_MASK, 0x9B6900u);
}

struct FillCase {
    const char *name;
    TFillDirection direction;
    QPoint firstPixel;
    QPoint lastPixel;
    QRgb lastColor; // of the last pixel
};

class GradientFillTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(GradientFillTest, FirstLineIsFaceAndEndApproachesGrad)
{
    uiApp();
    const FillCase &c = GetParam();
    TGradientPanel panel;
    panel.resize(40, 20);
    panel.SetBevelOuter(bvNone);
    panel.SetColorFace(Qt::white);
    panel.SetColorGrad(Qt::black);
    panel.SetFillDirection(c.direction);
    const QImage image = grabbed(panel);
    EXPECT_EQ(pixel(image, c.firstPixel.x(), c.firstPixel.y()), 0xFFFFFFu) << c.name;
    EXPECT_EQ(pixel(image, c.lastPixel.x(), c.lastPixel.y()), c.lastColor) << c.name;
}

// The last line (steps) lies outside; the last inside line is steps - 1.
INSTANTIATE_TEST_SUITE_P(
    Directions, GradientFillTest,
    ::testing::Values(FillCase{"horizontal", fdHorizontal, {0, 10}, {39, 10}, 0x060606},
                      FillCase{"vertical", fdVertical, {20, 0}, {20, 19}, 0x0D0D0D},
                      FillCase{"diagonal", fdDiagonal, {0, 0}, {39, 19}, 0x090909}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(GradientPanelTest, GradientColourEndsExactly)
{
    EXPECT_EQ(TGradientPanel::GradientColor(Qt::white, QColor(0, 100, 200), 0, 7), QColor(Qt::white));
    EXPECT_EQ(TGradientPanel::GradientColor(Qt::white, QColor(0, 100, 200), 7, 7), QColor(0, 100, 200));
    EXPECT_EQ(TGradientPanel::GradientColor(Qt::white, Qt::black, 1, 0), QColor(Qt::white));
}

TEST(GradientPanelTest, BevelsNestInTheirColours)
{
    uiApp();
    TGradientPanel panel;
    panel.resize(30, 30);
    panel.SetBevelWidth(2);
    panel.SetBevelOuter(bvRaised);
    panel.SetBevelInner(bvLowered);
    const QRgb light = panel.ColorLight().rgb() & RGB_MASK;
    const QRgb dark = panel.ColorDark().rgb() & RGB_MASK;
    const QImage image = grabbed(panel);
    for (int d = 0; d < 4; ++d) {
        const bool raised = d < 2;
        EXPECT_EQ(pixel(image, d, 15), raised ? light : dark) << "left edge at inset " << d;
        EXPECT_EQ(pixel(image, 15, d), raised ? light : dark) << "top edge at inset " << d;
        EXPECT_EQ(pixel(image, 29 - d, 15), raised ? dark : light) << "right edge at inset " << d;
        EXPECT_EQ(pixel(image, 15, 29 - d), raised ? dark : light) << "bottom edge at inset " << d;
    }
}

TEST(GradientPanelTest, ZeroSizePaintsNothing)
{
    uiApp();
    for (const QSize size : {QSize(0, 10), QSize(10, 0), QSize(0, 0)}) {
        TGradientPanel panel;
        panel.resize(size);
        EXPECT_TRUE(panel.grab().isNull() || panel.grab().size().isEmpty());
        panel.repaint();
    }
    TGradientPanel thin;
    thin.resize(1, 10);
    thin.SetBevelOuter(bvNone);
    thin.SetFillDirection(fdHorizontal);
    EXPECT_EQ(pixel(grabbed(thin), 0, 5), 0xFFFFFFu) << "one pixel wide shows the face colour";
}

TEST(RadioGroupTest, ColumnsClampedAndItemIndexFollowsItems)
{
    uiApp();
    TTrRadioGroup group;
    group.resize(200, 100);
    for (const auto &[asked, expected] : {std::pair{0, 1}, std::pair{20, 16}, std::pair{3, 3}, std::pair{-4, 1}}) {
        group.SetColumns(asked);
        EXPECT_EQ(group.Columns(), expected) << asked;
    }
    group.SetColumns(2);
    group.SetItems({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    ASSERT_EQ(group.Buttons().size(), 3);
    EXPECT_EQ(group.Buttons().at(2)->x(), group.Buttons().at(0)->x() + (200 - 10) / 2) << "second column";
    group.SetItemIndex(9);
    EXPECT_EQ(group.ItemIndex(), 2);
    EXPECT_TRUE(group.Buttons().at(2)->isChecked());
    int clicks = 0;
    group.OnClick = [&](TCustomTrRadioGroup *) { ++clicks; };
    group.Buttons().at(0)->click();
    EXPECT_EQ(group.ItemIndex(), 0);
    EXPECT_FALSE(group.Buttons().at(2)->isChecked());
    EXPECT_EQ(clicks, 1);
    group.SetItems({QStringLiteral("only")});
    EXPECT_EQ(group.ItemIndex(), 0);
    group.SetItemIndex(-7);
    EXPECT_EQ(group.ItemIndex(), -1);
}

TEST(TransparentControlsTest, CheckBoxShowsTheGradientAroundIt)
{
    uiApp();
    TGradientPanel panel;
    panel.resize(200, 60);
    panel.SetBevelOuter(bvNone);
    panel.SetColorFace(Qt::white);
    panel.SetColorGrad(Qt::blue);
    panel.SetFillDirection(fdHorizontal);
    auto *check = new TTrCheckBox(&panel);
    check->setText(QStringLiteral("Logos"));
    check->setGeometry(100, 10, 90, 30);
    const QImage image = grabbed(panel);
    const QRgb behind = pixel(image, 185, 12);
    const QRgb gradient = TGradientPanel::GradientColor(Qt::white, Qt::blue, 185, 200).rgb() & RGB_MASK;
    EXPECT_EQ(behind, gradient);

    check->SetTransparent(false);
    EXPECT_NE(pixel(grabbed(panel), 185, 12), gradient);
}

TEST(ScreenshotTest, DialogWithTransparentControls)
{
    uiApp();
    TGradientPanel dialog;
    dialog.resize(360, 240);
    dialog.SetBevelOuter(bvRaised);
    dialog.SetCaption(QString());
    auto *header = new TGradientPanel(&dialog);
    header->setGeometry(0, 0, 360, 32);
    header->SetColorScheme(csSky);
    header->SetCaption(QStringLiteral("Settings"));
    auto *logos = new TTrCheckBox(&dialog);
    logos->setText(QStringLiteral("Show logos"));
    logos->setChecked(true);
    logos->setGeometry(12, 42, 150, 22);
    auto *ping = new TTrCheckBox(&dialog);
    ping->setText(QStringLiteral("Background ping"));
    ping->setGeometry(12, 64, 150, 22);
    auto *ftp = new TTrRadioButton(&dialog);
    ftp->setText(QStringLiteral("Receiver"));
    ftp->setChecked(true);
    ftp->setGeometry(180, 42, 150, 22);
    auto *local = new TTrRadioButton(&dialog);
    local->setText(QStringLiteral("Local folder"));
    local->setGeometry(180, 64, 150, 22);
    auto *group = new TTrRadioGroup(&dialog);
    group->setTitle(QStringLiteral("Format"));
    group->setGeometry(12, 92, 336, 70);
    group->SetColumns(2);
    group->SetItems({QStringLiteral("CSV"), QStringLiteral("HTML"), QStringLiteral("Text"), QStringLiteral("XML")});
    group->SetItemIndex(1);
    auto *color = new TLgColorPicker(&dialog);
    color->setGeometry(12, 176, 150, 22);
    color->SetSelectedColor(QColor(Qt::red));
    auto *combo = new TLgComboBox(&dialog);
    combo->setGeometry(180, 176, 160, 22);
    combo->SetItems({QStringLiteral("English"), QStringLiteral("German")});
    combo->SetItemIndex(1);
    dialog.show();

    const QImage image = grabbed(dialog);
    const QString file = shotsDir() + QStringLiteral("/controls_dialog.png");
    ASSERT_TRUE(image.save(file));
    // The gradient shows beside the check box text and inside the group.
    const QRgb face = 0xFFFFFF;
    EXPECT_NE(pixel(image, 150, 50), face);
    EXPECT_EQ(pixel(image, 150, 50), TGradientPanel::GradientColor(Qt::white, dialog.ColorGrad(), 50, 240).rgb() & RGB_MASK);
}

} // namespace
