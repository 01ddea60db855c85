#include "exchange/update_check.h"

#include "core/transfer/transfer_aside.h"
#include "core/util/messages.h"
#include "core/util/prompts.h"
#include "core/util/sys_utils.h"

#include <QFile>

#include <optional>

namespace {

constexpr qsizetype kStampDayLength = 2;
constexpr qsizetype kStampMonthLength = 2;
constexpr qsizetype kStampYearLength = 4;

// The downloaded file's text, or nothing when the download failed.
std::optional<QString> downloadUpdateText(const QString &updateUrl,
                                          const DownloadOptions &options)
{
    const QString local = getTempFile();
    QFile::remove(local);
    QString error;
    if (local.isEmpty() || !downloadUrlAside(updateUrl, local, error, options))
        return std::nullopt;
    QFile file(local);
    const QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    file.close();
    // Read once and done with: nothing of it stays behind in the temp folder.
    QFile::remove(local);
    return text;
}

QString firstLine(const QString &text)
{
    QString line = text.section(u'\n', 0, 0);
    if (line.endsWith(u'\r'))
        line.chop(1);
    return line;
}

} // namespace

QString formatListVersion(const QString &line)
{
    // An empty first line names no version; dotting it would make ".." one.
    if (line.isEmpty() || line.contains(u'.'))
        return line;
    return line.mid(0, kStampDayLength) + u'.' + line.mid(kStampDayLength, kStampMonthLength)
        + u'.' + line.mid(kStampDayLength + kStampMonthLength, kStampYearLength);
}

QString listUpdateDescription(const QString &text)
{
    QStringList lines = text.split(u'\n');
    if (lines.isEmpty())
        return {};
    lines.removeFirst();
    QString description;
    for (QString line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        description += line + QStringLiteral("\r\n");
    }
    if (description.trimmed().isEmpty())
        return {};
    return QStringLiteral("\r\n\r\nUpdate description:\r\n") + description;
}

bool getSettingsListVersion(const QString &updateUrl, QString &version, TPrompts &prompts,
                            const DownloadOptions &options)
{
    version.clear();
    const auto text = downloadUpdateText(updateUrl, options);
    if (!text) {
        prompts.messageBox(TPrompts::TMsgKind::Error, msg(MsgUpdateInfoFailed), TPrompts::mbOK);
        return false;
    }
    version = formatListVersion(firstLine(*text));
    return true;
}

bool checkSettingsListUpdate(const QString &updateUrl, const QString &lastVersion, bool silent,
                             QString &newVersion, QString &errorText, TPrompts &prompts,
                             const DownloadOptions &options)
{
    errorText.clear();
    newVersion.clear();
    const auto text = downloadUpdateText(updateUrl, options);
    if (!text) {
        errorText = msg(MsgUpdateInfoFailed);
        return false;
    }
    newVersion = formatListVersion(firstLine(*text));
    if (lastVersion != newVersion)
        return true;
    if (silent)
        return false;
    const int answer = prompts.messageBox(
        TPrompts::TMsgKind::Information,
        msg(MsgListUpToDate) + QStringLiteral("\r\n") + msg(MsgDownloadAnyway),
        TPrompts::mbYes | TPrompts::mbAbort);
    return answer != TPrompts::mbAbort;
}
