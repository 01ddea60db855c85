#include "zapit_test_support.h"

#include "core/util/exception.h"
#include "core/util/file_utils.h"
#include "core/util/messages.h"
#include "core/util/sys_utils.h"
#include "platform/atomic_file.h"
#include "platform/system_paths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdlib>
#include <memory>

using namespace zapit_test;

namespace {

TEST(SysUtils, IpAddressForms)
{
    const std::pair<const char *, const char *> fill[] = {
        {"10.0.0.5", "010.000.000.005"}, {"192.168.15.24", "192.168.015.024"},
        {" 192. 168.1.\t2", "192.168.001.002"}, {"10.0.0.", "010.000.000.000"},
        {"1234.5.6.7", "1234.005.006.007"}};
    for (const auto &[in, out] : fill)
        EXPECT_EQ(ipAddressFill(QLatin1String(in)), QLatin1String(out)) << in;
    const std::pair<const char *, const char *> format[] = {
        {"192.168.015.024", "192.168.15.24"}, {"010.000.000.005", "10.0.0.5"},
        {"127.000.000.001", "127.0.0.1"}, {"000..1.100", "0.0.1.100"}};
    for (const auto &[in, out] : format)
        EXPECT_EQ(ipAddressFormat(QLatin1String(in)), QLatin1String(out)) << in;
}

TEST(SysUtils, TimeAndDateStrings)
{
    EXPECT_EQ(convertSystemTimeToTimeString(QTime(9, 5, 7), 1), QStringLiteral("09h 05min 07sec"));
    EXPECT_EQ(convertSystemTimeToTimeString(QTime(9, 5, 7), 0), QStringLiteral("09.05.07"));
    EXPECT_EQ(convertSystemTimeToDateString(QDate(2024, 3, 7), 0), QStringLiteral("2024-03-07"));
    EXPECT_EQ(convertSystemTimeToDateString(QDate(2024, 1, 1), 1),
              QStringLiteral("Monday, 1st January 2024"));
    EXPECT_EQ(convertSystemTimeToDateString(QDate(2024, 3, 7), 1),
              QStringLiteral("Thursday, 7th March 2024"));
    EXPECT_EQ(convertSystemTimeToDateString(QDate(2023, 12, 22), 1),
              QStringLiteral("Friday, 22nd December 2023"));
    EXPECT_EQ(convertSystemTimeToDateString(QDate(2023, 12, 31), 1),
              QStringLiteral("Sunday, 31st December 2023"));
    EXPECT_EQ(convertSystemTimeToDateString(QDate(2024, 3, 23), 1),
              QStringLiteral("Saturday, 23rd March 2024"));
    EXPECT_TRUE(convertSystemTimeToDateString(QDate(2024, 3, 7), 2).isEmpty());
}

TEST(SysUtils, HtmlColours)
{
    EXPECT_EQ(colorToHtmlColor(QColor(255, 0, 0)), QStringLiteral("#FF0000"));
    EXPECT_EQ(colorToHtmlColor(QColor(0x0a, 0xbc, 0x01)), QStringLiteral("#0ABC01"));
    try {
        colorToHtmlColor(QColor());
        FAIL() << "an invalid colour must be refused";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("function colorToHtmlColor: ") + msg(MsgRangeCheckError));
    }
}

TEST(SysUtils, NoRegistryAndNoHeldKeysWithoutAGuiApplication)
{
    EXPECT_TRUE(readRegistryString(QStringLiteral("Software\\x"), QStringLiteral("v"),
                                   QStringLiteral("HKLM")).isEmpty());
    EXPECT_FALSE(isShiftOrCtrlDown());
    EXPECT_FALSE(isLeftMouseButtonDown());
}

TEST(FileUtils, NameHelpers)
{
    EXPECT_EQ(extractUrlFileName(QStringLiteral("ftp:/var/tuxbox/config/zapit/services.xml")),
              QStringLiteral("services.xml"));
    EXPECT_EQ(extractUrlFileName(QStringLiteral("http://host/a/b.xml")), QStringLiteral("b.xml"));
    EXPECT_EQ(extractUrlFileName(QStringLiteral("plain.xml")), QStringLiteral("plain.xml"));
    EXPECT_EQ(ensureTrailingBackslash(QStringLiteral("//var/x/")), QStringLiteral("/var/x/"));
    EXPECT_EQ(ensureTrailingBackslash(QStringLiteral("var")), QStringLiteral("/var"));
    EXPECT_EQ(removeInvalidFileNameChars(QStringLiteral("a*b?c<d>e/f\\g|h:i\"j")),
              QStringLiteral("abcdefghij"));
    EXPECT_EQ(extractFileNameNoExt(QStringLiteral("/opt/p/pelloran.bin")), QStringLiteral("pelloran"));
    EXPECT_EQ(extractFileNameNoExt(QStringLiteral("/opt/p.d/pelloran")), QStringLiteral("pelloran"));
    EXPECT_EQ(extractFileSpecNoExt(QStringLiteral("/opt/p/pelloran.x.bin")),
              QStringLiteral("/opt/p/pelloran.x"));
}

