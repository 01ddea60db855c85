#pragma once

#include "platform/transfer_error.h"
#include "platform/transfer_limits.h"

#include <QString>

// What a download tells its observer, in the order it happens: begin when the
// first bytes arrive, data as they keep arriving (total 0 when the server
// did not say), end when the body is complete.
class DownloadObserver
{
public:
    virtual ~DownloadObserver() = default;
    virtual void downloadBegins() = 0;
    virtual void downloadData(qint64 received, qint64 total) = 0;
    virtual void downloadEnds() = 0;
};

// Whether a text names an http: or https: address (either in any case).
bool isWebAddress(const QString &url);

struct DownloadOptions {
    int connectTimeoutSeconds = kConnectTimeoutSeconds;
    // A transfer that moves no byte for this long is given up (never more
    // than kStallLimitSeconds).
    int stallSeconds = kStallLimitSeconds;
    // A body larger than this is refused; pick the limit of what is fetched.
    qint64 sizeLimit = kWebPageSizeLimit;
    // A transfer slower than this on average over its window is given up.
    TransferRateFloor rateFloor = {};
};

// Fetches an http: or https: address (redirects followed) into `fileName`.
// Only a complete body with a status below 400 that stays within the size
// limit counts; it is written to a temporary file beside the target and
// renamed into place, so a failed download leaves whatever was there before.
// False with the reason in `error` otherwise.
bool downloadToFile(const QString &url, const QString &fileName, DownloadObserver *observer,
                    TransferError *error, const DownloadOptions &options = {});
