#include "core/transfer/qel_ftp.h"

#include "script_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kUser = QStringLiteral("root");
const QString kPassword = QStringLiteral("dbox2");
const QString kZapit = QStringLiteral("/var/tuxbox/config/zapit");
constexpr qint64 kSmallLimit = 4096;
const QString kNoSuchFile =
    QStringLiteral("The server has no such file or does not allow access to it.");
// A window of two seconds, so that a trickle is cut in two; the stall time
// the tests set is longer, so it is the floor that cuts.
constexpr TransferRateFloor kQuickFloor{kRateFloorBytesPerSecond, 2};
const QString kTooSlow =
    QStringLiteral("Too slow: less than 1 KB a second on average over 2 seconds.");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A receiver's file system served over FTP on loopback.
class FtpTransfer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid() && local.isValid());
        services = QByteArray("<?xml version=\"1.0\"?>\n<zapit>\n\xff\x00\x01 binary\r\n</zapit>\n", 48);
        writeFile(home.path() + kZapit + "/services.xml", services);
        writeFile(home.path() + kZapit + "/bouquets.xml", "<zapit/>\n");
        writeFile(home.path() + kZapit + "/empty.xml", "");
        writeFile(home.path() + "/var/my files/with space.xml", "spaced\n");
        // Files the server misbehaves on (see ftp_server.py), and two around
        // the small size limit the tests set.
        for (const char *name : {"stall-services.xml", "drop-services.xml", "flood-services.xml",
                                 "trickle-services.xml", "slow-reply-services.xml"})
            writeFile(home.path() + kZapit + u'/' + QLatin1String(name), QByteArray(1000, 'm'));
        writeFile(home.path() + kZapit + "/over.xml", QByteArray(kSmallLimit + 1, 'o'));
        writeFile(home.path() + kZapit + "/exact.xml", QByteArray(kSmallLimit, 'x'));
        server = std::make_unique<ScriptServer>(
            QStringLiteral("ftp_server.py"),
            QStringList{"--root", home.path(), "--user", kUser, "--password", kPassword});
        ASSERT_NE(server->port(), 0) << server->errors().toStdString();
    }

    std::unique_ptr<TQelFTP> session(const QString &password = kPassword)
    {
        auto ftp = std::make_unique<TQelFTP>(QStringLiteral("127.000.000.001"), kUser, password,
                                             server->port(),
                                             [this](const QString &w) { warnings << w; });
        ftp->setTimeouts(5, 5);
        return ftp;
    }

    QTemporaryDir home;
    QTemporaryDir local;
    QByteArray services;
    std::unique_ptr<ScriptServer> server;
    QStringList warnings;
};

TEST_F(FtpTransfer, GetAndPutRoundTripsAreByteIdentical)
{
    auto ftp = session();
    ASSERT_TRUE(ftp->Connect());
    ASSERT_TRUE(ftp->Login());
    const QString copy = local.filePath("services.xml");
    ASSERT_TRUE(ftp->GetFile(kZapit + "/services.xml", copy));
    EXPECT_EQ(readAll(copy), services);

    // The server does not know "chmod": its refusal must not fail the upload.
    ASSERT_TRUE(ftp->PutFile(copy, kZapit + "/services-copy.xml"));
    EXPECT_EQ(readAll(home.path() + kZapit + "/services-copy.xml"), services);

    writeFile(local.filePath("replacement.xml"), "short\n");
    ASSERT_TRUE(ftp->PutFile(local.filePath("replacement.xml"), kZapit + "/services-copy.xml"));
    EXPECT_EQ(readAll(home.path() + kZapit + "/services-copy.xml"), "short\n");
    EXPECT_TRUE(ftp->Disconnect());
}

TEST_F(FtpTransfer, SpacesAndEmptyFiles)
{
    auto ftp = session();
    ASSERT_TRUE(ftp->Connect() && ftp->Login());
    const QString spaced = local.filePath("a b.xml");
    ASSERT_TRUE(ftp->GetFile("/var/my files/with space.xml", spaced));
    EXPECT_EQ(readAll(spaced), "spaced\n");
    ASSERT_TRUE(ftp->PutFile(spaced, "/var/my files/back again.xml"));
    EXPECT_EQ(readAll(home.path() + "/var/my files/back again.xml"), "spaced\n");

    const QString empty = local.filePath("empty.xml");
    ASSERT_TRUE(ftp->GetFile(kZapit + "/empty.xml", empty));
    EXPECT_TRUE(QFileInfo::exists(empty));
    EXPECT_EQ(QFileInfo(empty).size(), 0);
}

