#include "platform/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>

#include <jpeglib.h>

// Test files are made here, by Qt's JPEG writer and by libjpeg's compressor;
// Qt's own reader is the oracle the decoded pixels are held against.

namespace {

// Gradients across both axes plus hard-edged blocks, at a size that is no
// multiple of the 16-pixel MCU, so row padding and edge blocks both matter.
QImage colourPattern(int width = 97, int height = 61)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar *row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const bool block = (x / 24 + y / 20) % 2 == 0;
            row[3 * x] = uchar(block ? 230 : x * 255 / width);
            row[3 * x + 1] = uchar(y * 255 / height);
            row[3 * x + 2] = uchar(block ? 40 : 255 - x * 255 / width);
        }
    }
    return image;
}

QByteArray qtJpeg(const QImage &image, bool progressive = false)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        ADD_FAILURE() << "Qt's JPEG writer: " << writer.errorString().toStdString();
    return data;
}

// One 8 x 8 block per colour, no subsampling, quality 100: each block
// comes back within a step or two of the values written.
struct CmykBlock {
    uchar c, m, y, k;
};
constexpr CmykBlock kCmykBlocks[] = {
    {0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0},
    {0, 0, 0, 255}, {40, 90, 160, 30}, {200, 10, 60, 120}, {128, 128, 128, 128},
};
constexpr int kCmykBlockCount = int(std::size(kCmykBlocks));

QByteArray cmykJpeg(bool adobeMarker)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(8 * kCmykBlockCount);
    cinfo.image_height = 8;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, JCS_CMYK);
    jpeg_set_quality(&cinfo, 100, TRUE);
    cinfo.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    QByteArray row(8 * kCmykBlockCount * 4, '\0');
    for (int i = 0; i < 8 * kCmykBlockCount; ++i) {
        const CmykBlock &b = kCmykBlocks[i / 8];
        row[4 * i] = char(b.c);
        row[4 * i + 1] = char(b.m);
        row[4 * i + 2] = char(b.y);
        row[4 * i + 3] = char(b.k);
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {reinterpret_cast<JSAMPLE *>(row.data())};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray data(reinterpret_cast<const char *>(out), qsizetype(outSize));
    std::free(out);
    return data;
}

// Offset of the frame header (SOF0..SOF2), or -1.
qsizetype frameHeader(const QByteArray &data)
{
    for (qsizetype i = 2; i + 9 < data.size(); ++i) {
        const uchar a = uchar(data[i]), b = uchar(data[i + 1]);
        if (a == 0xFF && (b == 0xC0 || b == 0xC1 || b == 0xC2))
            return i;
    }
    return -1;
}

QByteArray withDimensions(QByteArray data, int width, int height)
{
    const qsizetype sof = frameHeader(data);
    if (sof < 0)
        return {};
    data[sof + 5] = char(height >> 8);
    data[sof + 6] = char(height & 0xFF);
    data[sof + 7] = char(width >> 8);
    data[sof + 8] = char(width & 0xFF);
    return data;
}

int componentsOf(const QByteArray &data)
{
    const qsizetype sof = frameHeader(data);
    return sof < 0 ? 0 : uchar(data[sof + 9]);
}

QImage oracle(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    return reader.read().convertToFormat(QImage::Format_RGB888);
}

// Largest difference of any channel of any pixel; -1 when the sizes differ.
int maxChannelDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar *ra = a.constScanLine(y);
        const uchar *rb = b.constScanLine(y);
        for (int i = 0; i < a.width() * 3; ++i)
            worst = std::max(worst, std::abs(int(ra[i]) - int(rb[i])));
    }
    return worst;
}

struct GoodCase {
    const char *label;
    std::function<QByteArray()> make;
    int components;
    QSize size;
};

void PrintTo(const GoodCase &c, std::ostream *os)
{
    *os << c.label;
}

class JpegDecodes : public testing::TestWithParam<GoodCase> {};

