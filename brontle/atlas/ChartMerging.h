#pragma once
// Joining neighbouring strips whose shared border wastes much of the texture on gutters. Growing
// charts within a cone of normals cuts a thin tube (a leg, a pipe, a handle) into long strips of
// a polygon or two across; packed apart, every strip costs a gutter along both of its long sides.
// Two such strips joined along their shared border unroll together, usually with no more stretch,
// as one wider chart. Compact charts are left as they are (see ChartMerging.cpp).

#include "brontle/atlas/Chart.h"
#include "brontle/atlas/MeshAdjacency.h"

#include <vector>

namespace brontle::atlas {

struct MergeSettings {
    // The area-weighted mean L2 stretch a joined chart may have (as RefineSettings).
    double stretchBound = 1.04;
    // The width in 3D units that a chart border costs in the texture: the gutter and the texel
    // that conservative coverage adds, at the expected packing scale.
    double borderWidth = 0.0;
    // Two charts are tried together when the area their shared border costs (its length times
    // borderWidth) is at least this share of their joined area.
    double minSaving = 0.05;
    // A joined chart longer than this (3D units, its minimum-area rectangle) is not kept; 0: no
    // limit. The atlas passes RefineSettings::maxChartLength.
    double maxChartLength = 0.0;
    int threads = 1;
};

// `charts` are flattened charts with chart.uv at their 3D scale (as refineCharts returns them).
// In rounds, the neighbouring pairs of strips (charts at least 3 times longer than wide and at
// most 16 border widths wide) worth trying (see MergeSettings), most saving first, each
// chart in at most one pair per round, are flattened together (conformally, pairs in parallel);
// a pair is joined when the result is a disc with no mirrored triangle, a border that does not
// cross itself, stretch within the bound, and it neither sprawls over less than 0.4 of its
// minimum-area rectangle nor exceeds the length limit. Charts laid out by the convex embedding
// are left alone. Returns the number of joins; the charts come back ordered by their lowest
// polygon. Deterministic for any thread count.
int mergeNeighbourCharts(const MeshAdjacency& adj, const MergeSettings& settings,
                         std::vector<Chart>& charts);

} // namespace brontle::atlas
