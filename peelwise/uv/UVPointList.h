#pragma once
// The points a UV transform acts on: the vertices selected in the coordinate view, or all of
// the UV shape's points when no shape is selected there.
//
// When sceneGraph.GetSelectedShapeCount(deviceId) < 1: entries 0 .. uvShape.GetVertexCount() - 1.
// Otherwise: GetSelectedShape(deviceId, 0).GetSelectedVertices(deviceId), in the host's order;
// those indices are applied to uvShape. A selected shape with no selected vertex gives an empty
// list. Host errors are raised again unchanged.

#include "brontle/core/SubSelection.h"
#include "brontle/model/Forward.h"

namespace peelwise::modUV {

brontle::SubSelection UVPointList(brontle::SceneGraph& sceneGraph, brontle::DeviceID deviceId,
                                  const brontle::Shape& uvShape);

} // namespace peelwise::modUV
