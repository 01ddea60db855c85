#include "e2e_support.h"

#include "form_test_support.h"

#include "app/main/application.h"
#include "app/main/main_window.h"
#include "app/main/run.h"
#include "core/util/exception.h"
#include "ui/program/program.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QProcess>

#include <csignal>
#include <cstdio>
#include <execinfo.h>
#include <cstdlib>
#include <unistd.h>
#include <map>
#include <string>

// ------------------------------------------------------------------ child

namespace {

std::map<std::string, TStepFunction> &steps()
{
    static std::map<std::string, TStepFunction> all;
    return all;
}

} // namespace

bool registerStep(const char *name, TStepFunction function)
{
    // Two steps of one name would make one test run the other's step.
    if (!steps().emplace(name, std::move(function)).second) {
        std::fprintf(stderr, "two end-to-end steps are called %s\n", name);
        std::abort();
    }
    return true;
}

TFrmMain &TStep::main() const
{
    return *program.FrmMain;
}

QString TStep::path(const QString &name) const
{
    return QDir(program.ProgramFolder).filePath(name);
}

bool TStep::check(bool ok, const QString &what)
{
    if (!ok)
        failures.append(what);
    return ok;
}

void TStep::report(const QString &name, const QString &text)
{
    writeBytes(path(name), text.toUtf8());
}

namespace {

// The offscreen platform says at every window what it cannot do; that is
// not the program's to answer for and would bury the steps' own output.
void quietPlatformMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (text.startsWith(QLatin1String("This plugin does not support"))
        || text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "%s%s\n", type == QtWarningMsg ? "warning: " : "", qPrintable(text));
}

