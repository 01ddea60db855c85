#pragma once

#include <QString>

// Every modal question the program asks goes through this one interface: the
// main window answers with real dialogs, tests with scripted answers.
class TPrompts
{
public:
    virtual ~TPrompts() = default;

    // An existing file to open; empty when the user cancelled. `filter` is in
    // Qt's form ("XML (*.xml)").
    virtual QString openFileName(const QString &title, const QString &filter,
                                 const QString &folder, const QString &fileName) = 0;
    // Where to save; the dialog asks before replacing. Empty when cancelled.
    virtual QString saveFileName(const QString &title, const QString &filter,
                                 const QString &folder, const QString &fileName) = 0;
};

// Where long operations report what they are doing: the main window's status
// line, which lets pending events run but takes no user input meanwhile.
class TStatusSink
{
public:
    virtual ~TStatusSink() = default;
    virtual void ShowStatus(const QString &text) = 0;
};
