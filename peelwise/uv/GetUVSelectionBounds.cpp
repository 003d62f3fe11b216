#include "peelwise/uv/GetUVSelectionBounds.h"

#include "peelwise/uv/ModUVError.h"
#include "peelwise/uv/UVConvention.h"
#include "peelwise/uv/UVPointList.h"

#include "brontle/model/Shape.h"

#include <string>

namespace peelwise::modUV {

using namespace brontle;

BoundingBox boundsOfPoints(const SubSelection& points, std::span<const Vector3> positions) {
    BoundingBox box{kBoxStart, kBoxStart, 0.0f, -kBoxStart, -kBoxStart, 0.0f};
    for (const SubSelectionEntry& e : points.entries) {
        if (e.index < 0 || static_cast<std::size_t>(e.index) >= positions.size()) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "UV point " + std::to_string(e.index) + " does not exist (" +
                                 std::to_string(positions.size()) + " points)");
        }
        const Vector3& p = positions[e.index];
        if (p.x < box.minX) {
            box.minX = p.x;
        }
        if (p.y < box.minY) {
            box.minY = p.y;
        }
        if (p.x > box.maxX) {
            box.maxX = p.x;
        }
        if (p.y > box.maxY) {
            box.maxY = p.y;
        }
    }
    return box;
}

BoundingBox GetUVSelectionBounds(SceneGraph& sceneGraph, DeviceID deviceId, Shape& uvShape) {
    return asModUV([&] {
        return boundsOfPoints(UVPointList(sceneGraph, deviceId, uvShape), uvShape.vertices());
    });
}

} // namespace peelwise::modUV
