#include "resources/icons.h"

#include "resources/resources.h"

#include <QFile>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <array>

namespace {

// Tool buttons and popup items that share a routine share the glyph, so a
// command looks the same wherever it is offered.
constexpr TToolGlyph kToolGlyphs[] = {
    // main tool bar and its drop-down menus
    {"tool-save", "ToolBtnSaveState"},
    {"tool-save", "PopupItmToolSave"},
    {"tool-go-back", "PopupItmToolGoBack"},
    {"tool-history", "PopupItemToolHistory"},
    {"tool-clear-history", "PopupItmToolClearHistory"},
    {"tool-reset", "PopupItmToolReset"},
    {"tool-settings", "ToolBtnSettings"},
    {"tool-import-export", "ToolBtnImportExport"},
    {"tool-manager", "ToolBtnManager"},
    {"tool-logo-manager", "PopupItmLogoManager"},
    {"tool-backup-manager", "PopupItmBackupManager"},
    {"tool-print-manager", "PopupItmPrintManager"},
    {"tool-optimize", "ToolBtnOptimize"},
    {"tool-run", "ToolBtnRun"},
    {"tool-file-manager", "PopupItmToolTotalCmd"},
    {"tool-telnet", "PopupItmToolTelnet"},
    {"tool-web-interface", "PopupItmToolWebInterface"},
    {"tool-send-message", "ToolBtnMsg"},
    {"tool-about", "ToolBtnAbout"},
    {"tool-exit", "ToolBtnExit"},

    // services grid
    {"tool-select-all", "ToolBtnSerSelectAll"},
    {"tool-select-all", "PopupItmSerSelectAll"},
    {"tool-bouquet-add", "ToolBtnSerBouquetAdd"},
    {"tool-bouquet-add", "PopupItmSerBouquetAdd"},
    {"tool-add-my-service", "ToolBtnSerAddMyService"},
    {"tool-add-my-service", "PopupItmSerAddMyService"},
    {"tool-add-anti-service", "ToolBtnSerAddAntiService"},
    {"tool-add-anti-service", "PopupItmSerAddAntiService"},
    {"tool-add-replace-service", "ToolBtnSerAddReplaceService"},
    {"tool-add-replace-service", "PopupItmSerAddReplaceService"},
    {"tool-service-new", "ToolBtnSerServiceNew"},
    {"tool-service-new", "PopupItmSerNew"},
    {"tool-service-delete", "ToolBtnSerServiceDelete"},
    {"tool-service-delete", "PopupItmSerDelete"},
    {"tool-service-properties", "ToolBtnSerServiceProperties"},
    {"tool-service-properties", "PopupItmSerProperties"},

    // my-services grid
    {"tool-select-all", "ToolBtnMySerSelectAll"},
    {"tool-select-all", "PopupItmMySerSelectAll"},
    {"tool-toggle-action", "ToolBtnMySerToggle"},
    {"tool-toggle-action", "PopupItmMySerToggle"},
    {"tool-service-new", "ToolBtnMySerServiceNew"},
    {"tool-service-new", "PopupItmMySerServiceNew"},
    {"tool-service-delete", "ToolBtnMySerDeleteSelected"},
    {"tool-service-delete", "PopupItmMySerDeleteSelected"},
    {"tool-service-properties", "ToolBtnMySerServiceProperties"},
    {"tool-service-properties", "PopupItmMySerServiceProperties"},
    {"tool-bouquet-add", "ToolBtnMySerBouquetAdd"},
    {"tool-bouquet-add", "PopupItmMySerBouquetAdd"},

    // KingOfSat grid
    {"tool-kingofsat-download", "ToolBtnKofDownload"},
    {"tool-kingofsat-download", "PopupItmKofDownload"},
    {"tool-service-transfer", "ToolBtnKofServiceAdd"},
    {"tool-service-transfer", "PopupItmServiceAdd"},
    {"tool-select-all", "ToolBtnKofSelectAll"},
    {"tool-select-all", "PopupItmSelectAll"},
    {"tool-service-delete", "ToolBtnKofDeleteSelected"},
    {"tool-service-delete", "PopupItmDeleteSelected"},

    // bouquet grid
    {"tool-select-all", "ToolBtnBouSelectAll"},
    {"tool-select-all", "PopupItmBouSelectAll"},
    {"tool-move-up", "ToolBtnBouUp"},
    {"tool-move-up", "PopupItmBouMoveUp"},
    {"tool-move-down", "ToolBtnBouDown"},
    {"tool-move-down", "PopupItmBouMoveDown"},
    {"tool-bouquet-new", "ToolBtnBouBouquetNew"},
    {"tool-bouquet-new", "PopupItmBouBouquetNew"},
    {"tool-bouquet-rename", "ToolBtnBouBouquetRename"},
    {"tool-bouquet-rename", "PopupItmBouBouquetRename"},
    {"tool-bouquet-clear", "ToolBtnBouBouquetClear"},
    {"tool-bouquet-clear", "PopupItmBouBouquetClear"},
    {"tool-bouquet-delete", "ToolBtnBouBouquetDelete"},
    {"tool-bouquet-delete", "PopupItmBouBouquetDelete"},
    {"tool-service-new", "ToolBtnBouServiceNew"},
    {"tool-service-new", "PopupItmBouNew"},
    {"tool-service-properties", "ToolBtnBouServiceProperties"},
    {"tool-service-properties", "PopupItmBouServiceProperties"},
    {"tool-service-delete", "ToolBtnBouServiceDelete"},
    {"tool-service-delete", "PopupItmBouDeleteSelected"},
    {"tool-sort", "ToolBtnBouSort"},
    {"tool-sort", "PopupItmBouSort"},
    {"tool-remove-obsolete", "ActionBouRemoveObsoleteThis"},
    {"tool-remove-obsolete", "ActionBouRemoveObsoleteAll"},

    // bouquet list grid
    {"tool-select-all", "ToolBtnBouListSelectAll"},
    {"tool-select-all", "PopupItmBouListSelectAll"},
    {"tool-move-up", "ToolBtnBouListUp"},
    {"tool-move-up", "PopupItmBouListMoveUp"},
    {"tool-move-down", "ToolBtnBouListDown"},
    {"tool-move-down", "PopupItmBouListMoveDown"},
    {"tool-bouquet-new", "ToolBtnBouListBouquetNew"},
    {"tool-bouquet-new", "PopupItmBouListBouquetNew"},
    {"tool-bouquet-rename", "ToolBtnBouListBouquetRename"},
    {"tool-bouquet-rename", "PopupItmBouListBouquetRename"},
    {"tool-bouquet-clear", "ToolBtnBouListBouquetClear"},
    {"tool-bouquet-clear", "PopupItmBouListBouquetClear"},
    {"tool-bouquet-delete", "ToolBtnBouListBouquetDelete"},
    {"tool-bouquet-delete", "PopupItmBouListBouquetDelete"},
    {"tool-sort", "ToolBtnBouListSort"},
    {"tool-sort", "PopupItmBouListBouquetSort"},
    {"tool-bouquet-merge", "ToolBtnBouListBouquetMerge"},
    {"tool-bouquet-merge", "PopupItmBouListBouquetMerge"},

    // filter bars: the button puts the filter back to "*"
    {"tool-filter", "BtnFilterServices"},
    {"tool-filter", "BtnFilterMyServices"},
    {"tool-filter", "BtnFilterKingOfSat"},
    {"tool-filter", "BtnFilterBouquet"},
};

constexpr std::array kTypeIcons = {"type-tv", "type-radio", "type-data", "type-obsolete"};
constexpr std::array kActionIcons = {"action-none", "action-add", "action-remove", "action-replace"};
constexpr std::array kDefaultLogos = {"logo-default-obsolete", "logo-default-tv",
                                      "logo-default-radio", "logo-default-data"};

template <std::size_t N>
QString nameAt(const std::array<const char *, N> &names, int index)
{
    if (index < 0 || std::size_t(index) >= N)
        return {};
    return QString::fromLatin1(names[std::size_t(index)]);
}

QString iconPath(const QString &name)
{
    return QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
}

} // namespace

