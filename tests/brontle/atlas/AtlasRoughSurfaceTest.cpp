// Very rough surfaces, spikes several edge lengths high: every chart of more than a few
// polygons stretches there, so splitting must stop at pieces that still cover useful texture
// instead of crumbling the surface into single polygons.

#include "AtlasTestMeshes.h"

#include "brontle/atlas/ChartRefinement.h"
#include "brontle/atlas/ChartSegmentation.h"
#include "brontle/atlas/MeshAdjacency.h"
#include "brontle/atlas/Stretch.h"

#include <numbers>

namespace brontle::atlas::testing {
namespace {

// Charts of one polygon each.
int singlePolygonCharts(const Result& r) {
    std::vector<int> size(r.chartCount, 0);
    for (const int c : r.polygonChart) {
        ++size[c];
    }
    return static_cast<int>(std::count(size.begin(), size.end(), 1));
}

struct RoughCase {
    int n;        // cube-sphere resolution: 12 n^2 triangles
    double noise; // radial noise in mean edge lengths
};

class RoughSphere : public ::testing::TestWithParam<RoughCase> {};

TEST_P(RoughSphere, SplittingLeavesFewSinglePolygonChartsAndNoOverlap) {
    const GeneratedMesh sphere = peelwise::bench::noisySphere(GetParam().n, GetParam().noise);
    const int polygons = sphere.polygonCount();
    const Options o = defaultOptions();
    const Result r = generate(sphere.view(), o);
    expectAtlasInvariants(sphere, r);
    EXPECT_EQ(countOverlappingTexels(sphere.view(), r, o.width, o.height), 0);
    // Splitting down to crumbs made a quarter to a third of the polygons single charts here;
    // the survivors, 5 to 7 % of the polygons depending on how the first charts were grown,
    // are polygons whose gluing onto a neighbour would fold it or stretch it past the bound.
    EXPECT_LE(singlePolygonCharts(r), polygons / 12) << r.chartCount << " charts";
    EXPECT_LE(r.chartCount, polygons / 3);
    EXPECT_GT(r.utilisation, 0.45);
}

INSTANTIATE_TEST_SUITE_P(Spikes, RoughSphere,
                         ::testing::Values(RoughCase{12, 2.5}, RoughCase{16, 2.5},
                                           RoughCase{16, 1.0}));

TEST(RoughSurface, SameAtlasForAnyThreadCount) {
    // The fold fallbacks and the gluing of single polygons run on rough surfaces only; their
    // result must not depend on how the charts were spread over threads.
    const GeneratedMesh sphere = peelwise::bench::noisySphere(12, 2.5);
    Options one = defaultOptions();
    one.threads = 1;
    Options three = defaultOptions();
    three.threads = 3;
    const Result a = generate(sphere.view(), one);
    const Result b = generate(sphere.view(), three);
    EXPECT_EQ(a.chartCount, b.chartCount);
    EXPECT_EQ(a.polygonChart, b.polygonChart);
    EXPECT_EQ(a.cornerTexCoord, b.cornerTexCoord);
    EXPECT_EQ(a.texcoords, b.texcoords);
}

TEST(RoughSurface, LargeSpikyMeshStopsSplittingAtAFewHundredTexels) {
    // 120 000 triangles on a 1024 x 1024 texture, about 6 texels each: without a floor under
    // the chart size the stretch splitting went down to tens of thousands of charts.
    const GeneratedMesh sphere = peelwise::bench::noisySphere(100, 2.5);
    const Options o = defaultOptions();
    const Result r = generate(sphere.view(), o);
    expectAtlasInvariants(sphere, r);
    EXPECT_EQ(countOverlappingTexels(sphere.view(), r, o.width, o.height), 0);
    EXPECT_LE(r.chartCount, o.width * o.height / 256);
    EXPECT_LE(singlePolygonCharts(r), sphere.polygonCount() / 1000);
    EXPECT_GT(r.utilisation, 0.4);
}

TEST(RoughSurface, SmallChartsKeepTheBoundOnlyWhereTheyAreLargeEnoughToSplit) {
    // With a floor as large as the whole sphere nothing is split for stretch: the charts are
    // those grown, cut only where they fold or are not discs. Without a floor every chart
    // meets the bound.
    const GeneratedMesh sphere = peelwise::bench::noisySphere(8, 1.0);
    const MeshAdjacency adj = buildAdjacency(sphere.view());
    const Segmentation grown =
        growCharts(adj, smoothedPolygonNormals(adj), 47.0 * std::numbers::pi / 180.0);
    RefineSettings settings;
    settings.stretchBound = 1.04;
    const std::vector<Chart> bounded = refineCharts(adj, grown, settings);
    double worst = 0.0;
    for (const Chart& chart : bounded) {
        StretchSum sum;
        accumulateChartStretch(adj, chart, sum);
        EXPECT_EQ(sum.flipped, 0);
        if (chart.polygons.size() > 1) {
            worst = std::max(worst, sum.meanL2());
        }
    }
    EXPECT_LE(worst, 1.04 + 1e-9);
    settings.minSplitArea = 100.0; // the unit sphere has area about 4 pi
    const std::vector<Chart> floored = refineCharts(adj, grown, settings);
    EXPECT_LT(floored.size(), bounded.size());
    for (const Chart& chart : floored) {
        StretchSum sum;
        accumulateChartStretch(adj, chart, sum);
        EXPECT_EQ(sum.flipped, 0);
    }
}

} // namespace
} // namespace brontle::atlas::testing
