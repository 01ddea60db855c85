#pragma once

#include <QString>

#include <functional>

class TApplication;
class TPrompts;
struct TProgram;

// What a run may be given instead of the defaults: the executable passes
// nothing; a test that drives whole runs of the program passes its own
// folder, answers and steps.
struct TRunOptions {
    // Empty: programFolder().
    QString ProgramFolder;
    // Null: real dialog boxes. Not owned.
    TPrompts *Prompts = nullptr;
    // Runs once, from the event loop, after the main window is shown.
    std::function<void(TProgram &)> Started;
};

// The lock file in the program folder that a running program holds.
inline constexpr const char *kFolderLockName = ".pelloran.lock";
// What a start returns when another program holds the folder.
inline constexpr int kAlreadyRunningExitCode = 1;
// What a start returns when something other than a plain file stands where
// the lock belongs.
inline constexpr int kLockInTheWayExitCode = 2;

// The program's main sequence, from the splash window to the end of the
// event loop; returns the loop's exit code. A start on a folder that another
// running program holds says so and ends at once, and so does one that finds
// a link, a folder or a special file in the place of the lock.
int runPelloran(TApplication &app, const TRunOptions &options = {});
