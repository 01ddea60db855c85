#include "platform/process.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <memory>

namespace {

constexpr int kWaitSliceMs = 100; // how long one wait lasts before events run again

// xdg-open tells by its exit code whether anything took the document: 0
// when a handler did, 3 or 4 when there is none or it failed to start.
// Most desktops' openers hand the document over and end at once; the
// generic one runs a browser itself and ends only with it. An opener still
// running after this long has found its handler and is left to run.
constexpr int kOpenerVerdictMs = 3000;

bool isUrl(const QString &text)
{
    // "http://", "mailto:" and the like; a drive-less path never matches.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

// Waits for `process` to end, at most `limitMs` (no limit when negative),
// letting queued events run but not user input. True when it ended.
bool waitLettingEventsRun(QProcess &process, int limitMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!process.waitForFinished(kWaitSliceMs)) {
        if (process.state() == QProcess::NotRunning)
            return true;
        if (limitMs >= 0 && waited.elapsed() >= limitMs)
            return false;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

// Opens `target` with the desktop's opener; false when the opener cannot
// start or says that nothing opened it.
bool openWith(const QString &opener, const QString &target, const QString &folder)
{
    auto process = std::make_unique<QProcess>();
    process->setWorkingDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(opener, {target}, QIODevice::ReadOnly);
    if (!process->waitForStarted())
        return false;
    if (!waitLettingEventsRun(*process, kOpenerVerdictMs)) {
        // Freeing it would end the browser it runs: it goes when it ends.
        QProcess *running = process.release();
        QObject::connect(running, &QProcess::finished, running, &QObject::deleteLater);
        return true;
    }
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

} // namespace

bool startProcess(const QString &program, const QStringList &arguments, const QString &folder,
                  bool show, bool wait, int &exitCode)
{
    exitCode = 0;
    const QString workingFolder = folder.isEmpty() ? QDir::currentPath() : folder;
    if (!wait) {
        QProcess detached;
        detached.setProgram(program);
        detached.setArguments(arguments);
        detached.setWorkingDirectory(workingFolder);
        if (!show) {
            detached.setStandardOutputFile(QProcess::nullDevice());
            detached.setStandardErrorFile(QProcess::nullDevice());
        }
        return detached.startDetached();
    }

    QProcess process;
    process.setWorkingDirectory(workingFolder);
    process.setProcessChannelMode(show ? QProcess::ForwardedChannels : QProcess::SeparateChannels);
    if (!show) {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
    }
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted())
        return false;
    waitLettingEventsRun(process, -1);
    exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

int shellOpen(const QString &file, const QStringList &parameters, const QString &folder)
{
    QString target = file;
    if (!isUrl(file)) {
        QFileInfo info(folder.isEmpty() ? QDir::current() : QDir(folder), file);
        if (!info.exists())
            return info.dir().exists() ? ShellOpenFileNotFound : ShellOpenPathNotFound;
        target = info.absoluteFilePath();
        if (!parameters.isEmpty() && info.isFile() && info.isExecutable()) {
            int ignored = 0;
            return startProcess(target, parameters, folder, true, false, ignored)
                ? ShellOpenSucceeded
                : ShellOpenAccessDenied;
        }
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return ShellOpenNoAssociation;
    return openWith(opener, target, folder) ? ShellOpenSucceeded : ShellOpenNoAssociation;
}
