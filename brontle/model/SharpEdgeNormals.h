#pragma once
// Normals for meshes that come without any: smooth across gentle edges, split at sharp ones, the
// way modellers "auto smooth" a mesh. A cube keeps its twelve hard edges, a finely tessellated
// sphere or a smooth animal gets none.

#include "brontle/core/Records.h"

#include <cstdint>
#include <span>
#include <vector>

namespace brontle {

struct ShapeArrays;

// Dihedral angle above which an edge is sharp: the face normals of the two polygons on it differ
// by more than this. 40 degrees keeps every edge of a box, a bevel at 45 degrees and the sides
// of a hexagonal nut (60) hard, while a cylinder of 10 or more sides and the coarse curves of
// low-polygon characters stay smooth.
inline constexpr double kSharpEdgeDegrees = 40.0;

// One normal per corner. Around every vertex the polygons fall into groups joined across the
// smooth edges they share: an edge used by exactly two polygons in opposite directions whose
// face normals (Newell, unit) differ by at most `sharpDegrees`. A corner's normal is the
// normalised sum of the face normals of its group, each polygon once. With nothing sharp around
// a vertex that is the host's fully smoothed normal (Shape::SetSmoothingAngle(180)); at a
// corner whose group is its own flat polygon it is the face normal. Polygons without area join
// no group and get their face normal, or +z when they have none.
// Arrays as in Shape: polygonStart has P + 1 offsets into cornerVertex. O(C log C) for C
// corners (edges are matched by sorting).
std::vector<Vector3> sharpEdgeCornerNormals(std::span<const Vector3> positions,
                                            std::span<const std::int32_t> polygonStart,
                                            std::span<const std::int32_t> cornerVertex,
                                            double sharpDegrees = kSharpEdgeDegrees);

// Gives the polygons whose `replace` flag is set (one flag per polygon) the normals of
// sharpEdgeCornerNormals over the whole shape, and rebuilds the normal pool with exact
// duplicates shared; the other corners keep their normal values exactly.
void assignSharpEdgeNormals(ShapeArrays& arrays, std::span<const char> replace,
                            double sharpDegrees = kSharpEdgeDegrees);

} // namespace brontle
