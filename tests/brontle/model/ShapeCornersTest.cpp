// Corner-level host semantics: tolerance look-ups by hash, find-or-add of vertices and texture
// coordinates, and the pools those operations leave.
#include "support/ModelBuilders.h"

#include "brontle/core/Error.h"
#include "brontle/model/Polygon.h"

#include <gtest/gtest.h>

#include <random>

using namespace brontle;
using namespace testing_shapes;

namespace {

// The literal definition: the lowest index within 0.0001 on every axis, by a full scan.
std::int32_t scanForVertex(const Shape& shape, const Vector3& p) {
    for (std::int32_t i = 0; i < shape.GetVertexCount(); ++i) {
        const Vector3 q = shape.vertices()[i];
        if (std::fabs(q.x - p.x) <= 0.0001f && std::fabs(q.y - p.y) <= 0.0001f &&
            std::fabs(q.z - p.z) <= 0.0001f) {
            return i;
        }
    }
    return shape.GetVertexCount();
}

} // namespace

TEST(ShapeCorners, AddCornerSharesVerticesWithinTheToleranceOnly) {
    ShapePtr shape = Shape::create();
    Polygon a = shape->AddPolygon();
    a.AddCorner({0, 0, 0}, {0, 0, 1}, {0, 0});
    a.AddCorner({1, 0, 0}, {0, 0, 1}, {1, 0});
    a.AddCorner({1, 1, 0}, {0, 0, 1}, {1, 1});
    Polygon b = shape->AddPolygon();
    b.AddCorner({1.00005f, 0, 0}, {0, 0, 1}, {0, 0}); // within 0.0001: shared
    b.AddCorner({2, 0, 0}, {0, 0, 1}, {0, 0});
    b.AddCorner({1, 1.00015f, 0}, {0, 0, 1}, {0, 0}); // 0.00015 away: a vertex of its own
    EXPECT_EQ(shape->GetVertexCount(), 5);
    EXPECT_EQ(b.GetCornerVertex(0), a.GetCornerVertex(1));
    EXPECT_NE(b.GetCornerVertex(2), a.GetCornerVertex(2));
    // Same normal and texture coordinate values are pooled once.
    EXPECT_EQ(shape->GetNormalCount(), 1);
    EXPECT_EQ(b.GetCornerTexCoordIndex(1), a.GetCornerTexCoordIndex(0));
    EXPECT_EQ(shape->cornerCount(), 6);
    EXPECT_EQ(shape->polygonStart(), (std::vector<std::int32_t>{0, 3, 6}));
}

TEST(ShapeCorners, ToleranceBoundaryIsInclusive) {
    ShapePtr shape = Shape::create();
    EXPECT_EQ(shape->AddVertex({0.0f, 0.0f, 0.0f}), 0);
    // Differences are taken in single precision: exactly 0.0001f away on every axis matches,
    // while 0.5f + 0.0001f lies 0.000100017 from 0.5f and does not.
    EXPECT_EQ(shape->FindVertex({0.0001f, -0.0001f, 0.0001f}), 0);
    EXPECT_EQ(shape->FindVertex({0.0f, 0.0f, 0.00011f}), 1) << "not found reports the count";
    EXPECT_EQ(shape->AddVertex({0.0f, 0.0f, 0.00011f}), 1);
    EXPECT_EQ(shape->AddVertex({0.5f, 0.0f, 0.0f}), 2);
    EXPECT_EQ(shape->FindVertex({0.5f + 0.0001f, 0.0f, 0.0f}), 3);
}

TEST(ShapeCorners, HashedLookupAgreesWithAFullScan) {
    // Clustered random points, many within a tolerance of each other, compared with the literal
    // scan for queries near and away from them, including after edits invalidate the hash.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> cell(0.0f, 0.002f);
    ShapePtr shape = Shape::create();
    for (int i = 0; i < 3000; ++i) {
        shape->AddVertex({cell(random), cell(random), (i % 3) * 0.00005f});
    }
    for (int round = 0; round < 2; ++round) {
        for (int q = 0; q < 2000; ++q) {
            const Vector3 p{cell(random), cell(random), (q % 4) * 0.00004f};
            ASSERT_EQ(shape->FindVertex(p), scanForVertex(*shape, p)) << q;
        }
        shape->Translate({0.0003f, -0.0002f, 0.0f});
        shape->SetVertex(5, {0.001f, 0.001f, 0.0f});
    }
}

