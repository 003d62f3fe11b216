// Adjacency tables and smoothing.
#include "support/ModelBuilders.h"

#include "brontle/model/Polygon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace brontle;
using namespace testing_shapes;

TEST(Topology, VertexPolygonListsMatchAScanOnARandomMesh) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> vertex(0, 59), size(3, 6);
    std::vector<Vector3> points(60);
    std::vector<std::vector<std::int32_t>> polygons(200);
    for (auto& polygon : polygons) {
        const int n = size(random);
        for (int i = 0; i < n; ++i) {
            polygon.push_back(vertex(random)); // repeats inside a polygon happen on purpose
        }
    }
    ShapePtr shape = shapeFrom(Shape::create(), points, polygons);
    const Topology t = shape->GetTopology();
    ASSERT_EQ(t.vertexCount, 60);
    ASSERT_EQ(t.polygonCount(), 200);
    for (std::int32_t v = 0; v < 60; ++v) {
        std::vector<std::int32_t> expected;
        for (std::int32_t p = 0; p < 200; ++p) {
            if (std::find(polygons[p].begin(), polygons[p].end(), v) != polygons[p].end()) {
                expected.push_back(p);
            }
        }
        const auto got = t.polygonsOfVertex(v);
        EXPECT_EQ(std::vector<std::int32_t>(got.begin(), got.end()), expected) << v;
    }
    EXPECT_EQ(t.cornersOfPolygon(7).size(), polygons[7].size());
}

TEST(Normals, SmoothingAt180GivesOneNormalPerVertex) {
    ShapePtr cube = flatShadedCube();
    EXPECT_EQ(cube->GetPolygon(0).GetFaceNormal(), (Vector3{0, 0, -1}));
    cube->SetSmoothingAngle(180.0f);
    EXPECT_EQ(cube->GetNormalCount(), 8);
    const float k = 1.0f / std::sqrt(3.0f);
    for (std::int32_t c = 0; c < cube->cornerCount(); ++c) {
        const Vector3 p = cube->vertices()[cube->cornerVertex()[c]];
        const Vector3 n = cube->normals()[cube->cornerNormal()[c]];
        EXPECT_NEAR(n.x, p.x > 0.5f ? k : -k, 1e-6f);
        EXPECT_NEAR(n.y, p.y > 0.5f ? k : -k, 1e-6f);
        EXPECT_NEAR(n.z, p.z > 0.5f ? k : -k, 1e-6f);
    }
    // A small angle keeps every cube edge hard: each corner gets its face normal back.
    cube->SetSmoothingAngle(30.0f);
    for (std::int32_t p = 0; p < 6; ++p) {
        Polygon poly = cube->GetPolygon(p);
        for (std::int32_t k2 = 0; k2 < 4; ++k2) {
            EXPECT_EQ(cube->GetNormal(poly.GetCornerNormalIndex(k2)), poly.GetFaceNormal());
        }
    }
}

TEST(Normals, FaceNormalFollowsTheWindingAndIsZeroWithoutArea) {
    ShapePtr shape = shapeFrom(Shape::create(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}},
                               {{0, 1, 2}, {0, 2, 1}, {0, 1, 3}});
    EXPECT_EQ(shape->GetPolygon(0).GetFaceNormal(), (Vector3{0, 0, 1}));
    EXPECT_EQ(shape->GetPolygon(1).GetFaceNormal(), (Vector3{0, 0, -1}));
    EXPECT_EQ(shape->GetPolygon(2).GetFaceNormal(), (Vector3{0, 0, 0}));
}
