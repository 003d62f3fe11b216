#pragma once
// The UV layout convention shared by every UV procedure: a vertex of the UV shape at (x, y, 0)
// stands for the texture coordinate (u, v) = (x - 1, -y) of the atlas shape; read-outs show
// U = x and V = 1 - y. All arithmetic is single precision, as the layout's data is.

#include "brontle/core/Records.h"

namespace peelwise::modUV {

// Same-position tolerance per axis for welds, folds and corner matching.
inline constexpr float kPointTolerance = 0.0001f;
// Fold bounds of the layout builder: 1 + 0.0001 and 0 - 0.0001, rounded to single precision.
inline constexpr float kFoldAboveX = 1.0001f;
inline constexpr float kFoldBelowY = -0.0001f;
// Start values of every bounding box search: the single-precision value of 10^14.
inline constexpr float kBoxStart = 1e14f;

// The atlas texture coordinate that the UV point (x, y) stands for.
inline brontle::Vector2 texCoordOfPoint(float x, float y) {
    return {x - 1.0f, -y};
}

// Clamps one coordinate into [0, 1]: above 1 becomes 1, then below 0 becomes 0 (NaN stays).
inline float clampUnit(float value) {
    if (value > 1.0f) {
        value = 1.0f;
    }
    if (value < 0.0f) {
        value = 0.0f;
    }
    return value;
}

} // namespace peelwise::modUV
