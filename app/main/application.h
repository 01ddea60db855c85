#pragma once

#include <QApplication>

class TPrompts;

// The application object. An exception that escapes an event handler ends in
// a message box here, instead of unwinding through Qt's event loop.
class TApplication : public QApplication
{
public:
    TApplication(int &argc, char **argv);
    void SetPrompts(TPrompts *prompts) { m_prompts = prompts; }
    bool notify(QObject *receiver, QEvent *event) override;

private:
    TPrompts *m_prompts = nullptr;
};

// The folder of the settings file and the working files: the executable's
// folder when the program may write there, otherwise the user's data folder.
QString programFolder();

// The program's title, the caption of its message boxes.
QString applicationTitle();
