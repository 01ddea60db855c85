#include "core/transfer/transfer_aside.h"

#include "core/transfer/download_progress.h"
#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"

#include <QCoreApplication>
#include <QEvent>
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

// Drops what the user does while a transfer runs. Merely holding input
// back would replay every click and key once the transfer is over, on
// whatever the window shows then; a close asked for meanwhile is refused
// too, the window can be closed again afterwards.
class TInputShut : public QObject
{
public:
    TInputShut() { QCoreApplication::instance()->installEventFilter(this); }
    ~TInputShut() override { QCoreApplication::instance()->removeEventFilter(this); }
    TInputShut(const TInputShut &) = delete;
    TInputShut &operator=(const TInputShut &) = delete;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // Only what comes from the window system; the program's own events
        // (a close it asks for itself, say) pass.
        if (!event->spontaneous() || !isUserInput(event->type()))
            return false;
        event->ignore();
        return true;
    }

private:
    static bool isUserInput(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::Drop:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }
};

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
    {
        const TInputShut inputShut;
        worker->start();
        loop.exec();
        worker->wait();
        // Input held back meanwhile (a status text lets events run without
        // it) is dropped here as well, not replayed later.
        QCoreApplication::processEvents();
    }
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
