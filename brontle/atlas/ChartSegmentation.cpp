#include "brontle/atlas/ChartSegmentation.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <queue>
#include <unordered_map>

namespace brontle::atlas {
namespace {

struct Candidate {
    double priority;
    std::int32_t polygon;
    // Min-heap on priority, then on polygon index so that equal priorities pop in a fixed order.
    bool operator<(const Candidate& other) const {
        if (priority != other.priority) {
            return priority > other.priority;
        }
        return polygon > other.polygon;
    }
};

// Weight of compactness in the growth priority: a candidate enclosed by the chart on most sides
// comes before one on a protruding front at the same distance.
constexpr double kCompactness = 0.25;
// Growth stops at this many polygons. The sparse factorisation of a chart's conformal map grows
// faster than linearly with its size, so on million-polygon meshes many moderate charts solve
// far sooner (and in parallel) than a few huge ones; at 1024 texels a chart this size still
// has about one texel per polygon or more, so the extra gutters cost little. On noisy surfaces
// the stretch of a conformal map grows with the polygons it spans, and charts much larger than
// this nearly all exceed the default bound and are solved once only to be split.
constexpr std::size_t kMaxChartPolygons = 8192;
// Rounds of polygon -> vertex -> polygon averaging of the normals that guide growth. Noise on a
// scanned-like surface makes polygons near the edge of the normal cone join or not at random,
// which leaves a fringe of fingers along every chart border; each round spreads the averaging
// over one more ring, and three rounds calm the fringe while still leaving creases a few
// polygons wide.
constexpr int kNormalSmoothingPasses = 3;
// How far past the normal cone's first rejection a chart may still grow (see growCharts).
constexpr double kReach = 1.5;

} // namespace

std::vector<Vec3d> smoothedPolygonNormals(const MeshAdjacency& adj) {
    std::vector<Vec3d> result = adj.polygonNormal;
    std::vector<Vec3d> vertexNormal(adj.vertexCount);
    for (int pass = 0; pass < kNormalSmoothingPasses; ++pass) {
        std::fill(vertexNormal.begin(), vertexNormal.end(), Vec3d{});
        for (int p = 0; p < adj.polygonCount; ++p) {
            const Vec3d weighted = result[p] * adj.polygonArea[p];
            for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
                vertexNormal[adj.cornerVertex[c]] += weighted;
            }
        }
        for (int p = 0; p < adj.polygonCount; ++p) {
            Vec3d sum;
            for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
                sum += normalized(vertexNormal[adj.cornerVertex[c]]);
            }
            // Fall back on the polygon's own normal when its vertex normals cancel out (a thin
            // two-sided sheet).
            result[p] = adj.polygonArea[p] > 0.0 && length(sum) < 1e-6 ? adj.polygonNormal[p]
                                                                       : normalized(sum);
        }
    }
    return result;
}

