#pragma once

#include <QObject>

// What a change did to the model, as far as its look-up tables care: adding
// only puts new entries in, and the container added to keeps its own table
// in step; a change of fields no table is keyed by (a service's action)
// leaves every table true; any other change may rename or remove entries
// anywhere.
enum class ModelChange { Any, Adding, KeptKeys };

// The program-wide unsaved-changes flag. Every model operation that changes
// data calls SetModified first; loading and saving the working files call
// SetSaved. The main window follows savedChanged to enable its Save command.
class TSaveHandler : public QObject
{
    Q_OBJECT
public:
    explicit TSaveHandler(QObject *parent = nullptr);

    bool Saved() const { return m_saved; }
    void SetSaved();
    void SetModified(ModelChange change = ModelChange::Any);

Q_SIGNALS:
    // Emitted only when the flag flips, so bulk edits stay cheap.
    void savedChanged(bool saved);

private:
    void setState(bool saved);

    bool m_saved = true;
};

// The one instance the model reports to.
TSaveHandler &SaveHandler();

// A count of the model's changes: every SetModified moves it on, and so do
// the few edits that do not make the model unsaved but change what a search
// finds (ResetMatched). The model's caches (the search position, the look-up
// tables of long transponders) record it and trust themselves only while it
// has not moved, so they never outlive an edit they did not see.
quint64 ModelGeneration();
void NoteModelChange(ModelChange change = ModelChange::Any);

// A count of the changes that may have renamed or removed entries: all but
// adding and the changes that keep the keys. The tables of the adding with
// merge (see merge_table.h) trust themselves only while it has not moved.
quint64 ModelKeysGeneration();
