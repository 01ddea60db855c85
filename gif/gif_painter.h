#pragma once

#include "gif/gif_picture.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <memory>

class QTimer;

// Time source of the painter; tests substitute their own.
class TGIFClock
{
public:
    virtual ~TGIFClock() = default;
    virtual qint64 NowMs() = 0;
    virtual void SleepMs(qint64 ms) = 0;
    // Runs the calling thread's pending events (only on the application's
    // thread); false once the application has been asked to quit.
    virtual bool DispatchEvents();
};

TGIFClock &SystemClock();

// Plays an image's frames onto a picture of the logical screen's size,
// honouring delays, disposal methods and loop counts. A state machine: Start
// shows the first frame, every Step the next, NextWait says how long to wait
// in between. A threaded painter (doThreaded) is stepped by a timer on the
// thread that started it; the others run through in Run, sleeping on the clock.
class TGIFPainter
{
public:
    static constexpr int kDelayUnitMs = 12;
    static constexpr int kDefaultDelay = 10;
    static constexpr int kMinimumDelay = 3;
    static constexpr int kMaximumDelay = 1000;
    static constexpr qint64 kWaitForever = -1;
    // A painter that runs in the calling thread sleeps in steps of at most
    // this long and lets pending events run in between.
    static constexpr qint64 kSleepSliceMs = 100;

    TGIFPainter(TGifPicture *image, const QRect &rect, TGIFDrawOptions options,
                TGIFClock &clock = SystemClock());
    ~TGIFPainter();
    TGIFPainter(const TGIFPainter &) = delete;
    TGIFPainter &operator=(const TGIFPainter &) = delete;

    TGifPicture *Image() const { return m_image; }
    const QRect &Rect() const { return m_rect; }
    TGIFDrawOptions Options() const { return m_options; }
    bool Threaded() const { return m_options & doThreaded; }

    int ActiveImage = -1;
    int Speed = TGifPicture::kDefaultAnimationSpeed;

    TGifPicture::PainterEvent OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;

    void Start();
    // Shows the next frame; false once the painter has finished.
    bool Step();
    // Milliseconds to wait before the next Step, or kWaitForever.
    qint64 NextWait() const { return m_wait; }
    bool Running() const { return m_running; }
    bool Started() const { return m_started; }

    // What lay under the target area, scaled to the logical screen: frames
    // are laid over it and restoring to background brings it back, so the
    // picture covers the target fully. Set before the painter starts.
    void SetBackground(const QImage &background);

    // Runs the whole animation in the calling thread, letting pending
    // events run while it waits; a stop from one of them, or a request to
    // quit the application, ends it.
    void Run();
    bool InRun() const { return m_inRun; }
    // Starts and lets a timer step it (needs an event loop on this thread).
    void StartTimer();

    void Stop();
    void Restart() { m_restart = true; }
    void DetachImage() { m_image = nullptr; }

    // The picture as shown after the last step (premultiplied ARGB).
    const QImage &Picture() const { return m_work; }
    int LoopCount() const { return m_loopCount; }

private:
    void ShowFrame();
    void AfterFrame();
    void Finish();
    void Compose(TGIFSubImage &frame, int disposal);
    void UndoPreviousFrame();
    void RestoreToBackground(const QRect &area);
    void ScheduleNext();
    void ArmTimer();
    bool Wait(qint64 ms);

    TGifPicture *m_image;
    QRect m_rect;
    TGIFDrawOptions m_options;
    TGIFClock &m_clock;

    // The screen as shown; what the last frame's disposal will undo is
    // kept beside it: an area to clear, or the pixels it covered.
    QImage m_work;
    QRect m_pendingBackground;
    QImage m_saved;
    QPoint m_savedAt;
    QRgb m_background = 0;
    QImage m_savedBackground;
    QImage m_backdrop;
    bool m_inRun = false;

    bool m_running = false;
    bool m_started = false;
    bool m_terminated = false;
    bool m_restart = false;
    bool m_loopSeen = false;
    int m_loopCount = 1;
    int m_loopStart = 0;
    int m_frameDelay = kDefaultDelay;
    qint64 m_lastFrameTime = 0;
    qint64 m_previousWait = 0;
    qint64 m_wait = 0;
    std::unique_ptr<QTimer> m_timer;
};
