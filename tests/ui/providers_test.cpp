#include "ui_test_support.h"

#include "ui/grid/color_names.h"
#include "ui/grid/column_displays.h"
#include "ui/grid/flyouts.h"
#include "ui/grid/number_format.h"
#include "ui/grid/providers.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

TEST(ColorNames, TableAndLookups)
{
    const auto names = HtmlColorNames();
    ASSERT_EQ(names.size(), 141u);
    EXPECT_STREQ(names[0].name, "transparent");
    EXPECT_STREQ(names[1].name, "aliceblue");
    EXPECT_STREQ(names[140].name, "yellowgreen");
    for (std::size_t k = 2; k < names.size(); ++k)
        EXPECT_LT(qstrcmp(names[k - 1].name, names[k].name), 0) << names[k].name;
    EXPECT_EQ(HtmlTextToColor(QStringLiteral("LightGrey")), HtmlTextToColor(QStringLiteral("#D3D3D3")));
    EXPECT_EQ(ColorNameToColorText(QStringLiteral("grey")), QStringLiteral("grey"));
    EXPECT_FALSE(HtmlTextToColor(QStringLiteral("grey")).isValid());
    EXPECT_EQ(HtmlTextToColor(QStringLiteral("red")), QColor(255, 0, 0));
    EXPECT_EQ(ColorToHtmlText(QColor(0x12, 0xab, 0x0f)), QStringLiteral("#12AB0F"));
}

TEST(Blending, ProvidersAgreeWithTheirFormulas)
{
    EXPECT_EQ(TGraphicsProvider::Blend(QColor(255, 255, 255), QColor(0, 0, 0), 0.25),
              QColor(191, 191, 191));
    EXPECT_EQ(TGraphicsProvider::FastBlend(QColor(255, 0, 0), QColor(0, 0, 255), 255),
              QColor(254, 0, 0));
    EXPECT_EQ(ColorBlend(QColor(200, 100, 50), QColor(0, 0, 0), 128), QColor(100, 50, 25));
    EXPECT_EQ(ColorBlend(QColor(0, 0, 0), QColor(255, 255, 255), 0), QColor(254, 254, 254));
}

TEST(CalcProvider, OverlapAndAlignment)
{
    EXPECT_TRUE(TCalcProvider::RectsOverlap(QRect(0, 0, 10, 10), QRect(9, 9, 5, 5)));
    EXPECT_FALSE(TCalcProvider::RectsOverlap(QRect(0, 0, 10, 10), QRect(10, 0, 5, 5)));
    EXPECT_EQ(TCalcProvider::MoveRect(QRect(0, 0, 10, 10), 1, 2, 3, 4), QRect(QPoint(1, 2), QPoint(12, 13)));
    const QRect cell(10, 20, 40, 16);
    EXPECT_EQ(TCalcProvider::AlignItem(cell, 10, 10, taCenter, vaMiddle), QPoint(25, 23));
    EXPECT_EQ(TCalcProvider::AlignItem(cell, 10, 10, taRightJustify, vaBottom), QPoint(40, 26));
    EXPECT_EQ(TCalcProvider::AlignItem(cell, 10, 10, taLeftJustify, vaTop, 2), QPoint(12, 22));
}

