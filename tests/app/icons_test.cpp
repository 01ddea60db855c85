#include "resources/icons.h"

#include "app_test_support.h"

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QSet>

#include <iterator>
#include <string>

#include <gtest/gtest.h>

namespace {

struct IconCase
{
    const char *name;
    QSize designSize;
};

const QSize kSmall(16, 16);
const QSize kLogo(52, 39);
const QSize kSmallestLogo(21, 16);

// Every picture the windows ask for by name, with the size it is drawn for.
const IconCase kIcons[] = {
    {"type-tv", kSmall},
    {"type-radio", kSmall},
    {"type-data", kSmall},
    {"type-obsolete", kSmall},
    {"action-none", kSmall},
    {"action-add", kSmall},
    {"action-remove", kSmall},
    {"action-replace", kSmall},
    {"logo-default-obsolete", kLogo},
    {"logo-default-tv", kLogo},
    {"logo-default-radio", kLogo},
    {"logo-default-data", kLogo},
    {"ping-online", kSmall},
    {"ping-offline", kSmall},
    {"logo-mapping-active", kSmall},
    {"logo-mapping-inactive", kSmall},
    {"tool-save", kSmall},
    {"tool-go-back", kSmall},
    {"tool-history", kSmall},
    {"tool-clear-history", kSmall},
    {"tool-reset", kSmall},
    {"tool-settings", kSmall},
    {"tool-import-export", kSmall},
    {"tool-manager", kSmall},
    {"tool-logo-manager", kSmall},
    {"tool-backup-manager", kSmall},
    {"tool-print-manager", kSmall},
    {"tool-optimize", kSmall},
    {"tool-run", kSmall},
    {"tool-file-manager", kSmall},
    {"tool-telnet", kSmall},
    {"tool-web-interface", kSmall},
    {"tool-send-message", kSmall},
    {"tool-about", kSmall},
    {"tool-exit", kSmall},
    {"tool-select-all", kSmall},
    {"tool-bouquet-add", kSmall},
    {"tool-add-my-service", kSmall},
    {"tool-add-anti-service", kSmall},
    {"tool-add-replace-service", kSmall},
    {"tool-service-new", kSmall},
    {"tool-service-delete", kSmall},
    {"tool-service-properties", kSmall},
    {"tool-toggle-action", kSmall},
    {"tool-kingofsat-download", kSmall},
    {"tool-service-transfer", kSmall},
    {"tool-move-up", kSmall},
    {"tool-move-down", kSmall},
    {"tool-bouquet-new", kSmall},
    {"tool-bouquet-rename", kSmall},
    {"tool-bouquet-clear", kSmall},
    {"tool-bouquet-delete", kSmall},
    {"tool-sort", kSmall},
    {"tool-bouquet-merge", kSmall},
    {"tool-remove-obsolete", kSmall},
    {"tool-filter", kSmall},
};

// The tool buttons of the main tool bar and the five grid tool bars; each must
// have a glyph.
const char *const kToolButtons[] = {
    "ToolBtnSaveState", "ToolBtnSettings", "ToolBtnImportExport", "ToolBtnManager",
    "ToolBtnOptimize", "ToolBtnRun", "ToolBtnMsg", "ToolBtnAbout", "ToolBtnExit",
    "ToolBtnSerSelectAll", "ToolBtnSerBouquetAdd", "ToolBtnSerAddMyService",
    "ToolBtnSerAddAntiService", "ToolBtnSerAddReplaceService", "ToolBtnSerServiceNew",
    "ToolBtnSerServiceDelete", "ToolBtnSerServiceProperties",
    "ToolBtnMySerSelectAll", "ToolBtnMySerToggle", "ToolBtnMySerServiceNew",
    "ToolBtnMySerDeleteSelected", "ToolBtnMySerServiceProperties", "ToolBtnMySerBouquetAdd",
    "ToolBtnKofDownload", "ToolBtnKofServiceAdd", "ToolBtnKofSelectAll",
    "ToolBtnKofDeleteSelected",
    "ToolBtnBouSelectAll", "ToolBtnBouUp", "ToolBtnBouDown", "ToolBtnBouBouquetNew",
    "ToolBtnBouBouquetRename", "ToolBtnBouBouquetClear", "ToolBtnBouBouquetDelete",
    "ToolBtnBouServiceNew", "ToolBtnBouServiceProperties", "ToolBtnBouServiceDelete",
    "ToolBtnBouSort",
    "ToolBtnBouListSelectAll", "ToolBtnBouListUp", "ToolBtnBouListDown",
    "ToolBtnBouListBouquetNew", "ToolBtnBouListBouquetRename", "ToolBtnBouListBouquetClear",
    "ToolBtnBouListBouquetDelete", "ToolBtnBouListSort", "ToolBtnBouListBouquetMerge",
};

QString str(const char *text)
{
    return QString::fromLatin1(text);
}

int opaquePixels(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(argb.pixel(x, y)) > 0)
                ++count;
        }
    }
    return count;
}

