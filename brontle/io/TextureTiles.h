#pragma once
// Texture coordinates as the mesh writers store them (internal to saveMeshFile): each polygon
// that lies within one tile of the texture (a whole-number square [i, i+1] x [j, j+1]) is moved
// by whole tiles into [0, 1] x [0, 1], which looks the same in a viewer that repeats the texture
// and right in one that clamps it. A polygon that spans tiles is written as it is.

#include "brontle/model/Shape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace brontle {

struct TileShift {
    std::int32_t u = 0;
    std::int32_t v = 0;
    bool operator==(const TileShift&) const = default;
};

// The whole tiles to add to the texture coordinates of polygon `p` of `shape`.
inline TileShift polygonTileShift(const Shape& shape, std::int32_t p) {
    const auto& start = shape.polygonStart();
    const auto& cornerTexCoord = shape.cornerTexCoord();
    const auto& texcoords = shape.texcoords();
    if (start[p] >= start[p + 1]) {
        return {};
    }
    float minU = INFINITY, minV = INFINITY, maxU = -INFINITY, maxV = -INFINITY;
    for (std::int32_t k = start[p]; k < start[p + 1]; ++k) {
        const Vector2& t = texcoords[cornerTexCoord[k]];
        minU = std::min(minU, t.u);
        maxU = std::max(maxU, t.u);
        minV = std::min(minV, t.v);
        maxV = std::max(maxV, t.v);
    }
    // Far out (or not finite) coordinates are left alone: no whole-number shift is exact there.
    auto shift = [](float low, float high) -> std::int32_t {
        if (!(low > -1e6f && high < 1e6f)) {
            return 0;
        }
        const float tile = std::floor(low);
        return high <= tile + 1.0f ? -static_cast<std::int32_t>(tile) : 0;
    };
    return {shift(minU, maxU), shift(minV, maxV)};
}

inline Vector2 shifted(const Vector2& t, TileShift s) {
    return {t.u + static_cast<float>(s.u), t.v + static_cast<float>(s.v)};
}

} // namespace brontle
