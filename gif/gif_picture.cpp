#include "gif/gif_picture.h"

#include "gif/color_reduction.h"
#include "gif/gif_painter.h"

#include <QFile>
#include <QGuiApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>

#include <cstring>

std::atomic<bool> TGifPicture::RenderOnLoad{false};
std::atomic<bool> TGifPicture::PaletteDisplay{false};

namespace {

// Clears a flag when the scope ends, also through an exception.
class FlagGuard
{
public:
    explicit FlagGuard(bool &flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard &) = delete;
    FlagGuard &operator=(const FlagGuard &) = delete;

private:
    bool &m_flag;
};

constexpr int kProgressRowInterval = 32;
constexpr TGIFDrawOptions kSynchronousOnly = doThreaded | doAnimate;

} // namespace

TGifPicture::TGifPicture() : m_header(this), m_images(this)
{
    Clear();
}

TGifPicture::~TGifPicture()
{
    StopDraw();
    {
        std::lock_guard guard(m_paintersLock);
        for (auto &painter : m_painters)
            painter->DetachImage();
        m_painters.clear();
        m_painter = nullptr;
    }
    Clear();
}

void TGifPicture::Warning(TGIFSeverity severity, const QString &message)
{
    if (OnWarning)
        OnWarning(this, severity, message);
}

void TGifPicture::Progress(TProgressStage stage, int percent, bool redraw, const QRect &rect,
                           const QString &message)
{
    if (OnProgress)
        OnProgress(this, stage, percent, redraw, rect, message);
}

void TGifPicture::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TGifPicture::ReservePixels(qint64 pixels)
{
    if (pixels < 0 || pixels > MaxPixels() || m_pixelsReserved + pixels > MaxTotalPixels())
        throw GIFException(MsgGifInvalidDimensions);
    m_pixelsReserved += pixels;
}

void TGifPicture::ReserveBlock()
{
    if (m_blocksReserved >= BlockLimit)
        throw GIFException(MsgGifInvalidData);
    ++m_blocksReserved;
}

bool TGifPicture::DoDither() const
{
    return (DrawOptions & doDither)
        && (!(DrawOptions & doDitherOnPaletteDisplay) || PaletteDisplay);
}

// --- loading and saving ------------------------------------------------------

void TGifPicture::LoadFromStream(TGifStream &stream)
{
    Progress(TProgressStage::psStarting, 0, false, QRect(), msg(MsgGifLoading));
    try {
        Clear();
        m_header.LoadFromStream(stream);
        m_images.LoadFromStream(stream);
        TGIFTrailer trailer(this);
        trailer.LoadFromStream(stream);
    } catch (...) {
        Progress(TProgressStage::psEnding, 0, false, QRect(), msg(MsgGifLoading));
        throw;
    }
    Progress(TProgressStage::psEnding, 100, false, QRect(), msg(MsgGifLoading));
    Changed();
}

bool TGifPicture::LoadFromData(const QByteArray &data, QString &errorText)
{
    TGifStream stream(data);
    try {
        LoadFromStream(stream);
    } catch (const Exception &e) {
        errorText = e.message();
        return false;
    } catch (const std::bad_alloc &) {
        errorText = msg(MsgGifDibAllocation);
        return false;
    }
    return true;
}

bool TGifPicture::LoadFromFile(const QString &fileName, QString &errorText)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        errorText = file.errorString();
        return false;
    }
    return LoadFromData(file.readAll(), errorText);
}

QByteArray TGifPicture::SaveToData()
{
    TGifOutStream out;
    SaveToStream(out);
    return out.TakeData();
}

bool TGifPicture::SaveToFile(const QString &fileName, QString &errorText)
{
    QByteArray data;
    try {
        data = SaveToData();
    } catch (const Exception &e) {
        errorText = e.message();
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        errorText = file.errorString();
        return false;
    }
    return true;
}

// --- model -------------------------------------------------------------------

void TGifPicture::Clear()
{
    StopDraw();
    FreeBitmap();
    m_images.Clear();
    m_header.Clear();
    m_header.Prepare();
    m_pixelsReserved = 0;
    m_blocksReserved = 0;
    SetPalette({});
}

void TGifPicture::SetWidth(int width)
{
    for (const auto &frame : m_images)
        if (frame->Left + frame->Width > width)
            throw GIFException(MsgGifWidthTooSmall);
    if (width != m_header.Width) {
        m_header.Width = quint16(width);
        FreeBitmap();
        Changed();
    }
}

