#include "platform/system_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <memory>
#include <mutex>

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

QString privateTempFolder()
{
    static std::once_flag once;
    static std::unique_ptr<QTemporaryDir> folder;
    std::call_once(once, [] {
        folder = std::make_unique<QTemporaryDir>(QDir::tempPath()
                                                 + QStringLiteral("/pelloran-XXXXXX"));
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
