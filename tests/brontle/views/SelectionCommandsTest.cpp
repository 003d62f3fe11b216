// Selection rules without a widget: pick modes, edge loops and arcs, chart selection.
#include "ViewsFixtures.h"

#include "brontle/viewmath/ChartSelection.h"
#include "brontle/viewmath/EdgeLoop.h"
#include "brontle/viewmath/SelectionEdit.h"

#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>
#include <set>

using namespace brontle;
using namespace views_fixtures;

namespace {

SubSelectionEntry entry(std::int32_t index, std::int32_t corner = 0) {
    SubSelectionEntry e;
    e.index = index;
    e.corner = corner;
    return e;
}

std::vector<std::pair<int, int>> pairsOf(const SubSelection& s) {
    std::vector<std::pair<int, int>> out;
    for (const auto& e : s.entries) {
        out.emplace_back(e.index, e.corner);
    }
    return out;
}

SubSelection selectionOf(std::initializer_list<std::pair<int, int>> items) {
    SubSelection s;
    for (const auto& [index, corner] : items) {
        s.add(index, corner);
    }
    return s;
}

// The undirected edges (vertex pairs, low first) that an edge selection covers.
std::set<std::pair<int, int>> edgeSet(const Shape& shape, const SubSelection& s) {
    std::set<std::pair<int, int>> out;
    const auto& start = shape.polygonStart();
    const auto& cv = shape.cornerVertex();
    for (const auto& e : s.entries) {
        const int k = start[e.index] + e.corner;
        const int next = k + 1 < start[e.index + 1] ? k + 1 : start[e.index];
        out.insert({std::min(cv[k], cv[next]), std::max(cv[k], cv[next])});
    }
    return out;
}

} // namespace

TEST(ApplyPickTest, ModifiersChooseAModeAndEachKeepsOrderWithoutRepeats) {
    EXPECT_EQ(pickModeFor(false, false), PickMode::Replace);
    EXPECT_EQ(pickModeFor(true, false), PickMode::Add);
    EXPECT_EQ(pickModeFor(false, true), PickMode::Toggle);
    EXPECT_EQ(pickModeFor(true, true), PickMode::Toggle);
    const SubSelection current = selectionOf({{5, 0}, {2, 0}});
    const std::vector<std::vector<SubSelectionEntry>> pickSeven = {{entry(7)}};
    const std::vector<std::vector<SubSelectionEntry>> pickTwo = {{entry(2)}};
    EXPECT_EQ(pairsOf(applyPick(current, pickSeven, PickMode::Replace)),
              (std::vector<std::pair<int, int>>{{7, 0}}));
    EXPECT_EQ(pairsOf(applyPick(current, pickSeven, PickMode::Add)),
              (std::vector<std::pair<int, int>>{{5, 0}, {2, 0}, {7, 0}}));
    EXPECT_EQ(pairsOf(applyPick(current, pickTwo, PickMode::Add)),
              (std::vector<std::pair<int, int>>{{5, 0}, {2, 0}}));
    EXPECT_EQ(pairsOf(applyPick(current, pickTwo, PickMode::Toggle)),
              (std::vector<std::pair<int, int>>{{5, 0}}));
    EXPECT_EQ(pairsOf(applyPick(current, pickSeven, PickMode::Toggle)),
              (std::vector<std::pair<int, int>>{{5, 0}, {2, 0}, {7, 0}}));
    EXPECT_EQ(pairsOf(applyPick(current, pickTwo, PickMode::Remove)),
              (std::vector<std::pair<int, int>>{{5, 0}}));
    // An edge group toggles as one even when half selected.
    // The shared edge of two quads is (0, 1) and (1, 3); only one half is selected.
    const SubSelection halfSelected = selectionOf({{0, 1}, {4, 2}});
    const std::vector<std::vector<SubSelectionEntry>> edge = {{entry(0, 1), entry(1, 3)}};
    EXPECT_EQ(pairsOf(applyPick(halfSelected, edge, PickMode::Toggle)),
              (std::vector<std::pair<int, int>>{{4, 2}}));
    EXPECT_EQ(pairsOf(applyPick({}, edge, PickMode::Toggle)),
              (std::vector<std::pair<int, int>>{{0, 1}, {1, 3}}));
}

