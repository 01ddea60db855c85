#pragma once

#include <QtGlobal>

class TGifOutStream;

// The image's Compression setting: this value selects the run-length encoder,
// any other the LZW encoder.
inline constexpr quint8 kCompressionRLE = 1;

// Compresses width x height colour indices (rows top to bottom, written in
// interlaced order when asked) as GIF LZW data: the code size byte, the data
// sub-blocks and their terminator. An index at or beyond colorCount raises
// "Color not in color table". The run-length encoder's output is plain LZW
// data too: any decoder reads it.
void CompressFrame(TGifOutStream &stream, int bitsPerPixel, int colorCount, const quint8 *data,
                   bool interlaced, int width, int height, quint8 compression = 0);
