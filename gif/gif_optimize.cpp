// Colour-table optimise and the image optimiser.
#include "gif/color_reduction.h"
#include "gif/gif_model.h"
#include "gif/gif_picture.h"

#include <QSize>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <numeric>

namespace {

constexpr int kOptimizeSteps = 6;
constexpr int kMaxDelay = 0xFFFF;

// Sorts map by descending use over frames; the header's background index
// (global table only) follows its colour. Transparent and background colours
// stay in the table even when no pixel uses them, so every index that
// refers to the table stays valid.
bool optimizeTable(TGIFColorMap &map, const std::vector<TGIFSubImage *> &frames,
                   quint8 *backgroundIndex)
{
    const int count = map.Count();
    if (count <= 1)
        return false;
    map.Optimized = true;

    // Indices past the table show its first colour (unless they are the
    // frame's transparent index): they count, and are remapped, as that one.
    auto shownIndex = [count](const TGIFSubImage &frame, int index) {
        if (index < count || (frame.Transparent() && index == frame.TransparentColorIndex()))
            return index;
        return 0;
    };
    std::vector<qint64> uses(static_cast<size_t>(count), 0);
    for (const TGIFSubImage *frame : frames) {
        const quint8 *p = frame->Data();
        for (qint64 i = 0; i < frame->DataSize(); ++i) {
            const int index = shownIndex(*frame, p[i]);
            if (index < count)
                ++uses[size_t(index)];
        }
    }
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&uses](int a, int b) { return uses[size_t(a)] > uses[size_t(b)]; });
    if (std::is_sorted(order.begin(), order.end()))
        return false;

    std::vector<quint8> newIndex(static_cast<size_t>(count));
    int keep = 0;
    for (int i = 0; i < count; ++i) {
        newIndex[size_t(order[size_t(i)])] = quint8(i);
        if (uses[size_t(order[size_t(i)])] > 0)
            keep = i + 1;
    }
    for (const TGIFSubImage *frame : frames)
        if (frame->Transparent() && frame->TransparentColorIndex() < count)
            keep = std::max(keep, newIndex[size_t(frame->TransparentColorIndex())] + 1);
    if (backgroundIndex && *backgroundIndex < count)
        keep = std::max(keep, newIndex[*backgroundIndex] + 1);

    const QList<QRgb> old = map.ColorTable();
    QList<QRgb> sorted;
    for (int i = 0; i < keep; ++i)
        sorted.append(old[order[size_t(i)]]);
    map.AssignColorTable(sorted);
    map.Optimized = true;

    for (TGIFSubImage *frame : frames) {
        quint8 *p = frame->Data();
        for (qint64 i = 0; i < frame->DataSize(); ++i) {
            const int index = shownIndex(*frame, p[i]);
            if (index < count)
                p[i] = newIndex[size_t(index)];
        }
        if (TGIFGraphicControlExtension *gce = frame->GraphicControlExtension()) {
            const int t = gce->TransparentColorIndex();
            if (t < count)
                gce->SetTransparentColorIndex(newIndex[size_t(t)] < keep ? newIndex[size_t(t)] : 0);
        }
        frame->FreeBitmap();
    }
    if (backgroundIndex && *backgroundIndex < count)
        *backgroundIndex = newIndex[*backgroundIndex];
    return true;
}

bool occursIn(const TGIFSubImage &frame, int index)
{
    const quint8 *p = frame.Data();
    return std::find(p, p + frame.DataSize(), quint8(index)) != p + frame.DataSize();
}

