#include "exchange/backup_transfer.h"

#include "core/transfer/download_progress.h"
#include "core/transfer/qel_ftp.h"
#include "core/transfer/receiver_put.h"
#include "core/transfer/receiver_session.h"
#include "core/transfer/transfer_aside.h"
#include "core/util/file_utils.h"
#include "core/util/messages.h"

#include "platform/atomic_file.h"
#include "platform/own_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Receiver files are small (settings, lists, a kernel at most).
constexpr qint64 kBackupFileSizeLimit = qint64(256) << 20;
const QString kPartialSuffix = QStringLiteral(".partial");
const QString kPreviousSuffix = QStringLiteral(".previous");
const QString kIncompleteWord = QStringLiteral("incomplete");
// The files a backup was asked for, one receiver path a line, kept at the top
// of the copy while it is made and in a backup that lacks some of them. It is
// never restored (no receiver path is allowed to name it).
const QString kWantedRecord = QStringLiteral(".pelloran-backup-files");
constexpr qint64 kWantedRecordSizeLimit = qint64(1) << 20;

// A status report handed from the worker to the UI thread.
TStatusReport relayed(const TStatusReport &status)
{
    return [status](const QString &text) {
        if (status)
            onUiThread([status, text] { status(text); });
    };
}

// The progress bar, moved from the worker: `total` steps, then one call
// per file done. The bar is reset once the work is over.
std::function<void(int)> relayedProgress(int total)
{
    if (total <= 0)
        return [](int) {};
    onUiThread([total] { progressInit(total); });
    return [total](int done) {
        onUiThread([done, total] {
            progressSetStep(done);
            if (done == total)
                progressReset();
        });
    };
}

std::unique_ptr<TQelFTP> session(const TReceiverAccess &access, const TBackupTimeouts &timeouts,
                                 QStringList &warnings)
{
    auto ftp = std::make_unique<TQelFTP>(access.host, access.user, access.password, access.port,
                                         [&warnings](const QString &text) { warnings.append(text); });
    ftp->setTimeouts(timeouts.connectSeconds, timeouts.stallSeconds);
    ftp->setRateFloor(timeouts.rateFloor);
    // Backups hold any receiver file, not only channel lists.
    ftp->setSizeLimit(kBackupFileSizeLimit);
    return ftp;
}

QString withDetails(const QString &text, const QStringList &details)
{
    return details.isEmpty() ? text : text + QStringLiteral("\r\n\r\n") + details.join(QStringLiteral("\r\n"));
}

// A folder name from the settings' template that stays one folder below
// the root.
bool isPlainFolderName(const QString &name)
{
    return !name.trimmed().isEmpty() && name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(u'\\') && !name.startsWith(u'.');
}

bool writeWanted(const QString &folder, const QStringList &receiverFiles)
{
    return writeOwnFile(QDir(folder).filePath(kWantedRecord), receiverFiles.join(u'\n').toUtf8());
}

// The receiver paths the record names; none when there is no record, and an
// empty list for an empty or unreadable one.
std::optional<QStringList> readWanted(const QString &folder)
{
    const SmallFile record = readOwnFile(QDir(folder).filePath(kWantedRecord), kWantedRecordSizeLimit);
    if (record.status == SmallFileStatus::Missing)
        return std::nullopt;
    return QString::fromUtf8(record.bytes).split(u'\n', Qt::SkipEmptyParts);
}

QStringList missingOf(const QString &folder, const QStringList &wanted)
{
    QStringList missing;
    for (const QString &path : wanted) {
        if (!QFileInfo(QDir(folder).filePath(path.mid(1))).isFile())
            missing.append(path);
    }
    return missing;
}

// Whether a copy holds any file it fetched (the record is none).
bool holdsFiles(const QString &folder)
{
    QStringList files;
    listFilesRecursive(folder, files);
    const QString record = QDir(folder).filePath(kWantedRecord);
    return std::any_of(files.begin(), files.end(), [&](const QString &file) {
        return QDir::cleanPath(file) != QDir::cleanPath(record);
    });
}

