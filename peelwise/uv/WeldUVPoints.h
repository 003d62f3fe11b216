#pragma once
// Joins UV points at one target: moves them there and makes every corner that sits on the
// target share one UV vertex and one atlas texture coordinate.
//
// points:    vertex indices of uvShape (entry.index) to move.
// positions: all of uvShape's vertex positions, as just read with GetVertices; the listed
//            entries become `target` in place.
// vertexToTexCoord: per UV vertex, its atlas texture-coordinate index (RebuildUVCorrespondence).
//
// Steps: the listed points and their atlas texture coordinates go to target and
// (tu, tv) = (target.x - 1, -target.y); w = the UV vertex at the target (find-or-add within
// 0.0001); every UV corner whose vertex lies strictly within 0.0001 of the target on x and y
// (z is not compared) is re-pointed at w, keeping its normal and texture-coordinate index;
// t = the atlas texture coordinate at (tu, tv) (find-or-add); every atlas corner whose texture
// coordinate lies strictly within 0.0001 of (tu, tv) on u and v is re-pointed at t. Corners that
// already lay on the target join as well; nothing is removed.
//
// Throws brontle::Error with source "modUV", subscript out of range (9), when `positions` does
// not hold one entry per UV vertex, or a listed point has no position, no table entry or an
// entry outside the atlas's texture coordinates; checked before anything changes.
// Linear: one pass over the points, one over the UV corners, one over the atlas corners.

#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"
#include "brontle/model/Forward.h"

#include <cstdint>
#include <vector>

namespace peelwise::modUV {

void WeldUVPoints(brontle::Vector3 target, const brontle::SubSelection& points,
                  brontle::Shape& uvShape, std::vector<brontle::Vector3>& positions,
                  brontle::Shape& atlasShape, std::vector<std::int32_t>& vertexToTexCoord);

} // namespace peelwise::modUV