int separateSharpEdges(MeshAdjacency& adj, double maxAngle) {
    const double minCos = std::cos(maxAngle);
    std::vector<int> sharp; // the lower corner of every sharp edge
    for (int c = 0; c < adj.cornerCount(); ++c) {
        const int o = adj.oppositeCorner[c];
        if (o < c) {
            continue; // a border, or the pair seen from its other corner
        }
        const int p = adj.cornerPolygon[c];
        const int q = adj.cornerPolygon[o];
        if (adj.polygonArea[p] > 0.0 && adj.polygonArea[q] > 0.0 &&
            dot(adj.polygonNormal[p], adj.polygonNormal[q]) < minCos) {
            sharp.push_back(c);
        }
    }
    // Sharp edges joined at their vertices form lines. A crease of a modelled shape runs on
    // over many edges, branching only where creases meet at a corner; noise on a scanned
    // surface gives single sharp edges or the star of edges around one spike, which would only
    // cut slits and tiny islands into charts, and on a very rough surface a mesh of sharp edges
    // branching at every other vertex, which would crumble it. A line counts when it has 3 or
    // more edges, reaches across at least kMinLineSpan times its mean edge length (a star of
    // edges around one vertex spans about two) and at most kMaxBranching of its vertices join
    // three or more of its edges (measured: 0 to 0.13 on modelled parts, a cube 0.04, a gear
    // 0.13; 0.2 to 0.4 on spheres with spikes one to three edge lengths high).
    constexpr double kMinLineSpan = 2.5;
    constexpr double kMaxBranching = 0.15;
    std::vector<std::int32_t> parent(adj.vertexCount, -1);
    auto find = [&](std::int32_t v) {
        std::int32_t root = v;
        while (parent[root] >= 0) {
            root = parent[root];
        }
        while (parent[v] >= 0) {
            const std::int32_t up = parent[v];
            parent[v] = root;
            v = up;
        }
        return root;
    };
    for (const int c : sharp) {
        const std::int32_t a = find(adj.cornerVertex[c]);
        const std::int32_t b = find(adj.cornerVertex[adj.nextCorner(c)]);
        if (a != b) {
            parent[std::max(a, b)] = std::min(a, b);
        }
    }
    std::vector<std::uint8_t> degree(adj.vertexCount, 0);
    for (const int c : sharp) {
        for (const int v : {adj.cornerVertex[c], adj.cornerVertex[adj.nextCorner(c)]}) {
            degree[v] = static_cast<std::uint8_t>(std::min(degree[v] + 1, 3));
        }
    }
    struct Line {
        int edges = 0;
        int vertices = 0;
        int branches = 0;
        double length = 0.0;
        Vec3d low{1e300, 1e300, 1e300};
        Vec3d high{-1e300, -1e300, -1e300};
    };
    std::unordered_map<std::int32_t, Line> lines;
    for (const int c : sharp) {
        const Vec3d a = adj.positions[adj.cornerVertex[c]];
        const Vec3d b = adj.positions[adj.cornerVertex[adj.nextCorner(c)]];
        Line& line = lines[find(adj.cornerVertex[c])];
        ++line.edges;
        line.length += length(b - a);
        for (const Vec3d& v : {a, b}) {
            line.low = {std::min(line.low.x, v.x), std::min(line.low.y, v.y),
                        std::min(line.low.z, v.z)};
            line.high = {std::max(line.high.x, v.x), std::max(line.high.y, v.y),
                         std::max(line.high.z, v.z)};
        }
    }
    for (int v = 0; v < adj.vertexCount; ++v) {
        if (degree[v] == 0) {
            continue;
        }
        Line& line = lines[find(v)];
        ++line.vertices;
        line.branches += degree[v] >= 3;
    }
    int separated = 0;
    adj.sharpEdge.assign(adj.cornerVertex.size(), 0);
    for (const int c : sharp) {
        const Line& line = lines[find(adj.cornerVertex[c])];
        if (line.edges < 3 ||
            length(line.high - line.low) < kMinLineSpan * line.length / line.edges ||
            line.branches > kMaxBranching * line.vertices) {
            continue;
        }
        const int o = adj.oppositeCorner[c];
        adj.oppositeCorner[c] = -1;
        adj.oppositeCorner[o] = -1;
        adj.sharpEdge[c] = 1;
        adj.sharpEdge[o] = 1;
        ++separated;
    }
    return separated;
}

Segmentation connectedParts(const MeshAdjacency& adj) {
    Segmentation seg;
    seg.polygonChart.assign(adj.polygonCount, -1);
    std::vector<std::int32_t> stack;
    for (int start = 0; start < adj.polygonCount; ++start) {
        if (seg.polygonChart[start] >= 0) {
            continue;
        }
        const int chart = seg.chartCount++;
        seg.polygonChart[start] = chart;
        stack.push_back(start);
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
                const int o = adj.oppositeCorner[c];
                if (o < 0) {
                    continue;
                }
                const int q = adj.cornerPolygon[o];
                if (seg.polygonChart[q] < 0) {
                    seg.polygonChart[q] = chart;
                    stack.push_back(q);
                }
            }
        }
    }
    return seg;
}