void TGifPicture::SetHeight(int height)
{
    for (const auto &frame : m_images)
        if (frame->Top + frame->Height > height)
            throw GIFException(MsgGifHeightTooSmall);
    if (height != m_header.Height) {
        m_header.Height = quint16(height);
        FreeBitmap();
        Changed();
    }
}

QList<QRgb> TGifPicture::GetPalette()
{
    if (m_inGetPalette)
        throw GIFException(MsgGifNoColorTable);
    FlagGuard guard(m_inGetPalette);
    if (!m_bitmap.isNull() && !m_bitmap.colorTable().isEmpty())
        return m_bitmap.colorTable();
    if (!m_palette.isEmpty())
        return m_palette;
    if (DoDither())
        m_palette = WebPalette();
    else if (m_header.ColorMap().Count() > 0)
        m_palette = m_header.ColorMap().ColorTable();
    else if (m_images.Count() > 0)
        return m_images[0]->Palette();
    return m_palette;
}

void TGifPicture::SetPalette(const QList<QRgb> &palette)
{
    m_palette = palette;
    if (!m_bitmap.isNull() && m_bitmap.colorTable() != palette) {
        m_bitmap = QImage();
        PaletteModified = true;
        Changed();
    }
}

void TGifPicture::FreeBitmap()
{
    m_bitmap = QImage();
}

QImage TGifPicture::Bitmap()
{
    if (m_images.Count() == 0)
        return QImage();
    if (!m_bitmap.isNull())
        return m_bitmap;
    TGIFSubImage &frame = *m_images[0];
    int width = m_header.Width;
    int height = m_header.Height;
    if (width == 0)
        width = frame.Left + frame.Width;
    if (height == 0)
        height = frame.Top + frame.Height;
    if (width == 0 || height == 0)
        return QImage();
    // The screen fields are each 16-bit, and an offset adds another 16 bits:
    // the canvas is held to the frames' pixel limit before it is allocated.
    if (qint64(width) * height > MaxPixels())
        throw GIFException(MsgGifInvalidDimensions);

    const QImage source = frame.Bitmap();
    if (!source.isNull() && frame.Left == 0 && frame.Top == 0 && frame.Width == width
        && frame.Height == height) {
        m_bitmap = source;
        return m_bitmap;
    }
    // Frame 0 at its own position on a canvas of the logical screen's size;
    // the rest of the canvas (all of it for an empty frame) stays blank.
    QImage canvas(width, height, QImage::Format_Indexed8);
    if (canvas.isNull())
        throw GIFException(MsgGifDibAllocation);
    canvas.setColorTable(source.isNull() ? GetPalette() : source.colorTable());
    if (canvas.colorCount() == 0)
        canvas.setColorTable({qRgb(0, 0, 0)});
    // Blank means the background colour, where the global table names one:
    // its index when the canvas shows the global table, else the nearest
    // web colour of a dithered frame.
    const TGIFGlobalColorMap &global = m_header.ColorMap();
    const bool hasBackground = m_header.BackgroundColorIndex < global.Count();
    int blank = 0;
    if (hasBackground && !source.isNull() && source.colorTable() == WebPalette()) {
        const TGIFColor bg = global.Colors(m_header.BackgroundColorIndex);
        int r, g, b;
        blank = TNetscapeColorLookup().Lookup(bg.Red, bg.Green, bg.Blue, r, g, b);
    } else if (hasBackground && frame.ColorMap().Count() == 0) {
        blank = m_header.BackgroundColorIndex;
    }
    canvas.fill(uint(blank));
    if (!source.isNull()) {
        const QRect target = frame.BoundsRect().intersected(canvas.rect());
        for (int y = target.top(); y <= target.bottom(); ++y) {
            const uchar *src = source.constScanLine(y - frame.Top) + (target.left() - frame.Left);
            std::memcpy(canvas.scanLine(y) + target.left(), src, size_t(target.width()));
        }
    }
    m_bitmap = canvas;
    return m_bitmap;
}

void TGifPicture::Assign(const TGifPicture *source)
{
    if (source == this)
        return;
    Clear();
    if (!source)
        return;
    Progress(TProgressStage::psStarting, 0, false, QRect(), msg(MsgGifCopying));
    try {
        m_header.Width = source->m_header.Width;
        m_header.Height = source->m_header.Height;
        m_header.AspectRatio = source->m_header.AspectRatio;
        m_header.BackgroundColorIndex = source->m_header.BackgroundColorIndex;
        m_header.ColorMap().Assign(source->m_header.ColorMap());
        const int count = source->m_images.Count();
        for (int i = 0; i < count; ++i) {
            auto frame = std::make_unique<TGIFSubImage>(this);
            frame->Assign(*source->m_images[i]);
            m_images.Add(std::move(frame));
            Progress(TProgressStage::psRunning, MulDiv(i + 1, 100, count), false, QRect(),
                     msg(MsgGifCopying));
        }
    } catch (...) {
        Progress(TProgressStage::psEnding, 0, false, QRect(), msg(MsgGifCopying));
        throw;
    }
    Progress(TProgressStage::psEnding, 100, false, QRect(), msg(MsgGifCopying));
    Changed();
}

