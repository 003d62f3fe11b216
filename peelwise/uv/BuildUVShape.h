#pragma once
// The flat UV layout shape of an atlas shape.
//
// Result: a new shape (made by sceneGraph.CreateShape()) whose polygon i mirrors atlas polygon
// polygonIndices[i]: one corner per atlas corner, at the point (x, y, 0) that stands for the
// corner's texture coordinate (x = u, y = 1 - v, folded once into the unit square: x > 1.0001
// becomes x - 1, y < -0.0001 becomes y + 1), normal (0, 0, -1), texture coordinate (0, 0).
// Corners at one point (within 0.0001 per axis) share one vertex, the lowest-numbered.
// Tag of UV polygon i: +(polygonIndices[i] + 1) when the texture outline of the atlas polygon
// is counter-clockwise (the unit normal of the (u, v, 0) outline has |n.z - 1| <= 0.0001) and
// the corners keep the atlas order; -(polygonIndices[i] + 1) with the corners reversed
// otherwise (clockwise, degenerate or fewer than three corners).
// Materials: a copy (colours B, C, A, D, then the value) of every atlas material, keyed by the
// decimal text of its material key; a later material with a key already present is dropped, so
// its polygons use the first one's copy. The UV shape's table starts with the host's default
// material (made when its first polygon is added), followed by the copies in order of first use.
//
// Side effect on `atlasShape`: every laid-out corner's texture coordinate (u, v) is replaced by
// (u - 1, v - 1), found within 0.0001 or added to its pool, so that for every unfolded point the
// atlas value is exactly (x - 1, -y). A polygon listed twice is shifted twice.
//
// Throws brontle::Error with source "modUV": subscript out of range (9) for an index outside
// the atlas's polygons, checked before anything changes; object not set (91) for a missing
// material. Runs in time linear in the corners (flat arrays and one tolerance grid per pool),
// with exactly the result of the step-by-step AddPolygon / AddCorner / SetCornerUV form.

#include "brontle/model/Forward.h"

#include <cstdint>
#include <span>

namespace peelwise::modUV {

brontle::ShapePtr BuildUVShape(brontle::SceneGraph& sceneGraph, brontle::Shape& atlasShape,
                               std::span<const std::int32_t> polygonIndices);

} // namespace peelwise::modUV
