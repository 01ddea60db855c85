#pragma once
// Whatever loads is saved with each encoder and reloaded into the same
// model and pixels; then optimised, saved and reloaded, and played: every
// picture shown, and how long, must stay as it was. Shared by the
// round-trip fuzzer and the test of what it found.
#include "gif/gif_painter.h"
#include "gif/gif_picture.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <utility>
#include <vector>

namespace gifroundtrip {

// Inputs whose frames hold more than this are only loaded: the checks walk
// every pixel several times, and the fuzzer should spend its time on shapes.
constexpr qint64 kPixelBudget = 1 << 20;

class InstantClock : public TGIFClock
{
public:
    qint64 NowMs() override { return m_now; }
    void SleepMs(qint64 ms) override { m_now += ms; }
    bool DispatchEvents() override { return true; }

private:
    qint64 m_now = 0;
};

// The first difference found; thrown to leave the checks at once.
struct Fault {
    QString what;
};

[[noreturn]] inline void fault(const char *what, int frame = -1)
{
    QString text = QString::fromLatin1(what);
    if (frame >= 0)
        text += QStringLiteral(" (frame %1)").arg(frame);
    throw Fault{text};
}

inline QByteArray wireForm(const TGIFExtension &extension)
{
    TGifOutStream out;
    extension.SaveToStream(out);
    return out.Data();
}

inline void compareModels(const TGifPicture &a, const TGifPicture &b)
{
    const TGIFHeader &ha = a.Header();
    const TGIFHeader &hb = b.Header();
    if (ha.Width != hb.Width || ha.Height != hb.Height)
        fault("logical screen changed");
    if (ha.BackgroundColorIndex != hb.BackgroundColorIndex || ha.AspectRatio != hb.AspectRatio)
        fault("screen descriptor changed");
    if (ha.ColorMap().ColorTable() != hb.ColorMap().ColorTable())
        fault("global colour table changed");
    if (a.Images().Count() != b.Images().Count())
        fault("frame count changed");
    for (int i = 0; i < a.Images().Count(); ++i) {
        const TGIFSubImage &fa = *a.Images()[i];
        const TGIFSubImage &fb = *b.Images()[i];
        if (fa.BoundsRect() != fb.BoundsRect() || fa.Interlaced() != fb.Interlaced())
            fault("image descriptor changed", i);
        if (fa.ColorMap().ColorTable() != fb.ColorMap().ColorTable())
            fault("local colour table changed", i);
        if (fa.DataSize() != fb.DataSize()
            || !std::equal(fa.Data(), fa.Data() + fa.DataSize(), fb.Data()))
            fault("pixel indices changed", i);
        if (fa.Extensions().size() != fb.Extensions().size())
            fault("extension count changed", i);
        for (size_t e = 0; e < fa.Extensions().size(); ++e)
            if (wireForm(*fa.Extensions()[e]) != wireForm(*fb.Extensions()[e]))
                fault("extension changed", i);
        if (fa.RgbBitmap(QImage::Format_RGB32) != fb.RgbBitmap(QImage::Format_RGB32))
            fault("pixels changed", i);
    }
}

// Designed refusals of the writer: data that indexes past its table.
inline bool saveOrRefuse(TGifPicture &picture, QByteArray &out)
{
    try {
        out = picture.SaveToData();
        return true;
    } catch (const GIFException &e) {
        if (e.message() == msg(MsgGifColorNotInTable))
            return false;
        fault("the writer raised an unexpected error");
    }
}

inline bool reload(const QByteArray &data, TGifPicture &into)
{
    QString error;
    return into.LoadFromData(data, error);
}

using Timeline = std::vector<std::pair<QImage, int>>;

// What an animation shows over one pass: each picture with how long it
// stays (pictures of no duration left out, a picture that stays up through
// several frames counted once), and the picture it ends on.
struct Showing {
    Timeline timeline;
    QImage last;

    // An animation of at most one lasting picture is a still image: only
    // the picture it ends on counts, however long its frames say to wait.
    bool operator==(const Showing &other) const
    {
        if (last != other.last)
            return false;
        return (timeline.size() <= 1 && other.timeline.size() <= 1) || timeline == other.timeline;
    }
};

inline Showing play(TGifPicture &picture)
{
    Showing shown;
    InstantClock clock;
    TGIFPainter painter(&picture, QRect(0, 0, picture.Width(), picture.Height()),
                        TGIFDrawOptions(doTransparent | doAnimate), clock);
    painter.OnAfterPaint = [&shown](TGIFPainter *p) {
        const TGIFSubImage &frame = *p->Image()->Images()[p->ActiveImage];
        const TGIFGraphicControlExtension *gce = frame.GraphicControlExtension();
        const int delay = gce ? gce->Delay() : 0;
        shown.last = p->Picture();
        if (delay == 0)
            return;
        Timeline &t = shown.timeline;
        if (!t.empty() && t.back().first == p->Picture())
            t.back().second += delay;
        else
            t.emplace_back(p->Picture(), delay);
    };
    painter.Run();
    return shown;
}

inline qint64 framePixels(const TGifPicture &picture)
{
    qint64 pixels = 0;
    for (const auto &frame : picture.Images())
        pixels += qint64(frame->Width) * frame->Height;
    return pixels;
}

inline void checkOrThrow(const QByteArray &bytes)
{
    TGifPicture original;
    QString error;
    if (!original.LoadFromData(bytes, error) || original.Images().Count() == 0)
        return;
    if (framePixels(original) > kPixelBudget)
        return;

    for (quint8 compression : {quint8(0), quint8(1)}) {
        original.Compression = compression;
        QByteArray saved;
        if (!saveOrRefuse(original, saved))
            return;
        TGifPicture copy;
        if (!reload(saved, copy))
            fault("a written file does not load");
        compareModels(original, copy);
    }

    const qint64 screen = qint64(original.Width()) * original.Height();
    if (screen == 0 || screen * original.Images().Count() > kPixelBudget)
        return;
    const Showing before = play(original);
    TGifPicture optimized;
    if (!reload(bytes, optimized))
        fault("the input no longer loads");
    try {
        optimized.Optimize(ooCrop | ooMerge | ooCleanup | ooColorMap | ooReduceColors, 0, 0, 8);
    } catch (const Exception &) {
        fault("Optimize raised an error");
    }
    QByteArray saved;
    if (!saveOrRefuse(optimized, saved))
        return;
    TGifPicture reloaded;
    if (!reload(saved, reloaded))
        fault("an optimised file does not load");
    if (!(play(reloaded) == before))
        fault("optimising changed what the animation shows");
    return;
}

// Empty when every check holds, else the first fault found.
inline QString RoundTripFault(const QByteArray &bytes)
{
    try {
        checkOrThrow(bytes);
    } catch (const Fault &f) {
        return f.what;
    }
    return QString();
}

} // namespace gifroundtrip
