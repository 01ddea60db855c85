#pragma once

#include "gif/gif_model.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QMimeData;
class QPainter;
class TGIFPainter;

enum TGIFDrawOption : quint16 {
    doThreaded = 0x0001,
    doTransparent = 0x0002,
    doAnimate = 0x0004,
    doLoop = 0x0008,
    doLoopForever = 0x0010,
    doHoldDC = 0x0020,
    doDirectPaint = 0x0040,
    doSaveBackground = 0x0080,
    doTile = 0x0100,
    doDither = 0x0200,
    doDitherOnPaletteDisplay = 0x0400,
};
using TGIFDrawOptions = quint16;
inline constexpr TGIFDrawOptions kDefaultDrawOptions = 0x060F;

// Image Optimize options.
enum TGIFOptimizeOption : quint8 {
    ooCrop = 0x01,
    ooMerge = 0x02,
    ooCleanup = 0x04,
    ooColorMap = 0x08,
    ooReduceColors = 0x10,
};
using TGIFOptimizeOptions = quint8;

enum class TProgressStage { psStarting, psRunning, psEnding };

// The GIF image component: owns the file model, loads and saves it, renders
// it and draws it. One instance is used by one thread at a time; instances
// on different threads share nothing but the read-only registries.
class TGifPicture
{
public:
    using WarningEvent = std::function<void(TGifPicture *sender, TGIFSeverity severity,
                                            const QString &message)>;
    using ProgressEvent = std::function<void(TGifPicture *sender, TProgressStage stage,
                                             int percent, bool redraw, const QRect &rect,
                                             const QString &message)>;
    using ChangeEvent = std::function<void(TGifPicture *sender)>;
    using PainterEvent = std::function<void(TGIFPainter *painter)>;

    static constexpr const char *kMimeType = "image/gif";
    static constexpr int kDefaultAnimationSpeed = 100;
    static constexpr int kDefaultColorReduction = 6;

    TGifPicture();
    ~TGifPicture();
    TGifPicture(const TGifPicture &) = delete;
    TGifPicture &operator=(const TGifPicture &) = delete;

    TGIFHeader &Header() { return m_header; }
    const TGIFHeader &Header() const { return m_header; }
    TGifPictureList &Images() { return m_images; }
    const TGifPictureList &Images() const { return m_images; }

    // Settings read by the renderer, painter, writer and reducer.
    TGIFDrawOptions DrawOptions = kDefaultDrawOptions;
    quint8 ColorReduction = kDefaultColorReduction;
    quint32 ReductionBits = 8;
    quint8 DitherMode = 0;
    quint8 Compression = 0;
    int ThreadPriority = 3;
    int AnimationSpeed = kDefaultAnimationSpeed;
    int ActiveImage = -1;
    std::optional<QRgb> BackgroundColor;
    // The graphic's own transparency property (the logo loader turns it off).
    bool Transparent = true;
    // The most pixels the canvas (logical screen) or one frame may declare:
    // a larger one is refused while loading, before anything of its size is
    // allocated. A caller that wants only a small picture sets it lower;
    // above gif::kMaxPixels it has no effect.
    qint64 PixelLimit = gif::kMaxPixels;
    qint64 MaxPixels() const { return std::min(PixelLimit, gif::kMaxPixels); }
    // The whole read is held the same way: all frames together may declare
    // at most TotalPixelLimit pixels (above gif::kMaxTotalPixels it has no
    // effect), and a stream of more than FrameLimit frames is refused before
    // the next frame is read. A caller that wants one small picture sets
    // them lower, so that a file of many large frames costs little to refuse.
    qint64 TotalPixelLimit = gif::kMaxTotalPixels;
    qint64 MaxTotalPixels() const { return std::min(TotalPixelLimit, gif::kMaxTotalPixels); }
    int FrameLimit = std::numeric_limits<int>::max();
    // Every extension, and every data sub-block an extension keeps (a line
    // of text, an application's block), is an object many times the size of
    // its bytes in the file: a read that would keep more than BlockLimit of
    // them is refused before the next one is made.
    qint64 BlockLimit = std::numeric_limits<qint64>::max();

    WarningEvent OnWarning;
    ProgressEvent OnProgress;
    ChangeEvent OnChange;
    PainterEvent OnStartPaint, OnPaint, OnAfterPaint, OnLoop, OnEndPaint;