// Puts the finished copy in the backup's place; an earlier backup of that
// name goes only once the new one stands there.
bool replaceFolder(const QString &finished, const QString &target)
{
    QDir dir;
    const QString previous = QFileInfo(target).path() + QStringLiteral("/.") + QFileInfo(target).fileName()
        + kPreviousSuffix;
    QDir(previous).removeRecursively();
    const bool hadOne = QFileInfo::exists(target);
    if (hadOne && !dir.rename(target, previous))
        return false;
    if (!dir.rename(finished, target)) {
        if (hadOne)
            dir.rename(previous, target);
        return false;
    }
    QFile::remove(QDir(target).filePath(kWantedRecord));
    if (hadOne)
        QDir(previous).removeRecursively();
    return true;
}

// A file that did not come leaves the folders made for it; a backup shows
// only what it holds.
void removeEmptyFolders(const QString &folder)
{
    const QDir dir(folder);
    for (const QString &sub : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        removeEmptyFolders(dir.filePath(sub));
        dir.rmdir(sub); // only when empty
    }
}

// Puts a copy under the first free name `nameOf` gives for 1, 2, ... The
// rename never replaces what stands there, even what appeared a moment ago.
// The name it went under, or empty when it found no place.
QString placeUnderFreeName(const QString &copy, const QString &root,
                           const std::function<QString(int)> &nameOf)
{
    constexpr int kTries = 1000;
    QDir dir;
    for (int n = 1; n <= kTries; ++n) {
        const QString name = nameOf(n);
        const QFileInfo target(QDir(root).filePath(name));
        if (target.exists() || target.isSymLink())
            continue;
        if (dir.rename(copy, target.filePath()))
            return name;
        const QFileInfo now(target.filePath());
        if (!now.exists() && !now.isSymLink())
            return QString(); // not a name taken meanwhile: no place will do
    }
    return QString();
}

// An incomplete copy goes under "<name> (incomplete)", "<name> (incomplete
// 2)", ...: its name says what it is, and an earlier backup is never
// replaced by, nor mixed with, a copy that lacks files. Its record stays, so
// the files it lacks can be named.
QString placeIncomplete(const QString &partial, const QString &root, const QString &folderName)
{
    return placeUnderFreeName(partial, root, [&](int n) {
        return n == 1 ? QStringLiteral("%1 (%2)").arg(folderName, kIncompleteWord)
                      : QStringLiteral("%1 (%2 %3)").arg(folderName, kIncompleteWord).arg(n);
    });
}

// The backup whose hidden work folder (".<name>.partial", ".<name>.previous")
// `entry` is, or empty when it is none.
QString backupOfWorkFolder(const QString &entry, const QString &suffix)
{
    if (entry.size() <= 1 + suffix.size() || !entry.startsWith(u'.') || !entry.endsWith(suffix))
        return QString();
    const QString name = entry.mid(1, entry.size() - 1 - suffix.size());
    return isPlainFolderName(name) ? name : QString();
}

// Puts right what a backup killed on its way left in the root, deleting no
// file it fetched. A copy that holds every file it was asked for becomes the
// backup (or, when an earlier backup holds the name, stands beside it as
// "<name> (2)"); one beside a backup moved aside is whole, since the move
// comes only once every file is there. A copy that lacks files stays as an
// incomplete backup; one that fetched nothing at all goes. A backup moved
// aside comes back when no backup stands in its place; once one does, it
// waits for the next backup of that name to replace it. Links are left
// alone: deleting or renaming through one would reach whatever it points at.
void tidyBackupRoot(const QString &root)
{
    const QDir dir(root);
    const auto workFolders = [&dir] {
        return dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                             QDir::Name);
    };
    const auto isFree = [&dir](const QString &name) {
        const QFileInfo entry(dir.filePath(name));
        return !entry.exists() && !entry.isSymLink();
    };
    for (const QString &entry : workFolders()) {
        const QString name = backupOfWorkFolder(entry, kPartialSuffix);
        if (name.isEmpty())
            continue;
        const QString path = dir.filePath(entry);
        if (!holdsFiles(path)) {
            removeEmptyFolders(path);
            QFile::remove(QDir(path).filePath(kWantedRecord));
            dir.rmdir(entry);
            continue;
        }
        const QFileInfo previous(dir.filePath(u'.' + name + kPreviousSuffix));
        const std::optional<QStringList> wanted = readWanted(path);
        const bool whole = (previous.isDir() && !previous.isSymLink())
            || (wanted && !wanted->isEmpty() && missingOf(path, *wanted).isEmpty());
        if (whole) {
            const QString placed = isFree(name) && QDir().rename(path, dir.filePath(name))
                ? name
                : placeUnderFreeName(path, root, [&name](int n) {
                      return n == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(n);
                  });
            if (!placed.isEmpty())
                QFile::remove(QDir(dir.filePath(placed)).filePath(kWantedRecord));
            continue;
        }
        // Without a record nobody knows what it lacks; an empty one says so.
        if (!wanted)
            writeWanted(path, {});
        removeEmptyFolders(path);
        placeIncomplete(path, root, name);
    }
    for (const QString &entry : workFolders()) {
        const QString name = backupOfWorkFolder(entry, kPreviousSuffix);
        if (!name.isEmpty() && isFree(name))
            QDir().rename(dir.filePath(entry), dir.filePath(name));
    }
}

} // namespace

