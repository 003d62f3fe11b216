// How the surface is cut into charts: seams, borders and non-manifold edges are respected,
// polygons stay whole, and the chart-count factor is honoured.

#include "AtlasTestMeshes.h"

#include "brontle/atlas/ChartSegmentation.h"
#include "brontle/atlas/MeshAdjacency.h"

#include <algorithm>
#include <map>
#include <numbers>
#include <set>

namespace brontle::atlas::testing {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

TEST(AtlasCharts, CubeCutAlongAllTwelveEdgesGivesSixChartsOfFourCorners) {
    const GeneratedMesh cube = cubeWithAllSeams();
    ASSERT_EQ(cube.seams.size(), 24u);
    const Result r = generate(cube.view(), defaultOptions());
    expectAtlasInvariants(cube, r);
    EXPECT_EQ(r.chartCount, 6);
    EXPECT_EQ(r.texcoords.size(), 24u);
    std::set<int> charts(r.polygonChart.begin(), r.polygonChart.end());
    EXPECT_EQ(charts.size(), 6u);
    for (int p = 0; p < 6; ++p) {
        std::set<int> corners;
        for (int c = 4 * p; c < 4 * p + 4; ++c) {
            corners.insert(r.cornerTexCoord[c]);
        }
        EXPECT_EQ(corners.size(), 4u) << "face " << p;
    }
    // Each face is a unit square flattened without distortion.
    EXPECT_NEAR(r.stretchL2, 1.0, 1e-3);
    EXPECT_NEAR(r.stretchLinf, 1.0, 1e-2);
}

TEST(AtlasCharts, CubeWithoutSeamsIsCutAndDoesNotOverlap) {
    const GeneratedMesh cube = flatShadedCube();
    const Result r = generate(cube.view(), defaultOptions());
    expectAtlasInvariants(cube, r);
    EXPECT_GE(r.chartCount, 2); // a closed surface can not lie flat in one piece
    EXPECT_EQ(countOverlappingTexels(cube.view(), r, 1024, 1024), 0);
}

TEST(AtlasCharts, SeamEdgeNeverSharesCoordinatesAcrossIt) {
    GeneratedMesh grid = quadGrid(6);
    // A seam down the middle: the edge from corner 1 to 2 (the +x side) of every quad in
    // column 2, so columns 0..2 and 3..5 may only meet through other edges, of which there are
    // none.
    for (int j = 0; j < 6; ++j) {
        grid.seams.push_back({j * 6 + 2, 1, {0, 0, 0, 0}});
    }
    const Result r = generate(grid.view(), defaultOptions());
    expectAtlasInvariants(grid, r);
    for (int j = 0; j < 6; ++j) {
        const int left = j * 6 + 2;
        const int right = j * 6 + 3;
        EXPECT_NE(r.polygonChart[left], r.polygonChart[right]);
        // The shared vertices (corners 1, 2 of the left quad are corners 0, 3 of the right).
        const int l1 = grid.polygonStart[left] + 1;
        const int r0 = grid.polygonStart[right];
        ASSERT_EQ(grid.cornerVertex[l1], grid.cornerVertex[r0]);
        EXPECT_NE(r.cornerTexCoord[l1], r.cornerTexCoord[r0]);
        EXPECT_FALSE(r.texcoords[r.cornerTexCoord[l1]] == r.texcoords[r.cornerTexCoord[r0]]);
    }
}

TEST(AtlasCharts, QuadMeshKeepsEveryQuadAndSharesCoordinatesInsideCharts) {
    const GeneratedMesh patch = bumpyPatch(10);
    const Result r = generate(patch.view(), defaultOptions());
    ASSERT_EQ(r.cornerTexCoord.size(), 400u); // 100 quads, 4 corners each
    expectAtlasInvariants(patch, r);
    // Inside one chart a vertex has one coordinate: there are no more coordinates than
    // (chart, vertex) pairs.
    std::set<std::pair<int, int>> chartVertices;
    for (int p = 0; p < patch.polygonCount(); ++p) {
        for (int c = patch.polygonStart[p]; c < patch.polygonStart[p + 1]; ++c) {
            chartVertices.insert({r.polygonChart[p], patch.cornerVertex[c]});
        }
    }
    EXPECT_EQ(r.texcoords.size(), chartVertices.size());
}

TEST(AtlasCharts, ChartCountModeCutsOnlyWhatCannotLieFlatWithinTheBudget) {
    const auto counted = [](const GeneratedMesh& mesh, int budget) {
        Options o;
        o.factorType = FactorType::ChartCount;
        o.factor = budget;
        const Result r = generate(mesh.view(), o);
        expectAtlasInvariants(mesh, r);
        return r;
    };
    // An open disc stays one chart; a closed sphere is cut in two, a torus opened into discs.
    const GeneratedMesh patch = bumpyPatch(12);
    Result r = counted(patch, 1);
    EXPECT_EQ(r.chartCount, 1);
    EXPECT_EQ(r.texcoords.size(), 13u * 13u);
    const GeneratedMesh sphere = peelwise::bench::noisySphere(6, 0.0);
    r = counted(sphere, 1);
    EXPECT_EQ(r.chartCount, 2);
    EXPECT_EQ(countOverlappingTexels(sphere.view(), r, 1024, 1024), 0);
    const GeneratedMesh ring = peelwise::bench::torus(24, 12);
    EXPECT_EQ(countOverlappingTexels(ring.view(), counted(ring, 2), 1024, 1024), 0);
    // The count bounds the charts of each part.
    const GeneratedMesh noisy = peelwise::bench::noisySphere(8);
    for (const int budget : {2, 5}) {
        r = counted(noisy, budget);
        EXPECT_LE(r.chartCount, budget);
        EXPECT_GE(r.chartCount, 2);
    }
    // The budget is spent on stretch only: a flat strip bent into an arc stays whole.
    GeneratedMesh strip;
    addArcStrip(strip, 0.0, 0.0, 0.0, 10.0, 1.0, 180.0, 40);
    EXPECT_EQ(counted(strip, 1).chartCount, 1);
}

TEST(AtlasCharts, MaxStretchFactorBoundsTheMeanStretch) {
    const GeneratedMesh sphere = peelwise::bench::noisySphere(10);
    for (const int factor : {1, 10}) {
        Options o;
        o.factor = factor;
        const Result r = generate(sphere.view(), o);
        // The bound holds for the mean of every chart, so for the mean over the mesh.
        EXPECT_LE(r.stretchL2, 1.0 + 0.01 * factor) << "factor " << factor;
    }
}

TEST(AtlasCharts, StripBentIntoAnArcIsCutIntoCompactPiecesThatKeepTheirShape) {
    // A flat half ring of 40 quads, 1 wide around radius 10: one flat chart that meets any
    // stretch bound, but it covers a sixth of its 22 x 11 rectangle. It is cut until every
    // piece covers at least 0.4 of its own rectangle, which a 45-degree arc piece does; the
    // pieces keep the flat layout, so the stretch stays 1.
    GeneratedMesh strip;
    addArcStrip(strip, 0.0, 0.0, 0.0, 10.0, 1.0, 180.0, 40);
    const Result r = generate(strip.view(), defaultOptions());
    expectAtlasInvariants(strip, r);
    EXPECT_GE(r.chartCount, 3);
    EXPECT_LE(r.chartCount, 8);
    EXPECT_NEAR(r.stretchL2, 1.0, 1e-3);
    EXPECT_EQ(countOverlappingTexels(strip.view(), r, 1024, 1024), 0);
    // Every piece is a run of consecutive quads (the strip cut across), covering at least 0.4 of
    // the bounding box of its texture coordinates turned the best of every 5 degrees.
    for (int chart = 0; chart < r.chartCount; ++chart) {
        std::vector<int> quads;
        for (int p = 0; p < strip.polygonCount(); ++p) {
            if (r.polygonChart[p] == chart) {
                quads.push_back(p);
            }
        }
        ASSERT_FALSE(quads.empty());
        EXPECT_EQ(quads.back() - quads.front() + 1, static_cast<int>(quads.size()));
        double area = 0.0;
        std::vector<std::pair<double, double>> points;
        for (const int p : quads) {
            double twice = 0.0;
            for (int k = 0; k < 4; ++k) {
                const Vector2 a = r.texcoords[r.cornerTexCoord[4 * p + k]];
                const Vector2 b = r.texcoords[r.cornerTexCoord[4 * p + (k + 1) % 4]];
                twice += static_cast<double>(a.u) * b.v - static_cast<double>(a.v) * b.u;
                points.push_back({a.u, a.v});
            }
            area += 0.5 * std::abs(twice);
        }
        double box = 1e9;
        for (int degrees = 0; degrees < 90; degrees += 5) {
            const double c = std::cos(degrees * std::numbers::pi / 180.0);
            const double s = std::sin(degrees * std::numbers::pi / 180.0);
            double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
            for (const auto& [u, v] : points) {
                x0 = std::min(x0, c * u + s * v);
                x1 = std::max(x1, c * u + s * v);
                y0 = std::min(y0, c * v - s * u);
                y1 = std::max(y1, c * v - s * u);
            }
            box = std::min(box, (x1 - x0) * (y1 - y0));
        }
        EXPECT_GE(area, 0.4 * box) << "chart " << chart;
    }
}

TEST(AtlasCharts, GrownChartsOnANoisySphereHaveSmoothBorders) {
    // Before its border is smoothed, a chart grown on a noisy surface has saw teeth: polygons
    // that share more edges with a neighbouring chart than with their own. Nearly all must go.
    const GeneratedMesh sphere = peelwise::bench::noisySphereWithTriangles(3000);
    const MeshAdjacency adj = buildAdjacency(sphere.view());
    const Segmentation seg = growCharts(adj, smoothedPolygonNormals(adj), 47.0 * kDegree);
    ASSERT_GT(seg.chartCount, 4);
    int border = 0;
    int teeth = 0;
    for (int p = 0; p < adj.polygonCount; ++p) {
        std::map<int, int> shared; // chart -> edges
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            const int o = adj.oppositeCorner[c];
            ASSERT_GE(o, 0); // the sphere is closed
            ++shared[seg.polygonChart[adj.cornerPolygon[o]]];
        }
        const int own = shared[seg.polygonChart[p]];
        border += shared.size() > 1;
        for (const auto& [chart, edges] : shared) {
            teeth += chart != seg.polygonChart[p] && edges > own;
        }
    }
    EXPECT_GT(border, 100);
    EXPECT_LE(teeth, border / 100) << teeth << " teeth among " << border << " border polygons";
}

