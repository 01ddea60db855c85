#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

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
    // when the list is empty. Only when every file is written does the model
    // count as saved; otherwise false with the failures in errorText.
    bool SaveFiles(QString &errorText);
    void SaveState(const QDateTime &now = QDateTime::currentDateTime());
    // The stamps of the saved states, newest first. A saved state is a file a
    // save writes: a working file's name with a stamp of stampFor's form.
    // Anything else in the history folder is none, and is left alone.
    QStringList HistoryStamps() const;
    bool HasState(const QString &stamp) const { return HistoryStamps().contains(stamp); }
    // Moves the state's files back over the working files (a file the state
    // lacks is deleted), reloads the lists and counts the model as saved.
    // Returns LoadFiles' failures. A stamp of no saved state changes nothing.
    QStringList RestoreState(const QString &stamp);
    // Deletes every saved state, hidden ones too: what HistoryStamps lists.
    void ClearHistory();
    // Deletes the working files and empties the lists, except KingOfSat's.
    void Reset();
    // Deletes the copies that writes cut short by a kill left in the folders
    // the program writes into (its own folder, the history, the logos).
    // Files of any other name stay. Run at start, before anything is read.
    void RemoveSaveLeftovers() const;

    QString HistoryFolder() const;
    QString WorkingFile(const QString &name) const;

    // "2007-03-14_21.05.09": sorts in time order as plain text.
    static QString stampFor(const QDateTime &time);
    // The text between the first and the last "." of a history file's name.
    static QString stampOf(const QString &fileName);
    // Whether the text is exactly what stampFor writes for some time.
    static bool isStamp(const QString &text);

private:
    QString m_folder;
    TFrmXMLHandler &m_handler;
    TModelLists m_lists;
};
