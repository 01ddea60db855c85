#include "gif/gif_model.h"

#include "gif/gif_lzw_decoder.h"
#include "gif/gif_picture.h"

#include <QFile>

#include <algorithm>
#include <cctype>

namespace {

constexpr int kSignatureSize = 6;
constexpr int kScreenDescriptorSize = 7;
constexpr int kImageDescriptorSize = 10;
// Some containers put a 4-byte length before the GIF data.
constexpr int kLengthPrefixSize = 4;

bool hasGifSignature(const quint8 *sig)
{
    return std::toupper(sig[0]) == 'G' && std::toupper(sig[1]) == 'I' && std::toupper(sig[2]) == 'F';
}

// Held to the pixel limit of the picture the item belongs to.
void checkDimensions(qint64 width, qint64 height, const TGifPicture *image)
{
    if (width * height > (image ? image->MaxPixels() : gif::kMaxPixels))
        throw GIFException(MsgGifInvalidDimensions);
}

} // namespace

// --- TGIFItem ----------------------------------------------------------------

void TGIFItem::Warning(TGIFSeverity severity, const QString &message) const
{
    if (m_image)
        m_image->Warning(severity, message);
}

bool TGIFItem::LoadFromFile(const QString &fileName, QString &errorText)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        errorText = file.errorString();
        return false;
    }
    TGifStream stream(file.readAll());
    try {
        LoadFromStream(stream);
    } catch (const Exception &e) {
        errorText = e.message();
        return false;
    }
    return true;
}

bool TGIFItem::SaveToFile(const QString &fileName, QString &errorText) const
{
    TGifOutStream out;
    try {
        SaveToStream(out);
    } catch (const Exception &e) {
        errorText = e.message();
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(out.Data()) != out.Data().size()) {
        errorText = file.errorString();
        return false;
    }
    return true;
}

// --- TGIFHeader --------------------------------------------------------------

TGIFHeader::TGIFHeader(TGifPicture *image) : TGIFItem(image), m_colorMap(this) {}

TGIFVersion TGIFHeader::Version() const
{
    return (m_colorMap.Optimized || AspectRatio != 0) ? TGIFVersion::gv89a : TGIFVersion::gv87a;
}

TGIFColor TGIFHeader::BackgroundColor() const
{
    return m_colorMap.Colors(BackgroundColorIndex);
}

void TGIFHeader::Clear()
{
    m_colorMap.Clear();
    Width = Height = 0;
    Packed = 0;
    BackgroundColorIndex = 0;
    AspectRatio = 0;
}

void TGIFHeader::LoadFromStream(TGifStream &stream)
{
    const qint64 start = stream.Position();
    quint8 sig[kSignatureSize];
    ReadExact(stream, sig, kSignatureSize);
    if (!hasGifSignature(sig)) {
        stream.SetPosition(start + kLengthPrefixSize);
        ReadExact(stream, sig, kSignatureSize);
        if (!hasGifSignature(sig))
            throw GIFException(MsgGifInvalidSignature);
    }
    Signature = QByteArray(reinterpret_cast<const char *>(sig), kSignatureSize);

    quint8 lsd[kScreenDescriptorSize];
    ReadExact(stream, lsd, kScreenDescriptorSize);
    Width = quint16(lsd[0] | (lsd[1] << 8));
    Height = quint16(lsd[2] | (lsd[3] << 8));
    Packed = lsd[4];
    BackgroundColorIndex = lsd[5];
    AspectRatio = lsd[6];
    checkDimensions(Width, Height, Image());

    if (Packed & kGlobalTableFlag) {
        const int colors = 2 << (Packed & kTableSizeMask);
        if (colors < 2 || colors > gif::kMaxColors)
            throw GIFException(MsgGifScreenColorCount);
        m_colorMap.LoadFromStream(stream, colors);
        m_colorMap.Optimized = Packed & kSortedFlag;
    } else {
        m_colorMap.Clear();
    }
}

// --- TGIFSubImage ------------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGifPicture *image) : TGIFItem(image), m_colorMap(this) {}

TGIFSubImage::~TGIFSubImage()
{
    // Extensions report their end to the frame: let them go while it is whole.
    m_extensions.clear();
}

void TGIFSubImage::SetInterlaced(bool on)
{
    Packed = on ? quint8(Packed | kInterlacedFlag) : quint8(Packed & ~kInterlacedFlag);
}

const TGIFColorMap &TGIFSubImage::ActiveColorMap() const
{
    if (m_colorMap.Count() > 0)
        return m_colorMap;
    if (Image() && Image()->Header().ColorMap().Count() > 0)
        return Image()->Header().ColorMap();
    return m_colorMap;
}

