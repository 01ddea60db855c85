#include "gif/gif_painter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QThread>
#include <QTimer>

#include <limits>
#include <new>

namespace {

class MonotonicClock : public TGIFClock
{
public:
    MonotonicClock() { m_timer.start(); }
    qint64 NowMs() override { return m_timer.elapsed(); }
    void SleepMs(qint64 ms) override { QThread::msleep(ulong(qMax<qint64>(ms, 0))); }

private:
    QElapsedTimer m_timer;
};

constexpr int kSpeedPercent = 100;
// What a probing event loop returns when it ran to its own end.
constexpr int kProbeFinished = 0x6A11;
constexpr qint64 kStalledWaitMs = 1000 * TGIFPainter::kDelayUnitMs;

} // namespace

bool TGIFClock::DispatchEvents()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // A request to quit ends every event loop of the thread and keeps new
    // ones from starting until the application's own loop has returned: a
    // loop that ends for any other reason than its own exit reveals it.
    // The request itself stays with the application, whose loop then ends.
    QEventLoop probe;
    QTimer::singleShot(0, &probe, [&probe] { probe.exit(kProbeFinished); });
    return probe.exec() == kProbeFinished;
}

TGIFClock &SystemClock()
{
    static MonotonicClock clock;
    return clock;
}

TGIFPainter::TGIFPainter(TGifPicture *image, const QRect &rect, TGIFDrawOptions options,
                         TGIFClock &clock)
    : m_image(image), m_rect(rect), m_options(options), m_clock(clock)
{
    if (m_image)
        Speed = m_image->AnimationSpeed;
}

TGIFPainter::~TGIFPainter() = default;

void TGIFPainter::Start()
{
    ActiveImage = 0;
    m_running = true;
    m_terminated = false;
    m_restart = false;
    m_started = false;
    m_loopCount = 1;
    m_loopStart = 0;
    m_loopSeen = false;
    m_previousWait = Threaded() ? 0 : 1;
    m_lastFrameTime = m_clock.NowMs();
    if (OnStartPaint)
        OnStartPaint(this);

    if (!m_image || m_image->Images().Count() == 0) {
        Finish();
        return;
    }
    // The picture covers the logical screen; a screen of 0 x 0 takes the
    // first frame's extent.
    int width = m_image->Width();
    int height = m_image->Height();
    const TGIFSubImage *first = m_image->Images()[0];
    if (width == 0)
        width = first->Left + first->Width;
    if (height == 0)
        height = first->Top + first->Height;
    if (qint64(width) * height <= 0 || qint64(width) * height > gif::kMaxPixels) {
        Finish();
        return;
    }
    if (m_image->BackgroundColor)
        m_background = *m_image->BackgroundColor;
    else if (m_image->Header().ColorMap().Count() > 0) {
        const TGIFColor c = m_image->BackgroundColorValue();
        m_background = qRgb(c.Red, c.Green, c.Blue);
    } else {
        m_background = qRgb(255, 255, 255);
    }
    m_work = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    if (m_work.isNull()) {
        Finish();
        return;
    }
    m_pendingBackground = QRect();
    m_saved = QImage();
    m_backdrop = QImage();
    if (!m_savedBackground.isNull()) {
        m_backdrop = ((m_options & doTile) ? m_savedBackground.copy(0, 0, width, height)
                                           : m_savedBackground.scaled(width, height))
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (m_backdrop.size() != m_work.size())
            m_backdrop = QImage();
    }
    RestoreToBackground(m_work.rect());
    ShowFrame();
    if (m_running)
        AfterFrame();
}

bool TGIFPainter::Step()
{
    if (!m_running)
        return false;
    if (m_restart) {
        Start();
        return m_running;
    }
    ShowFrame();
    if (m_running)
        AfterFrame();
    return m_running;
}

void TGIFPainter::ShowFrame()
{
    if (!m_image || m_terminated || ActiveImage < 0 || ActiveImage >= m_image->Images().Count()) {
        Finish();
        return;
    }
    TGIFSubImage &frame = *m_image->Images()[ActiveImage];
    if (frame.Empty()) {
        Finish();
        return;
    }
    frame.Bitmap();
    if (OnPaint)
        OnPaint(this);

    int disposal = int(TGIFDisposalMethod::dmNoDisposal);
    for (const auto &extension : frame.Extensions()) {
        const auto *loop = dynamic_cast<const TGIFAppExtNSLoop *>(extension.get());
        if (loop && !m_loopSeen) {
            m_loopSeen = true;
            m_loopCount = loop->Loops;
            m_loopStart = ActiveImage;
            if ((m_loopCount == 0 || (m_options & doLoopForever)) && Threaded())
                m_loopCount = -1; // endless
        }
    }
    int delay = kDefaultDelay;
    if (const TGIFGraphicControlExtension *gce = frame.GraphicControlExtension()) {
        disposal = gce->Disposal();
        if (gce->Delay() != 0)
            delay = gce->Delay();
    }
    delay = qMax(delay, kMinimumDelay);
    if (delay > kMaximumDelay && !Threaded())
        delay = kMaximumDelay;
    m_frameDelay = delay;

    Compose(frame, disposal);
    m_started = true;
}