TEST(FileUtils, ReadAndCopyFiles)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.txt"));
    const QString b = dir.filePath(QStringLiteral("b.txt"));
    EXPECT_TRUE(fileToString(a).isEmpty());
    ASSERT_TRUE(writeBytes(a, QByteArray("K\xC3\xB6nig ").repeated(1000)));
    EXPECT_EQ(fileToString(a), QString::fromUtf8("K\xC3\xB6nig ").repeated(1000));
    ASSERT_TRUE(writeBytes(b, "old and longer"));
    EXPECT_TRUE(cpyFile(a, b));
    EXPECT_EQ(readBytes(b), readBytes(a));
    EXPECT_FALSE(cpyFile(dir.filePath(QStringLiteral("none")), b));
    EXPECT_EQ(readBytes(b), readBytes(a));
}

// A file written through AtomicFile is the old one until commit, then the
// new one whole; the copy it writes meanwhile has a name start-up knows as
// the program's own, and no copy outlives the writer. One of the program's
// own files replaces a link of its name and leaves what it leads to alone.
TEST(FileUtils, AtomicWritesAreWholeOrNothing)
{
    struct Row {
        const char *name;
        bool viaLink;
        bool cancel;
        bool destroyedUncommitted;
        bool replaced;
        AtomicFile::Links links = AtomicFile::Links::Followed;
    };
    const Row rows[] = {
        {"commit", false, false, false, true},
        {"commit through a link", true, false, false, true},
        {"cancelled", false, true, false, false},
        {"dropped without commit", false, false, true, false},
        {"own file over a link", true, false, false, true, AtomicFile::Links::Replaced},
        {"own file over a link, cancelled", true, true, false, false, AtomicFile::Links::Replaced},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("Services.xml"));
        ASSERT_TRUE(writeBytes(target, "old"));
        ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QString link = dir.filePath(QStringLiteral("link.xml"));
        ASSERT_TRUE(QFile::link(target, link));
        const bool linkReplaced = row.links == AtomicFile::Links::Replaced;
        {
            AtomicFile file(row.viaLink ? link : target, row.links);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write("new and longer"), 14);
            const QStringList copies =
                QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("pelloran-save"));
            ASSERT_EQ(copies.size(), 1);
            EXPECT_TRUE(isSaveCopyName(copies.first())) << copies.first().toStdString();
            EXPECT_TRUE(copies.first().startsWith(linkReplaced ? QStringLiteral(".link.xml.pelloran-save-")
                                                               : QStringLiteral(".Services.xml.pelloran-save-")));
            EXPECT_EQ(readBytes(target), "old");
            if (row.cancel)
                file.cancelWriting();
            if (!row.destroyedUncommitted) {
                EXPECT_EQ(file.commit(), row.replaced);
            }
        }
        EXPECT_EQ(readBytes(target), row.replaced && !linkReplaced ? "new and longer" : "old");
        EXPECT_EQ(QFileInfo(link).isSymLink(), !(row.replaced && linkReplaced));
        EXPECT_EQ(readBytes(link), row.replaced ? "new and longer" : "old");
        EXPECT_EQ(QFileInfo(target).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::ReadGroup);
        QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        left.sort();
        EXPECT_EQ(left, QStringList({QStringLiteral("Services.xml"), QStringLiteral("link.xml")}));
    }
    // A folder in the file's place is refused before anything is written.
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Services.xml")));
    AtomicFile file(dir.filePath(QStringLiteral("Services.xml")));
    EXPECT_FALSE(file.open(QIODevice::WriteOnly));
    EXPECT_FALSE(file.errorString().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("Services.xml")}));
}

