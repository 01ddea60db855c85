#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class TDriverWorld;
struct TFileFault;

// One item of the save-state menu (Save, Go Back, a History item) run while
// one of the program's own file steps fails, drawn from the step's source:
// a full disk or a failing device in History or at a working file, a History
// that cannot be read. Made before the item is triggered; finish() then
// tells what differs from what must hold (`HISTORY`, ends the run):
// - no saved list is lost: every working file and every file of History
//   from before the step is still in one or the other, byte for byte;
// - a step that failed at a working file never ends with a restore's
//   success message nor with the lists counted as saved.
class TSaveMenuFault
{
public:
    TSaveMenuFault(TDriverWorld &world, bool save);
    ~TSaveMenuFault();
    TSaveMenuFault(const TSaveMenuFault &) = delete;
    TSaveMenuFault &operator=(const TSaveMenuFault &) = delete;

    QString text() const { return m_text; }
    // How many file steps failed (known once finished).
    int failedSteps() const { return m_failed; }
    // Ends the fault; the findings, and in `saved` whether the lists are
    // as saved now (the files must then load into them).
    QStringList finish(bool &saved);

private:
    // Every working and History file's bytes, by path inside the folder.
    QHash<QString, QByteArray> listFiles() const;

    TDriverWorld &m_world;
    QString m_text;
    bool m_atWorkingFile = false;
    int m_failed = 0;
    QHash<QString, QByteArray> m_before;
    std::unique_ptr<TFileFault> m_fault;
};
