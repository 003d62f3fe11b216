// The rasteriser's exact rules on tiny images.
#include "brontle/viewmath/SoftwareRaster.h"

#include <gtest/gtest.h>

using namespace brontle;

namespace {

ScreenPoint at(double x, double y, double depth = 1.0) {
    return {x, y, depth, true};
}

int count(const Image& image, std::uint32_t colour) {
    int n = 0;
    for (std::uint32_t p : image.pixels) {
        n += p == colour ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(SoftwareRasterTest, LinesAndTrianglesLightEachPixelOnce) {
    SoftwareRaster raster(8, 8, 0xffffffffu, false);
    raster.drawLine(at(1.0, 2.5), at(6.0, 2.5), 0xff000000u, 1, false, true);
    // Centres 1.5 .. 5.5 lie in [1, 6): columns 1 to 5 of row 2.
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(raster.image().at(x, 2), x >= 1 && x <= 5 ? 0xff000000u : 0xffffffffu) << x;
    }
    EXPECT_EQ(count(raster.image(), 0xff000000u), 5);
    // A steep line walks the rows instead.
    SoftwareRaster steep(8, 8, 0xffffffffu, false);
    steep.drawLine(at(2.2, 0.0), at(3.8, 8.0), 0xff000000u, 1, false, true);
    EXPECT_EQ(count(steep.image(), 0xff000000u), 8);
    EXPECT_EQ(steep.image().at(2, 0), 0xff000000u);
    EXPECT_EQ(steep.image().at(3, 7), 0xff000000u);
    // Two halves of a 4 x 4 square split along its diagonal, each drawn at half opacity over
    // black: a pixel covered twice would come out brighter than the others.
    SoftwareRaster halves(4, 4, 0xff000000u, false);
    const ScreenPoint a = at(0, 0), b = at(4, 0), c = at(4, 4), d = at(0, 4);
    const ScreenPoint first[] = {a, b, c};
    const ScreenPoint second[] = {a, c, d};
    halves.fillPolygon(first, {}, nullptr, 0xffffffffu, 1.0, 0.5, true);
    halves.fillPolygon(second, {}, nullptr, 0xffffffffu, 1.0, 0.5, true);
    EXPECT_EQ(count(halves.image(), 0xff808080u), 16);
}

TEST(SoftwareRasterTest, TexturesSampleTheNearestTexelWithRepeatAndRowZeroAtTheTop) {
    Image texture(2, 2);
    texture.at(0, 0) = 0xffff0000u; // top left: (u, v) in [0, .5) x [.5, 1)
    texture.at(1, 0) = 0xff00ff00u;
    texture.at(0, 1) = 0xff0000ffu;
    texture.at(1, 1) = 0xffffffffu;
    EXPECT_EQ(sampleNearest(texture, 0.25, 0.75), 0xffff0000u);
    EXPECT_EQ(sampleNearest(texture, 0.75, 0.25), 0xffffffffu);
    EXPECT_EQ(sampleNearest(texture, -0.75, 1.75), 0xffff0000u); // repeat both ways
    EXPECT_EQ(sampleNearest(texture, 2.25, -0.75), 0xff0000ffu);
    EXPECT_EQ(sampleNearest(texture, 2.25, -0.25), 0xffff0000u);
    // v = 0 is where a repeat begins: 1 - v = 1 wraps to 0, the top row; just above it is
    // the bottom row.
    EXPECT_EQ(sampleNearest(texture, 0.0, 0.0), 0xffff0000u);
    EXPECT_EQ(sampleNearest(texture, 0.0, 0.01), 0xff0000ffu);
}

TEST(SoftwareRasterTest, ADepthBufferKeepsTheNearestSurface) {
    SoftwareRaster raster(4, 4, 0xff000000u, true);
    const ScreenPoint nearQuad[] = {at(0, 0, 2), at(4, 0, 2), at(4, 4, 2), at(0, 4, 2)};
    const ScreenPoint farQuad[] = {at(0, 0, 5), at(4, 0, 5), at(4, 4, 5), at(0, 4, 5)};
    raster.fillPolygon(nearQuad, {}, nullptr, 0xffff0000u, 1.0, 1.0, false);
    raster.fillPolygon(farQuad, {}, nullptr, 0xff00ff00u, 1.0, 1.0, false);
    EXPECT_EQ(count(raster.image(), 0xffff0000u), 16);
    raster.drawLine(at(0, 1.5, 9), at(4, 1.5, 9), 0xff0000ffu, 1, false, false);
    EXPECT_EQ(count(raster.image(), 0xff0000ffu), 0); // hidden behind the near quad
    raster.drawLine(at(0, 1.5, 2), at(4, 1.5, 2), 0xff0000ffu, 1, false, false);
    EXPECT_EQ(count(raster.image(), 0xff0000ffu), 4); // on it
}