TGIFExtension *TGIFSubImage::AddExtension(std::unique_ptr<TGIFExtension> extension)
{
    TGIFExtension *raw = extension.get();
    m_extensions.push_back(std::move(extension));
    if (!m_gce && raw->Label() == TGIFGraphicControlExtension::kLabel)
        m_gce = static_cast<TGIFGraphicControlExtension *>(raw);
    FreeBitmap();
    return raw;
}

void TGIFSubImage::RemoveExtension(TGIFExtension *extension)
{
    auto it = std::find_if(m_extensions.begin(), m_extensions.end(),
                           [extension](const auto &e) { return e.get() == extension; });
    if (it != m_extensions.end())
        m_extensions.erase(it);
}

void TGIFSubImage::ExtensionDestroyed(TGIFExtension *extension)
{
    if (extension == m_gce) {
        m_gce = nullptr;
        FreeBitmap();
    }
}

bool TGIFSubImage::Transparent() const
{
    return m_gce && m_gce->Transparent();
}

int TGIFSubImage::TransparentColorIndex() const
{
    return m_gce ? m_gce->TransparentColorIndex() : 0;
}

quint8 *TGIFSubImage::AllocateData(quint8 fill)
{
    checkDimensions(Width, Height, Image());
    FreeBitmap();
    m_data.assign(size_t(Width) * Height, fill);
    return m_data.data();
}

void TGIFSubImage::SetData(std::vector<quint8> data)
{
    if (qint64(data.size()) != qint64(Width) * Height)
        throw GIFException(MsgGifInvalidDimensions);
    m_data = std::move(data);
    FreeBitmap();
}

TGIFVersion TGIFSubImage::Version() const
{
    if (m_colorMap.Optimized)
        return TGIFVersion::gv89a;
    TGIFVersion version = TGIFVersion::gv87a;
    for (const auto &e : m_extensions)
        version = std::max(version, e->Version());
    return version;
}

void TGIFSubImage::Clear()
{
    m_extensions.clear();
    m_gce = nullptr;
    m_colorMap.Clear();
    m_data.clear();
    m_data.shrink_to_fit();
    FreeBitmap();
    m_needMask = true;
    Left = Top = Width = Height = 0;
    Packed = 0;
}

void TGIFSubImage::Assign(const TGIFSubImage &source)
{
    if (&source == this)
        return;
    Clear();
    Left = source.Left;
    Top = source.Top;
    Width = source.Width;
    Height = source.Height;
    Packed = source.Packed;
    m_colorMap.Assign(source.m_colorMap);
    // Extensions are copied through their own wire form, so every kind
    // (including registered ones) copies without knowing its fields.
    for (const auto &e : source.m_extensions) {
        TGifOutStream out;
        e->SaveToStream(out);
        auto copy = e->ExtensionClass().Create(this);
        TGifStream in(out.Data());
        copy->LoadFromStream(in);
        AddExtension(std::move(copy));
    }
    m_data = source.m_data;
}

void TGIFSubImage::ReadExtensions(TGifStream &stream)
{
    quint8 b = 0;
    if (!stream.ReadByte(b))
        return;
    while (b != gif::kImageSeparator && b != gif::kTrailer) {
        if (b != gif::kExtensionIntroducer) {
            Warning(TGIFSeverity::gsWarning, msg(MsgGifBadExtensionIntroducer));
            break;
        }
        stream.Seek(-1);
        const TGIFExtensionClass *cls = TGIFExtension::FindExtension(stream);
        if (!cls)
            throw GIFException(MsgGifUnknownExtension);
        if (Image())
            Image()->ReserveBlock();
        auto extension = cls->Create(this);
        extension->LoadFromStream(stream);
        AddExtension(std::move(extension));
        if (!stream.ReadByte(b))
            return;
    }
    // The separator, trailer or offending byte is left for the caller.
    stream.Seek(-1);
}

