#include "brontle/atlas/ChartSegmentation.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <queue>

namespace brontle::atlas {
namespace {

struct Candidate {
    double priority;
    std::int32_t polygon;
    // Min-heap on priority, then on polygon index so that equal priorities pop in a fixed order.
    bool operator<(const Candidate& other) const {
        if (priority != other.priority)
            return priority > other.priority;
        return polygon > other.polygon;
    }
};

// Weight of compactness against normal deviation in the growth priority: a candidate enclosed
// by the chart on most sides is preferred over one on a long protruding front.
constexpr double kCompactness = 0.1;

} // namespace

std::vector<Vec3d> smoothedPolygonNormals(const MeshAdjacency& adj) {
    std::vector<Vec3d> vertexNormal(adj.vertexCount);
    for (int p = 0; p < adj.polygonCount; ++p) {
        const Vec3d weighted = adj.polygonNormal[p] * adj.polygonArea[p];
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c)
            vertexNormal[adj.cornerVertex[c]] += weighted;
    }
    std::vector<Vec3d> result(adj.polygonCount);
    for (int p = 0; p < adj.polygonCount; ++p) {
        Vec3d sum;
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c)
            sum += normalized(vertexNormal[adj.cornerVertex[c]]);
        // Fall back on the polygon's own normal when its vertex normals cancel out (a thin
        // two-sided sheet).
        result[p] =
            adj.polygonArea[p] > 0.0 && length(sum) < 1e-6 ? adj.polygonNormal[p] : normalized(sum);
    }
    return result;
}

Segmentation connectedParts(const MeshAdjacency& adj) {
    Segmentation seg;
    seg.polygonChart.assign(adj.polygonCount, -1);
    std::vector<std::int32_t> stack;
    for (int start = 0; start < adj.polygonCount; ++start) {
        if (seg.polygonChart[start] >= 0)
            continue;
        const int chart = seg.chartCount++;
        seg.polygonChart[start] = chart;
        stack.push_back(start);
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
                const int o = adj.oppositeCorner[c];
                if (o < 0)
                    continue;
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

Segmentation growCharts(const MeshAdjacency& adj, const std::vector<Vec3d>& normals,
                        double maxAngle) {
    Segmentation seg;
    seg.polygonChart.assign(adj.polygonCount, -1);
    const double maxDeviation = 1.0 - std::cos(maxAngle);
    std::priority_queue<Candidate> heap;
    std::deque<std::int32_t> seeds;
    int scan = 0;

    // Deviation of q from the chart normal plus the compactness term; negative deviation is not
    // possible, a degenerate polygon (zero normal) deviates by exactly nothing.
    auto deviation = [&](int q, Vec3d mean) {
        const Vec3d n = normals[q];
        if (n.x == 0.0 && n.y == 0.0 && n.z == 0.0)
            return 0.0;
        return 1.0 - dot(n, mean);
    };
    auto pushNeighbours = [&](int p, Vec3d mean) {
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            const int o = adj.oppositeCorner[c];
            if (o < 0)
                continue;
            const int q = adj.cornerPolygon[o];
            if (seg.polygonChart[q] >= 0)
                continue;
            heap.push({deviation(q, mean), q});
        }
    };
    auto priorityOf = [&](int q, int chart, double dev) {
        int shared = 0;
        const int size = adj.polygonStart[q + 1] - adj.polygonStart[q];
        for (int c = adj.polygonStart[q]; c < adj.polygonStart[q + 1]; ++c) {
            const int o = adj.oppositeCorner[c];
            shared += o >= 0 && seg.polygonChart[adj.cornerPolygon[o]] == chart;
        }
        return dev + kCompactness * maxDeviation * (1.0 - 2.0 * shared / size);
    };

    for (;;) {
        int seed = -1;
        while (!seeds.empty() && seed < 0) {
            if (seg.polygonChart[seeds.front()] < 0)
                seed = seeds.front();
            seeds.pop_front();
        }
        while (seed < 0 && scan < adj.polygonCount) {
            if (seg.polygonChart[scan] < 0)
                seed = scan;
            ++scan;
        }
        if (seed < 0)
            break;
        const int chart = seg.chartCount++;
        seg.polygonChart[seed] = chart;
        Vec3d normalSum = normals[seed] * std::max(adj.polygonArea[seed], 1e-300);
        Vec3d mean = normalized(normalSum);
        pushNeighbours(seed, mean);
        while (!heap.empty()) {
            const Candidate top = heap.top();
            heap.pop();
            const int q = top.polygon;
            if (seg.polygonChart[q] >= 0)
                continue;
            const bool meanless = mean.x == 0.0 && mean.y == 0.0 && mean.z == 0.0;
            const double dev = meanless ? 0.0 : deviation(q, mean);
            if (dev > maxDeviation) {
                seeds.push_back(q);
                continue;
            }
            const double priority = priorityOf(q, chart, dev);
            if (priority > top.priority + 1e-12 && !heap.empty() &&
                priority > heap.top().priority) {
                heap.push({priority, q});
                continue;
            }
            seg.polygonChart[q] = chart;
            normalSum += normals[q] * adj.polygonArea[q];
            mean = normalized(normalSum);
            pushNeighbours(q, mean);
        }
    }
    return seg;
}

} // namespace brontle::atlas
