#include "platform/url_download.h"

#include "platform/atomic_file.h"
#include "platform/curl_handle.h"

namespace {

struct Transfer {
    AtomicFile *file;
    DownloadObserver *observer;
    TransferWatch *watch;
    CURL *handle;
    bool begun = false;
    qint64 received = 0;
};

size_t writeBody(char *data, size_t size, size_t count, void *context)
{
    auto *transfer = static_cast<Transfer *>(context);
    const qint64 bytes = qint64(size * count);
    if (!transfer->watch->admit(bytes) || transfer->file->write(data, bytes) != bytes)
        return 0;
    transfer->received += bytes;
    if (transfer->observer) {
        if (!transfer->begun) {
            transfer->begun = true;
            transfer->observer->downloadBegins();
        }
        curl_off_t total = -1;
        curl_easy_getinfo(transfer->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
        transfer->observer->downloadData(transfer->received, total > 0 ? qint64(total) : 0);
    }
    return size_t(bytes);
}

bool fail(TransferError *error, TransferError reason)
{
    if (error)
        *error = std::move(reason);
    return false;
}

bool fail(TransferError *error, TransferFailure kind, const QString &detail)
{
    TransferError reason;
    reason.kind = kind;
    reason.detail = detail;
    return fail(error, std::move(reason));
}

} // namespace

bool isWebAddress(const QString &url)
{
    return url.startsWith(u"http:", Qt::CaseInsensitive)
        || url.startsWith(u"https:", Qt::CaseInsensitive);
}

bool downloadToFile(const QString &url, const QString &fileName, DownloadObserver *observer,
                    TransferError *error, const DownloadOptions &options)
{
    if (!isWebAddress(url))
        return fail(error, TransferFailure::NotWebAddress,
                    QStringLiteral("not an http: or https: address"));
    AtomicFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, TransferFailure::LocalFile, file.errorString());
    CurlEasy handle = makeCurlEasy();
    if (!handle)
        return fail(error, TransferFailure::Other, QStringLiteral("out of memory"));

    char errorBuffer[CURL_ERROR_SIZE] = {};
    TransferWatch watch(options.stallSeconds, options.sizeLimit, options.rateFloor);
    Transfer transfer{&file, observer, &watch, handle.get()};
    const QByteArray address = url.toUtf8();
    CURL *h = handle.get();
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(options.connectTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    watch.attach(h);

    const CURLcode code = curl_easy_perform(h);
    if (transfer.begun && observer)
        observer->downloadEnds();
    if (code != CURLE_OK) {
        TransferError reason = watch.failure(h, code, errorBuffer, options.connectTimeoutSeconds);
        if (reason.kind == TransferFailure::LocalFile && file.error() != QFileDevice::NoError)
            reason.detail = file.errorString();
        return fail(error, std::move(reason));
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400) {
        TransferError reason;
        reason.kind = TransferFailure::HttpStatus;
        reason.httpStatus = status;
        reason.detail = QStringLiteral("HTTP status %1").arg(status);
        return fail(error, std::move(reason));
    }
    if (!file.commit())
        return fail(error, TransferFailure::LocalFile, file.errorString());
    if (error)
        *error = TransferError{};
    return true;
}