// Bounds of the pixels that are not transparent, in frame coordinates.
QRect opaqueBounds(const TGIFSubImage &frame)
{
    const int t = frame.TransparentColorIndex();
    int left = frame.Width, right = -1, top = frame.Height, bottom = -1;
    for (int y = 0; y < frame.Height; ++y) {
        const quint8 *row = frame.Data() + size_t(y) * frame.Width;
        for (int x = 0; x < frame.Width; ++x) {
            if (row[x] == t)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

void cropTo(TGIFSubImage &frame, const QRect &bounds)
{
    std::vector<quint8> data(size_t(bounds.width()) * bounds.height());
    for (int y = 0; y < bounds.height(); ++y) {
        const quint8 *src = frame.Data() + size_t(bounds.top() + y) * frame.Width + bounds.left();
        std::copy(src, src + bounds.width(), data.begin() + qsizetype(y) * bounds.width());
    }
    frame.Left = quint16(frame.Left + bounds.left());
    frame.Top = quint16(frame.Top + bounds.top());
    frame.Width = quint16(bounds.width());
    frame.Height = quint16(bounds.height());
    frame.SetData(std::move(data));
}

int disposalOf(const TGIFSubImage &frame)
{
    const TGIFGraphicControlExtension *gce = frame.GraphicControlExtension();
    return gce ? gce->Disposal() : 0;
}

int delayOf(const TGIFSubImage &frame)
{
    const TGIFGraphicControlExtension *gce = frame.GraphicControlExtension();
    return gce ? gce->Delay() : 0;
}

// Decoders disagree on the delay of a frame without a graphic control
// extension: none, or the delay of the last frame before it that had one.
// Where that earlier delay is 0 both readings agree.
int inheritedDelay(const TGifPictureList &frames, int index)
{
    for (int i = index - 1; i >= 0; --i)
        if (const TGIFGraphicControlExtension *gce = frames[i]->GraphicControlExtension())
            return gce->Delay();
    return 0;
}

bool waitsForInput(const TGIFSubImage &frame)
{
    const TGIFGraphicControlExtension *gce = frame.GraphicControlExtension();
    return gce && gce->UserInput();
}

TGIFGraphicControlExtension &controlOf(TGIFSubImage &frame)
{
    if (TGIFGraphicControlExtension *gce = frame.GraphicControlExtension())
        return *gce;
    frame.AddExtension(std::make_unique<TGIFGraphicControlExtension>(&frame));
    return *frame.GraphicControlExtension();
}

bool isLoopExtension(const TGIFExtension &extension)
{
    return &extension.ExtensionClass() == &TGIFAppExtNSLoop::Class();
}

bool hasLoopExtension(const TGIFSubImage &frame)
{
    return std::any_of(frame.Extensions().begin(), frame.Extensions().end(),
                       [](const auto &e) { return isLoopExtension(*e); });
}

// Copies the extensions of a frame that is about to go to another frame,
// ahead of that frame's own when they belong before it. Extensions are
// copied through their wire form, as frames copy them, so every kind keeps
// its exact bytes. No graphic control goes along, not even a frame's extra
// ones that count for nothing where they stand: on a frame without a control
// of its own, or ahead of the one it has, it would become that frame's
// control and change its delay, disposal and transparency.
void carryExtensions(const TGIFSubImage &from, TGIFSubImage &to, bool ahead)
{
    std::vector<std::unique_ptr<TGIFExtension>> moved;
    for (const auto &e : from.Extensions()) {
        if (&e->ExtensionClass() == &TGIFGraphicControlExtension::Class())
            continue;
        if (isLoopExtension(*e) && hasLoopExtension(to))
            continue;
        TGifOutStream out;
        e->SaveToStream(out);
        auto copy = e->ExtensionClass().Create(&to);
        TGifStream in(out.Data());
        copy->LoadFromStream(in);
        moved.push_back(std::move(copy));
    }
    if (moved.empty())
        return;
    std::vector<std::unique_ptr<TGIFExtension>> own;
    if (ahead) {
        for (auto &e : to.Extensions())
            own.push_back(std::move(e));
        to.Extensions().clear();
    }
    // Re-adding keeps the frame's record of its graphic control extension
    // pointing at the first one in the list.
    std::vector<std::unique_ptr<TGIFExtension>> order;
    for (auto &e : moved)
        order.push_back(std::move(e));
    for (auto &e : own)
        order.push_back(std::move(e));
    for (auto &e : order)
        to.AddExtension(std::move(e));
}

// --- frame differencing ------------------------------------------------------

// The logical screen as the frames leave it, one colour per pixel; 0 (no
// alpha) is the background that shows before any frame and after a frame
// restores to background.
class ScreenTracker
{
public:
    ScreenTracker(int width, int height)
        : m_width(width), m_height(height), m_pixels(size_t(width) * size_t(height), 0)
    {
    }

    QRect Area(const TGIFSubImage &frame) const
    {
        return frame.BoundsRect().intersected(QRect(0, 0, m_width, m_height));
    }

    // Turns the frame's pixels that repeat what the screen already shows
    // there into its transparent index; true when any pixel changed.
    bool Merge(TGIFSubImage &frame, const std::array<QRgb, gif::kMaxColors> &colors,
               int transparent)
    {
        const QRect area = Area(frame);
        bool changed = false;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            quint8 *row = frame.Data() + size_t(y - frame.Top) * frame.Width;
            const QRgb *screen = m_pixels.data() + size_t(y) * size_t(m_width);
            for (int x = area.left(); x <= area.right(); ++x) {
                quint8 &index = row[x - frame.Left];
                if (index != transparent && screen[x] == colors[index]) {
                    index = quint8(transparent);
                    changed = true;
                }
            }
        }
        return changed;
    }

    void Draw(const TGIFSubImage &frame, const std::array<QRgb, gif::kMaxColors> &colors,
              int transparent, int disposal)
    {
        const QRect area = Area(frame);
        if (disposal == int(TGIFDisposalMethod::dmPrevious))
            m_saved = Copy(area);
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const quint8 *row = frame.Data() + size_t(y - frame.Top) * frame.Width;
            QRgb *screen = m_pixels.data() + size_t(y) * size_t(m_width);
            for (int x = area.left(); x <= area.right(); ++x)
                if (row[x - frame.Left] != transparent)
                    screen[x] = colors[row[x - frame.Left]];
        }
        if (disposal == int(TGIFDisposalMethod::dmBackground))
            Fill(area);
        else if (disposal == int(TGIFDisposalMethod::dmPrevious))
            Paste(area, m_saved);
    }

private:
    std::vector<QRgb> Copy(const QRect &area) const
    {
        std::vector<QRgb> copy;
        copy.reserve(size_t(area.width()) * size_t(qMax(area.height(), 0)));
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QRgb *row = m_pixels.data() + size_t(y) * size_t(m_width);
            copy.insert(copy.end(), row + area.left(), row + area.right() + 1);
        }
        return copy;
    }
    void Paste(const QRect &area, const std::vector<QRgb> &copy)
    {
        auto from = copy.begin();
        for (int y = area.top(); y <= area.bottom(); ++y, from += area.width())
            std::copy(from, from + area.width(),
                      m_pixels.begin() + qsizetype(y) * m_width + area.left());
    }
    void Fill(const QRect &area)
    {
        for (int y = area.top(); y <= area.bottom(); ++y)
            std::fill_n(m_pixels.begin() + qsizetype(y) * m_width + area.left(), area.width(),
                        QRgb(0));
    }

    int m_width;
    int m_height;
    std::vector<QRgb> m_pixels;
    std::vector<QRgb> m_saved;
};

