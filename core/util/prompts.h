#pragma once

#include <QString>

// Every modal question the program asks goes through this one interface: the
// main window answers with real dialogs, tests with scripted answers.
class TPrompts
{
public:
    virtual ~TPrompts() = default;

    enum class TMsgKind { Error, Warning, Information, Confirmation };
    // Buttons of a message box; messageBox answers with the one pressed.
    enum TMsgButton : int {
        mbOK = 0x1,
        mbCancel = 0x2,
        mbYes = 0x4,
        mbNo = 0x8,
        mbAbort = 0x10,
        // Not a button: Cancel (or No, without Cancel) is the default, for
        // questions whose Yes destroys much (a key pressed by habit must
        // not confirm it).
        mbCancelDefault = 0x100,
    };

    virtual int messageBox(TMsgKind kind, const QString &text, int buttons) = 0;

    // An existing file to open; empty when the user cancelled. `filter` is in
    // Qt's form ("XML (*.xml)").
    virtual QString openFileName(const QString &title, const QString &filter,
                                 const QString &folder, const QString &fileName) = 0;
    // Where to save; the dialog asks before replacing. Empty when cancelled.
    virtual QString saveFileName(const QString &title, const QString &filter,
                                 const QString &folder, const QString &fileName) = 0;
    // A folder, starting at `folder`; the dialog lets the user make a new
    // one. Empty when cancelled (and from answerers that never choose).
    virtual QString folderName(const QString &title, const QString &folder)
    {
        Q_UNUSED(title);
        Q_UNUSED(folder);
        return QString();
    }
    // An input box with a caption, a prompt and an edit holding `text`: true
    // with the edited text on OK, false on Cancel (text unchanged). Answerers
    // that never type anything cancel.
    virtual bool inputQuery(const QString &caption, const QString &prompt, QString &text)
    {
        Q_UNUSED(caption);
        Q_UNUSED(prompt);
        Q_UNUSED(text);
        return false;
    }
};

// Where long operations report what they are doing: the main window's status
// line, which lets pending events run but takes no user input meanwhile.
class TStatusSink
{
public:
    virtual ~TStatusSink() = default;
    virtual void ShowStatus(const QString &text) = 0;
};
