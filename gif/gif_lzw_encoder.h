#pragma once

#include <QtGlobal>

class TGifOutStream;

// Compresses width x height colour indices (rows top to bottom, written in
// interlaced order when asked) as GIF LZW data: the code size byte, the data
// sub-blocks and their terminator. An index at or beyond colorCount raises
// "Color not in color table".
void CompressFrame(TGifOutStream &stream, int bitsPerPixel, int colorCount, const quint8 *data,
                   bool interlaced, int width, int height);
