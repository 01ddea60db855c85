#pragma once

#include "core/zapit/xml_file_handler.h"
#include "platform/url_download.h"

#include <QString>
#include <QThread>

#include <functional>

struct TProgram;

// The two small channels to the receiver: whether it answers a ping, and a
// message shown on the TV screen through its web interface.

// The receiver's address and FTP account as the settings window holds them;
// the FTP port is 21 unless the settings hold a valid other one.
TReceiverAccess receiverAccessOf(const TProgram &program);

// Asks the receiver, through its web interface, to reload its lists after
// new files reached it. What it answers is not looked at (an old web
// interface says nothing useful), but whether it answered at all is:
// without the reload it goes on with the lists it had. False with the
// transfer's reason, if any, in `reason`.
bool askReceiverToReload(const TProgram &program, QString &reason);

enum class TPingResult { Online, Offline, NotStarted };

// The address in the form the network uses ("192.168.015.024" ->
// "192.168.15.24"), or empty when it is not four numbers 0..255 joined by
// dots: a host name or a text starting with "-" never reaches the ping
// program, which would take it for an option.
QString pingTarget(const QString &address);

// Pings the receiver once ("ping -c 1 -W 3 <address>", the address as an
// argument of its own, never through a shell), waiting for the answer. The
// address may be in the settings' zero-padded form. `pingProgram` is the
// program to run (tests pass their own). When `cancelled` turns true while
// waiting, the ping program is ended and the result is NotStarted. An
// address that pingTarget refuses is not pinged (NotStarted).
TPingResult pingReceiver(const QString &address,
                         const QString &pingProgram = QStringLiteral("ping"),
                         const std::function<bool()> &cancelled = {});

// The status line's text for a result: "Box is online.", "Box is offline."
// or empty when the ping could not be started.
QString pingStatusText(TPingResult result);

// One ping on a thread of its own; `pinged` is delivered to the receiver's
// thread (the main window's), which owns the status line. Asking the thread
// to stop (requestInterruption) ends a ping that is still waiting.
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

// The host part of a message address: the settings' address, with the web
// port after a ":" when it is not the usual 80.
QString receiverWebAddress(const QString &address, int webPort);

// Sends the request; the receiver's reply is not looked at. False when the
// receiver could not be reached or refused the request, with the reason in
// `error` when one is given.
bool SendPopupMessage(const QString &address, const QString &text,
                      const DownloadOptions &options = {}, TransferError *error = nullptr);
bool SendNormalMessage(const QString &address, const QString &text,
                       const DownloadOptions &options = {}, TransferError *error = nullptr);
