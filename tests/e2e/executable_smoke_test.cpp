// The built executable itself, started as a user starts it: from its own
// folder, which holds the settings file and the working files.

#include "e2e_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

TEST(Executable, ComesUpOnTheDemoListsAndWritesNothing)
{
    TE2EWorld world;
    for (const char *name : {"Services.xml", "MyServices.xml", "Bouquets.xml"})
        QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/cable/") + QLatin1String(name), world.path(QLatin1String(name)));
    QFile::copy(QStringLiteral(PELLORAN_DEMO_DIR "/KingOfSat.xml"), world.path("KingOfSat.xml"));
    // A session before this one left its logo mapping; without it the start
    // would build (and write) one.
    writeBytes(world.path("LogoMapping.dat"), QByteArray());
    // The program's folder is its executable's.
    ASSERT_TRUE(QFile::copy(QStringLiteral(PELLORAN_EXECUTABLE), world.path("pelloran")));
    QFile::setPermissions(world.path("pelloran"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto before = world.snapshot();

    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.setWorkingDirectory(world.folder.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    // Qt names every window it paints: the main window's first paint says
    // the start-up is over and the event loop runs.
    environment.insert("QT_LOGGING_RULES", "qt.widgets.painting=true");
    program.setProcessEnvironment(environment);
    program.start(world.path("pelloran"), {});
    ASSERT_TRUE(program.waitForStarted());

    QByteArray output;
    bool up = false;
    while (!up && program.waitForReadyRead(60000)) {
        output += program.readAll();
        up = output.contains("Flushing QRegion") && output.contains("of TFrmMain(");
    }
    ASSERT_TRUE(up) << output.right(2000).toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);

    // Nothing outside the program can ask it to close (it listens to no
    // one), so the end comes from the system.
    ::kill(pid_t(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(30000));
    output += program.readAll();
    EXPECT_FALSE(output.contains("Error")) << output.right(2000).toStdString();

    // A session that made no change wrote no file: not the lists, not the
    // settings, no history.
    auto after = world.snapshot();
    // The folder's lock, left as any killed program leaves it: the next start
    // takes it over.
    after.remove(QStringLiteral(".pelloran.lock"));
    QStringList keys = after.keys(), keysBefore = before.keys();
    keys.sort();
    keysBefore.sort();
    EXPECT_EQ(keys, keysBefore);
    for (const QString &name : keysBefore)
        EXPECT_EQ(after.value(name), before.value(name)) << name.toStdString();
}
