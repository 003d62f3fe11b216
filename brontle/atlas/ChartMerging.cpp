#include "brontle/atlas/ChartMerging.h"

#include "brontle/atlas/BoundaryOverlap.h"
#include "brontle/atlas/Lscm.h"
#include "brontle/atlas/MinimumRectangle.h"
#include "brontle/atlas/ParallelFor.h"
#include "brontle/atlas/Stretch.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace brontle::atlas {
namespace {

// A joined chart must cover this share of its minimum-area rectangle (as the refinement asks of
// every chart): two strips meeting at an angle would otherwise make an L that packs badly.
constexpr double kMinRectangleFill = 0.4;
// Rounds of joining: a tube cut into n strips closes up in about log2(n) rounds.
constexpr int kMaxRounds = 8;

// A strip: at least kStripAspect times longer than wide and at most kStripBorders border widths
// wide. Only strips are joined: on scanned and organic meshes most small charts are compact
// pieces, and those fill the holes between large charts better than they would joined (joining
// every pair worth it by its border lowered the utilisation of such meshes by 0.01 to 0.03,
// while joining strips raised that of thin-legged and machined meshes by 0.02 to 0.05).
constexpr double kStripAspect = 3.0;
constexpr double kStripBorders = 16.0;
bool isStrip(const Chart& chart, double borderWidth) {
    const MinimumRectangle r = minimumRectangle(chart.uv);
    return r.width <= kStripBorders * borderWidth && r.length >= kStripAspect * r.width;
}

struct Pair {
    std::int32_t a = 0; // a < b
    std::int32_t b = 0;
    double saving = 0.0; // border cost / joined area
};

// The neighbouring pairs worth trying, most saving first (ties: lower indices first).
std::vector<Pair> candidatePairs(const MeshAdjacency& adj, const MergeSettings& settings,
                                 const std::vector<std::int32_t>& owner,
                                 const std::vector<Chart>& charts,
                                 const std::vector<double>& area) {
    std::unordered_map<std::uint64_t, double> shared;
    for (int c = 0; c < adj.cornerCount(); ++c) {
        const int o = adj.oppositeCorner[c];
        if (o < 0) {
            continue;
        }
        const std::int32_t a = owner[adj.cornerPolygon[c]];
        const std::int32_t b = owner[adj.cornerPolygon[o]];
        if (a >= b) {
            continue;
        }
        const Vec3d p = adj.positions[adj.cornerVertex[c]];
        const Vec3d q = adj.positions[adj.cornerVertex[adj.nextCorner(c)]];
        shared[(static_cast<std::uint64_t>(a) << 32) | static_cast<std::uint32_t>(b)] +=
            length(q - p);
    }
    std::vector<std::int8_t> strip(charts.size(), -1); // unknown until needed
    auto stripAt = [&](std::int32_t i) {
        if (strip[i] < 0) {
            strip[i] = !charts[i].convexEmbedded && isStrip(charts[i], settings.borderWidth);
        }
        return strip[i] == 1;
    };
    std::vector<Pair> pairs;
    for (const auto& [key, border] : shared) {
        const auto a = static_cast<std::int32_t>(key >> 32);
        const auto b = static_cast<std::int32_t>(key & 0xffffffffu);
        if (!stripAt(a) || !stripAt(b)) {
            continue;
        }
        const double joined = area[a] + area[b];
        const double saving = joined > 0.0 ? border * settings.borderWidth / joined : 0.0;
        if (saving >= settings.minSaving) {
            pairs.push_back({a, b, saving});
        }
    }
    std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
        if (x.saving != y.saving) {
            return x.saving > y.saving;
        }
        return x.a != y.a ? x.a < y.a : x.b < y.b;
    });
    return pairs;
}

// Flattens the union of charts a and b (owner already names a for both) into `joined`; true
// when it is acceptable (see mergeNeighbourCharts), with uv scaled to the 3D area.
bool flattenJoined(const MeshAdjacency& adj, const MergeSettings& settings,
                   const std::vector<std::int32_t>& owner, const Chart& a, const Chart& b,
                   std::int32_t id, std::vector<std::int32_t>& scratch, Chart& joined) {
    joined.polygons.resize(a.polygons.size() + b.polygons.size());
    std::merge(a.polygons.begin(), a.polygons.end(), b.polygons.begin(), b.polygons.end(),
               joined.polygons.begin());
    numberChartVertices(adj, joined, scratch);
    if (eulerCharacteristic(adj, owner, id, joined) != 1 ||
        !flattenConformal(adj, owner, id, joined)) {
        return false;
    }
    StretchSum sum;
    accumulateChartStretch(adj, joined, sum);
    if (sum.flipped > 0 || !(sum.area2d > 0.0) || !(sum.area3d > 0.0) ||
        sum.meanL2() > settings.stretchBound) {
        return false;
    }
    const double scale = sum.areaScale();
    for (Vec2d& p : joined.uv) {
        p = p * scale;
    }
    const MinimumRectangle rectangle = minimumRectangle(joined.uv);
    if (sum.area3d < kMinRectangleFill * rectangle.area() ||
        (settings.maxChartLength > 0.0 && rectangle.length > settings.maxChartLength)) {
        return false;
    }
    return !borderSelfIntersects(adj, owner, id, joined);
}

} // namespace

