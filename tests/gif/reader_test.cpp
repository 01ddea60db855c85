// Block structure of GIF streams: what is accepted, refused and warned about.
#include "gif_test_support.h"

#include <functional>
#include <thread>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

std::vector<int> pixels4x2() { return ramp(8, 4); }

GifBuilder oneImage(GifBuilder b = GifBuilder().header(4, 2))
{
    return b.image(0, 0, 4, 2, pixels4x2());
}

struct ReadCase {
    const char *name;
    QByteArray data;
    const char *error;                // null: loads
    QList<MsgId> warnings;            // exactly these, in order
    int frames;
    std::function<void(TGifPicture &)> check;
};

std::vector<ReadCase> readCases()
{
    std::vector<ReadCase> cases;
    cases.push_back({"a 4-byte length before the header is skipped",
                     QByteArray("\x10\x00\x00\x00", 4) + oneImage().trailer().bytes(), nullptr,
                     {}, 1, nullptr});
    cases.push_back({"a lower-case signature loads",
                     oneImage(GifBuilder().header(4, 2, 2, 0, "gif89a")).trailer().bytes(),
                     nullptr, {}, 1, nullptr});
    cases.push_back({"an unknown version loads",
                     oneImage(GifBuilder().header(4, 2, 2, 0, "GIF12z")).trailer().bytes(),
                     nullptr, {}, 1, nullptr});
    cases.push_back({"a wrong signature is refused",
                     QByteArray("PNG89a") + oneImage().bytes().mid(6), "Invalid GIF signature",
                     {}, 0, nullptr});
    cases.push_back({"no trailer loads silently", oneImage().bytes(), nullptr, {}, 1, nullptr});
    cases.push_back({"a stray byte after the frames warns twice and loads",
                     oneImage().byte(0x99).bytes(), nullptr,
                     {MsgGifUnknownBlockType, MsgGifInvalidTrailer}, 1, nullptr});
    cases.push_back({"an unknown block between frames keeps the frames before it",
                     oneImage(oneImage().byte(0x99)).trailer().bytes(), nullptr,
                     {MsgGifUnknownBlockType, MsgGifInvalidTrailer}, 1, nullptr});
    cases.push_back({"zero bytes between blocks are skipped",
                     oneImage(oneImage().byte(0).byte(0)).trailer().bytes(), nullptr, {}, 2,
                     nullptr});
    cases.push_back({"extensions after the last image form an empty frame",
                     oneImage().comment({"end"}).trailer().bytes(), nullptr, {}, 2,
                     [](TGifPicture &p) {
                         EXPECT_TRUE(p.Images()[1]->Empty());
                         EXPECT_EQ(p.Images()[1]->Extensions().size(), 1u);
                     }});
    cases.push_back({"a zero-sized image takes the screen size",
                     GifBuilder().header(4, 2).descriptor(0, 0, 0, 0).pixels(2, pixels4x2())
                         .trailer().bytes(),
                     nullptr, {MsgGifImageExceedsScreen}, 1, [](TGifPicture &p) {
                         EXPECT_EQ(p.Images()[0]->Width, 4);
                         EXPECT_EQ(p.Images()[0]->Height, 2);
                         EXPECT_EQ(frameData(*p.Images()[0]), pixels4x2());
                     }});
    cases.push_back({"an unregistered label is refused",
                     GifBuilder().header(4, 2).byte(0x21).byte(0x02).byte(0).bytes(),
                     "Unknown extension type", {}, 0, nullptr});
    cases.push_back({"ANIMEXTS1.0 is a loop extension",
                     oneImage(GifBuilder().header(4, 2).application(
                                  "ANIMEXTS1.0", {QByteArray("\x01\x05\x00", 3)}))
                         .trailer().bytes(),
                     nullptr, {}, 1, [](TGifPicture &p) {
                         auto *loop = dynamic_cast<TGIFAppExtNSLoop *>(
                             p.Images()[0]->Extensions().at(0).get());
                         ASSERT_NE(loop, nullptr);
                         EXPECT_EQ(loop->Loops, 5);
                         EXPECT_EQ(loop->IdentifierText(), QByteArray("ANIMEXTS1.0"));
                     }});
    cases.push_back({"an unknown identifier keeps its blocks",
                     oneImage(GifBuilder().header(4, 2).application(
                                  "SOMEAPPL1.0", {QByteArray("abc"), QByteArray("de")}))
                         .trailer().bytes(),
                     nullptr, {}, 1, [](TGifPicture &p) {
                         auto *app = dynamic_cast<TGIFUnknownAppExtension *>(
                             p.Images()[0]->Extensions().at(0).get());
                         ASSERT_NE(app, nullptr);
                         ASSERT_EQ(app->Blocks.size(), 2u);
                         EXPECT_EQ(app->Blocks[1].Data, QByteArray("de"));
                     }});
    for (int size : {5, 10, 14}) {
        // Blocks of other sizes are kept as unknown data and reading goes on.
        cases.push_back({"an application block of another size is kept",
                         oneImage(GifBuilder().header(4, 2).application(
                                      QByteArray(size, 'x'), {QByteArray("\x01\x02", 2)}))
                             .trailer().bytes(),
                         nullptr, {}, 1, [size](TGifPicture &p) {
                             auto *app = dynamic_cast<TGIFUnknownAppExtension *>(
                                 p.Images()[0]->Extensions().at(0).get());
                             ASSERT_NE(app, nullptr) << size;
                             ASSERT_EQ(app->Blocks.size(), 1u);
                             EXPECT_EQ(frameData(*p.Images()[0]), pixels4x2());
                         }});
    }
    cases.push_back({"extensions cut off by a stray byte belong to the next image",
                     oneImage(GifBuilder().header(4, 2).gce(0x09, 7).byte(0)).trailer().bytes(),
                     nullptr, {MsgGifBadExtensionIntroducer}, 1, [](TGifPicture &p) {
                         ASSERT_NE(p.Images()[0]->GraphicControlExtension(), nullptr);
                         EXPECT_EQ(p.Images()[0]->GraphicControlExtension()->Delay(), 7);
                         EXPECT_EQ(frameData(*p.Images()[0]), pixels4x2());
                     }});
    cases.push_back({"an image of no pixels leaves only its extensions",
                     GifBuilder().header(0, 0).comment({"a"}).descriptor(0, 0, 0, 0)
                         .pixels(2, {}).image(0, 0, 4, 2, pixels4x2()).trailer().bytes(),
                     nullptr, {MsgGifImageExceedsScreen}, 1, [](TGifPicture &p) {
                         EXPECT_EQ(p.Images()[0]->Extensions().size(), 1u);
                         EXPECT_EQ(p.Images()[0]->BoundsRect(), QRect(0, 0, 4, 2));
                     }});
    cases.push_back({"extensions after the last image make a frame of their own",
                     oneImage().comment({"the end"}).trailer().bytes(), nullptr, {}, 2,
                     [](TGifPicture &p) {
                         EXPECT_FALSE(p.Images()[1]->HasImage());
                         EXPECT_EQ(p.SaveToData().right(12), QByteArray("\x21\xFE\x07the end\x00\x3B", 12));
                     }});
    cases.push_back({"an empty application block ends the extension",
                     oneImage(GifBuilder().header(4, 2).raw(QByteArray("\x21\xFF\x00", 3)))
                         .trailer().bytes(),
                     nullptr, {}, 1, nullptr});
    cases.push_back({"a loop sub-block too short for its count is refused",
                     GifBuilder().header(4, 2).application("NETSCAPE2.0", {QByteArray("\x01\x05", 2)})
                         .bytes(),
                     "Invalid GIF data", {}, 0, nullptr});
    cases.push_back({"a loop extension cut by the end of the stream",
                     GifBuilder().header(4, 2).byte(0x21).byte(0xFF).byte(11)
                         .raw("NETSCAPE2.0").raw(QByteArray("\x03\x01\x02\x00", 4)).bytes(),
                     nullptr, {}, 1, [](TGifPicture &p) {
                         auto *loop = dynamic_cast<TGIFAppExtNSLoop *>(
                             p.Images()[0]->Extensions().at(0).get());
                         ASSERT_NE(loop, nullptr);
                         EXPECT_EQ(loop->Loops, 2);
                     }});
    cases.push_back({"a comment of three sub-blocks is three lines",
                     oneImage(GifBuilder().header(4, 2).comment({"one", "two", "three"}))
                         .trailer().bytes(),
                     nullptr, {}, 1, [](TGifPicture &p) {
                         auto *c = dynamic_cast<TGIFCommentExtension *>(
                             p.Images()[0]->Extensions().at(0).get());
                         ASSERT_NE(c, nullptr);
                         EXPECT_EQ(c->Text, QStringList({"one", "two", "three"}));
                     }});
    cases.push_back({"the first graphic control extension stays the frame's",
                     oneImage(GifBuilder().header(4, 2).gce(0x01, 0, 3).gce(0x00, 7, 1))
                         .trailer().bytes(),
                     nullptr, {}, 1, [](TGifPicture &p) {
                         TGIFSubImage &f = *p.Images()[0];
                         ASSERT_NE(f.GraphicControlExtension(), nullptr);
                         EXPECT_EQ(f.GraphicControlExtension(), f.Extensions()[0].get());
                         EXPECT_TRUE(f.Transparent());
                         EXPECT_EQ(f.TransparentColorIndex(), 3);
                     }});
    cases.push_back({"transparency and its index come from the same extension",
                     oneImage(GifBuilder().header(4, 2).gce(0x00, 0, 3).gce(0x01, 0, 1))
                         .trailer().bytes(),
                     nullptr, {}, 1, [](TGifPicture &p) {
                         EXPECT_FALSE(p.Images()[0]->Transparent());
                     }});
    cases.push_back({"a longer graphic control block is read to its declared size",
                     oneImage(GifBuilder().header(4, 2).raw(QByteArray(
                                  "\x21\xF9\x06\x05\x0A\x00\x02\xEE\xEE\x00", 10)))
                         .trailer().bytes(),
                     nullptr, {}, 1, [](TGifPicture &p) {
                         TGIFGraphicControlExtension *g = p.Images()[0]->GraphicControlExtension();
                         ASSERT_NE(g, nullptr);
                         EXPECT_EQ(g->Delay(), 10);
                         EXPECT_EQ(g->Disposal(), 1);
                         EXPECT_TRUE(g->Transparent());
                         EXPECT_EQ(frameData(*p.Images()[0]), pixels4x2());
                     }});
    cases.push_back({"a short graphic control block warns and is not trusted",
                     oneImage(GifBuilder().header(4, 2).raw(QByteArray("\x21\xF9\x02\x01\x0A\x00", 6)))
                         .trailer().bytes(),
                     nullptr, {MsgGifPrematureEnd}, 1, [](TGifPicture &p) {
                         EXPECT_FALSE(p.Images()[0]->Transparent());
                         EXPECT_EQ(frameData(*p.Images()[0]), pixels4x2());
                     }});
    cases.push_back({"a text block longer than 12 bytes skips the excess",
                     oneImage(GifBuilder().header(4, 2).byte(0x21).byte(0x01).byte(14)
                                  .raw(QByteArray(12, '\x01')).raw("zz").byte(2).raw("hi").byte(0))
                         .trailer().bytes(),
                     nullptr, {}, 1, [](TGifPicture &p) {
                         auto *t = dynamic_cast<TGIFTextExtension *>(
                             p.Images()[0]->Extensions().at(0).get());
                         ASSERT_NE(t, nullptr);
                         EXPECT_EQ(t->Text, QStringList({"hi"}));
                         EXPECT_EQ(t->GridWidth, 0x0101);
                     }});
    cases.push_back({"a truncated global colour table is refused",
                     GifBuilder().header(4, 2, 0).bytes().left(10) + QByteArray("\x81\x00\x00", 3)
                         + QByteArray(5, 'c'),
                     "Premature end of data", {}, 0, nullptr});
    cases.push_back({"an oversized screen is refused",
                     GifBuilder().header(65535, 65535).trailer().bytes(),
                     "Invalid image dimensions", {}, 0, nullptr});
    cases.push_back({"an oversized frame is refused before allocating",
                     GifBuilder().header(4, 2).descriptor(0, 0, 65535, 65535).byte(2).byte(0)
                         .trailer().bytes(),
                     "Invalid image dimensions", {}, 0, nullptr});
    {
        // Each frame alone is allowed; together they pass the limit of what
        // a loaded image may hold (16 frames of 16 Mi pixels fit).
        GifBuilder b;
        b.header(4, 2);
        for (int i = 0; i < 17; ++i)
            b.descriptor(0, 0, 4096, 4096).data(2, QByteArray("\x04\x05", 2));
        cases.push_back({"frames are limited in all", b.trailer().bytes(),
                         "Invalid image dimensions", {}, 16, nullptr});
    }
    cases.push_back({"a file without colour tables loads",
                     GifBuilder().header(4, 2, 0).image(0, 0, 4, 2, {0, 1, 1, 0, 1, 0, 0, 1})
                         .trailer().bytes(),
                     nullptr, {}, 1, [](TGifPicture &p) {
                         const QImage bitmap = p.Bitmap();
                         EXPECT_EQ(bitmap.pixel(0, 0), qRgb(0, 0, 0));
                         EXPECT_EQ(bitmap.pixel(1, 0), qRgb(255, 255, 255));
                     }});
    return cases;
}

