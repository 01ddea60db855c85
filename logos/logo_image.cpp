#include "logos/logo_image.h"

#include "gif/gif_picture.h"
#include "logos/smooth_resize.h"
#include "platform/transfer_limits.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

// A paletted picture whose colours are all opaque, in RGB888 through its
// colour table, as the general conversion gives it at a fraction of the
// cost; a null image for any other picture.
QImage opaqueIndexedToRgb888(const QImage &picture)
{
    if (picture.format() != QImage::Format_Indexed8)
        return QImage();
    const QList<QRgb> table = picture.colorTable();
    // Every index a byte can hold must name an opaque colour.
    if (table.size() < 256
        || !std::all_of(table.cbegin(), table.cend(), [](QRgb colour) { return qAlpha(colour) == 255; }))
        return QImage();
    QImage out(picture.size(), QImage::Format_RGB888);
    if (out.isNull())
        return QImage();
    uchar bytes[256][3];
    for (int i = 0; i < 256; ++i) {
        bytes[i][0] = uchar(qRed(table[i]));
        bytes[i][1] = uchar(qGreen(table[i]));
        bytes[i][2] = uchar(qBlue(table[i]));
    }
    const int width = picture.width();
    const int height = picture.height();
    for (int y = 0; y < height; ++y) {
        const uchar *from = picture.constScanLine(y);
        uchar *to = out.scanLine(y);
        for (int x = 0; x < width; ++x, to += 3)
            std::memcpy(to, bytes[from[x]], 3);
    }
    return out;
}

} // namespace

QImage fitLogoImage(const QImage &picture, int width, int height)
{
    QImage box;
    if (picture.width() == kLogoFileWidth && picture.height() == kLogoFileHeight) {
        box = opaqueIndexedToRgb888(picture);
        if (box.isNull())
            box = picture.convertToFormat(QImage::Format_RGB888);
    } else {
        box = QImage(kLogoFileWidth, kLogoFileHeight, QImage::Format_RGB888);
        box.fill(Qt::white);
        // Only what shows in the box is converted, however large the picture.
        const QRect shown = picture.rect().intersected(box.rect());
        QPainter painter(&box);
        painter.drawImage(QPoint(0, 0), picture.copy(shown).convertToFormat(QImage::Format_RGB888));
    }
    if (width == kLogoFileWidth && height == kLogoFileHeight)
        return box;
    QImage scaled(width, height, QImage::Format_RGB888);
    smoothResize(box, scaled);
    return scaled;
}

bool loadLogoPicture(TGifPicture &picture, const QByteArray &data)
{
    picture.PixelLimit = kMaxLogoPixels;
    picture.TotalPixelLimit = kMaxLogoTotalPixels;
    picture.FrameLimit = kMaxLogoFrames;
    picture.BlockLimit = kMaxLogoBlocks;
    try {
        QString errorText;
        return picture.LoadFromData(data, errorText) && !picture.Empty();
    } catch (...) {
        // A broken file is no logo, whatever broke in it.
        return false;
    }
}

QImage loadLogoImage(const QString &path, int width, int height)
{
    const QFileInfo info(path);
    // The logo manager stores nothing larger; the read takes the whole file.
    if (!info.isFile() || info.size() > kLogoSizeLimit)
        return QImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    try {
        TGifPicture picture;
        picture.Transparent = false;
        if (!loadLogoPicture(picture, file.readAll()))
            return QImage();
        const QImage bitmap = picture.Bitmap();
        if (bitmap.isNull())
            return QImage();
        return fitLogoImage(bitmap, width, height);
    } catch (...) {
        // A broken file gives the default picture; the mapping goes on.
        return QImage();
    }
}