int mergeNeighbourCharts(const MeshAdjacency& adj, const MergeSettings& settings,
                         std::vector<Chart>& charts) {
    if (!(settings.borderWidth > 0.0) || charts.size() < 2) {
        return 0;
    }
    std::vector<std::int32_t> owner(adj.polygonCount, -1);
    std::vector<double> area(charts.size());
    for (std::size_t i = 0; i < charts.size(); ++i) {
        for (const std::int32_t p : charts[i].polygons) {
            owner[p] = static_cast<std::int32_t>(i);
        }
        area[i] = chartArea3d(adj, charts[i]);
    }
    const int threads = std::max(1, settings.threads);
    std::vector<std::vector<std::int32_t>> scratch(threads,
                                                   std::vector<std::int32_t>(adj.vertexCount, -1));
    std::vector<std::uint8_t> alive(charts.size(), 1);
    // Pairs found wanting, with the versions their charts had then: tried again only once one
    // of them has grown.
    std::vector<std::int32_t> version(charts.size(), 0);
    std::unordered_map<std::uint64_t, std::uint64_t> rejected;
    auto keyOf = [](std::int32_t a, std::int32_t b) {
        return (static_cast<std::uint64_t>(a) << 32) | static_cast<std::uint32_t>(b);
    };
    int joins = 0;
    for (int round = 0; round < kMaxRounds; ++round) {
        // Disjoint pairs, most saving first.
        std::vector<std::uint8_t> busy(charts.size(), 0);
        std::vector<Pair> chosen;
        for (const Pair& pair : candidatePairs(adj, settings, owner, charts, area)) {
            const auto found = rejected.find(keyOf(pair.a, pair.b));
            if (found != rejected.end() &&
                found->second == keyOf(version[pair.a], version[pair.b])) {
                continue;
            }
            if (!busy[pair.a] && !busy[pair.b]) {
                busy[pair.a] = busy[pair.b] = 1;
                chosen.push_back(pair);
            }
        }
        if (chosen.empty()) {
            break;
        }
        for (const Pair& pair : chosen) {
            for (const std::int32_t p : charts[pair.b].polygons) {
                owner[p] = pair.a;
            }
        }
        std::vector<Chart> joined(chosen.size());
        std::vector<std::uint8_t> accepted(chosen.size(), 0);
        parallelFor(static_cast<int>(chosen.size()), threads, [&](int k, int worker) {
            const Pair& pair = chosen[k];
            accepted[k] = flattenJoined(adj, settings, owner, charts[pair.a], charts[pair.b],
                                        pair.a, scratch[worker], joined[k])
                              ? 1
                              : 0;
        });
        int roundJoins = 0;
        for (std::size_t k = 0; k < chosen.size(); ++k) {
            const Pair& pair = chosen[k];
            if (!accepted[k]) {
                for (const std::int32_t p : charts[pair.b].polygons) {
                    owner[p] = pair.b;
                }
                rejected[keyOf(pair.a, pair.b)] = keyOf(version[pair.a], version[pair.b]);
                continue;
            }
            ++version[pair.a];
            charts[pair.a] = std::move(joined[k]);
            charts[pair.b] = Chart{};
            area[pair.a] += area[pair.b];
            area[pair.b] = 0.0;
            alive[pair.b] = 0;
            ++roundJoins;
        }
        joins += roundJoins;
    }
    if (joins == 0) {
        return 0;
    }
    std::vector<Chart> kept;
    kept.reserve(charts.size() - joins);
    for (std::size_t i = 0; i < charts.size(); ++i) {
        if (alive[i]) {
            kept.push_back(std::move(charts[i]));
        }
    }
    std::sort(kept.begin(), kept.end(),
              [](const Chart& x, const Chart& y) { return x.polygons[0] < y.polygons[0]; });
    charts = std::move(kept);
    return joins;
}

} // namespace brontle::atlas
