#pragma once

#include "core/util/mul_div.h"

#include "core/util/exception.h"
#include "core/util/messages.h"

#include <QtGlobal>

class TGifPicture;

enum class TGIFVersion { gvUnknown, gv87a, gv89a };

enum class TGIFSeverity { gsInfo, gsWarning, gsError };

// Errors of reading, rendering and writing GIF data; the loader of an
// untrusted file catches it and treats the file as unusable.
class GIFException : public Exception
{
public:
    using Exception::Exception;
    explicit GIFException(MsgId id) : Exception(msg(id)) {}
};

struct TGIFColor {
    quint8 Red = 0;
    quint8 Green = 0;
    quint8 Blue = 0;
    friend bool operator==(const TGIFColor &, const TGIFColor &) = default;
};

namespace gif {

constexpr quint8 kExtensionIntroducer = 0x21;
constexpr quint8 kImageSeparator = 0x2C;
constexpr quint8 kTrailer = 0x3B;

constexpr int kMaxColors = 256;
constexpr int kLzwTableSize = 4096;
constexpr int kLzwMaxCodeBits = 12;
constexpr int kMaxSubBlockSize = 255;

// Width and height are 16-bit on the wire, so a hostile file can ask for
// 4 Gi pixels per frame and as many frames as it likes: a frame and the
// canvas are each refused above kMaxPixels, before allocating, and all
// frames together above kMaxTotalPixels. Frames hold one byte per pixel, so
// the total is what a loaded image keeps in memory, and it leaves room for
// long animations of moderate size (760 frames of 300 x 300 and more).
constexpr qint64 kMaxPixels = 64ll << 20;
constexpr qint64 kMaxTotalPixels = 256ll << 20;

} // namespace gif
