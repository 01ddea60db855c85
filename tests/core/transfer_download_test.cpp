#include "core/transfer/download_progress.h"

#include "script_server.h"

#include <QElapsedTimer>
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

TEST_F(Download, FailuresLeaveNoFile)
{
    const struct {
        const char *path;
        bool succeeds;
    } rows[] = {
        {"/missing", false},      {"/truncated", false},          {"/nolength", true},
        {"/redirect/services.xml", true}, {"/stall", false},
    };
    const DownloadOptions quick{5, 1};
    for (const auto &r : rows) {
        const QString target = local.filePath("out.xml");
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QString error;
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(downloadUrlToFile(url(r.path), target, error, quick), r.succeeds) << r.path;
        EXPECT_LT(timer.elapsed(), 15000) << r.path;
        EXPECT_EQ(QFile::exists(target), r.succeeds) << r.path;
        EXPECT_EQ(error, r.succeeds ? QString() : QStringLiteral("Download failed!")) << r.path;
    }
}

TEST(DownloadSchemes, OnlyWebAddressesAreFetched)
{
    QTemporaryDir local;
    QString error;
    const QString target = local.filePath("x");
    EXPECT_FALSE(downloadUrlToFile(QStringLiteral("file:///etc/hostname"), target, error));
    EXPECT_EQ(error, "Download failed!");
    EXPECT_FALSE(downloadUrlToFile(QStringLiteral("ftp://127.0.0.1/x"), target, error));
    // Nothing listens on this port in the test namespace.
    EXPECT_FALSE(downloadUrlToFile(QStringLiteral("HTTPS://127.0.0.1:1/x"), target, error, {2, 2}));
    EXPECT_FALSE(QFile::exists(target));
}

} // namespace
