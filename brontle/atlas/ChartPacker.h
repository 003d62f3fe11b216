#pragma once
// Packing flattened charts into a width x height texture with one uniform scale.
//
// Each chart is first turned to the orientation of its minimum-area bounding rectangle (any
// angle), then rasterised conservatively at the trial scale (every texel its triangles touch,
// found from the chart's outline: the texels its border edges touch and those whose centre it
// winds around) and placed, largest first, on the texture's occupancy bitmap (FreeSpace) at 0, 90,
// 180 or 270 degrees: each rotation at its lowest free spot whatever lies above it, so small charts
// fill the holes that larger ones leave (under overhangs, in the bend of an L), and of the four the
// one whose covered texels' centroid sits lowest (the chart settles as deep as it can, upright in a
// narrow gap or on its flat side on a wide floor). Two charts' texels are always more
// than `gutter` texels apart (Chebyshev distance), and `gutter` texels stay free along the border.
// A chart of many polygons that finds no room at a trial scale may be cut in two (whole polygons
// on either side, the flattening kept), recursively, within a budget of cuts per packing.
// The search over the scale keeps the largest scale at which every chart fits, to 0.1 %: it
// starts where the charts' boxes with their gutters would cover 85 % of the texture, steps
// down by the share of texels that found no room or up by the free rows, then bisects, and
// finally tries two scales just above the first failure (packing is not monotone in scale).
// With two threads the next trial is packed beside the current one on a guess of its outcome
// and dropped when the guess was wrong: the same trials, in fewer rounds.
// Among fitting trials a cut must pay for itself (a lone disc is not cut for 0.04 % of scale).
// Searching a spot starts where a solid rectangle inside the chart first fits, and tests 64
// offsets at once (FreeSpace), so thousands of small charts pack in a fraction of a second.

#include "brontle/atlas/Geometry.h"

#include <array>
#include <cstdint>
#include <vector>

namespace brontle::atlas {

struct PackInput {
    std::vector<Vec2d> points;                 // the chart's 2D layout, in 3D length units
    std::vector<std::array<int, 3>> triangles; // indices into points covering the chart
    // Per triangle, the polygon of the chart it belongs to (non-decreasing); a cut never
    // separates one polygon's triangles. Empty: the chart is never cut.
    std::vector<std::int32_t> triangleGroup;
};

// A chart as packed, whole or one piece of it.
struct PackedPiece {
    int chart = 0;                       // index into the packed charts
    std::vector<std::int32_t> triangles; // the chart's triangles in this piece, ascending;
                                         // empty when the chart was packed whole
    // Per point of the chart, its packed position in texel units, x in [gutter, width - gutter],
    // y in [gutter, height - gutter], y growing upwards. Only the piece's points are placed.
    std::vector<Vec2d> positions;
};

struct PackResult {
    // Every chart's pieces (one when it stayed whole), ordered by chart.
    std::vector<PackedPiece> pieces;
    double scale = 0.0; // texels per 3D length unit
};

// Throws brontle::Error(HostAtlasFailed) when the charts do not fit even at the smallest scale
// (every chart reduced to single texels), i.e. there are too many charts for the texture.
// Requires width, height >= 1, gutter >= 0. Deterministic for any thread count.
PackResult packCharts(const std::vector<PackInput>& charts, int width, int height, int gutter,
                      int threads);

} // namespace brontle::atlas
