// Crease edges: found where normals are split, mapped back onto a shape's edges as
// (polygon, start corner) pairs.
#include "support/ModelBuilders.h"

#include "peelwise/uv/CreaseEdgesToSubSelection.h"
#include "peelwise/uv/FindCreaseEdges.h"

#include "brontle/core/Error.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

using namespace brontle;
using namespace testing_shapes;
using peelwise::modUV::CreaseEdge;
using peelwise::modUV::CreaseEdgesToSubSelection;
using peelwise::modUV::FindCreaseEdges;

namespace {

struct CreaseFixture : ::testing::Test {
    SceneGraphPtr scene = SceneGraph::create(nullptr);

    std::vector<CreaseEdge> find(Shape& shape) {
        std::vector<CreaseEdge> creases;
        std::int32_t count = 0;
        FindCreaseEdges(*scene, shape, creases, count);
        EXPECT_EQ(count, static_cast<std::int32_t>(creases.size()));
        return creases;
    }
};

// A latitude-longitude sphere of quads with triangle fans at the poles, every normal smoothed.
ShapePtr smoothSphere(int rings, int segments) {
    std::vector<Vector3> points{{0, 0, 1}};
    for (int r = 1; r < rings; ++r) {
        const double theta = std::numbers::pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            const double phi = 2 * std::numbers::pi * s / segments;
            points.push_back({float(std::sin(theta) * std::cos(phi)),
                              float(std::sin(theta) * std::sin(phi)), float(std::cos(theta))});
        }
    }
    points.push_back({0, 0, -1});
    const int south = static_cast<int>(points.size()) - 1;
    auto at = [&](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
    std::vector<std::vector<std::int32_t>> polygons;
    for (int s = 0; s < segments; ++s) {
        polygons.push_back({0, at(1, s), at(1, s + 1)});
        polygons.push_back({south, at(rings - 1, s + 1), at(rings - 1, s)});
    }
    for (int r = 1; r + 1 < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            polygons.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1), at(r, s + 1)});
        }
    }
    ShapePtr shape = shapeFrom(Shape::create(), points, polygons);
    shape->SetSmoothingAngle(180.0f);
    return shape;
}

// Two triangles folded along the ridge A-B, and one steep triangle hanging from each of A and B
// so that smoothing everything pulls the ridge normals away from the two faces' average.
// `ridgeNormal` is the normal both ridge triangles carry at A and B; every other corner carries
// its face normal.
ShapePtr ridge(const Vector3* ridgeNormal) {
    const std::vector<Vector3> points = {{0, 0, 0},        {1, 0, 0},     {0.5f, 1, 0.5f},
                                         {0.5f, -1, 0.5f}, {0, 0.3f, -1}, {0, -0.3f, -1},
                                         {1, -0.3f, -1},   {1, 0.3f, -1}};
    const std::vector<std::vector<std::int32_t>> polygons = {
        {0, 1, 2}, {1, 0, 3}, {0, 4, 5}, {1, 6, 7}};
    ShapePtr shape = shapeFrom(Shape::create(), points, polygons);
    ShapeArrays a;
    a.vertices = shape->vertices();
    a.texcoords = shape->texcoords();
    a.polygonStart = shape->polygonStart();
    a.cornerVertex = shape->cornerVertex();
    a.cornerTexCoord = shape->cornerTexCoord();
    for (std::int32_t p = 0; p < 4; ++p) {
        a.normals.push_back(shape->GetPolygon(p).GetFaceNormal());
    }
    const Toolkit toolkit;
    const Vector3 f0 = a.normals[0], f1 = a.normals[1];
    a.normals.push_back(ridgeNormal
                            ? *ridgeNormal
                            : toolkit.NormalizeVector({f0.x + f1.x, f0.y + f1.y, f0.z + f1.z}));
    for (std::int32_t p = 0; p < 4; ++p) {
        for (std::int32_t c = 0; c < 3; ++c) {
            const std::int32_t v = a.cornerVertex[p * 3 + c];
            a.cornerNormal.push_back(p < 2 && v < 2 ? 4 : p);
        }
    }
    shape->assignArrays(a);
    return shape;
}

} // namespace

