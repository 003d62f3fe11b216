#pragma once
// The automatic atlas engine behind Shape::GenerateAtlas. It knows nothing of shapes: it reads a
// polygon mesh as flat arrays and returns one texture coordinate per chart-vertex, so the engine
// is tested, benchmarked and fuzzed on its own.

#include "brontle/core/Records.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace brontle::atlas {

// A polygon mesh as flat arrays.
//  positions     V entries.
//  polygonStart  P + 1 ascending offsets into cornerVertex; polygon p owns corners
//                [polygonStart[p], polygonStart[p + 1]).
//  cornerVertex  one vertex index per corner, in the polygon's winding order.
//  seams         edges the charts must not cross: (polygon index, start corner within that
//                polygon); the edge runs to the next corner, the last wrapping to corner 0.
//                Either polygon of an edge may name it.
struct MeshView {
    std::span<const Vector3> positions;
    std::span<const std::int32_t> polygonStart;
    std::span<const std::int32_t> cornerVertex;
    std::span<const SubSelectionEntry> seams;
};

enum class FactorType : std::int32_t { MaxStretch = 0, ChartCount = 1 };

struct Options {
    FactorType factorType = FactorType::MaxStretch;
    int factor = 4;   // 1..100; see Atlas.cpp for the meaning under each factor type
    int width = 1024; // texture size in pixels, 64..2048 each
    int height = 1024;
    int gutter = 2;  // pixels kept free around every chart, at least 2
    int threads = 0; // 0: one per hardware core
    // When set and true, the engine stops at its next check (between its phases and between
    // the rounds of chart refinement) with Error(HostAtlasFailed, "The atlas was cancelled").
    const std::atomic<bool>* cancel = nullptr;
};

struct Result {
    // One texture coordinate per chart-vertex, and one index into it per corner (same order as
    // cornerVertex). Corners that share a vertex inside a chart share one texture coordinate;
    // every coordinate lies in [0, 1] x [0, 1], v growing upwards in the texture.
    std::vector<Vector2> texcoords;
    std::vector<std::int32_t> cornerTexCoord;
    std::vector<std::int32_t> polygonChart; // chart index of every polygon
    int chartCount = 0;
    double utilisation = 0.0; // chart area / (width * height)
    // Quality as measureLayout (AtlasMetrics.h) defines it, in texel units: the L2 stretch over
    // the mesh (root mean square, area weighted; 1 is isometric), the 99th percentile of the
    // triangles' texture-area to surface-area ratio, and the triangles laid out mirrored.
    double stretchL2 = 0.0;
    double areaRatioP99 = 0.0;
    std::int64_t flipped = 0;
    double stretchLinf = 0.0; // worst Linf stretch of any polygon
    // Charts laid out by the convex embedding (ConvexEmbedding.h), the last resort for a few
    // polygons whose conformal map folds.
    int fallbacks = 0;
};

// Progress in [0, 1]; the engine calls it from the calling thread only.
using ProgressFn = std::function<void(double)>;

// Throws brontle::Error with a negative number (ErrorNumber::HostBadArgument, HostBadMesh or
// HostAtlasFailed) and a description naming the reason, on bad options or unusable meshes.
Result generate(const MeshView& mesh, const Options& options, const ProgressFn& progress = {});

// Throws the cancelled atlas's error when `cancel` is set and true (see Options::cancel).
void throwIfCancelled(const std::atomic<bool>* cancel);

// Counts texels covered by more than one chart when every polygon of `result` is rasterised at
// width x height (texel centres). Zero for a valid atlas; the benchmarks and tests use it.
std::int64_t countOverlappingTexels(const MeshView& mesh, const Result& result, int width,
                                    int height);

} // namespace brontle::atlas