// A crash in a run ends with the stack on stderr, for the parent to show.
void reportCrash(int signal)
{
    void *frames[64];
    const int count = backtrace(frames, 64);
    std::fprintf(stderr, "crashed with signal %d\n", signal);
    backtrace_symbols_fd(frames, count, 2);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

int runStepChild(int argc, char **argv)
{
    std::signal(SIGSEGV, reportCrash);
    std::signal(SIGABRT, reportCrash);
    std::signal(SIGBUS, reportCrash);
    qInstallMessageHandler(quietPlatformMessages);
    TApplication app(argc, argv);
    // Screenshots look the same on every desktop.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);

    const QStringList arguments = app.arguments();
    const QString name = arguments.value(arguments.indexOf(QStringLiteral("--e2e-step")) + 1);
    const QString folder = arguments.value(arguments.indexOf(QStringLiteral("--e2e-folder")) + 1);
    QHash<QString, QString> args;
    for (const QString &argument : arguments) {
        const qsizetype equals = argument.indexOf(u'=');
        if (equals > 0 && !argument.startsWith(QLatin1String("--")))
            args.insert(argument.left(equals), argument.mid(equals + 1));
    }
    const auto found = steps().find(name.toStdString());
    if (found == steps().end() || folder.isEmpty()) {
        std::fprintf(stderr, "no such step: %s\n", qPrintable(name));
        return 2;
    }

    TScriptedPrompts prompts;
    QStringList failures;
    TRunOptions options;
    options.ProgramFolder = folder;
    options.Prompts = &prompts;
    options.Started = [&](TProgram &program) {
        TStep step{program, prompts, args, {}};
        // A password the user typed this session, never saved.
        if (args.contains(QStringLiteral("password"))) {
            if (auto *edit = program.Form(QStringLiteral("FrmSettings"))->findChild<QLineEdit *>(QStringLiteral("EdtPass")))
                edit->setText(args.value(QStringLiteral("password")));
        }
        try {
            found->second(step);
        } catch (const Exception &e) {
            step.failures.append(QStringLiteral("exception: ") + e.message());
        } catch (const std::exception &e) {
            step.failures.append(QStringLiteral("exception: ") + QString::fromUtf8(e.what()));
        }
        if (!step.closeItself) {
            // As the user ends it: the window's close button.
            program.FrmMain->close();
            if (program.FrmMain->isVisible()) {
                step.failures.append(QStringLiteral("the main window stayed open"));
                QCoreApplication::exit(3);
            }
        }
        failures = step.failures;
    };
    const int code = runPelloran(app, options);

    for (const TScriptedPrompts::Question &question : prompts.asked)
        std::fprintf(stderr, "asked: %s\n", qPrintable(question.text));
    for (const QString &failure : failures)
        std::fprintf(stderr, "FAILED: %s\n", qPrintable(failure));
    std::fflush(stderr);
    return failures.isEmpty() ? code : 1;
}

// ----------------------------------------------------------------- parent

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QStringList readLines(const QString &path)
{
    QStringList lines = QString::fromUtf8(readBytes(path)).split(u'\n');
    for (QString &line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    return lines;
}

TE2EWorld::TE2EWorld()
{
    writeSettings();
}

void TE2EWorld::writeSettings(const QHash<QString, QStringList> &extra)
{
    const QString port = ftp ? QStringLiteral("%1").arg(ftp->port(), 5, 10, QLatin1Char('0'))
                             : QStringLiteral("00021");
    QHash<QString, QStringList> sections{
        {"General", {"notFirstStartUp=1"}},
        {"GUISettings",
         {"ip=127.000.000.001", "port=" + port, "account=root",
          QStringLiteral("remoteDir=") + QLatin1String(kReceiverZapitDir)}},
        {"Misc", {"noBackgroundPing=1", "noOrvikCheck=1", "noUpdateCheck=1"}},
        {"WebSources",
         {"readyMadeListUrl=http://127.0.0.1:9", "kingOfSatUrl=http://127.0.0.1:9",
          "logoSiteUrl=http://127.0.0.1:9"}},
    };
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        QStringList &lines = sections[it.key()];
        for (const QString &line : it.value()) {
            const QString key = line.section(u'=', 0, 0) + u'=';
            lines.erase(std::remove_if(lines.begin(), lines.end(),
                                       [&](const QString &l) { return l.startsWith(key); }),
                        lines.end());
            lines.append(line);
        }
    }
    QString text;
    for (const char *name : {"General", "GUISettings", "Misc", "WebSources"}) {
        text += QStringLiteral("[%1]\n").arg(QLatin1String(name));
        for (const QString &line : sections.value(QLatin1String(name)))
            text += line + u'\n';
    }
    for (auto it = sections.begin(); it != sections.end(); ++it) {
        if (QStringList{"General", "GUISettings", "Misc", "WebSources"}.contains(it.key()))
            continue;
        text += QStringLiteral("[%1]\n").arg(it.key()) + it.value().join(u'\n') + u'\n';
    }
    writeBytes(path(QStringLiteral("pelloran.ini")), text.toUtf8());
}

void TE2EWorld::startReceiver(bool withLists, const QStringList &extra)
{
    QDir().mkpath(receiverPath(QString()));
    if (withLists) {
        const QString demo = QStringLiteral(PELLORAN_DEMO_DIR "/cable/");
        QFile::copy(demo + "Services.xml", receiverPath("services.xml"));
        QFile::copy(demo + "MyServices.xml", receiverPath("myservices.xml"));
        QFile::copy(demo + "Bouquets.xml", receiverPath("bouquets.xml"));
    }
    ftp = std::make_unique<ScriptServer>(
        QStringLiteral("ftp_server.py"),
        QStringList{"--root", receiver.path(), "--user", "root", "--password", "dbox2", "--log",
                    logs.filePath("ftp.log")}
            + extra);
}

void TE2EWorld::startWeb()
{
    writeBytes(webPath("control/message"), "ok\n");
    http = std::make_unique<ScriptServer>(
        QStringLiteral("http_server.py"),
        QStringList{"--root", web.path(), "--log", logs.filePath("web.log")});
}

TRunResult TE2EWorld::run(const QString &step, const QStringList &args)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromUtf8(testPlatform()));
    child.setProcessEnvironment(environment);
    QStringList arguments{"--e2e-step", step, "--e2e-folder", folder.path()};
    if (ftp)
        arguments << QStringLiteral("ftpPort=%1").arg(ftp->port());
    if (http)
        arguments << QStringLiteral("httpPort=%1").arg(http->port());
    arguments << QStringLiteral("receiver=") + receiver.path() << QStringLiteral("logs=") + logs.path();
    QString program = QCoreApplication::applicationFilePath();
    if (m_readOnly && ::geteuid() == 0) {
        // Whoever owns a folder may write it, whatever its mode says; root
        // may write anything. So the run is someone else's.
        arguments.prepend(program);
        arguments = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + arguments;
        program = QStringLiteral("setpriv");
    }
    child.start(program, arguments + args);
    TRunResult result;
    // A safeguard only: a run that hangs is killed and fails the test.
    result.finished = child.waitForFinished(timeLimitMs) && child.exitStatus() == QProcess::NormalExit;
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished(5000);
    }
    result.exitCode = child.exitCode();
    result.output = QString::fromUtf8(child.readAll());
    if (!result.finished)
        result.output += child.exitStatus() == QProcess::CrashExit ? QStringLiteral("\n(the run crashed)\n")
                                                                   : QStringLiteral("\n(the run did not end)\n");
    return result;
}

