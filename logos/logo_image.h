#pragma once

#include <QImage>
#include <QString>

// Every logo file is drawn for this box before it is scaled to the chosen
// logo size; larger pictures are cut at the right and bottom.
inline constexpr int kLogoFileWidth = 52;
inline constexpr int kLogoFileHeight = 39;

// The most pixels a logo file's canvas (logical screen) or any of its frames
// may declare. A real logo is about the box above, yet a file of a few
// hundred bytes can declare 8000 x 8000, and drawing that canvas whole cost
// 340 MB for a single logo. 4 megapixels (2048 x 2048) is far above any
// logo and keeps a load to a few megabytes: a larger file is no logo.
inline constexpr qint64 kMaxLogoPixels = qint64(4) << 20;

// A picture brought to the logo size: cut or padded to 52 x 39 from the top
// left, then scaled smoothly to width x height unless that is 52 x 39.
QImage fitLogoImage(const QImage &picture, int width, int height);

// Loads a logo file through the program's GIF codec (transparency off) and
// fits it to the logo size. A null image when the file is missing, is no
// readable GIF or declares more than kMaxLogoPixels; never throws.
QImage loadLogoImage(const QString &path, int width, int height);
