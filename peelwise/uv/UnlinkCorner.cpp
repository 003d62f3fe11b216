#include "peelwise/uv/UnlinkCorner.h"

#include "peelwise/uv/ModUVError.h"
#include "peelwise/uv/UVConvention.h"

#include "brontle/model/Polygon.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace peelwise::modUV {

using namespace brontle;

namespace {

float weighted(float prev, float q, float next) {
    const float a = q * 5.0f + prev;
    return (next + a) / 7.0f;
}

} // namespace

Vector3 unlinkPosition(const Vector3& prev, const Vector3& q, const Vector3& next) {
    return {weighted(prev.x, q.x, next.x), weighted(prev.y, q.y, next.y),
            weighted(prev.z, q.z, next.z)};
}

UnlinkResult UnlinkCorner(Shape& uvShape, Shape& atlasShape, std::int32_t polygonIndex,
                          std::int32_t vertex) {
    return asModUV([&] {
        const Toolkit toolkit;
        Polygon polygon = uvShape.GetPolygon(polygonIndex);
        const Vector3 at = uvShape.GetVertex(vertex);
        const std::int32_t c = polygon.GetCornerCount();
        std::int32_t k = -1;
        for (std::int32_t i = 0; i < c && k < 0; ++i) {
            if (toolkit.VectorsEqual(uvShape.GetVertex(polygon.GetCornerVertex(i)), at)) {
                k = i;
            }
        }
        if (k < 0) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "Unlink: UV polygon " + std::to_string(polygonIndex) +
                                 " has no corner at the selected point " + std::to_string(vertex));
        }
        const Vector3 prev = uvShape.GetVertex(polygon.GetCornerVertex(k == 0 ? c - 1 : k - 1));
        const CornerData data = polygon.GetCornerData(k);
        const Vector3 next = uvShape.GetVertex(polygon.GetCornerVertex(k == c - 1 ? 0 : k + 1));
        const Vector3 n = unlinkPosition(prev, data.position, next);
        const Vector2 uv = texCoordOfPoint(n.x, n.y);
        if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z) ||
            !std::isfinite(uv.u) || !std::isfinite(uv.v)) {
            throw modUVError(ErrorNumber::Overflow,
                             "Unlink: the new position of the corner is not a finite number");
        }

        const std::int32_t tag = polygon.GetTag();
        const std::int64_t atlasIndex = std::llabs(static_cast<std::int64_t>(tag)) - 1;
        if (atlasIndex < 0 || atlasIndex >= atlasShape.GetPolygonCount()) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "Unlink: UV polygon " + std::to_string(polygonIndex) + " has tag " +
                                 std::to_string(tag) + ", which names no atlas polygon");
        }
        Polygon mirror = atlasShape.GetPolygon(static_cast<std::int32_t>(atlasIndex));
        const std::int32_t atlasCorner = tag > 0 ? k : c - 1 - k;
        if (atlasCorner >= mirror.GetCornerCount()) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "Unlink: atlas polygon " + std::to_string(atlasIndex) +
                                 " has no corner " + std::to_string(atlasCorner));
        }
        mirror.SetCornerUV(atlasCorner, uv);
        polygon.SetCornerData(k, n, data.normal, data.uv);
        return UnlinkResult{k, n, uv};
    });
}

} // namespace peelwise::modUV
