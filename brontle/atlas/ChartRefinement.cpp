#include "brontle/atlas/ChartRefinement.h"

#include "brontle/atlas/Atlas.h"
#include "brontle/atlas/BoundaryOverlap.h"
#include "brontle/atlas/ChartSplitting.h"
#include "brontle/atlas/ConvexEmbedding.h"
#include "brontle/atlas/CrumbMerging.h"
#include "brontle/atlas/Lscm.h"
#include "brontle/atlas/MinimumRectangle.h"
#include "brontle/atlas/ParallelFor.h"
#include "brontle/atlas/Stretch.h"
#include "brontle/atlas/StretchRelaxation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace brontle::atlas {
namespace {

enum class Verdict {
    Accepted,
    SplitForShape,
    SplitForFold,
    SplitForStretch,
    SplitForSprawl,
    SplitForLength
};

// A chart covering less than this share of its minimum-area rectangle sprawls: a limb bent at
// a joint, a strip curled into an arc. Packed whole it reserves its rectangle's length in every
// row it spans and leaves holes too thin for other charts, so it is cut in two, each piece
// keeping its part of the layout. Compact charts cover 0.6 to 0.8 of their rectangle (a disc
// 0.79, a triangle 0.5), an L with arms a third of its side 0.56. Measured on modelled and
// scanned meshes, 0.4 raised the utilisation of a spider of thin bent legs from 0.54 to 0.70 and
// changed compact meshes by at most a chart in thirty; 0.5 cut a third more charts for little.
constexpr double kSprawlFill = 0.4;

// A chart this many times longer than wide is a band (a ring of thin polygons around a
// cylinder, unrolled); moderately elongated charts pack side by side and are left alone.
constexpr double kLongAspect = 8.0;

// Why a flattened chart of acceptable stretch is cut for packing: it sprawls (above), or it is a
// band longer than RefineSettings::maxChartLength.
Verdict packingVerdict(const MeshAdjacency& adj, const Chart& chart, double maxLength,
                       double& length) {
    if (chart.polygons.size() < 2) {
        return Verdict::Accepted;
    }
    const MinimumRectangle rectangle = minimumRectangle(chart.uv);
    length = rectangle.length;
    if (maxLength > 0.0 && rectangle.length > maxLength &&
        rectangle.length > kLongAspect * rectangle.width) {
        return Verdict::SplitForLength;
    }
    const double area = rectangle.area();
    return area > 0.0 && chartArea3d(adj, chart) < kSprawlFill * area ? Verdict::SplitForSprawl
                                                                      : Verdict::Accepted;
}

// A chart whose polygons all face within this angle of its mean normal is nearly planar and is
// projected onto its plane instead of solved: exact for a planar chart, and within 10 degrees
// the projection shortens no direction by more than 1.5 % (cos 10 degrees), while it costs no
// solve and cannot fold a chart that is a height field over the plane.
constexpr double kPlanarDegrees = 10.0;

// Projects `chart` onto the plane of its mean normal when it is nearly planar and the
// projection keeps every triangle's orientation and a border that does not cross itself.
bool flattenIfPlanar(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                     std::int32_t id, Chart& chart) {
    Vec3d areaVector;
    for (const std::int32_t p : chart.polygons) {
        areaVector += adj.polygonNormal[p] * adj.polygonArea[p];
    }
    const Vec3d n = normalized(areaVector);
    const double minCos = std::cos(kPlanarDegrees * std::numbers::pi / 180.0);
    for (const std::int32_t p : chart.polygons) {
        if (adj.polygonArea[p] > 0.0 && dot(adj.polygonNormal[p], n) < minCos) {
            return false;
        }
    }
    flattenByProjection(adj, chart);
    StretchSum sum;
    accumulateChartStretch(adj, chart, sum);
    if (sum.flipped == 0 && sum.area2d > 0.0 && !borderSelfIntersects(adj, owner, id, chart)) {
        chart.projected = true;
        return true;
    }
    chart.uv.clear();
    return false;
}

struct Work {
    Chart chart;
    int part = 0; // connected part of the initial segmentation, for the chart-count budget
    bool alive = true;
    bool done = false;
    Verdict verdict = Verdict::Accepted;
    // Area-weighted mean of the per-triangle L2 stretch once flattened. The mean, not the root
    // mean square: on noisy surfaces a few sliver triangles stretch a lot whatever the cut, and
    // the square lets them split charts that are fine everywhere else.
    double stretch = 1.0;
    double area = 0.0;   // in 3D
    double length = 0.0; // of the layout's minimum-area rectangle, once judged for packing
    // chart.uv holds the layout of the chart this one was cut from (restricted to its vertices).
    bool inherited = false;
};

// Rounds of as-rigid-as-possible relaxation for a chart over the stretch bound. On the scanned
// benchmark meshes 10 rounds raised the utilisation of the dragon from 0.718 to 0.733 and of
// the armadillo from 0.747 to 0.755 (fewer charts are split for stretch, and the time falls with
// the splits saved), 4 rounds about half as much, 15 no more than 10.
constexpr int kRelaxIterations = 10;

// Judges a chart on its inherited layout, which a piece of an injective layout keeps injective,
// so only the stretch, measured over the piece alone, is in question. Within `bound` the piece
// is accepted as it is: a conformal solve of its own would only lower its stretch further. Far
// over it (more than twice the allowed excess) a piece that may still be split is split again
// at once: a solve of its own would not bring it under. Either way chart.uv is scaled to the 3D
// area and true returned; false leaves the piece to be solved, with `fallback` holding the
// scaled inherited layout and its stretch when it is a valid one (empty otherwise).
bool judgeInherited(const MeshAdjacency& adj, Work& work, double bound, bool splittable,
                    std::vector<Vec2d>& fallback, double& fallbackStretch) {
    StretchSum sum;
    accumulateChartStretch(adj, work.chart, sum);
    if (sum.flipped > 0 || !(sum.area2d > 0.0) || !(sum.area3d > 0.0)) {
        return false;
    }
    const double stretch = sum.meanL2();
    const double scale = sum.areaScale();
    for (Vec2d& p : work.chart.uv) {
        p = p * scale;
    }
    if (stretch > bound && (!splittable || stretch <= 1.0 + 2.0 * (bound - 1.0))) {
        if (!splittable) {
            fallback = work.chart.uv;
            fallbackStretch = stretch;
        }
        return false;
    }
    work.stretch = stretch;
    work.verdict = stretch > bound ? Verdict::SplitForStretch : Verdict::Accepted;
    return true;
}

// Flattens one chart and judges it. Reads `owner` only, so charts run in parallel.
void flattenAndJudge(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                     std::int32_t id, Work& work, std::vector<std::int32_t>& vertexScratch,
                     const RefineSettings& settings) {
    const double stretchBound = settings.stretchBound;
    work.area = chartArea3d(adj, work.chart);
    const bool splittable = work.area >= 2.0 * settings.minSplitArea;
    auto checkSprawl = [&] {
        if (settings.maxChartsPerPart == 0 && work.verdict == Verdict::Accepted) {
            work.verdict = packingVerdict(adj, work.chart, settings.maxChartLength, work.length);
        }
    };
    Chart& chart = work.chart;
    numberChartVertices(adj, chart, vertexScratch);
    work.verdict = Verdict::Accepted;
    // The inherited layout of a piece too small to split again, kept when a solve of the
    // piece's own folds or stretches more: it is injective, so the piece is never split for a
    // fold its parent did not have. On rough surfaces a conformal solve of a small piece often
    // folds where a spike stands, and splitting for those folds went down to single polygons.
    std::vector<Vec2d> fallback;
    double fallbackStretch = 0.0;
    if (work.inherited) {
        work.inherited = false;
        if (chart.polygons.size() > 1 && eulerCharacteristic(adj, owner, id, chart) == 1 &&
            judgeInherited(adj, work, stretchBound, splittable, fallback, fallbackStretch)) {
            checkSprawl();
            return;
        }
    }
    const auto useFallback = [&] {
        chart.uv = std::move(fallback);
        work.stretch = fallbackStretch;
        work.verdict = Verdict::Accepted;
        if (work.stretch <= stretchBound) {
            checkSprawl();
        }
    };
    if (chart.polygons.size() == 1 || work.area <= 0.0) {
        flattenByProjection(adj, chart);
    } else if (eulerCharacteristic(adj, owner, id, chart) != 1) {
        work.verdict = Verdict::SplitForShape;
        return;
    } else if (flattenIfPlanar(adj, owner, id, chart)) {
        // Laid flat exactly as it is.
    } else if (!flattenConformal(adj, owner, id, chart)) {
        if (!fallback.empty()) {
            return useFallback();
        }
        work.verdict = Verdict::SplitForShape;
        return;
    }
    StretchSum sum;
    accumulateChartStretch(adj, chart, sum);
    work.stretch = sum.meanL2();
    if (chart.polygons.size() > 1 && sum.area3d > 0.0 &&
        (sum.flipped > 0 || sum.area2d <= 0.0 || borderSelfIntersects(adj, owner, id, chart))) {
        work.verdict = Verdict::SplitForFold;
    }
    // A chart over the bound after its conformal solve, or folded by it, is relaxed before it
    // is split: often the conformal map's drift of scale was all that put it over, and the
    // relaxation unfolds some folds too (StretchRelaxation.h).
    const bool folded = work.verdict == Verdict::SplitForFold && fallback.empty();
    if (settings.maxChartsPerPart == 0 &&
        (folded ||
         (work.verdict == Verdict::Accepted && work.stretch > stretchBound && splittable)) &&
        !chart.projected && chart.polygons.size() > 1) {
        std::vector<Vec2d> relaxed;
        if (relaxStretch(adj, chart, kRelaxIterations, relaxed)) {
            std::swap(chart.uv, relaxed);
            StretchSum better;
            accumulateChartStretch(adj, chart, better);
            if (better.flipped == 0 && better.area2d > 0.0 &&
                (folded ? better.meanL2() <= stretchBound : better.meanL2() < work.stretch) &&
                !borderSelfIntersects(adj, owner, id, chart)) {
                sum = better;
                work.stretch = better.meanL2();
                work.verdict = Verdict::Accepted;
            } else {
                std::swap(chart.uv, relaxed);
            }
        }
    }
    if (!fallback.empty() &&
        (work.verdict == Verdict::SplitForFold || work.stretch > fallbackStretch)) {
        return useFallback();
    }
    // A chart that folds is split until its pieces lie flat. Only a chart too small to split
    // (a few hundred texels) that still folds is laid out by the embedding that cannot fold; it
    // stretches more, which at this size does not show, and is counted (Chart::convexEmbedded).
    // Splitting those too was tried: on spiky surfaces it crumbled them into thousands of
    // charts of a polygon or two (utilisation 0.24 instead of 0.4 on a 120,000-triangle one).
    if (work.verdict == Verdict::SplitForFold && !splittable &&
        flattenConvex(adj, owner, id, chart)) {
        StretchSum convex;
        accumulateChartStretch(adj, chart, convex);
        if (convex.flipped == 0 && convex.area2d > 0.0 &&
            !borderSelfIntersects(adj, owner, id, chart)) {
            work.verdict = Verdict::Accepted;
            chart.convexEmbedded = true;
            sum = convex;
            work.stretch = sum.meanL2();
        }
    }
    const double scale = sum.areaScale();
    for (Vec2d& p : chart.uv) {
        p = p * scale;
    }
    if (work.stretch <= stretchBound) {
        checkSprawl();
    }
}

} // namespace