void TGifPicture::Assign(const QImage &image)
{
    Clear();
    if (!image.isNull())
        Add(image);
}

void TGifPicture::AssignTo(QImage &target)
{
    target = Bitmap();
}

int TGifPicture::Add(const QImage &image)
{
    if (image.isNull() || qint64(image.width()) * image.height() > gif::kMaxPixels
        || image.width() > 0xFFFF || image.height() > 0xFFFF)
        throw GIFException(MsgGifInvalidDimensions);
    auto frame = std::make_unique<TGIFSubImage>(this);
    frame->Width = quint16(image.width());
    frame->Height = quint16(image.height());

    QImage indexed;
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono
        || image.format() == QImage::Format_MonoLSB) {
        indexed = image.convertToFormat(QImage::Format_Indexed8);
        frame->ColorMap().AssignColorTable(indexed.colorTable());
    } else {
        // True-colour bitmaps go through the image's reduction settings; a
        // given palette (reduction 9) is the image's palette, else its global table.
        const QList<QRgb> custom =
            m_palette.isEmpty() ? m_header.ColorMap().ColorTable() : m_palette;
        indexed = ReduceColors(image, ColorReduction, DitherMode, ReductionBits, custom);
        if (indexed.isNull())
            throw GIFException(MsgGifUnsupportedPixelFormat);
        frame->ColorMap().AssignColorTable(indexed.colorTable());
    }
    std::vector<quint8> data(size_t(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y) {
        if ((y % kProgressRowInterval) == 0)
            Progress(TProgressStage::psRunning, MulDiv(y, 100, image.height()), false,
                     QRect(), msg(MsgGifConverting));
        std::memcpy(data.data() + size_t(y) * image.width(), indexed.constScanLine(y),
                    size_t(image.width()));
    }
    frame->SetData(std::move(data));
    if (frame->Width > m_header.Width)
        m_header.Width = frame->Width;
    if (frame->Height > m_header.Height)
        m_header.Height = frame->Height;
    return Add(std::move(frame));
}

int TGifPicture::Add(std::unique_ptr<TGIFSubImage> frame)
{
    if (!frame || frame->Image() != this)
        throw GIFException(MsgGifUnsupportedObject);
    const int index = m_images.Add(std::move(frame));
    FreeBitmap();
    Changed();
    return index;
}

TGIFVersion TGifPicture::Version() const
{
    TGIFVersion version = m_header.Version();
    for (const auto &frame : m_images) {
        if (version == TGIFVersion::gv89a)
            break;
        version = std::max(version, frame->Version());
    }
    return version;
}

int TGifPicture::BitsPerPixel() const
{
    int bits = m_header.ColorMap().BitsPerPixel();
    for (const auto &frame : m_images)
        bits = std::max(bits, frame->ColorMap().BitsPerPixel());
    return bits;
}

int TGifPicture::ColorResolution() const
{
    return BitsPerPixel() - 1;
}

TGIFColor TGifPicture::BackgroundColorValue() const
{
    return m_header.BackgroundColor();
}

// --- drawing -----------------------------------------------------------------

void TGifPicture::DrawFrames(QPainter &painter, const QRect &rect, const QImage &picture)
{
    if (picture.isNull() || rect.isEmpty())
        return;
    if (!(DrawOptions & doTile)) {
        painter.drawImage(rect, picture);
        return;
    }
    const int stepX = picture.width();
    const int stepY = picture.height();
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    for (qint64 y = rect.top(); y <= rect.bottom(); y += stepY)
        for (qint64 x = rect.left(); x <= rect.right(); x += stepX)
            painter.drawImage(QPoint(int(x), int(y)), picture);
    painter.restore();
}

namespace {

// What the painter's target holds under rect, when it is an image or a
// pixmap (other devices cannot be read back while they are painted).
QImage targetArea(QPainter &painter, const QRect &rect)
{
    QPaintDevice *device = painter.device();
    if (!device)
        return QImage();
    const QRect area = painter.deviceTransform().mapRect(QRectF(rect)).toAlignedRect();
    if (device->devType() == QInternal::Image)
        return static_cast<QImage *>(device)->copy(area);
    if (device->devType() == QInternal::Pixmap)
        return static_cast<QPixmap *>(device)->copy(area).toImage();
    return QImage();
}

} // namespace