TEST(FileUtils, ListFilesRecursiveDoesNotFollowLinks)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("sub/deeper")));
    ASSERT_TRUE(writeBytes(root + QStringLiteral("/one"), "1"));
    ASSERT_TRUE(writeBytes(root + QStringLiteral("/.hidden"), "h"));
    ASSERT_TRUE(writeBytes(root + QStringLiteral("/sub/deeper/two"), "2"));
    ASSERT_TRUE(QFile::link(root, root + QStringLiteral("/sub/loop")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/one"), root + QStringLiteral("/sub/one-link")));
    QStringList files;
    ASSERT_TRUE(listFilesRecursive(root, files));
    files.sort();
    EXPECT_EQ(files, (QStringList{root + QStringLiteral("/.hidden"), root + QStringLiteral("/one"),
                                  root + QStringLiteral("/sub/deeper/two"),
                                  root + QStringLiteral("/sub/one-link")}));
    EXPECT_FALSE(listFilesRecursive(root + QStringLiteral("/missing"), files));
}

TEST(SysUtils, TempFilesLiveInAPrivateFolder)
{
    const QString folder = getTempDir();
    ASSERT_TRUE(folder.endsWith(u'/'));
    EXPECT_EQ(QFileInfo(folder).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    const QString a = getTempFile();
    const QString b = getTempFile();
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.startsWith(folder + QStringLiteral("Qel")));
    EXPECT_EQ(QFileInfo(a).size(), 0);
    EXPECT_TRUE(getApplicationDir().endsWith(u'/'));
}

// A killed run leaves its private temporary folder; the next run's first
// use clears away those of ended runs and no other folder or file.
TEST(SysUtils, TempFoldersOfEndedRunsAreCleared)
{
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    ASSERT_TRUE(ended.waitForStarted());
    const QString gone = QString::number(ended.processId());
    ASSERT_TRUE(ended.waitForFinished());
    const QString own = QString::number(QCoreApplication::applicationPid());
    const struct {
        QString name;
        bool folder;
        bool removed;
    } rows[] = {
        {"pelloran-" + gone + "-AbC123", true, true},
        {"pelloran-" + gone + "-zzzzzz", true, true},
        {"pelloran-" + own + "-AbC123", true, false},
        {"pelloran-1-AbC123", true, false},
        {"pelloran-" + gone + "-AbC12", true, false},
        {"pelloran-" + gone + "-AbC1234", true, false},
        {"pelloran-AbC123", true, false},
        {"pelloran-x" + gone + "-AbC123", true, false},
        {"Pelloran-" + gone + "-AbC123", true, false},
        {"pelloran-" + gone + "-AbC456", false, false},
    };
    QTemporaryDir root;
    for (const auto &r : rows) {
        if (r.folder) {
            ASSERT_TRUE(QDir(root.path()).mkpath(r.name + QStringLiteral("/inside")));
            ASSERT_TRUE(writeBytes(root.filePath(r.name + QStringLiteral("/inside/services.xml")), "<zapit/>"));
        } else {
            ASSERT_TRUE(writeBytes(root.filePath(r.name), "a user's file"));
        }
    }
    removeEndedRunsTempFolders(root.path());
    for (const auto &r : rows)
        EXPECT_EQ(QFileInfo::exists(root.filePath(r.name)), !r.removed) << r.name.toStdString();
}

TEST(RunApplication, ArgumentsReachTheProgramUnsplit)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    int exitCode = -1;
    ASSERT_TRUE(runApplication(QStringLiteral("/bin/sh"),
                               {QStringLiteral("-c"), QStringLiteral("printf %s \"$1\" > \"$2\"; exit 3"),
                                QStringLiteral("sh"), QStringLiteral("a b; rm -rf x 'q' $(id)"), out},
                               dir.path(), false, true, exitCode));
    EXPECT_EQ(exitCode, 3);
    EXPECT_EQ(readBytes(out), QByteArray("a b; rm -rf x 'q' $(id)"));
}

