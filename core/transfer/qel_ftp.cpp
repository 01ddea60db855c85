#include "core/transfer/qel_ftp.h"

#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"
#include "core/util/sys_utils.h"
#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Failures after which asking the server anything more would only wait
// for another time-out.
bool serverGone(TransferFailure kind)
{
    switch (kind) {
    case TransferFailure::TimedOut:
    case TransferFailure::ConnectTimedOut:
    case TransferFailure::TooSlow:
    case TransferFailure::Refused:
    case TransferFailure::HostNotFound:
    case TransferFailure::Unreachable:
        return true;
    default:
        return false;
    }
}

bool neverReached(TransferFailure kind)
{
    return kind == TransferFailure::ConnectTimedOut || kind == TransferFailure::Refused
        || kind == TransferFailure::HostNotFound || kind == TransferFailure::Unreachable;
}

} // namespace

TQelFTP::TQelFTP(const QString &host, const QString &userName, const QString &password,
                 int port, Warning warn)
    : m_warn(std::move(warn))
{
    // The settings keep addresses zero-padded; "015" would be read as octal.
    m_settings.host = ipAddressFormat(host);
    m_settings.port = port;
    m_settings.user = userName;
    m_settings.password = password;
}

TQelFTP::~TQelFTP()
{
    Disconnect();
}

void TQelFTP::setTimeouts(int connectSeconds, int stallSeconds)
{
    m_settings.connectTimeoutSeconds = connectSeconds;
    m_settings.stallSeconds = stallSeconds;
}

void TQelFTP::setRateFloor(const TransferRateFloor &floor)
{
    m_settings.rateFloor = floor;
}

void TQelFTP::setSizeLimit(qint64 bytes)
{
    m_settings.sizeLimit = bytes;
}

void TQelFTP::warn(const QString &text) const
{
    if (m_warn)
        m_warn(text);
}

void TQelFTP::failWith(TransferFailure kind, const QString &detail)
{
    m_failure = TransferError{};
    m_failure.kind = kind;
    m_failure.detail = detail;
}

QString TQelFTP::FailureReason() const
{
    const QString reason = transferFailureText(m_failure);
    if (m_copyLeft.isEmpty())
        return reason;
    return withReason(reason, FormatMsg1(msg(MsgCopyLeftOnReceiver), m_copyLeft));
}

bool TQelFTP::Connect()
{
    m_clearedFolders.clear();
    m_client = std::make_unique<FtpClient>(m_settings);
    const auto result = m_client->connect();
    m_failure = m_client->lastFailure();
    m_connected = result != FtpClient::Connection::Unreachable;
    m_loginRefused = result == FtpClient::Connection::LoginRefused;
    if (!m_connected)
        m_client.reset();
    return m_connected;
}

bool TQelFTP::Login()
{
    return m_connected && !m_loginRefused;
}

bool TQelFTP::GetFile(const QString &remotePath, const QString &localFile)
{
    m_copyLeft.clear();
    if (!Login())
        return false; // the reason of the failed connect or login stands
    AtomicFile file(localFile);
    if (!file.open(QIODevice::WriteOnly)) {
        failWith(TransferFailure::LocalFile, file.errorString());
        return false;
    }
    const bool got = m_client->download(remotePath, file);
    m_failure = m_client->lastFailure();
    if (!got)
        return false; // the save file is discarded, the old local file stays
    if (!file.commit()) {
        failWith(TransferFailure::LocalFile, file.errorString());
        return false;
    }
    return QFileInfo::exists(localFile);
}

QString TQelFTP::uploadPathFor(const QString &remotePath)
{
    const qsizetype slash = remotePath.lastIndexOf(u'/');
    return remotePath.left(slash + 1) + u'.' + remotePath.mid(slash + 1)
        + QStringLiteral(".pelloran-upload");
}

bool TQelFTP::isUploadName(const QString &fileName)
{
    static const QString suffix = QStringLiteral(".pelloran-upload");
    return fileName.size() > suffix.size() + 1 && fileName.startsWith(u'.')
        && fileName.endsWith(suffix);
}

bool TQelFTP::removeLeftCopies(const QString &remotePath)
{
    const QString folder = remotePath.left(remotePath.lastIndexOf(u'/') + 1);
    QStringList copies{uploadPathFor(remotePath)};
    if (!m_clearedFolders.contains(folder)) {
        m_clearedFolders.append(folder);
        QStringList names;
        m_client->listNames(folder, names);
        for (const QString &name : std::as_const(names)) {
            if (isUploadName(name) && !copies.contains(folder + name))
                copies.append(folder + name);
        }
    }
    for (const QString &copy : std::as_const(copies)) {
        if (!m_client->remove(copy) || serverGone(m_client->lastFailure().kind)) {
            m_failure = m_client->lastFailure();
            return false;
        }
    }
    return true;
}

