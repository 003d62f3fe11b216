#include "peelwise/uv/WeldTargets.h"

#include "peelwise/uv/ModUVError.h"
#include "peelwise/uv/UVConvention.h"

#include <cmath>
#include <string>

namespace peelwise::modUV {

using namespace brontle;

namespace {

const Vector3& positionOf(std::span<const Vector3> positions, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= positions.size()) {
        throw modUVError(ErrorNumber::SubscriptOutOfRange,
                         "Weld: UV point " + std::to_string(index) + " does not exist");
    }
    return positions[index];
}

void requirePoints(const SubSelection& points) {
    if (points.empty()) {
        throw modUVError(ErrorNumber::SubscriptOutOfRange, "Weld: no UV point is selected");
    }
}

} // namespace

Vector3 weldTargetMean(const SubSelection& points, std::span<const Vector3> positions) {
    requirePoints(points);
    float sumX = 0.0f;
    float sumY = 0.0f;
    for (const SubSelectionEntry& e : points.entries) {
        const Vector3& p = positionOf(positions, e.index);
        sumX += p.x;
        sumY += p.y;
    }
    const double count = static_cast<double>(points.count());
    return {static_cast<float>(sumX / count), static_cast<float>(sumY / count), 0.0f};
}

std::int32_t findNearestOtherPoint(std::span<const Vector3> positions, const Vector3& first) {
    float best = kBoxStart;
    std::int32_t found = -1;
    for (std::size_t j = 0; j < positions.size(); ++j) {
        const float dx = positions[j].x - first.x;
        const float dy = positions[j].y - first.y;
        const float dz = positions[j].z - first.z;
        if (std::fabs(dx) <= kPointTolerance && std::fabs(dy) <= kPointTolerance &&
            std::fabs(dz) <= kPointTolerance) {
            continue; // the first point itself, or a point lying on it
        }
        const double sum = double(dy) * dy + double(dx) * dx + double(dz) * dz;
        const auto d = static_cast<float>(std::sqrt(sum));
        if (d < best) {
            best = d;
            found = static_cast<std::int32_t>(j);
        }
    }
    return found;
}

Vector3 chooseWeldTarget(WeldKind kind, SubSelection& points, std::span<const Vector3> positions) {
    requirePoints(points);
    const Vector3 first = positionOf(positions, points.entries.front().index);
    switch (kind) {
    case WeldKind::Selection:
        return weldTargetMean(points, positions);
    case WeldKind::ToSelected:
        for (const SubSelectionEntry& e : points.entries) {
            positionOf(positions, e.index);
        }
        return first;
    case WeldKind::Nearest:
    case WeldKind::ToNearest:
        break;
    }
    for (const SubSelectionEntry& e : points.entries) {
        positionOf(positions, e.index);
    }
    const std::int32_t nearest = findNearestOtherPoint(positions, first);
    if (nearest < 0) {
        // A missing point, as an empty list is: a program error of the editor's own (a button
        // used while it no longer fits the selection), reported with the general text. A
        // negative number would read as a failure of the graphics driver.
        throw modUVError(ErrorNumber::SubscriptOutOfRange,
                         "Weld: there is no other point to weld with; every UV point lies on the "
                         "selected one");
    }
    points.add(nearest);
    return kind == WeldKind::Nearest ? first : positions[nearest];
}

} // namespace peelwise::modUV