namespace {

// Polygons around every vertex (compressed rows), to ask whether a chart already touches it.
struct VertexPolygons {
    std::vector<std::int32_t> start;
    std::vector<std::int32_t> polygons;
    explicit VertexPolygons(const MeshAdjacency& adj) : start(adj.vertexCount + 1, 0) {
        for (const std::int32_t v : adj.cornerVertex) {
            ++start[v + 1];
        }
        for (int v = 0; v < adj.vertexCount; ++v) {
            start[v + 1] += start[v];
        }
        polygons.resize(adj.cornerVertex.size());
        std::vector<std::int32_t> fill(start.begin(), start.end() - 1);
        for (int c = 0; c < adj.cornerCount(); ++c) {
            polygons[fill[adj.cornerVertex[c]]++] = adj.cornerPolygon[c];
        }
    }
};

// True when adding polygon q to `chart` keeps the chart a topological disc: q must meet the
// chart along one unbroken run of shared edges (not all of its edges, which would close the
// surface) and touch it nowhere else, not even at a single vertex. Growing under this rule never
// makes holes, handles or pinched vertices, so every grown chart can be flattened as it is.
bool keepsDisc(const MeshAdjacency& adj, const VertexPolygons& around,
               const std::vector<std::int32_t>& owner, int q, int chart) {
    const int begin = adj.polygonStart[q];
    const int size = adj.polygonStart[q + 1] - begin;
    auto shared = [&](int i) {
        const int o = adj.oppositeCorner[begin + (i % size)];
        return o >= 0 && owner[adj.cornerPolygon[o]] == chart;
    };
    int count = 0;
    int runs = 0;
    int runStart = -1;
    for (int i = 0; i < size; ++i) {
        if (!shared(i)) {
            continue;
        }
        ++count;
        if (!shared(i + size - 1)) {
            ++runs;
            runStart = i;
        }
    }
    if (count == 0 || count == size || runs != 1) {
        return false;
    }
    // The run covers corners runStart .. runStart + count; the other corners must be new.
    for (int i = runStart + count + 1; i < runStart + size; ++i) {
        const int v = adj.cornerVertex[begin + (i % size)];
        for (int k = around.start[v]; k < around.start[v + 1]; ++k) {
            if (owner[around.polygons[k]] == chart) {
                return false;
            }
        }
    }
    return true;
}

// Shared edges between polygon p and the chart `chart`.
int sharedEdges(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner, int p,
                int chart) {
    int shared = 0;
    for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
        const int o = adj.oppositeCorner[c];
        shared += o >= 0 && owner[adj.cornerPolygon[o]] == chart;
    }
    return shared;
}

// Gives back the polygons of a finished chart that hang on it by a single edge, repeatedly, so
// that strips one polygon wide (left where growth squeezed between earlier charts) are eaten
// from their tips. Conformal maps stretch such strips enormously. Removing a polygon attached by
// one edge keeps the chart a disc. The freed polygons become seeds for later charts.
void peelLeaves(const MeshAdjacency& adj, const std::vector<std::int32_t>& members, int chart,
                std::vector<std::int32_t>& owner, std::deque<std::int32_t>& seeds) {
    if (members.size() < 3) {
        return;
    }
    std::vector<std::int32_t> stack;
    for (const std::int32_t p : members) {
        if (sharedEdges(adj, owner, p, chart) <= 1) {
            stack.push_back(p);
        }
    }
    std::size_t remaining = members.size();
    while (!stack.empty() && remaining > 2) {
        const int p = stack.back();
        stack.pop_back();
        if (owner[p] != chart || sharedEdges(adj, owner, p, chart) > 1) {
            continue;
        }
        owner[p] = -1;
        --remaining;
        seeds.push_back(p);
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            const int o = adj.oppositeCorner[c];
            if (o >= 0 && owner[adj.cornerPolygon[o]] == chart) {
                stack.push_back(adj.cornerPolygon[o]);
            }
        }
    }
}

// Charts this small (in polygons) are merged into a neighbour after growing when possible:
// they are mostly remnants between larger charts, and each costs a gutter in the texture.
constexpr std::size_t kSmallChart = 24;

