#pragma once
// The one point selected in a view, when exactly one is: one shape selected there, its
// sub-selection of kind 2 (points) with exactly one entry. The read-outs show it, and the
// command states enable the one-point commands by the same rule.

#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"

#include <optional>

namespace peelwise {

// The position of that point (GetVertex of the entry's index), or std::nullopt when the view
// has no selected shape, several, another kind, or a count other than 1. Host errors (an entry
// naming no vertex) are raised unchanged.
std::optional<brontle::Vector3> singleSelectedPoint(const brontle::SceneGraph& scene,
                                                    brontle::DeviceID device);

} // namespace peelwise
