#include "peelwise/uv/UVPointList.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

namespace peelwise::modUV {

using namespace brontle;

SubSelection UVPointList(SceneGraph& sceneGraph, DeviceID deviceId, const Shape& uvShape) {
    if (sceneGraph.GetSelectedShapeCount(deviceId) < 1) {
        SubSelection all;
        all.entries.resize(static_cast<std::size_t>(uvShape.GetVertexCount()));
        for (std::int32_t i = 0; i < uvShape.GetVertexCount(); ++i) {
            all.entries[i].index = i;
        }
        return all;
    }
    return sceneGraph.GetSelectedShape(deviceId, 0)->GetSelectedVertices(deviceId);
}

} // namespace peelwise::modUV
