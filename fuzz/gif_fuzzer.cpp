// libFuzzer harness: untrusted bytes through load, the whole-image bitmap,
// a frame straight to true colour, stretched transparent draws (plain,
// tiled and dithered) and one pass of the animation.
#include "gif/gif_painter.h"
#include "gif/gif_picture.h"

#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace {
constexpr int kTargetWidth = 61;
constexpr int kTargetHeight = 47;

// Waits pass without sleeping.
class InstantClock : public TGIFClock
{
public:
    qint64 NowMs() override { return m_now; }
    void SleepMs(qint64 ms) override { m_now += ms; }

private:
    qint64 m_now = 0;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TGifPicture picture;
    int warnings = 0;
    picture.OnWarning = [&warnings](TGifPicture *, TGIFSeverity, const QString &) { ++warnings; };
    QString error;
    // A failed load keeps what was read before the error: draw that too.
    picture.LoadFromData(bytes, error);
    try {
        picture.Bitmap();
    } catch (const Exception &) {
        // Designed errors (sizes, allocation) are an acceptable outcome.
    }
    try {
        if (picture.Images().Count() > 0)
            picture.Images()[0]->RgbBitmap((size & 1) ? QImage::Format_RGB888
                                                      : QImage::Format_RGB32);
        QImage target(kTargetWidth, kTargetHeight, QImage::Format_ARGB32_Premultiplied);
        target.fill(Qt::gray);
        QPainter painter(&target);
        // One draw variant per input (chosen by its length) keeps each run
        // short even for the largest frames the limits allow.
        const TGIFDrawOptions variants[] = {
            doTransparent,
            TGIFDrawOptions(doTransparent | doTile),
            TGIFDrawOptions(doTransparent | doDither),
        };
        picture.DrawOptions = variants[size % std::size(variants)];
        if (picture.DrawOptions & doDither) {
            for (int i = 0; i < picture.Images().Count(); ++i)
                picture.Images()[i]->FreeBitmap();
        }
        picture.Draw(painter, QRect(3, 2, kTargetWidth - 5, kTargetHeight - 4));
    } catch (const Exception &) {
    }
    if (picture.Images().Count() > 1) {
        try {
            InstantClock clock;
            TGIFPainter painter(&picture, QRect(0, 0, kTargetWidth, kTargetHeight),
                                TGIFDrawOptions(picture.DrawOptions | doAnimate), clock);
            painter.Run();
        } catch (const Exception &) {
        }
    }
    return 0;
}
