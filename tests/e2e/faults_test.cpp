// Faults along the way: the user is told, and no list, working file or
// history entry is lost.

#include "e2e_ui.h"

#include "app/main/run.h"

#include "file_faults.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <sys/stat.h>

namespace {

// A folder that already holds a session: the satellite demo lists as
// working files and one earlier saved state.
void holdSession(TE2EWorld &world)
{
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"}) {
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/") + QLatin1String(name), world.path(QLatin1String(name)));
        QDir().mkpath(world.path("History"));
        const QString stored = QString::fromLatin1(name).section(u'.', 0, 0) + ".2026-01-02_03.04.05.xml";
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/cable/") + QLatin1String(name),
                    world.path("History/" + stored));
    }
}

bool errorWasShown(const TStep &step)
{
    for (const TScriptedPrompts::Question &question : step.prompts.asked) {
        if (question.kind == TPrompts::TMsgKind::Error && !question.text.isEmpty())
            return true;
    }
    return false;
}

} // namespace

E2E_STEP(import_fails)
{
    const QString before = describeLists(step.program);
    step.report("state-before.txt", before);
    const int rows = step.main().ServicesGrid->RowCount();
    importFromReceiver(step);
    step.check(errorWasShown(step), "the user is told: " + step.prompts.texts().join(" | "));
    step.check(!step.prompts.texts().contains("Import successful."), "no success is claimed");
    step.check(describeLists(step.program) == before, "the lists are as they were");
    step.check(step.main().ServicesGrid->RowCount() == rows, "the grid still shows them");
}

TEST(Faults, AFailedImportLosesNothing)
{
    const struct {
        const char *name;
        QStringList serverArguments;
        QStringList runArguments;
        const char *corrupt; // a receiver file to spoil, or null
    } cases[] = {
        {"a server that drops", {"--act", "services.xml=drop"}, {"password=dbox2"}, nullptr},
        {"a wrong password", {}, {"password=not-the-one"}, nullptr},
        {"a corrupt bouquets file", {}, {"password=dbox2"}, "bouquets.xml"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TE2EWorld world;
        world.startReceiver(true, c.serverArguments);
        ASSERT_NE(world.ftp->port(), 0);
        world.writeSettings();
        holdSession(world);
        if (c.corrupt)
            writeBytes(world.receiverPath(QLatin1String(c.corrupt)), "<?xml version=\"1.0\"?>\n<zapit>\n <Bouquet name=");
        const auto before = world.snapshot();

        const TRunResult run = world.run("import_fails", c.runArguments);
        EXPECT_TRUE(run.ok()) << run.output.toStdString();
        // Every saved state is still there, unchanged; the import may only
        // have added one of its own.
        const auto after = world.snapshot();
        for (auto it = before.begin(); it != before.end(); ++it) {
            if (it.key().startsWith("History/")) {
                EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
            }
        }
        // The working files bring the same lists back.
        const TRunResult restart = world.run("restart");
        EXPECT_TRUE(restart.ok()) << restart.output.toStdString();
        EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-before.txt"));
        // Nothing was written to the receiver.
        for (const QString &line : world.ftpLog())
            EXPECT_FALSE(line.startsWith("STOR")) << line.toStdString();
    }
}

// The user saves on closing, and the folder takes nothing: the window
// stays open with the changes, and says why.
E2E_STEP(save_refused)
{
    step.closeItself = true;
    step.prompts.typed = {QStringLiteral("Unsaved")};
    trigger(step, "PopupItmBouBouquetNew");
    const QString edited = describeLists(step.program);
    step.prompts.answers = {TPrompts::mbYes};
    step.main().close();
    step.check(step.main().isVisible(), "the window stays open when the save fails");
    step.check(errorWasShown(step), "the user is told: " + step.prompts.texts().join(" | "));
    step.check(describeLists(step.program) == edited, "the edits are still there");
    // Now the user gives the changes up.
    step.prompts.asked.clear();
    step.prompts.answers = {TPrompts::mbNo};
    step.main().close();
    step.check(!step.main().isVisible(), "the program ends once the user gives the changes up");
}

TEST(Faults, ASaveIntoAReadOnlyFolderLosesNothing)
{
    TE2EWorld world;
    holdSession(world);
    const auto before = world.snapshot();
    const TRunResult run = world.runReadOnly("save_refused");
    if (!run.skipped.isEmpty())
        GTEST_SKIP() << run.skipped.toStdString();
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("asked: Do you want to save your changes?")) << run.output.toStdString();
    EXPECT_EQ(world.snapshot(), before);
}

