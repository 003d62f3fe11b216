#include "peelwise/uv/ApplyDragMove.h"

#include "peelwise/uv/ModUVError.h"
#include "peelwise/uv/UVConvention.h"

#include <string>

namespace peelwise::modUV {

using namespace brontle;

void checkDragInput(std::span<const Vector3> basePositions, const SubSelection& selected,
                    const std::vector<Vector2>& texcoords,
                    std::span<const std::int32_t> vertexToTexCoord) {
    for (const SubSelectionEntry& e : selected.entries) {
        const std::int32_t i = e.index;
        if (i < 0 || static_cast<std::size_t>(i) >= basePositions.size() ||
            static_cast<std::size_t>(i) >= vertexToTexCoord.size()) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "Drag: UV point " + std::to_string(i) + " does not exist");
        }
        const std::int32_t t = vertexToTexCoord[i];
        if (t < 0 || static_cast<std::size_t>(t) >= texcoords.size()) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "Drag: UV point " + std::to_string(i) +
                                 " stands for texture coordinate " + std::to_string(t) +
                                 ", which the atlas shape does not have");
        }
    }
}

DragResult applyDragMove(std::span<const Vector3> basePositions, const SubSelection& selected,
                         float dx, float dy, const AxisLock& lockX, const AxisLock& lockY,
                         std::vector<Vector3>& positions, std::vector<Vector2>& texcoords,
                         std::span<const std::int32_t> vertexToTexCoord) {
    checkDragInput(basePositions, selected, texcoords, vertexToTexCoord);
    positions.assign(basePositions.begin(), basePositions.end());
    for (const SubSelectionEntry& e : selected.entries) {
        Vector3& p = positions[e.index];
        if (!lockX()) {
            p.x += dx;
        }
        if (!lockY()) {
            p.y += dy;
        }
        p.x = clampUnit(p.x);
        p.y = clampUnit(p.y);
        texcoords[vertexToTexCoord[e.index]] = texCoordOfPoint(p.x, p.y);
    }
    DragResult result;
    result.count = selected.count();
    if (result.count == 1) {
        result.single = positions[selected.entries.front().index];
    }
    return result;
}

} // namespace peelwise::modUV
