#include "brontle/atlas/BorderStraightening.h"

#include "brontle/atlas/Stretch.h"

#include <algorithm>
#include <cstdint>

namespace brontle::atlas {
namespace {

constexpr std::int32_t kNone = -1;

int previousCorner(const MeshAdjacency& adj, int c) {
    const int p = adj.cornerPolygon[c];
    return c > adj.polygonStart[p] ? c - 1 : adj.polygonStart[p + 1] - 1;
}

// True when the polygons around the vertex of corner `c` form a closed fan whose polygons all
// belong to chart `b` or are polygon `p`.
bool fanInside(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner, std::int32_t b,
               std::int32_t p, int c) {
    const int start = c;
    // Corner d is at the vertex; the edge ending there is started by previousCorner(d), and the
    // polygon across it has its corner at the vertex at the opposite corner.
    int d = c;
    for (int steps = 0; steps < 4096; ++steps) {
        const int o = adj.oppositeCorner[previousCorner(adj, d)];
        if (o < 0) {
            return false;
        }
        if (o == start) {
            return true;
        }
        const std::int32_t q = adj.cornerPolygon[o];
        if (q != p && owner[q] != b) {
            return false;
        }
        d = o;
    }
    return false;
}

class Straightener {
  public:
    Straightener(const MeshAdjacency& adj, const StraightenSettings& settings,
                 std::vector<Chart>& charts)
        : adj_(adj), settings_(settings), charts_(charts), owner_(adj.polygonCount, kNone),
          local_(adj.cornerCount(), kNone), size_(charts.size(), 0), border_(charts.size()),
          changed_(charts.size(), 0) {
        for (std::size_t i = 0; i < charts.size(); ++i) {
            const Chart& chart = charts[i];
            std::size_t k = 0;
            for (const std::int32_t p : chart.polygons) {
                owner_[p] = static_cast<std::int32_t>(i);
                for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
                    local_[c] = chart.cornerLocal[k++];
                }
            }
            size_[i] = static_cast<std::int32_t>(chart.polygons.size());
        }
        for (int c = 0; c < adj.cornerCount(); ++c) {
            const std::int32_t chart = owner_[adj.cornerPolygon[c]];
            if (chart != kNone && isChartBorder(adj, owner_, chart, c)) {
                border_[chart].push_back(c);
            }
        }
    }

    // Passes over the polygons: the first over all of them, each later one over the neighbours
    // of the polygons the one before moved (only a move can make a new tooth). The layouts never
    // change, so the charts are numbered afresh only once, at the end. Returns the moves made.
    int run(int passes) {
        std::vector<std::int32_t> candidates(adj_.polygonCount);
        for (int p = 0; p < adj_.polygonCount; ++p) {
            candidates[p] = p;
        }
        std::vector<std::int32_t> moved;
        std::vector<std::uint8_t> queued(adj_.polygonCount, 0);
        int total = 0;
        for (int pass = 0; pass < passes && !candidates.empty(); ++pass) {
            moved.clear();
            for (const std::int32_t p : candidates) {
                if (tryMove(p)) {
                    moved.push_back(p);
                }
            }
            total += static_cast<int>(moved.size());
            candidates.clear();
            for (const std::int32_t p : moved) {
                for (int c = adj_.polygonStart[p]; c < adj_.polygonStart[p + 1]; ++c) {
                    const int o = adj_.oppositeCorner[c];
                    if (o >= 0 && !queued[adj_.cornerPolygon[o]]) {
                        queued[adj_.cornerPolygon[o]] = 1;
                        candidates.push_back(adj_.cornerPolygon[o]);
                    }
                }
            }
            std::sort(candidates.begin(), candidates.end());
            for (const std::int32_t p : candidates) {
                queued[p] = 0;
            }
        }
        if (total > 0) {
            rebuild();
        }
        return total;
    }

  private:
    // Rebuilds the charts from the moves made: the charts that gained or lost polygons are
    // numbered afresh, keeping their layouts.
    void rebuild() {
        std::vector<std::vector<std::int32_t>> polygons(charts_.size());
        for (int p = 0; p < adj_.polygonCount; ++p) {
            if (owner_[p] != kNone) {
                polygons[owner_[p]].push_back(p);
            }
        }
        std::vector<std::int32_t> scratch(adj_.vertexCount, kNone);
        std::vector<std::int32_t> oldLocal(adj_.vertexCount, kNone);
        std::vector<Chart> kept;
        kept.reserve(charts_.size());
        for (std::size_t i = 0; i < charts_.size(); ++i) {
            Chart& chart = charts_[i];
            if (polygons[i].empty()) {
                continue;
            }
            if (!changed_[i]) {
                kept.push_back(std::move(chart));
                continue;
            }
            for (std::size_t l = 0; l < chart.vertices.size(); ++l) {
                oldLocal[chart.vertices[l]] = static_cast<std::int32_t>(l);
            }
            Chart next;
            next.polygons = std::move(polygons[i]);
            next.projected = chart.projected;
            next.convexEmbedded = chart.convexEmbedded;
            numberChartVertices(adj_, next, scratch);
            next.uv.resize(next.vertices.size());
            for (std::size_t l = 0; l < next.vertices.size(); ++l) {
                next.uv[l] = chart.uv[oldLocal[next.vertices[l]]];
            }
            for (const std::int32_t v : chart.vertices) {
                oldLocal[v] = kNone;
            }
            kept.push_back(std::move(next));
        }
        std::sort(kept.begin(), kept.end(), [](const Chart& x, const Chart& y) {
            return x.polygons.front() < y.polygons.front();
        });
        charts_ = std::move(kept);
    }

