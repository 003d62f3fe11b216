#pragma once
// Texture stretch of Sander, Snyder, Gortler and Hoppe (2001). For the map from a 2D triangle to
// its 3D triangle with Jacobian columns Ss, St: a = Ss.Ss, b = Ss.St, c = St.St; the L2 stretch
// is sqrt((a + c) / 2) and the Linf stretch the larger singular value. Both are 1 for an
// isometry once the 2D layout is scaled so that its total area equals the 3D area.

#include "brontle/atlas/Chart.h"

namespace brontle::atlas {

struct StretchSum {
    double area3d = 0.0;    // sum of triangle areas in 3D (weights of the L2 figures)
    double area2d = 0.0;    // signed 2D area, positive for an orientation-preserving layout
    double l2Squared = 0.0; // sum of area3d * L2^2 of the unscaled layout
    double l2 = 0.0;        // sum of area3d * L2 of the unscaled layout
    double linf = 0.0;      // largest Linf of the unscaled layout
    int flipped = 0;        // triangles whose 2D orientation disagrees with their polygon's

    // L2 norm of the layout scaled to its 3D area (sqrt of the area-weighted mean of L2^2).
    double normL2() const;
    // Area-weighted mean of the per-triangle L2 stretch after the same scaling.
    double meanL2() const;
    // Worst per-triangle Linf after the same scaling.
    double maxLinf() const;
    // The factor that scales the 2D layout to the 3D area.
    double areaScale() const;
};

// Per-triangle stretch of the chart's polygon fan triangles (corner 0, i, i + 1) whose 3D area
// is not negligible, read from chart.uv through chart.cornerLocal; adds into `sum`. A triangle that
// is collapsed or mirrored in 2D counts as flipped and adds a large finite stretch instead of
// infinity.
void accumulateChartStretch(const MeshAdjacency& adj, const Chart& chart, StretchSum& sum);

} // namespace brontle::atlas
