#pragma once
// The working copy of one editing run: made from the shape selected in a view (or from only its
// selected polygons), centred on the origin and scaled so that its largest extent is 8 units;
// after OK, brought back to the shape's size and place and written into the selected shape in
// place of the polygons it was made from.
//
// Selection kinds are those of brontle::SelectionKind: 0 the whole shape, 1 a polygon
// sub-selection. Every host failure reaches the caller as brontle::Error; nothing here reports.

#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace peelwise {

// The largest extent of a working copy, in the units of the shapes shown to the editor.
inline constexpr float kWorkingCopyExtent = 8.0f;

struct WorkingCopy {
    // W: a new shape of the scene graph holding a copy of the selected shape S, or of only its
    // selected polygons (with their sub-selection in the view renumbered to W's polygons), centred
    // on the origin, its largest extent kWorkingCopyExtent.
    brontle::ShapePtr shape;
    // K: the polygon indices of S that W was made from, in the order of S's sub-selection
    // entries; empty unless S had a polygon sub-selection in the view.
    std::vector<std::int32_t> editedPolygons;
    // c: the centre of W's bounding box before it was moved to the origin.
    brontle::Vector3 centre;
    // L: the largest extent of W's bounding box before it was scaled (> 0).
    float largestExtent = 0.0f;
};

// Makes the working copy of the first shape selected in `device`. S is not changed.
// Throws Error(SubscriptOutOfRange) when no shape is selected there or a sub-selection entry
// names a polygon S does not have; Error(ObjectNotSet) when the scene graph has no toolkit;
// Error(DivisionByZero) when the copy has zero extent on all three axes (nothing to scale).
WorkingCopy makeWorkingCopy(brontle::SceneGraph& scene, brontle::DeviceID device);

// Undoes the normalisation on `copy.shape`: scales by L / 8, then moves it back by c.
void undoNormalisation(brontle::SceneGraph& scene, const WorkingCopy& copy);

// How the edited copy is appended to the selected shape; Shape::AppendShape unless a caller
// (a test of the failure path) says otherwise.
using ShapeAppend = std::function<void(brontle::Shape& target, const brontle::Shape& source)>;

// Writes `copy.shape` back into the first shape S selected in `device`: when the copy has no
// sub-selection in the view, S's geometry is replaced by the copy; otherwise the polygons of
// `copy.editedPolygons` are removed from S and the copy's polygons appended after the rest.
// Transactional: if removing or appending fails, S is restored to what it held before (its
// arrays, materials and sub-selections) and the error is raised again unchanged.
void writeBack(brontle::SceneGraph& scene, brontle::DeviceID device, const WorkingCopy& copy,
               const ShapeAppend& append = {});

} // namespace peelwise
