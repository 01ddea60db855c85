#include "platform/own_file.h"

#include "platform/atomic_file.h"

#include <QFile>

#include <cerrno>
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

bool writeOwnFile(const QString &fileName, const QByteArray &bytes)
{
    AtomicFile file(fileName, AtomicFile::Links::Replaced);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
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