// Merges small charts into the neighbour they share most edges with, adding their polygons one
// by one under the disc rule, and only when the neighbour's mean normal is within `maxAngle`
// of the small chart's. A merge that fails part-way is undone.
void mergeSmallCharts(const MeshAdjacency& adj, const std::vector<Vec3d>& normals, double maxAngle,
                      const VertexPolygons& around, Segmentation& seg) {
    std::vector<std::vector<std::int32_t>> members(seg.chartCount);
    std::vector<Vec3d> normalSum(seg.chartCount);
    for (int p = 0; p < adj.polygonCount; ++p) {
        members[seg.polygonChart[p]].push_back(p);
        normalSum[seg.polygonChart[p]] += normals[p] * adj.polygonArea[p];
    }
    std::vector<int> order(seg.chartCount);
    for (int i = 0; i < seg.chartCount; ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return members[a].size() < members[b].size(); });
    const double minCos = std::cos(maxAngle);
    std::vector<std::pair<int, int>> sharedEdges; // (neighbour chart, shared edges)
    std::vector<std::int32_t> pending;
    for (const int small : order) {
        if (members[small].empty() || members[small].size() >= kSmallChart) {
            continue;
        }
        sharedEdges.clear();
        for (const std::int32_t p : members[small]) {
            for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
                const int o = adj.oppositeCorner[c];
                if (o < 0) {
                    continue;
                }
                const int other = seg.polygonChart[adj.cornerPolygon[o]];
                if (other == small) {
                    continue;
                }
                auto it = std::find_if(sharedEdges.begin(), sharedEdges.end(),
                                       [other](const auto& e) { return e.first == other; });
                if (it == sharedEdges.end()) {
                    sharedEdges.push_back({other, 1});
                } else {
                    ++it->second;
                }
            }
        }
        // Most shared edges first, then the lower chart index, so the choice is deterministic.
        std::sort(sharedEdges.begin(), sharedEdges.end(), [](const auto& a, const auto& b) {
            return a.second != b.second ? a.second > b.second : a.first < b.first;
        });
        const Vec3d smallNormal = normalized(normalSum[small]);
        for (const auto& [target, edges] : sharedEdges) {
            (void)edges;
            if (dot(smallNormal, normalized(normalSum[target])) < minCos &&
                length(normalSum[small]) > 0.0) {
                continue;
            }
            // Join polygon by polygon, repeatedly sweeping the rest until nothing more joins.
            pending = members[small];
            std::vector<std::int32_t> joined;
            for (bool progress = true; progress && !pending.empty();) {
                progress = false;
                for (std::size_t k = 0; k < pending.size();) {
                    if (keepsDisc(adj, around, seg.polygonChart, pending[k], target)) {
                        seg.polygonChart[pending[k]] = target;
                        joined.push_back(pending[k]);
                        pending[k] = pending.back();
                        pending.pop_back();
                        progress = true;
                    } else {
                        ++k;
                    }
                }
            }
            if (!pending.empty()) {
                for (const std::int32_t p : joined) {
                    seg.polygonChart[p] = small;
                }
                continue;
            }
            members[target].insert(members[target].end(), members[small].begin(),
                                   members[small].end());
            normalSum[target] += normalSum[small];
            members[small].clear();
            break;
        }
    }
    // Renumber the surviving charts by their lowest polygon.
    std::vector<std::int32_t> renumber(seg.chartCount, -1);
    int next = 0;
    for (int p = 0; p < adj.polygonCount; ++p) {
        std::int32_t& id = renumber[seg.polygonChart[p]];
        if (id < 0) {
            id = next++;
        }
        seg.polygonChart[p] = id;
    }
    seg.chartCount = next;
}

