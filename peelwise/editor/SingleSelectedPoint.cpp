#include "peelwise/editor/SingleSelectedPoint.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

namespace peelwise {

std::optional<brontle::Vector3> singleSelectedPoint(const brontle::SceneGraph& scene,
                                                    brontle::DeviceID device) {
    if (scene.GetSelectedShapeCount(device) != 1 ||
        scene.GetSubSelectionKind(device) != brontle::kSelectPoints) {
        return std::nullopt;
    }
    const brontle::ShapePtr shape = scene.GetSelectedShape(device, 0);
    // The count first: the pointer read-out asks on every pointer move, and a large selection
    // is not copied for that.
    if (shape->GetSubSelectionCount(device) != 1) {
        return std::nullopt;
    }
    return shape->GetVertex(shape->GetSubSelection(device).entries.front().index);
}

} // namespace peelwise