void TGifPicture::Draw(QPainter &painter, const QRect &rect)
{
    if (m_drawing || m_images.Count() == 0)
        return;
    FlagGuard guard(m_drawing);

    if (m_images.Count() == 1 || !(DrawOptions & doAnimate)) {
        const int index = (ActiveImage >= 0 && ActiveImage < m_images.Count()) ? ActiveImage : 0;
        m_images[index]->Draw(painter, rect, DrawOptions & doTransparent, DrawOptions & doTile);
        return;
    }
    if (!(m_painter && m_painterRect == rect && m_painter->Running())) {
        QImage background;
        if ((DrawOptions & doSaveBackground) && (DrawOptions & doTransparent))
            background = targetArea(painter, rect);
        Paint(rect, DrawOptions, background);
    }
    if (m_painter)
        DrawFrames(painter, rect, m_painter->Picture());
}

TGIFPainter *TGifPicture::Paint(const QRect &rect, TGIFDrawOptions options,
                                const QImage &background)
{
    if (m_images.Count() == 0)
        return nullptr;
    StopPainter();
    if (m_images.Count() == 1)
        options &= TGIFDrawOptions(~kSynchronousOnly);
    auto painter = std::make_unique<TGIFPainter>(this, rect, options);
    painter->OnStartPaint = OnStartPaint;
    painter->OnPaint = OnPaint;
    painter->OnAfterPaint = OnAfterPaint;
    painter->OnLoop = OnLoop;
    painter->OnEndPaint = OnEndPaint;
    painter->SetBackground(background);
    TGIFPainter *raw = painter.get();
    {
        std::lock_guard guard(m_paintersLock);
        m_painters.push_back(std::move(painter));
        m_painter = raw;
        m_painterRect = rect;
    }
    if (options & doThreaded) {
        raw->StartTimer();
        return raw;
    }
    // Events run while it waits; one of them may stop it (or all painters),
    // and it must outlive its own Run.
    raw->Run();
    std::lock_guard guard(m_paintersLock);
    const auto retired =
        std::find_if(m_retired.begin(), m_retired.end(), [raw](const auto &p) { return p.get() == raw; });
    if (retired == m_retired.end())
        return raw;
    m_retired.erase(retired);
    return nullptr;
}

void TGifPicture::Retire(std::vector<std::unique_ptr<TGIFPainter>>::iterator painter)
{
    (*painter)->Stop();
    if ((*painter)->InRun())
        m_retired.push_back(std::move(*painter));
}

void TGifPicture::StopPainter()
{
    std::lock_guard guard(m_paintersLock);
    if (!m_painter)
        return;
    const auto current = std::find_if(m_painters.begin(), m_painters.end(),
                                      [this](const auto &p) { return p.get() == m_painter; });
    if (current != m_painters.end()) {
        Retire(current);
        m_painters.erase(current);
    }
    m_painter = nullptr;
}

void TGifPicture::StopDraw()
{
    std::lock_guard guard(m_paintersLock);
    for (auto it = m_painters.end(); it != m_painters.begin();)
        Retire(--it);
    m_painters.clear();
    m_painter = nullptr;
}

void TGifPicture::PainterFinished(TGIFPainter *painter)
{
    std::lock_guard guard(m_paintersLock);
    if (painter == m_painter)
        m_painter = nullptr;
    std::erase_if(m_painters, [painter](const auto &p) { return p.get() == painter; });
}

// --- clipboard ---------------------------------------------------------------

std::unique_ptr<QMimeData> TGifPicture::SaveToClipboardFormat()
{
    auto data = std::make_unique<QMimeData>();
    data->setImageData(Bitmap());
    QByteArray gifData;
    try {
        gifData = SaveToData();
    } catch (const Exception &) {
        throw GIFException(MsgGifClipboardStore);
    }
    if (gifData.isEmpty())
        throw GIFException(MsgGifClipboardStore);
    data->setData(QString::fromLatin1(kMimeType), gifData);
    return data;
}

void TGifPicture::LoadFromClipboardFormat(const QMimeData &data)
{
    const QString gifType = QString::fromLatin1(kMimeType);
    if (data.hasFormat(gifType)) {
        TGifStream stream(data.data(gifType));
        LoadFromStream(stream);
        return;
    }
    if (data.hasImage()) {
        Assign(qvariant_cast<QImage>(data.imageData()));
        return;
    }
    throw GIFException(MsgGifUnknownClipboardFormat);
}

void TGifPicture::CopyToClipboard()
{
    QGuiApplication::clipboard()->setMimeData(SaveToClipboardFormat().release());
}