TEST(ShapeCorners, SetCornerUVKeepsSharingAfterAUniformShiftAndUnlinksAlone) {
    ShapePtr shape = quadStrip(2);
    // Both quads' shared edge corners point at one texture coordinate per vertex.
    std::vector<Vector2> uv = {{0.1f, 0.1f}, {0.1f, 0.9f}, {0.5f, 0.1f},
                               {0.5f, 0.9f}, {0.9f, 0.1f}, {0.9f, 0.9f}};
    std::vector<std::int32_t> corner = {0, 2, 3, 1, 2, 4, 5, 3};
    shape->assignTexCoords(uv, corner);
    // Shift every corner by (-1, -1) one at a time, as a layout tile shift does.
    for (std::int32_t p = 0; p < 2; ++p) {
        Polygon poly = shape->GetPolygon(p);
        for (std::int32_t k = 0; k < 4; ++k) {
            const Vector2 t = poly.GetCornerTexCoord(k);
            poly.SetCornerUV(k, {t.u - 1.0f, t.v - 1.0f});
        }
    }
    Polygon left = shape->GetPolygon(0), right = shape->GetPolygon(1);
    EXPECT_EQ(left.GetCornerTexCoordIndex(1), right.GetCornerTexCoordIndex(0));
    EXPECT_EQ(left.GetCornerTexCoordIndex(2), right.GetCornerTexCoordIndex(3));
    EXPECT_EQ(left.GetCornerTexCoord(1), (Vector2{-0.5f, -0.9f}));
    // Moving one corner alone gives it a coordinate of its own; its neighbour keeps the old one.
    const std::int32_t before = right.GetCornerTexCoordIndex(0);
    left.SetCornerUV(1, {-0.45f, -0.85f});
    EXPECT_NE(left.GetCornerTexCoordIndex(1), before);
    EXPECT_EQ(right.GetCornerTexCoordIndex(0), before);
    EXPECT_EQ(right.GetCornerTexCoord(0), (Vector2{-0.5f, -0.9f}));
}

TEST(ShapeCorners, CornerDataAndBadIndices) {
    ShapePtr shape = unitQuad();
    Polygon quad = shape->GetPolygon(0);
    const CornerData data = quad.GetCornerData(2);
    EXPECT_EQ(data.position, (Vector3{1, 1, 0}));
    EXPECT_EQ(data.normal, (Vector3{0, 0, 1}));
    quad.SetCornerData(2, {2, 2, 0}, data.normal, {0.5f, 0.5f});
    EXPECT_EQ(quad.GetCornerData(2).position, (Vector3{2, 2, 0}));
    EXPECT_EQ(shape->GetVertexCount(), 5) << "the old vertex stays in the pool";
    try {
        quad.GetCornerVertex(4);
        FAIL() << "corner 4 of a quad must be rejected";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::SubscriptOutOfRange);
    }
    EXPECT_THROW(shape->GetPolygon(1), Error);
    EXPECT_THROW(shape->GetVertex(-1), Error);
    EXPECT_THROW(quad.SetCorner(0, 99, 0, 0), Error);
}

TEST(ShapeCorners, AssignArraysRejectsArraysThatDoNotFit) {
    ShapePtr shape = unitQuad();
    ShapeArrays bad;
    bad.vertices = {{0, 0, 0}};
    bad.normals = {{0, 0, 1}};
    bad.texcoords = {{0, 0}};
    bad.cornerVertex = {0, 0, 3};
    bad.cornerNormal = {0, 0, 0};
    bad.cornerTexCoord = {0, 0, 0};
    bad.polygonStart = {0, 3};
    try {
        shape->assignArrays(bad);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::HostBadMesh);
        EXPECT_NE(e.description().find("vertex index 3"), std::string::npos) << e.description();
    }
    EXPECT_EQ(shape->GetVertexCount(), 4) << "a rejected assignment changes nothing";
    EXPECT_EQ(shape->GetPolygonCount(), 1);
}
