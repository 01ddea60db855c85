#include "platform/own_file.h"

#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// readOwnFile lives beside readSmallFile, whose opening it shares.

OwnFileEntry ownFileEntry(const QString &fileName)
{
    struct stat info {};
    if (fileName.isEmpty() || ::lstat(QFile::encodeName(fileName).constData(), &info) != 0)
        return OwnFileEntry::Missing;
    if (S_ISREG(info.st_mode))
        return OwnFileEntry::File;
    if (S_ISLNK(info.st_mode))
        return OwnFileEntry::Link;
    if (S_ISDIR(info.st_mode))
        return OwnFileEntry::Folder;
    return OwnFileEntry::Special;
}

bool writeOwnFile(const QString &fileName, const QByteArray &bytes, QString *errorText)
{
    AtomicFile file(fileName, AtomicFile::Links::Replaced);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (errorText)
        *errorText = file.errorString();
    return false;
}

bool removeOwnFile(const QString &fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    // unlink takes the entry itself, a link included, and never what a link
    // leads to.
    if (ownFileEntry(fileName) == OwnFileEntry::Folder)
        ::rmdir(path.constData());
    else
        ::unlink(path.constData());
    return ownFileEntry(fileName) == OwnFileEntry::Missing;
}

namespace {

// Far more than anyone leaves in the way.
constexpr int kMoveAttempts = 64;
constexpr int kProbeAttempts = 16;

// rename that never replaces what stands at the new name, not even an
// empty folder (which rename would).
bool renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system that cannot rename so: look first.
    struct stat info {};
    if (::lstat(to.constData(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

} // namespace

bool clearOwnFileName(const QString &fileName, QString &movedTo)
{
    movedTo.clear();
    if (removeOwnFile(fileName))
        return true;
    if (ownFileEntry(fileName) != OwnFileEntry::Folder)
        return false;
    const QByteArray from = QFile::encodeName(fileName);
    for (int attempt = 1; attempt <= kMoveAttempts; ++attempt) {
        const QString aside =
            fileName + QStringLiteral(".moved") + (attempt == 1 ? QString() : u'-' + QString::number(attempt));
        if (renameNoReplace(from, QFile::encodeName(aside))) {
            movedTo = aside;
            return true;
        }
        if (errno != EEXIST && errno != ENOTEMPTY)
            return false;
    }
    return false;
}

bool canMakeOwnFiles(const QString &folder)
{
    const QString probe = QDir(folder).filePath(QStringLiteral("folder-probe"));
    for (int attempt = 0; attempt < kProbeAttempts; ++attempt) {
        const QByteArray path = QFile::encodeName(saveCopyName(probe));
        // O_EXCL makes a new file or none: an entry of that name, a link
        // included, is neither opened nor followed.
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(path.constData());
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}
