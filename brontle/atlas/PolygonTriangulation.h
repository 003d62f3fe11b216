#pragma once
// Triangulation of one polygon by its real outline, for rasterising it: a fan from the first
// corner covers area outside a non-convex polygon (a comb's gaps, a star's notches), which the
// packer would then keep free for nothing.

#include "brontle/atlas/Geometry.h"

#include <array>
#include <span>
#include <vector>

namespace brontle::atlas {

// Appends exactly corners.size() - 2 triangles (indices into `corners`, counted from `base`
// upwards) covering the polygon. A convex polygon (every turn the same way) is fanned from corner
// 0; any other is cut into ears, each turning the polygon's way and holding no other corner,
// so the triangles of a simple polygon cover it exactly. Expected time near-linear in the corner
// count: reflex corners are looked up in a uniform grid. A polygon whose outline crosses itself
// still gets its count of triangles (ears are then forced where none is left).
// Requires corners.size() >= 3.
void triangulatePolygon(std::span<const Vec2d> corners, int base,
                        std::vector<std::array<int, 3>>& out);

} // namespace brontle::atlas
