#include "core/util/file_utils.h"

#include "core/util/exception.h"
#include "core/util/str_utils.h"
#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr qint64 kCopyBlock = 1 << 16;

bool listInto(const QString &folder, QStringList &list)
{
    const QDir dir(folder);
    if (!dir.exists())
        return false;
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        const QString path = folder + u'/' + entry.fileName();
        if (entry.isSymLink() && (entry.isDir() || !entry.exists()))
            continue;
        if (entry.isDir()) {
            if (!listInto(path, list))
                return false;
        } else {
            list.append(path);
        }
    }
    return true;
}

} // namespace

QString fileToString(const QString &fileName)
{
    return guardRoutine("fileToString", [&] {
        QFile file(fileName);
        if (!file.exists())
            return QString();
        if (!file.open(QIODevice::ReadOnly))
            throw Exception(file.errorString());
        return QString::fromUtf8(file.readAll());
    });
}

bool cpyFile(const QString &source, const QString &target, AtomicFile::Links links, QString *errorText)
{
    return guardRoutine("cpyFile", [&] {
        const auto failed = [&](const QString &why) {
            if (errorText)
                *errorText = why;
            return false;
        };
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            return failed(in.errorString());
        AtomicFile out(target, links);
        if (!out.open(QIODevice::WriteOnly))
            return failed(out.errorString());
        while (!in.atEnd()) {
            const QByteArray block = in.read(kCopyBlock);
            if (block.isEmpty()) {
                out.cancelWriting();
                return failed(in.errorString());
            }
            if (out.write(block) != block.size())
                return failed(out.errorString());
        }
        return out.commit() || failed(out.errorString());
    });
}

void removeSaveLeftovers(const QString &folder)
{
    guardRoutine("removeSaveLeftovers", [&] {
        const QFileInfoList entries = QDir(folder).entryInfoList(
            QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDir::Unsorted);
        for (const QFileInfo &entry : entries) {
            if (isSaveCopyName(entry.fileName()) && entry.isFile() && !entry.isSymLink())
                QFile::remove(entry.filePath());
        }
    });
}

QString removeInvalidFileNameChars(const QString &text)
{
    return guardRoutine("removeInvalidFileNameChars", [&] {
        return removeCharacters(QStringLiteral("*?<>/\\|:\""), text, 0);
    });
}

QString extractFileNameNoExt(const QString &path)
{
    return guardRoutine("extractFileNameNoExt", [&] {
        const QString name = QFileInfo(path).fileName();
        const qsizetype dot = name.lastIndexOf(u'.');
        return dot < 0 ? name : name.left(dot);
    });
}

QString extractFileSpecNoExt(const QString &path)
{
    return guardRoutine("extractFileSpecNoExt", [&] {
        const qsizetype slash = path.lastIndexOf(u'/');
        return path.left(slash + 1) + extractFileNameNoExt(path);
    });
}

QString ensureTrailingBackslash(const QString &path)
{
    return guardRoutine("ensureTrailingBackslash", [&] {
        return u'/' + removeCharacters(QStringLiteral("/"), path, 1);
    });
}

QString extractUrlFileName(const QString &location)
{
    return guardRoutine("extractUrlFileName", [&] {
        const qsizetype colon = location.indexOf(u':');
        const QString rest = colon < 0 ? location : location.mid(colon + 1);
        return rest.section(u'/', -1);
    });
}

bool listFilesRecursive(const QString &folder, QStringList &list)
{
    return guardRoutine("listFilesRecursive", [&] { return listInto(folder, list); });
}
