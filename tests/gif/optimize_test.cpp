// The image optimiser against ImageMagick's coalescing of the same frames,
// and the writer's LZW output against ImageMagick's.
#include "gif_test_support.h"

#include "gif/color_reduction.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <random>

using namespace giftest;

namespace {

// --- building animations ------------------------------------------------------

constexpr int kGlobalColours = 16;

QList<QRgb> paletteOf(int count)
{
    QList<QRgb> colours;
    for (int i = 0; i < count; ++i)
        colours.append(qRgb((i * 53 + 7) % 256, (i * 101 + 31) % 256, (i * 197 + 90) % 256));
    return colours;
}

struct FrameDef {
    QRect rect;
    std::vector<quint8> pixels; // global-table indices, row by row
    int disposal = 0;
    int delay = 10;
    int transparent = -1; // -1: opaque
    bool control = true;  // has a graphic control extension
    bool localTable = false;
};

// A local table holds the global colours in reverse, so equal colours have
// different indices in different frames.
int localIndex(int globalIndex) { return kGlobalColours - 1 - globalIndex; }

QByteArray buildAnimation(QSize screen, const std::vector<FrameDef> &frames, int loops = -1)
{
    TGifPicture picture;
    picture.Header().Width = quint16(screen.width());
    picture.Header().Height = quint16(screen.height());
    const QList<QRgb> global = paletteOf(kGlobalColours);
    picture.Header().ColorMap().AssignColorTable(global);
    QList<QRgb> reversed(global.rbegin(), global.rend());
    for (const FrameDef &def : frames) {
        auto frame = std::make_unique<TGIFSubImage>(&picture);
        frame->Left = quint16(def.rect.left());
        frame->Top = quint16(def.rect.top());
        frame->Width = quint16(def.rect.width());
        frame->Height = quint16(def.rect.height());
        std::vector<quint8> data = def.pixels;
        int transparent = def.transparent;
        if (def.localTable) {
            frame->ColorMap().AssignColorTable(reversed);
            for (quint8 &p : data)
                p = quint8(localIndex(p));
            if (transparent >= 0)
                transparent = localIndex(transparent);
        }
        frame->SetData(std::move(data));
        TGIFSubImage *raw = frame.get();
        picture.Add(std::move(frame));
        if (loops >= 0 && picture.Images().Count() == 1) {
            auto loop = std::make_unique<TGIFAppExtNSLoop>(raw);
            loop->Loops = quint16(loops);
            raw->AddExtension(std::move(loop));
        }
        if (def.control) {
            auto *gce = static_cast<TGIFGraphicControlExtension *>(
                raw->AddExtension(std::make_unique<TGIFGraphicControlExtension>(raw)));
            gce->SetDisposal(def.disposal);
            gce->SetDelay(quint16(def.delay));
            if (transparent >= 0) {
                gce->SetTransparent(true);
                gce->SetTransparentColorIndex(transparent);
            }
        }
    }
    picture.Header().Width = quint16(screen.width());
    picture.Header().Height = quint16(screen.height());
    return picture.SaveToData();
}

// Frames that mostly repeat what the screen shows, at random places, with
// transparency, local tables, zero delays and fully transparent frames.
std::vector<FrameDef> randomFrames(QSize screen, int frameCount, int disposal, unsigned seed)
{
    std::mt19937 random(seed);
    auto below = [&random](int n) { return int(random() % unsigned(n)); };
    std::vector<quint8> scene(size_t(screen.width() * screen.height()), 0);
    for (quint8 &p : scene)
        p = quint8(below(6));
    std::vector<FrameDef> frames;
    for (int i = 0; i < frameCount; ++i) {
        FrameDef def;
        if (i == 0) {
            def.rect = QRect(QPoint(0, 0), screen);
        } else {
            const int w = 1 + below(screen.width());
            const int h = 1 + below(screen.height());
            def.rect = QRect(below(screen.width() - w + 1), below(screen.height() - h + 1), w, h);
        }
        def.disposal = disposal >= 0 ? disposal : below(4);
        def.delay = std::array{0, 5, 10, 40}[size_t(below(4))];
        def.transparent = below(2) ? 7 + below(2) : -1;
        def.localTable = below(4) == 0;
        def.control = def.transparent >= 0 || below(5) != 0;
        const bool blank = i > 0 && below(6) == 0 && def.transparent >= 0;
        for (int y = def.rect.top(); y <= def.rect.bottom(); ++y)
            for (int x = def.rect.left(); x <= def.rect.right(); ++x) {
                quint8 &shown = scene[size_t(y * screen.width() + x)];
                int p = below(10) < 7 ? shown : below(9);
                if (blank || (def.transparent >= 0 && below(8) == 0))
                    p = def.transparent;
                def.pixels.push_back(quint8(p));
                if (p != def.transparent)
                    shown = quint8(p);
            }
        frames.push_back(std::move(def));
    }
    return frames;
}

// --- ImageMagick ---------------------------------------------------------------

QString magick()
{
    static const QString path = QStandardPaths::findExecutable(QStringLiteral("convert"));
    return path;
}

struct Coalesced {
    QSize size;
    std::vector<QByteArray> frames; // RGBA; transparent pixels all zero
    std::vector<int> delays;
};

std::optional<Coalesced> coalesce(const QByteArray &gif, QString &failure)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.gif"));
    const QString meta = dir.filePath(QStringLiteral("meta.txt"));
    const QString raw = dir.filePath(QStringLiteral("frames.rgba"));
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly) || f.write(gif) != gif.size()) {
        failure = QStringLiteral("cannot write temp file");
        return std::nullopt;
    }
    f.close();
    QProcess process;
    process.start(magick(), {in, QStringLiteral("-coalesce"), QStringLiteral("-format"),
                             QStringLiteral("%T %w %h\\n"), QStringLiteral("-write"),
                             QStringLiteral("info:") + meta, QStringLiteral("-depth"),
                             QStringLiteral("8"), QStringLiteral("RGBA:") + raw});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        failure = QString::fromLocal8Bit(process.readAllStandardError());
        return std::nullopt;
    }
    Coalesced out;
    const QByteArray pixels = readFile(raw);
    qsizetype at = 0;
    for (const QByteArray &line : readFile(meta).split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() != 3)
            continue;
        out.size = QSize(fields[1].toInt(), fields[2].toInt());
        const qsizetype bytes = qsizetype(out.size.width()) * out.size.height() * 4;
        QByteArray frame = pixels.mid(at, bytes);
        at += bytes;
        for (qsizetype i = 0; i + 3 < frame.size(); i += 4)
            if (frame[i + 3] == 0)
                frame[i] = frame[i + 1] = frame[i + 2] = 0;
        out.frames.push_back(frame);
        out.delays.push_back(fields[0].toInt());
    }
    if (at != pixels.size() || out.frames.empty()) {
        failure = QStringLiteral("unexpected output of convert");
        return std::nullopt;
    }
    return out;
}