TEST_F(CreaseFixture, FlatShadedCubeGivesEveryEdgeOfEveryFace) {
    ShapePtr cube = flatShadedCube();
    const std::vector<CreaseEdge> creases = find(*cube);
    ASSERT_EQ(creases.size(), 24u);
    // Polygon 0 is (0, 3, 2, 1): its edges in order (last, 0), (0, 1), ...
    EXPECT_EQ(creases[0], (CreaseEdge{{1, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(creases[1], (CreaseEdge{{0, 0, 0}, {0, 1, 0}}));
    // Each undirected edge appears twice, once in each direction.
    for (const CreaseEdge& e : creases) {
        int reversed = 0;
        for (const CreaseEdge& f : creases) {
            reversed += f.start == e.end && f.end == e.start;
        }
        EXPECT_EQ(reversed, 1);
    }

    std::vector<std::int32_t> polygons, corners;
    std::int32_t n = -1;
    CreaseEdgesToSubSelection(*cube, creases, 24, polygons, corners, n);
    ASSERT_EQ(n, 24);
    std::set<std::pair<std::int32_t, std::int32_t>> pairs;
    for (std::int32_t i = 0; i < n; ++i) {
        pairs.insert({polygons[i], corners[i]});
    }
    EXPECT_EQ(pairs.size(), 24u) << "every (face, start corner) once: all 12 edges from both sides";
    // The first crease (1 -> 0) starts at polygon 0's last corner.
    EXPECT_EQ(polygons[0], 0);
    EXPECT_EQ(corners[0], 3);
}

TEST_F(CreaseFixture, SmoothSphereHasNoCrease) {
    ShapePtr sphere = smoothSphere(8, 12);
    EXPECT_TRUE(find(*sphere).empty());
}

TEST_F(CreaseFixture, EdgeSmoothAcrossItsTwoFacesIsNotRecorded) {
    ShapePtr smoothRidge = ridge(nullptr);
    EXPECT_TRUE(find(*smoothRidge).empty());
    // The same ridge with a normal that is neither a face's nor the two faces' average: the
    // ridge is recorded once from each side, through the neighbour test.
    const Vector3 odd{0.0f, 0.6f, 0.8f};
    ShapePtr hardRidge = ridge(&odd);
    const std::vector<CreaseEdge> creases = find(*hardRidge);
    ASSERT_EQ(creases.size(), 2u);
    EXPECT_EQ(creases[0], (CreaseEdge{{0, 0, 0}, {1, 0, 0}}));
    EXPECT_EQ(creases[1], (CreaseEdge{{1, 0, 0}, {0, 0, 0}}));
}

TEST_F(CreaseFixture, CoincidentVerticesResolveToTheFirstAtThatPosition) {
    // Two copies of a quad at the same place: vertices 4..7 lie on 0..3.
    ShapePtr twin = shapeFrom(
        Shape::create(),
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
        {{0, 1, 2, 3}, {4, 5, 6, 7}});
    const std::vector<CreaseEdge> creases = {{{1, 0, 0}, {1, 1, 0}},
                                             {{0, 1, 0}, {0, 0, 0}},
                                             {{1, 1, 0}, {1, 0, 0}},  // no such directed edge
                                             {{5, 5, 5}, {1, 1, 0}}}; // no vertex there
    std::vector<std::int32_t> polygons{9}, corners{9};
    std::int32_t n = 0;
    CreaseEdgesToSubSelection(*twin, creases, 4, polygons, corners, n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(polygons, (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(corners, (std::vector<std::int32_t>{1, 3}));
    // Only the first `count` creases are used.
    CreaseEdgesToSubSelection(*twin, creases, 1, polygons, corners, n);
    EXPECT_EQ(n, 1);
    EXPECT_THROW(CreaseEdgesToSubSelection(*twin, creases, 5, polygons, corners, n), Error);
}

TEST_F(CreaseFixture, CreasesMapOntoACopyOfTheShape) {
    ShapePtr cube = flatShadedCube();
    const std::vector<CreaseEdge> creases = find(*cube);
    ShapePtr copy = scene->CreateShape();
    copy->AppendShape(*cube);
    copy->SetSmoothingAngle(180.0f); // the copy's normals do not matter, only its positions
    std::vector<std::int32_t> polygons, corners;
    std::int32_t n = 0;
    CreaseEdgesToSubSelection(*copy, creases, static_cast<std::int32_t>(creases.size()), polygons,
                              corners, n);
    EXPECT_EQ(n, 24);
    // Every pair names an edge whose ends are the crease's positions, in its direction.
    for (std::int32_t i = 0; i < n; ++i) {
        Polygon p = copy->GetPolygon(polygons[i]);
        const std::int32_t k = corners[i];
        const Vector3 from = copy->GetVertex(p.GetCornerVertex(k));
        const Vector3 to = copy->GetVertex(p.GetCornerVertex((k + 1) % p.GetCornerCount()));
        bool named = false;
        for (const CreaseEdge& e : creases) {
            named = named || (e.start == from && e.end == to);
        }
        EXPECT_TRUE(named) << "pair " << i;
    }
}
