// Colour-table optimise and the image optimiser.
#include "gif/color_reduction.h"
#include "gif/gif_model.h"
#include "gif/gif_picture.h"

#include <algorithm>
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

    std::vector<qint64> uses(static_cast<size_t>(count), 0);
    for (const TGIFSubImage *frame : frames) {
        const quint8 *p = frame->Data();
        for (qint64 i = 0; i < frame->DataSize(); ++i)
            if (p[i] < count)
                ++uses[p[i]];
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
        for (qint64 i = 0; i < frame->DataSize(); ++i)
            if (p[i] < count)
                p[i] = newIndex[p[i]];
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

} // namespace

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
                // lay beneath it.
                const int disposal = disposalOf(frame);
                if (i + 1 < m_images.Count()
                    && (disposal == int(TGIFDisposalMethod::dmBackground)
                        || disposal == int(TGIFDisposalMethod::dmPrevious))) {
                    const TGIFSubImage &next = *m_images[i + 1];
                    if (!next.Empty() && !next.Transparent()
                        && disposalOf(next) != int(TGIFDisposalMethod::dmPrevious)
                        && next.BoundsRect().contains(frame.BoundsRect()))
                        frame.GraphicControlExtension()->SetDisposal(0);
                }
                frameDone();
            }
        }
        if (options & ooCrop) {
            for (int i = m_images.Count() - 1; i >= 0; --i) {
                TGIFSubImage &frame = *m_images[i];
                // A frame that clears its area afterwards must keep that area.
                if (frame.Empty() || !frame.Transparent()
                    || disposalOf(frame) == int(TGIFDisposalMethod::dmBackground)) {
                    frameDone();
                    continue;
                }
                const QRect bounds = opaqueBounds(frame);
                if (bounds.isEmpty()) {
                    if (i > 0 && m_images[i - 1]->Transparent()) {
                        auto *previous = m_images[i - 1]->GraphicControlExtension();
                        previous->SetDelay(quint16(qMin(
                            kMaxDelay, int(previous->Delay())
                                + int(frame.GraphicControlExtension()->Delay()))));
                    }
                    m_images.Delete(i);
                } else if (bounds != QRect(0, 0, frame.Width, frame.Height)) {
                    cropTo(frame, bounds);
                }
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
                        if ((gce->Delay() == 0 || frameCount == 1) && !gce->Transparent()
                            && !gce->UserInput() && gce->Disposal() <= 1)
                            doomed.push_back(extension.get());
                    }
                }
                for (TGIFExtension *extension : doomed)
                    frame.RemoveExtension(extension);
                if (frame.Empty() && frame.Extensions().empty())
                    m_images.Delete(i);
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
