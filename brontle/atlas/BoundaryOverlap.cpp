#include "brontle/atlas/BoundaryOverlap.h"

#include <algorithm>
#include <cmath>

namespace brontle::atlas {
namespace {

struct Segment {
    int a;
    int b;
};

} // namespace

bool borderSelfIntersects(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                          std::int32_t chartId, const Chart& chart) {
    std::vector<Segment> segments;
    int k = 0;
    for (const std::int32_t p : chart.polygons) {
        const int begin = adj.polygonStart[p];
        const int size = adj.polygonStart[p + 1] - begin;
        for (int i = 0; i < size; ++i) {
            if (isChartBorder(adj, owner, chartId, begin + i)) {
                segments.push_back(
                    {chart.cornerLocal[k + i], chart.cornerLocal[k + (i + 1) % size]});
            }
        }
        k += size;
    }
    if (segments.size() < 4) {
        return false;
    }

    Vec2d lo = chart.uv[segments[0].a];
    Vec2d hi = lo;
    for (const Segment& s : segments) {
        for (const int v : {s.a, s.b}) {
            lo = {std::min(lo.x, chart.uv[v].x), std::min(lo.y, chart.uv[v].y)};
            hi = {std::max(hi.x, chart.uv[v].x), std::max(hi.y, chart.uv[v].y)};
        }
    }
    // About one segment per cell along the border: a grid of sqrt(n) x sqrt(n) cells.
    const int cells =
        std::clamp(static_cast<int>(std::sqrt(static_cast<double>(segments.size()))), 1, 1024);
    const double spanX = std::max(hi.x - lo.x, 1e-300);
    const double spanY = std::max(hi.y - lo.y, 1e-300);
    auto cellX = [&](double x) {
        return std::clamp(static_cast<int>((x - lo.x) / spanX * cells), 0, cells - 1);
    };
    auto cellY = [&](double y) {
        return std::clamp(static_cast<int>((y - lo.y) / spanY * cells), 0, cells - 1);
    };
    // Bucket segments by cell with a counting sort: flat arrays, no per-cell containers.
    std::vector<int> cellStart(static_cast<std::size_t>(cells) * cells + 1, 0);
    auto forCells = [&](const Segment& s, auto&& visit) {
        const Vec2d p = chart.uv[s.a];
        const Vec2d q = chart.uv[s.b];
        const int x0 = cellX(std::min(p.x, q.x));
        const int x1 = cellX(std::max(p.x, q.x));
        const int y0 = cellY(std::min(p.y, q.y));
        const int y1 = cellY(std::max(p.y, q.y));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                visit(y * cells + x);
            }
        }
    };
    for (const Segment& s : segments) {
        forCells(s, [&](int cell) { ++cellStart[cell + 1]; });
    }
    for (std::size_t i = 1; i < cellStart.size(); ++i) {
        cellStart[i] += cellStart[i - 1];
    }
    std::vector<int> fill(cellStart.begin(), cellStart.end() - 1);
    std::vector<int> bucket(cellStart.back());
    for (int i = 0; i < static_cast<int>(segments.size()); ++i) {
        forCells(segments[i], [&](int cell) { bucket[fill[cell]++] = i; });
    }

    for (int cell = 0; cell + 1 < static_cast<int>(cellStart.size()); ++cell) {
        for (int i = cellStart[cell]; i < cellStart[cell + 1]; ++i) {
            const Segment& s = segments[bucket[i]];
            for (int j = i + 1; j < cellStart[cell + 1]; ++j) {
                const Segment& t = segments[bucket[j]];
                if (s.a == t.a || s.a == t.b || s.b == t.a || s.b == t.b) {
                    continue;
                }
                if (crossProperly(chart.uv[s.a], chart.uv[s.b], chart.uv[t.a], chart.uv[t.b])) {
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace brontle::atlas
