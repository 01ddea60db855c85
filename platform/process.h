#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// Child processes and the desktop's "open", always with argument lists:
// nothing here ever goes through a shell, so names with blanks, quotes or
// ";" reach the program exactly as given.

// Starts `program` with `arguments` in `folder` (the current folder when
// empty). Without `wait` the child is left running on its own and
// `exitCode` is 0. With `wait` the call returns when the child ends, with its
// exit code; meanwhile queued events (timers, repaints, signals) keep running
// but user input is held back, so no command can start a second time while
// the first waits. `show` lets the child's output through to ours; otherwise
// it is discarded. False when the program cannot be started.
bool startProcess(const QString &program, const QStringList &arguments, const QString &folder,
                  bool show, bool wait, int &exitCode);

// Result codes of shellOpen, in the numbering callers report texts for.
enum ShellOpenResult : int {
    ShellOpenFileNotFound = 2,
    ShellOpenPathNotFound = 3,
    ShellOpenAccessDenied = 5,
    ShellOpenNoAssociation = 31,
    ShellOpenSucceeded = 42 // anything above 32 is success
};

// Opens a document, folder or URL with the desktop's handler (xdg-open),
// without waiting for it. With parameters, an executable file is started with
// them instead (a document takes no parameters). Returns the ShellOpenResult
// known at once: a missing file or opener, or success once the opener is on
// its way. When the opener then cannot start, or soon ends saying that
// nothing took the document, `failedLater` hears ShellOpenNoAssociation from
// the event loop, unless `context` has gone by then.
int shellOpen(const QString &file, const QStringList &parameters, const QString &folder,
              QObject *context = nullptr, std::function<void(int result)> failedLater = {});
