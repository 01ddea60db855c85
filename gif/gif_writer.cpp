// Writing the file model back as a GIF stream.
#include "gif/gif_lzw_encoder.h"
#include "gif/gif_model.h"
#include "gif/gif_picture.h"

namespace {
constexpr quint8 kKeptDescriptorBits = 0x58; // interlace and reserved bits
constexpr int kDefaultBits = 8;
} // namespace

void TGIFHeader::Prepare()
{
    Packed = 0;
    if (m_colorMap.Count() > 0) {
        Packed |= kGlobalTableFlag;
        // The size field describes the table actually written.
        Packed |= quint8((m_colorMap.BitsPerPixel() - 1) & kTableSizeMask);
    }
    if (m_colorMap.Optimized)
        Packed |= kSortedFlag;
    const int resolution = Image() ? Image()->ColorResolution() : m_colorMap.BitsPerPixel() - 1;
    Packed |= quint8((qMax(resolution, 0) * 16) & kColorResolutionMask);
}

void TGIFHeader::SaveToStream(TGifOutStream &stream) const
{
    const TGIFVersion version = Image() ? Image()->Version() : Version();
    if (version == TGIFVersion::gvUnknown)
        throw GIFException(MsgGifUnsupportedVersion);
    stream.Write(version == TGIFVersion::gv89a ? "GIF89a" : "GIF87a", 6);
    const_cast<TGIFHeader *>(this)->Prepare();
    stream.WriteWord(Width);
    stream.WriteWord(Height);
    stream.WriteByte(Packed);
    stream.WriteByte(BackgroundColorIndex);
    stream.WriteByte(AspectRatio);
    if (Packed & kGlobalTableFlag)
        m_colorMap.SaveToStream(stream);
}

void TGIFSubImage::SaveToStream(TGifOutStream &stream) const
{
    for (const auto &extension : m_extensions)
        extension->SaveToStream(stream);
    if (Empty())
        return;

    // The interlace flag is kept in both cases: the data below is written in
    // the order it announces.
    quint8 packed = Packed & kKeptDescriptorBits;
    if (m_colorMap.Count() > 0) {
        packed |= kLocalTableFlag;
        if (m_colorMap.Optimized)
            packed |= kSortedFlag;
        packed |= quint8((m_colorMap.BitsPerPixel() - 1) & kTableSizeMask);
    }
    stream.WriteByte(gif::kImageSeparator);
    stream.WriteWord(Left);
    stream.WriteWord(Top);
    stream.WriteWord(Width);
    stream.WriteWord(Height);
    stream.WriteByte(packed);
    if (m_colorMap.Count() > 0)
        m_colorMap.SaveToStream(stream);

    int bits = kDefaultBits;
    int colors = 1 << kDefaultBits;
    if (m_colorMap.Count() > 0) {
        bits = m_colorMap.BitsPerPixel();
        colors = m_colorMap.Count();
    } else if (Image() && Image()->BitsPerPixel() > 0) {
        bits = Image()->BitsPerPixel();
        colors = 1 << bits;
    }
    const quint8 compression = Image() ? Image()->Compression : 0;
    CompressFrame(stream, bits, colors, m_data.data(), Interlaced(), Width, Height, compression);
}

void TGifPictureList::SaveToStream(TGifOutStream &stream) const
{
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        m_frames[size_t(i)]->SaveToStream(stream);
        if (m_image)
            m_image->Progress(TProgressStage::psRunning, MulDiv(i + 1, 100, count), false,
                              QRect(), msg(MsgGifSaving));
    }
}

void TGifPicture::SaveToStream(TGifOutStream &stream)
{
    Progress(TProgressStage::psStarting, 0, false, QRect(), msg(MsgGifSaving));
    try {
        m_header.SaveToStream(stream);
        m_images.SaveToStream(stream);
        TGIFTrailer(this).SaveToStream(stream);
    } catch (...) {
        Progress(TProgressStage::psEnding, 0, false, QRect(), msg(MsgGifSaving));
        throw;
    }
    Progress(TProgressStage::psEnding, 100, false, QRect(), msg(MsgGifSaving));
}
