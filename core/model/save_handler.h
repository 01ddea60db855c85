#pragma once

#include <QObject>

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
    void SetModified();

Q_SIGNALS:
    // Emitted only when the flag flips, so bulk edits stay cheap.
    void savedChanged(bool saved);

private:
    void setState(bool saved);

    bool m_saved = true;
};

// The one instance the model reports to.
TSaveHandler &SaveHandler();
