#pragma once

// Whole runs of the program for the end-to-end tests.
//
// The test executable plays two parts. Run by ctest it is the parent: it
// starts the loopback servers, writes the program folder and checks the
// files on disk and on the servers. For each run of the program it starts
// itself again with "--e2e-step <name>"; that child runs the program's own
// main sequence (runPelloran) on the folder, drives the windows through one
// step with QTest events and scripted answers, and closes the main window
// the way a user does. A restart is a new child.

#include "script_server.h"
#include "scripted_prompts.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

struct TProgram;
class TFrmMain;

// ------------------------------------------------------------------ child

// What a step sees: the running program, its scripted prompts, the
// arguments the parent gave and a record of failed checks.
struct TStep {
    TProgram &program;
    TScriptedPrompts &prompts;
    QHash<QString, QString> args;
    QStringList failures;
    // Set by a step that wants to leave the main window open (to close it
    // itself, or to test a refused close).
    bool closeItself = false;

    TFrmMain &main() const;
    QString arg(const QString &key) const { return args.value(key); }
    QString path(const QString &name) const;
    // Records a failure when ok is false; returns ok.
    bool check(bool ok, const QString &what);
    // Writes a text for the parent into the program folder.
    void report(const QString &name, const QString &text);
};

using TStepFunction = std::function<void(TStep &)>;

// Registers a step under its name; used through E2E_STEP.
bool registerStep(const char *name, TStepFunction function);

#define E2E_STEP_CAT2(a, b) a##b
#define E2E_STEP_CAT(a, b) E2E_STEP_CAT2(a, b)
#define E2E_STEP(name)                                                                             \
    static void E2E_STEP_CAT(e2eStep_, name)(TStep & step);                                        \
    static const bool E2E_STEP_CAT(e2eStepRegistered_, name) =                                     \
        registerStep(#name, &E2E_STEP_CAT(e2eStep_, name));                                        \
    static void E2E_STEP_CAT(e2eStep_, name)(TStep & step)

// The child's main: runs one step in a whole program run; returns the exit
// code (0 when the program ended normally and every check held).
int runStepChild(int argc, char **argv);

// ----------------------------------------------------------------- parent

struct TRunResult {
    int exitCode = -1;
    bool finished = false;
    QString output;
    // Set when the run could not be made as asked (and was not made).
    QString skipped;
    bool ok() const { return finished && exitCode == 0; }
};

// One program folder with its settings file, the receiver (FTP) and its web
// interface (HTTP), each on loopback.
struct TE2EWorld {
    TE2EWorld();

    // The settings file every run starts with: the receiver at
    // 127.000.000.001 on the FTP server's port (when one runs), no
    // background ping, no update check, every web source at a closed
    // loopback port. Extra lines are appended to their sections.
    void writeSettings(const QHash<QString, QStringList> &extra = {});

    // The receiver: an FTP server whose zapit folder holds the cable demo
    // lists (or nothing), logging every transfer.
    void startReceiver(bool withLists = true, const QStringList &extra = {});
    // A web server over `web`, logging every request; serves the
    // receiver's message page.
    void startWeb();

    // One whole run of the program through the named step.
    TRunResult run(const QString &step, const QStringList &args = {});
    // The same on a program folder the program may read but not write, as
    // a full disk or a write-protected folder leaves it.
    TRunResult runReadOnly(const QString &step, const QStringList &args = {});

    QString path(const QString &name) const;
    QByteArray bytes(const QString &name) const;
    bool exists(const QString &name) const;
    QString receiverPath(const QString &name) const;
    QString webPath(const QString &name) const;
    QStringList ftpLog() const;
    QStringList webLog() const;
    // Every file below the program folder with its size, for "nothing lost".
    QHash<QString, QByteArray> snapshot(const QString &below = QString()) const;
    QStringList historyFiles() const;

    QTemporaryDir folder;
    // A run that takes longer is killed and fails.
    int timeLimitMs = 120000;
    bool m_readOnly = false;
    QTemporaryDir receiver;
    QTemporaryDir web;
    QTemporaryDir logs;
    std::unique_ptr<ScriptServer> ftp;
    std::unique_ptr<ScriptServer> http;
};

QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);
QStringList readLines(const QString &path);

inline constexpr const char *kReceiverZapitDir = "/var/tuxbox/config/zapit";
