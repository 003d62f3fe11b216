#include "peelwise/uv/ReadoutLabels.h"

#include "peelwise/uv/FormatNumber.h"

namespace peelwise::modUV {

Readout positionReadout(const brontle::Vector3& point, char separator) {
    return {"Position X: " + formatNumber(point.x, separator),
            "Y: " + formatNumber(1.0f - point.y, separator)};
}

Readout moveReadout(float dx, float dy, char separator) {
    return {"Move X: " + formatNumber(dx, separator), "Y: " + formatNumber(-dy, separator)};
}

Readout scaleReadout(float fx, float fy, char separator) {
    return {"Scale X: " + formatNumber(fx, separator), "Y: " + formatNumber(fy, separator)};
}

std::optional<Readout> dragMoveReadout(const DragResult& result, float dx, float dy, float dz,
                                       char separator) {
    if (dx == 0.0f && dy == 0.0f && dz == 0.0f) {
        return std::nullopt;
    }
    if (result.count == 1) {
        return positionReadout(result.single, separator);
    }
    return moveReadout(dx, dy, separator);
}

} // namespace peelwise::modUV
