#include "brontle/atlas/Atlas.h"

#include "brontle/atlas/AtlasMetrics.h"
#include "brontle/atlas/BorderStraightening.h"
#include "brontle/atlas/ChartMerging.h"
#include "brontle/atlas/ChartPacker.h"
#include "brontle/atlas/ChartRefinement.h"
#include "brontle/atlas/ChartSegmentation.h"
#include "brontle/atlas/MeshAdjacency.h"
#include "brontle/atlas/MinimumRectangle.h"
#include "brontle/atlas/ParallelFor.h"
#include "brontle/atlas/PolygonTriangulation.h"
#include "brontle/atlas/Stretch.h"
#include "brontle/core/Error.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>
#include <string>

namespace brontle::atlas {
namespace {

constexpr const char* kSource = "brontle::atlas";

[[noreturn]] void badArgument(const std::string& why) {
    throw Error(ErrorNumber::HostBadArgument, "Atlas generation: " + why, kSource);
}

void validateOptions(const Options& options) {
    if (options.factor < 1 || options.factor > 100) {
        badArgument("factor " + std::to_string(options.factor) + " is outside 1..100");
    }
    if (options.factorType != FactorType::MaxStretch &&
        options.factorType != FactorType::ChartCount) {
        badArgument("unknown factor type " +
                    std::to_string(static_cast<std::int32_t>(options.factorType)));
    }
    if (options.width < 64 || options.width > 2048) {
        badArgument("width " + std::to_string(options.width) + " is outside 64..2048 pixels");
    }
    if (options.height < 64 || options.height > 2048) {
        badArgument("height " + std::to_string(options.height) + " is outside 64..2048 pixels");
    }
    if (options.gutter < 2 || options.gutter > 64) {
        badArgument("gutter " + std::to_string(options.gutter) + " is outside 2..64 pixels");
    }
    if (options.threads < 0) {
        badArgument("thread count " + std::to_string(options.threads) + " is negative");
    }
}

// The meaning of the factor.
//  MaxStretch: the area-weighted mean L2 stretch (Sander et al.) allowed per chart is
//    1 + 0.01 * factor, so factor 1 -> 1.01 (nearly isometric, many charts), 4 -> 1.04 (the
//    default), 100 -> 2.0 (few, strongly stretched charts). Charts are first grown within a normal
//    cone that widens with the factor, so a larger factor also starts from fewer, larger charts.
//  ChartCount: at most `factor` charts per connected part of the mesh; a part is only split
//    further when it must be (it is closed or not a disc, or its flattening folds over), and
//    within the budget a chart is split while it exceeds the default stretch bound 1.04.
double stretchBound(int factor) {
    return 1.0 + 0.01 * factor;
}
// 65 degrees at the default factor 4. Since the packer cuts charts that find no room, fewer and
// larger first charts leave it more to choose from (benchmark meshes, same cutting budget: mean
// utilisation 0.730 at 47 degrees, 0.740 at 65; the worst Linf stretch also fell, 22 -> 4.3).
double growthAngle(int factor) {
    const double degrees = std::min(85.0, 63.0 + 0.5 * factor);
    return degrees * std::numbers::pi / 180.0;
}
constexpr double kDefaultStretchBound = 1.04;

// Charts smaller than this many texels (at the packing scale expected from a typical fill of
// the texture) are not split for stretch: at that size, about 16 x 16 texels, texture detail
// cannot show how the stretch varies inside the chart, while splitting it further leaves pieces
// of a few texels each that waste the texture on gutters. On very rough surfaces (spikes several
// edge lengths high) every small chart stretches, and without this floor splitting went down to
// single polygons. Such charts may therefore exceed the stretch bound.
constexpr double kMinSplitTexels = 256.0;
constexpr double kExpectedFill = 0.7;
// Longest chart, as a share of the texture's shorter side at that expected scale (see
// RefineSettings::maxChartLength).
constexpr double kMaxChartSide = 0.75;
// A chart covering this share of its minimum-area rectangle is a rectangle.
constexpr double kRectangularFill = 0.97;

// Per polygon of the chart, the index of its first corner in chart.cornerLocal.
std::vector<std::size_t> firstCorners(const MeshAdjacency& adj, const Chart& chart) {
    std::vector<std::size_t> first(chart.polygons.size() + 1, 0);
    for (std::size_t n = 0; n < chart.polygons.size(); ++n) {
        first[n + 1] = first[n] + static_cast<std::size_t>(adj.polygonStart[chart.polygons[n] + 1] -
                                                           adj.polygonStart[chart.polygons[n]]);
    }
    return first;
}

// The chart made of the polygons `from.polygons[n]` for n in `members` (ascending), its vertices
// numbered afresh and placed where `uv` (per local vertex of `from`) puts them. `first` is
// firstCorners(adj, from).
Chart subChart(const MeshAdjacency& adj, const Chart& from, const std::vector<std::size_t>& first,
               const std::vector<Vec2d>& uv, const std::vector<std::size_t>& members,
               std::vector<std::int32_t>& scratch) {
    Chart part;
    for (const std::size_t n : members) {
        part.polygons.push_back(from.polygons[n]);
    }
    numberChartVertices(adj, part, scratch);
    part.uv.resize(part.vertices.size());
    std::size_t k = 0;
    for (const std::size_t n : members) {
        const std::size_t size = first[n + 1] - first[n];
        for (std::size_t j = 0; j < size; ++j) {
            part.uv[part.cornerLocal[k + j]] = uv[from.cornerLocal[first[n] + j]];
        }
        k += size;
    }
    return part;
}

// Groups the polygons of the chart (indices into chart.polygons) by the connected pieces they
// form, joined through shared vertices, each group ascending, ordered by its first polygon.
// `first` is firstCorners(adj, chart).
std::vector<std::vector<std::size_t>> connectedPieces(const Chart& chart,
                                                      const std::vector<std::size_t>& first) {
    std::vector<std::int32_t> parent(chart.vertices.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&](std::int32_t v) {
        while (parent[v] != v) {
            v = parent[v] = parent[parent[v]];
        }
        return v;
    };
    for (std::size_t n = 0; n < chart.polygons.size(); ++n) {
        for (std::size_t c = first[n] + 1; c < first[n + 1]; ++c) {
            parent[find(chart.cornerLocal[c])] = find(chart.cornerLocal[first[n]]);
        }
    }
    std::vector<std::int32_t> group(chart.vertices.size(), -1);
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t n = 0; n < chart.polygons.size(); ++n) {
        std::int32_t& g = group[find(chart.cornerLocal[first[n]])];
        if (g < 0) {
            g = static_cast<std::int32_t>(groups.size());
            groups.emplace_back();
        }
        groups[g].push_back(n);
    }
    return groups;
}

// The final charts, one per packed piece, each with its packed positions as chart.uv. A chart the
// packer cut becomes one chart per connected piece, numbering its own vertices, so the corners on
// the cut get a texture coordinate on either side.
std::vector<Chart> chartsAsPacked(const MeshAdjacency& adj, std::vector<Chart> charts,
                                  PackResult& packed) {
    std::vector<Chart> out;
    out.reserve(packed.pieces.size());
    std::vector<std::int32_t> scratch(adj.vertexCount, -1);
    for (PackedPiece& piece : packed.pieces) {
        Chart& whole = charts[piece.chart];
        if (piece.triangles.empty()) {
            whole.uv = std::move(piece.positions);
            out.push_back(std::move(whole));
            continue;
        }
        // The packer numbers a chart's triangles polygon by polygon, size - 2 for each.
        std::vector<std::size_t> members;
        std::size_t next = 0;
        std::int32_t firstTriangle = 0;
        for (std::size_t n = 0; n < whole.polygons.size(); ++n) {
            const std::int32_t p = whole.polygons[n];
            firstTriangle += adj.polygonStart[p + 1] - adj.polygonStart[p] - 2;
            bool member = false;
            for (; next < piece.triangles.size() && piece.triangles[next] < firstTriangle; ++next) {
                member = true;
            }
            if (member) {
                members.push_back(n);
            }
        }
        Chart part =
            subChart(adj, whole, firstCorners(adj, whole), piece.positions, members, scratch);
        const std::vector<std::size_t> partFirst = firstCorners(adj, part);
        const std::vector<std::vector<std::size_t>> pieces = connectedPieces(part, partFirst);
        if (pieces.size() == 1) {
            out.push_back(std::move(part));
            continue;
        }
        for (const std::vector<std::size_t>& connected : pieces) {
            out.push_back(subChart(adj, part, partFirst, part.uv, connected, scratch));
        }
    }
    return out;
}

// A flat rectangular chart bounded by sharp edges all round: a side of a box, projected as it
// is. Such charts pack edge to edge in rows, and a seam across a face of a modelled part is a cut
// its user would not make, so the packer keeps them whole.
bool isBoxFace(const MeshAdjacency& adj, const Chart& chart) {
    if (!chart.projected || chart.polygons.size() < 2 || adj.sharpEdge.empty()) {
        return false;
    }
    std::size_t border = 0;
    for (const std::int32_t p : chart.polygons) {
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            const int o = adj.oppositeCorner[c];
            const bool inside =
                o >= 0 && std::binary_search(chart.polygons.begin(), chart.polygons.end(),
                                             adj.cornerPolygon[o]);
            if (inside) {
                continue;
            }
            if (!adj.sharpEdge[c]) {
                return false;
            }
            ++border;
        }
    }
    return border > 0 &&
           chartArea3d(adj, chart) >= kRectangularFill * minimumRectangle(chart.uv).area();
}

} // namespace

