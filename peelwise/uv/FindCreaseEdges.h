#pragma once
// The crease (hard) edges of a shape: the edges along which its normals are split.
//
// Each corner normal is compared with the one the same corner gets when the whole shape is
// smoothed (a copy with SetSmoothingAngle(180)); the host's VectorsEqual (0.0001 per axis)
// compares. Polygon f's edge (prev, c), for c = 0 .. count - 1 with prev starting at the last
// corner, is a candidate when both its end normals differ from the smoothed ones. A candidate is
// recorded when one end normal equals f's face normal (flat-shaded there); otherwise once for
// every other polygon g around c's vertex that holds the same edge reversed, unless the normal
// at c equals the normalised sum of g's and f's face normals (smooth across that edge).
// A record is CreaseEdge{position of prev's vertex, position of c's vertex}, appended to
// `creases` with `count` increased by one; an edge shared by two flat faces appears twice, once
// from each, in opposite directions. The caller empties both first.
//
// Host errors are raised again unchanged. Linear in the corners: face normals are computed at
// most once each, and neighbours come from the topology's per-vertex polygon lists, both made
// only when a candidate edge needs them.

#include "peelwise/uv/CreaseEdge.h"

#include "brontle/model/Forward.h"

#include <cstdint>
#include <vector>

namespace peelwise::modUV {

void FindCreaseEdges(brontle::SceneGraph& sceneGraph, brontle::Shape& shape,
                     std::vector<CreaseEdge>& creases, std::int32_t& count);

} // namespace peelwise::modUV
