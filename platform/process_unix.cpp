#include "platform/process.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

constexpr int kWaitSliceMs = 100; // how long one wait lasts before events run again

bool isUrl(const QString &text)
{
    // "http://", "mailto:" and the like; a drive-less path never matches.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
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
    int ignored = 0;
    return startProcess(opener, {target}, folder, false, false, ignored) ? ShellOpenSucceeded
                                                                          : ShellOpenNoAssociation;
}
