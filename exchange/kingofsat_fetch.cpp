#include "exchange/kingofsat_fetch.h"

#include "core/transfer/download_progress.h"
#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"
#include "platform/system_paths.h"
#include "platform/url_download.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QThread>

#include <atomic>

namespace {

// Hands the worker's reports to the UI thread, where the progress bar lives.
class QueuedObserver : public DownloadObserver
{
public:
    explicit QueuedObserver(QObject *uiContext) : m_context(uiContext) {}

    void downloadBegins() override
    {
        post([] {
            if (TStatusCallback *callback = StatusCallback())
                callback->downloadBegins();
        });
    }
    void downloadData(qint64 received, qint64 total) override
    {
        // Reports arrive per received block; the bar needs only the latest.
        const int percent = total > 0 ? int(received * 100 / total) : -1;
        if (percent == m_lastPercent.exchange(percent))
            return;
        post([received, total] {
            if (TStatusCallback *callback = StatusCallback())
                callback->downloadData(received, total);
        });
    }
    void downloadEnds() override
    {
        post([] {
            if (TStatusCallback *callback = StatusCallback())
                callback->downloadEnds();
        });
    }

private:
    template <typename Fn>
    void post(Fn fn)
    {
        QMetaObject::invokeMethod(m_context, std::move(fn), Qt::QueuedConnection);
    }

    QPointer<QObject> m_context;
    std::atomic<int> m_lastPercent{-2};
};

} // namespace

bool fetchKingOfSatPage(const QString &url, const QString &fileName, QString &errMsg,
                        qint64 sizeLimit)
{
    errMsg.clear();
    QObject uiContext;
    QueuedObserver observer(&uiContext);
    TransferError failure;
    bool done = false;
    DownloadOptions options;
    options.sizeLimit = sizeLimit;
    QThread *worker = QThread::create([&] {
        done = downloadToFile(url, fileName, &observer, &failure, options);
    });
    QEventLoop loop;
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    delete worker;
    // The reports still queued belong to this download; they run now, not
    // in the middle of the next one.
    QCoreApplication::sendPostedEvents(&uiContext);
    if (done && QFile::exists(fileName))
        return true;
    errMsg = withReason(msg(MsgDownloadFailed), transferFailureText(failure));
    return false;
}

TKofTempFile::TKofTempFile() : m_fileName(createTempFile(QStringLiteral("KingOfSat"))) {}

TKofTempFile::~TKofTempFile()
{
    if (!m_fileName.isEmpty())
        QFile::remove(m_fileName);
}
