#include "brontle/io/SampleShapes.h"

#include "brontle/core/Error.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <array>
#include <cmath>
#include <numbers>
#include <string>

namespace brontle {
namespace {

constexpr double kPi = std::numbers::pi;

// Appends corners to whole arrays; pools are filled by the caller, who knows the indices.
struct Builder {
    ShapeArrays a;

    std::int32_t vertex(double x, double y, double z) {
        a.vertices.push_back({float(x), float(y), float(z)});
        return std::int32_t(a.vertices.size()) - 1;
    }
    std::int32_t normal(double x, double y, double z) {
        a.normals.push_back({float(x), float(y), float(z)});
        return std::int32_t(a.normals.size()) - 1;
    }
    std::int32_t uv(double u, double v) {
        a.texcoords.push_back({float(u), float(v)});
        return std::int32_t(a.texcoords.size()) - 1;
    }
    // One corner: vertex, normal and texture-coordinate index.
    void corner(std::int32_t v, std::int32_t n, std::int32_t t) {
        a.cornerVertex.push_back(v);
        a.cornerNormal.push_back(n);
        a.cornerTexCoord.push_back(t);
    }
    void endPolygon() {
        a.polygonStart.push_back(std::int32_t(a.cornerVertex.size()));
        a.polygonTag.push_back(0);
        a.polygonMaterial.push_back(0);
    }
    void reserve(std::size_t polygons, std::size_t corners) {
        a.polygonStart.reserve(polygons + 1);
        a.polygonTag.reserve(polygons);
        a.polygonMaterial.reserve(polygons);
        a.cornerVertex.reserve(corners);
        a.cornerNormal.reserve(corners);
        a.cornerTexCoord.reserve(corners);
    }
    ShapePtr finish(SceneGraph& scene) {
        ShapePtr shape = scene.CreateShape();
        shape->assignArrays(std::move(a));
        return shape;
    }
};

void require(bool condition, const std::string& what) {
    if (!condition) {
        throw Error(ErrorNumber::HostBadArgument, what, "SampleShapes");
    }
}

// Gives every vertex the normalised sum of the unit Newell normals of the polygons round it and
// points each corner at its vertex's normal: the same rule as Shape::SetSmoothingAngle(180),
// computed here on the arrays so that the two can be compared.
void smoothNormals(ShapeArrays& a) {
    const std::size_t vertexCount = a.vertices.size();
    std::vector<std::array<double, 3>> sum(vertexCount, {0.0, 0.0, 0.0});
    for (std::size_t p = 0; p + 1 < a.polygonStart.size(); ++p) {
        const std::int32_t begin = a.polygonStart[p], end = a.polygonStart[p + 1];
        const std::int32_t count = end - begin;
        double nx = 0, ny = 0, nz = 0;
        for (std::int32_t i = 0; i < count; ++i) {
            const Vector3& c = a.vertices[a.cornerVertex[begin + i]];
            const Vector3& d = a.vertices[a.cornerVertex[begin + (i + 1) % count]];
            nx += (double(c.y) - d.y) * (double(c.z) + d.z);
            ny += (double(c.z) - d.z) * (double(c.x) + d.x);
            nz += (double(c.x) - d.x) * (double(c.y) + d.y);
        }
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (!(length > 0.0)) {
            continue;
        }
        // Rounded to float first, as face normals are stored, so both sums add the same terms.
        const float ux = float(nx / length), uy = float(ny / length), uz = float(nz / length);
        for (std::int32_t k = begin; k < end; ++k) {
            auto& s = sum[a.cornerVertex[k]];
            s[0] += ux;
            s[1] += uy;
            s[2] += uz;
        }
    }
    a.normals.resize(vertexCount);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        const auto& s = sum[v];
        const double length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
        a.normals[v] =
            length > 0.0 ? Vector3{float(s[0] / length), float(s[1] / length), float(s[2] / length)}
                         : Vector3{};
    }
    a.cornerNormal = a.cornerVertex;
}

// A sphere-like grid: a vertex at each pole, rings - 1 latitude rows of `segments` vertices
// between, fans at the poles and quads (or two triangles each) between rows. `radius(row,
// column)` gives each row vertex's distance from the centre. Texture coordinates: one per
// (row, column) with an extra column for the seam, and one per pole triangle at the middle of
// its segment. u runs against the longitude so that the layout reads as seen from outside
// (counter-clockwise polygons stay counter-clockwise in the texture).
template <class Radius>
ShapeArrays sphereGrid(int rings, int segments, bool triangles, Radius radius) {
    Builder b;
    const std::size_t polygons =
        std::size_t(segments) * (2 + std::size_t(rings - 2) * (triangles ? 2 : 1));
    b.reserve(polygons, polygons * 4);
    b.a.vertices.reserve(std::size_t(rings - 1) * segments + 2);
    const std::int32_t south = b.vertex(0.0, -1.0, 0.0);
    for (int r = 1; r < rings; ++r) {
        const double latitude = -kPi / 2 + kPi * r / rings;
        for (int s = 0; s < segments; ++s) {
            const double longitude = 2 * kPi * s / segments;
            const double k = radius(r, s);
            b.vertex(k * std::cos(latitude) * std::cos(longitude), k * std::sin(latitude),
                     k * std::cos(latitude) * std::sin(longitude));
        }
    }
    const std::int32_t north = b.vertex(0.0, 1.0, 0.0);
    auto rowVertex = [&](int r, int s) { return 1 + (r - 1) * segments + s % segments; };
    // Texture coordinates: (segments + 1) per row for rows 1..rings-1, then the pole ones.
    for (int r = 1; r < rings; ++r) {
        for (int s = 0; s <= segments; ++s) {
            b.uv(1.0 - double(s) / segments, double(r) / rings);
        }
    }
    auto rowUV = [&](int r, int s) { return (r - 1) * (segments + 1) + s; };
    const std::int32_t southUV = std::int32_t(b.a.texcoords.size());
    for (int s = 0; s < segments; ++s) {
        b.uv(1.0 - (s + 0.5) / segments, 0.0);
    }
    const std::int32_t northUV = std::int32_t(b.a.texcoords.size());
    for (int s = 0; s < segments; ++s) {
        b.uv(1.0 - (s + 0.5) / segments, 1.0);
    }

    // Longitude grows from +x towards +z, so (column s, lower row), (s, upper row),
    // (s + 1, upper), (s + 1, lower) runs counter-clockwise seen from outside; the pole fans are
    // that quad with one row collapsed into the pole.
    for (int s = 0; s < segments; ++s) {
        b.corner(south, 0, southUV + s);
        b.corner(rowVertex(1, s), 0, rowUV(1, s));
        b.corner(rowVertex(1, s + 1), 0, rowUV(1, s + 1));
        b.endPolygon();
    }
    for (int r = 1; r + 1 < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const std::int32_t v00 = rowVertex(r, s), v01 = rowVertex(r, s + 1),
                               v10 = rowVertex(r + 1, s), v11 = rowVertex(r + 1, s + 1);
            const std::int32_t t00 = rowUV(r, s), t01 = rowUV(r, s + 1), t10 = rowUV(r + 1, s),
                               t11 = rowUV(r + 1, s + 1);
            if (triangles) {
                b.corner(v00, 0, t00), b.corner(v11, 0, t11), b.corner(v01, 0, t01);
                b.endPolygon();
                b.corner(v00, 0, t00), b.corner(v10, 0, t10), b.corner(v11, 0, t11);
                b.endPolygon();
            } else {
                b.corner(v00, 0, t00), b.corner(v10, 0, t10), b.corner(v11, 0, t11),
                    b.corner(v01, 0, t01);
                b.endPolygon();
            }
        }
    }
    for (int s = 0; s < segments; ++s) {
        b.corner(north, 0, northUV + s);
        b.corner(rowVertex(rings - 1, s + 1), 0, rowUV(rings - 1, s + 1));
        b.corner(rowVertex(rings - 1, s), 0, rowUV(rings - 1, s));
        b.endPolygon();
    }
    smoothNormals(b.a);
    return std::move(b.a);
}