TEST(RunApplication, WaitLetsQueuedEventsRun)
{
    int argc = 1;
    char name[] = "core_tests";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    int exitCode = -1;
    ASSERT_TRUE(runApplication(QStringLiteral("sleep"), {QStringLiteral("0.3")}, QString(), false,
                               true, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(timerRan);
}

TEST(RunApplication, WithoutWaitTheChildIsLeftRunning)
{
    QElapsedTimer clock;
    clock.start();
    int exitCode = -1;
    ASSERT_TRUE(runApplication(QStringLiteral("sleep"), {QStringLiteral("3")}, QString(), false,
                               false, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_FALSE(runApplication(QStringLiteral("/nonexistent/program"), {}, QString(), false, true,
                                exitCode));
}

class ShellExec : public testing::Test
{
protected:
    void SetUp() override { m_path = qgetenv("PATH"); }
    void TearDown() override { qputenv("PATH", m_path); }
    QByteArray m_path;
    QTemporaryDir m_dir;
};

TEST_F(ShellExec, MissingFilesAndFoldersGiveTheirTexts)
{
    QString error;
    EXPECT_FALSE(shellExec(m_dir.filePath(QStringLiteral("none.html")), {}, QString(), 1, error));
    EXPECT_EQ(error, msg(MsgShellFileNotFound));
    EXPECT_FALSE(shellExec(m_dir.filePath(QStringLiteral("no/none.html")), {}, QString(), 1, error));
    EXPECT_EQ(error, msg(MsgShellPathNotFound));
}

TEST_F(ShellExec, NoOpenerMeansNoAssociatedProgram)
{
    const QString doc = m_dir.filePath(QStringLiteral("list.html"));
    ASSERT_TRUE(writeBytes(doc, "<html/>"));
    qputenv("PATH", m_dir.path().toLocal8Bit());
    QString error;
    EXPECT_FALSE(shellExec(doc, {}, QString(), 1, error));
    EXPECT_EQ(error, msg(MsgShellNoAssociation));
}

// xdg-open's exit says whether anything opened the document: a stand-in
// ends as xdg-open does with a handler (0), without one (3) and with one
// that failed (4). The call never waits for that verdict: it is heard later,
// and only while the asking object lives. One still running (the generic
// opener runs the browser itself) has opened it, and is left running rather
// than ended with the call.
TEST_F(ShellExec, TheOpenersExitIsHeardWithoutWaitingForIt)
{
    int argc = 1;
    char name[] = "core_tests";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    struct Row {
        const char *name;
        const char *ending;
        bool opened;
        bool askerGoes; // the asking object is freed before the opener ends
        bool runsOn;
    };
    const Row rows[] = {
        {"handler found", "exit 0", true, false, false},
        {"no handler", "exit 3", false, false, false},
        {"handler failed", "exit 4", false, false, false},
        {"no handler, asker gone", "exit 3", true, true, false},
        {"handler runs on", "while [ ! -e \"$1.go\" ]; do sleep 0.05; done", true, false, true},
    };
    const QString doc = m_dir.filePath(QStringLiteral("list.html"));
    ASSERT_TRUE(writeBytes(doc, "<html/>"));
    const QString opener = m_dir.filePath(QStringLiteral("xdg-open"));
    const QString ended = doc + QStringLiteral(".ended");
    qputenv("PATH", m_dir.path().toLocal8Bit() + ':' + m_path);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(ended);
        ASSERT_TRUE(writeBytes(opener, QByteArray("#!/bin/sh\ntrap ': > \"$1.ended\"' EXIT\n") + row.ending
                                           + '\n'));
        QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        auto asker = std::make_unique<QObject>();
        QStringList heard;
        QString error = QStringLiteral("x");
        EXPECT_TRUE(shellExec(doc, {}, QString(), 1, error, asker.get(),
                              [&heard](const QString &text) { heard << text; }));
        EXPECT_EQ(error, QString());
        if (row.askerGoes)
            asker.reset();
        if (row.runsOn) {
            EXPECT_FALSE(QFile::exists(ended)) << "the call waited for the opener";
        }
        for (int i = 0; i < 200 && !row.runsOn && !QFile::exists(ended); ++i)
            QThread::msleep(10);
        // The verdict arrives through the event loop once the opener has ended.
        for (int i = 0; i < 30 && heard.isEmpty(); ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
        EXPECT_EQ(heard, row.opened ? QStringList() : QStringList{msg(MsgShellNoAssociation)});
    }
    ASSERT_TRUE(writeBytes(doc + QStringLiteral(".go"), ""));
    for (int i = 0; i < 100 && !QFile::exists(ended); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    EXPECT_TRUE(QFile::exists(ended));
    // The opener left running is freed once it has ended.
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(20);
    }
}

TEST_F(ShellExec, OpensWithXdgOpenGivingThePathAsOneArgument)
{
    int argc = 1;
    char name[] = "core_tests";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const QString doc = m_dir.filePath(QStringLiteral("my list; $(x).html"));
    const QString seen = m_dir.filePath(QStringLiteral("seen"));
    ASSERT_TRUE(writeBytes(doc, "<html/>"));
    const QString opener = m_dir.filePath(QStringLiteral("xdg-open"));
    ASSERT_TRUE(writeBytes(opener, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"" + seen.toUtf8()
                                       + ".tmp\" && mv \"" + seen.toUtf8() + ".tmp\" \""
                                       + seen.toUtf8() + "\"\n"));
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", m_dir.path().toLocal8Bit() + ':' + m_path);
    QString error = QStringLiteral("x");
    EXPECT_TRUE(shellExec(doc, {}, QString(), 1, error));
    EXPECT_TRUE(error.isEmpty());
    for (int i = 0; i < 100 && !QFile::exists(seen); ++i)
        QThread::msleep(20);
    // The opener is left to run and freed once it has ended, which the
    // event loop hears.
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(20);
    }
    EXPECT_EQ(QString::fromUtf8(readBytes(seen)), QStringLiteral("1|") + doc);
}

} // namespace
