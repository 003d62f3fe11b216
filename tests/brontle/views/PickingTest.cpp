// Screen-space picking on shape arrays: points, edges, polygons and rubber bands under known
// cameras, and the grid look-up against a brute-force scan of every element.
#include "ViewsFixtures.h"

#include "brontle/viewmath/Picking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace brontle;
using namespace views_fixtures;

namespace {

ShapePtr pointsShape(const std::vector<Vector3>& points) {
    // One polygon over the first three points keeps the shape valid; the rest are loose.
    return testing_shapes::shapeFrom(Shape::create(), points, {{0, 1, 2}});
}

} // namespace

TEST(ViewTransformTest, FlatViewYPointsDownPerspectiveYUpAndBothRoundTrip) {
    const ViewTransform view = unitSquareView(100);
    const ScreenPoint p = view.project({0.25f, 0.75f, 0.0f});
    EXPECT_TRUE(p.visible);
    EXPECT_NEAR(p.x, 25.0, 1e-9);
    EXPECT_NEAR(p.y, 75.0, 1e-9); // y = 0 is the top edge
    const Vector3 back = view.unproject(25.0, 75.0, p.depth);
    EXPECT_NEAR(back.x, 0.25f, 1e-6);
    EXPECT_NEAR(back.y, 0.75f, 1e-6);
    EXPECT_NEAR(back.z, 0.0f, 1e-4);
    // The depth is the distance from the eye at z = -1000.
    EXPECT_NEAR(p.depth, 1000.0, 1e-9);
    EXPECT_NEAR(view.unitsPerPixel(1.0), 0.01, 1e-12);
    // A perspective view looks at its target with y up.
    const ViewTransform perspective =
        perspectiveViewTransform({0, 0, 10}, {0, 0, 0}, 45.0, 200, 100, 0.1, 100.0);
    const ScreenPoint centre = perspective.project({0, 0, 0});
    EXPECT_NEAR(centre.x, 100.0, 1e-9);
    EXPECT_NEAR(centre.y, 50.0, 1e-9);
    EXPECT_NEAR(centre.depth, 10.0, 1e-9);
    EXPECT_LT(perspective.project({0, 1, 0}).y, 50.0); // world up is screen up
    EXPECT_GT(perspective.project({1, 0, 0}).x, 100.0);
    EXPECT_FALSE(perspective.project({0, 0, 20}).visible); // behind the eye
    const Vector3 again =
        perspective.unproject(perspective.project({1, 2, 3}).x, perspective.project({1, 2, 3}).y,
                              perspective.project({1, 2, 3}).depth);
    EXPECT_NEAR(again.x, 1.0f, 1e-4);
    EXPECT_NEAR(again.y, 2.0f, 1e-4);
    EXPECT_NEAR(again.z, 3.0f, 1e-4);
}

TEST(PickPointTest, PicksTheNearestVisiblePointWithinTheRadiusAndTheLowerIndexOfTwins) {
    ShapePtr shape = pointsShape({{0.2f, 0.2f, 0}, {0.23f, 0.2f, 0}, {0.6f, 0.6f, 0}});
    const PickIndex index(meshArrays(*shape), unitSquareView(100));
    EXPECT_EQ(index.pickPoint(21.0, 20.0, 6.0).vertex, 0);
    EXPECT_EQ(index.pickPoint(22.0, 20.5, 6.0).vertex, 1);
    EXPECT_NEAR(index.pickPoint(22.0, 20.5, 6.0).distance, std::hypot(1.0, 0.5), 1e-5);
    EXPECT_EQ(index.pickPoint(45.0, 45.0, 6.0).vertex, -1);
    // A point exactly at the radius is within reach; just beyond it is not.
    EXPECT_EQ(index.pickPoint(60.0, 66.0, 6.0).vertex, 2);
    EXPECT_EQ(index.pickPoint(60.0, 66.01, 6.0).vertex, -1);
    // Coincident points go to the lower index.
    ShapePtr twins =
        pointsShape({{0.5f, 0.5f, 0}, {0.1f, 0.1f, 0}, {0.9f, 0.1f, 0}, {0.5f, 0.5f, 0}});
    const PickIndex twinIndex(meshArrays(*twins), unitSquareView(100));
    EXPECT_EQ(twinIndex.pickPoint(50.0, 51.0, 6.0).vertex, 0);
    // A point off the screen cannot be picked.
    ShapePtr offScreen = pointsShape({{-2.0f, 0.5f, 0}, {0.1f, 0.1f, 0}, {0.9f, 0.1f, 0}});
    const PickIndex offIndex(meshArrays(*offScreen), unitSquareView(100));
    EXPECT_FALSE(offIndex.vertexVisible(0));
    EXPECT_EQ(offIndex.pickPoint(-200.0, 50.0, 6.0).vertex, -1);
    EXPECT_TRUE(offIndex.vertexVisible(1));
}

