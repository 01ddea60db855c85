#include "logos/logo_image.h"

#include "gif/gif_picture.h"
#include "logos/smooth_resize.h"

#include <QFileInfo>
#include <QPainter>

QImage fitLogoImage(const QImage &picture, int width, int height)
{
    QImage box;
    if (picture.width() == kLogoFileWidth && picture.height() == kLogoFileHeight) {
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

QImage loadLogoImage(const QString &path, int width, int height)
{
    if (!QFileInfo(path).isFile())
        return QImage();
    try {
        TGifPicture picture;
        picture.Transparent = false;
        picture.PixelLimit = kMaxLogoPixels;
        QString errorText;
        if (!picture.LoadFromFile(path, errorText) || picture.Empty())
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
