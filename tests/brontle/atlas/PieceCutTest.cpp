// Cutting a chart in two for the packer: through the narrowest waist, along a straight grid line
// rather than in a staircase of teeth, with whole polygons and enough of them on each side.

#include "brontle/atlas/PieceCut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

namespace brontle::atlas::testing {
namespace {

// A chart of unit cells of a cols x rows lattice, those `keep(x, y)` selects, turned by
// `angle` about the origin. quads: each cell is one polygon of two triangles; otherwise each
// triangle is a polygon of its own.
template <class Keep>
PackInput latticeChart(int cols, int rows, double angle, bool quads, Keep keep) {
    PackInput c;
    const double cs = std::cos(angle), sn = std::sin(angle);
    for (int y = 0; y <= rows; ++y) {
        for (int x = 0; x <= cols; ++x) {
            c.points.push_back({cs * x - sn * y, sn * x + cs * y});
        }
    }
    std::int32_t group = 0;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            if (!keep(x, y)) {
                continue;
            }
            const int a = y * (cols + 1) + x, b = a + 1, d = a + cols + 1, e = d + 1;
            c.triangles.push_back({a, b, e});
            c.triangles.push_back({a, e, d});
            c.triangleGroup.push_back(group);
            c.triangleGroup.push_back(quads ? group : group + 1);
            group += quads ? 1 : 2;
        }
    }
    return c;
}

std::vector<std::int32_t> allTriangles(const PackInput& c) {
    std::vector<std::int32_t> all(c.triangles.size());
    std::iota(all.begin(), all.end(), 0);
    return all;
}

std::set<std::int32_t> groupsOf(const PackInput& c, const std::vector<std::int32_t>& piece) {
    std::set<std::int32_t> groups;
    for (const std::int32_t t : piece) {
        groups.insert(c.triangleGroup[t]);
    }
    return groups;
}

// Both halves together hold every triangle once, and no polygon lies on both sides.
void expectPartition(const PackInput& c, const std::vector<std::int32_t>& first,
                     const std::vector<std::int32_t>& second) {
    std::vector<std::int32_t> both = first;
    both.insert(both.end(), second.begin(), second.end());
    std::sort(both.begin(), both.end());
    EXPECT_EQ(both, allTriangles(c));
    EXPECT_TRUE(std::is_sorted(first.begin(), first.end()));
    EXPECT_TRUE(std::is_sorted(second.begin(), second.end()));
    const std::set<std::int32_t> a = groupsOf(c, first), b = groupsOf(c, second);
    for (const std::int32_t g : a) {
        EXPECT_EQ(b.count(g), 0u) << "polygon " << g << " is on both sides";
    }
}

TEST(PieceCut, DumbbellIsCutThroughItsBridgeAndGridsAlongAStraightLine) {
    // Two squares of 6 x 6 and 5 x 5 quads joined by a bridge one quad wide and four long, the
    // whole turned by 0.5 radians. Half of the area lies inside the larger square (a cut there
    // is 6 long); the shortest cut crosses the bridge: one quad edge.
    const PackInput dumbbell = latticeChart(15, 6, 0.5, true, [](int x, int y) {
        return x < 6 || (x >= 10 && y < 5) || (y == 2 && x >= 6 && x < 10);
    });
    std::vector<std::int32_t> first, second;
    ASSERT_TRUE(
        cutPieceInTwo(dumbbell, dumbbell.points, allTriangles(dumbbell), {}, first, second));
    expectPartition(dumbbell, first, second);
    EXPECT_NEAR(pieceCutLength(dumbbell, dumbbell.points, first, second), 1.0, 1e-9);
    // A triangle lies in the larger square when its first point does (lattice column < 6).
    auto leftSquare = [&](std::int32_t t) {
        const int a = dumbbell.triangles[t][0];
        return a % 16 < 6;
    };
    const bool firstIsLeft = leftSquare(first.front());
    int leftCells = 0;
    for (const std::int32_t t : firstIsLeft ? first : second) {
        leftCells += leftSquare(t) ? 1 : 0;
    }
    EXPECT_EQ(leftCells, 2 * 36);
    for (const std::int32_t t : firstIsLeft ? second : first) {
        EXPECT_FALSE(leftSquare(t));
    }

    // A 14 x 10 grid of triangles (each its own polygon) turned by 0.1 radians: sweeping along
    // x leaves a staircase (12.24 long); moving its teeth puts the cut on a grid line across the
    // short side.
    const PackInput grid = latticeChart(14, 10, 0.1, false, [](int, int) { return true; });
    ASSERT_TRUE(cutPieceInTwo(grid, grid.points, allTriangles(grid), {}, first, second));
    expectPartition(grid, first, second);
    EXPECT_NEAR(pieceCutLength(grid, grid.points, first, second), 10.0, 1e-9);
    EXPECT_GE(first.size(), 0.35 * 280);
    EXPECT_GE(second.size(), 0.35 * 280);
}

TEST(PieceCut, EachSideKeepsItsPolygonsAndTooSmallPiecesAreNotCut) {
    // A strip of four quads, the first 100 times longer than the others: no position leaves a
    // third of the area on both sides, and the cut still leaves two whole quads on each.
    PackInput strip;
    const double xs[] = {0.0, 100.0, 101.0, 102.0, 103.0};
    for (const double x : xs) {
        strip.points.push_back({x, 0.0});
        strip.points.push_back({x, 1.0});
    }
    for (int q = 0; q < 4; ++q) {
        const int a = 2 * q, b = a + 2, c = a + 3, d = a + 1;
        strip.triangles.push_back({a, b, c});
        strip.triangles.push_back({a, c, d});
        strip.triangleGroup.push_back(q);
        strip.triangleGroup.push_back(q);
    }
    std::vector<std::int32_t> first, second;
    ASSERT_TRUE(cutPieceInTwo(strip, strip.points, allTriangles(strip), {}, first, second));
    expectPartition(strip, first, second);
    EXPECT_EQ(groupsOf(strip, first), (std::set<std::int32_t>{0, 1}));
    EXPECT_EQ(groupsOf(strip, second), (std::set<std::int32_t>{2, 3}));

    // Three quads cannot give two pieces of two; with one polygon per piece allowed they can.
    const std::vector<std::int32_t> three = {0, 1, 2, 3, 4, 5};
    EXPECT_FALSE(cutPieceInTwo(strip, strip.points, three, {}, first, second));
    PieceCutSettings single;
    single.minGroups = 1;
    ASSERT_TRUE(cutPieceInTwo(strip, strip.points, three, single, first, second));
    EXPECT_EQ(first.size() + second.size(), 6u);
    EXPECT_FALSE(first.empty());
    EXPECT_FALSE(second.empty());
}

} // namespace
} // namespace brontle::atlas::testing