TEST_P(JpegDecodes, LikeQtsOwnReader)
{
    const QByteArray data = GetParam().make();
    ASSERT_EQ(componentsOf(data), GetParam().components) << "the test file is not what it claims";

    QImage image;
    QString error;
    ASSERT_TRUE(decodeJpeg(data, image, error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    EXPECT_EQ(image.size(), GetParam().size);

    const QImage expected = oracle(data);
    ASSERT_FALSE(expected.isNull());
    EXPECT_LE(maxChannelDifference(image, expected), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegDecodes,
    testing::Values(
        GoodCase{"colour_baseline", [] { return qtJpeg(colourPattern()); }, 3, QSize(97, 61)},
        GoodCase{"colour_progressive", [] { return qtJpeg(colourPattern(), true); }, 3,
                 QSize(97, 61)},
        GoodCase{"one_pixel", [] { return qtJpeg(colourPattern(1, 1)); }, 3, QSize(1, 1)},
        GoodCase{"greyscale",
                 [] { return qtJpeg(colourPattern(50, 33).convertToFormat(QImage::Format_Grayscale8)); },
                 1, QSize(50, 33)},
        GoodCase{"cmyk_with_adobe_marker", [] { return cmykJpeg(true); }, 4,
                 QSize(8 * kCmykBlockCount, 8)}),
    [](const testing::TestParamInfo<GoodCase> &info) { return std::string(info.param.label); });

TEST(JpegDecoder, GreyscaleComesOutGrey)
{
    const QByteArray data = qtJpeg(colourPattern(40, 20).convertToFormat(QImage::Format_Grayscale8));
    QImage image;
    QString error;
    ASSERT_TRUE(decodeJpeg(data, image, error)) << error.toStdString();
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            ASSERT_TRUE(row[3 * x] == row[3 * x + 1] && row[3 * x] == row[3 * x + 2]) << x << "," << y;
    }
}

// Adobe's files store ink inverted (255 = no ink) and say so; a file without
// the marker holds plain ink amounts. Both must give the colours meant.
TEST(JpegDecoder, CmykInksBecomeTheColoursMeant)
{
    for (const bool adobe : {false, true}) {
        QImage image;
        QString error;
        ASSERT_TRUE(decodeJpeg(cmykJpeg(adobe), image, error)) << error.toStdString();
        for (int i = 0; i < kCmykBlockCount; ++i) {
            const CmykBlock &b = kCmykBlocks[i];
            const uchar ink[4] = {b.c, b.m, b.y, b.k};
            const QRgb pixel = image.pixel(8 * i + 4, 4);
            const int got[3] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
            for (int c = 0; c < 3; ++c) {
                const int v = adobe ? ink[c] : 255 - ink[c];
                const int k = adobe ? ink[3] : 255 - ink[3];
                EXPECT_NEAR(got[c], v * k / 255, 3) << "block " << i << " channel " << c
                                                    << (adobe ? " (Adobe)" : " (plain)");
            }
        }
    }
}

struct RefusedCase {
    const char *label;
    std::function<QByteArray()> make;
    qint64 maxPixels;
    const char *errorPart;
};

void PrintTo(const RefusedCase &c, std::ostream *os)
{
    *os << c.label;
}

class JpegRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(JpegRefuses, WithAReasonAndNoPicture)
{
    QImage image(3, 3, QImage::Format_RGB888);
    QString error;
    EXPECT_FALSE(decodeJpeg(GetParam().make(), image, error, GetParam().maxPixels));
    EXPECT_TRUE(image.isNull());
    EXPECT_TRUE(error.contains(QString::fromLatin1(GetParam().errorPart), Qt::CaseInsensitive))
        << error.toStdString();
}

const QByteArray &goodFile()
{
    static const QByteArray data = qtJpeg(colourPattern());
    return data;
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegRefuses,
    testing::Values(
        RefusedCase{"empty", [] { return QByteArray(); }, kJpegMaxPixels, "empty"},
        RefusedCase{"garbage", [] { return QByteArray("GIF89a this is no JPEG at all", 29); },
                    kJpegMaxPixels, "Not a JPEG file"},
        RefusedCase{"start_of_image_only", [] { return QByteArray("\xFF\xD8", 2); }, kJpegMaxPixels,
                    "Premature end"},
        RefusedCase{"no_image_just_markers", [] { return QByteArray("\xFF\xD8\xFF\xD9", 4); },
                    kJpegMaxPixels, "no image"},
        RefusedCase{"cut_in_the_header", [] { return goodFile().left(60); }, kJpegMaxPixels,
                    "Premature end"},
        RefusedCase{"cut_in_the_pixels", [] { return goodFile().left(goodFile().size() / 2); },
                    kJpegMaxPixels, "Premature end"},
        RefusedCase{"end_marker_missing", [] { return goodFile().chopped(2); }, kJpegMaxPixels,
                    "Premature end"},
        RefusedCase{"huge_dimensions_in_the_header",
                    [] { return withDimensions(goodFile(), 65000, 65000); }, kJpegMaxPixels,
                    "too large"},
        RefusedCase{"just_over_the_callers_cap", [] { return goodFile(); }, 97 * 61 - 1,
                    "too large"},
        RefusedCase{"zero_height", [] { return withDimensions(goodFile(), 97, 0); },
                    kJpegMaxPixels, "Empty JPEG image"}),
    [](const testing::TestParamInfo<RefusedCase> &info) { return std::string(info.param.label); });

TEST(JpegDecoder, CapIsInclusive)
{
    QImage image;
    QString error;
    EXPECT_TRUE(decodeJpeg(goodFile(), image, error, 97 * 61)) << error.toStdString();
}

// A refusal leaves the decoder as it was: the next file decodes normally.
TEST(JpegDecoder, RecoversAfterEachRefusal)
{
    for (int round = 0; round < 3; ++round) {
        QImage image;
        QString error;
        EXPECT_FALSE(decodeJpeg(goodFile().left(goodFile().size() / 2), image, error));
        EXPECT_TRUE(decodeJpeg(goodFile(), image, error)) << error.toStdString();
        EXPECT_EQ(image.size(), QSize(97, 61));
    }
}

// Every cut-off length and a spread of flipped bytes: each either decodes to
// the full picture or is refused with a reason; none crashes (the sanitizer
// build checks the rest).
TEST(JpegDecoder, DamagedFilesDecodeWholeOrNotAtAll)
{
    const QByteArray good = goodFile();
    auto check = [](const QByteArray &data, const std::string &what) {
        QImage image;
        QString error;
        if (decodeJpeg(data, image, error)) {
            EXPECT_EQ(image.size(), QSize(97, 61)) << what;
        } else {
            EXPECT_TRUE(image.isNull()) << what;
            EXPECT_FALSE(error.isEmpty()) << what;
        }
    };
    for (qsizetype length = 0; length < good.size(); ++length)
        check(good.left(length), "cut at " + std::to_string(length));
    for (qsizetype at = 0; at < good.size(); at += 7) {
        for (const uchar flip : {uchar(0x01), uchar(0x80), uchar(0xFF)}) {
            QByteArray damaged = good;
            damaged[at] = char(uchar(damaged[at]) ^ flip);
            check(damaged, "byte " + std::to_string(at) + " ^ " + std::to_string(flip));
        }
    }
}

TEST(JpegDecoder, LoadsFilesAndNamesTheOneMissing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("picture.jpg"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(goodFile());
    file.close();

    QImage image;
    QString error;
    EXPECT_TRUE(loadJpegFile(name, image, error)) << error.toStdString();
    EXPECT_EQ(image.size(), QSize(97, 61));

    const QString missing = dir.filePath(QStringLiteral("none.jpg"));
    EXPECT_FALSE(loadJpegFile(missing, image, error));
    EXPECT_TRUE(image.isNull());
    EXPECT_TRUE(error.contains(missing)) << error.toStdString();
}

} // namespace
