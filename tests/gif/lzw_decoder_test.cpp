// Corners of the LZW decoder, on hand-made code sequences.
#include "gif/gif_lzw_decoder.h"
#include "gif_test_support.h"

#include <gtest/gtest.h>

using namespace giftest;

namespace {

constexpr int kClear = 4; // minimum code size 2
constexpr int kEnd = 5;

QByteArray codes(const std::vector<int> &list, int minSize = 2)
{
    CodeWriter w(minSize);
    for (int c : list)
        w.code(c);
    return w.bytes();
}

struct Loaded {
    bool ok;
    QString error;
    QStringList warnings;
    std::vector<std::vector<int>> frames;
};

Loaded load(const QByteArray &data)
{
    TGifPicture picture;
    WarningLog log;
    log.attach(picture);
    Loaded result;
    result.ok = picture.LoadFromData(data, result.error);
    result.warnings = log.messages;
    for (const auto &f : picture.Images())
        result.frames.push_back(frameData(*f));
    return result;
}

// A frame of w x h from raw code data, followed by a second 1x1 frame whose
// pixel 3 shows that the reader found the next block where it should.
QByteArray withProbe(int w, int h, const QByteArray &frameData, int minSize = 2,
                     int blockSize = 255, int packed = 0)
{
    return GifBuilder().header(w, h).descriptor(0, 0, w, h, packed)
        .data(minSize, frameData, blockSize)
        .image(0, 0, 1, 1, {3}).trailer().bytes();
}

TEST(GifLzw, CodeSequences)
{
    struct Case {
        const char *name;
        int w, h;
        std::vector<int> codes;
        std::vector<int> pixels;
        QList<MsgId> warnings;
    } cases[] = {
        {"one pixel", 1, 1, {kClear, 2, kEnd}, {2}, {}},
        {"a code equal to the next free entry repeats the last string", 3, 1,
         {kClear, 1, 6, kEnd}, {1, 1, 1}, {}},
        {"several clear codes in a row", 2, 1, {kClear, kClear, kClear, 3, 2, kEnd}, {3, 2}, {}},
        {"a clear in the middle restarts the table", 4, 1,
         {kClear, 1, 2, kClear, 3, 0, kEnd}, {1, 2, 3, 0}, {}},
        {"an end code right after a clear ends the frame", 3, 1, {kClear, kEnd}, {0, 0, 0}, {}},
        {"an undefined code right after a clear ends the frame", 3, 1, {kClear, 6, 1, kEnd},
         {0, 0, 0}, {MsgGifInvalidCode}},
        {"an early end code leaves the rest at the fill value", 4, 1, {kClear, 2, kEnd},
         {2, 0, 0, 0}, {}},
        {"pixels beyond the frame are ignored", 2, 1, {kClear, 1, 2, 3, 3, kEnd}, {1, 2}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded r = load(withProbe(c.w, c.h, codes(c.codes)));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        ASSERT_EQ(r.frames.size(), 2u);
        EXPECT_EQ(r.frames[0], c.pixels);
        EXPECT_EQ(r.frames[1], std::vector<int>{3});
        QStringList expected;
        for (MsgId id : c.warnings)
            expected.append(msg(id));
        EXPECT_EQ(r.warnings, expected);
    }
}

TEST(GifLzw, CodeBeyondTheNextFreeEntryStopsTheFrameWithAWarning)
{
    // Minimum size 3: after 1 and 2 the next free entry is 11; 14 is unknown.
    const Loaded r = load(withProbe(5, 1, codes({8, 1, 2, 14, 3, 9}, 3), 3));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.frames[0], (std::vector<int>{1, 2, 0, 0, 0}));
    EXPECT_EQ(r.frames[1], std::vector<int>{3});
    EXPECT_EQ(r.warnings, QStringList{msg(MsgGifInvalidCode)});
}

TEST(GifLzw, CodeSizeByteOutsideTheTableIsRefused)
{
    for (int size : {0, 12, 13, 255}) {
        SCOPED_TRACE(size);
        const Loaded r = load(withProbe(2, 1, QByteArray("\x00\x00", 2), size));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, msg(MsgGifInvalidData));
    }
    // 11 bits is the largest that leaves room in the table.
    const Loaded r = load(withProbe(2, 1, codes({2048, 7, 9, 2049}, 11), 11));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.frames[0], (std::vector<int>{7, 9}));
}

