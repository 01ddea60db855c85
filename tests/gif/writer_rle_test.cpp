// The run-length encoder writes LZW codes without a string table; every code
// must be one a standard decoder's table holds at that moment. Our reader and
// giflib's gif2rgb (an independent decoder) both have to read the result.
#include "gif_test_support.h"

#include "gif/gif_lzw_encoder.h"
#include "gif/gif_types.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr const char *kGif2Rgb = "/usr/bin/gif2rgb";

struct RleCase {
    const char *name;
    int width;
    int height;
    int colors;
    bool interlaced;
    // Colour index of pixel n (row-major).
    std::function<int(int n)> pixel;
};

// Runs whose lengths come from a small generator: mostly short, some long,
// now and then far longer than one decoder table can describe.
std::vector<quint8> runsOf(int count, int colors, quint32 seed)
{
    std::vector<quint8> out;
    out.reserve(size_t(count));
    quint32 state = seed;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    while (int(out.size()) < count) {
        const quint32 r = next();
        int length = 1 + int(r % 7);
        if (r % 11 == 0)
            length = 1 + int(next() % 700);
        if (r % 97 == 0)
            length = 3000 + int(next() % 9000);
        const quint8 colour = quint8(next() % quint32(colors));
        for (int i = 0; i < length && int(out.size()) < count; ++i)
            out.push_back(colour);
    }
    return out;
}

QList<QRgb> distinctColours(int count)
{
    QList<QRgb> table;
    for (int i = 0; i < count; ++i)
        table.append(qRgb((i * 37) & 0xFF, (i * 91 + 13) & 0xFF, (255 - i) & 0xFF));
    return table;
}

std::unique_ptr<TGifPicture> pictureOf(int width, int height, const QList<QRgb> &table,
                                       std::vector<quint8> data, bool interlaced)
{
    auto picture = std::make_unique<TGifPicture>();
    picture->Compression = kCompressionRLE;
    picture->Header().Width = quint16(width);
    picture->Header().Height = quint16(height);
    auto frame = std::make_unique<TGIFSubImage>(picture.get());
    frame->Width = quint16(width);
    frame->Height = quint16(height);
    frame->SetInterlaced(interlaced);
    frame->ColorMap().AssignColorTable(table);
    frame->SetData(std::move(data));
    picture->Add(std::move(frame));
    return picture;
}

// Pixels as giflib decodes them: RGB triples of the whole screen.
QByteArray decodeWithGiflib(const QByteArray &gif, QString &failure)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.gif"));
    const QString out = dir.filePath(QStringLiteral("out.rgb"));
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly) || f.write(gif) != gif.size()) {
        failure = QStringLiteral("cannot write temp file");
        return {};
    }
    f.close();
    QProcess process;
    process.start(QString::fromLatin1(kGif2Rgb),
                  {QStringLiteral("-1"), QStringLiteral("-o"), out, in});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        failure = QString::fromLocal8Bit(process.readAllStandardError());
        return {};
    }
    return giftest::readFile(out);
}

std::vector<RleCase> rleCases()
{
    return {
        {"one pixel", 1, 1, 2, false, [](int) { return 1; }},
        {"uniform two colours, odd width", 301, 77, 2, false, [](int) { return 0; }},
        {"checkerboard without runs", 13, 7, 2, false, [](int n) { return (n + n / 13) & 1; }},
        {"every pixel a new 256-colour index", 257, 129, 256, false,
         [](int n) { return (n * 131 + n / 7) & 0xFF; }},
        {"runs of p broken by single q", 999, 31, 4, false,
         [](int n) { return n % 51 == 50 ? 3 : 1; }},
        {"growing runs over 8 colours", 211, 97, 8, false, [](int n) {
             int run = 1;
             int colour = 0;
             while (n >= run) {
                 n -= run;
                 ++run;
                 colour = (colour + 1) & 7;
             }
             return colour;
         }},
        {"interlaced runs, 16 colours", 123, 45, 16, true, [](int n) { return (n / 37) & 15; }},
    };
}

std::vector<quint8> pixelsOf(const RleCase &c)
{
    std::vector<quint8> data(size_t(c.width) * c.height);
    for (size_t n = 0; n < data.size(); ++n)
        data[n] = quint8(c.pixel(int(n)));
    return data;
}

