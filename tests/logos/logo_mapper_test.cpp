#include "logos/logo_image.h"
#include "logos/logo_mapper.h"
#include "logos/logo_size.h"
#include "platform/transfer_limits.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "memory_use.h"

#include <gtest/gtest.h>

namespace {

const QString kFixtureLogos = QStringLiteral(PELLORAN_FIXTURES_DIR "/logos/LogoTypes");
// 941 bytes that declare a logical screen of 8000 x 8000 around one pixel.
const QString kHugeCanvasLogo =
    QStringLiteral(PELLORAN_FIXTURES_DIR "/logos/huge-canvas/Channel0.tv.gif");

// Keeps what a run hands out; asks to stop after a number of services.
class RecordingSink : public TLogoSink
{
public:
    int stopAfter = -1;
    QList<QImage> defaults;
    QList<std::pair<int, QImage>> images;
    std::vector<std::pair<int, int>> assigned;

    void imagesRecreated(const QList<QImage> &d) override { defaults = d; }
    void logoLoaded(int index, const QImage &image) override { images.append({index, image}); }
    void logoAssigned(int entry, int index) override { assigned.emplace_back(entry, index); }
    // Stops once that many services have their picture.
    bool stopRequested() override { return stopAfter >= 0 && int(assigned.size()) >= stopAfter; }

    std::vector<int> indexes() const
    {
        std::vector<int> out;
        for (const auto &[entry, index] : assigned)
            out.push_back(index);
        return out;
    }
};

struct MapperWorld {
    QTemporaryDir folder;
    TLogoJob job;

