#pragma once
// One step of a UV transform button: scale, move or rotate the transform's points (see
// UVPointList), keep them in the unit square, and write their texture coordinates.
//
// mode 0 scales (x *= amountX unless lockX, y *= amountY unless lockY), 1 moves (x += amountX,
// y += amountY, same locks), any other value rotates every point about +z by
// amountX / 180 * 6.283186 radians (so a step of 2.5 turns by 5 degrees, counter-clockwise in
// the view for a positive step) keeping its distance from the centre; rotation ignores the
// locks. Scale and rotate work about the centre c of GetUVSelectionBounds: the whole UV shape is
// translated by -c before and by +c after, as the host's Translate does (single precision).
// Then every listed point is clamped into [0, 1] per axis and, when atlasShape is given, its
// atlas texture coordinate vertexToTexCoord[index] becomes (x - 1, -y).
//
// Throws brontle::Error with source "modUV", subscript out of range (9), for a listed point
// outside uvShape, or (with an atlas) a point without a table entry or an entry outside the
// atlas's texture coordinates; these are checked before anything changes.
// Linear in the UV shape's vertices: whole-array reads and writes with the same arithmetic, in
// the same order, as the point-by-point GetVertex / SetVertex form.

#include "brontle/model/Forward.h"

#include <cstdint>
#include <vector>

namespace peelwise::modUV {

enum TransformMode : int { kTransformScale = 0, kTransformMove = 1, kTransformRotate = 2 };

void TransformUVPoints(brontle::SceneGraph& sceneGraph, brontle::DeviceID deviceId,
                       brontle::Shape& uvShape, brontle::Shape* atlasShape,
                       std::vector<std::int32_t>& vertexToTexCoord, int mode, float amountX,
                       float amountY, bool lockX, bool lockY);

// The rotation angle in radians of a rotate step: amountX / 180 * 6.283186, each operation in
// single precision. The constant is 2 pi, not pi, so a step of s turns by 2 s degrees.
float rotationAngleOfStep(float amountX);

} // namespace peelwise::modUV
