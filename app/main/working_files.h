#pragma once

#include "core/util/messages.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class TBouquetList;
class TFrmXMLHandler;
class TServiceList;

// The four model lists the program keeps between runs.
struct TModelLists {
    TServiceList &kingOfSat;
    TServiceList &services;
    TServiceList &myServices;
    TBouquetList &bouquets;
};

// What a restore did: the state brought back (empty when nothing was
// replaced) and the failures: why nothing was, or which lists could not be
// read back. A state that could be put back only in part leaves the lists
// unsaved and says so in notWhole: which lists could not be put back and
// why, and where each list now comes from (empty when it came back whole).
struct TRestoredState {
    QString stamp;
    QStringList failures;
    QString notWhole;
};

// The working files in the program folder ("KingOfSat.xml", "Services.xml",
// "MyServices.xml", "Bouquets.xml") and the "History" folder beside them:
// before each save the last three are copied there under a date-and-time
// stamp, so any saved state can be brought back. The menus, grids and
// message boxes around this belong to the main window.
class TWorkingFiles
{
public:
    TWorkingFiles(QString programFolder, TFrmXMLHandler &handler, TModelLists lists);

    // Loads every working file that exists (services without news), then
    // links. Returns one text per file that could not be read ("<file>: <why>"),
    // so the window can say that a list did not come back.
    QStringList LoadFiles();
    void LinkLists();
    // SaveState, then writes each list in its own dialect, or deletes its file
    // when the list is empty. No working file is replaced unless the state
    // holding them all came whole. Only when every file is written does the
    // model count as saved; otherwise false with the failures in errorText.
    bool SaveFiles(QString &errorText);
    // Copies the working files into the history as a state stamped `now`,
    // or the next second no state holds: a state that holds other files is
    // never overwritten. The set of files is recorded before the first is
    // copied and the record stays with the state, so a state lacking any of
    // them, whatever took it, is known for incomplete. Returns the stamp;
    // when the state did not come whole, why not in `failure`.
    QString SaveState(const QDateTime &now = QDateTime::currentDateTime(), QString *failure = nullptr);
    // Makes sure the working files are a saved state, so that replacing
    // them loses nothing: false (nothing written but the copies) when they
    // could not be kept. Not twice: a state holding the same files will do.
    bool KeepWorkingFiles(const QDateTime &now = QDateTime::currentDateTime());
    // The stamps of the saved states, newest first. A saved state is a file a
    // save writes: a working file's name with a stamp of stampFor's form.
    // Anything else in the history folder is none, and is left alone.
    QStringList HistoryStamps() const;
    bool HasState(const QString &stamp) const { return HistoryStamps().contains(stamp); }
    // A saved state, and the working files it was saved with but lacks
    // (empty for a whole state). A file a whole state lacks is a list there
    // was none of when it was saved; a state saved without a record of its
    // set (by an older build) counts as whole.
    struct TState {
        QString stamp;
        QStringList missing;
    };
    // The saved states, newest first, from one look at the folder.
    QList<TState> HistoryStates() const;
    QStringList MissingFiles(const QString &stamp) const;