TEST(GifLzw, CodesSpanAnyNumberOfOneByteSubBlocks)
{
    for (int minSize : {2, 4, 8}) {
        SCOPED_TRACE(minSize);
        const int colors = 1 << minSize;
        const std::vector<int> px = ramp(3000, colors);
        CodeWriter w(minSize);
        w.literals(px); // widths grow to 10+ bits between clears
        const Loaded r = load(withProbe(100, 30, w.bytes(), minSize, 1));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.frames[0], px);
        EXPECT_EQ(r.frames[1], std::vector<int>{3});
    }
}

TEST(GifLzw, DataAfterTheEndCodeIsSkippedToTheTerminatorOnce)
{
    // End code, then more sub-blocks of junk: the next frame is still found.
    QByteArray data = codes({kClear, 1, 2, kEnd}) + QByteArray(300, '\x2C');
    const Loaded r = load(withProbe(2, 1, data));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frames[0], (std::vector<int>{1, 2}));
    EXPECT_EQ(r.frames[1], std::vector<int>{3});
    EXPECT_TRUE(r.warnings.isEmpty());
}

TEST(GifLzw, ExtraCodesBeforeTheEndAreSkippedToTheTerminator)
{
    const Loaded r = load(withProbe(1, 1, codes({kClear, 1, 2, 3, 0, 1, kEnd})));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frames[0], std::vector<int>{1});
    EXPECT_EQ(r.frames[1], std::vector<int>{3});
}

TEST(GifLzw, ShortDataFillsWithTheTransparentIndex)
{
    const QByteArray data = GifBuilder().header(3, 1).gce(0x01, 0, 2).descriptor(0, 0, 3, 1)
                                .data(2, codes({kClear, 1, kEnd})).trailer().bytes();
    const Loaded r = load(data);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frames[0], (std::vector<int>{1, 2, 2}));
}

TEST(GifLzw, SubBlockLongerThanTheStreamWarnsAndDecodesWhatIsThere)
{
    const QByteArray lzw = codes({kClear, 1, 2, 3, kEnd});
    QByteArray data = GifBuilder().header(4, 1).descriptor(0, 0, 4, 1).byte(2).bytes();
    data.append(char(200)).append(lzw);
    const Loaded r = load(data);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.frames[0], (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(r.warnings, QStringList{msg(MsgGifPrematureEnd)});
}

TEST(GifLzw, DataEndingAfterTheTerminatorWarnsOfUnderrun)
{
    // No end code and too few pixels: the 16 bits run out after the terminator.
    const QByteArray data = codes({kClear, 1, 2, 3, 1});
    ASSERT_EQ(data.size(), 2);
    const Loaded r = load(withProbe(6, 1, data));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.frames[0], (std::vector<int>{1, 2, 3, 1, 0, 0}));
    EXPECT_EQ(r.frames[1], std::vector<int>{3});
    EXPECT_EQ(r.warnings, QStringList{msg(MsgGifBitBufferUnderrun)});
}

TEST(GifLzw, InterlacedRowsAreEachFilledOnce)
{
    const int w = 3;
    for (int h : {1, 2, 3, 5, 9, 17}) {
        SCOPED_TRACE(h);
        // Row y holds the value y % 4; rows are sent in interlaced order.
        std::vector<int> sent;
        for (int start : {0, 4, 2, 1})
            for (int y = start; y < h; y += (start == 0 ? 8 : start * 2))
                for (int x = 0; x < w; ++x)
                    sent.push_back(y % 4);
        std::vector<int> expected;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                expected.push_back(y % 4);
        CodeWriter cw(2);
        cw.literals(sent);
        const Loaded r = load(withProbe(w, h, cw.bytes(), 2, 255, TGIFSubImage::kInterlacedFlag));
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.frames[0], expected);
    }
}

TEST(GifLzw, ChainsLongerThanTheTableAreCircular)
{
    std::vector<quint16> prefix(4096), suffix(4096), stack(8192);
    // 6 -> 7 -> 6: a cycle no well-formed stream builds.
    prefix[6] = 7;
    prefix[7] = 6;
    EXPECT_THROW(gif::detail::ExpandCode(prefix.data(), suffix.data(), 6, 4, stack.data(), 0),
                 GIFException);
    prefix[8] = 8;
    EXPECT_THROW(gif::detail::ExpandCode(prefix.data(), suffix.data(), 8, 4, stack.data(), 0),
                 GIFException);
    // The longest legal chain: every entry points to the one below it.
    for (int k = 6; k < 4096; ++k) {
        prefix[k] = quint16(k - 1);
        suffix[k] = 1;
    }
    prefix[6] = 2;
    const int top = gif::detail::ExpandCode(prefix.data(), suffix.data(), 4095, 4, stack.data(), 0);
    EXPECT_EQ(top, 4095 - 6 + 2);
}

} // namespace
