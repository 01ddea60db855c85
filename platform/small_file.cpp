#include "platform/small_file.h"

#include "platform/own_file.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens the file without waiting and tells its kind from the descriptor, so
// nothing can be swapped in between the look and the read. The descriptor
// (-1 unless the status is Read) is the caller's to close.
int openSmallFile(const QString &fileName, qint64 sizeLimit, SmallFile &result, int extraFlags = 0)
{
    result = SmallFile();
    if (fileName.isEmpty())
        return -1;
    // Without O_NONBLOCK opening a FIFO would wait for a writer.
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | extraFlags);
    if (fd < 0) {
        const int error = errno;
        // ELOOP with O_NOFOLLOW: a link, which is not followed.
        const bool link = error == ELOOP && (extraFlags & O_NOFOLLOW);
        result.status = error == ENOENT || error == ENOTDIR ? SmallFileStatus::Missing
            : error == ENXIO || link                        ? SmallFileStatus::NotRegular
                                                            : SmallFileStatus::Unreadable;
        result.detail = QString::fromLocal8Bit(std::strerror(error));
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        result.status = SmallFileStatus::NotRegular;
        return -1;
    }
    if (qint64(info.st_size) > sizeLimit) {
        ::close(fd);
        result.status = SmallFileStatus::TooLarge;
        return -1;
    }
    result.status = SmallFileStatus::Read;
    return fd;
}

} // namespace

SmallFile checkSmallFile(const QString &fileName, qint64 sizeLimit)
{
    SmallFile result;
    const int fd = openSmallFile(fileName, sizeLimit, result);
    if (fd >= 0)
        ::close(fd);
    return result;
}

namespace {

SmallFile readOpened(const QString &fileName, qint64 sizeLimit, int extraFlags)
{
    SmallFile result;
    const int fd = openSmallFile(fileName, sizeLimit, result, extraFlags);
    if (fd < 0)
        return result;
    // Regular files never block; reading normally again keeps a slow disk
    // from looking like an empty file.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        result.status = SmallFileStatus::Unreadable;
        result.detail = file.errorString();
        return result;
    }
    // A file that grows while it is read is cut at the limit.
    result.bytes = file.read(sizeLimit + 1);
    if (result.bytes.size() > sizeLimit) {
        result.bytes.clear();
        result.status = SmallFileStatus::TooLarge;
    } else if (file.error() != QFileDevice::NoError) {
        result.bytes.clear();
        result.status = SmallFileStatus::Unreadable;
        result.detail = file.errorString();
    }
    return result;
}

} // namespace

SmallFile readSmallFile(const QString &fileName, qint64 sizeLimit)
{
    return readOpened(fileName, sizeLimit, 0);
}

SmallFile readOwnFile(const QString &fileName, qint64 sizeLimit)
{
    return readOpened(fileName, sizeLimit, O_NOFOLLOW);
}

bool mayReplaceFile(const QString &fileName)
{
    if (fileName.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(fileName);
    struct stat info {};
    if (::stat(path.constData(), &info) == 0)
        return S_ISREG(info.st_mode);
    if (errno != ENOENT)
        return false;
    // A link that leads nowhere would have the save create its target.
    return ::lstat(path.constData(), &info) != 0 && errno == ENOENT;
}