    // Keeps what the lists are now first: the working files (the lists
    // saved last) as a state, and unsaved changes written as a save writes
    // them and kept as a state of their own; nothing is replaced when any of
    // that fails. Then moves the state's files back over the working files
    // (a file the state lacks is deleted, one it was saved with but lacks
    // stays), reloads the three lists a state holds and counts the model as
    // saved. When a file cannot be put back, the others stay put back, the
    // state stays in the history and the model counts as unsaved (notWhole).
    // The KingOfSat list stays as it is. A stamp of no saved state changes
    // nothing; a history that cannot be read changes nothing and says so.
    TRestoredState RestoreState(const QString &stamp);
    // Go Back: with unsaved changes back to the lists saved last, otherwise
    // to GoBackStamp; kept first as RestoreState keeps them.
    TRestoredState GoBack();
    // The saved state Go Back restores when the lists are as saved: the
    // newest one older than the state restored last (kept across runs until
    // the lists are saved), or the newest of all when the lists were saved
    // since. Empty when there is none, and with unsaved changes when there
    // are lists saved last to go back to: their state is made on the way.
    QString GoBackStamp() const;
    bool CanGoBack() const;
    // Why the history folder cannot be read (empty when it can, or is not
    // there): a restore then does nothing, and says this.
    QString HistoryReadError() const;
    // Deletes every saved state, hidden ones too: what HistoryStamps lists,
    // and the records beside them.
    void ClearHistory();
    // Keeps what the lists are now as RestoreState keeps them, then deletes
    // the working files and empties the lists, except KingOfSat's. False,
    // with why in failures, when they could not be kept: then nothing is
    // deleted. A working file that will not go stays, its list read back
    // from it, and failures name it.
    bool Reset(QStringList &failures);
    // Deletes the copies that writes cut short by a kill left in the folders
    // the program writes into (its own folder, the history, the logos).
    // Files of any other name stay. Run at start, before anything is read.
    void RemoveSaveLeftovers() const;

    // A save or restore of the working files that did not reach its end
    // leaves a note: the files it was replacing, which may now come from two
    // saves, and the state that holds the last set that was whole (empty
    // when no state holds it any more).
    struct TInterruptedSave {
        QStringList files;
        QString stamp;
    };
    std::optional<TInterruptedSave> InterruptedSave() const;
    // Drops that note once the user was told, the files left as they are.
    // A folder at its name is moved out of the way whole, so it is told
    // once: the name it now has is returned (empty when nothing was moved).
    QString ForgetInterruptedSave();

    QString HistoryFolder() const;
    QString WorkingFile(const QString &name) const;

    // "2007-03-14_21.05.09": sorts in time order as plain text.
    static QString stampFor(const QDateTime &time);
    // The text between the first and the last "." of a history file's name.
    static QString stampOf(const QString &fileName);
    // Whether the text is exactly what stampFor writes for some time.
    static bool isStamp(const QString &text);

private:
    QStringList loadLists(bool withKingOfSat);
    // Writes the four lists to their working files, the state `before`
    // holding the files they replace.
    bool writeLists(const QString &before, QString &errorText);
    // Writes the KingOfSat list to its working file (an empty list has none).
    bool writeKingOfSat(QString &errorText);
    // The states that hold the lists saved last and the lists as they are
    // now (the same without unsaved changes), after keeping them; nullopt
    // with the failures when they could not be kept.
    struct TKept {
        QString lastSaved;
        QString current;
    };
    // The failures begin with the text given for what did not go through.
    std::optional<TKept> keepCurrentLists(QStringList &failures, MsgId notKept = MsgListsNotKept,
                                          MsgId unsavedNotKept = MsgUnsavedNotKept);
    TRestoredState restore(const QString &stamp, const TKept &kept);
    bool anyWorkingFile() const;
    QString recordFile(const QString &stamp) const;
    QString setFile(const QString &stamp) const;
    // Takes a state out of the history, its record last, so that a removal
    // cut short leaves a state known for incomplete; false when anything of
    // it stays.
    bool removeState(const QString &stamp);
    QString notWholeText(const QString &stamp, const QString &before, const QStringList &notBack,
                         const QStringList &back, const QStringList &asBefore) const;
    void setRestored(const QString &stamp);
    // The stamp of a state that holds the working files, made when none
    // does; empty when there are none, nullopt (why in failure) when they
    // cannot be kept.
    std::optional<QString> keptState(const QDateTime &now, QString *failure = nullptr);
    bool stateExists(const QString &stamp) const;
    bool holdsWorkingFiles(const QString &stamp) const;
    // The note before the first working file is replaced, with the files
    // about to be, and the stamp of the state a kill should point to.
    void beginReplacing(const QStringList &files, const QString &wholeStamp);
    void endReplacing();

    QString m_folder;
    TFrmXMLHandler &m_handler;
    TModelLists m_lists;
    // The stamp of the state restored last, until the lists are saved; kept
    // in the history folder, so Go Back goes the same way after a restart.
    QString m_restored;
};
