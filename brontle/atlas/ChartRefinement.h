#pragma once
// Turning a first segmentation into flattened charts: flatten every chart by least-squares
// conformal maps, check it, and split the ones that fail until every chart is acceptable.

#include "brontle/atlas/Chart.h"
#include "brontle/atlas/ChartSegmentation.h"

#include <atomic>
#include <functional>
#include <vector>

namespace brontle::atlas {

struct RefineSettings {
    // A chart whose area-weighted mean L2 stretch exceeds this is split (in chart-count mode, only
    // while its part has fewer than maxChartsPerPart charts).
    double stretchBound = 1.04;
    // 0: split on stretch without limit. Otherwise the chart-count mode: charts are only split
    // for stretch while their connected part has fewer charts than this.
    int maxChartsPerPart = 0;
    // 3D area of a chart too small to split for stretch or sprawl (0: no such floor). The atlas
    // sets it to the area that covers a few hundred texels at the expected packing scale: within
    // so few texels an uneven stretch cannot show, while cutting such a chart into pieces of a
    // few texels each wastes most of the texture on gutters.
    double minSplitArea = 0.0;
    // In the stretch mode, a band (8 or more times longer than wide) whose layout is longer than
    // this (3D units, along its minimum-area rectangle) is cut into pieces along its length,
    // keeping their part of the
    // layout; 0: no limit. The atlas sets 3/4 of the texture's shorter side at the expected
    // packing scale: a longer chart would set the scale of the whole atlas on its own.
    double maxChartLength = 0.0;
    int threads = 1;
    // Checked between refinement rounds (see Options::cancel).
    const std::atomic<bool>* cancel = nullptr;
    // When set, called on the calling thread each time it has flattened a chart, with the share
    // of the refinement done, rising in [0, 1). The number of rounds is not known ahead (a
    // round flattens the pieces the previous one split), so each round after the first spans
    // half of what the rounds before it left, the first 0.7: most of the work is flattening the
    // first charts. It may throw (a cancel); the refinement then stops with that error.
    std::function<void(double)> progress;
};

// Returns the final charts, ordered by their lowest polygon, each with vertices numbered and
// chart.uv scaled so that its 2D area equals its 3D area. Every chart is either
//  - a topological disc flattened conformally with no mirrored triangle and a border that does
//    not cross itself (in the stretch mode a piece of a chart split for stretch may keep its
//    part of that chart's conformal layout when it meets the bound there), or
//  - a single polygon or a chart without area, flattened by projection.
// In the stretch mode a chart that folds or stretches too much after its conformal solve is
// first relaxed (StretchRelaxation.h) and kept whole when that brings it within the bound.
// Charts are split when they are not discs, fold over, or (see RefineSettings) stretch too much
// while larger than twice minSplitArea (a chart over the bound is halved);
// in the stretch mode also when they sprawl, covering less than 0.4 of their minimum-area
// rectangle (a bent limb, a strip curled into an arc), the pieces keeping their part of the
// layout.
// Deterministic for any thread count.
std::vector<Chart> refineCharts(const MeshAdjacency& adj, const Segmentation& initial,
                                const RefineSettings& settings);

} // namespace brontle::atlas
