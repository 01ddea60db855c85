#pragma once

#include "platform/transfer_error.h"

#include <curl/curl.h>

#include <QString>

#include <chrono>
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

// Watches one curl_easy_perform. It is given up when no byte has moved for
// the stall time - body, upload, HTTP header line or FTP reply line alike, so
// a slow but living server is never cut off - or when the body grows past
// the size limit. libcurl's own low-speed check averages over several
// seconds and so fires late; this one counts from the last byte.
class TransferWatch
{
public:
    TransferWatch(int stallSeconds, qint64 sizeLimit);

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
    void moved() { m_lastMove = Clock::now(); }

    int m_stallSeconds;
    qint64 m_sizeLimit;
    qint64 m_body = 0;
    curl_off_t m_progressSeen = -1;
    Clock::time_point m_lastMove = Clock::now();
    bool m_stalled = false;
    bool m_overLimit = false;
};

// The stall time actually used for a requested one: at least a second, at
// most kStallLimitSeconds.
int effectiveStallSeconds(int requested);
