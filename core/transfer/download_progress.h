#pragma once

#include "platform/url_download.h"

#include <QString>

// The main window's progress bar (range 0..100), as the long operations see
// it. The window implements this; until it does, progress goes nowhere.
class TProgressDisplay
{
public:
    virtual ~TProgressDisplay() = default;
    virtual void setProgressPosition(int position) = 0;
    virtual int progressPosition() const = 0;
    // Lets pending window events run (repaints, timers) without user input.
    virtual void letEventsRun() = 0;
};

// The program's one progress bar state: a step counter and a step maximum
// shared by whichever long operation runs (UI thread only).
void setProgressDisplay(TProgressDisplay *display);
void progressReset();
void progressInit(int maximum);
void progressStep();
void progressSetStep(int n);
int progressGetPosition();

// Turns download reports into the bar: begin resets it to a maximum of 100,
// data moves it to the percentage received, end resets it.
class TStatusCallback : public DownloadObserver
{
public:
    // The platform's status codes for the three reports.
    enum StatusCode { BeginDownloadData = 4, DownloadingData = 5, EndDownloadData = 6 };

    void OnProgress(qint32 progress, qint32 progressMax, int statusCode);

    void downloadBegins() override;
    void downloadData(qint64 received, qint64 total) override;
    void downloadEnds() override;
};

// The instance downloads report to, when the main window has set one.
void setStatusCallback(TStatusCallback *callback);
TStatusCallback *StatusCallback();

// Downloads `url` (http: or https:) into `fileName`, reporting to
// StatusCallback(). True when the file is there afterwards; otherwise False
// with "Download failed!" and the reason on the next line in errMsg, and the
// file of that name as it was before. `options` carry the size limit of what
// is fetched (a web page's unless said otherwise) and the time-outs.
bool downloadUrlToFile(const QString &url, const QString &fileName, QString &errMsg,
                       const DownloadOptions &options = {});
