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

// The program's main sequence, from the splash window to the end of the
// event loop; returns the loop's exit code.
int runPelloran(TApplication &app, const TRunOptions &options = {});