TEST(GifReader, BlockStructure)
{
    for (const ReadCase &c : readCases()) {
        SCOPED_TRACE(c.name);
        TGifPicture picture;
        WarningLog log;
        log.attach(picture);
        QString error;
        const bool loaded = picture.LoadFromData(c.data, error);
        if (c.error) {
            EXPECT_FALSE(loaded);
            EXPECT_EQ(error, QString::fromLatin1(c.error));
        } else {
            ASSERT_TRUE(loaded) << error.toStdString();
        }
        QStringList expected;
        for (MsgId id : c.warnings)
            expected.append(msg(id));
        EXPECT_EQ(log.messages, expected);
        EXPECT_EQ(picture.Images().Count(), c.frames);
        if (c.check && loaded)
            c.check(picture);
    }
}

// A picture given lower limits refuses a canvas or a frame that declares
// more pixels, frames that declare more in all, more frames, or more
// extensions and kept sub-blocks, while reading, before they exist; what
// stays within loads as before, and without the limits all of them load.
TEST(GifReader, ALowerPixelLimitRefusesLargerCanvasesAndFrames)
{
    constexpr qint64 kLimit = qint64(4) << 20; // 2048 x 2048
    constexpr int kFrames = 4;
    constexpr int kBlocks = 6;
    // Frames of the given sizes, one pixel of data each, on a canvas at the limit.
    const auto frames = [](const QList<QSize> &sizes) {
        GifBuilder b;
        b.header(2048, 2048);
        for (const QSize &size : sizes)
            b.descriptor(0, 0, size.width(), size.height()).data(2, QByteArray("\x04\x05", 2));
        return b.trailer().bytes();
    };
    // One frame, then a second whose extensions the builder writes.
    const auto blocks = [](const std::function<void(GifBuilder &)> &extensions) {
        GifBuilder b;
        b.header(2048, 2048).descriptor(0, 0, 1, 1).data(2, QByteArray("\x04\x05", 2));
        extensions(b);
        return b.descriptor(0, 0, 1, 1).data(2, QByteArray("\x04\x05", 2)).trailer().bytes();
    };
    const auto lines = [](int count) { return QList<QByteArray>(count, QByteArray("x")); };
    const QSize whole(2048, 2048);
    const QSize dot(1, 1);
    const char *const kDimensions = "Invalid image dimensions";
    const char *const kData = "Invalid GIF data";
    const struct {
        const char *name;
        QByteArray data;
        const char *error; // null: loads
        int framesKept;    // of a refused one: those read before the refusal
    } rows[] = {
        {"a canvas above it", oneImage(GifBuilder().header(8000, 8000)).trailer().bytes(), kDimensions, 0},
        {"a canvas a row above it", oneImage(GifBuilder().header(2048, 2049)).trailer().bytes(), kDimensions, 0},
        {"a frame above it",
         GifBuilder().header(4, 2).descriptor(0, 0, 4096, 4096).data(2, QByteArray("\x04\x05", 2))
             .trailer().bytes(),
         kDimensions, 0},
        {"a canvas at it", oneImage(GifBuilder().header(2048, 2048)).trailer().bytes(), nullptr, 1},
        {"frames above the total", frames({whole, whole, whole}), kDimensions, 2},
        {"frames a pixel above the total", frames({whole, whole, dot}), kDimensions, 2},
        {"frames at the total", frames({whole, QSize(2048, 2047), QSize(2048, 1)}), nullptr, 3},
        {"more frames than allowed", frames(QList<QSize>(kFrames + 1, dot)), kDimensions, kFrames},
        {"as many frames as allowed", frames(QList<QSize>(kFrames, dot)), nullptr, kFrames},
        {"comment lines past the blocks allowed",
         blocks([&](GifBuilder &b) { b.comment(lines(kBlocks)); }), kData, 1},
        {"a comment of as many blocks as allowed",
         blocks([&](GifBuilder &b) { b.comment(lines(kBlocks - 1)); }), nullptr, 2},
        {"more extensions than allowed",
         blocks([](GifBuilder &b) {
             for (int i = 0; i <= kBlocks; ++i)
                 b.gce(0);
         }),
         kData, 1},
        {"application blocks past the blocks allowed",
         blocks([&](GifBuilder &b) { b.application("PELLORAN1.0", lines(kBlocks)); }), kData, 1},
        {"text lines past the blocks allowed",
         blocks([&](GifBuilder &b) {
             b.byte(0x21).byte(0x01).byte(12).raw(QByteArray(12, '\0'));
             for (const QByteArray &line : lines(kBlocks))
                 b.byte(int(line.size())).raw(line);
             b.byte(0);
         }),
         kData, 1},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        TGifPicture limited;
        limited.PixelLimit = kLimit;
        limited.TotalPixelLimit = 2 * kLimit;
        limited.FrameLimit = kFrames;
        limited.BlockLimit = kBlocks;
        QString error;
        EXPECT_EQ(limited.LoadFromData(r.data, error), r.error == nullptr);
        if (r.error)
            EXPECT_EQ(error, QString::fromLatin1(r.error));
        else
            EXPECT_EQ(limited.Bitmap().size(), QSize(2048, 2048));
        EXPECT_EQ(limited.Images().Count(), r.framesKept);
        TGifPicture unlimited;
        EXPECT_TRUE(unlimited.LoadFromData(r.data, error)) << error.toStdString();
    }
}

