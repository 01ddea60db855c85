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
// What a whole logo file may hold: a logo shows its first frame only, yet a
// file of 15 KB can declare a thousand frames of 2048 x 2048, each allocated
// in turn (290 MB before the codec's own total refused it). Twice the largest
// frame in all, and a thousand frames, leave room for any animated logo and
// keep a refusal to a few megabytes.
inline constexpr qint64 kMaxLogoTotalPixels = 2 * kMaxLogoPixels;
inline constexpr int kMaxLogoFrames = 1024;
// Extensions and the lines or blocks they keep: a logo download of 4 MB in
// one-byte comment lines would otherwise keep two million of them (120 MB).
inline constexpr qint64 kMaxLogoBlocks = 4096;

class TGifPicture;

// A picture brought to the logo size: cut or padded to 52 x 39 from the top
// left, then scaled smoothly to width x height unless that is 52 x 39.
QImage fitLogoImage(const QImage &picture, int width, int height);

// Reads a logo file's bytes into picture, held to the limits above; false
// when they are no GIF, break a limit or hold no frame. Never throws.
bool loadLogoPicture(TGifPicture &picture, const QByteArray &data);

// Loads a logo file through the program's GIF codec (transparency off) and
// fits it to the logo size. A null image when the file is missing, is no
// readable GIF, is larger than a logo download may be or breaks a limit
// above; never throws.
QImage loadLogoImage(const QString &path, int width, int height);