bool isSafeReceiverPath(const QString &path)
{
    if (!path.startsWith(u'/') || path.endsWith(u'/') || path.contains(u'\\')
        || path == u'/' + kWantedRecord)
        return false;
    const QStringList parts = path.mid(1).split(u'/');
    return std::none_of(parts.begin(), parts.end(), [](const QString &part) {
        return part.isEmpty() || part == u"." || part == u"..";
    });
}

QStringList listBackups(const QString &root)
{
    if (root.isEmpty())
        return {};
    tidyBackupRoot(root);
    QStringList names =
        QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::NoSort);
    std::sort(names.begin(), names.end());
    return names;
}

bool isIncompleteBackup(const QString &backupFolder, QStringList *missing)
{
    if (missing)
        missing->clear();
    const std::optional<QStringList> wanted = readWanted(backupFolder);
    if (!wanted)
        return false;
    const QStringList lacking = missingOf(backupFolder, *wanted);
    if (missing)
        *missing = lacking;
    return wanted->isEmpty() || !lacking.isEmpty();
}

bool backupContent(const QString &backupFolder, QStringList &receiverPaths)
{
    receiverPaths.clear();
    if (backupFolder.isEmpty() || !QFileInfo(backupFolder).isDir())
        return false;
    QStringList files;
    if (!listFilesRecursive(backupFolder, files))
        return false;
    const QString root = QDir::cleanPath(QFileInfo(backupFolder).absoluteFilePath());
    for (const QString &file : files) {
        const QString relative =
            QDir(root).relativeFilePath(QDir::cleanPath(QFileInfo(file).absoluteFilePath()));
        // Neither the record nor a copy a killed download left is a
        // receiver file.
        if (relative != kWantedRecord && !isSaveCopyName(QFileInfo(file).fileName()))
            receiverPaths.append(u'/' + relative);
    }
    std::sort(receiverPaths.begin(), receiverPaths.end());
    return true;
}

bool makeBackup(const TReceiverAccess &access, const QStringList &receiverFiles,
                const QString &root, const QString &folderName, const TStatusReport &status,
                QString &errorText, const TBackupTimeouts &timeouts)
{
    errorText.clear();
    for (const QString &path : receiverFiles) {
        if (!isSafeReceiverPath(path)) {
            errorText = FormatMsg1(msg(MsgReceiverPathRefused), path);
            return false;
        }
    }
    if (!isPlainFolderName(folderName) || root.isEmpty() || !QDir().mkpath(root)) {
        errorText = msg(MsgBackupDirFailed);
        return false;
    }
    const QString target = QDir(root).filePath(folderName);
    const QString partial = QDir(root).filePath(u'.' + folderName + kPartialSuffix);
    // A copy an earlier, killed backup of this name left is put right first,
    // not thrown away.
    tidyBackupRoot(root);
    QDir(partial).removeRecursively();
    if (!QDir().mkpath(partial) || !writeWanted(partial, receiverFiles)) {
        QDir(partial).removeRecursively();
        errorText = msg(MsgBackupDirFailed);
        return false;
    }
    const TStatusReport report = relayed(status);
    QString error;
    QStringList missing;
    bool opened = false;
    const bool got = runAside([&] {
        QStringList warnings;
        const auto ftp = session(access, timeouts, warnings);
        if (!openReceiverSession(*ftp, access.host, report, error)) {
            missing = receiverFiles;
            return false;
        }
        opened = true;
        report(msg(MsgStatusGettingFiles));
        // One file at a time, so the progress bar moves with each; a file
        // that fails does not keep the others from coming.
        const auto progress = relayedProgress(int(receiverFiles.size()));
        for (qsizetype i = 0; i < receiverFiles.size(); ++i) {
            if (!ftp->GetFiles({receiverFiles[i]}, partial, true))
                missing.append(receiverFiles[i]);
            progress(int(i) + 1);
        }
        if (!missing.isEmpty()) {
            error = withDetails(msg(MsgFilesNotRetrieved), warnings);
            return false;
        }
        return closeReceiverSession(*ftp, report, error);
    });
    errorText = error;
    // Every file came (only the goodbye may have failed): a whole backup,
    // which takes the place of an earlier one of its name.
    if (opened && missing.isEmpty()) {
        if (!replaceFolder(partial, target)) {
            QDir(partial).removeRecursively();
            errorText = msg(MsgBackupDirFailed);
            return false;
        }
        if (!got)
            errorText += QStringLiteral("\r\n\r\n") + FormatMsg1(msg(MsgBackupKeptIn), folderName);
        return got;
    }
    // The files that came whole are worth keeping (each arrived complete or
    // not at all); the message says which are missing.
    if (opened && missing.size() < receiverFiles.size()) {
        removeEmptyFolders(partial);
        const QString kept = placeIncomplete(partial, root, folderName);
        if (!kept.isEmpty()) {
            errorText += QStringLiteral("\r\n\r\n") + FormatMsg1(msg(MsgBackupKeptIn), kept)
                + QStringLiteral("\r\n") + msg(MsgBackupMissingFiles) + QStringLiteral("\r\n")
                + missing.join(QStringLiteral("\r\n"));
        }
    }
    QDir(partial).removeRecursively();
    return false;
}

