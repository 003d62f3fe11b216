#pragma once
// Detaches one corner of a UV polygon from a shared point: the corner gets a UV vertex and an
// atlas texture coordinate of its own, a little inside the polygon, while other polygons keep
// the old point.
//
// polygonIndex: the UV polygon (the coordinate view's current polygon).
// vertex:       the selected UV vertex; its position P picks the corner: the first corner k of
//               the polygon whose vertex position VectorsEqual P (0.0001 per axis).
// New position N = (prev + 5 Q + next) / 7, per axis in single precision as A = Q * 5 + prev,
// then N = (next + A) / 7 (Q is corner k's position, prev and next its neighbours' with
// wrap-around): two sevenths of the way from the corner towards its neighbours' mean.
// The atlas corner that mirrors k (k for a positive tag, c - 1 - k otherwise, in atlas polygon
// |tag| - 1) gets the texture coordinate (N.x - 1, -N.y) with SetCornerUV; then UV corner k is
// moved to N with SetCornerData, keeping its normal and texture coordinate values.
// The caller records history, clears the selection and rebuilds the correspondence.
//
// Throws brontle::Error with source "modUV" before anything changes: subscript out of range (9)
// for a missing polygon, vertex or mirrored atlas corner, or when no corner lies at P;
// overflow (6) when N or its texture coordinate is not finite.

#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"

#include <cstdint>

namespace peelwise::modUV {

struct UnlinkResult {
    std::int32_t corner = -1;  // the UV corner that was detached
    brontle::Vector3 position; // its new position N
    brontle::Vector2 texcoord; // its atlas corner's new texture coordinate
};

UnlinkResult UnlinkCorner(brontle::Shape& uvShape, brontle::Shape& atlasShape,
                          std::int32_t polygonIndex, std::int32_t vertex);

// N = (prev + 5 Q + next) / 7 in the operation order above.
brontle::Vector3 unlinkPosition(const brontle::Vector3& prev, const brontle::Vector3& q,
                                const brontle::Vector3& next);

} // namespace peelwise::modUV
