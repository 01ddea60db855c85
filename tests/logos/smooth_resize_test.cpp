#include "logos/smooth_resize.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage filled(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A horizontal grey ramp: pixel x has value `values[x]` in every channel.
QImage ramp(std::initializer_list<int> values, int height = 1)
{
    QImage image(int(values.size()), height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        int x = 0;
        for (int v : values)
            image.setPixel(x++, y, qRgb(v, v, v));
    }
    return image;
}

std::vector<int> greys(const QImage &image, int row = 0)
{
    std::vector<int> values;
    for (int x = 0; x < image.width(); ++x)
        values.push_back(qRed(image.pixel(x, row)));
    return values;
}

TEST(SmoothResize, EqualSizesCopyExactly)
{
    QImage source(5, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            source.setPixel(x, y, qRgb(x * 40, y * 60, 7));
    QImage destination(5, 4, QImage::Format_RGB32);
    smoothResize(source, destination);
    EXPECT_EQ(destination.format(), QImage::Format_RGB888);
    EXPECT_EQ(destination, source.convertToFormat(QImage::Format_RGB888));
}

TEST(SmoothResize, WorkedExamples)
{
    const struct {
        const char *name;
        QImage source;
        int width, height;
        std::vector<int> firstRow;
    } rows[] = {
        // xStep 21845: the middle pixel is a third of the way, the last two thirds.
        {"two_to_three", ramp({0, 255}), 3, 1, {0, 84, 170}},
        // A source one pixel wide has no neighbour: every pixel is that one.
        {"one_pixel_wide", ramp({200}, 3), 4, 2, {200, 200, 200, 200}},
        {"shrink_keeps_first", ramp({10, 20, 30, 40, 50}), 2, 1, {10, 30}},
    };
    for (const auto &r : rows) {
        QImage destination(r.width, r.height, QImage::Format_RGB888);
        smoothResize(r.source, destination);
        EXPECT_EQ(greys(destination), r.firstRow) << r.name;
    }
}

TEST(SmoothResize, UniformColourStaysUniform)
{
    for (const QRgb colour : {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(12, 200, 99)}) {
        QImage destination(21, 16, QImage::Format_RGB888);
        smoothResize(filled(52, 39, colour), destination);
        for (int y = 0; y < destination.height(); ++y)
            for (int x = 0; x < destination.width(); ++x)
                ASSERT_EQ(destination.pixel(x, y), colour) << x << "," << y;
    }
}

TEST(SmoothResize, LogoSizeReadsOnlyInsideTheSource)
{
    // The last destination column blends source columns 48 and 49 (the steps
    // stop short of the last source column, so nothing past it is read).
    QImage source(52, 39, QImage::Format_RGB32);
    source.fill(qRgb(0, 0, 0));
    for (int y = 0; y < 39; ++y)
        for (int x = 49; x < 52; ++x)
            source.setPixel(x, y, qRgb(255, 0, 0));
    QImage destination(21, 16, QImage::Format_RGB888);
    smoothResize(source, destination);
    EXPECT_EQ(qRed(destination.pixel(0, 0)), 0);
    EXPECT_GT(qRed(destination.pixel(20, 15)), 0);
    EXPECT_LT(qRed(destination.pixel(20, 15)), 255);

    QImage empty;
    smoothResize(source, empty);
    EXPECT_TRUE(empty.isNull());
    QImage tiny(1, 1, QImage::Format_RGB888);
    smoothResize(QImage(), tiny);
    EXPECT_EQ(tiny.size(), QSize(1, 1));
}

} // namespace