TEST(MeshEdgesTest, EdgesKnowTheirHalvesAndVertices) {
    ShapePtr grid = quadGrid(2, 1);
    const MeshEdges edges(meshArrays(*grid));
    EXPECT_EQ(edges.edgeCount(), 7);
    const std::int32_t shared = edges.edgeOf(0, 1);
    ASSERT_GE(shared, 0);
    EXPECT_EQ(shared, edges.edgeOf(1, 3));
    EXPECT_EQ(edges.halfEdges(shared).size(), 2u);
    EXPECT_FALSE(edges.isBoundary(shared));
    EXPECT_TRUE(edges.isBoundary(edges.edgeOf(0, 0)));
    EXPECT_EQ(edges.edgeBetween(gridVertex(2, 1, 0), gridVertex(2, 1, 1)), shared);
    EXPECT_EQ(edges.edgeBetween(0, gridVertex(2, 2, 1)), -1);
    EXPECT_EQ(edges.edgeOf(0, 4), -1);
    EXPECT_EQ(edges.edgesOfVertex(gridVertex(2, 1, 0)).size(), 3u);
}

TEST(EdgeLoopTest, GridLoopsRunAcrossWholeRowsAndColumns) {
    // 4 x 3 grid: the horizontal line j = 1 has 4 edges; start from the inner one (1,1)-(2,1).
    ShapePtr grid = quadGrid(4, 3);
    const int q = 1 * 4 + 1; // quad (1, 1); its corner 0 runs (1,1) -> (2,1)
    const SubSelection result = extendEdgeLoops(meshArrays(*grid), selectionOf({{q, 0}}));
    std::set<std::pair<int, int>> expected;
    for (int i = 0; i < 4; ++i) {
        expected.insert({gridVertex(4, i, 1), gridVertex(4, i + 1, 1)});
    }
    EXPECT_EQ(edgeSet(*grid, result), expected);
    // Every inner edge is listed through both of its halves; the given entry stays first.
    EXPECT_EQ(result.count(), 8);
    EXPECT_EQ(result.entries[0].index, q);
    EXPECT_EQ(result.entries[0].corner, 0);
    // A vertical edge gives the whole column line.
    // Quad (2, 1) corner 3 runs (2, 2) -> (2, 1).
    const SubSelection column = extendEdgeLoops(meshArrays(*grid), selectionOf({{4 + 2, 3}}));
    std::set<std::pair<int, int>> columnEdges;
    for (int j = 0; j < 3; ++j) {
        columnEdges.insert({gridVertex(4, 2, j), gridVertex(4, 2, j + 1)});
    }
    EXPECT_EQ(edgeSet(*grid, column), columnEdges);
}

TEST(EdgeLoopTest, BoundaryLoopsFollowTheOutlineUntilABranchAndPolesStopLoops) {
    ShapePtr grid = quadGrid(4, 3);
    const SubSelection result = extendEdgeLoops(meshArrays(*grid), selectionOf({{0, 0}}));
    EXPECT_EQ(edgeSet(*grid, result).size(), 14u); // 2 * (4 + 3) boundary edges
    EXPECT_EQ(result.count(), 14);                 // each has one half
    // Two quads touching at one vertex (2): the outline walk stops there.
    ShapePtr bowTie = testing_shapes::shapeFrom(
        Shape::create(),
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}},
        {{0, 1, 2, 3}, {2, 4, 5, 6}});
    const SubSelection arc = extendEdgeLoops(meshArrays(*bowTie), selectionOf({{0, 0}}));
    EXPECT_EQ(edgeSet(*bowTie, arc),
              (std::set<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 3}, {0, 3}}));
    // A fan of five triangles around vertex 0: no vertex has four edges, so a spoke stays alone.
    std::vector<Vector3> points{{0, 0, 0}};
    std::vector<std::vector<std::int32_t>> fan;
    for (int i = 0; i < 5; ++i) {
        const double a = i * 2 * 3.14159265358979 / 5;
        points.push_back({static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0});
        fan.push_back({0, 1 + i, 1 + (i + 1) % 5});
    }
    ShapePtr fanShape = testing_shapes::shapeFrom(Shape::create(), points, fan);
    const SubSelection spoke = extendEdgeLoops(meshArrays(*fanShape), selectionOf({{0, 0}}));
    EXPECT_EQ(edgeSet(*fanShape, spoke), (std::set<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(spoke.count(), 2);
}

TEST(EdgeLoopTest, InvalidEntriesAreDroppedAndAClosedLoopEndsWhereItStarted) {
    // A closed ring of 4 quads (a tube): the loop around it closes on itself.
    std::vector<Vector3> points;
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 4; ++i) {
            const double a = i * 3.14159265358979 / 2;
            points.push_back({static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)),
                              static_cast<float>(j)});
        }
    }
    std::vector<std::vector<std::int32_t>> quads;
    for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 4; ++i) {
            quads.push_back(
                {j * 4 + i, j * 4 + (i + 1) % 4, (j + 1) * 4 + (i + 1) % 4, (j + 1) * 4 + i});
        }
    }
    ShapePtr tube = testing_shapes::shapeFrom(Shape::create(), points, quads);
    const SubSelection result =
        extendEdgeLoops(meshArrays(*tube), selectionOf({{99, 0}, {0, 2}, {1, 7}}));
    // Quad 0 corner 2 runs along the middle ring (4,5)->... ; the ring has 4 edges.
    EXPECT_EQ(edgeSet(*tube, result),
              (std::set<std::pair<int, int>>{{4, 5}, {5, 6}, {6, 7}, {4, 7}}));
    EXPECT_EQ(result.count(), 8);
}

