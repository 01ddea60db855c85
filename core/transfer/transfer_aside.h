#pragma once

#include "platform/url_download.h"

#include <QString>

#include <functional>

// Long transfers run on a worker thread while the UI thread keeps painting,
// firing its timers and showing the worker's status texts and progress; what
// the user clicks or types meanwhile is dropped, as a modal window would. The worker must not touch the
// model or any widget: what it has to say goes through onUiThread.

// Runs `work` on a worker and waits for it in an event loop that drops user
// input. Called off the UI thread (or without an application), it simply
// runs `work` there. Reports the worker handed to onUiThread have all run
// when this returns.
bool runAside(const std::function<bool()> &work);

// Runs `fn` on the UI thread: at once when called there, otherwise queued
// to the waiting runAside (or the application).
void onUiThread(std::function<void()> fn);

// A download reporting to the progress bar (StatusCallback) from a worker.
class TUiDownloadRelay : public DownloadObserver
{
public:
    void downloadBegins() override;
    void downloadData(qint64 received, qint64 total) override;
    void downloadEnds() override;

private:
    // Reports arrive per received block; the bar needs only each new percent.
    int m_lastPercent = -2;
};

// downloadUrlToFile with the transfer run aside: the same result, messages
// and progress reports.
bool downloadUrlAside(const QString &url, const QString &fileName, QString &errMsg,
                      const DownloadOptions &options = {});
