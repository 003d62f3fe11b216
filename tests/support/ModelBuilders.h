#pragma once
// The shapes the tests share, as host shapes: literal ones (a unit quad, a strip of quads, a
// grid of quads, a flat-shaded cube, a row of ten tagged quads, a box), atlas shapes given by their
// texture coordinates, and randomised atlases whose coordinates coincide, nearly coincide (around
// the 0.0001 tolerance), fold (u > 1, v < 0) and wind both ways.

#include "support/MeshLiterals.h"

#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace testing_shapes {

using namespace brontle;

// Polygons given as vertex-index lists over `positions`; every corner gets normal 0 (0, 0, 1)
// and texture coordinate 0 unless the caller fills them.
inline ShapePtr shapeFrom(const ShapePtr& shape, std::vector<Vector3> positions,
                          const std::vector<std::vector<std::int32_t>>& polygons) {
    ShapeArrays a;
    a.vertices = std::move(positions);
    a.normals = {{0, 0, 1}};
    a.texcoords = {{0, 0}};
    for (const auto& polygon : polygons) {
        for (std::int32_t v : polygon) {
            a.cornerVertex.push_back(v);
            a.cornerNormal.push_back(0);
            a.cornerTexCoord.push_back(0);
        }
        a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
    }
    shape->assignArrays(std::move(a));
    return shape;
}

// Positions from (x, y, z) triples.
template <std::size_t N>
std::vector<Vector3> positionsOf(const std::array<std::array<float, 3>, N>& triples) {
    std::vector<Vector3> out;
    for (const auto& p : triples) {
        out.push_back({p[0], p[1], p[2]});
    }
    return out;
}

inline ShapePtr unitQuad(const ShapePtr& shape = Shape::create()) {
    const auto& q = mesh_literals::kUnitQuadPolygons[0];
    return shapeFrom(shape, positionsOf(mesh_literals::kUnitQuadPositions),
                     {{q[0], q[1], q[2], q[3]}});
}

// A row of `count` unit quads along x, sharing their vertical edges.
inline ShapePtr quadStrip(int count, const ShapePtr& shape = Shape::create()) {
    std::vector<Vector3> points;
    for (int i = 0; i <= count; ++i) {
        points.push_back({float(i), 0, 0});
        points.push_back({float(i), 1, 0});
    }
    std::vector<std::vector<std::int32_t>> polygons;
    for (int i = 0; i < count; ++i) {
        polygons.push_back({2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1});
    }
    return shapeFrom(shape, points, polygons);
}

// A grid of `columns` x `rows` unit quads in the z = 0 plane, vertices shared, vertex
// (i, j) at index j * (columns + 1) + i and position (i * size, j * size, 0); quad (i, j) is
// polygon j * columns + i with corners (i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1).
inline ShapePtr quadGrid(int columns, int rows, float size = 1.0f,
                         const ShapePtr& shape = Shape::create()) {
    std::vector<Vector3> points;
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            points.push_back({i * size, j * size, 0.0f});
        }
    }
    std::vector<std::vector<std::int32_t>> polygons;
    const int w = columns + 1;
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            polygons.push_back({j * w + i, j * w + i + 1, (j + 1) * w + i + 1, (j + 1) * w + i});
        }
    }
    return testing_shapes::shapeFrom(shape, points, polygons);
}

inline std::int32_t gridVertex(int columns, int i, int j) {
    return j * (columns + 1) + i;
}

// A unit cube of 6 outward-facing quads over 8 shared vertices, each corner carrying its face
// normal (flat shading: normals split at every edge).
inline ShapePtr flatShadedCube(const ShapePtr& shape = Shape::create()) {
    ShapeArrays a;
    a.vertices = positionsOf(mesh_literals::kCubePositions);
    const auto& faces = mesh_literals::kCubePolygons;
    a.normals = positionsOf(mesh_literals::kCubeNormals);
    a.texcoords = {{0, 0}};
    for (std::size_t f = 0; f < faces.size(); ++f) {
        for (std::int32_t v : faces[f]) {
            a.cornerVertex.push_back(v);
            a.cornerNormal.push_back(static_cast<std::int32_t>(f));
            a.cornerTexCoord.push_back(0);
        }
        a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
    }
    shape->assignArrays(std::move(a));
    return shape;
}

// One polygon per entry, each corner its own 3D vertex (x = corner's u, y = v, z = polygon
// index) and the texture coordinate given; equal coordinates share one pool entry.
inline ShapePtr atlasFromTexCoords(const ShapePtr& shape,
                                   const std::vector<std::vector<Vector2>>& polygons) {
    ShapeArrays a;
    a.normals = {{0, 0, 1}};
    for (std::size_t p = 0; p < polygons.size(); ++p) {
        for (const Vector2& uv : polygons[p]) {
            a.vertices.push_back({uv.u, uv.v, float(p)});
            std::int32_t t = -1;
            for (std::size_t i = 0; i < a.texcoords.size(); ++i) {
                if (a.texcoords[i] == uv) {
                    t = static_cast<std::int32_t>(i);
                }
            }
            if (t < 0) {
                a.texcoords.push_back(uv);
                t = static_cast<std::int32_t>(a.texcoords.size()) - 1;
            }
            a.cornerVertex.push_back(static_cast<std::int32_t>(a.vertices.size()) - 1);
            a.cornerNormal.push_back(0);
            a.cornerTexCoord.push_back(t);
        }
        a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
    }
    shape->assignArrays(std::move(a));
    return shape;
}

