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
