#pragma once

#include "gif/gif_color_map.h"
#include "gif/gif_extensions.h"
#include "gif/gif_item.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QRgb>

#include <memory>
#include <vector>

class QPainter;

// Signature, logical screen descriptor and global colour table.
class TGIFHeader : public TGIFItem
{
public:
    static constexpr quint8 kGlobalTableFlag = 0x80;
    static constexpr quint8 kColorResolutionMask = 0x70;
    static constexpr quint8 kSortedFlag = 0x08;
    static constexpr quint8 kTableSizeMask = 0x07;

    explicit TGIFHeader(TGifPicture *image);

    quint16 Width = 0;
    quint16 Height = 0;
    quint8 Packed = 0;
    quint8 BackgroundColorIndex = 0;
    quint8 AspectRatio = 0;
    QByteArray Signature = QByteArrayLiteral("GIF89a"); // as read

    TGIFGlobalColorMap &ColorMap() { return m_colorMap; }
    const TGIFGlobalColorMap &ColorMap() const { return m_colorMap; }

    TGIFVersion Version() const override;
    TGIFColor BackgroundColor() const;
    void Clear();
    // Recomputes the packed fields from the table and the image's frames.
    void Prepare();

    void LoadFromStream(TGifStream &stream) override;
    void SaveToStream(TGifOutStream &stream) const override;

private:
    TGIFGlobalColorMap m_colorMap;
};

// One frame: its extensions, image descriptor, local table and pixels.
class TGIFSubImage : public TGIFItem
{
public:
    static constexpr quint8 kLocalTableFlag = 0x80;
    static constexpr quint8 kInterlacedFlag = 0x40;
    static constexpr quint8 kSortedFlag = 0x20;
    static constexpr quint8 kTableSizeMask = 0x07;

    explicit TGIFSubImage(TGifPicture *image);
    ~TGIFSubImage() override;

    quint16 Left = 0;
    quint16 Top = 0;
    quint16 Width = 0;
    quint16 Height = 0;
    quint8 Packed = 0;

    bool Interlaced() const { return Packed & kInterlacedFlag; }
    void SetInterlaced(bool on);
    QRect BoundsRect() const { return QRect(Left, Top, Width, Height); }

    TGIFLocalColorMap &ColorMap() { return m_colorMap; }
    const TGIFLocalColorMap &ColorMap() const { return m_colorMap; }
    // The local table when it has colours, else the global one when it has
    // colours, else the (empty) local one.
    const TGIFColorMap &ActiveColorMap() const;

    TGIFExtensionList &Extensions() { return m_extensions; }
    const TGIFExtensionList &Extensions() const { return m_extensions; }
    TGIFExtension *AddExtension(std::unique_ptr<TGIFExtension> extension);
    void RemoveExtension(TGIFExtension *extension);

    // The first graphic control extension of the frame, or none. The frame
    // is transparent when that extension says so, and its transparent index
    // comes from the same extension.
    TGIFGraphicControlExtension *GraphicControlExtension() const { return m_gce; }
    bool Transparent() const;
    int TransparentColorIndex() const;

    const quint8 *Data() const { return m_data.data(); }
    quint8 *Data() { return m_data.data(); }
    qint64 DataSize() const { return qint64(m_data.size()); }
    // Sizes the pixel buffer to Width x Height filled with fill; raises
    // "Invalid image dimensions" beyond the pixel limits before allocating.
    quint8 *AllocateData(quint8 fill);
    void SetData(std::vector<quint8> data);
    bool Empty() const { return m_data.empty() || Width == 0 || Height == 0; }
    // False for a frame of extensions only.
    bool HasImage() const;
    // Puts from's extensions ahead of this frame's own; from keeps none.
    void AdoptExtensions(TGIFSubImage &from);

    TGIFVersion Version() const override;
    void Clear();
    void Assign(const TGIFSubImage &source);

    void LoadFromStream(TGifStream &stream) override;
    void SaveToStream(TGifOutStream &stream) const override;

    // Rendering (cached until the frame changes). The bitmap is Indexed8,
    // with a 256-entry colour table, or with the web palette when dithered;
    // the mask is Format_Mono with bit 1 for transparent pixels.
    QImage Bitmap();
    // The frame's pixels straight to true colour (Format_RGB888 or
    // Format_RGB32) through the active colour table: no palette step, no
    // dithering, nothing cached. Indices past the table show its first
    // colour and warn, as in Bitmap().
    QImage RgbBitmap(QImage::Format format) const;
    QList<QRgb> Palette();
    bool HasMask();
    QImage Mask() const { return m_mask; }
    void SetMaskNeeded(bool needed) { m_needMask = needed; }
    void FreeBitmap();

    void Draw(QPainter &painter, const QRect &rect, bool transparent, bool tile);
    // Where Draw puts the frame when the whole logical screen maps to rect.
    QRect DrawRect(const QRect &rect) const;
    void StretchDraw(QPainter &painter, const QRect &rect, bool transparent, bool tile);

    // Notified by the graphic control extension that it is going away.
    void ExtensionDestroyed(TGIFExtension *extension);

private:
    void ReadExtensions(TGifStream &stream);
    QImage RenderPlain();
    QImage RenderDithered();
    QImage TransparentImage();
    void RenderProgress(int stage, int percent);

    TGIFLocalColorMap m_colorMap;
    TGIFExtensionList m_extensions;
    TGIFGraphicControlExtension *m_gce = nullptr;
    std::vector<quint8> m_data;

    QImage m_bitmap;
    QImage m_mask;
    QImage m_transparentImage;
    QList<QRgb> m_palette;
    bool m_needMask = true;
};

class TGifPictureList
{
public:
    explicit TGifPictureList(TGifPicture *image) : m_image(image) {}

    int Count() const { return int(m_frames.size()); }
    TGIFSubImage *operator[](int index) const { return m_frames.at(size_t(index)).get(); }
    TGIFSubImage *SubImage(int index) const;
    int Add(std::unique_ptr<TGIFSubImage> frame);
    void Clear() { m_frames.clear(); }
    void Delete(int index);

    void LoadFromStream(TGifStream &stream);
    void SaveToStream(TGifOutStream &stream) const;

    auto begin() const { return m_frames.begin(); }
    auto end() const { return m_frames.end(); }

private:
    TGifPicture *m_image;
    std::vector<std::unique_ptr<TGIFSubImage>> m_frames;
};

class TGIFTrailer : public TGIFItem
{
public:
    using TGIFItem::TGIFItem;
    void LoadFromStream(TGifStream &stream) override;
    void SaveToStream(TGifOutStream &stream) const override;
};
