#pragma once
// Snapshots shared by the plug-in tests: a scene with one selected shape, exact copies of every
// array of a shape, and per-polygon records for comparing survivors. The shapes themselves are
// the shared ones of support/ModelBuilders.h.

#include "support/ModelBuilders.h"

#include "brontle/model/HostEnvironment.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace plugin_testing {

using namespace brontle;
using namespace testing_shapes;

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