void throwIfCancelled(const std::atomic<bool>* cancel) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
        throw Error(ErrorNumber::HostAtlasFailed, "The atlas was cancelled", kSource);
    }
}

namespace {

// Progress, and the cancel check that goes with every step of it.
void report(const ProgressFn& progress, double value, const Options& options) {
    throwIfCancelled(options.cancel);
    if (progress) {
        progress(value);
    }
}

} // namespace

Result generate(const MeshView& mesh, const Options& options, const ProgressFn& progress) {
    validateOptions(options);
    validateMesh(mesh);
    const int threads = resolveThreadCount(options.threads);
    report(progress, 0.0, options);

    MeshAdjacency adj = buildAdjacency(mesh);
    if (std::all_of(adj.polygonArea.begin(), adj.polygonArea.end(),
                    [](double a) { return !(a > 0.0); })) {
        throw Error(ErrorNumber::HostBadMesh,
                    "Atlas generation: every polygon is degenerate (zero area)", kSource);
    }
    report(progress, 0.1, options);

    RefineSettings settings;
    settings.threads = threads;
    settings.cancel = options.cancel;
    // Flattening is most of the work: it fills the progress from 0.2 to 0.7 as it goes.
    if (progress || options.cancel != nullptr) {
        settings.progress = [&](double done) { report(progress, 0.2 + 0.5 * done, options); };
    }
    double totalArea = 0.0;
    for (const double a : adj.polygonArea) {
        totalArea += std::max(a, 0.0);
    }
    const double texelsPerArea = kExpectedFill * options.width * options.height / totalArea;
    settings.minSplitArea = kMinSplitTexels / texelsPerArea;
    settings.maxChartLength =
        kMaxChartSide * std::min(options.width, options.height) / std::sqrt(texelsPerArea);
    Segmentation segmentation;
    if (options.factorType == FactorType::MaxStretch) {
        settings.stretchBound = stretchBound(options.factor);
        // A chart never spans a sharp edge (the edges of a box, the rim of a fan cap): growing
        // across one on smoothed normals rounds the corner off into a cone point that stretches.
        separateSharpEdges(adj, growthAngle(options.factor));
        segmentation = growCharts(adj, smoothedPolygonNormals(adj), growthAngle(options.factor));
    } else {
        settings.stretchBound = kDefaultStretchBound;
        settings.maxChartsPerPart = options.factor;
        segmentation = connectedParts(adj);
    }
    report(progress, 0.2, options);

    std::vector<Chart> charts = refineCharts(adj, segmentation, settings);
    if (options.factorType == FactorType::MaxStretch) {
        // Strips of a thin tube joined into wider charts (ChartMerging.h); a border costs the
        // gutter and the texel that conservative coverage adds.
        MergeSettings merge;
        merge.stretchBound = settings.stretchBound;
        merge.borderWidth = (options.gutter + 1.0) / std::sqrt(texelsPerArea);
        merge.maxChartLength = settings.maxChartLength;
        merge.threads = threads;
        mergeNeighbourCharts(adj, merge, charts);
        // Teeth left on the borders by splitting, moved into the neighbour that surrounds
        // them (BorderStraightening.h).
        straightenChartBorders(adj, StraightenSettings{}, charts);
    }
    report(progress, 0.7, options);
    const int fallbacks = static_cast<int>(std::count_if(
        charts.begin(), charts.end(), [](const Chart& c) { return c.convexEmbedded; }));

    std::vector<PackInput> inputs(charts.size());
    std::vector<Vec2d> outline;
    std::vector<std::array<int, 3>> corners;
    for (std::size_t i = 0; i < charts.size(); ++i) {
        const Chart& chart = charts[i];
        inputs[i].points = chart.uv;
        // In the chart-count mode the count is the user's: the packer may not cut charts. Nor
        // does it cut a face of a box (see isBoxFace).
        const bool mayCut = options.factorType == FactorType::MaxStretch && !isBoxFace(adj, chart);
        // Each polygon by its real outline in the chart (a fan would cover the notches of a
        // non-convex one), size - 2 triangles.
        std::size_t k = 0;
        for (std::size_t n = 0; n < chart.polygons.size(); ++n) {
            const std::int32_t p = chart.polygons[n];
            const int size = adj.polygonStart[p + 1] - adj.polygonStart[p];
            const std::int32_t* local = chart.cornerLocal.data() + k;
            outline.resize(size);
            for (int j = 0; j < size; ++j) {
                outline[j] = chart.uv[local[j]];
            }
            corners.clear();
            triangulatePolygon(outline, 0, corners);
            for (const auto& t : corners) {
                inputs[i].triangles.push_back({local[t[0]], local[t[1]], local[t[2]]});
            }
            if (mayCut) {
                inputs[i].triangleGroup.insert(inputs[i].triangleGroup.end(), size - 2,
                                               static_cast<std::int32_t>(n));
            }
            k += size;
        }
    }
    PackResult packed = packCharts(inputs, options.width, options.height, options.gutter, threads);
    inputs.clear();
    charts = chartsAsPacked(adj, std::move(charts), packed);
    report(progress, 0.9, options);

    Result result;
    result.chartCount = static_cast<int>(charts.size());
    result.polygonChart.assign(adj.polygonCount, -1);
    result.cornerTexCoord.assign(adj.cornerCount(), -1);
    std::size_t total = 0;
    for (const Chart& chart : charts) {
        total += chart.vertices.size();
    }
    result.texcoords.reserve(total);
    StretchSum stretch;
    double texelArea = 0.0;
    for (std::size_t i = 0; i < charts.size(); ++i) {
        Chart& chart = charts[i];
        const auto base = static_cast<std::int32_t>(result.texcoords.size());
        for (const Vec2d& t : chart.uv) {
            const double u = std::clamp(t.x / options.width, 0.0, 1.0);
            const double v = std::clamp(t.y / options.height, 0.0, 1.0);
            result.texcoords.push_back({static_cast<float>(u), static_cast<float>(v)});
        }
        std::size_t k = 0;
        for (const std::int32_t p : chart.polygons) {
            result.polygonChart[p] = static_cast<std::int32_t>(i);
            const int begin = adj.polygonStart[p];
            const int size = adj.polygonStart[p + 1] - begin;
            double twiceArea = 0.0;
            for (int j = 0; j < size; ++j) {
                result.cornerTexCoord[begin + j] = base + chart.cornerLocal[k + j];
                const Vec2d a = chart.uv[chart.cornerLocal[k + j]];
                const Vec2d b = chart.uv[chart.cornerLocal[k + (j + 1) % size]];
                twiceArea += cross(a, b);
            }
            texelArea += 0.5 * std::abs(twiceArea);
            k += size;
        }
        // Stretch over the whole mesh in texel units: one global area normalisation, which is
        // the uniform packing scale divided out.
        accumulateChartStretch(adj, chart, stretch);
    }
    result.utilisation = texelArea / (static_cast<double>(options.width) * options.height);
    result.stretchLinf = stretch.maxLinf();
    result.fallbacks = fallbacks;
    // Measured in texels, so that a texture wider than high does not count as stretch.
    std::vector<Vector2> texels(result.texcoords.size());
    for (std::size_t i = 0; i < texels.size(); ++i) {
        texels[i] = {result.texcoords[i].u * static_cast<float>(options.width),
                     result.texcoords[i].v * static_cast<float>(options.height)};
    }
    const LayoutMetrics metrics =
        measureLayout(mesh, texels, result.cornerTexCoord, result.polygonChart, result.chartCount);
    result.stretchL2 = metrics.stretchL2;
    result.areaRatioP99 = metrics.areaRatioP99;
    result.flipped = metrics.flipped;
    report(progress, 1.0, options);
    return result;
}

} // namespace brontle::atlas
