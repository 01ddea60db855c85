#pragma once

#include <QImage>
#include <QString>

// Every logo file is drawn for this box before it is scaled to the chosen
// logo size; larger pictures are cut at the right and bottom.
inline constexpr int kLogoFileWidth = 52;
inline constexpr int kLogoFileHeight = 39;

// A picture brought to the logo size: cut or padded to 52 x 39 from the top
// left, then scaled smoothly to width x height unless that is 52 x 39.
QImage fitLogoImage(const QImage &picture, int width, int height);

// Loads a logo file through the program's GIF codec (transparency off) and
// fits it to the logo size. A null image when the file is missing or is no
// readable GIF; never throws.
QImage loadLogoImage(const QString &path, int width, int height);
