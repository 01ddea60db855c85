#include "core/transfer/download_progress.h"
#include "exchange/kingofsat_fetch.h"
#include "platform/system_paths.h"

#include "form_test_support.h"
#include "qt_print.h"
#include "script_server.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kFixtureRoot = QStringLiteral(PELLORAN_FIXTURES_DIR "/kingofsat");

// Records what the progress bar is told, as the main window would show it.
class RecordedBar : public TProgressDisplay
{
public:
    void setProgressPosition(int position) override
    {
        positions.push_back(position);
        current = position;
    }
    int progressPosition() const override { return current; }
    void letEventsRun() override {}

    std::vector<int> positions;
    int current = 0;
};

class KingOfSatFetch : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_app = std::make_unique<FormTestApp>(); }
    static void TearDownTestSuite() { s_app.reset(); }

    void SetUp() override
    {
        server = std::make_unique<ScriptServer>(QStringLiteral("http_server.py"),
                                                QStringList{"--root", kFixtureRoot});
        ASSERT_NE(server->port(), 0);
        setProgressDisplay(&bar);
        setStatusCallback(&callback);
    }
    void TearDown() override
    {
        setStatusCallback(nullptr);
        setProgressDisplay(nullptr);
    }

    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(server->port()).arg(path);
    }

    static inline std::unique_ptr<FormTestApp> s_app;
    std::unique_ptr<ScriptServer> server;
    RecordedBar bar;
    TStatusCallback callback;
};

} // namespace

TEST_F(KingOfSatFetch, PagesArriveWholeOrNotAtAll)
{
    QString temp;
    {
        const TKofTempFile file;
        temp = file.fileName();
        ASSERT_FALSE(temp.isEmpty());
        EXPECT_TRUE(temp.startsWith(privateTempFolder()));
        QString error;
        ASSERT_TRUE(fetchKingOfSatPage(url(QStringLiteral("en/pos-19.2E.php")), temp, error))
            << error.toStdString();
        QFile page(temp);
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        EXPECT_TRUE(page.readAll().contains("Nordstar 2B - 11494.25 H"));
        // The bar moved on the UI thread while the page came in, and was
        // reset at the end.
        EXPECT_FALSE(bar.positions.empty());
        EXPECT_EQ(bar.current, 0);

        struct Case {
            const char *name;
            QString url;
            DownloadOptions options;
            const char *reason;
        };
        // A page that trickles in is cut once the window shows it too slow;
        // the stall time is longer than the window, so it is the floor that cuts.
        const DownloadOptions quickFloor{5, 5, kWebPageSizeLimit, {kRateFloorBytesPerSecond, 2}};
        const Case failures[] = {
            {"missing page", url(QStringLiteral("missing")), {}, "HTTP 404"},
            {"cut-off page", url(QStringLiteral("truncated")), {},
             "The connection was lost before the transfer was complete."},
            {"page above the size limit", url(QStringLiteral("big/5000")), {.sizeLimit = 1000},
             "Size limit exceeded: the file is larger than 1000 bytes."},
            {"not a web address", QStringLiteral("ftp://127.0.0.1:9/lists.php"), {},
             "Only http: and https: addresses can be downloaded."},
            {"page trickling in", url(QStringLiteral("trickle/100000/20")), quickFloor,
             "Too slow: less than 1 KB a second on average over 2 seconds."},
        };
        for (const Case &c : failures) {
            EXPECT_FALSE(fetchKingOfSatPage(c.url, temp, error, c.options)) << c.name;
            EXPECT_EQ(error, "Download failed!\r\n" + QLatin1String(c.reason)) << c.name;
            // What was there before stays, untouched.
            QFile again(temp);
            ASSERT_TRUE(again.open(QIODevice::ReadOnly));
            EXPECT_TRUE(again.readAll().contains("Nordstar 2B - 11494.25 H")) << c.name;
        }
    }
    EXPECT_FALSE(QFile::exists(temp));
    EXPECT_TRUE(QDir(privateTempFolder()).entryList({QStringLiteral("KingOfSat*")}, QDir::Files).isEmpty());
}

