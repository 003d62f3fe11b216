#pragma once
// The table from UV-shape vertices to the atlas texture coordinates they stand for.
//
// vertexToTexCoord receives uvShape.GetVertexCount() entries (none when the UV shape has no
// vertex), 0 for a vertex no corner uses. For every UV polygon p in index order, with tag
// g = p's tag and atlas polygon a = |g| - 1, the UV corners are walked k = 0 .. c - 1 when
// g > 0 and k = c - 1 .. 0 otherwise, while j counts 0, 1, 2, ...; each step sets
// vertexToTexCoord[vertex of UV corner k] = texture-coordinate index of atlas corner j. A vertex
// used by several corners keeps the value of the last corner visited.
//
// Throws brontle::Error with source "modUV", subscript out of range (9), when a tag names no
// atlas polygon or the atlas polygon has fewer corners than the UV polygon; the table is then
// left as it was. Linear in the corners.

#include "brontle/model/Forward.h"

#include <cstdint>
#include <vector>

namespace peelwise::modUV {

void RebuildUVCorrespondence(const brontle::Shape& uvShape, const brontle::Shape& atlasShape,
                             std::vector<std::int32_t>& vertexToTexCoord);

} // namespace peelwise::modUV
