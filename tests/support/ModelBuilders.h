#pragma once
// Small literal shapes shared by the tests.

#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

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

inline ShapePtr unitQuad(const ShapePtr& shape = Shape::create()) {
    return shapeFrom(shape, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
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

// A unit cube of 6 outward-facing quads over 8 shared vertices, each corner carrying its face
// normal (flat shading: normals split at every edge).
inline ShapePtr flatShadedCube(const ShapePtr& shape = Shape::create()) {
    ShapeArrays a;
    a.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                  {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const std::vector<std::vector<std::int32_t>> faces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                                          {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    a.normals = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {1, 0, 0}, {-1, 0, 0}};
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

} // namespace testing_shapes