    // The polygon's stretch figures in a layout given per corner.
    struct Fit {
        double l2 = 0.0;
        double areaRatio = 0.0;
        bool flipped = true;
    };
    Fit fitIn(std::int32_t p, const Chart& chart, const std::int32_t* locals) const {
        Chart one;
        one.polygons = {p};
        const int size = adj_.polygonStart[p + 1] - adj_.polygonStart[p];
        for (int j = 0; j < size; ++j) {
            one.cornerLocal.push_back(j);
            one.uv.push_back(chart.uv[locals[j]]);
        }
        StretchSum sum;
        accumulateChartStretch(adj_, one, sum);
        Fit fit;
        if (sum.area3d > 0.0) {
            fit.flipped = sum.flipped > 0 || !(sum.area2d > 0.0);
            fit.l2 = sum.l2 / sum.area3d;
            fit.areaRatio = sum.area2d / sum.area3d;
        }
        return fit;
    }

    bool tryMove(std::int32_t p) {
        const std::int32_t a = owner_[p];
        if (a == kNone || !(adj_.polygonArea[p] > 0.0) || charts_[a].convexEmbedded) {
            return false;
        }
        const int begin = adj_.polygonStart[p];
        const int end = adj_.polygonStart[p + 1];
        const int size = end - begin;
        // The one edge not shared with the neighbour, and the neighbour.
        std::int32_t b = kNone;
        int free = kNone;
        for (int c = begin; c < end; ++c) {
            const int o = adj_.oppositeCorner[c];
            const std::int32_t q = o < 0 ? kNone : owner_[adj_.cornerPolygon[o]];
            if (q != kNone && q != a && (b == kNone || q == b)) {
                b = q;
                continue;
            }
            if (free != kNone) {
                return false;
            }
            free = c;
        }
        if (b == kNone || free == kNone || charts_[b].convexEmbedded || charts_[b].projected) {
            return false;
        }
        // A polygon of B may have been counted as the free edge's neighbour before B was known.
        const int freeOpposite = adj_.oppositeCorner[free];
        const std::int32_t freeOwner =
            freeOpposite < 0 ? kNone : owner_[adj_.cornerPolygon[freeOpposite]];
        if (freeOwner == b || (freeOwner != a && size_[a] > 1)) {
            return false;
        }
        // Vertices strictly inside the shared run (all but the free edge's two) must have B and
        // p all round them.
        const int freeEnd = adj_.nextCorner(free);
        for (int c = begin; c < end; ++c) {
            if (c != free && c != freeEnd && !fanInside(adj_, owner_, b, p, c)) {
                return false;
            }
        }
        // B's local vertex at every corner, from the polygon across each shared edge.
        std::int32_t locals[64];
        std::int32_t before[64];
        if (size > 64) {
            return false;
        }
        for (int c = begin; c < end; ++c) {
            before[c - begin] = local_[c];
            locals[c - begin] = kNone;
        }
        for (int c = begin; c < end; ++c) {
            if (c == free) {
                continue;
            }
            const int o = adj_.oppositeCorner[c];
            locals[adj_.nextCorner(c) - begin] = local_[o];
            locals[c - begin] = local_[adj_.nextCorner(o)];
        }
        const Fit now = fitIn(p, charts_[a], before);
        const Fit moved = fitIn(p, charts_[b], locals);
        const double ratio = settings_.maxAreaRatio;
        if (moved.flipped || moved.l2 > std::max(settings_.maxPolygonStretch, now.l2) ||
            !(moved.areaRatio <= ratio && moved.areaRatio * ratio >= 1.0)) {
            return false;
        }
        // The free edge becomes B's border: it may cross none of B's border edges.
        const std::int32_t u = adj_.cornerVertex[free];
        const std::int32_t w = adj_.cornerVertex[freeEnd];
        const Vec2d pu = charts_[b].uv[locals[free - begin]];
        const Vec2d pw = charts_[b].uv[locals[freeEnd - begin]];
        for (const int d : border_[b]) {
            const std::int32_t q = adj_.cornerPolygon[d];
            const int od = adj_.oppositeCorner[d];
            if (owner_[q] != b || (od >= 0 && owner_[adj_.cornerPolygon[od]] == b) ||
                (od >= 0 && adj_.cornerPolygon[od] == p)) {
                continue;
            }
            const int dn = adj_.nextCorner(d);
            const std::int32_t s = adj_.cornerVertex[d];
            const std::int32_t t = adj_.cornerVertex[dn];
            if (s == u || s == w || t == u || t == w) {
                continue;
            }
            if (crossProperly(pu, pw, charts_[b].uv[local_[d]], charts_[b].uv[local_[dn]])) {
                return false;
            }
        }
        owner_[p] = b;
        for (int c = begin; c < end; ++c) {
            local_[c] = locals[c - begin];
        }
        --size_[a];
        ++size_[b];
        changed_[a] = changed_[b] = 1;
        border_[b].push_back(free);
        if (freeOpposite >= 0 && freeOwner == a) {
            border_[a].push_back(freeOpposite);
        }
        return true;
    }

    const MeshAdjacency& adj_;
    const StraightenSettings& settings_;
    std::vector<Chart>& charts_;
    std::vector<std::int32_t> owner_;
    std::vector<std::int32_t> local_; // per corner, its vertex in its chart's numbering
    std::vector<std::int32_t> size_;
    std::vector<std::vector<int>> border_; // per chart, corners that were on its border
    std::vector<std::uint8_t> changed_;
};

} // namespace

int straightenChartBorders(const MeshAdjacency& adj, const StraightenSettings& settings,
                           std::vector<Chart>& charts) {
    Straightener straightener(adj, settings, charts);
    return straightener.run(settings.maxPasses);
}

} // namespace brontle::atlas