// splitmix64: a fixed, portable sequence (standard distributions differ between libraries).
double noise(std::uint64_t key) {
    std::uint64_t z = key + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) / double(1ull << 53) * 2.0 - 1.0;
}

} // namespace

ShapePtr makeSampleShape(SceneGraph& scene) {
    constexpr int S = 24;                        // segments round the axis
    constexpr int kSideRows = 4;                 // quad rows up the side
    constexpr double R = 1.0, H = 2.0, C = 0.15; // radius, height, chamfer
    const double topRadius = R - C, sideTop = H - C;
    Builder b;
    b.reserve(2 + S * (3 + kSideRows), 4 * S * (3 + kSideRows) + 2 * S);

    // Vertex rings, each S vertices at angles 2 pi i / S from +x towards +z.
    auto ring = [&](double radius, double y) {
        const std::int32_t first = std::int32_t(b.a.vertices.size());
        for (int i = 0; i < S; ++i) {
            const double angle = 2 * kPi * i / S;
            b.vertex(radius * std::cos(angle), y, radius * std::sin(angle));
        }
        return first;
    };
    const std::int32_t bottomInner = ring(R / 2, 0.0);
    std::array<std::int32_t, kSideRows + 1> side{};
    for (int j = 0; j <= kSideRows; ++j) {
        side[j] = ring(R, sideTop * j / kSideRows);
    }
    const std::int32_t topOuter = ring(topRadius, H);
    const std::int32_t topInner = ring(topRadius / 2, H);
    auto at = [&](std::int32_t first, int i) { return first + (i % S); };

    // Normals: one per cap, one radial normal per segment line on the side, and one per
    // segment line on the chamfer, tilted 45 degrees up. Sharing within each part keeps it
    // smooth round the axis; different normals on either side of a rim make the rim hard.
    const std::int32_t down = b.normal(0, -1, 0), up = b.normal(0, 1, 0);
    const std::int32_t sideNormal = std::int32_t(b.a.normals.size());
    for (int i = 0; i < S; ++i) {
        b.normal(std::cos(2 * kPi * i / S), 0, std::sin(2 * kPi * i / S));
    }
    const std::int32_t chamferNormal = std::int32_t(b.a.normals.size());
    for (int i = 0; i < S; ++i) {
        const double angle = 2 * kPi * i / S;
        b.normal(std::cos(angle) * std::sqrt(0.5), std::sqrt(0.5),
                 std::sin(angle) * std::sqrt(0.5));
    }

    // Texture coordinates. The side and chamfer are unrolled by arc length up the profile into
    // v in [0.5, 1], u = 1 - angle / 2 pi (seen from outside, not mirrored), with an extra
    // column for the seam at angle 0.
    const double profile = sideTop + C * std::sqrt(2.0);
    std::array<std::int32_t, kSideRows + 2> bandUV{};
    for (int j = 0; j <= kSideRows + 1; ++j) {
        const double length = j <= kSideRows ? sideTop * j / kSideRows : profile;
        bandUV[j] = std::int32_t(b.a.texcoords.size());
        for (int i = 0; i <= S; ++i) {
            b.uv(1.0 - double(i) / S, 0.5 + 0.5 * length / profile);
        }
    }
    // Caps are discs of radius 0.24 centred at (0.25, 0.25) (bottom) and (0.75, 0.25) (top),
    // seen from outside, so neither is mirrored.
    auto capRing = [&](double fraction, double cu, double mirror) {
        const std::int32_t first = std::int32_t(b.a.texcoords.size());
        for (int i = 0; i < S; ++i) {
            const double angle = 2 * kPi * i / S;
            b.uv(cu + 0.24 * fraction * std::cos(angle),
                 0.25 + mirror * 0.24 * fraction * std::sin(angle));
        }
        return first;
    };
    const std::int32_t bottomOuterUV = capRing(1.0, 0.25, 1.0),
                       bottomInnerUV = capRing(0.5, 0.25, 1.0);
    const std::int32_t topOuterUV = capRing(1.0, 0.75, -1.0), topInnerUV = capRing(0.5, 0.75, -1.0);

    // Bottom cap, facing -y: seen from below, increasing angle runs counter-clockwise.
    for (int i = 0; i < S; ++i) {
        b.corner(at(bottomInner, i), down, at(bottomInnerUV, i));
    }
    b.endPolygon();
    for (int i = 0; i < S; ++i) {
        b.corner(at(side[0], i), down, at(bottomOuterUV, i));
        b.corner(at(side[0], i + 1), down, at(bottomOuterUV, i + 1));
        b.corner(at(bottomInner, i + 1), down, at(bottomInnerUV, i + 1));
        b.corner(at(bottomInner, i), down, at(bottomInnerUV, i));
        b.endPolygon();
    }
    // Side rows and the chamfer: (i, lower), (i, upper), (i + 1, upper), (i + 1, lower) runs
    // counter-clockwise seen from outside.
    auto band = [&](std::int32_t lower, std::int32_t upper, std::int32_t lowerUV,
                    std::int32_t upperUV, std::int32_t normals) {
        for (int i = 0; i < S; ++i) {
            b.corner(at(lower, i), normals + i, lowerUV + i);
            b.corner(at(upper, i), normals + i, upperUV + i);
            b.corner(at(upper, i + 1), normals + (i + 1) % S, upperUV + i + 1);
            b.corner(at(lower, i + 1), normals + (i + 1) % S, lowerUV + i + 1);
            b.endPolygon();
        }
    };
    for (int j = 0; j < kSideRows; ++j) {
        band(side[j], side[j + 1], bandUV[j], bandUV[j + 1], sideNormal);
    }
    band(side[kSideRows], topOuter, bandUV[kSideRows], bandUV[kSideRows + 1], chamferNormal);
    // Top cap, facing +y: seen from above, increasing angle runs clockwise, so corners go the
    // other way.
    for (int i = 0; i < S; ++i) {
        b.corner(at(topOuter, i), up, at(topOuterUV, i));
        b.corner(at(topInner, i), up, at(topInnerUV, i));
        b.corner(at(topInner, i + 1), up, at(topInnerUV, i + 1));
        b.corner(at(topOuter, i + 1), up, at(topOuterUV, i + 1));
        b.endPolygon();
    }
    for (int i = S - 1; i >= 0; --i) {
        b.corner(at(topInner, i), up, at(topInnerUV, i));
    }
    b.endPolygon();
    return b.finish(scene);
}