bool restoreBackup(const TReceiverAccess &access, const QString &backupFolder,
                   const TStatusReport &status, QString &errorText,
                   const TBackupTimeouts &timeouts, const TWriteInPlaceQuestion &writeInPlace)
{
    errorText.clear();
    QStringList remotePaths;
    if (!backupContent(backupFolder, remotePaths)) {
        errorText = msg(MsgNoBackupFound);
        return false;
    }
    QStringList localFiles;
    for (const QString &remote : remotePaths)
        localFiles.append(QDir(backupFolder).filePath(remote.mid(1)));
    const TStatusReport report = relayed(status);
    const qsizetype count = localFiles.size();
    // Per file: what became of the receiver's copy, and what went wrong.
    std::vector<TPutOutcome> outcomes(static_cast<std::size_t>(count), TPutOutcome::Kept);
    std::vector<QStringList> failures(static_cast<std::size_t>(count));
    QString error;
    bool put = false;
    bool inPlace = false;
    qsizetype first = 0;
    for (;;) {
        qsizetype refused = -1;
        bool noRoom = false;
        put = runAside([&] {
            QStringList warnings;
            const auto ftp = session(access, timeouts, warnings);
            if (!openReceiverSession(*ftp, access.host, report, error))
                return false;
            report(msg(MsgStatusPuttingFiles));
            ftp->setWriteInPlace(inPlace);
            bool allPut = true;
            const auto progress = relayedProgress(int(count));
            for (qsizetype i = first; i < count; ++i) {
                warnings.clear();
                const bool done = ftp->PutFiles({localFiles[i]}, {remotePaths[i]});
                outcomes[std::size_t(i)] = ftp->LastPut();
                failures[std::size_t(i)] = warnings;
                // A receiver that refuses one rename, or has no room for
                // one copy, does so for the rest: the user is asked before
                // anything more is sent.
                if (!done && ftp->InPlaceMayHelp()) {
                    refused = i;
                    noRoom = ftp->NoRoom();
                    onUiThread([] { progressReset(); });
                    return false;
                }
                allPut = done && allPut;
                progress(int(i) + 1);
            }
            if (!allPut)
                return false;
            return closeReceiverSession(*ftp, report, error);
        });
        if (refused < 0 || inPlace || !writeInPlace || !writeInPlace(remotePaths[refused], noRoom))
            break;
        inPlace = true;
        first = refused;
        error.clear();
    }
    if (put)
        return true;
    QStringList details;
    TReceiverPuts puts;
    for (qsizetype i = 0; i < count; ++i) {
        details += failures[std::size_t(i)];
        puts.note(remotePaths[i], outcomes[std::size_t(i)]);
    }
    // The session's own steps name their failure; a file that failed is
    // named by the wrapper's warnings.
    errorText = error.isEmpty() ? withDetails(msg(MsgFilesNotPut), details) : error;
    errorText += QStringLiteral("\r\n\r\n") + puts.report();
    return false;
}
