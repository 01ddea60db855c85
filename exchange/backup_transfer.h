#pragma once

#include "core/zapit/xml_file_handler.h"

#include <QString>
#include <QStringList>

#include <functional>

// Backups of receiver files: a backup is a folder below the backup root
// whose relative paths are the receiver's absolute paths
// (root/Backup_2024-03-07_09.05.07/var/tuxbox/config/zapit/services.xml).

// Where the status line learns what a transfer is doing; called on the
// thread that started the transfer.
using TStatusReport = std::function<void(const QString &text)>;

// A receiver path a backup may name: absolute ("/" first), naming a file,
// and without a "." or ".." component or a backslash that could lead a copy
// out of the backup folder.
bool isSafeReceiverPath(const QString &path);

// The backups below `root`, by name (a dated name template sorts the newest
// last). Folders only; the hidden folders a running backup works in are not
// backups. What a backup killed on its way left there is put right first,
// and no fetched file is ever deleted: a copy that holds every file becomes
// the backup, one that lacks files becomes "<name> (incomplete)", a backup
// moved aside comes back when nothing took its place.
QStringList listBackups(const QString &root);

// Whether a backup lacks files it was asked to hold; `missing` then names
// them as receiver paths (empty when which ones is not known). Backups with
// no record of what they were to hold are whole.
bool isIncompleteBackup(const QString &backupFolder, QStringList *missing = nullptr);

// Every file below a backup as the receiver path it is restored to
// ("/var/tuxbox/config/zapit/services.xml"), sorted. False when the folder
// does not exist.
bool backupContent(const QString &backupFolder, QStringList &receiverPaths);

struct TBackupTimeouts {
    int connectSeconds = kConnectTimeoutSeconds;
    int stallSeconds = kStallLimitSeconds;
    TransferRateFloor rateFloor = {};
};

// Copies the receiver files into root/folderName. The copy is made aside
// and takes the place of an earlier backup of that name only once every
// file has arrived. When some files fail, those that arrived whole are
// kept all the same, as an incomplete backup under the first free
// "folderName (incomplete)", "(incomplete 2)", ..., so an earlier backup
// stays as it was; the error text then says where they are and which are
// missing. The FTP work runs on a worker thread; the caller's events keep
// running (without user input) until it is over. False with the error
// text on any failure.
bool makeBackup(const TReceiverAccess &access, const QStringList &receiverFiles,
                const QString &root, const QString &folderName, const TStatusReport &status,
                QString &errorText, const TBackupTimeouts &timeouts = {});

// Asked, on the calling thread, whether to write straight into the
// receiver's files once it refused to rename a new copy into the place of
// `remotePath`, or had no room for the copy (`noRoom`); true to go on so.
using TWriteInPlaceQuestion = std::function<bool(const QString &remotePath, bool noRoom)>;

// Puts every file of the backup folder back onto the receiver (each upload
// followed by "chmod 777", whose answer does not matter). Same threading.
// Each receiver file is replaced only by a copy that arrived whole; should
// the receiver refuse to rename or have no room, `writeInPlace` decides whether the rest
// are written straight into (none is without it). The error text ends by
// naming the receiver files that were replaced and those left as they were.
bool restoreBackup(const TReceiverAccess &access, const QString &backupFolder,
                   const TStatusReport &status, QString &errorText,
                   const TBackupTimeouts &timeouts = {},
                   const TWriteInPlaceQuestion &writeInPlace = {});
