#pragma once

#include <QtGlobal>

class TGIFSubImage;
class TGifStream;

// Decodes one frame's LZW data (positioned on the minimum code size byte)
// into the frame's pixel buffer, de-interlacing as it goes, and leaves the
// stream just after the data's terminator (or at the end of the data).
void DecompressFrame(TGIFSubImage &frame, TGifStream &stream);

namespace gif::detail {
// Pushes the expansion of code (last pixel first) onto stack from sp and
// returns the new top; code's chain must end below clearCode within the
// table size, else "Circular decoder table entry" is raised.
int ExpandCode(const quint16 *prefix, const quint16 *suffix, int code, int clearCode,
               quint16 *stack, int sp);
} // namespace gif::detail
