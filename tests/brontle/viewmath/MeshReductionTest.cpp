// The preview's reduced mesh (vertex clustering): how many triangles it keeps, that none
// collapses, that every vertex stays in its cell, that texture seams and islands are kept apart,
// and awkward input (empty, one triangle, non-finite positions, bad indices, repeats).
#include "brontle/viewmath/MeshReduction.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <set>

using namespace brontle;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Arrays {
    std::vector<Vector3> vertices, normals;
    std::vector<Vector2> texcoords;
    std::vector<std::int32_t> polygonStart{0}, cornerVertex, cornerNormal, cornerTexCoord,
        polygonMaterial;

    ReductionInput input() const {
        return {vertices,     normals,      texcoords,      polygonStart,
                cornerVertex, cornerNormal, cornerTexCoord, polygonMaterial};
    }
    void corner(std::int32_t v, std::int32_t n, std::int32_t t) {
        cornerVertex.push_back(v);
        cornerNormal.push_back(n);
        cornerTexCoord.push_back(t);
    }
    void endPolygon(std::int32_t material = 0) {
        polygonStart.push_back(static_cast<std::int32_t>(cornerVertex.size()));
        polygonMaterial.push_back(material);
    }
};

// A torus round the y axis (ring radius 1, tube 0.25) of rings x segments quads whose texture
// wraps once each way: u = 1 - a / 2 pi round the ring, v = t / 2 pi round the tube, with the
// seams where a and t are 0 (a second row and column of texture coordinates there). The half
// with x < 0 has material 1.
Arrays torus(int rings, int segments) {
    Arrays m;
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            const double a = kTwoPi * i / rings, t = kTwoPi * j / segments;
            const double r = 1.0 + 0.25 * std::cos(t);
            m.vertices.push_back({static_cast<float>(r * std::cos(a)),
                                  static_cast<float>(0.25 * std::sin(t)),
                                  static_cast<float>(r * std::sin(a))});
            m.normals.push_back({static_cast<float>(std::cos(t) * std::cos(a)),
                                 static_cast<float>(std::sin(t)),
                                 static_cast<float>(std::cos(t) * std::sin(a))});
        }
    }
    for (int i = 0; i <= rings; ++i) {
        for (int j = 0; j <= segments; ++j) {
            m.texcoords.push_back({static_cast<float>(1.0 - double(i) / rings),
                                   static_cast<float>(double(j) / segments)});
        }
    }
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            for (auto [di, dj] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
                const int v = ((i + di) % rings) * segments + (j + dj) % segments;
                m.corner(v, v, (i + di) * (segments + 1) + j + dj);
            }
            m.endPolygon(i * 2 < rings ? 0 : 1);
        }
    }
    return m;
}

// The texture coordinate the torus has at point p, as the angles give it (in [0, 1)).
Vector2 torusTexture(const Vector3& p) {
    double a = std::atan2(p.z, p.x);
    a = a < 0 ? a + kTwoPi : a;
    const double r = std::sqrt(double(p.x) * p.x + double(p.z) * p.z);
    double t = std::atan2(p.y, r - 1.0);
    t = t < 0 ? t + kTwoPi : t;
    return {static_cast<float>(1.0 - a / kTwoPi), static_cast<float>(t / kTwoPi)};
}

// Distance between two texture coordinates on a tile that wraps (0 and 1 are one line).
double wrapped(double a, double b) {
    const double d = std::abs(a - b);
    return std::min(d, std::abs(d - 1.0));
}

Vector3 cross(const Vector3& a, const Vector3& b, const Vector3& c) {
    const Vector3 u{b.x - a.x, b.y - a.y, b.z - a.z}, w{c.x - a.x, c.y - a.y, c.z - a.z};
    return {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
}

// A columns x rows grid of unit quads in z = 0 with texture coordinates (x + shift, y) of its
// own (an island), added to `m`.
void addGrid(Arrays& m, int columns, int rows, float shift) {
    const auto base = static_cast<std::int32_t>(m.vertices.size());
    const auto tbase = static_cast<std::int32_t>(m.texcoords.size());
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            m.vertices.push_back({float(i), float(j), 0.0f});
            m.texcoords.push_back({float(i) / columns + shift, float(j) / rows});
        }
    }
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            for (int v : {j * (columns + 1) + i, j * (columns + 1) + i + 1,
                          (j + 1) * (columns + 1) + i + 1, (j + 1) * (columns + 1) + i}) {
                m.corner(base + v, -1, tbase + v);
            }
            m.endPolygon();
        }
    }
}