// Sweeps over the surface moving border polygons to the neighbouring chart they share more
// edges with than with their own: the saw teeth and one-polygon spikes that normal-cone growth
// leaves along the borders of noisy surfaces. Ragged borders pack badly (every tooth costs a
// gutter around it in the texture) and their long border stretches the conformal map. A move
// is made only when the polygon hangs on its chart by one edge and touches it nowhere else (so
// the chart stays a disc without it) and the receiving chart stays a disc.
void smoothChartBorders(const MeshAdjacency& adj, const VertexPolygons& around,
                        std::vector<std::int32_t>& owner) {
    constexpr int kSweeps = 4;
    std::vector<std::pair<std::int32_t, int>> counts; // (chart, shared edges)
    for (int sweep = 0; sweep < kSweeps; ++sweep) {
        bool moved = false;
        for (int p = 0; p < adj.polygonCount; ++p) {
            const std::int32_t own = owner[p];
            counts.clear();
            int ownEdges = 0;
            for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
                const int o = adj.oppositeCorner[c];
                if (o < 0) {
                    continue;
                }
                const std::int32_t other = owner[adj.cornerPolygon[o]];
                if (other == own) {
                    ++ownEdges;
                    continue;
                }
                auto it = std::find_if(counts.begin(), counts.end(),
                                       [other](const auto& e) { return e.first == other; });
                if (it == counts.end()) {
                    counts.push_back({other, 1});
                } else {
                    ++it->second;
                }
            }
            // Only polygons hanging on their chart by a single edge: for those, "touches the
            // chart nowhere else" is enough for the chart to stay a disc without them, while
            // removing a polygon held by two edges could pinch the chart at their common vertex.
            if (ownEdges != 1 || counts.empty()) {
                continue;
            }
            // The neighbour with most shared edges; the lower chart index on a tie.
            auto best = std::min_element(counts.begin(), counts.end(), [](auto a, auto b) {
                return a.second != b.second ? a.second > b.second : a.first < b.first;
            });
            if (best->second <= ownEdges) {
                continue;
            }
            owner[p] = -1;
            const bool leaves = keepsDisc(adj, around, owner, p, own);
            const bool joins = leaves && keepsDisc(adj, around, owner, p, best->first);
            owner[p] = joins ? best->first : own;
            moved = moved || joins;
        }
        if (!moved) {
            break;
        }
    }
}

} // namespace

