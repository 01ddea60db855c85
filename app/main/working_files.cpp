#include "app/main/working_files.h"

#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "core/util/file_utils.h"
#include "core/util/messages.h"
#include "core/util/sys_utils.h"
#include "core/zapit/import_news.h"
#include "core/zapit/xml_file_handler.h"
#include "exchange/kingofsat_page.h"
#include "logos/logo_mapper.h"
#include "platform/own_file.h"
#include "platform/small_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>
#include <cstdio>
#include <dirent.h>

#include <algorithm>
#include <utility>

namespace {

const QString kKingOfSatFile = QStringLiteral("KingOfSat.xml");
const QString kServicesFile = QStringLiteral("Services.xml");
const QString kMyServicesFile = QStringLiteral("MyServices.xml");
const QString kBouquetsFile = QStringLiteral("Bouquets.xml");
const QString kHistoryFolder = QStringLiteral("History");
// Lies in the program folder while the working files are being replaced.
const QString kReplacingNote = QStringLiteral(".pelloran-lists-replacing");
// Beside a state's files in the history folder while they are being
// copied: ".<stamp>.pelloran-writing", naming the working files of the set.
// Once they all came it is renamed ".<stamp>.pelloran-set" and stays with
// the state: a state lacking a file it names is incomplete, however the
// file went. Either one tells the set.
const QString kRecordSuffix = QStringLiteral(".pelloran-writing");
const QString kSetSuffix = QStringLiteral(".pelloran-set");
// In the history folder: the stamp of the state restored last.
const QString kRestoredRecord = QStringLiteral(".pelloran-restored");
constexpr qint64 kNoteLimit = 4096;
constexpr qint64 kCompareBlock = 1 << 16;

// The working files that have a history, in the order they are handled.
const QStringList &historyFiles()
{
    static const QStringList files = {kServicesFile, kMyServicesFile, kBouquetsFile};
    return files;
}

QString historyName(const QString &workingFile, const QString &stamp)
{
    return QFileInfo(workingFile).completeBaseName() + u'.' + stamp + QStringLiteral(".xml");
}

QString stampText(const QDate &date, const QTime &time)
{
    return convertSystemTimeToDateString(date, 0) + u'_' + convertSystemTimeToTimeString(time, 0);
}

bool sameBytes(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (first.size() != second.size() || !first.open(QIODevice::ReadOnly)
        || !second.open(QIODevice::ReadOnly))
        return false;
    while (!first.atEnd()) {
        const QByteArray block = first.read(kCompareBlock);
        if (block.isEmpty() || block != second.read(kCompareBlock))
            return false;
    }
    return second.atEnd();
}

// Whether a file in the history folder is part of a saved state.
bool isStateFile(const QString &file)
{
    const QString stamp = TWorkingFiles::stampOf(file);
    if (!TWorkingFiles::isStamp(stamp))
        return false;
    return std::any_of(historyFiles().begin(), historyFiles().end(),
                       [&](const QString &name) { return file == historyName(name, stamp); });
}

// The stamp a state's record is named for, or an empty text.
QString recordStamp(const QString &file)
{
    for (const QString &suffix : {kRecordSuffix, kSetSuffix}) {
        if (file.startsWith(u'.') && file.endsWith(suffix)) {
            const QString stamp = file.mid(1, file.size() - 1 - suffix.size());
            return TWorkingFiles::isStamp(stamp) ? stamp : QString();
        }
    }
    return QString();
}

// The saved states' files and the records of their sets in the history
// folder, each with its stamp, from one look at the folder. The
// menu and the clearing both go by this, so whatever the one offers the
// other deletes; hidden files are looked at too.
struct THistoryEntries {
    QList<std::pair<QString, QString>> states;
    QList<std::pair<QString, QString>> records;
};
THistoryEntries historyEntries(const QString &folder)
{
    THistoryEntries entries;
    const QDir history(folder);
    for (const QString &file : history.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (isStateFile(file))
            entries.states.append({history.filePath(file), TWorkingFiles::stampOf(file)});
        else if (const QString stamp = recordStamp(file); !stamp.isEmpty())
            entries.records.append({history.filePath(file), stamp});
    }
    return entries;
}

// The working files a record names. One that cannot be read names them
// all: which of them the save was to copy is not known, so none counts as
// absent on purpose.
QStringList recordedSet(const QString &record)
{
    const SmallFile file = readOwnFile(record, kNoteLimit);
    if (file.status != SmallFileStatus::Read)
        return historyFiles();
    const QStringList lines = QString::fromUtf8(file.bytes).split(u'\n');
    QStringList set;
    for (const QString &name : historyFiles()) {
        if (lines.contains(name))
            set.append(name);
    }
    return set;
}

} // namespace

