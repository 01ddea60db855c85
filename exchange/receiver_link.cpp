#include "exchange/receiver_link.h"

#include "core/util/messages.h"
#include "core/util/sys_utils.h"

#include <QFile>
#include <QUrl>

namespace {

bool sendMessage(const QString &address, const QString &text, bool popup,
                 const DownloadOptions &options)
{
    const QString reply = getTempFile();
    if (reply.isEmpty())
        return false;
    const bool sent = downloadToFile(receiverMessageUrl(address, text, popup), reply, nullptr,
                                     nullptr, options);
    QFile::remove(reply);
    return sent;
}

} // namespace

TPingResult pingReceiver(const QString &address, const QString &pingProgram)
{
    int exitCode = 0;
    const QStringList arguments = {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"),
                                   QStringLiteral("3"), ipAddressFormat(address)};
    if (!runApplication(pingProgram, arguments, QString(), false, true, exitCode))
        return TPingResult::NotStarted;
    return exitCode == 0 ? TPingResult::Online : TPingResult::Offline;
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
    Q_EMIT pinged(pingReceiver(m_address, m_pingProgram));
}

QString receiverMessageUrl(const QString &address, const QString &text, bool popup)
{
    return QStringLiteral("http://") + ipAddressFormat(address)
        + (popup ? QStringLiteral("/control/message?popup=") : QStringLiteral("/control/message?nmsg="))
        + QString::fromLatin1(QUrl::toPercentEncoding(text));
}

bool SendPopupMessage(const QString &address, const QString &text, const DownloadOptions &options)
{
    return sendMessage(address, text, true, options);
}

bool SendNormalMessage(const QString &address, const QString &text, const DownloadOptions &options)
{
    return sendMessage(address, text, false, options);
}
