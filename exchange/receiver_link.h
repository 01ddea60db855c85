#pragma once

#include "platform/url_download.h"

#include <QString>
#include <QThread>

// The two small channels to the receiver: whether it answers a ping, and a
// message shown on the TV screen through its web interface.

enum class TPingResult { Online, Offline, NotStarted };

// Pings the receiver once ("ping -c 1 -W 3"), waiting for the answer. The
// address may be in the settings' zero-padded form. `pingProgram` is the
// program to run (tests pass their own).
TPingResult pingReceiver(const QString &address,
                         const QString &pingProgram = QStringLiteral("ping"));

// The status line's text for a result: "Box is online.", "Box is offline."
// or empty when the ping could not be started.
QString pingStatusText(TPingResult result);

// One ping on a thread of its own; `pinged` is delivered to the receiver's
// thread (the main window's), which owns the status line.
class TPingThread : public QThread
{
    Q_OBJECT
public:
    TPingThread(QString address, QString pingProgram = QStringLiteral("ping"),
                QObject *parent = nullptr);

Q_SIGNALS:
    void pinged(TPingResult result);

protected:
    void run() override;

private:
    QString m_address;
    QString m_pingProgram;
};

// The address of a message request: "http://<address>/control/message?popup="
// (or "?nmsg=" for a normal message) and the text, percent-encoded so that a
// blank or "&" in it reaches the receiver as part of the message.
QString receiverMessageUrl(const QString &address, const QString &text, bool popup);

// Sends the request; the receiver's reply is not looked at. False when the
// receiver could not be reached.
bool SendPopupMessage(const QString &address, const QString &text,
                      const DownloadOptions &options = {});
bool SendNormalMessage(const QString &address, const QString &text,
                       const DownloadOptions &options = {});