// A frame's read leaves an offending byte where the caller can see it, once.
TEST(GifReader, OffendingBytesAreSteppedBackOnce)
{
    struct Case {
        const char *name;
        QByteArray data;
        qint64 position;
        bool warned;
    } cases[] = {
        {"invalid introducer in an extension run", QByteArray("\x21\xFE\x01" "a\x00\x99", 6), 5, true},
        {"image descriptor only at its separator", QByteArray("\x21\xFE\x01" "a\x00\x2B", 6), 5, true},
        {"trailer after extensions", QByteArray("\x21\xFE\x01" "a\x00\x3B", 6), 5, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TGifPicture picture;
        WarningLog log;
        log.attach(picture);
        TGIFSubImage frame(&picture);
        TGifStream stream(c.data);
        frame.LoadFromStream(stream);
        EXPECT_EQ(stream.Position(), c.position);
        EXPECT_TRUE(frame.Empty());
        EXPECT_EQ(frame.Extensions().size(), 1u);
        EXPECT_EQ(log.count(MsgGifBadExtensionIntroducer), c.warned ? 1 : 0);
    }
}

TEST(GifReader, RemovedControlExtensionIsNotReferenced)
{
    TGifPicture picture;
    QString error;
    ASSERT_TRUE(picture.LoadFromData(
        oneImage(GifBuilder().header(4, 2).gce(0x01, 0, 2)).trailer().bytes(), error));
    TGIFSubImage &frame = *picture.Images()[0];
    ASSERT_TRUE(frame.Transparent());
    frame.RemoveExtension(frame.GraphicControlExtension());
    EXPECT_EQ(frame.GraphicControlExtension(), nullptr);
    EXPECT_FALSE(frame.Transparent());
    EXPECT_FALSE(frame.HasMask());
    EXPECT_FALSE(picture.Bitmap().isNull());
}

TEST(GifReader, RegistriesAreBuiltOnceFromAnyThread)
{
    std::vector<std::thread> threads;
    std::atomic<int> found{0};
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&found] {
            TGIFApplicationExtension::Identifier id{};
            std::memcpy(id.data(), "NETSCAPE2.0", id.size());
            if (FindExtensionByLabel(0xF9) == &TGIFGraphicControlExtension::Class()
                && FindAppExtension(id) == &TGIFAppExtNSLoop::Class())
                ++found;
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(found, 8);
}

TEST(GifReader, LaterRegistrationWins)
{
    TGIFApplicationExtension::Identifier id{};
    std::memcpy(id.data(), "PELLORAN1.0", id.size());
    EXPECT_EQ(FindAppExtension(id), nullptr);
    RegisterAppExtension(id, TGIFAppExtNSLoop::Class());
    EXPECT_EQ(FindAppExtension(id), &TGIFAppExtNSLoop::Class());
}

TEST(GifColorMap, IndexRulesAndCapacity)
{
    TGifPicture picture;
    WarningLog log;
    log.attach(picture);
    TGIFSubImage frame(&picture);
    TGIFColorMap &map = frame.ColorMap();
    EXPECT_THROW(map.Colors(0), GIFException); // empty table
    map.Add({1, 2, 3});
    EXPECT_EQ(map.Capacity(), 16);
    EXPECT_EQ(map.Colors(5), (TGIFColor{1, 2, 3})); // out of range: colour 0, warned
    EXPECT_EQ(log.count(MsgGifInvalidColorIndex), 2); // the empty table warned too
    for (int i = 1; i < 17; ++i)
        map.Add({quint8(i), 0, 0});
    EXPECT_EQ(map.Capacity(), 32);
    EXPECT_EQ(map.BitsPerPixel(), 5);
    while (map.Count() < 256)
        map.Add({});
    EXPECT_THROW(map.Add({}), GIFException);
    EXPECT_THROW(map.Delete(256), GIFException);
    EXPECT_EQ(TGIFColorMap::BitsFor(1), 1);
    EXPECT_EQ(TGIFColorMap::BitsFor(3), 2);
}

} // namespace

