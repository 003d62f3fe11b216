#include "brontle/atlas/CrumbMerging.h"

#include "brontle/atlas/BoundaryOverlap.h"
#include "brontle/atlas/Stretch.h"

#include <algorithm>

namespace brontle::atlas {
namespace {

constexpr std::int32_t kNone = -1;

// Complex product and quotient on Vec2d, for the similarity that hinges a polygon on an edge.
Vec2d multiply(Vec2d a, Vec2d b) {
    return {a.x * b.x - a.y * b.y, a.x * b.y + a.y * b.x};
}
Vec2d divide(Vec2d a, Vec2d b) {
    const double d = dot(b, b);
    return {(a.x * b.x + a.y * b.y) / d, (a.y * b.x - a.x * b.y) / d};
}

// Tries to grow chart `target` by polygon `p`; on success updates the chart (polygons, numbering,
// uv) and `owner`, else leaves both as they were. `uvOf` and `scratch` have one entry per mesh
// vertex (uvOf holds -1 / scratch -1 outside calls).
bool tryGrow(const MeshAdjacency& adj, std::vector<std::int32_t>& owner, std::int32_t target,
             std::int32_t p, double stretchBound, Chart& chart, std::vector<std::int32_t>& uvOf,
             std::vector<std::int32_t>& scratch) {
    const int begin = adj.polygonStart[p];
    const int size = adj.polygonStart[p + 1] - begin;
    int hinge = -1;
    for (int i = 0; i < size && hinge < 0; ++i) {
        const int o = adj.oppositeCorner[begin + i];
        if (o >= 0 && owner[adj.cornerPolygon[o]] == target) {
            hinge = i;
        }
    }
    if (hinge < 0 || !(adj.polygonArea[p] > 0.0)) {
        return false;
    }
    for (std::size_t l = 0; l < chart.vertices.size(); ++l) {
        uvOf[chart.vertices[l]] = static_cast<std::int32_t>(l);
    }
    Vec3d e1;
    Vec3d e2;
    planeBasis(adj.polygonNormal[p], e1, e2);
    auto planar = [&](int i) {
        const Vec3d q = adj.positions[adj.cornerVertex[begin + i]];
        return Vec2d{dot(q, e1), dot(q, e2)};
    };
    const int a = adj.cornerVertex[begin + hinge];
    const int b = adj.cornerVertex[begin + (hinge + 1) % size];
    const Vec2d wa = planar(hinge);
    const Vec2d wb = planar((hinge + 1) % size);
    const Vec2d ua = chart.uv[uvOf[a]];
    const Vec2d ub = chart.uv[uvOf[b]];
    const bool usable = dot(wb - wa, wb - wa) > 0.0;
    std::vector<std::pair<std::int32_t, Vec2d>> added;
    if (usable) {
        const Vec2d rotation = divide(ub - ua, wb - wa);
        for (int i = 0; i < size; ++i) {
            const int v = adj.cornerVertex[begin + i];
            if (uvOf[v] < 0 && std::none_of(added.begin(), added.end(),
                                            [&](const auto& e) { return e.first == v; })) {
                added.push_back({v, ua + multiply(planar(i) - wa, rotation)});
            }
        }
    }
    std::vector<Vec2d> byVertex;
    Chart grown;
    if (usable) {
        grown.polygons = chart.polygons;
        grown.polygons.insert(std::upper_bound(grown.polygons.begin(), grown.polygons.end(), p), p);
        numberChartVertices(adj, grown, scratch);
        grown.uv.resize(grown.vertices.size());
        for (std::size_t l = 0; l < grown.vertices.size(); ++l) {
            const int v = grown.vertices[l];
            if (uvOf[v] >= 0) {
                grown.uv[l] = chart.uv[uvOf[v]];
            } else {
                for (const auto& [vertex, position] : added) {
                    if (vertex == v) {
                        grown.uv[l] = position;
                    }
                }
            }
        }
    }
    for (const std::int32_t v : chart.vertices) {
        uvOf[v] = -1;
    }
    if (!usable) {
        return false;
    }
    const std::int32_t before = owner[p];
    owner[p] = target;
    // The polygon takes the neighbour's scale at the hinge, which may differ from the chart's
    // mean scale; the grown chart must stay within the bound (or its own stretch, if higher).
    StretchSum old;
    accumulateChartStretch(adj, chart, old);
    StretchSum sum;
    accumulateChartStretch(adj, grown, sum);
    if (sum.flipped > 0 || sum.meanL2() > std::max(stretchBound, old.meanL2()) ||
        eulerCharacteristic(adj, owner, target, grown) != 1 ||
        borderSelfIntersects(adj, owner, target, grown)) {
        owner[p] = before;
        return false;
    }
    chart = std::move(grown);
    return true;
}

} // namespace

void mergeSinglePolygonCharts(const MeshAdjacency& adj, double stretchBound,
                              std::vector<Chart>& charts) {
    std::vector<std::int32_t> owner(adj.polygonCount, kNone);
    for (std::size_t i = 0; i < charts.size(); ++i) {
        for (const std::int32_t p : charts[i].polygons) {
            owner[p] = static_cast<std::int32_t>(i);
        }
    }
    std::vector<std::int32_t> uvOf(adj.vertexCount, -1);
    std::vector<std::int32_t> scratch(adj.vertexCount, -1);
    std::vector<bool> removed(charts.size(), false);
    // Each try costs about the size of the chart grown. Bounding their sum by a multiple of the
    // polygon count keeps the pass linear even when one large chart is ringed by single
    // polygons; those left over stay charts of their own.
    const long long budget = 8LL * adj.polygonCount;
    long long spent = 0;
    for (std::size_t i = 0; i < charts.size(); ++i) {
        if (charts[i].polygons.size() != 1) {
            continue;
        }
        const std::int32_t p = charts[i].polygons.front();
        // The neighbouring chart of several polygons with the most shared edges, then the
        // earliest: at most as many candidates as the polygon has corners.
        std::int32_t best = kNone;
        int bestEdges = 0;
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            const int o = adj.oppositeCorner[c];
            if (o < 0) {
                continue;
            }
            const std::int32_t q = owner[adj.cornerPolygon[o]];
            if (q == owner[p] || charts[q].polygons.size() < 2) {
                continue;
            }
            int edges = 0;
            for (int d = adj.polygonStart[p]; d < adj.polygonStart[p + 1]; ++d) {
                const int od = adj.oppositeCorner[d];
                edges += od >= 0 && owner[adj.cornerPolygon[od]] == q;
            }
            if (edges > bestEdges || (edges == bestEdges && q < best)) {
                best = q;
                bestEdges = edges;
            }
        }
        if (best == kNone) {
            continue;
        }
        spent += static_cast<long long>(charts[best].polygons.size());
        if (spent > budget) {
            break;
        }
        if (tryGrow(adj, owner, best, p, stretchBound, charts[best], uvOf, scratch)) {
            removed[i] = true;
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < charts.size(); ++i) {
        if (removed[i]) {
            continue;
        }
        if (kept != i) {
            charts[kept] = std::move(charts[i]);
        }
        ++kept;
    }
    charts.resize(kept);
    std::sort(charts.begin(), charts.end(), [](const Chart& x, const Chart& y) {
        return x.polygons.front() < y.polygons.front();
    });
}

} // namespace brontle::atlas