// What a viewer sees over time: each picture with how long it stays,
// pictures of no duration left out and a picture that stays on through
// several frames counted once.
std::vector<std::pair<QByteArray, int>> timeline(const Coalesced &c)
{
    std::vector<std::pair<QByteArray, int>> out;
    for (size_t i = 0; i < c.frames.size(); ++i) {
        if (c.delays[i] == 0)
            continue;
        if (!out.empty() && out.back().first == c.frames[i])
            out.back().second += c.delays[i];
        else
            out.emplace_back(c.frames[i], c.delays[i]);
    }
    return out;
}

int differingFrames(const Coalesced &a, const Coalesced &b)
{
    int differing = 0;
    for (size_t i = 0; i < a.frames.size() && i < b.frames.size(); ++i)
        differing += (a.frames[i] != b.frames[i] || a.delays[i] != b.delays[i]) ? 1 : 0;
    return differing;
}

QByteArray optimized(const QByteArray &gif, TGIFOptimizeOptions options)
{
    TGifPicture picture;
    QString error;
    if (!picture.LoadFromData(gif, error))
        return {};
    picture.Optimize(options, rmNone, dmNearest, 8);
    return picture.SaveToData();
}

struct Animation {
    const char *name;
    QByteArray gif;
};

std::vector<Animation> animations()
{
    const QSize screen(19, 13);
    std::vector<Animation> out = {
        {"disposal 0", buildAnimation(screen, randomFrames(screen, 8, 0, 11), 0)},
        {"disposal 1", buildAnimation(screen, randomFrames(screen, 8, 1, 12), 0)},
        {"disposal 2", buildAnimation(screen, randomFrames(screen, 8, 2, 13))},
        {"disposal 3", buildAnimation(screen, randomFrames(screen, 8, 3, 14), 3)},
        {"mixed disposals", buildAnimation(screen, randomFrames(screen, 12, -1, 15), 0)},
    };
    // A transparent first frame that only carries the loop, then frames
    // that restore to the previous picture around invisible ones.
    const std::vector<quint8> clear(size_t(screen.width() * screen.height()), 7);
    std::vector<FrameDef> frames = randomFrames(screen, 6, 3, 16);
    frames.insert(frames.begin(), FrameDef{QRect(QPoint(0, 0), screen), clear, 0, 0, 7});
    frames.insert(frames.begin() + 3, FrameDef{QRect(2, 2, 4, 3), std::vector<quint8>(12, 8),
                                               1, 40, 8});
    out.push_back({"transparent frames", buildAnimation(screen, frames, 0)});
    for (const QString &name : QDir(corpusPath(QString()))
                                   .entryList({QStringLiteral("a_*.gif")}, QDir::Files)) {
        static std::vector<QByteArray> names;
        names.push_back(name.toLatin1());
        out.push_back({names.back().constData(), readFile(corpusPath(name))});
    }
    return out;
}