namespace {

TEST(GifReader, ApplicationExtensionsAreWrittenBackAsRead)
{
    for (int size : {0, 1, 5, 10, 11, 14, 255}) {
        SCOPED_TRACE(size);
        QByteArray extension("\x21\xFF", 2);
        extension.append(char(size));
        if (size > 0) {
            QByteArray block(size, 'q');
            for (int i = 0; i < size; ++i)
                block[i] = char('A' + i % 26);
            extension.append(block).append("\x03xyz\x00", 5);
        }
        const QByteArray gif =
            oneImage(GifBuilder().header(4, 2).raw(extension)).trailer().bytes();
        TGifPicture picture;
        QString error;
        ASSERT_TRUE(picture.LoadFromData(gif, error)) << error.toStdString();
        const QByteArray saved = picture.SaveToData();
        EXPECT_TRUE(saved.contains(extension + '\x2C'));
        TGifPicture again;
        ASSERT_TRUE(again.LoadFromData(saved, error)) << error.toStdString();
        EXPECT_EQ(again.SaveToData(), saved);
    }
}

// Long animations of moderate size load in full: what counts is what the
// frames hold in all, one byte a pixel.
TEST(GifReader, LongAnimationsLoad)
{
    TGifPicture picture;
    picture.Header().Width = 300;
    picture.Header().Height = 300;
    picture.Header().ColorMap().AssignColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    picture.Compression = 1; // runs: quick to write
    for (int i = 0; i < 760; ++i) {
        auto frame = std::make_unique<TGIFSubImage>(&picture);
        frame->Width = 300;
        frame->Height = 300;
        frame->SetData(std::vector<quint8>(300 * 300, quint8(i & 1)));
        picture.Add(std::move(frame));
    }
    const QByteArray gif = picture.SaveToData();
    TGifPicture loaded;
    QString error;
    ASSERT_TRUE(loaded.LoadFromData(gif, error)) << error.toStdString();
    ASSERT_EQ(loaded.Images().Count(), 760);
    EXPECT_EQ(loaded.Images()[759]->Data()[0], 1);
}

} // namespace
