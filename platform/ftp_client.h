#pragma once

#include "platform/curl_handle.h"
#include "platform/transfer_limits.h"

#include <QString>
#include <QStringList>

#include <vector>

class QIODevice;

// A session with an FTP server over libcurl: binary transfers in passive
// mode, one control connection kept open between the calls of a session.
//
// libcurl logs in as part of connecting, so connect() reports apart whether
// the server could not be reached or refused the account.
class FtpClient
{
public:
    struct Settings {
        QString host; // as given to the network: "10.0.0.5", not "010.000.000.005"
        int port = 21;
        QString user;
        QString password;
        int connectTimeoutSeconds = kConnectTimeoutSeconds;
        // A transfer that moves no byte for this long is given up (never
        // more than kStallLimitSeconds); so is a command left unanswered.
        int stallSeconds = kStallLimitSeconds;
        // A download larger than this is refused.
        qint64 sizeLimit = kChannelListSizeLimit;
        // A transfer or reply slower than this on average over its window
        // is given up.
        TransferRateFloor rateFloor = {};
    };

    enum class Connection { Ok, Unreachable, LoginRefused };

    explicit FtpClient(Settings settings);
    ~FtpClient();
    FtpClient(const FtpClient &) = delete;
    FtpClient &operator=(const FtpClient &) = delete;

    Connection connect();

    // Writes the remote file into `target`. False on any failure; `target`
    // may then hold part of the file.
    bool download(const QString &remotePath, QIODevice &target);

    // Replaces the remote file with `size` bytes read from `source`, then
    // sends each of `afterCommands` as a raw command line whose reply,
    // whatever it is, is accepted. Fails unless all `size` bytes went out.
    bool upload(QIODevice &source, qint64 size, const QString &remotePath,
                const QStringList &afterCommands);

    // The size the server gives for the remote file (SIZE), or -1 when it
    // does not tell. False when the question could not be asked.
    bool remoteSize(const QString &remotePath, qint64 &size);

    // Renames the remote file `from` to `to`, replacing `to` (RNFR, RNTO),
    // then sends `afterCommands` as upload does. A rename the server
    // refuses fails with RenameRefused.
    bool rename(const QString &from, const QString &to, const QStringList &afterCommands);

    // Asks the server to delete the remote file; its answer is not looked
    // at. False only when the request could not be sent.
    bool remove(const QString &remotePath);

    // The names of the entries of a remote folder (NLST), without their
    // folder. False when the server would not tell.
    bool listNames(const QString &remoteFolder, QStringList &names);

    // Closes the control connection: QUIT, its reply waited for only
    // briefly, since a server that no longer answers would otherwise hold
    // the caller for the whole reply time-out. False when the session was
    // never open.
    bool disconnect();

    // What went wrong last; kind None after a step that went through.
    const TransferError &lastFailure() const { return m_lastFailure; }

private:
    QByteArray urlFor(const QString &remotePath) const;
    void applyCommonOptions(CURL *handle);
    // The session's handle set up for one transfer of that path; null when
    // there is no session.
    CURL *prepareTransfer(const QString &remotePath);
    // A watch for one transfer with the session's limits.
    TransferWatch watch(qint64 sizeLimit) const;
    // Runs the prepared transfer under `watch`; false with lastFailure() set.
    bool perform(CURL *handle, TransferWatch &watch);
    // libcurl's list of the raw command lines; false with lastFailure() set
    // when it cannot be made.
    bool commandList(const QStringList &lines, CurlSlist &list);
    // Sends the raw command lines without a transfer; false at the first
    // one refused (see rename) or when the session fails.
    bool sendCommands(const QStringList &lines);
    void failWith(TransferFailure kind, const QString &detail);
    // Shuts the session's connections down under libcurl, which then finds
    // them dead: it sends nothing more on them and waits for no reply, and
    // the next transfer connects afresh.
    void dropConnections();
    void closeSession();

    static curl_socket_t openSocket(void *client, curlsocktype purpose, curl_sockaddr *address);
    static int closeSocket(void *client, curl_socket_t socket);

    Settings m_settings;
    // The sockets libcurl has open for the session; declared before the
    // handle, whose cleanup still closes some of them.
    std::vector<curl_socket_t> m_sockets;
    CurlEasy m_handle;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    CURLcode m_lastCode = CURLE_OK;
    TransferError m_lastFailure;
};
