#pragma once
// Maps crease edges (position pairs) onto the edges of a shape, as (polygon, start corner)
// pairs ready for an edge sub-selection (kind 3: the edge runs from that corner to the next).
//
// For each of the first `count` creases: a = shape.FindVertex(start), b = FindVertex(end);
// when FindVertex reports no vertex (the vertex count or more), the first vertex whose position
// VectorsEqual the position is used instead. Then every polygon p around a (topology order,
// ascending) that holds the directed edge a -> b at corners (cPrev, cPrev + 1 wrapping) adds
// p to `polygons` and cPrev to `corners`, and n grows by one. `polygons`, `corners` and `n` are
// emptied first. A crease end that matches no vertex at all skips that crease: the creases are
// normally mapped onto a copy of the shape they were found on, so this only happens on a shape
// with different geometry, where marking nothing is the safe answer.
//
// Host errors are raised again unchanged; `count` larger than creases.size() is subscript out
// of range (9). Near-linear: the position fallback uses a tolerance grid built once, on demand.

#include "peelwise/uv/CreaseEdge.h"

#include "brontle/model/Forward.h"

#include <cstdint>
#include <vector>

namespace peelwise::modUV {

void CreaseEdgesToSubSelection(brontle::Shape& shape, const std::vector<CreaseEdge>& creases,
                               std::int32_t count, std::vector<std::int32_t>& polygons,
                               std::vector<std::int32_t>& corners, std::int32_t& n);

} // namespace peelwise::modUV