    // Process-wide: frames are rendered while loading (off by default), and
    // the display shows 256 colours or fewer (steers dithering).
    static std::atomic<bool> RenderOnLoad;
    static std::atomic<bool> PaletteDisplay;

    // Raises GIFException; the image keeps what was read before the error.
    void LoadFromStream(TGifStream &stream);
    void SaveToStream(TGifOutStream &stream);
    // Boundary helpers: false with the error text instead of raising.
    bool LoadFromData(const QByteArray &data, QString &errorText);
    bool LoadFromFile(const QString &fileName, QString &errorText);
    QByteArray SaveToData();
    bool SaveToFile(const QString &fileName, QString &errorText);

    bool Empty() const { return m_images.Count() == 0; }
    int Width() const { return m_header.Width; }
    int Height() const { return m_header.Height; }
    void SetWidth(int width);
    void SetHeight(int height);

    QList<QRgb> GetPalette();
    void SetPalette(const QList<QRgb> &palette);
    bool PaletteModified = false;

    // The whole image (frame 0 on the logical screen), cached.
    QImage Bitmap();
    void FreeBitmap();

    void Clear();
    // Colour-table optimise: the table sorted by descending use (ties keep
    // their order), unused colours cut off the end, pixels and transparent
    // indices remapped; marks the table Optimized. True when it changed.
    bool OptimizeGlobalColorMap();
    bool OptimizeLocalColorMap(TGIFSubImage &frame);
    // Shrinks the image without changing how it looks, frame by frame and
    // in timing; raises "Invalid reduction method" for ooReduceColors with
    // reduction 9.
    void Optimize(TGIFOptimizeOptions options, int reduction, int ditherMode,
                  quint32 reductionBits);
    void Assign(const TGifPicture *source);
    void Assign(const QImage &image);
    void AssignTo(QImage &target);
    int Add(const QImage &image);
    int Add(std::unique_ptr<TGIFSubImage> frame);

    void Draw(QPainter &painter, const QRect &rect);
    // Starts a painter for rect with options; null for an empty image, and
    // for a painter that ran in the calling thread and was stopped there.
    // background: what lies under rect (see TGIFPainter::SetBackground).
    TGIFPainter *Paint(const QRect &rect, TGIFDrawOptions options,
                       const QImage &background = QImage());
    TGIFPainter *Painter() const { return m_painter; }
    void StopDraw();

    TGIFVersion Version() const;
    int ColorResolution() const;
    int BitsPerPixel() const;
    TGIFColor BackgroundColorValue() const;
    // Dithering to the web palette applies.
    bool DoDither() const;

    // Clipboard: the bitmap plus the GIF data under kMimeType.
    std::unique_ptr<QMimeData> SaveToClipboardFormat();
    void LoadFromClipboardFormat(const QMimeData &data);
    void CopyToClipboard();

    void Warning(TGIFSeverity severity, const QString &message);
    void Progress(TProgressStage stage, int percent, bool redraw, const QRect &rect,
                  const QString &message);
    void Changed();

    // Frames allocate their pixels through this budget (MaxPixels() each,
    // MaxTotalPixels() in all).
    void ReservePixels(qint64 pixels);
    // Extensions and their kept sub-blocks are counted here (BlockLimit in all).
    void ReserveBlock();

    // Painters report here when they finish.
    void PainterFinished(TGIFPainter *painter);

private:
    void StopPainter();
    void Retire(std::vector<std::unique_ptr<TGIFPainter>>::iterator painter);
    void MergeFrames(const std::function<void()> &frameDone);
    void CropFrame(int index);
    void DrawFrames(QPainter &painter, const QRect &rect, const QImage &picture);

    TGIFHeader m_header;
    TGifPictureList m_images;
    QList<QRgb> m_palette;
    QImage m_bitmap;
    qint64 m_pixelsReserved = 0;
    qint64 m_blocksReserved = 0;
    bool m_drawing = false;
    bool m_inGetPalette = false;

    std::mutex m_paintersLock;
    std::vector<std::unique_ptr<TGIFPainter>> m_painters;
    // Stopped painters whose Run is still on the stack: freed when it returns.
    std::vector<std::unique_ptr<TGIFPainter>> m_retired;
    TGIFPainter *m_painter = nullptr;
    QRect m_painterRect;
};