// Pixels dark enough to read as an outline on white and on the selection blue.
int darkPixels(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            if (qAlpha(p) > 160 && qGray(p) < 100)
                ++count;
        }
    }
    return count;
}

class Icons : public ::testing::TestWithParam<IconCase>
{
protected:
    static void SetUpTestSuite() { appTestApp(); }
};

TEST_P(Icons, RendersAtItsSizeAndOnHighDpi)
{
    const IconCase c = GetParam();
    const bool empty = QLatin1String(c.name) == QLatin1String("action-none");
    // Logos also go into the grids at the smallest logo size.
    const QSize sizes[] = {c.designSize == kLogo ? kSmallestLogo : kSmall, c.designSize};
    for (const QSize &logical : sizes) {
        for (const qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(QStringLiteral("%1x%2@%3").arg(logical.width()).arg(logical.height()).arg(ratio).toStdString());
            const QPixmap pixmap = pelloranPixmap(str(c.name), logical, ratio);
            ASSERT_FALSE(pixmap.isNull());
            EXPECT_EQ(pixmap.size(), logical * ratio);
            EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
            const QImage image = pixmap.toImage();
            if (empty) {
                EXPECT_EQ(opaquePixels(image), 0);
            } else {
                // A picture, not a speck: at least a fifth of the area is drawn.
                EXPECT_GT(opaquePixels(image), image.width() * image.height() / 5);
                EXPECT_GT(darkPixels(image), 0) << "no outline dark enough for a selected row";
            }
        }
    }
}

TEST_P(Icons, IconHoldsBothSizesAtBothRatios)
{
    const QIcon icon = pelloranIcon(str(GetParam().name));
    ASSERT_FALSE(icon.isNull());
    for (const int side : {16, 24}) {
        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap pixmap = icon.pixmap(QSize(side, side), ratio);
            EXPECT_EQ(pixmap.size(), QSize(side, side) * ratio) << side << "@" << ratio;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Named, Icons, ::testing::ValuesIn(kIcons),
                         [](const ::testing::TestParamInfo<IconCase> &info) {
                             std::string name = info.param.name;
                             for (char &ch : name) {
                                 if (ch == '-')
                                     ch = '_';
                             }
                             return name;
                         });

TEST(IconSet, ResourceHoldsExactlyTheNamedPictures)
{
    appTestApp();
    pelloranPixmap(QStringLiteral("type-tv"), kSmall); // registers the resources
    QSet<QString> expected;
    for (const IconCase &c : kIcons)
        expected.insert(str(c.name) + QStringLiteral(".svg"));
    const QStringList files = QDir(QStringLiteral(":/icons")).entryList(QDir::Files);
    EXPECT_EQ(QSet<QString>(files.begin(), files.end()), expected);
}

TEST(IconSet, UnknownNamesAndEmptySizesGiveNothing)
{
    appTestApp();
    EXPECT_TRUE(pelloranPixmap(QStringLiteral("tool-no-such-thing"), kSmall).isNull());
    EXPECT_TRUE(pelloranPixmap(QString(), kSmall).isNull());
    EXPECT_TRUE(pelloranPixmap(QStringLiteral("type-tv"), QSize(0, 16)).isNull());
    EXPECT_TRUE(pelloranIcon(QStringLiteral("tool-no-such-thing")).isNull());
}

TEST(IconSet, TypeIconsAreToldApart)
{
    appTestApp();
    QList<QImage> images;
    for (int i = 0; i < 4; ++i)
        images << pelloranPixmap(pelloranTypeIconName(i), kSmall).toImage();
    for (int a = 0; a < 4; ++a) {
        for (int b = a + 1; b < 4; ++b) {
            int differing = 0;
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x) {
                    if (images[a].pixel(x, y) != images[b].pixel(x, y))
                        ++differing;
                }
            }
            // Told apart at a glance, not by a pixel or two.
            EXPECT_GT(differing, 40) << a << " vs " << b;
        }
    }
}