ShapePtr makeFlatShadedCube(SceneGraph& scene) {
    Builder b;
    b.reserve(6, 24);
    // Vertex index bits: 1 -> x = +1, 2 -> y = +1, 4 -> z = +1.
    for (int i = 0; i < 8; ++i) {
        b.vertex(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1);
    }
    // Each face counter-clockwise seen from outside, with its outward normal.
    struct Face {
        std::array<std::int32_t, 4> corners;
        std::array<int, 3> normal;
    };
    const std::array<Face, 6> faces{{
        {{1, 3, 7, 5}, {1, 0, 0}},
        {{0, 4, 6, 2}, {-1, 0, 0}},
        {{2, 6, 7, 3}, {0, 1, 0}},
        {{0, 1, 5, 4}, {0, -1, 0}},
        {{4, 5, 7, 6}, {0, 0, 1}},
        {{0, 2, 3, 1}, {0, 0, -1}},
    }};
    for (std::size_t f = 0; f < faces.size(); ++f) {
        const std::int32_t normal =
            b.normal(faces[f].normal[0], faces[f].normal[1], faces[f].normal[2]);
        // Face f fills cell (f % 3, f / 3) of a 3 x 2 grid, inset so cells do not touch.
        const double u0 = (f % 3) / 3.0, v0 = (f / 3) / 2.0, inset = 0.02;
        const std::int32_t uv = b.uv(u0 + inset, v0 + inset);
        b.uv(u0 + 1.0 / 3 - inset, v0 + inset);
        b.uv(u0 + 1.0 / 3 - inset, v0 + 0.5 - inset);
        b.uv(u0 + inset, v0 + 0.5 - inset);
        for (int k = 0; k < 4; ++k) {
            b.corner(faces[f].corners[k], normal, uv + k);
        }
        b.endPolygon();
    }
    return b.finish(scene);
}