// A save whose copy into History fails part of the way, at the bouquets
// file (a full disk): the user is told, no working file is replaced, and
// the user gives the changes up.
E2E_STEP(save_cut_short)
{
    step.closeItself = true;
    step.prompts.typed = {QStringLiteral("Not kept")};
    trigger(step, "PopupItmBouBouquetNew");
    {
        const TFileFault full(step.path("History/.Bouquets."), FileFaults::Write, ENOSPC);
        step.main().PopupItmToolSave->trigger();
        step.check(FileFaults::failed() > 0, "a copy into History failed");
    }
    step.check(errorWasShown(step), "the user is told: " + step.prompts.texts().join(" | "));
    step.prompts.answers = {TPrompts::mbNo};
    step.main().close();
    step.check(!step.main().isVisible(), "the program ends once the user gives the changes up");
}

E2E_STEP(history_at_start)
{
    step.report("history-at-start.txt", historyCaptions(step).join(u'\n'));
}

// What the cut short save left in History is still known for incomplete
// at the next start, beside the state that was whole before.
TEST(Faults, ASaveCutShortReplacesNothingAndItsStateIsIncompleteAtTheNextStart)
{
    TE2EWorld world;
    holdSession(world);
    const auto before = world.snapshot();
    const TRunResult run = world.run("save_cut_short");
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        EXPECT_EQ(world.bytes(QLatin1String(name)), before.value(QLatin1String(name))) << name;
    const TRunResult next = world.run("history_at_start");
    ASSERT_TRUE(next.ok()) << next.output.toStdString();
    const QStringList captions = QString::fromUtf8(world.bytes("history-at-start.txt")).split(u'\n');
    ASSERT_EQ(captions.size(), 2) << captions.join(" | ").toStdString();
    EXPECT_TRUE(captions[0].startsWith("Save state ") && captions[0].endsWith(" (incomplete)"))
        << qPrintable(captions[0]);
    EXPECT_EQ(captions[1], "Save state 2026-01-02_03.04.05");
}

// A working file that cannot be read: the user is told at start-up, the
// file stays as it is while nothing changes, and a later save keeps it in
// the history.
E2E_STEP(start_with_corrupt_file)
{
    step.check(errorWasShown(step), "the user is told: " + step.prompts.texts().join(" | "));
    step.check(step.program.ServiceList->Count() > 0, "the readable files are loaded");
    if (step.args.contains("change")) {
        step.prompts.typed = {QStringLiteral("Fresh")};
        trigger(step, "PopupItmBouBouquetNew");
        step.prompts.answers = {TPrompts::mbYes};
    }
}

TEST(Faults, ACorruptWorkingFileIsToldAndKept)
{
    TE2EWorld world;
    holdSession(world);
    const QByteArray corrupt = "<?xml version=\"1.0\"?>\n<zapit>\n <Bouquet name=\"Half";
    writeBytes(world.path("Bouquets.xml"), corrupt);

    const TRunResult first = world.run("start_with_corrupt_file");
    ASSERT_TRUE(first.ok()) << first.output.toStdString();
    EXPECT_EQ(world.bytes("Bouquets.xml"), corrupt);

    const TRunResult second = world.run("start_with_corrupt_file", {"change=1"});
    ASSERT_TRUE(second.ok()) << second.output.toStdString();
    EXPECT_TRUE(world.bytes("Bouquets.xml").contains("Fresh"));
    bool kept = false;
    for (const QString &file : world.historyFiles())
        kept = kept || world.bytes("History/" + file) == corrupt;
    EXPECT_TRUE(kept) << world.historyFiles().join(' ').toStdString();
}