void expectBothDecodersRead(const TGifPicture &picture, const QList<QRgb> &table,
                            const std::vector<quint8> &pixels, const char *name)
{
    SCOPED_TRACE(name);
    const QByteArray saved = const_cast<TGifPicture &>(picture).SaveToData();

    TGifPicture reloaded;
    giftest::WarningLog log;
    log.attach(reloaded);
    QString error;
    ASSERT_TRUE(reloaded.LoadFromData(saved, error)) << error.toStdString();
    ASSERT_EQ(reloaded.Images().Count(), 1);
    EXPECT_TRUE(giftest::frameData(*reloaded.Images()[0])
                == std::vector<int>(pixels.begin(), pixels.end()));
    EXPECT_TRUE(log.messages.isEmpty()) << log.messages.join(QLatin1Char('\n')).toStdString();

    if (!QFile::exists(QString::fromLatin1(kGif2Rgb)))
        return;
    QString failure;
    const QByteArray rgb = decodeWithGiflib(saved, failure);
    ASSERT_EQ(rgb.size(), qsizetype(pixels.size()) * 3) << failure.toStdString();
    size_t mismatches = 0;
    for (size_t n = 0; n < pixels.size(); ++n) {
        const QRgb c = table[pixels[n]];
        const auto *p = reinterpret_cast<const uchar *>(rgb.constData()) + 3 * n;
        if (p[0] != qRed(c) || p[1] != qGreen(c) || p[2] != qBlue(c))
            ++mismatches;
    }
    EXPECT_EQ(mismatches, 0u);
}

} // namespace

TEST(GifRleWriter, BothDecodersReadEveryShape)
{
    for (const RleCase &c : rleCases()) {
        const QList<QRgb> table = distinctColours(c.colors);
        const std::vector<quint8> pixels = pixelsOf(c);
        const auto picture = pictureOf(c.width, c.height, table, pixels, c.interlaced);
        expectBothDecodersRead(*picture, table, pixels, c.name);
    }
}

TEST(GifRleWriter, BothDecodersReadRandomRunsAtEveryWidth)
{
    // Bits 1 to 8: the narrow code sizes clear on their own schedule.
    const struct {
        int colors;
        int width;
        int height;
    } shapes[] = {{2, 97, 203}, {3, 401, 53}, {8, 17, 611}, {16, 333, 111},
                  {32, 1001, 13}, {100, 77, 301}, {256, 509, 257}};
    for (const auto &s : shapes) {
        const QList<QRgb> table = distinctColours(s.colors);
        const std::vector<quint8> pixels =
            runsOf(s.width * s.height, s.colors, quint32(s.colors * 7919 + s.width));
        const auto picture = pictureOf(s.width, s.height, table, pixels, false);
        const std::string name = std::to_string(s.colors) + " colours, width "
            + std::to_string(s.width);
        expectBothDecodersRead(*picture, table, pixels, name.c_str());
    }
}

TEST(GifRleWriter, RunLongerThanOneTableSpansSeveralTables)
{
    // 4100 x 2100 of one colour: more pixels than one table's runs 1 + 2 + ...
    // can describe, so the encoder must clear and start over mid-run.
    constexpr int kWidth = 4100;
    constexpr int kHeight = 2100;
    const QList<QRgb> table = distinctColours(4);
    std::vector<quint8> pixels(size_t(kWidth) * kHeight, 2);
    pixels.back() = 3;
    const auto picture = pictureOf(kWidth, kHeight, table, pixels, false);
    expectBothDecodersRead(*picture, table, pixels, "huge uniform run");
    // The point of run-length coding: about one code per table row of the
    // triangle (two tables here), not one per pixel.
    EXPECT_LT(picture->SaveToData().size(), 8000);
}

TEST(GifRleWriter, CompressionSettingChoosesTheEncoder)
{
    const QList<QRgb> table = distinctColours(4);
    std::vector<quint8> pixels(size_t(200) * 200, 1);
    const auto picture = pictureOf(200, 200, table, pixels, false);
    const QByteArray rle = picture->SaveToData();
    picture->Compression = 0;
    const QByteArray lzw = picture->SaveToData();
    EXPECT_NE(rle, lzw);
    picture->Compression = 2;
    EXPECT_EQ(picture->SaveToData(), lzw);
}

TEST(GifRleWriter, IndexOutsideTheTableIsRefused)
{
    const QList<QRgb> table = distinctColours(4);
    std::vector<quint8> pixels(size_t(10) * 10, 1);
    pixels[57] = 4;
    const auto picture = pictureOf(10, 10, table, pixels, false);
    TGifOutStream stream;
    try {
        picture->SaveToStream(stream);
        FAIL() << "no exception";
    } catch (const GIFException &e) {
        EXPECT_EQ(e.message(), msg(MsgGifColorNotInTable));
    }
}
