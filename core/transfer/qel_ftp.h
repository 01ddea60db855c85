#pragma once

#include "core/transfer/receiver_put.h"
#include "platform/ftp_client.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The program's only way to the receiver's file system. Every step reports
// success as a Boolean and never raises; after every upload the raw command
// "chmod 777 <remote path>" is sent and whatever it answers is accepted.
//
// An upload goes under a temporary name beside the file (".services.xml"
// + ".pelloran-upload", which the receiver never reads), and is renamed over
// the file only once it has arrived whole: a link that breaks off leaves
// the receiver's file as it was. A copy that could not be removed after a
// failure is named in the failure's reason, and the first upload of a
// session into a folder removes every such copy left there before: on the
// receivers' small flash it would keep the disk full.
//
// Calling order: construct, Connect, Login, transfers, Disconnect. The
// list operations tell the user about each failed file through `warn`.
class QFile;

class TQelFTP
{
public:
    using Warning = std::function<void(const QString &text)>;

    // The host may be in the settings' zero-padded form ("192.168.015.024").
    TQelFTP(const QString &host, const QString &userName, const QString &password, int port = 21,
            Warning warn = {});
    ~TQelFTP();
    TQelFTP(const TQelFTP &) = delete;
    TQelFTP &operator=(const TQelFTP &) = delete;

    // For tests: how long connecting and a stalled transfer may take (the
    // stall never longer than kStallLimitSeconds).
    void setTimeouts(int connectSeconds, int stallSeconds);
    // For tests: the rate below which a transfer or reply is given up.
    void setRateFloor(const TransferRateFloor &floor);
    // The most a downloaded file may weigh; a larger one fails and the local
    // file stays as it was. Channel lists by default.
    void setSizeLimit(qint64 bytes);

    bool Connect();
    bool Login();
    // The old local file stays until the new one has arrived whole.
    bool GetFile(const QString &remotePath, const QString &localFile);
    // False with RenameRefused() when the server would not rename the new
    // copy into place; LastPut() tells what became of the remote file.
    bool PutFile(const QString &localFile, const QString &remotePath);
    bool GetFiles(const QStringList &remotePaths, const QString &localRoot, bool keepTree);
    bool PutFiles(const QStringList &localFiles, const QStringList &remotePaths);
    bool Disconnect();

    // Why the last failed step failed, in the user's words, for a line
    // after the designed message; empty when it gave no reason.
    QString FailureReason() const;
    bool RenameRefused() const { return m_failure.kind == TransferFailure::RenameRefused; }
    // The receiver had no room for the new copy beside the file.
    bool NoRoom() const { return m_failure.kind == TransferFailure::NoRoom; }
    // Whether writing straight into the file could do what the upload
    // beside it could not: the rename was refused, or there was no room.
    bool InPlaceMayHelp() const { return !m_writeInPlace && (RenameRefused() || NoRoom()); }

    // What the last PutFile did to the remote file.
    TPutOutcome LastPut() const { return m_lastPut; }
    // Uploads write straight into the remote file, for servers that refuse
    // to rename: a link that breaks off then leaves it cut short.
    void setWriteInPlace(bool inPlace) { m_writeInPlace = inPlace; }

    // Where an upload to `remotePath` goes until it has arrived whole.
    static QString uploadPathFor(const QString &remotePath);
    // Whether a file name is one uploadPathFor gives.
    static bool isUploadName(const QString &fileName);

    // Where GetFiles puts a remote file below `localRoot`; empty when the
    // remote path names no file there (an empty name, "..", or a path that
    // would climb out of the root).
    static QString localPathFor(const QString &remotePath, const QString &localRoot,
                                bool keepTree);

private:
    void warn(const QString &text) const;
    void failWith(TransferFailure kind, const QString &detail);
    // The upload under the temporary name, its size checked where the server
    // tells it, then the rename; the temporary file goes when it fails.
    bool putAside(QFile &file, const QString &remotePath);
    // Whether the server says the copy of `size` bytes is still at `aside`.
    bool stillAside(const QString &aside, qint64 size);
    // Removes the copies earlier uploads left in the folder of `remotePath`:
    // every one the folder lists, the first time in a session, and always
    // the one of `remotePath` (a server may list no hidden files). False
    // when the server no longer answers.
    bool removeLeftCopies(const QString &remotePath);

    FtpClient::Settings m_settings;
    std::unique_ptr<FtpClient> m_client;
    bool m_connected = false;
    bool m_loginRefused = false;
    bool m_writeInPlace = false;
    TPutOutcome m_lastPut = TPutOutcome::Kept;
    TransferError m_failure;
    QString m_copyLeft;           // the copy the last failed upload may have left
    QStringList m_clearedFolders; // of left copies, in this session
    Warning m_warn;
};
