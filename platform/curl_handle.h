#pragma once

#include "platform/transfer_error.h"
#include "platform/transfer_limits.h"

#include <curl/curl.h>

#include <QString>

#include <chrono>
#include <deque>
#include <memory>

// RAII for libcurl easy handles, and the one-time global set-up libcurl wants
// before the first handle exists.
struct CurlEasyDeleter {
    void operator()(CURL *handle) const noexcept { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct CurlSlistDeleter {
    void operator()(curl_slist *list) const noexcept { curl_slist_free_all(list); }
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistDeleter>;

// A fresh easy handle; libcurl's global state is initialised on first use.
CurlEasy makeCurlEasy();

// libcurl's own words for a result code, for logs and error texts.
QString curlErrorText(CURLcode code);

// How long libcurl's own time-outs that stand behind a TransferWatch wait:
// past the stall time and the floor's window, so that the watch, which
// knows what happened, always speaks first.
int backstopSeconds(int stallSeconds, const TransferRateFloor &floor);

// The floor actually used for a requested one: a window of 1 to
// kRateWindowSeconds, a rate of at least kRateFloorBytesPerSecond.
TransferRateFloor effectiveRateFloor(const TransferRateFloor &requested);

// The rate floor's arithmetic, fed the time and the bytes moved so far; apart
// from libcurl so that it can be checked with made-up times. It remembers a
// few points of the last window, so its memory stays small however long
// and however fast the transfer.
class RateFloorCheck
{
public:
    using Clock = std::chrono::steady_clock;

    RateFloorCheck(const TransferRateFloor &floor, Clock::time_point start);

    // Notes that `total` bytes have moved by `now`. False once a whole
    // window has passed and less than the floor moved over the last one.
    bool keepsPace(Clock::time_point now, qint64 total);

    const TransferRateFloor &floor() const { return m_floor; }

private:
    struct Point {
        Clock::time_point at;
        qint64 total;
    };

    TransferRateFloor m_floor;
    Clock::duration m_window;
    Clock::duration m_step;
    // Oldest first; the first is the newest point at least a window old
    // once the transfer is that old.
    std::deque<Point> m_points;
};

// Watches one curl_easy_perform. It is given up when no byte has moved for
// the stall time - body, upload, HTTP header line or FTP reply line alike -
// when it moves less than the rate floor over the floor's window, or when
// the body grows past the size limit. libcurl's own low-speed check averages
// over several seconds and so fires late, and it ends a transfer with the
// code of its other time-outs, so that the message could not tell what
// happened; these count every byte either way, the control connection's too.
class TransferWatch
{
public:
    TransferWatch(int stallSeconds, qint64 sizeLimit, const TransferRateFloor &floor);

    // Installs the progress and header callbacks and the announced-size
    // check on `handle`; the watch must outlive the perform.
    void attach(CURL *handle);

    // For the write callback, before it stores `bytes` more of the body:
    // false when they would pass the limit (the callback then refuses them).
    bool admit(qint64 bytes);

    // Why a perform that ended with `code` failed. `connectSeconds` is the
    // connect time-out the handle was given: a time-out of libcurl's that
    // is no stall is reported as that.
    TransferError failure(CURL *handle, CURLcode code, const char *errorBuffer,
                          int connectSeconds) const;

    int stallSeconds() const { return m_stallSeconds; }

private:
    using Clock = std::chrono::steady_clock;

    static int onProgress(void *context, curl_off_t downloadTotal, curl_off_t downloaded,
                          curl_off_t uploadTotal, curl_off_t uploaded);
    static size_t onHeader(char *data, size_t size, size_t count, void *context);
    // `bytes` more moved (none: only the clock is looked at); false once
    // the transfer is too slow.
    bool moved(qint64 bytes);

    int m_stallSeconds;
    qint64 m_sizeLimit;
    qint64 m_body = 0;
    curl_off_t m_progressSeen = -1;
    // Body, upload and header or reply bytes, for the rate floor.
    qint64 m_moved = 0;
    Clock::time_point m_lastMove = Clock::now();
    RateFloorCheck m_pace;
    bool m_stalled = false;
    bool m_tooSlow = false;
    bool m_overLimit = false;
};

// The stall time actually used for a requested one: at least a second, at
// most kStallLimitSeconds.
int effectiveStallSeconds(int requested);