TEST_F(FtpTransfer, MissingRemoteFileKeepsTheOldLocalCopy)
{
    auto ftp = session();
    ASSERT_TRUE(ftp->Connect() && ftp->Login());
    const QString target = local.filePath("services.xml");
    writeFile(target, "previous\n");
    EXPECT_FALSE(ftp->GetFile(kZapit + "/nothing-here.xml", target));
    EXPECT_EQ(readAll(target), "previous\n");
    EXPECT_EQ(ftp->FailureReason(), kNoSuchFile);
}

// Whatever goes wrong, the local copy there before stays as it was, nothing
// partial is left beside it, and the reason names what happened.
TEST_F(FtpTransfer, FailedGetsKeepThePreviousFileAndSayWhy)
{
    const struct {
        QString remote;
        QString reason; // empty: the file arrives
    } rows[] = {
        {kZapit + "/nothing-here.xml", kNoSuchFile},
        {"/no/such/folder/services.xml", kNoSuchFile},
        {kZapit + "/over.xml", "Size limit exceeded: the file is larger than 4 KB."},
        {kZapit + "/flood-services.xml", "Size limit exceeded: the file is larger than 4 KB."},
        {kZapit + "/stall-services.xml", "Timed out: nothing arrived for 2 seconds."},
        {kZapit + "/drop-services.xml",
         "The connection was lost before the transfer was complete."},
        {kZapit + "/exact.xml", ""},
    };
    for (const auto &r : rows) {
        const bool arrives = r.reason.isEmpty();
        auto ftp = session();
        ftp->setTimeouts(5, 2);
        ftp->setSizeLimit(kSmallLimit);
        ASSERT_TRUE(ftp->Connect() && ftp->Login()) << r.remote.toStdString();
        const QString target = local.filePath("services.xml");
        writeFile(target, "previous\n");
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(ftp->GetFile(r.remote, target), arrives) << r.remote.toStdString();
        EXPECT_LT(timer.elapsed(), 4000) << r.remote.toStdString();
        EXPECT_EQ(ftp->FailureReason(), r.reason) << r.remote.toStdString();
        EXPECT_EQ(readAll(target), arrives ? QByteArray(kSmallLimit, 'x') : "previous\n")
            << r.remote.toStdString();
        EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"services.xml"})
            << r.remote.toStdString();
    }
}

// Data that trickles in, and a reply that trickles in on the control
// connection ahead of a download or an upload, are held to the rate floor:
// never silent for the stall time, yet cut once a window shows them too
// slow, with a message that says so. What is not slow goes through.
TEST_F(FtpTransfer, TricklesAreCutAtTheRateFloor)
{
    writeFile(local.filePath("upload.xml"), "<zapit/>\n");
    const struct {
        const char *name;
        bool get;
        QString remote;
        QString reason; // empty: the transfer goes through
    } rows[] = {
        {"data trickles in", true, kZapit + "/trickle-services.xml", kTooSlow},
        {"reply to RETR trickles in", true, kZapit + "/slow-reply-services.xml", kTooSlow},
        // The copy under its temporary name is not asked after from a server
        // that slow: the reason names it.
        {"reply to STOR trickles in", false, kZapit + "/slow-reply-upload.xml",
         kTooSlow + "\r\nThe new copy may be left on the receiver as " + kZapit
             + "/.slow-reply-upload.xml.pelloran-upload."},
        {"plain get", true, kZapit + "/services.xml", ""},
        {"plain put", false, kZapit + "/upload.xml", ""},
    };
    for (const auto &r : rows) {
        auto ftp = session();
        ftp->setRateFloor(kQuickFloor);
        ASSERT_TRUE(ftp->Connect() && ftp->Login()) << r.name;
        const QString target = local.filePath("services.xml");
        writeFile(target, "previous\n");
        const bool done = r.get ? ftp->GetFile(r.remote, target)
                                : ftp->PutFile(local.filePath("upload.xml"), r.remote);
        EXPECT_EQ(done, r.reason.isEmpty()) << r.name;
        EXPECT_EQ(ftp->FailureReason(), r.reason) << r.name;
        if (r.get) {
            EXPECT_EQ(readAll(target), done ? services : "previous\n") << r.name;
        }
    }
}

