#include "platform/url_download.h"

#include "platform/curl_handle.h"

#include <QSaveFile>

namespace {

struct Transfer {
    QSaveFile *file;
    DownloadObserver *observer;
    bool begun = false;
    qint64 received = 0;
    CURL *handle;
};

size_t writeBody(char *data, size_t size, size_t count, void *context)
{
    auto *transfer = static_cast<Transfer *>(context);
    const qint64 bytes = qint64(size * count);
    if (transfer->file->write(data, bytes) != bytes)
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

} // namespace

bool isWebAddress(const QString &url)
{
    return url.startsWith(u"http:", Qt::CaseInsensitive)
        || url.startsWith(u"https:", Qt::CaseInsensitive);
}

bool downloadToFile(const QString &url, const QString &fileName, DownloadObserver *observer,
                    QString *error, const DownloadOptions &options)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!isWebAddress(url))
        return fail(QStringLiteral("not an http: or https: address"));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    CurlEasy handle = makeCurlEasy();
    if (!handle)
        return fail(QStringLiteral("out of memory"));

    char errorBuffer[CURL_ERROR_SIZE] = {};
    Transfer transfer{&file, observer, false, 0, handle.get()};
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
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(options.stallSeconds));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);

    const CURLcode code = curl_easy_perform(h);
    if (transfer.begun && observer)
        observer->downloadEnds();
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (code != CURLE_OK)
        return fail(errorBuffer[0] ? QString::fromUtf8(errorBuffer) : curlErrorText(code));
    if (status >= 400)
        return fail(QStringLiteral("HTTP status %1").arg(status));
    if (!file.commit())
        return fail(file.errorString());
    if (error)
        error->clear();
    return true;
}