ShapePtr makeSmoothSphere(SceneGraph& scene, int rings, int segments) {
    require(rings >= 2 && segments >= 3, "makeSmoothSphere: needs at least 2 rings and 3 segments");
    ShapePtr shape = scene.CreateShape();
    shape->assignArrays(sphereGrid(rings, segments, false, [](int, int) { return 1.0; }));
    return shape;
}

ShapePtr makeQuadGrid(SceneGraph& scene, int n, int m) {
    require(n >= 1 && m >= 1, "makeQuadGrid: needs at least one quad each way");
    Builder b;
    b.reserve(std::size_t(n) * m, std::size_t(n) * m * 4);
    b.a.vertices.reserve(std::size_t(n + 1) * (m + 1));
    b.a.texcoords.reserve(std::size_t(n + 1) * (m + 1));
    for (int j = 0; j <= m; ++j) {
        for (int i = 0; i <= n; ++i) {
            b.vertex(i, j, 0);
            b.uv(double(i) / n, double(j) / m);
        }
    }
    const std::int32_t normal = b.normal(0, 0, 1);
    auto index = [&](int i, int j) { return std::int32_t(j * (n + 1) + i); };
    for (int j = 0; j < m; ++j) {
        for (int i = 0; i < n; ++i) {
            for (std::int32_t v :
                 {index(i, j), index(i + 1, j), index(i + 1, j + 1), index(i, j + 1)}) {
                b.corner(v, normal, v);
            }
            b.endPolygon();
        }
    }
    return b.finish(scene);
}

