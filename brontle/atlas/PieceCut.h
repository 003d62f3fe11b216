#pragma once
// Cutting a piece of a flattened chart in two between its polygons, for the packer: a chart
// that finds no room is cut and its halves placed apart (see ChartPacker.h). Every texel of a
// cut border costs the gutter on both sides, so the cut looks for the shortest border rather
// than for the middle of the box: across the piece's narrowest waist, and without the
// staircase of teeth that splitting the polygons by their centres leaves.

#include "brontle/atlas/ChartPacker.h"
#include "brontle/atlas/Geometry.h"

#include <cstdint>
#include <vector>

namespace brontle::atlas {

struct PieceCutSettings {
    // Each side holds at least this share of the piece's area ...
    double minShare = 0.35;
    // ... and at least this many whole polygons.
    int minGroups = 2;
    // Sweep directions over half a turn; direction 0 is the x axis. Eight found cuts no shorter
    // on the benchmark meshes than four, at twice the cost.
    int directions = 4;
    // Passes that move single polygons across the cut when that shortens it.
    int straightenPasses = 4;
    // A cut's length counts (1 + balanceWeight * |2 * share - 1|) times: at the least share a
    // cut wins over one through the middle of the area only when 1.3 times shorter.
    double balanceWeight = 1.0;
};

// Cuts the piece of `chart` made of `triangles` (indices into chart.triangles, every polygon
// of chart.triangleGroup whole and its triangles consecutive) in two, with `points` as the
// chart's layout. The polygons are swept along each direction by their area-weighted centres
// (to within 1/n of the centres' spread, for n polygons); of the sweep positions that leave both
// sides their share of area and polygons, the one whose border (the length of the polygon edges
// it separates, in `points`), weighted by how far its share is from a half, is shortest wins,
// the first direction and then the lowest position among equals. Then polygons with more of
// their border on the other side than on their own change sides while the shares hold (the
// teeth of the cut are moved, which always shortens it). When no sweep position keeps the
// shares (one polygon holds most of the area), the cut falls back to the middle of the area
// along x. `first` and `second` come back ascending. False when the piece has fewer than twice
// settings.minGroups polygons. Cost: linear in the piece's triangles times the directions, plus
// the chart's points.
bool cutPieceInTwo(const PackInput& chart, const std::vector<Vec2d>& points,
                   const std::vector<std::int32_t>& triangles, const PieceCutSettings& settings,
                   std::vector<std::int32_t>& first, std::vector<std::int32_t>& second);

// The length in `points` of the polygon edges between triangles of `first` and of `second`.
double pieceCutLength(const PackInput& chart, const std::vector<Vec2d>& points,
                      const std::vector<std::int32_t>& first,
                      const std::vector<std::int32_t>& second);

} // namespace brontle::atlas