// The colours a frame shows for each index, as rendering picks them: past
// the end of the table the first colour, without a table black and white.
std::array<QRgb, gif::kMaxColors> shownColors(const TGIFSubImage &frame)
{
    const TGIFColorMap &map = frame.ActiveColorMap();
    std::array<QRgb, gif::kMaxColors> colors{};
    for (int i = 0; i < gif::kMaxColors; ++i) {
        if (map.Count() > 0) {
            const TGIFColor c = map.Data()[i < map.Count() ? i : 0];
            colors[size_t(i)] = qRgb(c.Red, c.Green, c.Blue);
        } else {
            colors[size_t(i)] = i == 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    return colors;
}

// An index of the frame's table that no pixel uses, or -1.
int unusedIndex(const TGIFSubImage &frame)
{
    const int count = frame.ActiveColorMap().Count();
    std::array<bool, gif::kMaxColors> used{};
    const quint8 *p = frame.Data();
    for (qint64 i = 0; i < frame.DataSize(); ++i)
        used[p[i]] = true;
    for (int i = count - 1; i >= 0; --i)
        if (!used[size_t(i)])
            return i;
    return -1;
}


bool wellFormed(const TGIFSubImage &frame)
{
    return !frame.Empty() && frame.DataSize() == qint64(frame.Width) * frame.Height;
}

// Where the painter would draw: the logical screen, or for a screen of
// 0 x 0 the first frame's extent.
QSize screenSize(const TGifPicture &image)
{
    int width = image.Width();
    int height = image.Height();
    if (image.Images().Count() > 0) {
        const TGIFSubImage *first = image.Images()[0];
        if (width == 0)
            width = first->Left + first->Width;
        if (height == 0)
            height = first->Top + first->Height;
    }
    return QSize(width, height);
}

} // namespace

// Each frame gives up the pixels that only repeat what the screen shows
// beneath it, once the frame before it has been disposed of: those become
// transparent, so every shown picture stays the same and the frame packs
// into long runs (and crops smaller). A frame's own disposal is unaffected,
// since restoring clears or reinstates its whole area whatever it drew.
void TGifPicture::MergeFrames(const std::function<void()> &frameDone)
{
    const QSize screen = screenSize(*this);
    bool mergeable = qint64(screen.width()) * screen.height() > 0
        && qint64(screen.width()) * screen.height() <= gif::kMaxPixels;
    // The painter skips frames of an undefined disposal method while other
    // decoders draw them: no single screen to compare with.
    for (const auto &frame : m_images)
        if (disposalOf(*frame) > int(TGIFDisposalMethod::dmPrevious))
            mergeable = false;
    if (!mergeable) {
        for (int i = 0; i < m_images.Count(); ++i)
            frameDone();
        return;
    }
    ScreenTracker tracker(screen.width(), screen.height());
    for (int i = 0; i < m_images.Count(); ++i) {
        TGIFSubImage &frame = *m_images[i];
        if (!wellFormed(frame)) {
            frameDone();
            continue;
        }
        const auto colors = shownColors(frame);
        int transparent = frame.Transparent() ? frame.TransparentColorIndex() : -1;
        if (i > 0) {
            const bool hadTransparency = transparent >= 0;
            if (!hadTransparency
                && (frame.GraphicControlExtension() || inheritedDelay(m_images, i) == 0))
                transparent = unusedIndex(frame);
            if (transparent >= 0 && tracker.Merge(frame, colors, transparent)) {
                if (!hadTransparency) {
                    TGIFGraphicControlExtension &gce = controlOf(frame);
                    gce.SetTransparentColorIndex(transparent);
                    gce.SetTransparent(true);
                }
                frame.FreeBitmap();
            } else if (!hadTransparency) {
                transparent = -1;
            }
        }
        tracker.Draw(frame, colors, transparent, disposalOf(frame));
        frameDone();
    }
}

// Cuts a transparent frame down to its visible pixels. A frame that shows
// nothing at all goes only where the pictures shown, and how long each is
// shown, stay as they were; otherwise it keeps a single transparent pixel.
void TGifPicture::CropFrame(int index)
{
    TGIFSubImage &frame = *m_images[index];
    const QRect bounds = opaqueBounds(frame);
    if (!bounds.isEmpty()) {
        if (bounds != QRect(0, 0, frame.Width, frame.Height))
            cropTo(frame, bounds);
        return;
    }
    const int delay = delayOf(frame);
    // Another image must remain, and the frame after it must not take its
    // delay from this one.
    const auto images = std::count_if(m_images.begin(), m_images.end(),
                                      [](const auto &f) { return f->HasImage(); });
    bool removable = images > 1 && !waitsForInput(frame)
        && (index + 1 == m_images.Count() || m_images[index + 1]->GraphicControlExtension());
    TGIFSubImage *previous = index > 0 ? m_images[index - 1] : nullptr;
    const auto leavesItsPicture = [](const TGIFSubImage &shown) {
        const int disposal = disposalOf(shown);
        return disposal == int(TGIFDisposalMethod::dmNone)
            || disposal == int(TGIFDisposalMethod::dmNoDisposal);
    };
    // The frame before the last is disposed of only because the last one
    // follows it: without it, the animation would end on that frame's
    // picture rather than on what its disposal leaves.
    if (removable && index + 1 == m_images.Count() && previous && !leavesItsPicture(*previous))
        removable = false;
    if (removable && delay > 0) {
        // Its time can only go to a frame that leaves the same picture up,
        // and the loop must keep starting where it did.
        removable = previous && leavesItsPicture(*previous)
            && !waitsForInput(*previous) && !hasLoopExtension(frame)
            && (previous->GraphicControlExtension() || inheritedDelay(m_images, index - 1) == 0)
            && delayOf(*previous) + delay <= kMaxDelay;
    } else if (removable && index > 0 && hasLoopExtension(frame)) {
        removable = false;
    }
    if (!removable) {
        if (frame.Width > 1 || frame.Height > 1)
            cropTo(frame, QRect(0, 0, 1, 1));
        return;
    }
    if (delay > 0)
        controlOf(*previous).SetDelay(quint16(delayOf(*previous) + delay));
    if (index + 1 < m_images.Count())
        carryExtensions(frame, *m_images[index + 1], true);
    else
        carryExtensions(frame, *previous, false);
    m_images.Delete(index);
}

bool TGifPicture::OptimizeGlobalColorMap()
{
    std::vector<TGIFSubImage *> users;
    for (const auto &frame : m_images)
        if (frame->ColorMap().Count() == 0)
            users.push_back(frame.get());
    const bool changed =
        optimizeTable(m_header.ColorMap(), users, &m_header.BackgroundColorIndex);
    if (changed) {
        FreeBitmap();
        Changed();
    }
    return changed;
}

bool TGifPicture::OptimizeLocalColorMap(TGIFSubImage &frame)
{
    const bool changed = optimizeTable(frame.ColorMap(), {&frame}, nullptr);
    if (changed) {
        FreeBitmap();
        Changed();
    }
    return changed;
}

void TGifPicture::Optimize(TGIFOptimizeOptions options, int reduction, int /*ditherMode*/,
                           quint32 /*reductionBits*/)
{
    StopDraw();
    const QString text = msg(MsgGifOptimizing);
    Progress(TProgressStage::psStarting, 0, false, QRect(), text);
    int stepsDone = 0;
    auto frameDone = [&] {
        ++stepsDone;
        const int total = qMax(1, m_images.Count()) * kOptimizeSteps;
        Progress(TProgressStage::psRunning, MulDiv(qMin(stepsDone, total), 100, total), false,
                 QRect(), text);
    };
    try {
        if (options & ooColorMap) {
            if (m_header.ColorMap().Count() > 0)
                OptimizeGlobalColorMap();
            for (const auto &frame : m_images) {
                if (frame->ColorMap().Count() > 0)
                    OptimizeLocalColorMap(*frame);
                frameDone();
            }
        }
        if (options & ooCleanup) {
            for (int i = 0; i < m_images.Count(); ++i) {
                TGIFSubImage &frame = *m_images[i];
                if (frame.Transparent() && !occursIn(frame, frame.TransparentColorIndex()))
                    frame.GraphicControlExtension()->SetTransparent(false);
                // Restoring is pointless when the next frame paints over the
                // whole area opaquely and does not itself restore to what
                // lay beneath it (frames of an undefined method are not drawn).
                const int disposal = disposalOf(frame);
                if (i + 1 < m_images.Count()
                    && (disposal == int(TGIFDisposalMethod::dmBackground)
                        || disposal == int(TGIFDisposalMethod::dmPrevious))) {
                    const TGIFSubImage &next = *m_images[i + 1];
                    if (!next.Empty() && !next.Transparent()
                        && disposalOf(next) <= int(TGIFDisposalMethod::dmBackground)
                        && next.BoundsRect().contains(frame.BoundsRect()))
                        frame.GraphicControlExtension()->SetDisposal(0);
                }
                frameDone();
            }
        }
        // Without a logical screen every frame is shown stretched over the
        // whole picture: cutting frames down, or merging them, would change that.
        const bool hasScreen = m_header.Width > 0 && m_header.Height > 0;
        if ((options & ooMerge) && hasScreen)
            MergeFrames(frameDone);
        if ((options & ooCrop) && hasScreen) {
            for (int i = m_images.Count() - 1; i >= 0; --i) {
                const TGIFSubImage &frame = *m_images[i];
                // A frame that clears its area afterwards must keep that area.
                if (wellFormed(frame) && frame.Transparent()
                    && disposalOf(frame) != int(TGIFDisposalMethod::dmBackground))
                    CropFrame(i);
                frameDone();
            }
        }
        if (options & ooCleanup) {
            const int frameCount = m_images.Count();
            for (int i = frameCount - 1; i >= 0; --i) {
                TGIFSubImage &frame = *m_images[i];
                std::vector<TGIFExtension *> doomed;
                for (const auto &extension : frame.Extensions()) {
                    const TGIFExtensionClass *cls = &extension->ExtensionClass();
                    if (cls == &TGIFCommentExtension::Class() || cls == &TGIFTextExtension::Class()
                        || cls == &TGIFUnknownAppExtension::Class()) {
                        doomed.push_back(extension.get());
                    } else if (cls == &TGIFAppExtNSLoop::Class()) {
                        if (i != 0 || frameCount < 2)
                            doomed.push_back(extension.get());
                    } else if (cls == &TGIFGraphicControlExtension::Class()) {
                        const auto *gce = static_cast<const TGIFGraphicControlExtension *>(
                            extension.get());
                        // Only a frame's first one counts; the others would
                        // take its place if it went.
                        if (gce != frame.GraphicControlExtension())
                            doomed.push_back(extension.get());
                        else if ((gce->Delay() == 0 || frameCount == 1) && !gce->Transparent()
                            && !gce->UserInput() && gce->Disposal() <= 1
                            && (frameCount == 1 || inheritedDelay(m_images, i) == 0))
                            doomed.push_back(extension.get());
                    }
                }
                for (TGIFExtension *extension : doomed)
                    frame.RemoveExtension(extension);
                // An empty frame stays, extensions or not: the animation ends
                // where it stands, and without it would play on (or loop).
                frameDone();
            }
        }
        if ((options & ooReduceColors) && reduction == rmPalette)
            throw GIFException(MsgGifInvalidReduction);
    } catch (...) {
        Progress(TProgressStage::psEnding, 0, false, QRect(), text);
        throw;
    }
    FreeBitmap();
    Changed();
    Progress(TProgressStage::psEnding, 100, false, QRect(), text);
}