TWorkingFiles::TWorkingFiles(QString programFolder, TFrmXMLHandler &handler, TModelLists lists)
    : m_folder(std::move(programFolder)), m_handler(handler), m_lists(lists)
{
    const SmallFile restored = readOwnFile(QDir(HistoryFolder()).filePath(kRestoredRecord), kNoteLimit);
    const QString stamp = QString::fromUtf8(restored.bytes).trimmed();
    if (restored.status == SmallFileStatus::Read && isStamp(stamp))
        m_restored = stamp;
}

QString TWorkingFiles::HistoryFolder() const
{
    return QDir(m_folder).filePath(kHistoryFolder);
}

QString TWorkingFiles::WorkingFile(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

QString TWorkingFiles::stampFor(const QDateTime &time)
{
    return stampText(time.date(), time.time());
}

bool TWorkingFiles::isStamp(const QString &text)
{
    // Parsed piece by piece: a whole local date and time could fall into a
    // daylight saving gap and come back as another hour.
    const QDate date = QDate::fromString(text.section(u'_', 0, 0), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.section(u'_', 1), QStringLiteral("hh.mm.ss"));
    return date.isValid() && time.isValid() && stampText(date, time) == text;
}

QString TWorkingFiles::stampOf(const QString &fileName)
{
    const qsizetype first = fileName.indexOf(u'.');
    const qsizetype last = fileName.lastIndexOf(u'.');
    return first < 0 || last <= first ? QString() : fileName.mid(first + 1, last - first - 1);
}

QStringList TWorkingFiles::LoadFiles()
{
    return loadLists(true);
}

QStringList TWorkingFiles::loadLists(bool withKingOfSat)
{
    QStringList failures;
    const auto load = [&](const QString &name, bool &unread, const auto &read) {
        const QString file = WorkingFile(name);
        if (!QFileInfo::exists(file))
            return;
        QString error;
        unread = !read(file, error);
        if (unread)
            failures.append(name + QStringLiteral(": ") + error);
    };
    if (withKingOfSat) {
        load(kKingOfSatFile, m_lists.kingOfSat.FileUnread, [&](const QString &file, QString &error) {
            if (!m_handler.LoadServices(file, error, false, m_lists.kingOfSat))
                return false;
            // The file keeps no positions; the names keep the pages' ones.
            for (int i = 0; i < m_lists.kingOfSat.Count(); ++i) {
                TSatelite *satelite = m_lists.kingOfSat.GetItem(i);
                satelite->Position = kofReceiverPosition(satelite->Name);
            }
            return true;
        });
    }
    load(kServicesFile, m_lists.services.FileUnread, [&](const QString &file, QString &error) {
        return m_handler.LoadServices(file, error, false, m_lists.services);
    });
    load(kMyServicesFile, m_lists.myServices.FileUnread, [&](const QString &file, QString &error) {
        return m_handler.LoadMyServices(file, error, m_lists.myServices);
    });
    load(kBouquetsFile, m_lists.bouquets.FileUnread, [&](const QString &file, QString &error) {
        return m_handler.LoadBouquets(file, error, m_lists.bouquets);
    });
    LinkLists();
    return failures;
}

void TWorkingFiles::LinkLists()
{
    m_lists.services.LinkMyServices(m_lists.myServices);
    m_lists.bouquets.Link(m_lists.services, m_lists.myServices);
}

bool TWorkingFiles::writeKingOfSat(QString &errorText)
{
    errorText.clear();
    const QString file = WorkingFile(kKingOfSatFile);
    if (m_lists.kingOfSat.Count() == 0) {
        if (m_lists.kingOfSat.FileUnread || !QFileInfo::exists(file) || QFile::remove(file))
            return true;
        errorText = msg(MsgWorkingFileNotRemoved);
        return false;
    }
    const bool written = m_handler.WriteServices(file, m_lists.kingOfSat.Format, m_lists.kingOfSat,
                                                 errorText, m_lists.kingOfSat.Encoding);
    m_lists.kingOfSat.FileUnread = m_lists.kingOfSat.FileUnread && !written;
    return written;
}

bool TWorkingFiles::SaveFiles(QString &errorText)
{
    // The lists saved last are replaced only once their copy is whole.
    QString failure;
    const QString before = SaveState(QDateTime::currentDateTime(), &failure);
    if (!failure.isEmpty()) {
        errorText = msg(MsgLastSavedNotKept) + u'\n' + failure;
        return false;
    }
    return writeLists(before, errorText);
}

bool TWorkingFiles::writeLists(const QString &before, QString &errorText)
{
    const bool empty[] = {m_lists.services.Count() == 0, m_lists.myServices.Count() == 0,
                          m_lists.bouquets.Count() == 0};
    bool *const unread[] = {&m_lists.services.FileUnread, &m_lists.myServices.FileUnread,
                            &m_lists.bouquets.FileUnread};
    QStringList replaced;
    for (qsizetype i = 0; i < historyFiles().size(); ++i) {
        if (!empty[i] || (!*unread[i] && QFileInfo::exists(WorkingFile(historyFiles()[i]))))
            replaced.append(historyFiles()[i]);
    }
    beginReplacing(replaced, before);
    QStringList failures;
    // An empty list has no file; a file that cannot be removed would come
    // back at the next start, so that counts as a failure too. A list empty
    // because its file could not be read is none the user emptied: that file
    // stays as it is.
    const auto save = [&](const QString &name, bool empty, bool &unread, const auto &write) {
        const QString file = WorkingFile(name);
        if (empty) {
            if (!unread && QFileInfo::exists(file) && !QFile::remove(file))
                failures.append(name + QStringLiteral(": ") + msg(MsgWorkingFileNotRemoved));
            return;
        }
        QString error;
        if (write(file, error))
            unread = false;
        else
            failures.append(name + QStringLiteral(": ") + error);
    };
    if (QString error; !writeKingOfSat(error))
        failures.append(kKingOfSatFile + QStringLiteral(": ") + error);
    save(kServicesFile, empty[0], *unread[0], [&](const QString &file, QString &error) {
        return m_handler.WriteServices(file, m_lists.services.Format, m_lists.services, error,
                                       m_lists.services.Encoding);
    });
    // The my-services file follows the receiver's list in its encoding.
    save(kMyServicesFile, empty[1], *unread[1], [&](const QString &file, QString &error) {
        return m_handler.WriteMyServices(file, m_lists.myServices.Format, m_lists.myServices,
                                         error, m_lists.services.Encoding);
    });
    save(kBouquetsFile, empty[2], *unread[2], [&](const QString &file, QString &error) {
        return m_handler.WriteBouquets(file, m_lists.bouquets.Format, m_lists.bouquets, error,
                                       m_lists.bouquets.Encoding);
    });
    errorText = failures.join(u'\n');
    // Some files written and others not may not belong together: the note
    // stays until a save or restore goes through.
    if (!failures.isEmpty())
        return false;
    endReplacing();
    setRestored(QString());
    SaveHandler().SetSaved();
    return true;
}

QString TWorkingFiles::SaveState(const QDateTime &now, QString *failure)
{
    QStringList failures;
    const auto done = [&](const QString &stamp) {
        if (failure)
            *failure = failures.join(u'\n');
        return stamp;
    };
    const bool folder = QDir().mkpath(HistoryFolder());
    const QString folderError = folder ? QString() : qt_error_string(errno);
    QDateTime time = now;
    QString stamp = stampFor(time);
    // Saves and restores within one second must not take each other's place.
    while (stateExists(stamp) || QFileInfo::exists(recordFile(stamp)) || QFileInfo::exists(setFile(stamp))) {
        if (holdsWorkingFiles(stamp))
            return done(stamp);
        time = time.addSecs(1);
        stamp = stampFor(time);
    }
    QStringList set;
    for (const QString &name : historyFiles()) {
        if (QFileInfo(WorkingFile(name)).isFile())
            set.append(name);
    }
    if (set.isEmpty())
        return done(stamp);
    if (!folder) {
        failures.append(kHistoryFolder + QStringLiteral(": ") + folderError);
        return done(stamp);
    }
    // Named before the first copy: a kill leaves the record beside what
    // came, and the state is known for incomplete. Without it, no copy.
    if (QString why; !writeOwnFile(recordFile(stamp), (set.join(u'\n') + u'\n').toUtf8(), &why)) {
        failures.append(kHistoryFolder + QStringLiteral(": ") + why);
        return done(stamp);
    }
    for (const QString &name : set) {
        // A state file is the program's own: whatever stands at its name is
        // replaced, never written through.
        QString why;
        if (!cpyFile(WorkingFile(name), QDir(HistoryFolder()).filePath(historyName(name, stamp)),
                     AtomicFile::Links::Replaced, &why))
            failures.append(name + QStringLiteral(": ") + why);
    }
    // A copy that failed leaves the record as it is: what did come is
    // offered, as incomplete. A whole state's record takes the name an
    // earlier build reads as whole too; when it cannot, the state stays
    // (this build reads the set under either name) but the save is told,
    // as for any History step that failed.
    if (failures.isEmpty()
        && std::rename(QFile::encodeName(recordFile(stamp)).constData(),
                       QFile::encodeName(setFile(stamp)).constData())
               != 0)
        failures.append(kHistoryFolder + QStringLiteral(": ") + qt_error_string(errno));
    return done(stamp);
}

QString TWorkingFiles::recordFile(const QString &stamp) const
{
    return QDir(HistoryFolder()).filePath(u'.' + stamp + kRecordSuffix);
}

QString TWorkingFiles::setFile(const QString &stamp) const
{
    return QDir(HistoryFolder()).filePath(u'.' + stamp + kSetSuffix);
}

bool TWorkingFiles::removeState(const QString &stamp)
{
    const QDir history(HistoryFolder());
    QStringList held;
    for (const QString &name : historyFiles()) {
        if (QFileInfo::exists(history.filePath(historyName(name, stamp))))
            held.append(name);
    }
    // A state an older build saved has no record: one naming what it holds
    // goes first, or a removal cut short would leave the rest passing for
    // whole.
    if (!held.isEmpty() && !QFileInfo::exists(setFile(stamp)) && !QFileInfo::exists(recordFile(stamp))
        && !writeOwnFile(setFile(stamp), (held.join(u'\n') + u'\n').toUtf8()))
        return false;
    for (const QString &name : held) {
        if (!QFile::remove(history.filePath(historyName(name, stamp))))
            return false;
    }
    const bool set = removeOwnFile(setFile(stamp));
    return removeOwnFile(recordFile(stamp)) && set;
}

bool TWorkingFiles::stateExists(const QString &stamp) const
{
    return std::any_of(historyFiles().begin(), historyFiles().end(), [&](const QString &name) {
        return QFileInfo::exists(QDir(HistoryFolder()).filePath(historyName(name, stamp)));
    });
}

bool TWorkingFiles::holdsWorkingFiles(const QString &stamp) const
{
    if (!MissingFiles(stamp).isEmpty())
        return false;
    return std::all_of(historyFiles().begin(), historyFiles().end(), [&](const QString &name) {
        const QString working = WorkingFile(name);
        const QString saved = QDir(HistoryFolder()).filePath(historyName(name, stamp));
        const bool there = QFileInfo::exists(working);
        return there == QFileInfo::exists(saved) && (!there || sameBytes(working, saved));
    });
}

std::optional<QString> TWorkingFiles::keptState(const QDateTime &now, QString *failure)
{
    if (std::none_of(historyFiles().begin(), historyFiles().end(),
                     [&](const QString &name) { return QFileInfo::exists(WorkingFile(name)); }))
        return QString();
    for (const QString &stamp : HistoryStamps()) {
        if (holdsWorkingFiles(stamp))
            return stamp;
    }
    QString why;
    const QString stamp = SaveState(now, &why);
    if (why.isEmpty() && holdsWorkingFiles(stamp))
        return stamp;
    if (failure)
        *failure = why;
    // The stamp was free: what lies there is this attempt's, and not whole.
    removeState(stamp);
    return std::nullopt;
}

bool TWorkingFiles::KeepWorkingFiles(const QDateTime &now)
{
    return keptState(now).has_value();
}

QStringList TWorkingFiles::HistoryStamps() const
{
    QStringList stamps;
    for (const auto &[file, stamp] : historyEntries(HistoryFolder()).states) {
        if (!stamps.contains(stamp))
            stamps.append(stamp);
    }
    std::sort(stamps.begin(), stamps.end(), std::greater<>());
    return stamps;
}

QList<TWorkingFiles::TState> TWorkingFiles::HistoryStates() const
{
    // Only the records are read: a few short lines each.
    const THistoryEntries entries = historyEntries(HistoryFolder());
    QHash<QString, QStringList> present;
    for (const auto &[file, stamp] : entries.states)
        present[stamp].append(QFileInfo(file).fileName());
    QHash<QString, QStringList> recorded;
    for (const auto &[record, stamp] : entries.records)
        recorded[stamp] += recordedSet(record);
    QStringList stamps = present.keys();
    std::sort(stamps.begin(), stamps.end(), std::greater<>());
    QList<TState> states;
    for (const QString &stamp : stamps) {
        QStringList missing;
        for (const QString &name : historyFiles()) {
            if (recorded.value(stamp).contains(name) && !present.value(stamp).contains(historyName(name, stamp)))
                missing.append(name);
        }
        states.append({stamp, missing});
    }
    return states;
}

QStringList TWorkingFiles::MissingFiles(const QString &stamp) const
{
    QStringList recorded;
    for (const QString &record : {setFile(stamp), recordFile(stamp)}) {
        if (QFileInfo::exists(record))
            recorded += recordedSet(record);
    }
    QStringList missing;
    for (const QString &name : historyFiles()) {
        if (recorded.contains(name) && !QFileInfo::exists(QDir(HistoryFolder()).filePath(historyName(name, stamp))))
            missing.append(name);
    }
    return missing;
}

QString TWorkingFiles::HistoryReadError() const
{
    // Opened as the listing opens it, which tells an empty folder from
    // one that cannot be read only here.
    DIR *folder = ::opendir(QFile::encodeName(HistoryFolder()).constData());
    if (!folder)
        return errno == ENOENT ? QString() : qt_error_string(errno);
    ::closedir(folder);
    return QString();
}

bool TWorkingFiles::anyWorkingFile() const
{
    return std::any_of(historyFiles().begin(), historyFiles().end(),
                       [&](const QString &name) { return QFileInfo::exists(WorkingFile(name)); });
}

std::optional<TWorkingFiles::TKept> TWorkingFiles::keepCurrentLists(QStringList &failures, MsgId notKept,
                                                                    MsgId unsavedNotKept)
{
    const QDateTime now = QDateTime::currentDateTime();
    QString why;
    const std::optional<QString> lastSaved = keptState(now, &why);
    if (!lastSaved) {
        failures = QStringList{msg(notKept)} + why.split(u'\n', Qt::SkipEmptyParts);
        return std::nullopt;
    }
    if (SaveHandler().Saved())
        return TKept{*lastSaved, *lastSaved};
    // Unsaved changes are written as a save writes them, and those files
    // are kept in turn: no list of any kind is dropped by what replaces them.
    QString error;
    if (!writeLists(*lastSaved, error)) {
        failures = QStringList{msg(unsavedNotKept)} + error.split(u'\n');
        return std::nullopt;
    }
    const std::optional<QString> current = keptState(now, &why);
    if (!current) {
        failures = QStringList{msg(notKept)} + why.split(u'\n', Qt::SkipEmptyParts);
        return std::nullopt;
    }
    return TKept{*lastSaved, *current};
}

TRestoredState TWorkingFiles::RestoreState(const QString &stamp)
{
    if (const QString why = HistoryReadError(); !why.isEmpty())
        return {QString(), {FormatMsg1(msg(MsgHistoryNotRead), why)}, {}};
    // A working file the state lacks is deleted: for a stamp of no state
    // that would be every one of them.
    if (!HasState(stamp))
        return {};
    QStringList failures;
    const std::optional<TKept> kept = keepCurrentLists(failures);
    if (!kept)
        return {QString(), failures, {}};
    return restore(stamp, *kept);
}

TRestoredState TWorkingFiles::GoBack()
{
    if (const QString why = HistoryReadError(); !why.isEmpty())
        return {QString(), {FormatMsg1(msg(MsgHistoryNotRead), why)}, {}};
    if (!CanGoBack())
        return {};
    const QString back = GoBackStamp();
    QStringList failures;
    const std::optional<TKept> kept = keepCurrentLists(failures);
    if (!kept)
        return {QString(), failures, {}};
    const QString stamp = back.isEmpty() ? kept->lastSaved : back;
    if (!HasState(stamp))
        return {};
    return restore(stamp, *kept);
}

TRestoredState TWorkingFiles::restore(const QString &stamp, const TKept &kept)
{
    // A file the state's save did not get to copy says nothing about that
    // list: its working file stays.
    const QStringList missing = MissingFiles(stamp);
    QStringList replaced;
    for (const QString &name : historyFiles()) {
        if (!missing.contains(name)
            && (QFileInfo::exists(WorkingFile(name))
                || QFileInfo::exists(QDir(HistoryFolder()).filePath(historyName(name, stamp)))))
            replaced.append(name);
    }
    beginReplacing(replaced, kept.current);
    QStringList back;
    QStringList notBack;
    for (const QString &name : replaced) {
        const QString saved = QDir(HistoryFolder()).filePath(historyName(name, stamp));
        const QString working = WorkingFile(name);
        QString why;
        bool put = true;
        if (QFileInfo::exists(saved)) {
            put = cpyFile(saved, working, AtomicFile::Links::Followed, &why);
        } else if (QFileInfo::exists(working) && !QFile::remove(working)) {
            put = false;
            why = msg(MsgWorkingFileNotRemoved);
        }
        if (put)
            back.append(name);
        else
            notBack.append(name + QStringLiteral(": ") + why);
    }
    m_lists.services.Clear();
    m_lists.myServices.Clear();
    m_lists.bouquets.Clear();
    // No state holds the KingOfSat list: it stays, and so do its objects.
    const QStringList failures = loadLists(false);
    if (!notBack.isEmpty()) {
        // The lists are a mix of two states: they are not what any save
        // holds, the state stays in the history, and the note stays for
        // the next start.
        QStringList asBefore;
        for (const QString &name : historyFiles()) {
            if (!back.contains(name) && (missing.contains(name) || replaced.contains(name)))
                asBefore.append(name);
        }
        SaveHandler().SetModified();
        return {stamp, failures, notWholeText(stamp, kept.current, notBack, back, asBefore)};
    }
    endReplacing();
    // Only a state that reached its place in full leaves the history.
    removeState(stamp);
    setRestored(stamp);
    SaveHandler().SetSaved();
    return {stamp, failures, {}};
}

QString TWorkingFiles::notWholeText(const QString &stamp, const QString &before, const QStringList &notBack,
                                    const QStringList &back, const QStringList &asBefore) const
{
    QStringList lines = {FormatMsg1(msg(MsgStateNotRestored), stamp)};
    lines += notBack;
    lines.append(QString());
    if (!back.isEmpty())
        lines.append(FormatMsg2(msg(MsgListsFromState), stamp, back.join(QStringLiteral(", "))));
    lines.append(FormatMsg1(msg(MsgListsAsBefore), asBefore.join(QStringLiteral(", "))));
    if (!before.isEmpty())
        lines.append(FormatMsg1(msg(MsgListsBeforeKept), before));
    return lines.join(QStringLiteral("\r\n"));
}

QString TWorkingFiles::GoBackStamp() const
{
    // With unsaved changes Go Back returns to the lists saved last.
    if (!SaveHandler().Saved() && anyWorkingFile())
        return QString();
    for (const QString &stamp : HistoryStamps()) {
        if (m_restored.isEmpty() || stamp < m_restored)
            return stamp;
    }
    return QString();
}

bool TWorkingFiles::CanGoBack() const
{
    return (!SaveHandler().Saved() && anyWorkingFile()) || !GoBackStamp().isEmpty();
}

void TWorkingFiles::setRestored(const QString &stamp)
{
    if (stamp == m_restored)
        return;
    m_restored = stamp;
    const QString record = QDir(HistoryFolder()).filePath(kRestoredRecord);
    // Without the record Go Back after a restart goes from the newest state.
    if (stamp.isEmpty())
        removeOwnFile(record);
    else
        writeOwnFile(record, (stamp + u'\n').toUtf8());
}

void TWorkingFiles::ClearHistory()
{
    setRestored(QString());
    const THistoryEntries entries = historyEntries(HistoryFolder());
    for (const auto &entry : entries.states + entries.records)
        QFile::remove(entry.first);
}

bool TWorkingFiles::Reset(QStringList &failures)
{
    failures.clear();
    // The lists saved last have no copy but their files: a reset is undone
    // by going back to the state that keeps them.
    const std::optional<TKept> kept = keepCurrentLists(failures, MsgListsNotKeptReset, MsgUnsavedNotKeptReset);
    if (!kept)
        return false;
    QStringList present;
    for (const QString &name : historyFiles()) {
        if (QFileInfo::exists(WorkingFile(name)))
            present.append(name);
    }
    beginReplacing(present, kept->current);
    for (const QString &name : present) {
        if (!QFile::remove(WorkingFile(name)))
            failures.append(name + QStringLiteral(": ") + msg(MsgWorkingFileNotRemoved));
    }
    // No list is left to come from two saves.
    if (failures.isEmpty())
        endReplacing();
    m_lists.bouquets.Clear();
    m_lists.myServices.Clear();
    m_lists.services.Clear();
    // A file that would not go is what its list now is.
    failures += loadLists(false);
    if (!failures.isEmpty())
        failures.prepend(msg(MsgResetLeftLists));
    setRestored(QString());
    SaveHandler().SetSaved();
    return true;
}

void TWorkingFiles::RemoveSaveLeftovers() const
{
    // Every folder the program writes into by itself.
    for (const QString &folder : {m_folder, HistoryFolder(), QDir(m_folder).filePath(QLatin1String(kLogoFolderName))})
        removeSaveLeftovers(folder);
    // A record stays only beside a state: it tells the state's set.
    for (const auto &[record, stamp] : historyEntries(HistoryFolder()).records) {
        if (!stateExists(stamp))
            removeOwnFile(record);
    }
    // An import killed before its news took their place leaves the folder
    // they were written into. One that holds anything but news is not ours.
    const QStringList newsFiles = {kNewServicesFile, kDeletedServicesFile, kChangedServicesFile};
    const QFileInfoList stages = QDir(m_folder).entryInfoList(
        {QStringLiteral(".pelloran-news-??????")}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QFileInfo &stage : stages) {
        QDir news(stage.filePath());
        const QStringList held =
            news.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        if (std::all_of(held.begin(), held.end(), [&](const QString &name) {
                return newsFiles.contains(name) && ownFileEntry(news.filePath(name)) == OwnFileEntry::File;
            }))
            news.removeRecursively();
    }
}

void TWorkingFiles::beginReplacing(const QStringList &files, const QString &wholeStamp)
{
    if (files.isEmpty())
        return;
    // Files a cut short replacement left mixed stay so until one goes through,
    // and the state from before that one is still the last whole set.
    const std::optional<TInterruptedSave> earlier = InterruptedSave();
    QString stamp = wholeStamp;
    QStringList named = files;
    if (earlier) {
        stamp = earlier->stamp;
        named += earlier->files;
    }
    QStringList lines = {stamp};
    for (const QString &name : historyFiles()) {
        if (named.contains(name))
            lines.append(name);
    }
    // A note that cannot be written does not stop the save.
    writeOwnFile(WorkingFile(kReplacingNote), lines.join(u'\n').toUtf8() + '\n');
}

void TWorkingFiles::endReplacing()
{
    // A folder in the note's way stays: the next start tells of it.
    removeOwnFile(WorkingFile(kReplacingNote));
}

std::optional<TWorkingFiles::TInterruptedSave> TWorkingFiles::InterruptedSave() const
{
    const SmallFile note = readOwnFile(WorkingFile(kReplacingNote), kNoteLimit);
    if (note.status == SmallFileStatus::Missing)
        return std::nullopt;
    TInterruptedSave save;
    // Only a note of our own making is read; anything else there still
    // says that a replacement began.
    if (note.status == SmallFileStatus::Read) {
        const QStringList lines = QString::fromUtf8(note.bytes).split(u'\n');
        if (HasState(lines.first()) && MissingFiles(lines.first()).isEmpty())
            save.stamp = lines.first();
        for (const QString &name : historyFiles()) {
            if (lines.mid(1).contains(name))
                save.files.append(name);
        }
    }
    if (save.files.isEmpty())
        save.files = historyFiles();
    return save;
}

QString TWorkingFiles::ForgetInterruptedSave()
{
    QString movedTo;
    clearOwnFileName(WorkingFile(kReplacingNote), movedTo);
    return movedTo;
}