// A text longer than a line can show is cut to the part the alignment
// shows, with room to spare (two characters a pixel, and two more), and
// never between the halves of a character outside the basic plane.
TEST(CalcProvider, TextShownInALine)
{
    const QString face = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    const struct {
        QString text;
        int width;
        Qt::Alignment alignment;
        QString shown;
    } rows[] = {
        {"abcdefghij", 4, Qt::AlignLeft, "abcdefghij"},
        {"abcdefghij", 2, Qt::AlignLeft, "abcdef"},
        {"abcdefghij", 2, Qt::AlignRight, "efghij"},
        {"abcdefghij", 2, Qt::AlignHCenter, "cdefgh"},
        {"abcdefghij", -5, Qt::AlignLeft, "ab"},
        {"abcde" + face + "xyz", 2, Qt::AlignLeft, "abcde" + face},
        {"xyz" + face + "abcde", 2, Qt::AlignRight, "abcde"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(TextShownIn(r.text, r.width, r.alignment), r.shown)
            << r.text.toStdString() << " " << r.width;
}

TEST(NumberMask, Formats)
{
    struct Case {
        const char *mask;
        double value;
        const char *text;
    };
    const Case cases[] = {
        {"0.00", 3.14159, "3.14"},
        {"#,##0.0", 1234567.25, "1,234,567.3"},
        {"000", 7, "007"},
        {"0.## dB", 2.5, "2.5 dB"},
        {"0.##", 2, "2"},
        {"#.00", 0.5, ".50"},
        {"", 1.5, "1.5"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatFloatMask(QString::fromLatin1(c.mask), c.value), QString::fromLatin1(c.text)) << c.mask;
}

TEST(HtmlRenderer, BoldWordBetweenPlainWords)
{
    uiApp();
    auto render = [](const QString &html) {
        QImage image(200, 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        DrawHtmlText(p, image.rect(), html, QApplication::font(), Qt::black, false, Qt::white);
        return image;
    };
    auto inkWidth = [](const QImage &image) {
        int right = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 160)
                    right = std::max(right, x);
        return right;
    };
    const int plain = inkWidth(render(QStringLiteral("one two three")));
    const int bold = inkWidth(render(QStringLiteral("one <b>two</b> three")));
    EXPECT_GT(bold, plain);
    // An unknown tag draws nothing and changes nothing.
    EXPECT_EQ(render(QStringLiteral("one <blink>two</blink> three")),
              render(QStringLiteral("one <i></i>two<i></i> three")));
    // A line break moves the pen down: nothing is drawn right of the first word.
    const QImage broken = render(QStringLiteral("one<br>two"));
    EXPECT_LT(inkWidth(broken), inkWidth(render(QStringLiteral("onetwo"))));
    // Unreadable colours and absurd sizes are ignored or clamped, and nothing leaves the cell.
    QImage big(200, 60, QImage::Format_RGB32);
    big.fill(Qt::white);
    {
        QPainter p(&big);
        DrawHtmlText(p, QRect(10, 10, 50, 20), QStringLiteral("<font color=\"#zz\" size=99999>W</font>"),
                     QApplication::font(), Qt::black, false, Qt::white);
    }
    for (int y = 0; y < big.height(); ++y) {
        for (int x = 0; x < big.width(); ++x) {
            if (!QRect(10, 10, 50, 20).contains(x, y)) {
                ASSERT_EQ(big.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
            }
        }
    }
}

TEST(ScrollBars, MaxPositionAndAutoHide)
{
    uiApp();
    TLgScrollControl control;
    TLgScrollBar &bar = control.VertScrollBar();
    bar.Lock();
    bar.SetMax(10);
    bar.SetPosition(25);
    EXPECT_EQ(bar.Position(), 10);
    bar.SetMax(0);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_FALSE(bar.IsShown());
    bar.SetAutoHide(false);
    EXPECT_TRUE(bar.IsShown());
    EXPECT_TRUE(bar.IsDisabled());
    bar.Unlock();
}

TEST(ScrollBars, GridScrollsByRows)
{
    GridFixture f(300, 120);
    f.grid.Columns()->Add<TLgTextColumn>();
    f.grid.AddRow(50);
    EXPECT_GT(f.grid.VertScrollBar().Max(), 40);
    int scrolled = -1;
    f.grid.OnVerticalScroll = [&](QObject *, int position) { scrolled = position; };
    f.grid.VertScrollBar().Next();
    EXPECT_EQ(f.grid.FirstVisibleRow(), 1);
    EXPECT_EQ(scrolled, 1);
    f.grid.ScrollToRow(30);
    EXPECT_EQ(f.grid.FirstVisibleRow(), 30);
    EXPECT_EQ(f.grid.VerticalScrollDistance(0, 2), -2 * 16);
    f.grid.ClearRows();
    EXPECT_EQ(f.grid.FirstVisibleRow(), 0);
}

TEST(RollScrolling, DirectionAndSpeedFollowTheMouse)
{
    GridFixture f(300, 120);
    f.grid.Columns()->Add<TLgTextColumn>();
    f.grid.AddRow(50);
    f.grid.StartRoll(QPoint(50, 50));
    EXPECT_TRUE(f.grid.Rolling());
    f.grid.MoveRoll(QPoint(50, 170));
    f.grid.RollTick();
    EXPECT_EQ(f.grid.FirstVisibleRow(), 1);
    EXPECT_EQ(f.grid.RollInterval(), 1);
    f.grid.MoveRoll(QPoint(50, 20));
    f.grid.RollTick();
    EXPECT_EQ(f.grid.FirstVisibleRow(), 0);
    EXPECT_EQ(f.grid.RollInterval(), 70);
    f.grid.MoveRoll(QPoint(50, 53));
    f.grid.RollTick();
    EXPECT_EQ(f.grid.FirstVisibleRow(), 0);
    f.grid.StopRoll();
    EXPECT_FALSE(f.grid.Rolling());
}

TEST(Flyouts, ShapesOfArrowsAndShadow)
{
    uiApp();
    TDragArrow arrow(TDragArrow::Down);
    EXPECT_EQ(arrow.size(), QSize(9, 9));
    EXPECT_TRUE(arrow.mask().contains(QPoint(4, 7)));
    EXPECT_FALSE(arrow.mask().contains(QPoint(0, 0)));
    arrow.SetDirection(TDragArrow::Up);
    EXPECT_TRUE(arrow.mask().contains(QPoint(4, 1)));
    const QRegion shadow = TRollShadow::Shape();
    EXPECT_TRUE(shadow.contains(QPoint(7, 11)));   // the circle on the press point
    EXPECT_FALSE(shadow.contains(QPoint(20, 20)));
}

} // namespace
