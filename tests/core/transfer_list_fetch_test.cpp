#include "core/model/bouquet_list.h"
#include "core/model/service_list.h"
#include "core/util/sys_utils.h"
#include "core/zapit/xml_file_handler.h"

#include "script_server.h"
#include "zapit_test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using zapit_test::fixturesDir;
using zapit_test::readBytes;
using zapit_test::writeBytes;

namespace {

const QString kZapit = QStringLiteral("/var/tuxbox/config/zapit");
const QString kUser = QStringLiteral("root");
const QString kPassword = QStringLiteral("dbox2");

QString fixture(const char *name)
{
    return fixturesDir(QStringLiteral("zapit")) + u'/' + QLatin1String(name);
}

QStringList tempFiles()
{
    return QDir(getTempDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Lists fetched from a receiver (FTP) and from the web (HTTP) on loopback by
// the file handler, with the limits a test chooses.
class ListFetch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(program.isValid() && home.isValid() && web.isValid());
        QDir().mkpath(home.path() + kZapit);
        ASSERT_TRUE(QFile::copy(fixture("services.1.astra-canonical.xml"),
                                home.path() + kZapit + "/services.xml"));
        for (const char *name : {"stall-services.xml", "trickle-services.xml"})
            ASSERT_TRUE(writeBytes(home.path() + kZapit + '/' + name, QByteArray(900, 's')));
        ASSERT_TRUE(QFile::copy(fixture("bouquets.2.cable-canonical.xml"),
                                web.filePath("bouquets.xml")));
        ftp = std::make_unique<ScriptServer>(
            QStringLiteral("ftp_server.py"),
            QStringList{"--root", home.path(), "--user", kUser, "--password", kPassword});
        http = std::make_unique<ScriptServer>(QStringLiteral("http_server.py"),
                                              QStringList{"--root", web.path()});
        ASSERT_NE(ftp->port(), 0) << ftp->errors().toStdString();
        ASSERT_NE(http->port(), 0) << http->errors().toStdString();
    }

    std::unique_ptr<TFrmXMLHandler> handler(qint64 sizeLimit, int stallSeconds = 5,
                                            TransferRateFloor rateFloor = {})
    {
        TFrmXMLHandler::Environment env;
        env.receiver = [this] {
            return TReceiverAccess{QStringLiteral("127.000.000.001"), kUser, kPassword,
                                   ftp->port()};
        };
        env.newsFolder = program.path();
        env.connectTimeoutSeconds = 5;
        env.stallSeconds = stallSeconds;
        env.sizeLimit = sizeLimit;
        env.rateFloor = rateFloor;
        return std::make_unique<TFrmXMLHandler>(env);
    }

    QString webAddress(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/").arg(http->port()) + path;
    }

    QTemporaryDir program;
    QTemporaryDir home;
    QTemporaryDir web;
    std::unique_ptr<ScriptServer> ftp;
    std::unique_ptr<ScriptServer> http;
};

TEST_F(ListFetch, ReceiverListOverTheLimitKeepsTheLastCopyAndList)
{
    const qint64 size = QFileInfo(home.path() + kZapit + "/services.xml").size();
    TServiceList services;
    QString error;
    ASSERT_TRUE(handler(size)->OpenServices("ftp:" + kZapit + "/services.xml", "", services, error))
        << error.toStdString();
    const int count = services.Count();
    ASSERT_GT(count, 0);
    const QString localCopy = getTempDir() + "services.xml";
    const QByteArray previous = readBytes(localCopy);
    ASSERT_FALSE(previous.isEmpty());

    // The receiver's list grows by a byte past what the limit allows.
    ASSERT_TRUE(writeBytes(home.path() + kZapit + "/services.xml", previous + ' '));
    const QStringList before = tempFiles();
    EXPECT_FALSE(
        handler(size)->OpenServices("ftp:" + kZapit + "/services.xml", "", services, error));
    EXPECT_EQ(error, "FTP: Getting " + kZapit + "/services.xml failed.\r\n"
                     "Size limit exceeded: the file is larger than " + QString::number(size)
                         + " bytes.");
    EXPECT_EQ(readBytes(localCopy), previous);
    EXPECT_EQ(tempFiles(), before);
    EXPECT_EQ(services.Count(), count);
}

TEST_F(ListFetch, WebListOverTheLimitLeavesNothingBehind)
{
    TBouquetList bouquets;
    QString error;
    const QStringList before = tempFiles();
    EXPECT_FALSE(handler(256)->OpenBouquets(webAddress("bouquets.xml"), "", bouquets, error));
    EXPECT_EQ(error, "Download failed!\r\nSize limit exceeded: the file is larger than 256 bytes.");
    EXPECT_EQ(tempFiles(), before);
    EXPECT_EQ(bouquets.Count(), 0);

    EXPECT_FALSE(handler(kChannelListSizeLimit)
                     ->OpenBouquets(webAddress("gone.xml"), "", bouquets, error));
    EXPECT_EQ(error, "Download failed!\r\nHTTP 404");
    EXPECT_EQ(tempFiles(), before);
}

// A channel list may outgrow a web page's limit by far and still arrive:
// the handler fetches with the channel-list limit.
TEST_F(ListFetch, ListsGetTheChannelListLimit)
{
    EXPECT_EQ(TFrmXMLHandler::Environment{}.sizeLimit, kChannelListSizeLimit);
    const qint64 size = kWebPageSizeLimit + 1;
    QString name = webAddress(QStringLiteral("big/%1").arg(size));
    QString error;
    ASSERT_TRUE(handler(TFrmXMLHandler::Environment{}.sizeLimit)->GetFile(name, "", error))
        << error.toStdString();
    EXPECT_EQ(QFileInfo(name).size(), size);
    QFile::remove(name);
}

// A source that goes silent ends at the stall time; one that trickles is
// never silent and ends once the floor's window shows it too slow (the
// window is set short, the stall time longer). Each says which it was, and
// a list that is not slow still arrives under the same short window.
TEST_F(ListFetch, StalledAndTricklingSourcesEndAndSaySo)
{
    const TransferRateFloor quickFloor{kRateFloorBytesPerSecond, 2};
    const QString tooSlow = "Too slow: less than 1 KB a second on average over 2 seconds.";
    const struct {
        QString source;
        int stallSeconds;
        TransferRateFloor floor;
        QString error; // empty: the list arrives
    } rows[] = {
        {"ftp:" + kZapit + "/stall-services.xml", 2, {},
         "FTP: Getting " + kZapit + "/stall-services.xml failed.\r\n"
         "Timed out: nothing arrived for 2 seconds."},
        {webAddress("stall"), 2, {}, "Download failed!\r\nTimed out: nothing arrived for 2 seconds."},
        {"ftp:" + kZapit + "/trickle-services.xml", 5, quickFloor,
         "FTP: Getting " + kZapit + "/trickle-services.xml failed.\r\n" + tooSlow},
        {webAddress("trickle/100000/20"), 5, quickFloor, "Download failed!\r\n" + tooSlow},
        {"ftp:" + kZapit + "/services.xml", 5, quickFloor, ""},
        {webAddress("bouquets.xml"), 5, quickFloor, ""},
    };
    for (const auto &r : rows) {
        QString name = r.source;
        QString error;
        EXPECT_EQ(handler(kChannelListSizeLimit, r.stallSeconds, r.floor)->GetFile(name, "", error),
                  r.error.isEmpty())
            << r.source.toStdString();
        EXPECT_EQ(error, r.error) << r.source.toStdString();
        if (r.error.isEmpty())
            QFile::remove(name);
    }
}

// An upload that the receiver answers too slowly says so.
TEST_F(ListFetch, TricklingUploadEndsAndSaysSo)
{
    const QString local = program.filePath("services.xml");
    ASSERT_TRUE(QFile::copy(fixture("services.1.astra-canonical.xml"), local));
    const TransferRateFloor quickFloor{kRateFloorBytesPerSecond, 2};
    QString error;
    EXPECT_FALSE(handler(kChannelListSizeLimit, 5, quickFloor)
                     ->PutFile(local, "", "ftp:" + kZapit + "/slow-reply-services.xml", error));
    EXPECT_EQ(error, "FTP: Putting services.xml to " + kZapit + "/slow-reply-services.xml failed.\r\n"
                     "Too slow: less than 1 KB a second on average over 2 seconds.\r\n"
                     "The new copy may be left on the receiver as " + kZapit
                         + "/.slow-reply-services.xml.pelloran-upload.");
    EXPECT_TRUE(handler(kChannelListSizeLimit, 5, quickFloor)
                    ->PutFile(local, "", "ftp:" + kZapit + "/services.xml", error))
        << error.toStdString();
}

} // namespace