// The receiver drops the connection while the lists are sent.
E2E_STEP(export_fails)
{
    step.program.ReceiverWebPort = step.arg("httpPort").toInt();
    const QString before = describeLists(step.program);
    step.prompts.answers = {TPrompts::mbYes};
    whenModal("FrmImportExport", [](QWidget *dialog) {
        chooseReceiverFiles(dialog, true, true, true, false);
        child(dialog, "BtnExport")->click();
    });
    clickToolButton(step, "ToolBtnImportExport");
    step.check(errorWasShown(step), "the user is told: " + step.prompts.texts().join(" | "));
    step.check(!step.prompts.texts().contains("Export successful."), "no success is claimed");
    step.check(describeLists(step.program) == before, "the lists are as they were");
    step.report("state-before.txt", before);
}

TEST(Faults, AnExportTheReceiverDropsLosesNothingAndSendsNoReload)
{
    TE2EWorld world;
    world.startReceiver(true, {"--act", "bouquets.xml=drop"});
    world.startWeb();
    ASSERT_NE(world.ftp->port(), 0);
    ASSERT_NE(world.http->port(), 0);
    world.writeSettings();
    holdSession(world);
    const auto history = world.snapshot("History");

    const TRunResult run = world.run("export_fails", {"password=dbox2"});
    ASSERT_TRUE(run.ok()) << run.output.toStdString();
    // The receiver is not told to reload lists it did not get whole.
    EXPECT_TRUE(world.webLog().isEmpty()) << world.webLog().join('\n').toStdString();
    for (auto it = history.begin(); it != history.end(); ++it)
        EXPECT_EQ(world.bytes(it.key()), it.value()) << it.key().toStdString();
    const TRunResult restart = world.run("restart");
    ASSERT_TRUE(restart.ok()) << restart.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-before.txt"));
}

// While this program runs, a second one starts on its folder: it says so and
// ends before touching anything, and this one goes on and saves.
E2E_STEP(second_start)
{
    QProcess second;
    second.setProcessChannelMode(QProcess::MergedChannels);
    second.start(QCoreApplication::applicationFilePath(),
                 {"--e2e-step", "restart", "--e2e-folder", step.program.ProgramFolder});
    const bool ended = second.waitForFinished(60000);
    if (!ended)
        second.kill();
    const QString output = QString::fromUtf8(second.readAll());
    step.check(ended, "the second program ends by itself");
    step.check(second.exitCode() != 0, "the second program says it did not run");
    step.check(output.contains("asked: Pelloran is already running on this folder:"),
               "the second program says why: " + output);
    step.check(!QFile::exists(step.path("state-restart.txt")), "the second program did nothing");
    step.prompts.typed = {QStringLiteral("Alone")};
    trigger(step, "PopupItmBouBouquetNew");
    step.main().PopupItmToolSave->trigger();
    step.report("state-first.txt", describeLists(step.program));
}

TEST(Faults, ASecondProgramOnTheFolderSaysSoAndEnds)
{
    TE2EWorld world;
    holdSession(world);
    const TRunResult first = world.run("second_start");
    ASSERT_TRUE(first.ok()) << first.output.toStdString();
    EXPECT_TRUE(world.bytes("Bouquets.xml").contains("Alone"));
    // Once the first has ended the folder is free again; a lock a killed
    // program leaves behind does not keep the next start out either.
    const TRunResult next = world.run("restart");
    ASSERT_TRUE(next.ok()) << next.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-first.txt"));
    writeBytes(world.path(".pelloran.lock"), "999999\npelloran\n\n");
    const TRunResult afterKill = world.run("restart");
    EXPECT_TRUE(afterKill.ok()) << afterKill.output.toStdString();
}

namespace {

// A kill ends the program right after it made its lock, and a power cut
// takes whatever it wrote into the file by then.
void killRightAfterLocking(TE2EWorld &world)
{
    const QString lock = world.path(".pelloran.lock");
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {"--e2e-step", "restart", "--e2e-folder", world.folder.path()});
    ASSERT_TRUE(child.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (!QFileInfo::exists(lock) && child.state() == QProcess::Running && waited.elapsed() < 60000)
        QThread::usleep(100);
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    ASSERT_TRUE(QFileInfo::exists(lock));
    ASSERT_FALSE(QFileInfo::exists(world.path("state-restart.txt"))) << "killed too late";
    ASSERT_TRUE(QFile::resize(lock, 0));
}

// What stands at a name, a link by where it leads.
QString entryAt(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("nothing");
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("a link to ") + QFile::symLinkTarget(path);
    return S_ISDIR(info.st_mode)    ? QStringLiteral("a folder")
        : S_ISFIFO(info.st_mode) ? QStringLiteral("a FIFO")
                                 : QStringLiteral("a file");
}

} // namespace

