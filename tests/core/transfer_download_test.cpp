#include "core/transfer/download_progress.h"
#include "core/transfer/transfer_reason.h"

#include "script_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The bar as the main window would show it, remembering every move.
class RecordingBar : public TProgressDisplay
{
public:
    void setProgressPosition(int position) override
    {
        m_position = position;
        moves.push_back(position);
    }
    int progressPosition() const override { return m_position; }
    void letEventsRun() override { ++eventRuns; }

    std::vector<int> moves;
    int eventRuns = 0;

private:
    int m_position = 0;
};

class Progress : public ::testing::Test
{
protected:
    void SetUp() override { setProgressDisplay(&bar); }
    void TearDown() override { setProgressDisplay(nullptr); }
    RecordingBar bar;
};

TEST_F(Progress, StepsRoundToTheNearestPercent)
{
    progressInit(100);
    progressSetStep(37);
    EXPECT_EQ(progressGetPosition(), 37);

    progressInit(3);
    bar.moves.clear();
    progressStep();
    progressStep();
    progressStep();
    EXPECT_EQ(bar.moves, (std::vector<int>{33, 67, 100}));

    // Halves go to the even neighbour: 1/8 is 12.5 percent.
    progressInit(8);
    progressStep();
    EXPECT_EQ(progressGetPosition(), 12);
    EXPECT_GT(bar.eventRuns, 0);
}

TEST_F(Progress, StatusCallbackDrivesTheBar)
{
    TStatusCallback callback;
    callback.OnProgress(0, 0, TStatusCallback::BeginDownloadData);
    EXPECT_EQ(progressGetPosition(), 0);
    bar.moves.clear();
    callback.OnProgress(50, 200, TStatusCallback::DownloadingData);
    callback.OnProgress(51, 200, TStatusCallback::DownloadingData); // 25.5 rounds up
    callback.OnProgress(1, 3, TStatusCallback::DownloadingData);
    callback.OnProgress(2, 3, TStatusCallback::DownloadingData);
    EXPECT_EQ(bar.moves, (std::vector<int>{25, 26, 33, 67}));

    // No total known: -1, set once however often it is reported.
    bar.moves.clear();
    callback.OnProgress(10, 0, TStatusCallback::DownloadingData);
    callback.OnProgress(20, 0, TStatusCallback::DownloadingData);
    EXPECT_EQ(bar.moves, (std::vector<int>{-1}));

    callback.OnProgress(0, 0, TStatusCallback::EndDownloadData);
    EXPECT_EQ(progressGetPosition(), 0);
    bar.moves.clear();
    callback.OnProgress(5, 10, 99);
    EXPECT_TRUE(bar.moves.empty());
}

// Files and misbehaving paths served over HTTP on loopback.
class Download : public Progress
{
protected:
    void SetUp() override
    {
        Progress::SetUp();
        ASSERT_TRUE(root.isValid() && local.isValid());
        QFile file(root.filePath("services.xml"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        body = QByteArray(300000, 'a');
        file.write(body);
        file.close();
        server = std::make_unique<ScriptServer>(QStringLiteral("http_server.py"),
                                                QStringList{"--root", root.path()});
        ASSERT_NE(server->port(), 0) << server->errors().toStdString();
        setStatusCallback(&callback);
    }
    void TearDown() override
    {
        setStatusCallback(nullptr);
        Progress::TearDown();
    }

    QString url(const char *path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server->port()).arg(QLatin1String(path));
    }

    QTemporaryDir root;
    QTemporaryDir local;
    QByteArray body;
    std::unique_ptr<ScriptServer> server;
    TStatusCallback callback;
};

TEST_F(Download, CompleteBodyArrivesWithProgress)
{
    const QString target = local.filePath("services.xml");
    QString error = QStringLiteral("stale");
    ASSERT_TRUE(downloadUrlToFile(url("/services.xml"), target, error));
    EXPECT_TRUE(error.isEmpty());
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), body);
    ASSERT_GE(bar.moves.size(), 3u);
    EXPECT_EQ(bar.moves.front(), 0);
    EXPECT_EQ(bar.moves.back(), 0);
    EXPECT_NE(std::find(bar.moves.begin(), bar.moves.end(), 100), bar.moves.end());
}

// Only a complete download within the limit replaces the file there before;
// every failure keeps it, leaves no partial file beside it, and says why on
// the line after the designed text.
TEST_F(Download, FailuresKeepThePreviousFileAndSayWhy)
{
    constexpr qint64 kSmallLimit = 4096;
    const struct {
        const char *path;
        const char *reason; // null: the download succeeds
    } rows[] = {
        {"/missing", "HTTP 404"},
        {"/status/500", "HTTP 500"},
        {"/status/403", "HTTP 403"},
        {"/truncated", "The connection was lost before the transfer was complete."},
        {"/stall", "Timed out: nothing arrived for 2 seconds."},
        {"/silent", "Timed out: nothing arrived for 2 seconds."},
        {"/big/4097", "Size limit exceeded: the file is larger than 4 KB."},
        {"/flood", "Size limit exceeded: the file is larger than 4 KB."},
        {"/big/4096", nullptr},
        {"/nolength", nullptr},
        {"/redirect/big/4000", nullptr},
        // Slow but never silent for the stall time: not a stall.
        {"/trickle/6/500", nullptr},
    };
    const DownloadOptions quick{5, 2, kSmallLimit};
    for (const auto &r : rows) {
        const QString target = local.filePath("out.xml");
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QString error = QStringLiteral("stale");
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(downloadUrlToFile(url(r.path), target, error, quick), r.reason == nullptr)
            << r.path;
        EXPECT_LT(timer.elapsed(), 5000) << r.path;
        EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.xml"})
            << r.path;
        if (r.reason) {
            EXPECT_EQ(error, "Download failed!\r\n" + QLatin1String(r.reason)) << r.path;
            QFile kept(target);
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), "old") << r.path;
        } else {
            EXPECT_TRUE(error.isEmpty()) << r.path << ": " << error.toStdString();
            EXPECT_NE(QFileInfo(target).size(), 3) << r.path;
        }
    }
}

