#include "platform/folder_lock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace {

// Each attempt loses only to a program that ended in between; a few are
// plenty.
constexpr int kAttempts = 16;

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

FolderLock::FolderLock(QString fileName) : m_fileName(std::move(fileName)) {}

FolderLock::~FolderLock()
{
    if (m_fd < 0)
        return;
    // Removed while still held: a start that opened it meanwhile gets the
    // lock only after this, finds the file gone from the name, and tries
    // again with a new one.
    const QByteArray path = QFile::encodeName(m_fileName);
    struct stat held {};
    struct stat named {};
    if (::fstat(m_fd, &held) == 0 && ::lstat(path.constData(), &named) == 0 && sameFile(held, named))
        ::unlink(path.constData());
    ::close(m_fd);
}

FolderLock::Status FolderLock::tryLock()
{
    if (m_fd >= 0)
        return Status::Held;
    const QByteArray path = QFile::encodeName(m_fileName);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        m_entry = ownFileEntry(m_fileName);
        if (m_entry != OwnFileEntry::Missing && m_entry != OwnFileEntry::File)
            return Status::InTheWay;
        // Without O_NOFOLLOW a link swapped in since the look would be
        // followed, and without O_NONBLOCK a FIFO would hold the start. The
        // file is only opened to be locked: reading does for that, and
        // nothing is ever written into it.
        const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                              0644);
        if (fd < 0) {
            const int error = errno;
            if (error == ELOOP || error == EISDIR || error == ENXIO || error == EEXIST)
                continue; // something else came in its place: look again
            return Status::NotLocked;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            return error == EWOULDBLOCK ? Status::Taken : Status::NotLocked;
        }
        struct stat named {};
        if (::lstat(path.constData(), &named) == 0 && sameFile(opened, named)) {
            m_fd = fd;
            return Status::Held;
        }
        ::close(fd);
    }
    return Status::NotLocked;
}