// Whatever stands where the folder's lock belongs, when no program holds
// the folder: a plain file of any content, whatever its age, is taken over
// and the start says nothing; anything else is never opened nor followed,
// and the start ends at once, saying what is in the way and where.
TEST(Faults, ALockNoProgramHoldsNeverKeepsTheUserOutNorHoldsTheStart)
{
    QTemporaryDir outside;
    const QString outsideFile = outside.filePath("mine.txt");
    const struct {
        const char *name;
        std::function<void(TE2EWorld &, const QString &lock)> make;
        const char *inTheWay; // what the start says stands there, or null when it starts
    } rows[] = {
        {"left by a program killed right after making it",
         [](TE2EWorld &world, const QString &) { killRightAfterLocking(world); }, nullptr},
        {"empty", [](TE2EWorld &, const QString &lock) { writeBytes(lock, QByteArray()); }, nullptr},
        {"empty since 2020",
         [](TE2EWorld &, const QString &lock) {
             writeBytes(lock, QByteArray());
             QFile file(lock);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2020, 5, 1), QTime(12, 0)),
                                          QFileDevice::FileModificationTime));
         },
         nullptr},
        {"garbage",
         [](TE2EWorld &, const QString &lock) { writeBytes(lock, QByteArray("\x01\xff garbage\n", 11).repeated(50)); },
         nullptr},
        {"a directory", [](TE2EWorld &, const QString &lock) { ASSERT_TRUE(QDir().mkdir(lock)); }, "a folder"},
        {"a FIFO",
         [](TE2EWorld &, const QString &lock) { ASSERT_EQ(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0); },
         "a FIFO, device or socket"},
        {"a link to /dev/zero", [](TE2EWorld &, const QString &lock) { ASSERT_TRUE(QFile::link("/dev/zero", lock)); },
         "a link"},
        {"a dangling link",
         [&](TE2EWorld &, const QString &lock) { ASSERT_TRUE(QFile::link(outside.filePath("none"), lock)); }, "a link"},
        {"a link to a file outside the folder",
         [&](TE2EWorld &, const QString &lock) { ASSERT_TRUE(QFile::link(outsideFile, lock)); }, "a link"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        writeBytes(outsideFile, "the user's own\n");
        const QDateTime outsideTime = QFileInfo(outsideFile).lastModified();
        TE2EWorld world;
        holdSession(world);
        const QString lock = world.path(".pelloran.lock");
        row.make(world, lock);
        if (::testing::Test::HasFatalFailure())
            return;
        const QString before = entryAt(lock);
        world.timeLimitMs = 60000;
        const TRunResult run = world.run("restart");
        EXPECT_TRUE(run.finished) << run.output.toStdString();
        EXPECT_FALSE(run.output.contains("already running")) << run.output.toStdString();
        if (!row.inTheWay) {
            EXPECT_TRUE(run.ok()) << run.output.toStdString();
            EXPECT_FALSE(run.output.contains("asked:")) << run.output.toStdString();
            EXPECT_TRUE(world.exists("state-restart.txt"));
        } else {
            EXPECT_EQ(run.exitCode, kLockInTheWayExitCode);
            const QString said = "asked: Pelloran cannot start on this folder: where it keeps its lock file,\r\n" + lock
                + "\r\nthere is " + QLatin1String(row.inTheWay) + ".\r\n\r\nRemove it, then start Pelloran again.";
            EXPECT_TRUE(run.output.contains(said)) << run.output.toStdString();
            EXPECT_FALSE(world.exists("state-restart.txt"));
            EXPECT_EQ(entryAt(lock), before);
        }
        EXPECT_EQ(readBytes(outsideFile), "the user's own\n");
        EXPECT_EQ(QFileInfo(outsideFile).lastModified(), outsideTime);
        EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                  QStringList{"mine.txt"});
    }
}