std::span<const TToolGlyph> pelloranToolGlyphs()
{
    return kToolGlyphs;
}

QString pelloranToolGlyph(const QString &component)
{
    for (const TToolGlyph &entry : kToolGlyphs) {
        if (component == QLatin1String(entry.component))
            return QString::fromLatin1(entry.glyph);
    }
    return {};
}

QString pelloranTypeIconName(int index)
{
    return nameAt(kTypeIcons, index);
}

QString pelloranActionIconName(int index)
{
    return nameAt(kActionIcons, index);
}

QString pelloranDefaultLogoName(int index)
{
    return nameAt(kDefaultLogos, index);
}

QImage pelloranImage(const QString &name, const QSize &logicalSize, qreal devicePixelRatio)
{
    pelloranInitResources();
    if (name.isEmpty() || logicalSize.isEmpty() || devicePixelRatio <= 0)
        return {};
    const QString path = iconPath(name);
    if (!QFile::exists(path))
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};

    const QSize deviceSize(qRound(logicalSize.width() * devicePixelRatio),
                           qRound(logicalSize.height() * devicePixelRatio));
    if (deviceSize.isEmpty())
        return {};
    QImage image(deviceSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(deviceSize)));
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QPixmap pelloranPixmap(const QString &name, const QSize &logicalSize, qreal devicePixelRatio)
{
    // Grids draw the same few icons on every row; render each size once.
    const QString key = QStringLiteral("pelloran-icon:%1:%2x%3@%4")
                            .arg(name)
                            .arg(logicalSize.width())
                            .arg(logicalSize.height())
                            .arg(devicePixelRatio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    const QImage image = pelloranImage(name, logicalSize, devicePixelRatio);
    if (image.isNull())
        return {};
    pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon pelloranIcon(const QString &name)
{
    QIcon icon;
    for (const int side : {16, 24}) {
        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap pixmap = pelloranPixmap(name, QSize(side, side), ratio);
            if (pixmap.isNull())
                return {};
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}
