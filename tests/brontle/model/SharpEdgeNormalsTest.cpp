// Normals assigned to meshes without any: smooth across gentle edges, split at sharp ones.
#include "support/ModelBuilders.h"

#include "brontle/model/SharpEdgeNormals.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brontle;

namespace {

// A prism: a regular `sides`-gon of height 1 (side quads), with n-gon caps.
struct Arrays {
    std::vector<Vector3> positions;
    std::vector<std::int32_t> polygonStart{0};
    std::vector<std::int32_t> cornerVertex;
    void add(std::initializer_list<std::int32_t> corners) {
        cornerVertex.insert(cornerVertex.end(), corners);
        polygonStart.push_back(static_cast<std::int32_t>(cornerVertex.size()));
    }
};

Arrays prism(int sides) {
    Arrays a;
    for (int z = 0; z < 2; ++z) {
        for (int i = 0; i < sides; ++i) {
            const double t = 2.0 * 3.14159265358979 * i / sides;
            a.positions.push_back({float(std::cos(t)), float(std::sin(t)), float(z)});
        }
    }
    for (int i = 0; i < sides; ++i) {
        const int j = (i + 1) % sides;
        a.add({i, j, sides + j, sides + i});
    }
    a.cornerVertex.reserve(a.cornerVertex.size() + 2 * sides);
    for (int i = sides - 1; i >= 0; --i) { // bottom, facing -z
        a.cornerVertex.push_back(i);
    }
    a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
    for (int i = 0; i < sides; ++i) { // top, facing +z
        a.cornerVertex.push_back(sides + i);
    }
    a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
    return a;
}

float dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

} // namespace

TEST(SharpEdgeNormals, PrismSidesAreSmoothOnlyWhenTheirAngleIsGentle) {
    // 12 sides meet at 30 degrees: smooth round the side, split at the caps (90 degrees).
    const Arrays round = prism(12);
    const std::vector<Vector3> n =
        sharpEdgeCornerNormals(round.positions, round.polygonStart, round.cornerVertex);
    ASSERT_EQ(n.size(), round.cornerVertex.size());
    for (int i = 0; i < 12; ++i) {
        // Corner 1 of side i and corner 0 of side i + 1 are the same vertex, smooth across.
        const Vector3 a = n[4 * i + 1];
        const Vector3 b = n[4 * ((i + 1) % 12)];
        EXPECT_FLOAT_EQ(a.x, b.x);
        EXPECT_FLOAT_EQ(a.y, b.y);
        EXPECT_FLOAT_EQ(a.z, 0.0f) << "sides do not smooth into the caps";
        // Radial: the vertex's own direction.
        const Vector3 v = round.positions[round.cornerVertex[4 * i + 1]];
        EXPECT_NEAR(dot(a, v), 1.0f, 1e-5f);
    }
    for (int c = 48; c < 72; ++c) {
        EXPECT_FLOAT_EQ(std::abs(n[c].z), 1.0f) << "cap corners keep the cap's normal";
    }

    // 6 sides meet at 60 degrees, beyond the 40-degree limit: every side flat.
    const Arrays hex = prism(6);
    const std::vector<Vector3> h =
        sharpEdgeCornerNormals(hex.positions, hex.polygonStart, hex.cornerVertex);
    for (int i = 0; i < 6; ++i) {
        for (int k = 1; k < 4; ++k) {
            EXPECT_FLOAT_EQ(h[4 * i + k].x, h[4 * i].x);
            EXPECT_FLOAT_EQ(h[4 * i + k].y, h[4 * i].y);
        }
    }
    // The same hexagon with a limit of 70 degrees is smooth round its sides.
    const std::vector<Vector3> soft =
        sharpEdgeCornerNormals(hex.positions, hex.polygonStart, hex.cornerVertex, 70.0);
    EXPECT_FLOAT_EQ(soft[1].x, soft[4].x);
    EXPECT_FLOAT_EQ(soft[1].y, soft[4].y);
}

TEST(SharpEdgeNormals, OnlyFlaggedPolygonsChangeAndThePoolIsShared) {
    ShapeArrays a;
    a.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}};
    a.polygonStart = {0, 4, 8};
    a.cornerVertex = {0, 1, 2, 3, 1, 4, 5, 2};
    // Polygon 0 came with a file normal, deliberately not the face's; polygon 1 came without.
    a.normals = {{0.6f, 0.0f, 0.8f}, {0.0f, 0.0f, -1.0f}};
    a.cornerNormal = {0, 0, 0, 0, 1, 1, 1, 1};
    assignSharpEdgeNormals(a, std::vector<char>{0, 1});
    ASSERT_EQ(a.cornerNormal.size(), 8u);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(a.normals[a.cornerNormal[c]], (Vector3{0.6f, 0.0f, 0.8f})) << "kept exactly";
    }
    for (int c = 4; c < 8; ++c) {
        EXPECT_EQ(a.normals[a.cornerNormal[c]], (Vector3{0.0f, 0.0f, 1.0f}));
    }
    EXPECT_EQ(a.normals.size(), 2u) << "one pool entry per distinct value, none unused";
}