TEST(AtlasCharts, SmoothedNormalsCalmNoiseButKeepAFlatPatchFlat) {
    // A flat grid keeps +z everywhere; with one vertex lifted, the raw normals of its polygons
    // tilt by about 19 degrees and the smoothed ones by far less, spread over more polygons.
    const GeneratedMesh flat = quadGrid(9);
    const MeshAdjacency flatAdj = buildAdjacency(flat.view());
    for (const Vec3d& n : smoothedPolygonNormals(flatAdj)) {
        EXPECT_NEAR(n.z, 1.0, 1e-12);
    }
    const GeneratedMesh bump =
        quadGrid(9, [](int i, int j) { return i == 4 && j == 4 ? 0.5 : 0.0; });
    const MeshAdjacency adj = buildAdjacency(bump.view());
    const std::vector<Vec3d> smooth = smoothedPolygonNormals(adj);
    double rawWorst = 1.0;
    double smoothWorst = 1.0;
    int tilted = 0;
    for (int p = 0; p < adj.polygonCount; ++p) {
        rawWorst = std::min(rawWorst, adj.polygonNormal[p].z);
        smoothWorst = std::min(smoothWorst, smooth[p].z);
        tilted += smooth[p].z < 1.0 - 1e-9;
    }
    EXPECT_LT(rawWorst, std::cos(18.0 * kDegree));
    EXPECT_GT(smoothWorst, std::cos(10.0 * kDegree));
    EXPECT_GT(tilted, 4); // spread beyond the four polygons around the lifted vertex
}

