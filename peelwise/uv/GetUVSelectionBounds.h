#pragma once
// Bounds of the points a UV transform acts on (see UVPointList).
//
// Starts at minX = minY = 1e14 and maxX = maxY = -1e14 (single precision), minZ = maxZ = 0,
// and widens by strict comparisons per point, so an empty list returns the start values (whose
// centre is the origin). Throws brontle::Error with source "modUV": subscript out of range (9)
// for a listed index outside uvShape's vertices, and any host error.

#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"
#include "brontle/model/Forward.h"

#include <span>

namespace peelwise::modUV {

brontle::BoundingBox GetUVSelectionBounds(brontle::SceneGraph& sceneGraph,
                                          brontle::DeviceID deviceId, brontle::Shape& uvShape);

// The same over an explicit point list and positions (positions[index] for each entry).
brontle::BoundingBox boundsOfPoints(const brontle::SubSelection& points,
                                    std::span<const brontle::Vector3> positions);

} // namespace peelwise::modUV