inline float randomCoordinate(std::mt19937& random) {
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> lattice(-4, 32);
    std::uniform_real_distribution<float> any(-0.3f, 1.7f);
    std::uniform_int_distribution<int> jitter(-3, 3);
    const int k = kind(random);
    if (k < 5) {
        return 0.05f * float(lattice(random)); // exact repeats at distinct indices
    }
    if (k < 8) {
        // Near repeats: 0.00004 apart, so some pairs fall inside the tolerance and some outside.
        return 0.05f * float(lattice(random)) + 0.00004f * float(jitter(random));
    }
    return any(random);
}

// `polygons` polygons of 3 to 6 corners over a shared pool of texture coordinates, with
// `materials` materials of which the last repeats the first (same key), and an index list that
// visits every polygon in a shuffled order, some twice.
struct RandomAtlas {
    ShapePtr shape;
    std::vector<std::int32_t> polygonIndices;
};

inline RandomAtlas randomAtlas(SceneGraph& scene, std::uint32_t seed, int polygons,
                               bool repeatIndices = true) {
    std::mt19937 random(seed);
    ShapeArrays a;
    a.normals = {{0, 0, 1}};
    const int poolSize = std::max(4, polygons * 2);
    for (int i = 0; i < poolSize; ++i) {
        a.texcoords.push_back({randomCoordinate(random), randomCoordinate(random)});
        a.vertices.push_back({float(i), float(i % 7), 0.0f});
    }
    MaterialPtr first = scene.CreateMaterial();
    first->SetColorB({0.1f, 0.2f, 0.3f, 1.0f});
    MaterialPtr second = scene.CreateMaterial();
    second->SetColorA({0.5f, 0.6f, 0.7f, 0.8f});
    second->SetColorD({0.9f, 0.1f, 0.1f, 1.0f});
    second->SetMaterialValue(42.0f);
    a.materials = {first, second, first};
    std::uniform_int_distribution<int> corners(3, 6);
    std::uniform_int_distribution<int> pick(0, poolSize - 1);
    std::uniform_int_distribution<int> material(0, 2);
    for (int p = 0; p < polygons; ++p) {
        const int c = corners(random);
        for (int k = 0; k < c; ++k) {
            const int t = pick(random);
            a.cornerVertex.push_back(t);
            a.cornerNormal.push_back(0);
            a.cornerTexCoord.push_back(t);
        }
        a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
        a.polygonMaterial.push_back(material(random));
    }
    RandomAtlas out;
    out.shape = scene.CreateShape();
    out.shape->assignArrays(std::move(a));
    for (int p = 0; p < polygons; ++p) {
        out.polygonIndices.push_back(p);
    }
    std::shuffle(out.polygonIndices.begin(), out.polygonIndices.end(), random);
    if (repeatIndices) {
        for (int p = 0; p < polygons; p += 7) {
            out.polygonIndices.push_back(p);
        }
    }
    return out;
}

// A second shape with the same content (arrays shared until written).
inline ShapePtr copyOf(SceneGraph& scene, const Shape& shape) {
    ShapePtr copy = scene.CreateShape();
    copy->AppendShape(shape);
    return copy;
}

// A row of 10 unit quads along x at height `z`, each corner with its own texture coordinate
// (u = x / 10, v = y) so that polygons can be told apart, each polygon tagged with its index.
inline ShapePtr tenQuadRow(const ShapePtr& shape, float z = 0.0f) {
    ShapeArrays a;
    for (int i = 0; i <= 10; ++i) {
        a.vertices.push_back({float(i), 0, z});
        a.vertices.push_back({float(i), 1, z});
        a.texcoords.push_back({float(i) / 10, 0});
        a.texcoords.push_back({float(i) / 10, 1});
    }
    a.normals = {{0, 0, 1}};
    for (int i = 0; i < 10; ++i) {
        for (int v : {2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1}) {
            a.cornerVertex.push_back(v);
            a.cornerNormal.push_back(0);
            a.cornerTexCoord.push_back(v);
        }
        a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
        a.polygonTag.push_back(i);
        a.polygonMaterial.push_back(0);
    }
    a.materials.push_back(Material::create());
    shape->assignArrays(std::move(a));
    return shape;
}

// An axis-aligned box of 6 quads from `low` to `high`.
inline ShapePtr box(const ShapePtr& shape, Vector3 low, Vector3 high) {
    std::vector<Vector3> points;
    for (int i = 0; i < 8; ++i) {
        points.push_back(
            {(i & 1) ? high.x : low.x, (i & 2) ? high.y : low.y, (i & 4) ? high.z : low.z});
    }
    return shapeFrom(
        shape, points,
        {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {1, 3, 7, 5}, {0, 4, 6, 2}});
}

} // namespace testing_shapes