TEST(AtlasCharts, NonManifoldEdgeSeparatesItsPolygons) {
    // Three quads hanging from the edge 0-1 like the pages of a book.
    GeneratedMesh book;
    book.positions = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1},  {1, 0, 1},
                      {0, 1, 0}, {1, 1, 0}, {0, -1, 0}, {1, -1, 0}};
    book.addPolygon({0, 1, 3, 2});
    book.addPolygon({1, 0, 4, 5});
    book.addPolygon({1, 0, 6, 7});
    const Result r = generate(book.view(), defaultOptions());
    expectAtlasInvariants(book, r);
    EXPECT_EQ(r.chartCount, 3);
}

TEST(AtlasCharts, AnEdgeUsedTwiceInOneDirectionSeparatesItsPolygons) {
    // Two flat quads whose shared edge runs 1 -> 2 in both: inconsistent orientation.
    GeneratedMesh m;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}};
    m.addPolygon({0, 1, 2, 3});
    m.addPolygon({4, 1, 2, 5});
    Result r = generate(m.view(), defaultOptions());
    expectAtlasInvariants(m, r);
    EXPECT_NE(r.polygonChart[0], r.polygonChart[1]);
    // The same two quads wound consistently: nothing stops one chart.
    m.cornerVertex = {0, 1, 2, 3, 1, 4, 5, 2};
    r = generate(m.view(), defaultOptions());
    EXPECT_EQ(r.chartCount, 1);
    EXPECT_EQ(r.texcoords.size(), 6u);
}

} // namespace
TEST(AtlasCharts, ProgressRisesThroughTheFlatteningAndLeavesTheChartsAsTheyAre) {
    // A noisy sphere at the tightest stretch bound: many charts to flatten.
    const GeneratedMesh sphere = peelwise::bench::noisySphere(24);
    Options o;
    o.factor = 1;
    // One thread: only the calling thread reports, so with two the number of reports would
    // depend on how the scheduler shares the charts out.
    o.threads = 1;
    std::vector<double> reported;
    const Result withProgress =
        generate(sphere.view(), o, [&](double value) { reported.push_back(value); });
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.front(), 0.0);
    EXPECT_EQ(reported.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    // The flattening reports as it goes, not one jump from 0.2 to 0.7.
    const auto inside = std::count_if(reported.begin(), reported.end(),
                                      [](double v) { return v > 0.2 && v < 0.7; });
    EXPECT_GE(inside, 5) << withProgress.chartCount << " charts";
    const Result without = generate(sphere.view(), o);
    EXPECT_EQ(withProgress.cornerTexCoord, without.cornerTexCoord);
    EXPECT_EQ(withProgress.polygonChart, without.polygonChart);
}

} // namespace brontle::atlas::testing