TEST(IconSet, IndexNamesFollowTheGridNumbering)
{
    struct Row
    {
        QString (*lookup)(int);
        const char *names[4];
    };
    const Row rows[] = {
        {pelloranTypeIconName, {"type-tv", "type-radio", "type-data", "type-obsolete"}},
        {pelloranActionIconName, {"action-none", "action-add", "action-remove", "action-replace"}},
        {pelloranDefaultLogoName,
         {"logo-default-obsolete", "logo-default-tv", "logo-default-radio", "logo-default-data"}},
    };
    for (const Row &row : rows) {
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(row.lookup(i), str(row.names[i]));
        EXPECT_TRUE(row.lookup(-1).isEmpty());
        EXPECT_TRUE(row.lookup(4).isEmpty());
    }
}

TEST(ToolGlyphs, EveryToolButtonHasADrawnGlyph)
{
    appTestApp();
    for (const char *button : kToolButtons) {
        const QString glyph = pelloranToolGlyph(str(button));
        EXPECT_TRUE(glyph.startsWith(QStringLiteral("tool-"))) << button;
        EXPECT_FALSE(pelloranPixmap(glyph, kSmall).isNull()) << button;
    }
}

TEST(ToolGlyphs, TableNamesEachComponentOnceAndUsesEveryGlyph)
{
    QSet<QString> components;
    QSet<QString> used;
    for (const TToolGlyph &entry : pelloranToolGlyphs()) {
        EXPECT_FALSE(components.contains(str(entry.component))) << entry.component;
        components.insert(str(entry.component));
        used.insert(str(entry.glyph));
    }
    for (const IconCase &c : kIcons) {
        const QString name = str(c.name);
        EXPECT_EQ(used.contains(name), name.startsWith(QStringLiteral("tool-"))) << c.name;
    }
    EXPECT_TRUE(pelloranToolGlyph(QStringLiteral("ToolBtnNoSuchButton")).isEmpty());
}

// One picture of every icon at 16 and 32 pixels on white and on the selection
// colour, for a person to judge.
TEST(IconSet, ContactSheet)
{
    appTestApp();
    const QColor selection = QPalette().color(QPalette::Highlight);
    constexpr int kRow = 40;
    constexpr int kColumnWidth = 330;
    constexpr int kPerColumn = 20;
    const int count = int(std::size(kIcons));
    const int columns = (count + kPerColumn - 1) / kPerColumn;
    QImage sheet(columns * kColumnWidth, kPerColumn * kRow, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setFont(QApplication::font());
    for (int i = 0; i < count; ++i) {
        const IconCase &c = kIcons[i];
        const int left = (i / kPerColumn) * kColumnWidth;
        const int top = (i % kPerColumn) * kRow;
        const bool logo = c.designSize == kLogo;
        const QSize small = logo ? kSmallestLogo : kSmall;
        const QSize large = logo ? kLogo : QSize(32, 32);
        int x = left + 4;
        for (const QColor &ground : {QColor(Qt::white), selection}) {
            painter.fillRect(x - 2, top + 2, small.width() + large.width() + 10, kRow - 4, ground);
            painter.drawPixmap(x, top + (kRow - small.height()) / 2, pelloranPixmap(str(c.name), small));
            painter.drawPixmap(x + small.width() + 6, top + (kRow - large.height()) / 2,
                               pelloranPixmap(str(c.name), large));
            x += small.width() + large.width() + 14;
        }
        painter.setPen(Qt::black);
        painter.drawText(QRect(x + 2, top, left + kColumnWidth - x - 2, kRow),
                         Qt::AlignVCenter | Qt::AlignLeft, str(c.name));
    }
    painter.end();
    EXPECT_TRUE(sheet.save(QDir(shotsDir()).filePath(QStringLiteral("icons.png"))));
}

} // namespace