// Wherever the link breaks during an upload, and whether the server goes
// on or is killed, the receiver's file is whole: the new one, or the one
// there before, byte for byte. What the wrapper says became of it is so,
// and no other file is left beside it but, from a killed server, the copy
// under its temporary name, which the reason names and the next upload into
// the folder removes. A receiver without room for the copy says so, and is
// written straight into only when asked to.
TEST(FtpUpload, ACutShortUploadLeavesTheFileAsItWas)
{
    const QByteArray before = QByteArray("<zapit>before</zapit>\n").repeated(1000);
    QByteArray fresh(1 << 20, '\0');
    for (qsizetype i = 0; i < fresh.size(); ++i)
        fresh[i] = char('a' + i % 26);
    const QString dropped = "The connection was lost before the transfer was complete.";
    const QString refused = "The receiver refused to put the new copy in the place of the file.";
    const QString noRoom = "The receiver has no room left for the new copy.";
    const QString aside = ".services.xml.pelloran-upload";
    const QString asideLeft = "The new copy may be left on the receiver as " + kZapit + '/' + aside + '.';
    const struct {
        const char *name;
        QStringList server;
        bool inPlace;
        bool put;
        TPutOutcome outcome;
        bool asideMayStay;
    } rows[] = {
        {"whole", {}, false, true, TPutOutcome::Replaced, false},
        {"server without SIZE", {"--no-size"}, false, true, TPutOutcome::Replaced, false},
        {"before the first byte", {"--cut", "STOR:services.xml:0"}, false, false, TPutOutcome::Kept, false},
        {"after the first byte", {"--cut", "STOR:services.xml:1"}, false, false, TPutOutcome::Kept, false},
        {"halfway", {"--cut", "STOR:services.xml:524288"}, false, false, TPutOutcome::Kept, false},
        {"after the last byte", {"--cut", "STOR:services.xml:all"}, false, false, TPutOutcome::Kept, false},
        {"at the size check", {"--cut", "SIZE:services.xml"}, false, false, TPutOutcome::Kept, false},
        {"at the rename", {"--cut", "RNFR:services.xml"}, false, false, TPutOutcome::Kept, false},
        {"at the new name", {"--cut", "RNTO:services.xml"}, false, false, TPutOutcome::Kept, false},
        // Whether the server renamed before it died, nobody can tell.
        {"server killed at the new name", {"--cut", "RNTO:services.xml", "--die"}, false, false,
         TPutOutcome::Unknown, true},
        {"stored short", {"--short-store", "services.xml"}, false, false, TPutOutcome::Kept, false},
        {"server killed halfway", {"--cut", "STOR:services.xml:524288", "--die"}, false, false,
         TPutOutcome::Kept, true},
        {"server killed after the last byte", {"--cut", "STOR:services.xml:all", "--die"}, false,
         false, TPutOutcome::Kept, true},
        {"rename refused", {"--refuse-rename"}, false, false, TPutOutcome::Kept, false},
        {"rename refused, written in place", {"--refuse-rename"}, true, true, TPutOutcome::Replaced,
         false},
        {"no room for the copy", {"--no-room", "452"}, false, false, TPutOutcome::Kept, false},
        {"no room for the copy, exceeded storage", {"--no-room", "552"}, false, false,
         TPutOutcome::Kept, false},
        {"no room for the copy, written in place", {"--no-room", "552"}, true, true,
         TPutOutcome::Replaced, false},
        // Written straight into, the file is cut short, and the wrapper says
        // it cannot vouch for it.
        {"written in place, cut halfway", {"--cut", "STOR:services.xml:524288"}, true, false,
         TPutOutcome::Unknown, false},
        {"written in place, server killed", {"--cut", "STOR:services.xml:0", "--die"}, true, false,
         TPutOutcome::Unknown, false},
    };
    QTemporaryDir local;
    const QString source = local.filePath("services.xml");
    writeFile(source, fresh);
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        QTemporaryDir home;
        const QString target = home.path() + kZapit + "/services.xml";
        writeFile(target, before);
        ScriptServer server(QStringLiteral("ftp_server.py"),
                            QStringList{"--root", home.path(), "--user", kUser, "--password",
                                        kPassword}
                                + r.server);
        ASSERT_NE(server.port(), 0) << server.errors().toStdString();
        TQelFTP ftp(QStringLiteral("127.000.000.001"), kUser, kPassword, server.port());
        ftp.setTimeouts(5, 5);
        ftp.setWriteInPlace(r.inPlace);
        ASSERT_TRUE(ftp.Connect() && ftp.Login());
        EXPECT_EQ(ftp.PutFile(source, kZapit + "/services.xml"), r.put);
        EXPECT_EQ(ftp.LastPut(), r.outcome);
        const QByteArray now = readAll(target);
        if (r.inPlace && !r.put)
            EXPECT_TRUE(now == before || (now.size() < fresh.size() && fresh.startsWith(now)));
        else
            EXPECT_TRUE(now == (r.put ? fresh : before));
        const QString name = QString::fromLatin1(r.name);
        if (!r.put) {
            const QString reason = name.startsWith("rename") ? refused
                : name.startsWith("no room")                 ? noRoom
                                                             : dropped;
            EXPECT_EQ(ftp.FailureReason(), r.asideMayStay ? reason + "\r\n" + asideLeft : reason);
        }
        EXPECT_EQ(ftp.InPlaceMayHelp(),
                  !r.put && !r.inPlace && (name.startsWith("rename") || name.startsWith("no room")));
        QStringList left = QDir(home.path() + kZapit).entryList(QDir::Files | QDir::Hidden);
        if (r.asideMayStay)
            left.removeAll(aside);
        EXPECT_EQ(left, QStringList{"services.xml"});

        // The next upload into the folder, of another file, first removes the
        // copy a killed server kept: the receiver's files are as they were.
        if (r.asideMayStay) {
            const QByteArray fileNow = readAll(target);
            writeFile(home.path() + kZapit + "/bouquets.xml", before);
            ScriptServer again(QStringLiteral("ftp_server.py"),
                               QStringList{"--root", home.path(), "--user", kUser, "--password",
                                           kPassword});
            ASSERT_NE(again.port(), 0) << again.errors().toStdString();
            TQelFTP next(QStringLiteral("127.000.000.001"), kUser, kPassword, again.port());
            next.setTimeouts(5, 5);
            ASSERT_TRUE(next.Connect() && next.Login());
            EXPECT_TRUE(next.PutFile(source, kZapit + "/bouquets.xml"));
            EXPECT_EQ(QDir(home.path() + kZapit).entryList(QDir::Files | QDir::Hidden),
                      (QStringList{"bouquets.xml", "services.xml"}));
            EXPECT_TRUE(readAll(home.path() + kZapit + "/bouquets.xml") == fresh);
            EXPECT_TRUE(readAll(target) == fileNow);
        }
    }
}