void TGIFSubImage::LoadFromStream(TGifStream &stream)
{
    Clear();
    ReadExtensions(stream);
    if (stream.PeekByte() != gif::kImageSeparator)
        return; // extensions without an image

    quint8 d[kImageDescriptorSize];
    ReadExact(stream, d, kImageDescriptorSize);
    Left = quint16(d[1] | (d[2] << 8));
    Top = quint16(d[3] | (d[4] << 8));
    Width = quint16(d[5] | (d[6] << 8));
    Height = quint16(d[7] | (d[8] << 8));
    Packed = d[9];
    if ((Width == 0 || Height == 0) && Image()) {
        Width = Image()->Header().Width;
        Height = Image()->Header().Height;
        Warning(TGIFSeverity::gsWarning, msg(MsgGifImageExceedsScreen));
    }
    checkDimensions(Width, Height, Image());
    if (Image())
        Image()->ReservePixels(qint64(Width) * Height);

    if (Packed & kLocalTableFlag) {
        const int colors = 2 << (Packed & kTableSizeMask);
        if (colors < 2 || colors > gif::kMaxColors)
            throw GIFException(MsgGifImageColorCount);
        m_colorMap.LoadFromStream(stream, colors);
        m_colorMap.Optimized = Packed & kSortedFlag;
    }
    DecompressFrame(*this, stream);
    if (Width == 0 || Height == 0) {
        // An image of no pixels (on a screen of no size) shows nothing and
        // cannot be written back as read: only its extensions count.
        Left = Top = Width = Height = 0;
        Packed = 0;
        m_colorMap.Clear();
        m_data.clear();
        return;
    }
    if (TGifPicture::RenderOnLoad)
        Bitmap();
}

bool TGIFSubImage::HasImage() const
{
    return Width > 0 && Height > 0;
}

void TGIFSubImage::AdoptExtensions(TGIFSubImage &from)
{
    // Copied through their written form, which every kind reads back,
    // so that each copy belongs to this frame.
    std::vector<std::unique_ptr<TGIFExtension>> adopted;
    for (const auto &e : from.m_extensions) {
        TGifOutStream out;
        e->SaveToStream(out);
        auto copy = e->ExtensionClass().Create(this);
        TGifStream in(out.Data());
        copy->LoadFromStream(in);
        adopted.push_back(std::move(copy));
    }
    from.m_extensions.clear();
    from.m_gce = nullptr;
    for (auto &e : m_extensions)
        adopted.push_back(std::move(e));
    m_extensions.clear();
    m_gce = nullptr;
    for (auto &e : adopted)
        AddExtension(std::move(e));
}

// --- TGifPictureList ---------------------------------------------------------

TGIFSubImage *TGifPictureList::SubImage(int index) const
{
    if (index < 0 || index >= Count())
        throw Exception(msg(MsgIndexOutOfBounds));
    return m_frames[size_t(index)].get();
}

int TGifPictureList::Add(std::unique_ptr<TGIFSubImage> frame)
{
    m_frames.push_back(std::move(frame));
    return Count() - 1;
}

void TGifPictureList::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw Exception(msg(MsgIndexOutOfBounds));
    m_frames.erase(m_frames.begin() + index);
}

void TGifPictureList::LoadFromStream(TGifStream &stream)
{
    for (;;) {
        quint8 b = 0;
        do {
            if (!stream.ReadByte(b))
                return;
        } while (b == 0);
        stream.Seek(-1);
        if (b == gif::kTrailer)
            return;
        if (b != gif::kExtensionIntroducer && b != gif::kImageSeparator) {
            m_image->Warning(TGIFSeverity::gsWarning, msg(MsgGifUnknownBlockType));
            return;
        }
        // Every frame costs its descriptor and tables even without pixels.
        if (Count() >= m_image->FrameLimit)
            throw GIFException(MsgGifInvalidDimensions);
        auto frame = std::make_unique<TGIFSubImage>(m_image);
        frame->LoadFromStream(stream);
        // Extensions that stood without an image (before bytes that were
        // skipped, or before an image of no pixels) belong to the image
        // that follows; only trailing ones make a frame of their own.
        if (Count() > 0 && !m_frames.back()->HasImage()) {
            frame->AdoptExtensions(*m_frames.back());
            m_frames.pop_back();
        }
        if (!frame->HasImage() && frame->Extensions().empty())
            continue; // an image of no pixels, and nothing else
        Add(std::move(frame));
        const int percent = stream.Size() > 0 ? MulDiv(stream.Position(), 100, stream.Size()) : 0;
        m_image->Progress(TProgressStage::psRunning, percent, TGifPicture::RenderOnLoad, QRect(),
                          msg(MsgGifLoading));
    }
}

// --- TGIFTrailer -------------------------------------------------------------

void TGIFTrailer::LoadFromStream(TGifStream &stream)
{
    quint8 b = 0;
    if (stream.ReadByte(b) && b != gif::kTrailer)
        Warning(TGIFSeverity::gsWarning, msg(MsgGifInvalidTrailer));
}

void TGIFTrailer::SaveToStream(TGifOutStream &stream) const
{
    stream.WriteByte(gif::kTrailer);
}
