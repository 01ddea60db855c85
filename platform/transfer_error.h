#pragma once

#include <QString>
#include <QtGlobal>

// Why a transfer failed, told apart so the program can say it in its own
// words: the user's next step differs between a wrong password, a server
// that is off and a file that is too large.
enum class TransferFailure {
    None,
    TimedOut,      // nothing moved for `seconds`
    ConnectTimedOut, // no connection (for FTP: logged in) within `seconds`
    TooSlow,       // less than `rateFloor` bytes a second over `seconds`
    Refused,       // nothing listens at the address
    HostNotFound,
    Unreachable,   // no route, or the connection could not be made otherwise
    LoginRefused,
    HttpStatus,    // the server answered `httpStatus` (400 or more)
    NoSuchFile,    // FTP: the remote file or its folder is missing or barred
    SizeLimit,     // more than `sizeLimit` bytes
    Dropped,       // the connection closed before the transfer was complete
    RenameRefused, // FTP: the server refused to rename a file
    NoRoom,        // FTP: the server has no room for the upload (452, 552)
    LocalFile,     // the local file could not be written or read
    NotWebAddress, // only http: and https: are fetched
    Other,         // `detail` says what
};

struct TransferError {
    TransferFailure kind = TransferFailure::None;
    long httpStatus = 0;
    qint64 sizeLimit = 0;
    qint64 rateFloor = 0;
    int seconds = 0;
    // libcurl's or the file system's own words, for every kind.
    QString detail;

    bool failed() const { return kind != TransferFailure::None; }
};
