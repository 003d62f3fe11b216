#pragma once
// One move step of a drag in the UV view. Drag values are totals since the drag began, so every
// step starts again from the positions at the end of the last edit.
//
// basePositions:   every UV vertex position at the end of the last edit (the vertex cache).
// selected:        the selected vertices (entry.index), in the host's order.
// positions (out): basePositions with each selected point moved by (dx, dy) (x unless lockX(),
//                  y unless lockY(), both asked again for every point), then clamped into [0, 1]
//                  per axis (above 1 becomes 1, then below 0 becomes 0).
// texcoords (in/out): the atlas texture coordinates; entry vertexToTexCoord[i] of each selected
//                  point i becomes (x - 1, -y).
// Returns the selection count and, for one point, its clamped position.
// Throws brontle::Error with source "modUV", subscript out of range (9), for a selected point
// without a base position or table entry or a table entry outside `texcoords`, before writing.

#include "peelwise/uv/DragResult.h"

#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"

#include <cstdint>
#include <span>
#include <vector>

namespace peelwise::modUV {

DragResult applyDragMove(std::span<const brontle::Vector3> basePositions,
                         const brontle::SubSelection& selected, float dx, float dy,
                         const AxisLock& lockX, const AxisLock& lockY,
                         std::vector<brontle::Vector3>& positions,
                         std::vector<brontle::Vector2>& texcoords,
                         std::span<const std::int32_t> vertexToTexCoord);

// The checks shared by both drag steps (see above).
void checkDragInput(std::span<const brontle::Vector3> basePositions,
                    const brontle::SubSelection& selected,
                    const std::vector<brontle::Vector2>& texcoords,
                    std::span<const std::int32_t> vertexToTexCoord);

} // namespace peelwise::modUV