TEST_F(FtpTransfer, WrongPasswordConnectsButCannotLogIn)
{
    auto ftp = session(QStringLiteral("wrong"));
    EXPECT_TRUE(ftp->Connect());
    EXPECT_FALSE(ftp->Login());
    EXPECT_EQ(ftp->FailureReason(), "Login refused.");
    EXPECT_FALSE(ftp->GetFile(kZapit + "/services.xml", local.filePath("x.xml")));
    EXPECT_EQ(ftp->FailureReason(), "Login refused.");
}

TEST_F(FtpTransfer, PutFileOfMissingLocalFileFails)
{
    auto ftp = session();
    ASSERT_TRUE(ftp->Connect() && ftp->Login());
    EXPECT_FALSE(ftp->PutFile(local.filePath("not-there.xml"), kZapit + "/new.xml"));
    EXPECT_FALSE(QFileInfo::exists(home.path() + kZapit + "/new.xml"));
    EXPECT_EQ(ftp->FailureReason(), "Local file error: No such file or directory");
    // Nothing was connected for it either.
    TQelFTP never(QStringLiteral("127.0.0.1"), kUser, kPassword, server->port());
    EXPECT_FALSE(never.PutFile(local.filePath("not-there.xml"), kZapit + "/new.xml"));
}

TEST_F(FtpTransfer, GetFilesRebuildsTheTreeOrFlattensIt)
{
    auto ftp = session();
    ASSERT_TRUE(ftp->Connect() && ftp->Login());
    const QStringList remote = {kZapit + "/services.xml", kZapit + "/bouquets.xml",
                                kZapit + "/gone.xml"};
    EXPECT_FALSE(ftp->GetFiles(remote, local.filePath("tree"), true));
    EXPECT_EQ(readAll(local.filePath("tree/var/tuxbox/config/zapit/services.xml")), services);
    EXPECT_TRUE(QFileInfo::exists(local.filePath("tree/var/tuxbox/config/zapit/bouquets.xml")));
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0],
              "FTP: Getting /var/tuxbox/config/zapit/gone.xml failed.\r\n" + kNoSuchFile);

    warnings.clear();
    EXPECT_TRUE(ftp->GetFiles(remote.mid(0, 2), local.filePath("flat"), false));
    EXPECT_EQ(readAll(local.filePath("flat/services.xml")), services);
    EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(FtpTransfer, PutFilesWithUnpairedEntries)
{
    auto ftp = session();
    ASSERT_TRUE(ftp->Connect() && ftp->Login());
    writeFile(local.filePath("one.xml"), "1\n");
    writeFile(local.filePath("two.xml"), "2\n");
    EXPECT_FALSE(ftp->PutFiles({local.filePath("one.xml"), local.filePath("two.xml")},
                               {kZapit + "/one.xml"}));
    EXPECT_EQ(readAll(home.path() + kZapit + "/one.xml"), "1\n");
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0], "FTP: Putting two.xml to  failed.");
}

