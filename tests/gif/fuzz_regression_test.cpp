// Inputs the fuzzer once stumbled on: each loads or is refused with one of the codec's
// own errors, and whatever loaded renders, draws and plays.
#include "gif_roundtrip_check.h"
#include "gif_test_support.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

TEST(GifFuzzFinds, LoadOrRefuseAndDraw)
{
    const QDir dir(QStringLiteral(PELLORAN_FIXTURES_DIR "/gif/fuzz"));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    const QStringList known = {msg(MsgGifInvalidSignature), msg(MsgGifPrematureEnd),
                                  msg(MsgGifUnknownExtension), msg(MsgGifInvalidData),
                                  msg(MsgGifBadExtensionIntroducer),
                                  msg(MsgGifCircularTableEntry), msg(MsgGifInvalidDimensions)};
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        for (TGIFDrawOptions options : {TGIFDrawOptions(doTransparent),
                                        TGIFDrawOptions(doTransparent | doTile),
                                        TGIFDrawOptions(doTransparent | doDither)}) {
            TGifPicture picture;
            QString error;
            if (!picture.LoadFromData(readFile(dir.filePath(name)), error)) {
                EXPECT_TRUE(known.contains(error)) << error.toStdString();
            }
            picture.DrawOptions = options;
            QImage target(61, 47, QImage::Format_ARGB32_Premultiplied);
            target.fill(Qt::gray);
            QPainter painter(&target);
            EXPECT_NO_THROW(picture.Draw(painter, QRect(3, 2, 56, 43)));
            if (picture.Images().Count() == 0)
                continue;
            EXPECT_NO_THROW(picture.Images()[0]->RgbBitmap(QImage::Format_RGB32));
            FakeClock clock;
            TGIFPainter animation(&picture, QRect(0, 0, 61, 47), options | doAnimate, clock);
            EXPECT_NO_THROW(animation.Run());
        }
    }
}

// What the round-trip fuzzer found: each input that loads is written and
// reloaded unchanged with both encoders, and optimising it keeps every
// picture it shows and for how long.
TEST(GifFuzzFinds, RoundTrip)
{
    const QDir dir(QStringLiteral(PELLORAN_FIXTURES_DIR "/gif/fuzz"));
    for (const QString &name : dir.entryList(QDir::Files)) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(gifroundtrip::RoundTripFault(readFile(dir.filePath(name))).toStdString(), "");
    }
    // The corpus as well: animations of every disposal method among them.
    const QDir corpus(corpusPath(QString()));
    for (const QString &name : corpus.entryList({QStringLiteral("*.gif")}, QDir::Files)) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(gifroundtrip::RoundTripFault(readFile(corpus.filePath(name))).toStdString(), "");
    }
}

} // namespace
