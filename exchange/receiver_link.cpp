#include "exchange/receiver_link.h"

#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"
#include "core/util/sys_utils.h"
#include "ui/program/program.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>

namespace {

constexpr int kAddressGroups = 4;
constexpr int kGroupDigits = 3;
constexpr int kGroupMax = 255;
// How often a waiting ping looks whether it is to stop.
constexpr int kPollMs = 50;

bool sendMessage(const QString &address, const QString &text, bool popup,
                 const DownloadOptions &options, TransferError *error)
{
    const QString reply = getTempFile();
    if (reply.isEmpty()) {
        if (error) {
            error->kind = TransferFailure::LocalFile;
            error->detail = QDir::tempPath();
        }
        return false;
    }
    const bool sent = downloadToFile(receiverMessageUrl(address, text, popup), reply, nullptr,
                                     error, options);
    QFile::remove(reply);
    return sent;
}

} // namespace

TReceiverAccess receiverAccessOf(const TProgram &program)
{
    TReceiverAccess access;
    access.host = program.SettingText("EdtIp");
    access.user = program.SettingText("EdtAccount");
    access.password = program.SettingText("EdtPass");
    bool ok = false;
    const int port = program.SettingText("EdtPort").toInt(&ok);
    access.port = ok && port > 0 && port < 65536 ? port : 21;
    return access;
}

bool askReceiverToReload(const TProgram &program, QString &reason)
{
    const QString address =
        receiverWebAddress(program.SettingText("EdtIp"), program.ReceiverWebPort);
    TransferError error;
    const bool sent = SendNormalMessage(address, msg(MsgReloadLists), {}, &error);
    reason = sent ? QString() : transferFailureText(error);
    return sent;
}

QString pingTarget(const QString &address)
{
    const QStringList groups = address.trimmed().split(u'.');
    if (groups.size() != kAddressGroups)
        return {};
    QStringList plain;
    for (const QString &group : groups) {
        if (group.isEmpty() || group.size() > kGroupDigits)
            return {};
        for (const QChar c : group) {
            if (c < u'0' || c > u'9')
                return {};
        }
        const int value = group.toInt();
        if (value > kGroupMax)
            return {};
        plain.append(QString::number(value));
    }
    return plain.join(u'.');
}

TPingResult pingReceiver(const QString &address, const QString &pingProgram,
                         const std::function<bool()> &cancelled)
{
    const QString target = pingTarget(address);
    if (target.isEmpty() || pingProgram.isEmpty())
        return TPingResult::NotStarted;
    QProcess ping;
    ping.setProcessChannelMode(QProcess::MergedChannels);
    ping.setStandardOutputFile(QProcess::nullDevice());
    ping.start(pingProgram, {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"),
                             QStringLiteral("3"), target});
    if (!ping.waitForStarted())
        return TPingResult::NotStarted;
    while (!ping.waitForFinished(kPollMs)) {
        if (ping.state() == QProcess::NotRunning)
            break;
        if (cancelled && cancelled()) {
            ping.kill();
            ping.waitForFinished();
            return TPingResult::NotStarted;
        }
    }
    if (ping.exitStatus() != QProcess::NormalExit)
        return TPingResult::Offline;
    return ping.exitCode() == 0 ? TPingResult::Online : TPingResult::Offline;
}

QString pingStatusText(TPingResult result)
{
    switch (result) {
    case TPingResult::Online: return msg(MsgBoxOnline);
    case TPingResult::Offline: return msg(MsgBoxOffline);
    case TPingResult::NotStarted: break;
    }
    return {};
}

TPingThread::TPingThread(QString address, QString pingProgram, QObject *parent)
    : QThread(parent), m_address(std::move(address)), m_pingProgram(std::move(pingProgram))
{
}

void TPingThread::run()
{
    Q_EMIT pinged(pingReceiver(m_address, m_pingProgram, [this] { return isInterruptionRequested(); }));
}

QString receiverMessageUrl(const QString &address, const QString &text, bool popup)
{
    return QStringLiteral("http://") + ipAddressFormat(address)
        + (popup ? QStringLiteral("/control/message?popup=") : QStringLiteral("/control/message?nmsg="))
        + QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString receiverWebAddress(const QString &address, int webPort)
{
    constexpr int kHttpPort = 80;
    return webPort == kHttpPort ? address : address + u':' + QString::number(webPort);
}

bool SendPopupMessage(const QString &address, const QString &text, const DownloadOptions &options,
                      TransferError *error)
{
    return sendMessage(address, text, true, options, error);
}

bool SendNormalMessage(const QString &address, const QString &text, const DownloadOptions &options,
                       TransferError *error)
{
    return sendMessage(address, text, false, options, error);
}
