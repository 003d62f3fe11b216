// Modelled hard-surface meshes: flat faces at right angles, fan caps, sliver bevels. Charts stop
// at sharp creases, flat faces lie flat exactly, and the quality figures are measured on the
// returned layout the way AtlasMetrics.h defines them.

#include "AtlasTestMeshes.h"

#include "benchmarks/HardSurfaceMeshes.h"
#include "brontle/atlas/AtlasMetrics.h"

#include <set>

namespace brontle::atlas::testing {
namespace {

// The charts of the polygons in [begin, end).
std::set<int> chartsOf(const Result& r, int begin, int end) {
    std::set<int> charts;
    for (int p = begin; p < end; ++p) {
        charts.insert(r.polygonChart[p]);
    }
    return charts;
}

TEST(HardSurface, CubeOfQuadsGivesItsSixFacesFlat) {
    for (const int n : {1, 16}) {
        SCOPED_TRACE(n);
        const GeneratedMesh cube = peelwise::bench::quadCube(n);
        const Result r = generate(cube.view(), defaultOptions());
        expectAtlasInvariants(cube, r);
        EXPECT_EQ(r.chartCount, 6);
        // Each face is one chart of its own.
        for (int face = 0; face < 6; ++face) {
            EXPECT_EQ(chartsOf(r, face * n * n, (face + 1) * n * n).size(), 1u);
        }
        EXPECT_LE(r.stretchL2, 1.001);
        EXPECT_NEAR(r.areaRatioP99, 1.0, 0.01);
        EXPECT_EQ(r.flipped, 0);
        EXPECT_EQ(r.fallbacks, 0);
        EXPECT_EQ(countOverlappingTexels(cube.view(), r, 1024, 1024), 0);
    }
}

TEST(HardSurface, PlanarFanCapIsOneChartWithoutStretch) {
    // A lone fan of 64 triangles: projected, exact.
    GeneratedMesh fan;
    fan.positions.push_back({0.0f, 0.0f, 0.0f});
    for (int i = 0; i < 64; ++i) {
        const double a = 2.0 * std::numbers::pi * i / 64;
        fan.positions.push_back(
            {static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0.0f});
    }
    for (int i = 0; i < 64; ++i) {
        fan.addPolygon({0, 1 + i, 1 + (i + 1) % 64});
    }
    const Result lone = generate(fan.view(), defaultOptions());
    EXPECT_EQ(lone.chartCount, 1);
    EXPECT_NEAR(lone.stretchL2, 1.0, 1e-5);
    EXPECT_NEAR(lone.areaRatioP99, 1.0, 1e-3);

    // On a cylinder, no chart crosses the rim of a cap (the packer may still cut a cap in
    // pieces to fill the texture, each lying flat exactly).
    const int segments = 48;
    const int rows = 12;
    const GeneratedMesh cylinder = peelwise::bench::fanCappedCylinder(segments, rows);
    const Result r = generate(cylinder.view(), defaultOptions());
    expectAtlasInvariants(cylinder, r);
    const std::set<int> side = chartsOf(r, 0, segments * rows);
    for (int p = segments * rows; p < cylinder.polygonCount(); ++p) {
        EXPECT_FALSE(side.count(r.polygonChart[p])) << "cap polygon " << p;
    }
    EXPECT_LE(r.stretchL2, 1.01);
    EXPECT_EQ(r.flipped, 0);
    EXPECT_EQ(countOverlappingTexels(cylinder.view(), r, 1024, 1024), 0);
}

TEST(HardSurface, SliverBevelFlattensWithoutFolding) {
    // The gear's bevel is a ring of triangles 2e-5 high and about 0.05 long (aspect over
    // 1,000), between the top face and the side walls; its end faces are fans of long
    // triangles towards the teeth.
    const GeneratedMesh gear = peelwise::bench::bevelledGear();
    Options one = defaultOptions();
    one.threads = 1;
    const Result r = generate(gear.view(), one);
    expectAtlasInvariants(gear, r);
    EXPECT_EQ(r.flipped, 0);
    EXPECT_EQ(r.fallbacks, 0);
    EXPECT_LE(r.stretchL2, 1.05);
    EXPECT_LE(r.areaRatioP99, 3.0);
    EXPECT_EQ(countOverlappingTexels(gear.view(), r, 1024, 1024), 0);
    // The same atlas on three threads.
    Options three = one;
    three.threads = 3;
    const Result again = generate(gear.view(), three);
    EXPECT_EQ(again.polygonChart, r.polygonChart);
    EXPECT_EQ(again.texcoords, r.texcoords);

    // A curved strip (a quarter of a cylinder) whose middle row is split into slivers of
    // aspect 5,000: solved conformally as one chart (counted charts: the packer keeps it
    // whole), it must not fold.
    GeneratedMesh strip;
    const int columns = 16;
    const double heights[] = {0.0, 0.5, 0.5 + 1e-4, 1.0};
    for (const double z : heights) {
        for (int i = 0; i <= columns; ++i) {
            const double a = 0.5 * std::numbers::pi * i / columns;
            strip.positions.push_back({static_cast<float>(std::cos(a)),
                                       static_cast<float>(std::sin(a)), static_cast<float>(z)});
        }
    }
    auto at = [&](int row, int i) { return row * (columns + 1) + i; };
    for (int row = 0; row < 3; ++row) {
        for (int i = 0; i < columns; ++i) {
            if (row == 1) {
                strip.addPolygon({at(row, i), at(row, i + 1), at(row + 1, i + 1)});
                strip.addPolygon({at(row, i), at(row + 1, i + 1), at(row + 1, i)});
            } else {
                strip.addPolygon({at(row, i), at(row, i + 1), at(row + 1, i + 1), at(row + 1, i)});
            }
        }
    }
    Options whole = one;
    whole.factorType = FactorType::ChartCount;
    whole.factor = 1;
    const Result s = generate(strip.view(), whole);
    expectAtlasInvariants(strip, s);
    EXPECT_EQ(s.chartCount, 1);
    EXPECT_EQ(s.flipped, 0);
    EXPECT_EQ(s.fallbacks, 0);
    EXPECT_LE(s.stretchL2, 1.01);
    EXPECT_LE(s.areaRatioP99, 1.05);
}

TEST(LayoutMetrics, TwoSquaresOneStretchedGiveHandComputedFigures) {
    // Two unit squares side by side in 3D; in the texture the first stays a unit square and the
    // second is stretched to 2 x 1. Texture area 3, surface area 2: s^2 = 3 / 2.
    //  - L2: first square's map texture -> surface is the identity (L2^2 = 1), the second's
    //    halves u (L2^2 = (1/4 + 1) / 2 = 5/8); scaled by s^2 and averaged over equal areas,
    //    L2 = sqrt(3/2 * (1 + 5/8) / 2) = sqrt(39/32).
    //  - area ratio: first (1/3) / (1/2) = 2/3 -> 1.5, second (2/3) / (1/2) = 4/3.
    const std::vector<Vector3> positions = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0},
                                            {0, 1, 0}, {1, 1, 0}, {2, 1, 0}};
    const std::vector<std::int32_t> polygonStart = {0, 4, 8};
    const std::vector<std::int32_t> cornerVertex = {0, 1, 4, 3, 1, 2, 5, 4};
    const MeshView mesh{positions, polygonStart, cornerVertex, {}};
    std::vector<Vector2> uv = {{0, 0}, {1, 0}, {3, 0}, {0, 1}, {1, 1}, {3, 1}};
    const std::vector<std::int32_t> cornerTexCoord = cornerVertex;
    const std::vector<std::int32_t> polygonChart = {0, 0};
    LayoutMetrics m = measureLayout(mesh, uv, cornerTexCoord, polygonChart, 1);
    EXPECT_EQ(m.triangles, 4);
    EXPECT_NEAR(m.stretchL2, std::sqrt(39.0 / 32.0), 1e-12);
    EXPECT_NEAR(m.areaRatioP99, 1.5, 1e-12);
    EXPECT_NEAR(m.areaRatioMax, 1.5, 1e-12);
    EXPECT_EQ(m.flipped, 0);

    // Moving texture point 5 to the left of point 4 mirrors both triangles of the second square
    // against the chart, whose total orientation stays that of the first square.
    uv[5] = {0.5f, 1.0f};
    uv[2] = {0.5f, 0.0f};
    m = measureLayout(mesh, uv, cornerTexCoord, polygonChart, 1);
    EXPECT_EQ(m.flipped, 2);
    // An isometric layout measures exactly 1.
    uv = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}};
    m = measureLayout(mesh, uv, cornerTexCoord, polygonChart, 1);
    EXPECT_NEAR(m.stretchL2, 1.0, 1e-12);
    EXPECT_NEAR(m.areaRatioP99, 1.0, 1e-12);
}

} // namespace
} // namespace brontle::atlas::testing
