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

// A server that stops moving bytes (or never starts, or never confirms the
// end of a transfer) ends every transfer at most twenty seconds after the
// last byte, whatever the caller asked for, the end of the session
// included: downloads and uploads, with the defaults and asking for a
// minute, also from a server that leaves the QUIT unanswered, as a hung
// receiver does. Such a QUIT never holds up a transfer that went through.
// All run at once, so the case takes the limit once.
TEST(TransferStall, RealLimitHoldsForHttpAndFtp)
{
    QTemporaryDir web;
    QTemporaryDir home;
    QTemporaryDir local;
    ASSERT_TRUE(web.isValid() && home.isValid() && local.isValid());
    for (const char *name : {"stall-services.xml", "hang-services.xml", "services.xml"}) {
        QFile file(home.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, 's'));
    }
    ScriptServer http(QStringLiteral("http_server.py"), {"--root", web.path()});
    ScriptServer ftp(QStringLiteral("ftp_server.py"),
                     {"--root", home.path(), "--user", "u", "--password", "p"});
    ScriptServer hung(QStringLiteral("ftp_server.py"),
                      {"--root", home.path(), "--user", "u", "--password", "p", "--mute-quit"});
    ASSERT_NE(http.port(), 0) << http.errors().toStdString();
    ASSERT_NE(ftp.port(), 0) << ftp.errors().toStdString();
    ASSERT_NE(hung.port(), 0) << hung.errors().toStdString();

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
    // Far more than the socket buffers between the two ends hold, so a
    // server that stops reading stops the upload.
    const QByteArray upload(16 << 20, 'u');
    const auto overFtp = [&](int port, int stallSeconds, bool put, const char *name) {
        Outcome outcome;
        QElapsedTimer timer;
        timer.start();
        {
            FtpClient::Settings settings;
            settings.host = QStringLiteral("127.0.0.1");
            settings.port = port;
            settings.user = QStringLiteral("u");
            settings.password = QStringLiteral("p");
            settings.stallSeconds = stallSeconds;
            FtpClient client(settings);
            QBuffer data;
            if (put)
                data.setData(upload);
            data.open(put ? QIODevice::ReadOnly : QIODevice::WriteOnly);
            const QString remote = u'/' + QLatin1String(name);
            outcome.ok = client.connect() == FtpClient::Connection::Ok
                && (put ? client.upload(data, data.size(), remote, {"chmod 777 " + remote})
                        : client.download(remote, data));
            outcome.error = client.lastFailure();
            client.disconnect();
        }
        outcome.elapsedMs = timer.elapsed();
        return outcome;
    };

    const int byDefault = DownloadOptions{}.stallSeconds;
    EXPECT_EQ(FtpClient::Settings{}.stallSeconds, byDefault);
    struct Run {
        const char *what;
        bool stalls; // else it goes through
        std::future<Outcome> outcome;
    };
    std::vector<Run> runs;
    const auto run = [&](const char *what, bool stalls, auto &&...arguments) {
        runs.push_back({what, stalls, std::async(std::launch::async, arguments...)});
    };
    const char *stalling = "stall-services.xml";
    const char *unconfirmed = "hang-services.xml";
    run("http stall, default", true, overHttp, "/stall", byDefault, "a");
    run("http silent, a minute asked", true, overHttp, "/silent", 60, "b");
    run("ftp stall, default", true, overFtp, ftp.port(), byDefault, false, stalling);
    run("ftp stall, a minute asked", true, overFtp, ftp.port(), 60, false, stalling);
    run("ftp upload stall", true, overFtp, ftp.port(), byDefault, true, "stall-up.xml");
    run("ftp stall, QUIT unanswered", true, overFtp, hung.port(), byDefault, false, stalling);
    run("ftp upload stall, QUIT unanswered", true, overFtp, hung.port(), 60, true,
        "stall-up.xml");
    run("ftp end of download unconfirmed", true, overFtp, ftp.port(), byDefault, false,
        unconfirmed);
    run("ftp end of upload unconfirmed", true, overFtp, ftp.port(), byDefault, true,
        "hang-up.xml");
    run("ftp end of download unconfirmed, QUIT unanswered", true, overFtp, hung.port(),
        byDefault, false, unconfirmed);
    run("ftp end of upload unconfirmed, QUIT unanswered", true, overFtp, hung.port(), 60, true,
        "hang-up.xml");
    run("ftp download, QUIT unanswered", false, overFtp, hung.port(), byDefault, false,
        "services.xml");
    run("ftp upload, QUIT unanswered", false, overFtp, hung.port(), byDefault, true,
        "up.xml");
    // The watch looks at the clock about once a second.
    const qint64 stallEndsByMs = 20000 + 2500;
    for (auto &[what, stalls, future] : runs) {
        const Outcome o = future.get();
        EXPECT_EQ(o.ok, !stalls) << what;
        if (!stalls) {
            EXPECT_LE(o.elapsedMs, 5000) << what;
            continue;
        }
        EXPECT_EQ(o.error.kind, TransferFailure::TimedOut) << what << ": "
                                                           << o.error.detail.toStdString();
        EXPECT_EQ(o.error.seconds, 20) << what;
        EXPECT_LE(o.elapsedMs, stallEndsByMs) << what;
        EXPECT_GE(o.elapsedMs, 19000) << what;
    }
}

} // namespace