TEST(MeshReductionTest, TorusKeepsAboutTheTargetWithSeamsCellsAndWinding) {
    const Arrays m = torus(400, 100); // 80,000 triangles
    ASSERT_EQ(fanTriangleCount(m.polygonStart), 80000);
    const std::int64_t target = 8000;
    const ReducedMesh r = reduceMesh(m.input(), target);
    EXPECT_GT(r.triangleCount(), target * 6 / 10);
    EXPECT_LT(r.triangleCount(), target * 14 / 10);
    ASSERT_EQ(r.positions.size(), r.normals.size());
    ASSERT_EQ(r.positions.size(), r.texcoords.size());
    ASSERT_EQ(r.positions.size(), r.vertexCell.size());
    ASSERT_GT(r.cellSize, 0.0);

    // Every vertex lies in the box of its cell, its normal has unit length and points the way
    // the torus faces there, and its texture coordinate is the torus's at that point (0 and 1
    // being one line at the seams: averaging across a seam would give about 0.5 there).
    const double slack = 1e-4 * r.cellSize;
    int seamSide = 0;
    for (std::size_t i = 0; i < r.positions.size(); ++i) {
        const Vector3& p = r.positions[i];
        const double c[3] = {p.x, p.y, p.z}, o[3] = {r.origin.x, r.origin.y, r.origin.z};
        for (int a = 0; a < 3; ++a) {
            const double lo = o[a] + r.vertexCell[i][static_cast<std::size_t>(a)] * r.cellSize;
            EXPECT_GE(c[a], lo - slack) << "vertex " << i << " axis " << a;
            EXPECT_LE(c[a], lo + r.cellSize + slack) << "vertex " << i << " axis " << a;
        }
        const Vector3& n = r.normals[i];
        EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0, 1e-4);
        const double a = std::atan2(p.z, p.x);
        const double rr = std::sqrt(double(p.x) * p.x + double(p.z) * p.z);
        const double out[3] = {(rr - 1.0) * std::cos(a), p.y, (rr - 1.0) * std::sin(a)};
        EXPECT_GT((n.x * out[0] + n.y * out[1] + n.z * out[2]) /
                      std::sqrt(out[0] * out[0] + out[1] * out[1] + out[2] * out[2]),
                  0.8)
            << "vertex " << i;
        const Vector2 expected = torusTexture(p);
        EXPECT_LT(wrapped(r.texcoords[i].u, expected.u), 0.02) << "vertex " << i;
        EXPECT_LT(wrapped(r.texcoords[i].v, expected.v), 0.05) << "vertex " << i;
        seamSide += r.texcoords[i].u > 0.99 ? 1 : 0;
    }
    EXPECT_GT(seamSide, 0); // the seam's u = 1 side has vertices of its own

    // No triangle collapses or spans a seam (its texture would then run across the whole tile),
    // and each turns the way the torus's own triangles turn seen from outside.
    std::set<std::array<std::uint32_t, 3>> seen;
    // The winding of the input's triangles seen from outside (the same for all of them).
    const Vector3 first = cross(m.vertices[static_cast<std::size_t>(m.cornerVertex[0])],
                                m.vertices[static_cast<std::size_t>(m.cornerVertex[1])],
                                m.vertices[static_cast<std::size_t>(m.cornerVertex[2])]);
    const Vector3& firstNormal = m.normals[static_cast<std::size_t>(m.cornerVertex[0])];
    const bool inputOutwards =
        first.x * firstNormal.x + first.y * firstNormal.y + first.z * firstNormal.z > 0;
    int outwards = 0;
    for (std::size_t t = 0; t < r.indices.size(); t += 3) {
        const std::uint32_t a = r.indices[t], b = r.indices[t + 1], c = r.indices[t + 2];
        ASSERT_LT(std::max({a, b, c}), r.positions.size());
        EXPECT_TRUE(a != b && b != c && a != c);
        const Vector3 n = cross(r.positions[a], r.positions[b], r.positions[c]);
        EXPECT_GT(n.x * n.x + n.y * n.y + n.z * n.z, 0.0f);
        const Vector3& na = r.normals[a];
        outwards += (n.x * na.x + n.y * na.y + n.z * na.z > 0) == inputOutwards ? 1 : 0;
        for (const auto& [x, y] : {std::pair{a, b}, {b, c}, {a, c}}) {
            EXPECT_LT(std::abs(r.texcoords[x].u - r.texcoords[y].u), 0.5f);
            EXPECT_LT(std::abs(r.texcoords[x].v - r.texcoords[y].v), 0.5f);
        }
        const std::uint32_t least = std::min({a, b, c});
        const std::array<std::uint32_t, 3> key = least == a   ? std::array{a, b, c}
                                                 : least == b ? std::array{b, c, a}
                                                              : std::array{c, a, b};
        EXPECT_TRUE(seen.insert(key).second) << "a repeated triangle";
    }
    EXPECT_GT(outwards, r.triangleCount() * 95 / 100);

    // Two materials, in order, covering every triangle once.
    ASSERT_EQ(r.ranges.size(), 2u);
    EXPECT_EQ(r.ranges[0].material, 0);
    EXPECT_EQ(r.ranges[1].material, 1);
    EXPECT_EQ(r.ranges[0].firstIndex, 0);
    EXPECT_EQ(r.ranges[1].firstIndex, r.ranges[0].indexCount);
    EXPECT_EQ(r.ranges[0].indexCount + r.ranges[1].indexCount,
              static_cast<std::int32_t>(r.indices.size()));
    EXPECT_NEAR(r.ranges[0].indexCount, r.ranges[1].indexCount, r.indices.size() / 10.0);

    // A target ten times higher keeps about ten times as many.
    const ReducedMesh finer = reduceMesh(m.input(), 40000);
    EXPECT_GT(finer.triangleCount(), 40000 * 6 / 10);
    EXPECT_LT(finer.triangleCount(), 40000 * 14 / 10);
}