TEST(GifOptimize, EveryOptionKeepsEachCoalescedFrame)
{
    if (magick().isEmpty())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    for (const Animation &animation : animations()) {
        SCOPED_TRACE(animation.name);
        QString failure;
        const auto original = coalesce(animation.gif, failure);
        ASSERT_TRUE(original) << failure.toStdString();
        for (int options = 1; options <= 0x1F; ++options) {
            SCOPED_TRACE(testing::Message() << "options 0x" << std::hex << options);
            const QByteArray result = optimized(animation.gif, TGIFOptimizeOptions(options));
            ASSERT_FALSE(result.isEmpty());
            const auto after = coalesce(result, failure);
            ASSERT_TRUE(after) << failure.toStdString();
            EXPECT_EQ(after->size, original->size);
            if (after->frames.size() == original->frames.size()) {
                EXPECT_EQ(differingFrames(*original, *after), 0);
            }
            EXPECT_TRUE(timeline(*after) == timeline(*original));
        }
    }
}

// Frames that change a little each time shrink to little more than the change.
TEST(GifOptimize, MergingLeavesOnlyWhatChanges)
{
    const QSize screen(64, 48);
    std::vector<FrameDef> frames;
    std::vector<quint8> scene(size_t(screen.width() * screen.height()));
    for (size_t i = 0; i < scene.size(); ++i)
        scene[i] = quint8((i * 7 + i / 64) % 6);
    for (int i = 0; i < 10; ++i) {
        scene[size_t(20 * 64 + 10 + i * 3)] = 9; // a dot moves along
        frames.push_back({QRect(QPoint(0, 0), screen), scene, 1, 10});
    }
    const QByteArray gif = buildAnimation(screen, frames, 0);
    const QByteArray merged = optimized(gif, ooMerge | ooCrop);
    EXPECT_LT(merged.size(), gif.size() / 4);

    TGifPicture picture;
    QString error;
    ASSERT_TRUE(picture.LoadFromData(merged, error));
    ASSERT_EQ(picture.Images().Count(), 10);
    for (int i = 1; i < 10; ++i)
        EXPECT_LE(picture.Images()[i]->Width * picture.Images()[i]->Height, 4) << i;
}

// --- cropping frames that show nothing ------------------------------------------