// The stall time counts from the last byte: libcurl's own low-speed check
// averages over several seconds and would let a stalled server hang on for
// far longer than asked.
TEST_F(Download, StallEndsSoonAfterTheLastByte)
{
    for (const int seconds : {1, 3}) {
        QString error;
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(
            downloadUrlToFile(url("/stall"), local.filePath("s.xml"), error, {5, seconds}));
        EXPECT_GE(timer.elapsed(), seconds * 1000 - 100) << seconds;
        EXPECT_LT(timer.elapsed(), seconds * 1000 + 1500) << seconds;
        EXPECT_TRUE(error.endsWith(QStringLiteral("nothing arrived for %1 seconds.").arg(seconds)))
            << error.toStdString();
    }
}

// A server that trickles (50 bytes a second) is never silent for the stall
// time; it is cut once the floor's window shows it too slow, and says so.
// A body that is not slow arrives under the same short window.
TEST_F(Download, TricklesAreCutAtTheRateFloor)
{
    const DownloadOptions quickFloor{5, 5, kChannelListSizeLimit, {kRateFloorBytesPerSecond, 2}};
    const struct {
        const char *path;
        const char *reason; // null: the download succeeds
    } rows[] = {
        {"/trickle/100000/20", "Too slow: less than 1 KB a second on average over 2 seconds."},
        {"/services.xml", nullptr},
    };
    for (const auto &r : rows) {
        const QString target = local.filePath("out.xml");
        QString error;
        EXPECT_EQ(downloadUrlToFile(url(r.path), target, error, quickFloor), r.reason == nullptr)
            << r.path;
        EXPECT_EQ(error, r.reason ? "Download failed!\r\n" + QLatin1String(r.reason) : QString())
            << r.path;
        EXPECT_EQ(QFile::exists(target), r.reason == nullptr) << r.path;
    }
}

TEST_F(Download, CallersPickTheSizeLimit)
{
    // What a caller leaves unsaid is fetched as a web page.
    EXPECT_EQ(DownloadOptions{}.sizeLimit, kWebPageSizeLimit);
    QString error;
    const QString target = local.filePath("page.html");
    // 300,000 bytes: far too much for a 100 KB limit, nothing for the default.
    EXPECT_FALSE(downloadUrlToFile(url("/services.xml"), target, error, {5, 5, 100 * 1024}));
    EXPECT_EQ(error, "Download failed!\r\nSize limit exceeded: the file is larger than 100 KB.");
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(downloadUrlToFile(url("/services.xml"), target, error));
}

TEST_F(Download, RefusedConnectionIsNamed)
{
    const int port = server->port();
    server.reset();
    QString error;
    EXPECT_FALSE(downloadUrlToFile(QStringLiteral("http://127.0.0.1:%1/x").arg(port),
                                   local.filePath("x"), error, {2, 2}));
    EXPECT_EQ(error, "Download failed!\r\nConnection refused.");
}

TEST(DownloadSchemes, OnlyWebAddressesAreFetched)
{
    QTemporaryDir local;
    QString error;
    const QString target = local.filePath("x");
    EXPECT_FALSE(downloadUrlToFile(QStringLiteral("file:///etc/hostname"), target, error));
    EXPECT_EQ(error, "Download failed!\r\nOnly http: and https: addresses can be downloaded.");
    EXPECT_FALSE(downloadUrlToFile(QStringLiteral("ftp://127.0.0.1/x"), target, error));
    // Nothing listens on this port in the test namespace.
    EXPECT_FALSE(downloadUrlToFile(QStringLiteral("HTTPS://127.0.0.1:1/x"), target, error, {2, 2}));
    EXPECT_EQ(error, "Download failed!\r\nConnection refused.");
    EXPECT_FALSE(QFile::exists(target));
}

TEST(TransferReason, SizesReadAsPeopleSayThem)
{
    const struct {
        qint64 bytes;
        const char *text;
    } rows[] = {
        {kChannelListSizeLimit, "64 MB"}, {kWebPageSizeLimit, "16 MB"}, {kLogoSizeLimit, "4 MB"},
        {4096, "4 KB"},  {1000, "1000 bytes"}, {1536 * 1024, "1536 KB"}, {0, "0 bytes"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(transferSizeText(r.bytes), QLatin1String(r.text)) << r.bytes;
}

} // namespace
