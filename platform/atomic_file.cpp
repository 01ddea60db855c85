#include "platform/atomic_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

const QLatin1String kCopyMark(".pelloran-save-");
constexpr qsizetype kRandomLength = 6;
constexpr char kRandomChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

bool isRandomChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

QString randomPart()
{
    QString text;
    for (qsizetype i = 0; i < kRandomLength; ++i)
        text += QLatin1Char(kRandomChars[QRandomGenerator::global()->bounded(int(sizeof kRandomChars) - 1)]);
    return text;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString saveCopyName(const QString &fileName)
{
    const QFileInfo info(fileName);
    return QDir(info.path()).filePath(u'.' + info.fileName() + kCopyMark + randomPart());
}

bool isSaveCopyName(const QString &name)
{
    const qsizetype mark = name.size() - kRandomLength - kCopyMark.size();
    // A dot, the file's own name (never empty), the mark, the random part.
    if (mark < 2 || !name.startsWith(u'.') || QStringView(name).mid(mark, kCopyMark.size()) != kCopyMark)
        return false;
    const QStringView random = QStringView(name).mid(mark + kCopyMark.size());
    return std::all_of(random.begin(), random.end(), isRandomChar);
}

AtomicFile::AtomicFile(const QString &fileName, Links links) : m_fileName(fileName), m_links(links) {}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open(OpenMode mode)
{
    if (isOpen())
        return false;
    m_error = QFileDevice::NoError;
    setErrorString(QString());
    if (!(mode & WriteOnly) || (mode & (ReadOnly | Append))) {
        fail(QFileDevice::OpenError, QStringLiteral("Unsupported open mode"));
        return false;
    }
    QFileInfo existing(m_fileName);
    // A link is saved through: the file it leads to is replaced, the link
    // stays. Or the link is replaced, and nothing it leads to is looked at.
    if (m_links == Links::Followed) {
        for (int depth = 0; depth < 128 && existing.isSymLink(); ++depth)
            existing.setFile(existing.symLinkTarget());
    }
    const bool link = existing.isSymLink();
    if (!link && existing.isDir()) {
        fail(QFileDevice::OpenError, QStringLiteral("Filename refers to a directory"));
        return false;
    }
    if (!link && existing.exists() && !existing.isWritable()) {
        fail(QFileDevice::OpenError, QStringLiteral("Existing file %1 is not writable").arg(m_fileName));
        return false;
    }
    m_target = existing.filePath();
    // Made new each time (never an existing file of that name), with the
    // permissions the user's mask gives a new file.
    constexpr int kTries = 64;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        m_copy.setFileName(saveCopyName(m_target));
        if (m_copy.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!QFileInfo::exists(m_copy.fileName()) || attempt + 1 == kTries) {
            fail(m_copy.error(), m_copy.errorString());
            return false;
        }
    }
    if (!link && existing.exists())
        m_copy.setPermissions(existing.permissions());
    return QIODevice::open(mode | Unbuffered);
}

void AtomicFile::close()
{
    discard();
}

qint64 AtomicFile::size() const
{
    return m_copy.size();
}

qint64 AtomicFile::readData(char *, qint64)
{
    return -1;
}

qint64 AtomicFile::writeData(const char *data, qint64 size)
{
    if (m_error != QFileDevice::NoError)
        return -1;
    const qint64 written = m_copy.write(data, size);
    if (written != size)
        fail(QFileDevice::WriteError, m_copy.errorString());
    return written;
}

void AtomicFile::fail(QFileDevice::FileError error, const QString &text)
{
    m_error = error;
    setErrorString(text);
}

void AtomicFile::cancelWriting()
{
    if (isOpen() && m_error == QFileDevice::NoError)
        fail(QFileDevice::WriteError, QStringLiteral("Writing canceled by the application"));
}

void AtomicFile::discard()
{
    if (m_copy.isOpen()) {
        m_copy.close();
        m_copy.remove();
    }
    if (isOpen())
        QIODevice::close();
}

bool AtomicFile::commit()
{
    if (!isOpen())
        return false;
    if (m_error == QFileDevice::NoError) {
        // On disk before it takes the file's place: a crash after the rename
        // must not leave an empty file where the old one was.
        if (!m_copy.flush())
            fail(QFileDevice::WriteError, m_copy.errorString());
        else if (::fsync(m_copy.handle()) != 0)
            fail(QFileDevice::WriteError, systemError());
    }
    if (m_error != QFileDevice::NoError) {
        discard();
        return false;
    }
    m_copy.close();
    const bool renamed =
        std::rename(QFile::encodeName(m_copy.fileName()).constData(), QFile::encodeName(m_target).constData()) == 0;
    if (!renamed) {
        fail(QFileDevice::RenameError, systemError());
        m_copy.remove();
    }
    QIODevice::close();
    return renamed;
}