TEST(ChartTest, ChartsJoinThroughSharedVerticesAndSelectOrDeselectWhole) {
    // Two unit quads touching at x = 1: separate but coincident vertices (chart 0 and 1), plus a
    // vertex no polygon uses.
    ShapePtr shape = testing_shapes::shapeFrom(Shape::create(),
                                               {{0, 0, 0},
                                                {1, 0, 0},
                                                {1, 1, 0},
                                                {0, 1, 0},
                                                {1, 0, 0},
                                                {2, 0, 0},
                                                {2, 1, 0},
                                                {1, 1, 0},
                                                {9, 9, 0}},
                                               {{0, 1, 2, 3}, {4, 5, 6, 7}});
    EXPECT_EQ(chartOfVertex(meshArrays(*shape)),
              (std::vector<std::int32_t>{0, 0, 0, 0, 1, 1, 1, 1, -1}));
    const std::vector<Vector3> positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                            {1, 1, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}};
    // Touching at (1, 1) through two separate vertices (2 and 4).
    ShapePtr apart =
        testing_shapes::shapeFrom(Shape::create(), positions, {{0, 1, 2, 3}, {4, 5, 6, 7}});
    const SubSelection picked = selectionOf({{2, 0}});
    EXPECT_EQ(pairsOf(selectCharts(meshArrays(*apart), picked, std::vector<std::int32_t>{2})),
              (std::vector<std::pair<int, int>>{{2, 0}, {0, 0}, {1, 0}, {3, 0}}));
    // Touching through the shared vertex 2: one chart, all seven used points.
    ShapePtr joined =
        testing_shapes::shapeFrom(Shape::create(), positions, {{0, 1, 2, 3}, {2, 5, 6, 7}});
    const SubSelection all =
        selectCharts(meshArrays(*joined), picked, std::vector<std::int32_t>{2});
    EXPECT_EQ(pairsOf(all), (std::vector<std::pair<int, int>>{
                                {2, 0}, {0, 0}, {1, 0}, {3, 0}, {5, 0}, {6, 0}, {7, 0}}));
    // DeselectChart removes only the seeded charts, keeping the order.
    ShapePtr pair = testing_shapes::shapeFrom(
        Shape::create(),
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}},
        {{0, 1, 2, 3}, {4, 5, 6, 7}});
    const SubSelection current = selectionOf({{6, 0}, {1, 0}, {4, 0}, {3, 0}});
    EXPECT_EQ(pairsOf(deselectCharts(meshArrays(*pair), current, std::vector<std::int32_t>{5})),
              (std::vector<std::pair<int, int>>{{1, 0}, {3, 0}}));
    EXPECT_EQ(pairsOf(deselectCharts(meshArrays(*pair), current, std::vector<std::int32_t>{99})),
              pairsOf(current));
    EXPECT_TRUE(
        deselectCharts(meshArrays(*pair), current, std::vector<std::int32_t>{0, 7}).empty());
}
