#include "peelwise/uv/ApplyDragScale.h"

#include "peelwise/uv/ApplyDragMove.h"
#include "peelwise/uv/UVConvention.h"

namespace peelwise::modUV {

using namespace brontle;

float effectiveDragFactor(float s) {
    const float away = s - 1.0f;
    const float twice = away + away;
    return twice + s;
}

DragResult applyDragScale(std::span<const Vector3> basePositions, const SubSelection& selected,
                          float sx, float sy, const AxisLock& lockX, const AxisLock& lockY,
                          std::vector<Vector3>& positions, std::vector<Vector2>& texcoords,
                          std::span<const std::int32_t> vertexToTexCoord) {
    checkDragInput(basePositions, selected, texcoords, vertexToTexCoord);
    positions.assign(basePositions.begin(), basePositions.end());
    float minX = kBoxStart, minY = kBoxStart, maxX = -kBoxStart, maxY = -kBoxStart;
    for (const SubSelectionEntry& e : selected.entries) {
        const Vector3& p = positions[e.index];
        if (p.x < minX) {
            minX = p.x;
        }
        if (p.x > maxX) {
            maxX = p.x;
        }
        if (p.y < minY) {
            minY = p.y;
        }
        if (p.y > maxY) {
            maxY = p.y;
        }
    }
    const float cx = (maxX + minX) / 2.0f;
    const float cy = (maxY + minY) / 2.0f;
    for (const SubSelectionEntry& e : selected.entries) {
        positions[e.index].x -= cx;
        positions[e.index].y -= cy;
    }
    DragResult result;
    result.count = selected.count();
    result.fx = effectiveDragFactor(sx);
    result.fy = effectiveDragFactor(sy);
    for (const SubSelectionEntry& e : selected.entries) {
        if (!lockX()) {
            positions[e.index].x *= result.fx;
        }
        if (!lockY()) {
            positions[e.index].y *= result.fy;
        }
    }
    for (const SubSelectionEntry& e : selected.entries) {
        Vector3& p = positions[e.index];
        p.x += cx;
        p.y += cy;
        p.x = clampUnit(p.x);
        p.y = clampUnit(p.y);
        texcoords[vertexToTexCoord[e.index]] = texCoordOfPoint(p.x, p.y);
    }
    if (result.count == 1) {
        result.single = positions[selected.entries.front().index];
    }
    return result;
}

} // namespace peelwise::modUV