TRunResult TE2EWorld::runReadOnly(const QString &step, const QStringList &args)
{
    const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther
        | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QStringList folders{folder.path()};
    QDirIterator it(folder.path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(it.next());
    for (const QString &f : folders)
        QFile::setPermissions(f, readable);
    QDirIterator files(folder.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        QFile::setPermissions(files.next(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    m_readOnly = true;
    // A user the system lets write anyway (root without a user to switch
    // to, or inside a user namespace) cannot show the refusal.
    QProcess probe;
    const QStringList touch{"sh", "-c", "touch \"$1\" 2>/dev/null; echo refused=$?", "sh", path(".probe")};
    if (::geteuid() == 0)
        probe.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + touch);
    else
        probe.start(touch.first(), touch.mid(1));
    probe.waitForFinished(30000);
    TRunResult result;
    const bool refused = probe.readAllStandardOutput().trimmed() == "refused=1";
    if (!refused || QFile::exists(path(".probe"))) {
        QFile::remove(path(".probe"));
        result.skipped = QStringLiteral("this system lets the program write a read-only folder");
    } else {
        result = run(step, args);
    }
    m_readOnly = false;
    for (const QString &f : folders)
        QFile::setPermissions(f, readable | QFile::WriteOwner);
    return result;
}

QString TE2EWorld::path(const QString &name) const
{
    return QDir(folder.path()).filePath(name);
}

QByteArray TE2EWorld::bytes(const QString &name) const
{
    return readBytes(path(name));
}

bool TE2EWorld::exists(const QString &name) const
{
    return QFile::exists(path(name));
}

QString TE2EWorld::receiverPath(const QString &name) const
{
    return receiver.filePath(QLatin1String(kReceiverZapitDir).mid(1) + u'/' + name);
}

QString TE2EWorld::webPath(const QString &name) const
{
    return web.filePath(name);
}

QStringList TE2EWorld::ftpLog() const
{
    return readLines(logs.filePath("ftp.log"));
}

QStringList TE2EWorld::webLog() const
{
    return readLines(logs.filePath("web.log"));
}

QHash<QString, QByteArray> TE2EWorld::snapshot(const QString &below) const
{
    QHash<QString, QByteArray> files;
    const QString root = below.isEmpty() ? folder.path() : path(below);
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        files.insert(QDir(folder.path()).relativeFilePath(file), readBytes(file));
    }
    return files;
}

QStringList TE2EWorld::historyFiles() const
{
    return QDir(path(QStringLiteral("History"))).entryList(QDir::Files, QDir::Name);
}
