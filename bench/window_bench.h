#pragma once

// The application the window benchmarks run in.

#include <QApplication>
#include <QtGlobal>

#include <memory>

// On the offscreen platform unless the run names another, so no display is
// needed; only the program's name goes to Qt, the rest of the command line
// is the benchmark library's.
inline std::unique_ptr<QApplication> makeBenchApplication(char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int qtArgc = 1;
    return std::make_unique<QApplication>(qtArgc, argv);
}
