// The codec against giflib's and ImageMagick's decoding of the same files.
#include "gif_test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

QStringList corpusFiles(const QString &pattern)
{
    return QDir(corpusPath(QString())).entryList({pattern}, QDir::Files, QDir::Name);
}

QByteArray toRgb(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QByteArray out;
    for (int y = 0; y < rgb.height(); ++y)
        out.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rgb.width() * 3);
    return out;
}

TEST(GifCorpus, SingleFramesDecodeLikeGif2rgb)
{
    const QStringList files = corpusFiles(QStringLiteral("s_*.gif"))
        + corpusFiles(QStringLiteral("lzw_*.gif"));
    int compared = 0;
    for (const QString &name : files) {
        const QString oracle = corpusPath(name.chopped(4) + QStringLiteral(".rgb"));
        if (!QFile::exists(oracle))
            continue; // giflib refuses the file; its own test states what it holds
        SCOPED_TRACE(name.toStdString());
        TGifPicture picture;
        QString error;
        ASSERT_TRUE(picture.LoadFromFile(corpusPath(name), error)) << error.toStdString();
        ASSERT_EQ(picture.Images().Count(), 1);
        const QByteArray rgb = toRgb(picture.Bitmap());
        const QByteArray expected = readFile(oracle);
        ASSERT_EQ(rgb.size(), expected.size());
        EXPECT_TRUE(rgb == expected);
        ++compared;
    }
    EXPECT_GE(compared, 24);
}

TEST(GifCorpus, HandBuiltStreamsDecodeToTheirIndices)
{
    const QStringList files = corpusFiles(QStringLiteral("lzw_*.gif"));
    ASSERT_EQ(files.size(), 6);
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        TGifPicture picture;
        WarningLog log;
        log.attach(picture);
        QString error;
        ASSERT_TRUE(picture.LoadFromFile(corpusPath(name), error)) << error.toStdString();
        ASSERT_EQ(picture.Images().Count(), 1);
        const TGIFSubImage &frame = *picture.Images()[0];
        const QByteArray expected = readFile(corpusPath(name.chopped(4) + QStringLiteral(".idx")));
        ASSERT_EQ(frame.DataSize(), expected.size());
        EXPECT_EQ(0, std::memcmp(frame.Data(), expected.constData(), size_t(expected.size())));
        EXPECT_TRUE(log.messages.isEmpty()) << log.messages.join(u'|').toStdString();
    }
}

TEST(GifCorpus, AnimationFramesMatchImageMagickCoalesce)
{
    const QStringList files = corpusFiles(QStringLiteral("a_*.gif"));
    ASSERT_GE(files.size(), 4);
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        TGifPicture picture;
        QString error;
        ASSERT_TRUE(picture.LoadFromFile(corpusPath(name), error)) << error.toStdString();
        const QByteArray expected = readFile(corpusPath(name.chopped(4) + QStringLiteral(".rgba")));
        const int w = picture.Width(), h = picture.Height();
        const int frames = picture.Images().Count();
        ASSERT_EQ(expected.size(), qsizetype(w) * h * 4 * frames);

        FakeClock clock;
        TGIFPainter painter(&picture, QRect(0, 0, w, h), doTransparent | doAnimate, clock);
        int shown = 0;
        painter.OnAfterPaint = [&](TGIFPainter *p) {
            const QImage image = p->Picture().convertToFormat(QImage::Format_RGBA8888);
            const uchar *want = reinterpret_cast<const uchar *>(expected.constData())
                + qsizetype(shown) * w * h * 4;
            int mismatches = 0;
            for (int y = 0; y < h; ++y) {
                const uchar *got = image.constScanLine(y);
                for (int x = 0; x < w; ++x) {
                    const uchar *a = got + 4 * x;
                    const uchar *b = want + (qsizetype(y) * w + x) * 4;
                    // A transparent pixel has no colour to compare.
                    const bool same = a[3] == b[3] && (a[3] == 0 || std::memcmp(a, b, 3) == 0);
                    mismatches += same ? 0 : 1;
                }
            }
            EXPECT_EQ(mismatches, 0) << "frame " << shown;
            ++shown;
        };
        painter.Run();
        EXPECT_EQ(shown, frames);
    }
}

// Straight to true colour, every frame of every corpus file gives what its
// indexed bitmap gives once converted.
TEST(GifCorpus, RgbFramesEqualTheConvertedBitmaps)
{
    const QStringList files = corpusFiles(QStringLiteral("*.gif"));
    ASSERT_GE(files.size(), 20);
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        TGifPicture picture;
        QString error;
        ASSERT_TRUE(picture.LoadFromFile(corpusPath(name), error)) << error.toStdString();
        for (const auto &frame : picture.Images()) {
            if (frame->Empty())
                continue;
            const QImage bitmap = frame->Bitmap();
            for (QImage::Format format : {QImage::Format_RGB888, QImage::Format_RGB32}) {
                const QImage rgb = frame->RgbBitmap(format);
                EXPECT_EQ(rgb.format(), format);
                EXPECT_EQ(rgb, bitmap.convertToFormat(format)) << format;
            }
        }
    }
}

// Every prefix of these files either loads or fails with one of the codec's own errors.
TEST(GifCorpus, TruncatedFilesLoadOrFailCleanly)
{
    const QStringList known = {
        msg(MsgGifInvalidSignature), msg(MsgGifPrematureEnd), msg(MsgGifUnknownExtension),
        msg(MsgGifInvalidData), msg(MsgGifBadExtensionIntroducer),
        msg(MsgGifCircularTableEntry), msg(MsgGifInvalidDimensions)};
    const QStringList files = {QStringLiteral("s_16col_64x48.gif"),
                               QStringLiteral("s_interlaced_h9.gif"),
                               QStringLiteral("s_transparent.gif"),
                               QStringLiteral("s_comment.gif"),
                               QStringLiteral("a_dispose_previous.gif"),
                               QStringLiteral("a_local_tables_interlaced.gif"),
                               QStringLiteral("lzw_repeated_clears.gif"),
                               QStringLiteral("lzw_missing_terminator.gif")};
    for (const QString &name : files) {
        const QByteArray data = readFile(corpusPath(name));
        ASSERT_FALSE(data.isEmpty()) << name.toStdString();
        for (qsizetype n = 0; n <= data.size(); ++n) {
            TGifPicture picture;
            QString error;
            if (picture.LoadFromData(data.left(n), error)) {
                picture.Bitmap(); // a loaded prefix must also render
                continue;
            }
            EXPECT_TRUE(known.contains(error))
                << name.toStdString() << " prefix " << n << ": " << error.toStdString();
        }
    }
}

} // namespace
