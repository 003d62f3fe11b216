#pragma once
// Shapes and snapshots shared by the plug-in tests: a scene with one selected shape, exact
// copies of every array of a shape, and per-polygon records for comparing survivors.

#include "support/ModelBuilders.h"

#include "brontle/model/HostEnvironment.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace plugin_testing {

using namespace brontle;

// Everything a shape holds that the user could see change, compared with ==.
struct ShapeSnapshot {
    std::vector<Vector3> vertices;
    std::vector<Vector3> normals;
    std::vector<Vector2> texcoords;
    std::vector<std::int32_t> polygonStart;
    std::vector<std::int32_t> cornerVertex;
    std::vector<std::int32_t> cornerNormal;
    std::vector<std::int32_t> cornerTexCoord;
    std::vector<std::int32_t> polygonTag;
    std::vector<std::int32_t> polygonMaterial;
    std::vector<MaterialPtr> materials;
    std::int32_t selectionType = 0;
    SubSelection subSelection;
    friend bool operator==(const ShapeSnapshot&, const ShapeSnapshot&) = default;
};

inline ShapeSnapshot snapshot(const Shape& shape, DeviceID device) {
    return {shape.vertices(),
            shape.normals(),
            shape.texcoords(),
            shape.polygonStart(),
            shape.cornerVertex(),
            shape.cornerNormal(),
            shape.cornerTexCoord(),
            shape.polygonTag(),
            shape.polygonMaterial(),
            shape.materials(),
            shape.GetSelectionType(device),
            shape.GetSubSelection(device)};
}

// One polygon as positions, normals and texture coordinates of its corners, plus tag and
// material: what "the same polygon" means after pools were renumbered.
struct PolygonRecord {
    std::vector<Vector3> positions;
    std::vector<Vector3> normals;
    std::vector<Vector2> texcoords;
    std::int32_t tag = 0;
    MaterialPtr material;
    friend bool operator==(const PolygonRecord&, const PolygonRecord&) = default;
};

inline PolygonRecord polygonRecord(const Shape& shape, std::int32_t p) {
    PolygonRecord r;
    for (std::int32_t k = shape.polygonStart()[p]; k < shape.polygonStart()[p + 1]; ++k) {
        r.positions.push_back(shape.vertices()[shape.cornerVertex()[k]]);
        r.normals.push_back(shape.normals()[shape.cornerNormal()[k]]);
        r.texcoords.push_back(shape.texcoords()[shape.cornerTexCoord()[k]]);
    }
    r.tag = shape.polygonTag()[p];
    r.material = shape.materials()[shape.polygonMaterial()[p]];
    return r;
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
    return testing_shapes::shapeFrom(
        shape, points,
        {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {1, 3, 7, 5}, {0, 4, 6, 2}});
}

// A scene graph with its own environment, and a view id for the selection.
struct Scene {
    SceneGraphPtr graph =
        SceneGraph::create(std::make_shared<HostEnvironment>("/nonexistent", "BrontleTest"));
    DeviceID device = newDeviceID();

    // The scene graph only remembers selected shapes weakly; the test holds them here.
    std::vector<ShapePtr> held;

    // Selects `shape` as a whole in the view.
    ShapePtr selectWhole(const ShapePtr& shape) {
        held.push_back(shape);
        graph->SelectShape(device, shape);
        return shape;
    }
    // Selects the listed polygons of `shape` (kind 1) in the view, in the order given.
    ShapePtr selectPolygons(const ShapePtr& shape, const std::vector<std::int32_t>& polygons) {
        SubSelection selection;
        for (std::int32_t p : polygons) {
            selection.add(p);
        }
        held.push_back(shape);
        graph->SelectShape(device, shape);
        shape->SetSubSelection(device, kSelectPolygons, selection);
        return shape;
    }
};

} // namespace plugin_testing