TEST(GifOptimize, InvisibleFramesGoOnlyWhenNothingShownChanges)
{
    const QSize screen(4, 2);
    const std::vector<quint8> solid(8, 1);
    const std::vector<quint8> clear(8, 7);
    struct Case {
        const char *name;
        std::vector<FrameDef> frames;
        int loops;
        int expectedFrames;
        std::vector<int> expectedDelays;
        bool loopOnFirst;
    } cases[] = {
        {"a zero-length first frame goes and hands the loop on",
         {{QRect(0, 0, 4, 2), clear, 1, 0, 7}, {QRect(0, 0, 4, 2), solid, 1, 20}},
         0, 1, {20}, true},
        {"a first frame shown for a while stays, one pixel small",
         {{QRect(0, 0, 4, 2), clear, 1, 30, 7}, {QRect(0, 0, 4, 2), solid, 1, 20}},
         0, 2, {30, 20}, true},
        {"after a frame left in place its time goes to that frame",
         {{QRect(0, 0, 4, 2), solid, 1, 10}, {QRect(0, 0, 4, 2), clear, 1, 40, 7},
          {QRect(0, 0, 4, 2), solid, 1, 5}},
         -1, 2, {50, 5}, false},
        {"after a frame restored to the previous picture it stays",
         {{QRect(0, 0, 4, 2), solid, 1, 10}, {QRect(0, 0, 2, 2), std::vector<quint8>(4, 2), 3, 10},
          {QRect(0, 0, 4, 2), clear, 1, 40, 7}},
         -1, 3, {10, 10, 40}, false},
        {"after a frame restored to the background it stays",
         {{QRect(0, 0, 4, 2), solid, 2, 10}, {QRect(0, 0, 4, 2), clear, 1, 40, 7}},
         -1, 2, {10, 40}, false},
        {"a zero-length frame after a restoring frame goes",
         {{QRect(0, 0, 4, 2), solid, 3, 10}, {QRect(0, 0, 4, 2), clear, 1, 0, 7},
          {QRect(0, 0, 4, 2), solid, 1, 10}},
         -1, 2, {10, 10}, false},
        {"a delay that would pass 65535 stays with its frame",
         {{QRect(0, 0, 4, 2), solid, 1, 65000}, {QRect(0, 0, 4, 2), clear, 1, 1000, 7}},
         -1, 2, {65000, 1000}, false},
        {"a frame without its own delay takes none",
         {{QRect(0, 0, 4, 2), solid, 1, 30}, {QRect(0, 0, 4, 2), solid, 1, 0, -1, false},
          {QRect(0, 0, 4, 2), clear, 1, 40, 7}},
         -1, 3, {30, -1, 40}, false},
        {"the only frame stays",
         {{QRect(0, 0, 4, 2), clear, 1, 0, 7}}, 0, 1, {0}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray gif = buildAnimation(screen, c.frames, c.loops);
        TGifPicture picture;
        QString error;
        ASSERT_TRUE(picture.LoadFromData(optimized(gif, ooCrop), error)) << error.toStdString();
        ASSERT_EQ(picture.Images().Count(), c.expectedFrames);
        for (int i = 0; i < c.expectedFrames; ++i) {
            const TGIFSubImage &frame = *picture.Images()[i];
            const int delay = frame.GraphicControlExtension()
                ? frame.GraphicControlExtension()->Delay() : -1; // -1: none of its own
            EXPECT_EQ(delay, c.expectedDelays[size_t(i)]) << i;
            if (frame.Transparent()) {
                EXPECT_EQ(frame.Width * frame.Height, 1) << i;
            }
        }
        bool loop = false;
        for (const auto &e : picture.Images()[0]->Extensions())
            loop = loop || dynamic_cast<const TGIFAppExtNSLoop *>(e.get()) != nullptr;
        EXPECT_EQ(loop, c.loopOnFirst);
    }
}

// --- LZW size ------------------------------------------------------------------

// Bytes of compressed image data in a GIF stream (sub-block payloads only).
qint64 imageDataBytes(const QByteArray &gif)
{
    const auto *d = reinterpret_cast<const quint8 *>(gif.constData());
    const qsizetype n = gif.size();
    qsizetype at = 13;
    if (n < at)
        return -1;
    if (d[10] & 0x80)
        at += 3 * (2 << (d[10] & 7));
    qint64 total = 0;
    auto skipBlocks = [&](bool count) {
        while (at < n && d[at] != 0) {
            if (count)
                total += d[at];
            at += d[at] + 1;
        }
        ++at;
    };
    while (at < n) {
        if (d[at] == 0x3B)
            return total;
        if (d[at] == 0x21) {
            at += 2;
            skipBlocks(false);
        } else if (d[at] == 0x2C) {
            if (at + 10 > n)
                return -1;
            const quint8 packed = d[at + 9];
            at += 10;
            if (packed & 0x80)
                at += 3 * (2 << (packed & 7));
            ++at; // code size
            skipBlocks(true);
        } else {
            return -1;
        }
    }
    return -1;
}

TEST(GifWriter, LzwOutputStaysWithinATenthOfImageMagicks)
{
    if (magick().isEmpty())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    struct Case {
        const char *name;
        int width, height, colours;
        std::function<int(int x, int y)> pixel;
    } cases[] = {
        {"noise over 256 colours", 199, 151, 256,
         [](int x, int y) { return int((unsigned(x * 7919 + y * 104729) * 2654435761u) >> 24); }},
        {"noise over 4 colours", 320, 200, 4,
         [](int x, int y) { return int((unsigned(x * 31 + y * 977) * 2654435761u) >> 30); }},
        {"horizontal gradient", 256, 64, 256, [](int x, int) { return x; }},
        {"stripes and blocks", 300, 300, 16, [](int x, int y) { return (x / 5 + y / 9) % 16; }},
        {"smooth waves", 240, 180, 64,
         [](int x, int y) { return int(31.5 + 31.5 * std::sin(x / 9.0) * std::cos(y / 13.0)); }},
        {"one colour", 500, 400, 2, [](int, int) { return 1; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TGifPicture picture;
        picture.Header().Width = quint16(c.width);
        picture.Header().Height = quint16(c.height);
        picture.Header().ColorMap().AssignColorTable(paletteOf(c.colours));
        auto frame = std::make_unique<TGIFSubImage>(&picture);
        frame->Width = quint16(c.width);
        frame->Height = quint16(c.height);
        std::vector<quint8> data;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                data.push_back(quint8(c.pixel(x, y)));
        frame->SetData(std::move(data));
        picture.Add(std::move(frame));
        const QByteArray ours = picture.SaveToData();

        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("ours.gif"));
        const QString out = dir.filePath(QStringLiteral("theirs.gif"));
        QFile f(in);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ours);
        f.close();
        QProcess process;
        process.start(magick(), {in, out});
        ASSERT_TRUE(process.waitForFinished(120000) && process.exitCode() == 0)
            << process.readAllStandardError().toStdString();
        const QByteArray theirs = readFile(out);

        TGifPicture reloaded;
        QString error;
        ASSERT_TRUE(reloaded.LoadFromData(theirs, error));
        ASSERT_EQ(reloaded.Images().Count(), 1);
        // The comparison only holds for the same pixels in as many colours.
        ASSERT_EQ(reloaded.Images()[0]->ActiveColorMap().BitsPerPixel(),
                  picture.Images()[0]->ActiveColorMap().BitsPerPixel());
        const qint64 mine = imageDataBytes(ours);
        const qint64 reference = imageDataBytes(theirs);
        ASSERT_GT(mine, 0);
        ASSERT_GT(reference, 0);
        EXPECT_LE(double(mine), 1.1 * double(reference)) << mine << " vs " << reference;
    }
}

} // namespace

