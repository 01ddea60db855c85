#include "platform/curl_handle.h"
#include "platform/ftp_client.h"
#include "platform/url_download.h"

#include "script_server.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <future>
#include <utility>
#include <vector>

namespace {

TEST(TransferStall, RequestedTimesAreCutToTheLimit)
{
    const struct {
        int requested;
        int used;
    } rows[] = {{-5, 1}, {0, 1}, {1, 1}, {7, 7}, {20, 20}, {21, 20}, {30, 20}, {3600, 20}};
    for (const auto &r : rows)
        EXPECT_EQ(effectiveStallSeconds(r.requested), r.used) << r.requested;
}

TEST(TransferRateFloor, RequestedFloorsAreCutToTheLimits)
{
    const struct {
        TransferRateFloor requested;
        TransferRateFloor used;
    } rows[] = {
        {{}, {1024, 30}},        {{0, 0}, {1024, 1}},      {{-5, -5}, {1024, 1}},
        {{100, 60}, {1024, 30}}, {{4096, 2}, {4096, 2}},   {{1024, 3600}, {1024, 30}},
    };
    for (const auto &r : rows) {
        const TransferRateFloor used = effectiveRateFloor(r.requested);
        EXPECT_EQ(used.bytesPerSecond, r.used.bytesPerSecond) << r.requested.bytesPerSecond;
        EXPECT_EQ(used.windowSeconds, r.used.windowSeconds) << r.requested.windowSeconds;
    }
    // libcurl's own time-outs wait past both of the watch's limits.
    EXPECT_EQ(backstopSeconds(20, {}), 50);
    EXPECT_EQ(backstopSeconds(60, {1024, 2}), 22);
}

// The floor judges the average over the last window, fed as the callbacks
// would feed it: a point every `tickMs`, the bytes moved so far growing as
// the phases say. Made-up times, so the rule is checked over minutes in no
// time at all.
TEST(TransferRateFloor, AveragesOverTheLastWindow)
{
    using Clock = RateFloorCheck::Clock;
    struct Phase {
        int untilSecond;
        qint64 bytesPerSecond;
        int burstEverySeconds = 0; // 0: evenly; else all of a period's bytes at once
    };
    const struct {
        const char *name;
        int tickMs;
        std::vector<Phase> phases;
        double cutAtSecond; // < 0: never cut
    } rows[] = {
        {"50 bytes a second is cut once the window is full", 1000, {{120, 50}}, 30},
        {"as is one that waits long for its first byte", 250, {{120, 0}}, 30},
        {"just above the floor runs on", 1000, {{120, 1100}}, -1},
        {"bursts that average above the floor run on", 500, {{120, 2048, 20}}, -1},
        {"a fast start earns nothing for later", 1000, {{60, 100000}, {180, 50}}, 90},
        {"a slowdown shorter than the window is forgiven", 1000,
         {{40, 4096}, {60, 10}, {180, 4096}}, -1},
        {"callbacks seldom: judged at the first one past the window", 7000, {{120, 50}}, 35},
    };
    for (const auto &r : rows) {
        const Clock::time_point start{};
        RateFloorCheck check({1024, 30}, start);
        double total = 0;
        double cutAt = -1;
        std::size_t phase = 0;
        for (int ms = r.tickMs; phase < r.phases.size(); ms += r.tickMs) {
            const double second = ms / 1000.0;
            while (phase < r.phases.size() && second > r.phases[phase].untilSecond)
                ++phase;
            if (phase == r.phases.size())
                break;
            const Phase &p = r.phases[phase];
            const int burstMs = p.burstEverySeconds * 1000;
            if (burstMs == 0)
                total += p.bytesPerSecond * (r.tickMs / 1000.0);
            else if ((ms - r.tickMs) / burstMs != ms / burstMs)
                total += double(p.bytesPerSecond) * p.burstEverySeconds;
            if (!check.keepsPace(start + std::chrono::milliseconds(ms), qint64(total))) {
                cutAt = second;
                break;
            }
        }
        EXPECT_EQ(cutAt, r.cutAtSecond) << r.name;
    }
}

struct Outcome {
    bool ok = true;
    qint64 elapsedMs = 0;
    TransferError error;
};

// A server that stops sending (or never starts) ends every transfer at most
// twenty seconds after the last byte, whatever the caller asked for: once
// with the defaults, once asking for a minute. All four run at once, so the
// case takes the limit once.
TEST(TransferStall, RealLimitHoldsForHttpAndFtp)
{
    QTemporaryDir web;
    QTemporaryDir home;
    QTemporaryDir local;
    ASSERT_TRUE(web.isValid() && home.isValid() && local.isValid());
    {
        QFile stalling(home.filePath("stall-services.xml"));
        ASSERT_TRUE(stalling.open(QIODevice::WriteOnly));
        stalling.write(QByteArray(5000, 's'));
    }
    ScriptServer http(QStringLiteral("http_server.py"), {"--root", web.path()});
    ScriptServer ftp(QStringLiteral("ftp_server.py"),
                     {"--root", home.path(), "--user", "u", "--password", "p"});
    ASSERT_NE(http.port(), 0) << http.errors().toStdString();
    ASSERT_NE(ftp.port(), 0) << ftp.errors().toStdString();

    const auto overHttp = [&](const char *path, int stallSeconds, const QString &file) {
        Outcome outcome;
        QElapsedTimer timer;
        timer.start();
        DownloadOptions options;
        options.stallSeconds = stallSeconds;
        outcome.ok = downloadToFile(
            QStringLiteral("http://127.0.0.1:%1%2").arg(http.port()).arg(QLatin1String(path)),
            local.filePath(file), nullptr, &outcome.error, options);
        outcome.elapsedMs = timer.elapsed();
        return outcome;
    };
    const auto overFtp = [&](int stallSeconds) {
        Outcome outcome;
        QElapsedTimer timer;
        timer.start();
        FtpClient::Settings settings;
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = ftp.port();
        settings.user = QStringLiteral("u");
        settings.password = QStringLiteral("p");
        settings.stallSeconds = stallSeconds;
        FtpClient client(settings);
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        outcome.ok = client.connect() == FtpClient::Connection::Ok
            && client.download(QStringLiteral("/stall-services.xml"), sink);
        outcome.error = client.lastFailure();
        outcome.elapsedMs = timer.elapsed();
        return outcome;
    };

    const int byDefault = DownloadOptions{}.stallSeconds;
    EXPECT_EQ(FtpClient::Settings{}.stallSeconds, byDefault);
    std::vector<std::pair<const char *, std::future<Outcome>>> runs;
    runs.emplace_back("http stall, default",
                      std::async(std::launch::async, overHttp, "/stall", byDefault, "a"));
    runs.emplace_back("http silent, a minute asked",
                      std::async(std::launch::async, overHttp, "/silent", 60, "b"));
    runs.emplace_back("ftp stall, default", std::async(std::launch::async, overFtp, byDefault));
    runs.emplace_back("ftp stall, a minute asked", std::async(std::launch::async, overFtp, 60));
    for (auto &[what, future] : runs) {
        const Outcome o = future.get();
        EXPECT_FALSE(o.ok) << what;
        EXPECT_EQ(o.error.kind, TransferFailure::TimedOut) << what << ": "
                                                           << o.error.detail.toStdString();
        EXPECT_EQ(o.error.seconds, 20) << what;
        EXPECT_LE(o.elapsedMs, 21500) << what;
        EXPECT_GE(o.elapsedMs, 19000) << what;
    }
}

} // namespace
