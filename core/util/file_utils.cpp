#include "core/util/file_utils.h"

#include "core/util/exception.h"
#include "core/util/str_utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

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

// Whether `text` is what Qt puts for the "XXXXXX" of a temporary name: six
// letters of either case drawn at random. Word-shaped letters ("backup",
// "Backup", "BACKUP") are what a person types after a copy's name, so those
// count as a user's file: the few temporaries that come out word-shaped
// stay rather than a user's copy going.
bool isRandomTempPart(QStringView text)
{
    constexpr qsizetype kRandomLetters = 6;
    if (text.size() != kRandomLetters)
        return false;
    const auto isLetter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    const auto isLower = [](QChar c) { return c >= u'a' && c <= u'z'; };
    if (!std::all_of(text.begin(), text.end(), isLetter))
        return false;
    const bool allUpper = std::none_of(text.begin(), text.end(), isLower);
    const bool wordCase = std::all_of(text.begin() + 1, text.end(), isLower);
    return !allUpper && !wordCase;
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

bool cpyFile(const QString &source, const QString &target)
{
    return guardRoutine("cpyFile", [&] {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly))
            return false;
        while (!in.atEnd()) {
            const QByteArray block = in.read(kCopyBlock);
            if (block.isEmpty() || out.write(block) != block.size()) {
                out.cancelWriting();
                break;
            }
        }
        return out.commit();
    });
}

QString interruptedSaveTarget(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || !isRandomTempPart(QStringView(name).mid(dot + 1)))
        return QString();
    return name.left(dot);
}

void removeSaveLeftovers(const QString &folder, const std::function<bool(const QString &name)> &isOwnFile)
{
    guardRoutine("removeSaveLeftovers", [&] {
        const QDir dir(folder);
        const QFileInfoList entries =
            dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Unsorted);
        for (const QFileInfo &entry : entries) {
            const QString target = interruptedSaveTarget(entry.fileName());
            if (!target.isEmpty() && entry.isFile() && !entry.isSymLink() && isOwnFile(target))
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