TEST(RubberBandTest, SelectsThePointsInsideEdgesIncluded) {
    ShapePtr shape = quadGrid(4, 4, 0.25f); // points every 25 pixels on a 100-pixel view
    const PickIndex index(meshArrays(*shape), unitSquareView(100));
    // The rectangle from (25, 25) to (50, 60) holds columns 1..2 of rows 1..2.
    const std::vector<std::int32_t> expected = {gridVertex(4, 1, 1), gridVertex(4, 2, 1),
                                                gridVertex(4, 1, 2), gridVertex(4, 2, 2)};
    EXPECT_EQ(index.pointsInRect(25.0, 25.0, 50.0, 60.0), expected);
    EXPECT_EQ(index.pointsInRect(50.0, 60.0, 25.0, 25.0), expected); // corners in any order
    EXPECT_TRUE(index.pointsInRect(26.0, 26.0, 49.0, 49.0).empty());
}

TEST(PickPolygonTest, PicksTheFrontmostPolygonAndListsAllUnderThePoint) {
    // Two unit quads facing the eye, the second nearer (z = 1) and the first farther (z = 0).
    ShapePtr shape = testing_shapes::shapeFrom(Shape::create(),
                                               {{-1, -1, 0},
                                                {1, -1, 0},
                                                {1, 1, 0},
                                                {-1, 1, 0},
                                                {-1, -1, 1},
                                                {1, -1, 1},
                                                {1, 1, 1},
                                                {-1, 1, 1}},
                                               {{0, 1, 2, 3}, {4, 5, 6, 7}});
    const ViewTransform view =
        perspectiveViewTransform({0, 0, 10}, {0, 0, 0}, 45.0, 200, 200, 0.1, 100.0);
    const PickIndex index(meshArrays(*shape), view);
    const PolygonHit hit = index.pickPolygon(100.0, 100.0);
    EXPECT_EQ(hit.polygon, 1);
    EXPECT_NEAR(hit.depth, 9.0, 1e-6);
    EXPECT_EQ(index.polygonsAt(100.0, 100.0), (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(index.pickPolygon(2.0, 2.0).polygon, -1);
}

TEST(PickEdgeTest, PicksTheNearestVisibleEdgeAsPolygonAndStartCorner) {
    ShapePtr shape = quadGrid(2, 1, 0.5f); // quads 0 and 1 share the edge x = 0.5
    const PickIndex index(meshArrays(*shape), unitSquareView(100));
    // The top edge of quad 1 runs from corner 0 (0.5, 0) to corner 1 (1, 0).
    EdgeHit hit = index.pickEdge(75.0, 2.0, 5.0, false);
    EXPECT_EQ(hit.polygon, 1);
    EXPECT_EQ(hit.corner, 0);
    EXPECT_NEAR(hit.distance, 2.0, 1e-9);
    // The shared edge belongs to both quads; the lower polygon wins the tie.
    hit = index.pickEdge(51.0, 25.0, 5.0, false);
    EXPECT_EQ(hit.polygon, 0);
    EXPECT_EQ(hit.corner, 1);
    EXPECT_EQ(index.pickEdge(25.0, 25.0, 5.0, false).polygon, -1); // 25 pixels from any edge
    // A large front quad at z = 2 and a small back quad at z = 0 whose edges lie behind it.
    ShapePtr layered = testing_shapes::shapeFrom(Shape::create(),
                                                 {{-0.5f, -0.5f, 0},
                                                  {0.5f, -0.5f, 0},
                                                  {0.5f, 0.5f, 0},
                                                  {-0.5f, 0.5f, 0},
                                                  {-3, -3, 2},
                                                  {3, -3, 2},
                                                  {3, 3, 2},
                                                  {-3, 3, 2}},
                                                 {{0, 1, 2, 3}, {4, 5, 6, 7}});
    const ViewTransform view =
        perspectiveViewTransform({0, 0, 10}, {0, 0, 0}, 45.0, 200, 200, 0.1, 100.0);
    const PickIndex layeredIndex(meshArrays(*layered), view);
    const ScreenPoint a = view.project({-0.5f, -0.5f, 0});
    const ScreenPoint b = view.project({0.5f, -0.5f, 0});
    const double x = (a.x + b.x) / 2, y = (a.y + b.y) / 2;
    const EdgeHit seen = layeredIndex.pickEdge(x, y, 5.0, false);
    EXPECT_EQ(seen.polygon, 0);
    EXPECT_EQ(seen.corner, 0);
    EXPECT_EQ(layeredIndex.pickEdge(x, y, 5.0, true).polygon, -1);
    // An edge of the front quad itself is never hidden by it.
    const ScreenPoint c = view.project({3, -3, 2});
    const ScreenPoint d = view.project({3, 3, 2});
    const EdgeHit front = layeredIndex.pickEdge((c.x + d.x) / 2 - 1.0, (c.y + d.y) / 2, 5.0, true);
    EXPECT_EQ(front.polygon, 1);
    EXPECT_EQ(front.corner, 1);
}

TEST(PolygonForPointTest, PrefersThePolygonUnderTheClickThatHasThePoint) {
    ShapePtr shape = quadGrid(2, 1, 0.5f);
    const PickIndex index(meshArrays(*shape), unitSquareView(100));
    const std::int32_t shared = gridVertex(2, 1, 0); // (0.5, 0): a corner of both quads
    EXPECT_EQ(index.polygonForPoint(48.0, 2.0, shared), 0);
    EXPECT_EQ(index.polygonForPoint(52.0, 2.0, shared), 1);
    // Off every polygon: the first polygon using the point.
    EXPECT_EQ(index.polygonForPoint(50.0, -3.0, shared), 0);
    EXPECT_EQ(index.polygonForPoint(98.0, 2.0, gridVertex(2, 2, 0)), 1);
    EXPECT_EQ(index.polygonForPoint(50.0, 50.0, -1), -1);
}

// The grid must find exactly what a scan of every element finds, on random layouts and clicks.
TEST(PickingOracleTest, GridAgreesWithBruteForceOnRandomLayouts) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int round = 0; round < 5; ++round) {
        std::vector<Vector3> points;
        std::vector<std::vector<std::int32_t>> triangles;
        for (int t = 0; t < 400; ++t) {
            const float x = unit(rng), y = unit(rng);
            const std::int32_t base = static_cast<std::int32_t>(points.size());
            points.push_back({x, y, 0});
            points.push_back({x + 0.04f * unit(rng), y + 0.01f, 0});
            points.push_back({x, y + 0.04f * unit(rng) + 0.001f, 0});
            triangles.push_back({base, base + 1, base + 2});
        }
        ShapePtr shape = testing_shapes::shapeFrom(Shape::create(), points, triangles);
        const ViewTransform view = unitSquareView(300);
        const PickIndex index(meshArrays(*shape), view);
        for (int click = 0; click < 200; ++click) {
            const double x = unit(rng) * 300.0, y = unit(rng) * 300.0;
            // Points: nearest, then lower index.
            std::int32_t want = -1;
            double best = 36.0;
            for (std::size_t v = 0; v < points.size(); ++v) {
                const ScreenPoint s = view.project(points[v]);
                const double d2 = (s.x - x) * (s.x - x) + (s.y - y) * (s.y - y);
                if (d2 < best || (d2 == best && want < 0)) {
                    best = d2;
                    want = static_cast<std::int32_t>(v);
                }
            }
            EXPECT_EQ(index.pickPoint(x, y, 6.0).vertex, want);
            // Edges: the minimal distance must match (ties may pick either equal edge).
            double bestEdge = std::numeric_limits<double>::infinity();
            for (const auto& tri : triangles) {
                for (int c = 0; c < 3; ++c) {
                    const ScreenPoint a = view.project(points[tri[c]]);
                    const ScreenPoint b = view.project(points[tri[(c + 1) % 3]]);
                    const double dx = b.x - a.x, dy = b.y - a.y;
                    const double t = std::clamp(
                        ((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
                    bestEdge = std::min(bestEdge, std::hypot(a.x + t * dx - x, a.y + t * dy - y));
                }
            }
            const EdgeHit edge = index.pickEdge(x, y, 5.0, false);
            if (bestEdge <= 5.0) {
                ASSERT_GE(edge.polygon, 0);
                EXPECT_NEAR(edge.distance, bestEdge, 1e-9);
            } else {
                EXPECT_EQ(edge.polygon, -1);
            }
        }
        // Rubber bands.
        const double x0 = unit(rng) * 300, y0 = unit(rng) * 300;
        const double x1 = unit(rng) * 300, y1 = unit(rng) * 300;
        std::vector<std::int32_t> inside;
        for (std::size_t v = 0; v < points.size(); ++v) {
            const ScreenPoint s = view.project(points[v]);
            if (s.x >= std::min(x0, x1) && s.x <= std::max(x0, x1) && s.y >= std::min(y0, y1) &&
                s.y <= std::max(y0, y1)) {
                inside.push_back(static_cast<std::int32_t>(v));
            }
        }
        EXPECT_EQ(index.pointsInRect(x0, y0, x1, y1), inside);
    }
}
