// Polygons by their real outline: a non-convex polygon's triangles cover it exactly (no area
// outside it, none twice), and the atlas gives a non-convex polygon its share of the texture
// without letting other charts into it.

#include "brontle/atlas/PolygonTriangulation.h"
#include "AtlasTestMeshes.h"

#include <cmath>
#include <numbers>

namespace brontle::atlas::testing {
namespace {

// A comb: a spine along the x axis with `teeth` teeth standing on it, counter-clockwise.
std::vector<Vec2d> comb(int teeth, double toothHeight) {
    std::vector<Vec2d> p = {{0.0, 0.0}, {2.0 * teeth - 1.0, 0.0}};
    for (int t = teeth - 1; t >= 0; --t) {
        p.push_back({2.0 * t + 1.0, toothHeight});
        p.push_back({2.0 * t, toothHeight});
        if (t > 0) {
            p.push_back({2.0 * t, 1.0});
            p.push_back({2.0 * t - 1.0, 1.0});
        }
    }
    return p;
}

// A star of `corners` corners alternating between radius 1 and `inner`.
std::vector<Vec2d> star(int corners, double inner) {
    std::vector<Vec2d> p;
    for (int i = 0; i < corners; ++i) {
        const double a = 2.0 * std::numbers::pi * i / corners;
        const double r = i % 2 == 0 ? 1.0 : inner;
        p.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return p;
}

double polygonArea(const std::vector<Vec2d>& p) {
    double twice = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        twice += cross(p[i], p[(i + 1) % p.size()]);
    }
    return 0.5 * twice;
}

TEST(PolygonTriangulation, NonConvexPolygonsAreCoveredExactlyByTrianglesTurningTheirWay) {
    // Exact cover of a simple polygon: size - 2 triangles, each turning the polygon's way, whose
    // areas add up to the polygon's (a fan over a notch adds negative or outside area).
    std::vector<Vec2d> reversedComb = comb(250, 40.0);
    std::reverse(reversedComb.begin(), reversedComb.end());
    // An L with a corner in the middle of a straight edge (a flat corner).
    const std::vector<Vec2d> ell = {{0, 0}, {2, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}};
    for (const std::vector<Vec2d>& polygon :
         {comb(250, 40.0), reversedComb, star(1000, 0.3), star(20000, 0.5), ell}) {
        std::vector<std::array<int, 3>> triangles;
        triangulatePolygon(polygon, 10, triangles);
        ASSERT_EQ(triangles.size(), polygon.size() - 2);
        const double area = polygonArea(polygon);
        double sum = 0.0;
        std::vector<int> used(polygon.size(), 0);
        for (const auto& t : triangles) {
            for (const int k : t) {
                ASSERT_GE(k, 10);
                ASSERT_LT(k, 10 + static_cast<int>(polygon.size()));
                ++used[k - 10];
            }
            const double turn = 0.5 * cross(polygon[t[1] - 10] - polygon[t[0] - 10],
                                            polygon[t[2] - 10] - polygon[t[0] - 10]);
            EXPECT_GE(turn * area, 0.0) << "a triangle turns against the polygon";
            sum += turn;
        }
        EXPECT_NEAR(sum, area, 1e-9 * std::abs(area)) << polygon.size() << " corners";
        for (const int u : used) {
            EXPECT_GE(u, 1) << "a corner is in no triangle";
        }
    }
    // A convex polygon keeps the fan from its first corner.
    std::vector<std::array<int, 3>> hexagon;
    triangulatePolygon(star(6, 1.0), 0, hexagon);
    EXPECT_EQ(hexagon,
              (std::vector<std::array<int, 3>>{{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}}));
}

// Appends a flat polygon in the plane z = `z` (a separate part of the mesh).
void addFlatPolygon(GeneratedMesh& mesh, const std::vector<Vec2d>& outline, double z) {
    std::vector<std::int32_t> corners;
    for (const Vec2d& p : outline) {
        corners.push_back(static_cast<std::int32_t>(mesh.positions.size()));
        mesh.positions.push_back(
            {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(z)});
    }
    mesh.cornerVertex.insert(mesh.cornerVertex.end(), corners.begin(), corners.end());
    mesh.polygonStart.push_back(static_cast<std::int32_t>(mesh.cornerVertex.size()));
}

TEST(PolygonTriangulation, NonConvexPolygonGetsItsShareOfTheTextureAndKeepsOthersOut) {
    // A star of 1,000 corners covers 0.94 of the 4 square units of its box, and a comb of 1,000
    // corners whose box is square covers half of it. Alone, a chart's box fills the texture up
    // to the gutter, so they cover about 23 % and 49 % of it (a fan from the first corner made
    // the packer count the star's area 500 times over and gave it 0.4 %). With 300 small
    // squares packed around them, no texel is reached by two charts when every polygon is
    // rasterised by its outline.
    Options options;
    options.width = options.height = 512;
    struct Case {
        std::vector<Vec2d> outline;
        double share; // of the texture, alone
    };
    for (const Case& c : {Case{star(1000, 0.3), 0.2}, Case{comb(250, 500.0), 0.45}}) {
        ASSERT_EQ(c.outline.size(), 1000u);
        GeneratedMesh alone;
        addFlatPolygon(alone, c.outline, 0.0);
        const Result single = generate(alone.view(), options);
        EXPECT_EQ(single.chartCount, 1);
        EXPECT_GT(single.utilisation, c.share);
        EXPECT_NEAR(single.stretchL2, 1.0, 1e-6);

        double extent = 0.0;
        for (const Vec2d& p : c.outline) {
            extent = std::max({extent, std::abs(p.x), std::abs(p.y)});
        }
        GeneratedMesh crowd = alone;
        const double side = 0.02 * extent;
        for (int i = 0; i < 300; ++i) {
            addFlatPolygon(crowd, {{0, 0}, {side, 0}, {side, side}, {0, side}}, 1.0 + i);
        }
        const Result packed = generate(crowd.view(), options);
        EXPECT_EQ(packed.chartCount, 301);
        EXPECT_EQ(countOverlappingTexels(crowd.view(), packed, 512, 512), 0);
    }
}

} // namespace
} // namespace brontle::atlas::testing
