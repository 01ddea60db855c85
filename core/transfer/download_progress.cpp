#include "core/transfer/download_progress.h"

#include "core/transfer/transfer_reason.h"
#include "core/util/messages.h"
#include "core/util/mul_div.h"

#include <QFile>

#include <cmath>

namespace {

struct ProgressState {
    TProgressDisplay *display = nullptr;
    int position = 0; // what the bar shows when there is no display
    int step = 0;
    int maximum = 0;
    TStatusCallback *callback = nullptr;
};

ProgressState &state()
{
    static ProgressState s;
    return s;
}

void setPosition(int position)
{
    auto &s = state();
    s.position = position;
    if (s.display)
        s.display->setProgressPosition(position);
}

void letEventsRun()
{
    if (state().display)
        state().display->letEventsRun();
}

qint32 clampToInt32(qint64 value)
{
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

} // namespace

void setProgressDisplay(TProgressDisplay *display)
{
    state().display = display;
}

void progressReset()
{
    setPosition(0);
    state().step = 0;
    letEventsRun();
}

void progressInit(int maximum)
{
    progressReset();
    state().maximum = maximum;
    letEventsRun();
}

void progressStep()
{
    auto &s = state();
    ++s.step;
    // Nearest integer, halves to even, as the bar's own rounding does.
    if (s.maximum > 0)
        setPosition(int(std::nearbyint(double(s.step) / s.maximum * 100.0)));
    letEventsRun();
}

void progressSetStep(int n)
{
    state().step = n - 1;
    progressStep();
}

int progressGetPosition()
{
    const auto &s = state();
    return s.display ? s.display->progressPosition() : s.position;
}

void TStatusCallback::OnProgress(qint32 progress, qint32 progressMax, int statusCode)
{
    switch (statusCode) {
    case BeginDownloadData:
        progressReset();
        progressInit(100);
        break;
    case DownloadingData: {
        const int percent = MulDiv(progress, 100, progressMax);
        if (percent != progressGetPosition())
            progressSetStep(percent);
        break;
    }
    case EndDownloadData:
        progressReset();
        break;
    default:
        break;
    }
}

void TStatusCallback::downloadBegins()
{
    OnProgress(0, 0, BeginDownloadData);
}

void TStatusCallback::downloadData(qint64 received, qint64 total)
{
    OnProgress(clampToInt32(received), clampToInt32(total), DownloadingData);
}

void TStatusCallback::downloadEnds()
{
    OnProgress(0, 0, EndDownloadData);
}

void setStatusCallback(TStatusCallback *callback)
{
    state().callback = callback;
}

TStatusCallback *StatusCallback()
{
    return state().callback;
}

bool downloadUrlToFile(const QString &url, const QString &fileName, QString &errMsg,
                       const DownloadOptions &options)
{
    errMsg.clear();
    // The file there before is replaced only by a complete download, so a
    // missing page, a dropped line or a runaway server cost nothing.
    TransferError failure;
    if (downloadToFile(url, fileName, StatusCallback(), &failure, options)
        && QFile::exists(fileName)) {
        return true;
    }
    errMsg = withReason(msg(MsgDownloadFailed), transferFailureText(failure));
    return false;
}