namespace {

// Only a frame's first graphic control extension counts: cleaning up must
// not let a later one take its place.
TEST(GifOptimize, CleanupKeepsTheControlThatCounts)
{
    GifBuilder b;
    b.header(4, 2);
    b.gce(0x04, 0).gce(0x0D, 50, 2).image(0, 0, 4, 2, ramp(8, 4));
    b.gce(0x04, 20).image(0, 0, 4, 2, ramp(8, 3));
    TGifPicture picture;
    QString error;
    ASSERT_TRUE(picture.LoadFromData(optimized(b.trailer().bytes(), ooCleanup), error));
    ASSERT_EQ(picture.Images().Count(), 2);
    const TGIFSubImage &first = *picture.Images()[0];
    EXPECT_EQ(first.GraphicControlExtension(), nullptr);
    EXPECT_FALSE(first.Transparent());
}

} // namespace

namespace {

// A frame that shows nothing goes with its extensions handed to a
// neighbour, but never its extra graphic controls: one would become the
// neighbour's control, on a frame without its own or ahead of the one it has.
TEST(GifOptimize, InvisibleFrameHandsOnNoControl)
{
    const std::vector<int> clear(8, 3);
    GifBuilder b;
    b.header(4, 2);
    b.image(0, 0, 4, 2, ramp(8, 3)); // no control of its own
    b.gce(0x05, 0, 3).gce(0x08, 70).image(0, 0, 4, 2, clear);
    b.gce(0x04, 20).image(0, 0, 4, 2, ramp(8, 2));
    b.image(0, 0, 4, 2, ramp(8, 3)); // no control of its own
    b.gce(0x05, 0, 3).gce(0x0C, 90).comment({"kept"}).image(0, 0, 4, 2, clear);
    TGifPicture picture;
    QString error;
    ASSERT_TRUE(picture.LoadFromData(optimized(b.trailer().bytes(), ooCrop), error))
        << error.toStdString();
    ASSERT_EQ(picture.Images().Count(), 3);
    const TGIFSubImage &second = *picture.Images()[1];
    ASSERT_NE(second.GraphicControlExtension(), nullptr);
    EXPECT_EQ(second.GraphicControlExtension()->Delay(), 20);
    EXPECT_EQ(second.GraphicControlExtension()->Disposal(), 1);
    for (int i : {0, 2})
        EXPECT_EQ(picture.Images()[i]->GraphicControlExtension(), nullptr) << i;
    int controls = 0, comments = 0;
    for (const auto &frame : picture.Images())
        for (const auto &e : frame->Extensions()) {
            controls += &e->ExtensionClass() == &TGIFGraphicControlExtension::Class() ? 1 : 0;
            comments += &e->ExtensionClass() == &TGIFCommentExtension::Class() ? 1 : 0;
        }
    EXPECT_EQ(controls, 1);
    EXPECT_EQ(comments, 1);
}

} // namespace