TEST(MeshReductionTest, IslandsOnTheSameSurfaceStayApart) {
    // Two grids on the very same positions, each with its own texture island: one in u 0..1,
    // the other in u 3..4. No vertex may mix them.
    Arrays m;
    addGrid(m, 60, 60, 0.0f);
    addGrid(m, 60, 60, 3.0f);
    const ReducedMesh r = reduceMesh(m.input(), 2000);
    ASSERT_GT(r.triangleCount(), 0);
    int low = 0, high = 0;
    for (const Vector2& t : r.texcoords) {
        EXPECT_TRUE((t.u >= -1e-4f && t.u <= 1.0001f) || (t.u >= 2.9999f && t.u <= 4.0001f)) << t.u;
        (t.u < 2.0f ? low : high) += 1;
    }
    EXPECT_GT(low, 0);
    EXPECT_GT(high, 0);
    // Each island keeps its own triangles (the same clusters would otherwise give repeats).
    EXPECT_GT(r.triangleCount(), 2000 / 2);
    for (std::size_t t = 0; t < r.indices.size(); t += 3) {
        const bool first = r.texcoords[r.indices[t]].u < 2.0f;
        EXPECT_EQ(r.texcoords[r.indices[t + 1]].u < 2.0f, first);
        EXPECT_EQ(r.texcoords[r.indices[t + 2]].u < 2.0f, first);
    }
    // Without normals the polygons' own normal (+z for these anticlockwise quads) is used.
    for (const Vector3& n : r.normals) {
        EXPECT_NEAR(n.z, 1.0f, 1e-5f);
    }
}

TEST(MeshReductionTest, SmallEmptyAndBrokenInput) {
    // Nothing in, nothing out.
    EXPECT_EQ(reduceMesh(Arrays{}.input(), 100).triangleCount(), 0);
    // One triangle under the target comes back as it is.
    Arrays one;
    one.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    one.texcoords = {{0, 0}, {1, 0}, {0, 1}};
    for (int k = 0; k < 3; ++k) {
        one.corner(k, -1, k);
    }
    one.endPolygon();
    ReducedMesh r = reduceMesh(one.input(), 1000);
    ASSERT_EQ(r.triangleCount(), 1);
    for (int k = 0; k < 3; ++k) {
        const Vector3& p = r.positions[r.indices[static_cast<std::size_t>(k)]];
        EXPECT_EQ(p, one.vertices[static_cast<std::size_t>(k)]);
        EXPECT_EQ(r.texcoords[r.indices[static_cast<std::size_t>(k)]],
                  one.texcoords[static_cast<std::size_t>(k)]);
    }
    // The same triangle twice, a triangle on one point and a polygon of two corners: one left.
    one.vertices.push_back({5, 5, 5});
    for (int k = 0; k < 3; ++k) {
        one.corner(k, -1, k);
    }
    one.endPolygon();
    for (int k = 0; k < 3; ++k) {
        one.corner(3, -1, -1);
    }
    one.endPolygon();
    one.corner(0, -1, 0);
    one.corner(1, -1, 1);
    one.endPolygon();
    EXPECT_EQ(reduceMesh(one.input(), 1000).triangleCount(), 1);

    // A grid under its target comes back whole; one vertex that is not a number, and corners
    // naming no vertex, take their triangles away and nothing else.
    Arrays grid;
    addGrid(grid, 10, 10, 0.0f);
    EXPECT_EQ(reduceMesh(grid.input(), 1000).triangleCount(), 200);
    EXPECT_EQ(reduceMesh(grid.input(), std::numeric_limits<std::int64_t>::max()).triangleCount(),
              200);
    grid.vertices[60] = {std::nanf(""), 0.0f, 0.0f};
    grid.cornerVertex[0] = -1;
    grid.cornerVertex[4] = 100000;
    r = reduceMesh(grid.input(), 1000);
    // Vertex 60 (inside) is in 4 quads, 6 of their 8 triangles; corner 0 starts quad 0's fan
    // (both triangles); corner 4 starts quad 1's (both).
    EXPECT_EQ(r.triangleCount(), 200 - 6 - 2 - 2);
    for (std::size_t i = 0; i < r.positions.size(); ++i) {
        EXPECT_TRUE(std::isfinite(r.positions[i].x) && std::isfinite(r.positions[i].y) &&
                    std::isfinite(r.positions[i].z));
        EXPECT_TRUE(std::isfinite(r.normals[i].x) && std::isfinite(r.texcoords[i].u));
    }
    // Reduced far below its size it still gives a mesh, with no vertex outside the box.
    r = reduceMesh(grid.input(), 30);
    EXPECT_GT(r.triangleCount(), 0);
    EXPECT_LE(r.triangleCount(), 60);
    for (const Vector3& p : r.positions) {
        EXPECT_TRUE(p.x >= 0.0f && p.x <= 10.0f && p.y >= 0.0f && p.y <= 10.0f);
    }
}

} // namespace