bool TQelFTP::stillAside(const QString &aside, qint64 size)
{
    qint64 told = -1;
    return !serverGone(m_failure.kind) && m_client->remoteSize(aside, told) && told == size;
}

bool TQelFTP::putAside(QFile &file, const QString &remotePath)
{
    const QString aside = uploadPathFor(remotePath);
    const qint64 size = file.size();
    qint64 told = -1;
    bool put = m_client->upload(file, size, aside, {})
        && m_client->remoteSize(aside, told);
    m_failure = m_client->lastFailure();
    if (put && told >= 0 && told != size) {
        failWith(TransferFailure::Dropped,
                 QStringLiteral("%1 of %2 bytes arrived").arg(told).arg(size));
        put = false;
    }
    if (put) {
        if (m_client->rename(aside, remotePath, {QStringLiteral("chmod 777 ") + remotePath})) {
            m_lastPut = TPutOutcome::Replaced;
            return true;
        }
        m_failure = m_client->lastFailure();
        // A link lost during the rename leaves it unknown whether the
        // server made it, unless the new copy is still there under its
        // temporary name.
        if (!RenameRefused())
            m_lastPut = stillAside(aside, size) ? TPutOutcome::Kept : TPutOutcome::Unknown;
    }
    // The copy that did not take the file's place is not left lying about,
    // unless the server no longer answers: the user is told where it is,
    // and the next upload into the folder removes it.
    if (serverGone(m_failure.kind) || !m_client->remove(aside))
        m_copyLeft = aside;
    return false;
}

bool TQelFTP::PutFile(const QString &localFile, const QString &remotePath)
{
    m_lastPut = TPutOutcome::Kept;
    m_copyLeft.clear();
    // A missing local file fails before anything is sent.
    QFile file(localFile);
    if (!file.open(QIODevice::ReadOnly)) {
        failWith(TransferFailure::LocalFile, file.errorString());
        return false;
    }
    if (!Login() || !removeLeftCopies(remotePath))
        return false;
    if (!m_writeInPlace)
        return putAside(file, remotePath);
    const bool put = m_client->upload(file, file.size(), remotePath,
                                      {QStringLiteral("chmod 777 ") + remotePath});
    m_failure = m_client->lastFailure();
    // Only a session that never reached the server surely left the file alone.
    m_lastPut = put ? TPutOutcome::Replaced
        : neverReached(m_failure.kind) ? TPutOutcome::Kept
                                        : TPutOutcome::Unknown;
    return put;
}

QString TQelFTP::localPathFor(const QString &remotePath, const QString &localRoot,
                              bool keepTree)
{
    const QString fileName = remotePath.section(u'/', -1);
    if (fileName.isEmpty() || fileName == u"." || fileName == u"..")
        return {};
    const QString root = QDir::cleanPath(localRoot);
    const QString relative = keepTree ? remotePath : fileName;
    const QString local = QDir::cleanPath(root + u'/' + relative);
    if (!local.startsWith(root + u'/'))
        return {};
    return local;
}

bool TQelFTP::GetFiles(const QStringList &remotePaths, const QString &localRoot, bool keepTree)
{
    bool allGot = true;
    for (const QString &remotePath : remotePaths) {
        const QString localFile = localPathFor(remotePath, localRoot, keepTree);
        if (localFile.isEmpty()) {
            allGot = false;
            warn(FormatMsg1(msg(MsgFtpGettingFailed), remotePath));
            continue;
        }
        if (!QDir().mkpath(QFileInfo(localFile).absolutePath())) {
            allGot = false;
            warn(msg(MsgBackupDirFailed));
            continue;
        }
        if (!GetFile(remotePath, localFile)) {
            allGot = false;
            warn(withReason(FormatMsg1(msg(MsgFtpGettingFailed), remotePath), FailureReason()));
        }
    }
    return allGot;
}

bool TQelFTP::PutFiles(const QStringList &localFiles, const QStringList &remotePaths)
{
    bool allPut = true;
    const qsizetype pairs = std::max(localFiles.size(), remotePaths.size());
    for (qsizetype i = 0; i < pairs; ++i) {
        const QString local = localFiles.value(i);
        const QString remote = remotePaths.value(i);
        // An entry without its partner has nothing to go to or come from.
        const bool paired = i < localFiles.size() && i < remotePaths.size();
        if (!paired) {
            allPut = false;
            warn(FormatMsg2(msg(MsgFtpPuttingFailed), QFileInfo(local).fileName(), remote));
        } else if (!PutFile(local, remote)) {
            allPut = false;
            const QString text =
                FormatMsg2(msg(MsgFtpPuttingFailed), QFileInfo(local).fileName(), remote);
            warn(withReason(text, FailureReason()));
        }
    }
    return allPut;
}

bool TQelFTP::Disconnect()
{
    m_connected = false;
    m_loginRefused = false;
    if (!m_client)
        return false;
    const bool closed = m_client->disconnect();
    m_client.reset();
    return closed;
}
