#include "common/ui/stationicon.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

namespace {

// A logo whose left half is white and right half blue.
QImage halfWhiteLogo(int width, int height)
{
    QImage logo(width, height, QImage::Format_RGB32);
    logo.fill(QColor(20, 40, 200));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 2; ++x)
            logo.setPixel(x, y, qRgb(255, 255, 255));
    return logo;
}

int transparentCount(const QImage& icon)
{
    int count = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            count += qAlpha(icon.pixel(x, y)) == 0 ? 1 : 0;
    return count;
}

} // namespace

// The mask takes the logo squeezed into the S x S corner: on a 64 x 48 logo
// whose left half is white, the transparent part is the corner's left half
// only, although the logo's white goes on to x = 31 and down to y = 47.
TEST(StationIconTest, whiteOfTheSqueezedLogoIsTransparentInTheCornerOnly)
{
    struct Case {
        int size;
        int transparentWidth;
    };
    for (const Case& c : { Case { 32, 16 }, Case { 16, 8 } }) {
        SCOPED_TRACE(c.size);
        const QImage logo = halfWhiteLogo(64, 48);
        const QImage icon = BuildStationIcon(logo, c.size);
        ASSERT_EQ(icon.size(), logo.size());
        EXPECT_TRUE(icon.hasAlphaChannel());
        EXPECT_EQ(transparentCount(icon), c.transparentWidth * c.size);
        for (int y = 0; y < icon.height(); ++y) {
            for (int x = 0; x < icon.width(); ++x) {
                const bool transparent = x < c.transparentWidth && y < c.size;
                ASSERT_EQ(qAlpha(icon.pixel(x, y)), transparent ? 0 : 255) << x << "," << y;
                // The colour plane is the logo, pixel for pixel.
                ASSERT_EQ(icon.pixel(x, y) & 0xFFFFFFu, logo.pixel(x, y) & 0xFFFFFFu);
            }
        }
    }
}

// Only pure white is the background: a near white stays opaque, and a logo
// smaller than the corner is masked in full.
TEST(StationIconTest, onlyPureWhiteIsTakenOut)
{
    QImage logo(10, 10, QImage::Format_RGB32);
    logo.fill(Qt::white);
    logo.setPixel(9, 9, qRgb(254, 255, 255));
    const QImage icon = BuildStationIcon(logo, 32);
    // x * 10 / 32 reaches the last column and row only for x, y = 29..31,
    // outside the 10 x 10 picture: the near white pixel is never sampled.
    EXPECT_EQ(transparentCount(icon), 100);

    // Sampled at 16, pixel (9, 9) of a 16 x 16 logo is read for (9, 9).
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::white);
    small.setPixel(9, 9, qRgb(254, 255, 255));
    const QImage masked = BuildStationIcon(small, 16);
    EXPECT_EQ(transparentCount(masked), 255);
    EXPECT_EQ(qAlpha(masked.pixel(9, 9)), 255);

    EXPECT_TRUE(BuildStationIcon(QImage(), 32).isNull());
    EXPECT_TRUE(BuildStationIcon(logo, 0).isNull());
}
