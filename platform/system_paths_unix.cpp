#include "platform/system_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <memory>
#include <mutex>

#include <unistd.h>

namespace {

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

QString applicationFolder()
{
    if (QCoreApplication::instance())
        return withSlash(QCoreApplication::applicationDirPath());
    // Before the application object exists (tests, early start-up).
    return withSlash(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2));
}

void removeEndedRunsTempFolders(const QString &tempRoot)
{
    // "pelloran-<process id>-<six random letters or digits>": the process
    // id tells whether the run that made it is still going.
    static const QRegularExpression name(QStringLiteral("^pelloran-([1-9][0-9]{0,9})-[A-Za-z0-9]{6}$"));
    const qint64 own = QCoreApplication::applicationPid();
    const QFileInfoList entries =
        QDir(tempRoot).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        const QRegularExpressionMatch match = name.match(entry.fileName());
        if (!match.hasMatch() || entry.isSymLink() || entry.ownerId() != ::getuid())
            continue;
        const qint64 pid = match.captured(1).toLongLong();
        if (pid != own && !QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)))
            QDir(entry.filePath()).removeRecursively();
    }
}

QString privateTempFolder()
{
    static std::once_flag once;
    static std::unique_ptr<QTemporaryDir> folder;
    std::call_once(once, [] {
        // A run that was killed left its folder behind, downloads and all.
        removeEndedRunsTempFolders(QDir::tempPath());
        folder = std::make_unique<QTemporaryDir>(
            QDir::tempPath() + QStringLiteral("/pelloran-%1-XXXXXX").arg(QCoreApplication::applicationPid()));
    });
    if (!folder->isValid())
        return QString();
    return withSlash(folder->path());
}

QString createTempFile(const QString &prefix)
{
    const QString folder = privateTempFolder();
    if (folder.isEmpty())
        return QString();
    QTemporaryFile file(folder + prefix + QStringLiteral("XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    return file.fileName();
}

QString readRegistryValue(const QString &, const QString &, const QString &)
{
    return QString();
}