Segmentation growCharts(const MeshAdjacency& adj, const std::vector<Vec3d>& normals,
                        double maxAngle) {
    Segmentation seg;
    seg.polygonChart.assign(adj.polygonCount, -1);
    const double maxDeviation = 1.0 - std::cos(maxAngle);
    std::priority_queue<Candidate> heap;
    std::deque<std::int32_t> seeds;
    int scan = 0;
    const VertexPolygons around(adj);
    std::vector<std::int32_t> members;

    std::vector<Vec3d> centroid(adj.polygonCount);
    for (int p = 0; p < adj.polygonCount; ++p) {
        Vec3d sum;
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            sum += adj.positions[adj.cornerVertex[c]];
        }
        centroid[p] = sum * (1.0 / (adj.polygonStart[p + 1] - adj.polygonStart[p]));
    }
    // A degenerate polygon (zero normal) deviates by nothing and joins any chart.
    auto deviation = [&](int q, Vec3d mean) {
        const Vec3d n = normals[q];
        if (n.x == 0.0 && n.y == 0.0 && n.z == 0.0) {
            return 0.0;
        }
        return 1.0 - dot(n, mean);
    };
    // Charts grow as balls around their seed: the priority is the distance from the seed,
    // lowered for candidates the chart already surrounds on several sides (compactness).
    auto priorityOf = [&](int q, int chart, Vec3d seedPoint) {
        int shared = 0;
        const int size = adj.polygonStart[q + 1] - adj.polygonStart[q];
        for (int c = adj.polygonStart[q]; c < adj.polygonStart[q + 1]; ++c) {
            const int o = adj.oppositeCorner[c];
            shared += o >= 0 && seg.polygonChart[adj.cornerPolygon[o]] == chart;
        }
        return length(centroid[q] - seedPoint) * (1.0 + kCompactness * (1.0 - 2.0 * shared / size));
    };
    auto pushNeighbours = [&](int p, int chart, Vec3d seedPoint) {
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            const int o = adj.oppositeCorner[c];
            if (o < 0) {
                continue;
            }
            const int q = adj.cornerPolygon[o];
            if (seg.polygonChart[q] < 0) {
                heap.push({priorityOf(q, chart, seedPoint), q});
            }
        }
    };

    // A seed taken from the front of earlier charts would grow a crescent hugging them, whose
    // thin horns flatten badly. Walking into the free region by about the radius of the last
    // chart puts the next chart's centre where its ball can grow round.
    double lastRadius = 0.0;
    std::vector<std::int32_t> visitedBy(adj.polygonCount, -1);
    std::vector<std::int32_t> queue;
    auto moveSeedInward = [&](int start, double radius) {
        queue.assign(1, start);
        visitedBy[start] = start;
        int best = start;
        double bestDistance = 0.0;
        for (std::size_t k = 0; k < queue.size(); ++k) {
            const int p = queue[k];
            for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
                const int o = adj.oppositeCorner[c];
                if (o < 0) {
                    continue;
                }
                const int q = adj.cornerPolygon[o];
                if (seg.polygonChart[q] >= 0 || visitedBy[q] == start) {
                    continue;
                }
                visitedBy[q] = start;
                const double d = length(centroid[q] - centroid[start]);
                if (d > radius) {
                    continue;
                }
                queue.push_back(q);
                if (d > bestDistance) {
                    bestDistance = d;
                    best = q;
                }
            }
        }
        return best;
    };

    for (;;) {
        int seed = -1;
        bool fromFront = false;
        while (!seeds.empty() && seed < 0) {
            if (seg.polygonChart[seeds.front()] < 0) {
                seed = seeds.front();
                fromFront = true;
            }
            seeds.pop_front();
        }
        while (seed < 0 && scan < adj.polygonCount) {
            if (seg.polygonChart[scan] < 0) {
                seed = scan;
            }
            ++scan;
        }
        if (seed < 0) {
            break;
        }
        if (fromFront && lastRadius > 0.0) {
            seed = moveSeedInward(seed, lastRadius);
        }
        const int chart = seg.chartCount++;
        seg.polygonChart[seed] = chart;
        members.push_back(seed);
        const Vec3d seedPoint = centroid[seed];
        Vec3d normalSum = normals[seed] * std::max(adj.polygonArea[seed], 1e-300);
        Vec3d mean = normalized(normalSum);
        // Distance from the seed of the first polygon the normal cone turned away. Growth
        // stops at kReach times that distance, so a chart does not run on along a narrow
        // corridor of similar normals between earlier charts (such tentacles flatten badly).
        double coneRadius = std::numeric_limits<double>::infinity();
        pushNeighbours(seed, chart, seedPoint);
        while (!heap.empty()) {
            const Candidate top = heap.top();
            heap.pop();
            const int q = top.polygon;
            if (seg.polygonChart[q] >= 0) {
                continue;
            }
            const bool meanless = mean.x == 0.0 && mean.y == 0.0 && mean.z == 0.0;
            const double distance = length(centroid[q] - seedPoint);
            if (!meanless && deviation(q, mean) > maxDeviation) {
                coneRadius = std::min(coneRadius, distance);
                seeds.push_back(q);
                continue;
            }
            if (distance > kReach * coneRadius || members.size() >= kMaxChartPolygons ||
                !keepsDisc(adj, around, seg.polygonChart, q, chart)) {
                seeds.push_back(q);
                continue;
            }
            const double priority = priorityOf(q, chart, seedPoint);
            if (priority > top.priority + 1e-12 && !heap.empty() &&
                priority > heap.top().priority) {
                heap.push({priority, q});
                continue;
            }
            seg.polygonChart[q] = chart;
            members.push_back(q);
            normalSum += normals[q] * adj.polygonArea[q];
            mean = normalized(normalSum);
            pushNeighbours(q, chart, seedPoint);
        }
        lastRadius = 0.0;
        for (const std::int32_t p : members) {
            lastRadius = std::max(lastRadius, length(centroid[p] - seedPoint));
        }
        lastRadius *= 0.8;
        peelLeaves(adj, members, chart, seg.polygonChart, seeds);
        members.clear();
    }
    smoothChartBorders(adj, around, seg.polygonChart);
    mergeSmallCharts(adj, normals, maxAngle, around, seg);
    return seg;
}

} // namespace brontle::atlas
