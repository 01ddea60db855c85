#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG decoding over libjpeg (the IJG v62 interface), for the program's own
// pictures. Colour, greyscale and CMYK files become RGB888 images; anything
// else is refused. A broken or cut-off file is refused as a whole rather than
// shown half grey.

// Refuse pictures larger than this before any pixel memory is allocated
// (32 Mi pixels: 96 MiB of RGB888 plus the decoder's own buffers).
inline constexpr qint64 kJpegMaxPixels = 32ll << 20;

// Files are read whole; nothing the program shows comes near this.
inline constexpr qint64 kJpegMaxFileSize = 64ll << 20;

// False with libjpeg's own words (or ours) in errorText; image is then null.
bool decodeJpeg(const QByteArray &data, QImage &image, QString &errorText,
                qint64 maxPixels = kJpegMaxPixels);

// Reads a file (or a ":/..." resource) and decodes it.
bool loadJpegFile(const QString &fileName, QImage &image, QString &errorText,
                  qint64 maxPixels = kJpegMaxPixels);