    MapperWorld()
    {
        job.rebuild = true;
        job.logoFolder = folder.filePath("LogoTypes");
        job.mappingFile = folder.filePath("LogoMapping.dat");
        QDir().mkpath(job.logoFolder);
        for (const QString &name : QDir(kFixtureLogos).entryList(QDir::Files))
            QFile::copy(kFixtureLogos + "/" + name, job.logoFolder + "/" + name);
        for (QRgb colour : {0xff808080u, 0xff0000ffu, 0xff00ff00u, 0xffff0000u}) {
            QImage picture(52, 39, QImage::Format_RGB888);
            picture.fill(colour);
            job.defaultPictures.append(picture);
        }
    }
    void add(const QString &name, TLogoKind kind, int defaultIndex, bool my = false)
    {
        job.entries.push_back({name, kind, defaultIndex, my});
    }
    QByteArray mapping() const
    {
        QFile file(job.mappingFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    void writeMapping(const QByteArray &text) const
    {
        QFile file(job.mappingFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

TEST(LogoSize, WidthKeepsTheFourToThreeShape)
{
    const std::pair<int, int> cases[] = {{16, 21}, {39, 52}, {30, 40}, {31, 41}, {20, 27},
                                         {5, 21},  {99, 52}};
    for (const auto &[height, width] : cases)
        EXPECT_EQ(logoWidthForHeight(height), width) << height;
}

TEST(LogoMapper, BuildWritesTheMappingInWalkOrder)
{
    MapperWorld world;
    world.add("ZDF", TLogoKind::Tv, 1);
    world.add("Radio Alpenglühen", TLogoKind::Radio, 2);
    world.add("EPG-Daten", TLogoKind::Other, 3);
    world.add("Das Erste", TLogoKind::Tv, 1);
    world.add("Unbekannt", TLogoKind::Tv, 1);
    world.add("ZDF", TLogoKind::Tv, 1, true);
    world.add("Gone", TLogoKind::Other, 0, true);
    RecordingSink sink;
    EXPECT_EQ(runLogoMapping(world.job, sink), TLogoRunResult::Finished);

    EXPECT_EQ(world.mapping(), "ZDF|4|ZDF.tv.gif\r\n"
                               "Radio Alpenglühen|5|RadioAlpengluehen.radio.gif\r\n"
                               "Das Erste|6|DasErste.tv.gif\r\n"
                               "ZDF|4|ZDF.tv.gif\r\n");
    EXPECT_EQ(sink.indexes(), (std::vector<int>{4, 5, 3, 6, 1, 4, 0}));
    // One picture per file, however many services share it.
    ASSERT_EQ(sink.images.size(), 3);
    EXPECT_EQ(sink.images[0].first, 4);
    EXPECT_EQ(sink.defaults.size(), 4);
}

TEST(LogoMapper, PicturesTakeTheLogoSize)
{
    for (const auto &[height, width] : {std::pair{39, 52}, std::pair{16, 21}, std::pair{30, 40}}) {
        MapperWorld world;
        world.job.logoHeight = height;
        world.job.logoWidth = width;
        world.add("ZDF", TLogoKind::Tv, 1);
        RecordingSink sink;
        runLogoMapping(world.job, sink);
        ASSERT_EQ(sink.images.size(), 1);
        EXPECT_EQ(sink.images[0].second.size(), QSize(width, height));
        ASSERT_EQ(sink.defaults.size(), 4);
        EXPECT_EQ(sink.defaults[2].size(), QSize(width, height));
        // The default radio picture keeps its colour through the scaling.
        EXPECT_EQ(sink.defaults[2].pixelColor(width / 2, height / 2), QColor(0, 255, 0));
    }
}

TEST(LogoMapper, StoppingABuildWritesNoFile)
{
    for (const bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "an earlier file stays" : "no file appears");
        MapperWorld world;
        if (earlier)
            world.writeMapping("Old|4|Old.tv.gif\r\n");
        for (int i = 0; i < 10; ++i)
            world.add("ZDF", TLogoKind::Tv, 1);
        RecordingSink sink;
        sink.stopAfter = 3;
        EXPECT_EQ(runLogoMapping(world.job, sink), TLogoRunResult::Stopped);
        EXPECT_EQ(world.mapping(), earlier ? QByteArray("Old|4|Old.tv.gif\r\n") : "<none>");
        EXPECT_EQ(sink.assigned.size(), 3u);
    }
}

TEST(LogoMapper, ABrokenLogoFileGivesTheDefaultPicture)
{
    MapperWorld world;
    QFile truncated(world.job.logoFolder + "/Halb.tv.gif");
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    QFile whole(kFixtureLogos + "/ZDF.tv.gif");
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    truncated.write(whole.readAll().left(200));
    truncated.close();
    world.add("Wetter Live", TLogoKind::Tv, 1);
    world.add("Halb", TLogoKind::Tv, 1);
    world.add("Wetter Live", TLogoKind::Tv, 1, true);
    RecordingSink sink;
    EXPECT_EQ(runLogoMapping(world.job, sink), TLogoRunResult::Finished);
    EXPECT_EQ(sink.indexes()[0], 1);
    EXPECT_EQ(sink.indexes()[2], 1);
    EXPECT_EQ(world.mapping().count("Wetter Live"), 0);
}

// A GIF on a canvas of width x height with `frames` frames of that size,
// one pixel of data each: fifteen bytes a frame.
QByteArray manyFramesGif(int frames, int width, int height)
{
    QByteArray gif("GIF89a", 6);
    const auto word = [&gif](int value) { gif.append(char(value & 0xFF)).append(char(value >> 8)); };
    word(width);
    word(height);
    gif.append("\x80\x00\x00" "\x00\x00\x00\xff\xff\xff", 9); // two colours
    for (int i = 0; i < frames; ++i) {
        gif.append(char(0x2C));
        word(0);
        word(0);
        word(width);
        word(height);
        gif.append("\x00" "\x02\x02\x44\x01\x00", 6); // clear, one pixel, end
    }
    gif.append(char(0x3B));
    return gif;
}

// A logo download's worth of one unit between the heading and the tail of an
// extension, standing before the second of two 52 x 39 frames.
QByteArray filledLogo(const QByteArray &head, const QByteArray &unit, const QByteArray &tail)
{
    const QByteArray frames = manyFramesGif(2, 52, 39);
    const qsizetype secondFrame = frames.size() - 16; // fifteen bytes and the trailer
    const qsizetype room = kLogoSizeLimit - frames.size() - head.size() - tail.size();
    return frames.left(secondFrame) + head + unit.repeated(room / unit.size()) + tail
        + frames.mid(secondFrame);
}

// Logos that declare far more than they hold, or hold millions of tiny
// blocks, are refused before anything of that size is allocated: their
// services get the default picture, as for a broken file, at next to no cost
// in memory, even eight at once on every core (decoding the canvas whole
// once took 340 MB a logo, the frames 290 MB, comment lines 120 MB). A real
// logo beside them still loads.
TEST(LogoMapper, AHugeCanvasIsNoLogoAndCostsLittle)
{
    QFile canvasFile(kHugeCanvasLogo);
    ASSERT_TRUE(canvasFile.open(QIODevice::ReadOnly));
    const QByteArray hugeCanvas = canvasFile.readAll();
    QByteArray padded = manyFramesGif(1, 52, 39);
    padded.append(QByteArray(kLogoSizeLimit, '\0'));
    const struct {
        const char *name;
        QByteArray file;
    } rows[] = {
        {"a canvas of 8000 x 8000 around one pixel", hugeCanvas},
        {"a thousand frames of 2048 x 2048", manyFramesGif(1000, 2048, 2048)},
        {"frames of one pixel, as many as a logo download holds",
         manyFramesGif(int(kLogoSizeLimit / 15), 1, 1)},
        {"more frames than a logo may have", manyFramesGif(kMaxLogoFrames + 1, 1, 1)},
        {"a logo larger than a logo download", padded},
        {"graphic controls filling a logo download",
         filledLogo({}, QByteArray("\x21\xF9\x04\x00\x00\x00\x00\x00", 8), {})},
        {"a comment of one-letter lines filling a logo download",
         filledLogo("\x21\xFE", "\x01x", QByteArray(1, '\0'))},
        {"an application's one-letter blocks filling a logo download",
         filledLogo("\x21\xFF\x0BPELLORAN1.0", "\x01x", QByteArray(1, '\0'))},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        MapperWorld world;
        for (int i = 0; i < 8; ++i) {
            QFile file(world.job.logoFolder + QStringLiteral("/Channel%1.tv.gif").arg(i));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(row.file);
            world.add(QStringLiteral("Channel %1").arg(i), TLogoKind::Tv, 1);
        }
        world.add("ZDF", TLogoKind::Tv, 1);
        world.job.cores = 8;
        const long before = peakMemoryKb();
        EXPECT_TRUE(loadLogoImage(world.job.logoFolder + "/Channel0.tv.gif", 52, 39).isNull());
        EXPECT_LT(peakMemoryKb() - before, 16 * 1024);
        RecordingSink sink;
        EXPECT_EQ(runLogoMapping(world.job, sink), TLogoRunResult::Finished);
        EXPECT_LT(peakMemoryKb() - before, 64 * 1024);
        EXPECT_EQ(sink.indexes(), (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1, 4}));
        EXPECT_EQ(world.mapping(), "ZDF|4|ZDF.tv.gif\r\n");
    }
    // Within the limits a picture of many frames is a logo.
    MapperWorld world;
    QFile file(world.job.logoFolder + QStringLiteral("/Channel0.tv.gif"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(manyFramesGif(kMaxLogoFrames, 52, 39));
    file.close();
    EXPECT_FALSE(loadLogoImage(file.fileName(), 52, 39).isNull());
}

// A logo that does not load takes no picture index: the ones after it move
// up, in the pictures handed out and in the mapping file alike.
TEST(LogoMapper, LogosAfterOneThatDoesNotLoadMoveUp)
{
    // On one core the build does everything in turn, the mapping file's
    // lines after the pictures; the outcome is the same.
    for (const int cores : {0, 1}) {
        SCOPED_TRACE(cores);
        MapperWorld world;
        world.job.cores = cores;
        QFile broken(world.job.logoFolder + "/Kaputt.tv.gif");
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture at all");
        broken.close();
        world.add("Kaputt", TLogoKind::Tv, 1);
        world.add("ZDF", TLogoKind::Tv, 1);
        world.add("Kaputt", TLogoKind::Tv, 1, true);
        world.add("Das Erste", TLogoKind::Tv, 1, true);
        RecordingSink sink;
        EXPECT_EQ(runLogoMapping(world.job, sink), TLogoRunResult::Finished);
        EXPECT_EQ(sink.indexes(), (std::vector<int>{1, 4, 1, 5}));
        EXPECT_EQ(world.mapping(), "ZDF|4|ZDF.tv.gif\r\nDas Erste|5|DasErste.tv.gif\r\n");
    }
}

TEST(LogoMapper, ApplyLoadsWhatTheMappingFileNames)
{
    const QByteArray current = "zdf|9|ZDF.tv.gif\r\n"
                               "Radio Alpengl\xC3\xBChen|7|RadioAlpengluehen.radio.gif\r\n"
                               "Fremd|4|../outside.tv.gif\r\n"
                               "Fehlt|4|Fehlt.tv.gif\n";
    // Older versions wrote Windows-1252, where "\x80" is "€".
    const QByteArray older = "zdf|9|ZDF.tv.gif\r\n"
                             "Radio Alpengl\xFChen|7|RadioAlpengluehen.radio.gif\r\n"
                             "\x80uro Kanal|8|DasErste.tv.gif\r\n";
    struct Case {
        const char *label;
        bool enabled, disabled;
        QByteArray mapping;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"enabled", true, false, current, {4, 5, 1, 1, 4, 1}},
        // Disabled mapping never builds; my-services entries keep their logos.
        {"disabled", false, true, current, {1, 2, 1, 1, 4, 1}},
        {"an older single-byte file", true, false, older, {4, 5, 1, 1, 4, 6}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        MapperWorld world;
        world.job.rebuild = c.disabled; // a disabled mapping applies even when asked to build
        world.job.mappingEnabled = c.enabled;
        world.job.mappingDisabled = c.disabled;
        world.writeMapping(c.mapping);
        world.add("ZDF", TLogoKind::Tv, 1);
        world.add("Radio Alpenglühen", TLogoKind::Radio, 2);
        world.add("Fremd", TLogoKind::Tv, 1);
        world.add("Fehlt", TLogoKind::Tv, 1);
        world.add("ZDF", TLogoKind::Tv, 1, true);
        world.add("€uro Kanal", TLogoKind::Tv, 1);
        RecordingSink sink;
        EXPECT_EQ(runLogoMapping(world.job, sink), TLogoRunResult::Finished);
        EXPECT_EQ(sink.indexes(), c.expected);
        EXPECT_EQ(world.mapping(), c.mapping);
    }
}

TEST(LogoImage, PicturesAreCutOrPaddedToTheLogoBoxFromTheTopLeft)
{
    QImage wide(80, 20, QImage::Format_RGB888);
    wide.fill(Qt::red);
    const QImage fitted = fitLogoImage(wide, 52, 39);
    EXPECT_EQ(fitted.size(), QSize(52, 39));
    EXPECT_EQ(fitted.pixelColor(51, 0), QColor(Qt::red));
    EXPECT_EQ(fitted.pixelColor(0, 30), QColor(Qt::white));
    EXPECT_TRUE(loadLogoImage(kFixtureLogos + "/missing.tv.gif", 52, 39).isNull());
    EXPECT_EQ(loadLogoImage(kFixtureLogos + "/ZDF.tv.gif", 21, 16).size(), QSize(21, 16));
}

// A paletted logo of the box's size comes out as the general conversion
// gives it, whatever its colour table holds.
TEST(LogoImage, PalettedLogosKeepTheirColours)
{
    struct Case {
        const char *what;
        int colours;
        int translucent; // the index of a colour that is not opaque, or -1
    };
    const Case cases[] = {{"a full opaque table", 256, -1},
                          {"a colour half see-through", 256, 7},
                          {"a short table", 16, -1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QImage picture(52, 39, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < c.colours; ++i)
            table.append(qRgba(i * 37 & 255, i * 91 & 255, 255 - i, i == c.translucent ? 128 : 255));
        picture.setColorTable(table);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, uint((x * 7 + y * 3) % c.colours));
        EXPECT_EQ(fitLogoImage(picture, 52, 39), picture.convertToFormat(QImage::Format_RGB888));
    }
}

// The folder walk keeps exactly the files a "*.*.gif" directory listing
// sorted by name (case aside) gives: odd cases, dots, folders and near
// misses included.
TEST(LogoFiles, CollectsWhatAFilteredSortedListingGives)
{
    QTemporaryDir folder;
    const QStringList files = {"ZDF.tv.gif",     "ard.TV.GIF",     "Arte.radio.gif", "b.gif",
                               ".hidden.tv.gif", "..gif",          "x.tv.gif.bak",   "Ö3.radio.gif",
                               "sat.1.tv.gif",   "Sat.1.tv.gif",   "plain.gif",      "n-tv.Tv.Gif",
                               "Kabel eins.tv.gif", ".gif",        "a.b.gifx",       "Ämter.tv.gif"};
    for (const QString &name : files) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    QDir().mkpath(folder.filePath("folder.tv.gif"));
    const QStringList expected = QDir(folder.path())
                                     .entryList({QStringLiteral("*.*.gif")},
                                                QDir::Files | QDir::Hidden | QDir::System,
                                                QDir::Name | QDir::IgnoreCase);
    EXPECT_EQ(collectLogoFiles(folder.path()), expected);
    EXPECT_EQ(expected.size(), 11);
    EXPECT_TRUE(collectLogoFiles(folder.filePath("missing")).isEmpty());
}

} // namespace
