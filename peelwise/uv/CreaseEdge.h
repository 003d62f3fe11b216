#pragma once
// A crease edge kept as two positions, so it can be mapped onto any copy of the shape it was
// found on. The direction follows the winding of the polygon it was found in: start is the
// earlier corner. 24 bytes: start then end.

#include "brontle/core/Records.h"

namespace peelwise::modUV {

struct CreaseEdge {
    brontle::Vector3 start;
    brontle::Vector3 end;
    friend bool operator==(const CreaseEdge&, const CreaseEdge&) = default;
};
static_assert(sizeof(CreaseEdge) == 24);

} // namespace peelwise::modUV
