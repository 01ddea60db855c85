#include "core/transfer/transfer_aside.h"

#include "core/transfer/download_progress.h"
#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QThread>

#include <memory>

namespace {

// Where a worker's reports go: the object of the runAside waiting for it,
// so that they can all be run before that call returns.
thread_local QObject *t_reportTarget = nullptr;

bool onTheUiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

} // namespace

bool runAside(const std::function<bool()> &work)
{
    if (!QCoreApplication::instance() || !onTheUiThread())
        return work();
    QObject reports;
    bool result = false;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        t_reportTarget = &reports;
        result = work();
        t_reportTarget = nullptr;
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    // Reports still queued belong to this work: they run now, not in the
    // middle of whatever comes next.
    QCoreApplication::sendPostedEvents(&reports);
    return result;
}

void onUiThread(std::function<void()> fn)
{
    if (onTheUiThread()) {
        fn();
        return;
    }
    QObject *target = t_reportTarget ? t_reportTarget : QCoreApplication::instance();
    QMetaObject::invokeMethod(target, std::move(fn), Qt::QueuedConnection);
}

void TUiDownloadRelay::downloadBegins()
{
    m_lastPercent = -2;
    onUiThread([] {
        if (TStatusCallback *callback = StatusCallback())
            callback->downloadBegins();
    });
}

void TUiDownloadRelay::downloadData(qint64 received, qint64 total)
{
    const int percent = total > 0 ? int(received * 100 / total) : -1;
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    onUiThread([received, total] {
        if (TStatusCallback *callback = StatusCallback())
            callback->downloadData(received, total);
    });
}

void TUiDownloadRelay::downloadEnds()
{
    onUiThread([] {
        if (TStatusCallback *callback = StatusCallback())
            callback->downloadEnds();
    });
}

bool downloadUrlAside(const QString &url, const QString &fileName, QString &errMsg,
                      const DownloadOptions &options)
{
    errMsg.clear();
    TransferError failure;
    const bool done = runAside([&] {
        TUiDownloadRelay relay;
        return downloadToFile(url, fileName, &relay, &failure, options);
    });
    if (done && QFile::exists(fileName))
        return true;
    errMsg = withReason(msg(MsgDownloadFailed), transferFailureText(failure));
    return false;
}
