#pragma once
// What one drag step of the UV view tells the read-out labels, and the axis-lock queries the
// step asks per point (the toggle button or a held key, read anew each time).

#include "brontle/core/Records.h"

#include <cstdint>
#include <functional>

namespace peelwise::modUV {

using AxisLock = std::function<bool()>;

struct DragResult {
    std::int32_t count = 0;  // entries of the selection
    brontle::Vector3 single; // the point after clamping, when count == 1
    float fx = 1.0f;         // effective scale factors of a scale step (1 for a move)
    float fy = 1.0f;
};

} // namespace peelwise::modUV
