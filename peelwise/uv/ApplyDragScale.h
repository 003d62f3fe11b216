#pragma once
// One scale step of a drag in the UV view, from the positions at the end of the last edit.
//
// Inputs and outputs as applyDragMove. The selected points' bounding box (min starting at
// (1e14, 1e14), max at (-1e14, -1e14), single precision, strict comparisons) gives the centre
// c = ((maxX + minX) / 2, (maxY + minY) / 2); every selected point moves by -c, is scaled by the
// effective factors fx = (sx - 1) + (sx - 1) + sx and fy likewise (x unless lockX(), y unless
// lockY(), asked per point), moves back by +c, is clamped into [0, 1] and writes its texture
// coordinate (x - 1, -y). The three passes run over the whole list in turn, as written, so a
// point listed twice takes each pass twice. A gesture factor of 1 leaves the points; each step
// away from 1 is tripled (1.1 scales by 1.3). With an empty selection nothing changes.
// Returns the count and fx, fy (the labels show them always). Throws as applyDragMove.

#include "peelwise/uv/DragResult.h"

#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"

#include <cstdint>
#include <span>
#include <vector>

namespace peelwise::modUV {

DragResult applyDragScale(std::span<const brontle::Vector3> basePositions,
                          const brontle::SubSelection& selected, float sx, float sy,
                          const AxisLock& lockX, const AxisLock& lockY,
                          std::vector<brontle::Vector3>& positions,
                          std::vector<brontle::Vector2>& texcoords,
                          std::span<const std::int32_t> vertexToTexCoord);

// (s - 1) + (s - 1) + s in single precision, left to right.
float effectiveDragFactor(float s);

} // namespace peelwise::modUV