void TGIFPainter::Compose(TGIFSubImage &frame, int disposal)
{
    // The previous frame's disposal is carried out now, just before this
    // frame is drawn: the shown picture and the work picture are then one
    // image, and each frame costs its own area, never a copy of the screen.
    UndoPreviousFrame();
    if (disposal > int(TGIFDisposalMethod::dmPrevious))
        return; // undefined methods: the frame is not drawn

    const QRect area = frame.DrawRect(m_work.rect()).intersected(m_work.rect());
    if (disposal == int(TGIFDisposalMethod::dmPrevious) && !area.isEmpty()) {
        // Restore to previous: what lies under the frame comes back afterwards.
        m_saved = m_work.copy(area);
        m_savedAt = area.topLeft();
    }
    QPainter p(&m_work);
    frame.Draw(p, m_work.rect(), m_options & doTransparent, false);
    p.end();
    if (disposal == int(TGIFDisposalMethod::dmBackground))
        m_pendingBackground = area;
}

void TGIFPainter::UndoPreviousFrame()
{
    if (!m_pendingBackground.isEmpty()) {
        RestoreToBackground(m_pendingBackground);
        m_pendingBackground = QRect();
    }
    if (!m_saved.isNull()) {
        QPainter p(&m_work);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(m_savedAt, m_saved);
        p.end();
        m_saved = QImage();
    }
}

void TGIFPainter::RestoreToBackground(const QRect &area)
{
    const QRect r = area.intersected(m_work.rect());
    if (r.isEmpty())
        return;
    QPainter p(&m_work);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (!m_backdrop.isNull())
        p.drawImage(r.topLeft(), m_backdrop, r);
    else
        p.fillRect(r, (m_options & doTransparent) ? QColor(Qt::transparent) : QColor(m_background));
}

void TGIFPainter::SetBackground(const QImage &background)
{
    // Only a transparent animation lets the background show.
    m_savedBackground = (m_options & doTransparent) ? background : QImage();
}

void TGIFPainter::AfterFrame()
{
    const int shown = ActiveImage;
    if (OnAfterPaint)
        OnAfterPaint(this);
    if (ActiveImage == shown)
        ++ActiveImage;
    if (!(m_options & doAnimate) || m_terminated) {
        Finish();
        return;
    }
    if (m_restart) {
        ScheduleNext();
        return;
    }
    // Extensions after the last image (a closing comment) are no frame to
    // show: the pass ends, and loops, at the last image.
    int end = m_image->Images().Count();
    while (end > 0 && !m_image->Images()[end - 1]->HasImage())
        --end;
    if (ActiveImage >= end) {
        if (m_loopCount > 0)
            --m_loopCount;
        if ((m_options & doLoop) && (m_loopCount != 0 || (m_options & doLoopForever))) {
            ActiveImage = m_loopStart;
            if (m_started && OnLoop)
                OnLoop(this);
        } else {
            Finish();
            return;
        }
    }
    ScheduleNext();
}

void TGIFPainter::ScheduleNext()
{
    const qint64 now = m_clock.NowMs();
    if (Speed <= 0) {
        m_wait = Threaded() ? kWaitForever : kStalledWaitMs;
    } else {
        const qint64 overrun = (now - m_lastFrameTime) - m_previousWait;
        m_wait = MulDiv(qint64(m_frameDelay) * kDelayUnitMs - overrun / 2, kSpeedPercent, Speed);
        if (!Threaded() && m_wait <= 0)
            m_wait = 1;
        m_wait = qMax<qint64>(m_wait, 0);
    }
    m_lastFrameTime = now;
    m_previousWait = qMax<qint64>(m_wait, 0);
    if (m_timer)
        ArmTimer();
}

void TGIFPainter::Finish()
{
    const bool wasRunning = m_running;
    m_running = false;
    m_wait = kWaitForever;
    ActiveImage = -1;
    if (m_timer)
        m_timer->stop();
    if (wasRunning && OnEndPaint)
        OnEndPaint(this);
}

void TGIFPainter::Run()
{
    m_inRun = true;
    try {
        Start();
        while (m_running && Wait(m_wait) && m_running)
            Step();
    } catch (...) {
        m_inRun = false;
        throw;
    }
    m_inRun = false;
}

bool TGIFPainter::Wait(qint64 ms)
{
    qint64 left = qMax<qint64>(ms, 1);
    while (left > 0) {
        const qint64 slice = qMin(left, kSleepSliceMs);
        m_clock.SleepMs(slice);
        left -= slice;
        if (!m_clock.DispatchEvents()) {
            Stop();
            return false;
        }
        if (m_terminated || !m_running)
            return false;
    }
    return true;
}

void TGIFPainter::StartTimer()
{
    m_timer = std::make_unique<QTimer>();
    m_timer->setSingleShot(true);
    // Nothing may throw out of an event handler: a frame that cannot be
    // rendered ends the animation.
    QObject::connect(m_timer.get(), &QTimer::timeout, m_timer.get(), [this] {
        try {
            Step();
        } catch (const Exception &) {
            Stop();
        } catch (const std::bad_alloc &) {
            Stop();
        }
    });
    Start();
    ArmTimer();
}

void TGIFPainter::ArmTimer()
{
    if (!m_running || m_wait == kWaitForever) {
        m_timer->stop();
        return;
    }
    m_timer->start(int(qMin<qint64>(m_wait, std::numeric_limits<int>::max())));
}

void TGIFPainter::Stop()
{
    m_terminated = true;
    if (m_running)
        Finish();
}
