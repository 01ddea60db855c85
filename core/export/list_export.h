#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class TBouquetList;
class TServiceList;

// One column of an exported channel list, in the order the user arranged
// them; only checked columns are written.
struct ExportColumn {
    QString name; // "Logo", "Service Name", "Service Type", "SID", "TSID", ...
    bool checked = true;
};
using ExportColumns = QList<ExportColumn>;

// Which services a list holds, by their type (1 TV, 2 radio, anything else
// data). A bouquet entry without a service is always listed.
struct ExportTypes {
    bool tv = true;
    bool radio = true;
    bool data = true;
};

// Told now and then how many of the list's rows are done, so a long list can
// move a progress bar and let the window repaint meanwhile.
using ExportProgress = std::function<void(qsizetype done, qsizetype total)>;

// CSV (";" after every field) and HTML channel lists. `bouquetName` empty
// exports every bouquet, otherwise the one of exactly that name. A bouquet
// entry without a linked service writes empty fields (and cells) for the
// columns it cannot fill, so every value stays under its header. The "Logo"
// column (HTML only) copies the logo files named in `logoLines`
// ("name|index|file") from <programFolder>/LogoTypes into a folder beside the
// page. False when the output file cannot be written; an earlier file of the
// same name then stays as it was.
bool ExportCsv(const TBouquetList &list, const QString &bouquetName, const QString &fileName,
               const ExportColumns &columns, const ExportTypes &types = {},
               const ExportProgress &progress = {});
bool ExportHtml(const TBouquetList &list, const QString &bouquetName, const QString &fileName,
                const ExportColumns &columns, const QColor &headerColor, const QColor &bodyColor,
                const QStringList &logoLines, const QString &programFolder,
                const ExportTypes &types = {}, const ExportProgress &progress = {});
bool ExportCsv(const TServiceList &list, const QString &fileName, const ExportColumns &columns,
               const ExportTypes &types = {}, const ExportProgress &progress = {});
bool ExportHtml(const TServiceList &list, const QString &fileName, const ExportColumns &columns,
                const QColor &headerColor, const QColor &bodyColor, const QStringList &logoLines,
                const QString &programFolder, const ExportTypes &types = {},
                const ExportProgress &progress = {});
