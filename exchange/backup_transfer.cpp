#include "exchange/backup_transfer.h"

#include "core/transfer/download_progress.h"
#include "core/transfer/qel_ftp.h"
#include "core/transfer/receiver_session.h"
#include "core/transfer/transfer_aside.h"
#include "core/util/file_utils.h"
#include "core/util/messages.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace {

// Receiver files are small (settings, lists, a kernel at most).
constexpr qint64 kBackupFileSizeLimit = qint64(256) << 20;
const QString kPartialSuffix = QStringLiteral(".partial");
const QString kPreviousSuffix = QStringLiteral(".previous");

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

// Puts an incomplete copy under the backup's name, or, when that name is
// taken, under the first free "<name> (2)", "<name> (3)", ...: an earlier
// backup is never replaced, nor mixed with, a copy that lacks files. The
// rename never replaces what stands there, even what appeared a moment ago.
// The name it went under, or empty when it found no place.
QString placeIncomplete(const QString &partial, const QString &root, const QString &folderName)
{
    constexpr int kTries = 1000;
    QDir dir;
    for (int n = 1; n <= kTries; ++n) {
        const QString name = n == 1 ? folderName : QStringLiteral("%1 (%2)").arg(folderName).arg(n);
        const QFileInfo target(QDir(root).filePath(name));
        if (target.exists() || target.isSymLink())
            continue;
        if (dir.rename(partial, target.filePath()))
            return name;
        const QFileInfo now(target.filePath());
        if (!now.exists() && !now.isSymLink())
            return QString(); // not a name taken meanwhile: no place will do
    }
    return QString();
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

// Puts right what a backup killed on its way left in the root. Between
// replaceFolder's two renames the earlier backup stands aside with no
// backup in its place: it goes back. Once the new one stands there, the
// one aside is only waiting to be deleted. A copy still in the making is
// never a whole backup. Links are left alone: deleting through one would
// reach whatever it points at.
void tidyBackupRoot(const QString &root)
{
    const QDir dir(root);
    const QStringList entries =
        dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
    for (const QString &entry : entries) {
        const QString path = dir.filePath(entry);
        if (!backupOfWorkFolder(entry, kPartialSuffix).isEmpty()) {
            QDir(path).removeRecursively();
            continue;
        }
        const QString name = backupOfWorkFolder(entry, kPreviousSuffix);
        if (name.isEmpty())
            continue;
        const QFileInfo backup(dir.filePath(name));
        if (!backup.exists() && !backup.isSymLink())
            QDir().rename(path, backup.filePath());
        else if (backup.isDir() && !backup.isSymLink())
            QDir(path).removeRecursively();
    }
}

} // namespace

bool isSafeReceiverPath(const QString &path)
{
    if (!path.startsWith(u'/') || path.endsWith(u'/') || path.contains(u'\\'))
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
    QDir(partial).removeRecursively();
    if (!QDir().mkpath(partial)) {
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
                   const TBackupTimeouts &timeouts)
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
    QString error;
    const bool put = runAside([&] {
        QStringList warnings;
        const auto ftp = session(access, timeouts, warnings);
        if (!openReceiverSession(*ftp, access.host, report, error))
            return false;
        report(msg(MsgStatusPuttingFiles));
        bool allPut = true;
        const auto progress = relayedProgress(int(localFiles.size()));
        for (qsizetype i = 0; i < localFiles.size(); ++i) {
            allPut = ftp->PutFiles({localFiles[i]}, {remotePaths[i]}) && allPut;
            progress(int(i) + 1);
        }
        if (!allPut) {
            error = withDetails(msg(MsgFilesNotPut), warnings);
            return false;
        }
        return closeReceiverSession(*ftp, report, error);
    });
    errorText = error;
    return put;
}
