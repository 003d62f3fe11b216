// The stretch display's distortion values and colours, on literal shapes.
#include "brontle/viewmath/StretchDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace brontle;

namespace {

// Three unit squares on the surface (one of them standing upright in the x-z plane) and their
// texture rectangles: A 1 x 1, B 2 x 2, C 2 x 0.5 and mirrored (clockwise in the texture).
struct ThreeQuads {
    std::vector<Vector3> vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},  // A
                                     {2, 0, 0}, {3, 0, 0}, {3, 1, 0}, {2, 1, 0},  // B
                                     {4, 0, 0}, {5, 0, 0}, {5, 0, 1}, {4, 0, 1}}; // C
    std::vector<Vector2> texcoords = {{0, 0}, {1, 0}, {1, 1},    {0, 1},          // A
                                      {2, 0}, {4, 0}, {4, 2},    {2, 2},          // B
                                      {7, 0}, {5, 0}, {5, 0.5f}, {7, 0.5f}};      // C
    std::vector<std::int32_t> start = {0, 4, 8, 12};
    std::vector<std::int32_t> corners = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

    StretchInput input() const { return {vertices, texcoords, start, corners, corners}; }
};

} // namespace

TEST(StretchDisplayTest, AStretchedQuadGetsItsDistortionAndColours) {
    ThreeQuads quads;
    // Texture area 6 over surface area 3: A and C have half their share, B twice.
    const std::vector<float> area = polygonDistortion(quads.input(), StretchMode::Area);
    ASSERT_EQ(area.size(), 3u);
    EXPECT_NEAR(area[0], -1.0f, 1e-5);
    EXPECT_NEAR(area[1], 1.0f, 1e-5);
    EXPECT_NEAR(area[2], -1.0f, 1e-5);
    // A and B are scaled evenly; C is stretched 2 x one way and 0.5 x the other: a ratio of 4.
    const std::vector<float> angle = polygonDistortion(quads.input(), StretchMode::Angle);
    ASSERT_EQ(angle.size(), 3u);
    EXPECT_NEAR(angle[0], 0.0f, 1e-5);
    EXPECT_NEAR(angle[1], 0.0f, 1e-5);
    EXPECT_NEAR(angle[2], 2.0f, 1e-5);

    // Half way to blue (shrunk 2 x of a 4 x scale), half way to red, then the angle scale
    // saturated at red for C and neutral for the evenly scaled quads.
    EXPECT_EQ(distortionColours(area, StretchMode::Area),
              (std::vector<std::uint32_t>{0xff83a3e3u, 0xffe3877fu, 0xff83a3e3u}));
    EXPECT_EQ(distortionColours(angle, StretchMode::Angle),
              (std::vector<std::uint32_t>{0xffe6e6e6u, 0xffe6e6e6u, 0xffe02818u}));
    // The legend's ends: 4 x and more is full red, 1/4 x and less full blue.
    EXPECT_EQ(distortionColour(2.0f, StretchMode::Area), kStretchEnlarged);
    EXPECT_EQ(distortionColour(-7.0f, StretchMode::Area), kStretchShrunk);
    EXPECT_EQ(distortionColour(0.0f, StretchMode::Area), kStretchNeutral);
    EXPECT_EQ(distortionColour(5.0f, StretchMode::Off), kStretchNeutral);

    // Scaling the whole layout changes no area value.
    for (Vector2& t : quads.texcoords) {
        t = {t.u * 10.0f, t.v * 10.0f};
    }
    const std::vector<float> scaled = polygonDistortion(quads.input(), StretchMode::Area);
    for (std::size_t p = 0; p < 3; ++p) {
        EXPECT_NEAR(scaled[p], area[p], 1e-5) << p;
    }
}

TEST(StretchDisplayTest, LayoutsDegenerateAndBrokenPolygonsAreColouredSafely) {
    ThreeQuads quads;
    const std::vector<float> area = polygonDistortion(quads.input(), StretchMode::Area);
    // A layout's polygons name the polygon they stand for by tag +/-(k + 1).
    EXPECT_EQ(
        layoutColours(std::vector<std::int32_t>{-2, 1, 99, 0}, area, StretchMode::Area),
        (std::vector<std::uint32_t>{0xffe3877fu, 0xff83a3e3u, kStretchNeutral, kStretchNeutral}));

    // A polygon squashed to nothing in the texture is fully shrunk; one with no surface area
    // fully enlarged; no texture at all leaves every polygon even.
    quads.texcoords[8] = quads.texcoords[9] = quads.texcoords[10] = quads.texcoords[11] = {1, 1};
    EXPECT_EQ(polygonDistortion(quads.input(), StretchMode::Area)[2], -kStretchSaturated);
    ThreeQuads flat;
    flat.vertices[4] = flat.vertices[5] = flat.vertices[6] = flat.vertices[7] = {9, 9, 9};
    const std::vector<float> noSurface = polygonDistortion(flat.input(), StretchMode::Area);
    EXPECT_EQ(noSurface[1], kStretchSaturated);
    EXPECT_EQ(polygonDistortion(flat.input(), StretchMode::Angle)[1], kStretchSaturated);
    for (Vector2& t : flat.texcoords) {
        t = {0, 0};
    }
    EXPECT_EQ(polygonDistortion(flat.input(), StretchMode::Area), (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(polygonDistortion(flat.input(), StretchMode::Angle), (std::vector<float>{0, 0, 0}));

    // Corner indices outside their pools count as the origin instead of reading past them.
    ThreeQuads broken;
    broken.corners[2] = 1000;
    const std::vector<float> values = polygonDistortion(broken.input(), StretchMode::Angle);
    EXPECT_TRUE(std::isfinite(values[0]));

    EXPECT_EQ(nextStretchMode(StretchMode::Off), StretchMode::Area);
    EXPECT_EQ(nextStretchMode(StretchMode::Area), StretchMode::Angle);
    EXPECT_EQ(nextStretchMode(StretchMode::Angle), StretchMode::Off);
}
