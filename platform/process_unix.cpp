#include "platform/process.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <utility>

namespace {

constexpr int kWaitSliceMs = 100; // how long one wait lasts before events run again

// xdg-open tells by its exit code whether anything took the document: 0
// when a handler did, 3 or 4 when there is none or it failed to start.
// Most desktops' openers hand the document over and end at once; the
// generic one runs a browser itself and ends only with it. An opener still
// running after this long has found its handler, and how it ends later says
// nothing about the opening.
constexpr int kOpenerVerdictMs = 3000;

bool isUrl(const QString &text)
{
    // "http://", "mailto:" and the like; a drive-less path never matches.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

// Starts the desktop's opener on `target` and leaves it to run; see
// shellOpen for how a failure is heard.
void openWith(const QString &opener, const QString &target, const QString &folder,
              QObject *context, std::function<void(int)> failedLater)
{
    // Freeing it while it runs would end the browser it may run itself: it
    // goes once it has ended, or could not start.
    auto *process = new QProcess;
    process->setWorkingDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    if (context && failedLater) {
        // Heard once the opener's signal has been handled, so the caller
        // may show a box of its own without holding the opener's
        // bookkeeping inside its loop.
        const auto fail = [context, failedLater] {
            QTimer::singleShot(0, context, [failedLater] { failedLater(ShellOpenNoAssociation); });
        };
        QElapsedTimer running;
        running.start();
        QObject::connect(process, &QProcess::finished, context,
                         [running, fail](int exitCode, QProcess::ExitStatus status) {
                             if (running.elapsed() < kOpenerVerdictMs
                                 && (status != QProcess::NormalExit || exitCode != 0))
                                 fail();
                         });
        QObject::connect(process, &QProcess::errorOccurred, context, [fail](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                fail();
        });
    }
    process->start(opener, {target}, QIODevice::ReadOnly);
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
    while (!process.waitForFinished(kWaitSliceMs)) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return true;
}

int shellOpen(const QString &file, const QStringList &parameters, const QString &folder,
              QObject *context, std::function<void(int result)> failedLater)
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
    openWith(opener, target, folder, context, std::move(failedLater));
    return ShellOpenSucceeded;
}