std::vector<Chart> refineCharts(const MeshAdjacency& adj, const Segmentation& initial,
                                const RefineSettings& settings) {
    std::vector<std::int32_t> owner = initial.polygonChart;
    std::vector<Work> works(initial.chartCount);
    for (int p = 0; p < adj.polygonCount; ++p) {
        works[owner[p]].chart.polygons.push_back(p);
    }
    for (int i = 0; i < initial.chartCount; ++i) {
        works[i].part = i;
    }
    std::vector<int> chartsInPart(initial.chartCount, 1);

    const int threads = settings.threads;
    std::vector<std::vector<std::int32_t>> vertexScratch(
        threads, std::vector<std::int32_t>(adj.vertexCount, -1));
    SplitScratch splitScratch(adj);

    auto split = [&](int id) {
        Work& work = works[id];
        const bool wantDiscs = work.verdict == Verdict::SplitForShape;
        // A chart over the stretch bound is halved, its halves keeping its layout (and halved
        // again while they are over). Cutting one far over the bound into as many pieces as its
        // excess is multiples of the allowed excess saved solves while every such chart was
        // solved again, but left pieces smaller than they need be: with relaxation keeping
        // more charts whole, halving raised the dragon's utilisation by 0.005 and the Wuson's
        // by 0.006 (sizes 992 to 1056), at no measurable cost in time. A band too long is cut
        // into as many pieces as its length needs.
        int pieces = 2;
        if (work.verdict == Verdict::SplitForLength) {
            pieces = static_cast<int>(
                std::clamp(std::ceil(1.5 * work.length / settings.maxChartLength), 2.0, 8.0));
        }
        std::vector<std::vector<std::int32_t>> parts =
            splitChart(adj, work.chart.polygons, wantDiscs, splitScratch, pieces);
        if (parts.size() < 2) {
            // Only a single polygon cannot be split, and those are projected before judging; keep
            // the chart flat in any case rather than leave it without coordinates.
            flattenByProjection(adj, work.chart);
            work.done = true;
            return;
        }
        work.alive = false;
        chartsInPart[work.part] += static_cast<int>(parts.size()) - 1;
        const int part = work.part;
        // A chart split for stretch or sprawl alone had a valid layout; its pieces start from it
        // (see judgeInherited). The chart-count mode re-solves every piece, its charts being few.
        const bool inherit =
            (work.verdict == Verdict::SplitForStretch || work.verdict == Verdict::SplitForSprawl ||
             work.verdict == Verdict::SplitForLength) &&
            settings.maxChartsPerPart == 0 && !work.chart.uv.empty();
        const Chart parent = inherit ? std::move(work.chart) : Chart{};
        if (inherit) {
            for (std::size_t l = 0; l < parent.vertices.size(); ++l) {
                splitScratch.vertexStamp[parent.vertices[l]] = static_cast<std::int32_t>(l);
            }
        }
        for (auto& polygons : parts) {
            const auto newId = static_cast<std::int32_t>(works.size());
            for (const std::int32_t p : polygons) {
                owner[p] = newId;
            }
            Work next;
            next.chart.polygons = std::move(polygons);
            next.part = part;
            if (inherit) {
                numberChartVertices(adj, next.chart, vertexScratch[0]);
                next.chart.uv.resize(next.chart.vertices.size());
                for (std::size_t l = 0; l < next.chart.vertices.size(); ++l) {
                    next.chart.uv[l] = parent.uv[splitScratch.vertexStamp[next.chart.vertices[l]]];
                }
                next.inherited = true;
                next.chart.projected = parent.projected;
            }
            works.push_back(std::move(next));
        }
        if (inherit) {
            for (const std::int32_t v : parent.vertices) {
                splitScratch.vertexStamp[v] = -1;
            }
        }
    };

    std::vector<int> pending(initial.chartCount);
    for (int i = 0; i < initial.chartCount; ++i) {
        pending[i] = i;
    }
    double roundStart = 0.0;
    double roundSpan = 0.7;
    while (!pending.empty()) {
        throwIfCancelled(settings.cancel);
        // Progress comes from the calling thread (worker 0) as it finishes a chart, counting the
        // charts every thread has finished; no thread waits for it.
        const int count = static_cast<int>(pending.size());
        std::atomic<int> finished{0};
        parallelFor(count, threads, [&](int k, int worker) {
            const int id = pending[k];
            flattenAndJudge(adj, owner, id, works[id], vertexScratch[worker], settings);
            const int done = finished.fetch_add(1, std::memory_order_relaxed) + 1;
            if (worker == 0 && settings.progress) {
                settings.progress(roundStart + roundSpan * done / count);
            }
        });
        roundStart += roundSpan;
        roundSpan = 0.5 * (1.0 - roundStart);
        const std::vector<int> judged = std::move(pending);
        pending.clear();
        for (const int id : judged) {
            const Verdict v = works[id].verdict;
            const bool overBound = works[id].stretch > settings.stretchBound;
            const bool mayStretchSplit =
                settings.maxChartsPerPart == 0 && works[id].area >= 2.0 * settings.minSplitArea;
            if (v == Verdict::SplitForShape || v == Verdict::SplitForFold ||
                v == Verdict::SplitForSprawl || v == Verdict::SplitForLength ||
                (overBound && mayStretchSplit)) {
                if (overBound && v == Verdict::Accepted) {
                    works[id].verdict = Verdict::SplitForStretch;
                }
                const std::size_t before = works.size();
                split(id);
                for (std::size_t n = before; n < works.size(); ++n) {
                    pending.push_back(static_cast<int>(n));
                }
            } else {
                works[id].done = true;
            }
        }
        if (!pending.empty() || settings.maxChartsPerPart == 0) {
            continue;
        }
        // Chart-count mode: every chart is valid now. Split the most stretched chart of each
        // part that still has room in its budget, one per part per round.
        std::map<int, int> worst; // part -> chart id; ordered so the rounds are deterministic
        for (int id = 0; id < static_cast<int>(works.size()); ++id) {
            const Work& w = works[id];
            if (!w.alive || w.chart.polygons.size() < 2 || w.stretch <= settings.stretchBound ||
                chartsInPart[w.part] >= settings.maxChartsPerPart) {
                continue;
            }
            auto it = worst.find(w.part);
            if (it == worst.end() || works[it->second].stretch < w.stretch) {
                worst[w.part] = id;
            }
        }
        for (const auto& [part, id] : worst) {
            works[id].verdict = Verdict::SplitForStretch;
            const std::size_t before = works.size();
            split(id);
            for (std::size_t n = before; n < works.size(); ++n) {
                pending.push_back(static_cast<int>(n));
            }
        }
    }

    std::vector<Chart> result;
    for (Work& w : works) {
        if (w.alive) {
            result.push_back(std::move(w.chart));
        }
    }
    // Splitting can leave single polygons behind (on rough surfaces, many); they are glued back
    // onto a neighbour where that keeps it free of folds. This also sorts by lowest polygon.
    mergeSinglePolygonCharts(adj, settings.stretchBound, result);
    return result;
}

} // namespace brontle::atlas