TEST(FtpConnect, ClosedPortFailsQuickly)
{
    // A port that was free a moment ago: nothing listens there now.
    int port = 0;
    {
        QTemporaryDir home;
        ScriptServer probe(QStringLiteral("ftp_server.py"),
                           {"--root", home.path(), "--user", "u", "--password", "p"});
        port = probe.port();
    }
    ASSERT_NE(port, 0);
    TQelFTP ftp(QStringLiteral("127.0.0.1"), kUser, kPassword, port);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(ftp.Connect());
    EXPECT_FALSE(ftp.Login());
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_EQ(ftp.FailureReason(), "Connection refused.");
}

// Each time-out names the limit that ran out: a server that never greets
// uses up the connect time unless the stall time is shorter, and a reply
// that never comes once logged in is a stall, not a connect time-out.
TEST(FtpTimeOuts, EachNamesTheLimitThatRanOut)
{
    QTemporaryDir home;
    QTemporaryDir held; // --hold-dir whose transfers nobody lets go
    writeFile(home.path() + "/services.xml", "<zapit/>\n");
    ScriptServer silent(QStringLiteral("ftp_server.py"),
                        {"--root", home.path(), "--user", kUser, "--password", kPassword,
                         "--silent"});
    ScriptServer holding(QStringLiteral("ftp_server.py"),
                         {"--root", home.path(), "--user", kUser, "--password", kPassword,
                          "--hold-dir", held.path()});
    ASSERT_NE(silent.port(), 0) << silent.errors().toStdString();
    ASSERT_NE(holding.port(), 0) << holding.errors().toStdString();
    const struct {
        const char *name;
        int port;
        int connectSeconds;
        int stallSeconds;
        bool connects;
        QString reason;
    } rows[] = {
        {"silent, stall first", silent.port(), 5, 2, false,
         "Timed out: nothing arrived for 2 seconds."},
        {"silent, connect first", silent.port(), 2, 5, false,
         "Timed out: no connection within 2 seconds."},
        {"unanswered RETR", holding.port(), 2, 3, true,
         "Timed out: nothing arrived for 3 seconds."},
    };
    for (const auto &r : rows) {
        TQelFTP ftp(QStringLiteral("127.0.0.1"), kUser, kPassword, r.port);
        ftp.setTimeouts(r.connectSeconds, r.stallSeconds);
        ASSERT_EQ(ftp.Connect(), r.connects) << r.name;
        if (r.connects) {
            EXPECT_FALSE(ftp.GetFile("/services.xml", home.filePath("copy.xml"))) << r.name;
        }
        EXPECT_EQ(ftp.FailureReason(), r.reason) << r.name;
    }
}

TEST(FtpPaths, LocalPathForStaysBelowTheRoot)
{
    const QString root = QStringLiteral("/backup");
    const struct {
        const char *remote;
        bool keepTree;
        const char *expected;
    } rows[] = {
        {"/var/tuxbox/config/zapit/services.xml", true, "/backup/var/tuxbox/config/zapit/services.xml"},
        {"/var/tuxbox/config/zapit/services.xml", false, "/backup/services.xml"},
        {"relative/file.xml", true, "/backup/relative/file.xml"},
        {"/var/../../etc/passwd", true, ""},
        {"/var/zapit/..", false, ""},
        {"/var/zapit/", true, ""},
        {"", false, ""},
        {"/a/b/../c.xml", true, "/backup/a/c.xml"},
    };
    for (const auto &r : rows) {
        EXPECT_EQ(TQelFTP::localPathFor(QString::fromLatin1(r.remote), root, r.keepTree),
                  QString::fromLatin1(r.expected))
            << r.remote;
    }
}

} // namespace