ShapePtr makeTorus(SceneGraph& scene, int rings, int segments) {
    require(rings >= 3 && segments >= 3, "makeTorus: needs at least 3 rings and 3 segments");
    constexpr double kRing = 1.0, kTube = 0.25;
    Builder b;
    b.reserve(std::size_t(rings) * segments, std::size_t(rings) * segments * 4);
    // Vertex (i, j): angle a = 2 pi i / rings round the y axis, angle t = 2 pi j / segments
    // round the tube, starting outside and going up.
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            const double a = 2 * kPi * i / rings, t = 2 * kPi * j / segments;
            const double r = kRing + kTube * std::cos(t);
            b.vertex(r * std::cos(a), kTube * std::sin(t), r * std::sin(a));
            b.normal(std::cos(t) * std::cos(a), std::sin(t), std::cos(t) * std::sin(a));
        }
    }
    for (int i = 0; i <= rings; ++i) {
        for (int j = 0; j <= segments; ++j) {
            b.uv(1.0 - double(i) / rings, double(j) / segments);
        }
    }
    auto vertex = [&](int i, int j) { return std::int32_t((i % rings) * segments + j % segments); };
    auto uv = [&](int i, int j) { return std::int32_t(i * (segments + 1) + j); };
    // Outside the tube at t = 0 the surface is like a cylinder's side with a as its angle and
    // t going up, so (i, j), (i, j + 1), (i + 1, j + 1), (i + 1, j) faces outwards.
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            for (auto [di, dj] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
                b.corner(vertex(i + di, j + dj), vertex(i + di, j + dj), uv(i + di, j + dj));
            }
            b.endPolygon();
        }
    }
    return b.finish(scene);
}

ShapePtr makeNoisySphere(SceneGraph& scene, int targetTriangles, std::uint32_t seed) {
    // 2 * segments * (rings - 1) triangles with segments = 2 * rings: about 4 rings^2.
    const int rings = std::max(4, int(std::lround(std::sqrt(std::max(targetTriangles, 32) / 4.0))));
    const int segments = 2 * rings;
    const std::uint64_t base = std::uint64_t(seed) << 32;
    // The bump shrinks with the row's circumference (cos of the latitude), so that near the
    // poles, where edges are short, it stays as gentle as at the equator and no face turns
    // away from the smooth normal.
    auto radius = [&](int r, int s) {
        const double latitude = -kPi / 2 + kPi * r / rings;
        return 1.0 + 0.05 * std::cos(latitude) *
                         noise(base ^ (std::uint64_t(r) * std::uint64_t(segments) + s));
    };
    ShapePtr shape = scene.CreateShape();
    shape->assignArrays(sphereGrid(rings, segments, true, radius));
    return shape;
}

} // namespace brontle
