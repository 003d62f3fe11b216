#include "brontle/atlas/PolygonTriangulation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace brontle::atlas {

void triangulatePolygon(std::span<const Vec2d> corners, int base,
                        std::vector<std::array<int, 3>>& out) {
    const int n = static_cast<int>(corners.size());
    double twiceArea = 0.0;
    for (int i = 0; i < n; ++i) {
        twiceArea += cross(corners[i], corners[(i + 1) % n]);
    }
    // The polygon's turning direction; every ear turns this way.
    const double side = twiceArea >= 0.0 ? 1.0 : -1.0;
    auto turn = [&](int a, int b, int c) {
        return side * cross(corners[b] - corners[a], corners[c] - corners[b]);
    };
    bool convex = true;
    for (int i = 0; i < n && convex; ++i) {
        convex = turn((i + n - 1) % n, i, (i + 1) % n) >= 0.0;
    }
    if (convex) {
        for (int i = 1; i + 1 < n; ++i) {
            out.push_back({base, base + i, base + i + 1});
        }
        return;
    }
    std::vector<std::uint8_t> reflex(n, 0);
    int reflexCount = 0;
    for (int i = 0; i < n; ++i) {
        reflex[i] = turn((i + n - 1) % n, i, (i + 1) % n) < 0.0 ? 1 : 0;
        reflexCount += reflex[i];
    }

    // Reflex corners bucketed in a grid of about one per cell over the polygon's box: an ear
    // only has to be checked against the reflex corners in the cells its box overlaps.
    Vec2d lo = corners[0];
    Vec2d hi = lo;
    for (const Vec2d& p : corners) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    const int cells = std::clamp(static_cast<int>(std::ceil(std::sqrt(reflexCount))), 1, 1024);
    const double cellW = std::max(hi.x - lo.x, 1e-300) / cells;
    const double cellH = std::max(hi.y - lo.y, 1e-300) / cells;
    auto cellX = [&](double x) {
        return std::clamp(static_cast<int>((x - lo.x) / cellW), 0, cells - 1);
    };
    auto cellY = [&](double y) {
        return std::clamp(static_cast<int>((y - lo.y) / cellH), 0, cells - 1);
    };
    std::vector<int> cellStart(static_cast<std::size_t>(cells) * cells + 1, 0);
    for (int i = 0; i < n; ++i) {
        if (reflex[i]) {
            ++cellStart[static_cast<std::size_t>(cellY(corners[i].y)) * cells +
                        cellX(corners[i].x) + 1];
        }
    }
    for (std::size_t c = 1; c < cellStart.size(); ++c) {
        cellStart[c] += cellStart[c - 1];
    }
    std::vector<int> bucket(cellStart.back());
    {
        std::vector<int> fill(cellStart.begin(), cellStart.end() - 1);
        for (int i = 0; i < n; ++i) {
            if (reflex[i]) {
                bucket[fill[static_cast<std::size_t>(cellY(corners[i].y)) * cells +
                            cellX(corners[i].x)]++] = i;
            }
        }
    }

    std::vector<int> prev(n);
    std::vector<int> next(n);
    std::vector<std::uint8_t> alive(n, 1);
    for (int i = 0; i < n; ++i) {
        prev[i] = (i + n - 1) % n;
        next[i] = (i + 1) % n;
    }
    auto isEar = [&](int v) {
        const int a = prev[v];
        const int c = next[v];
        const double t = turn(a, v, c);
        if (t < 0.0) {
            return false;
        }
        if (t == 0.0 || reflexCount == 0) {
            return true; // a flat or empty triangle covers nothing it should not
        }
        const Vec2d pa = corners[a], pv = corners[v], pc = corners[c];
        const int x0 = cellX(std::min({pa.x, pv.x, pc.x}));
        const int x1 = cellX(std::max({pa.x, pv.x, pc.x}));
        const int y0 = cellY(std::min({pa.y, pv.y, pc.y}));
        const int y1 = cellY(std::max({pa.y, pv.y, pc.y}));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const std::size_t cell = static_cast<std::size_t>(y) * cells + x;
                for (int k = cellStart[cell]; k < cellStart[cell + 1]; ++k) {
                    const int r = bucket[k];
                    if (!alive[r] || !reflex[r] || r == a || r == v || r == c) {
                        continue;
                    }
                    const Vec2d p = corners[r];
                    // A corner repeated at an ear corner's position (where an outline touches
                    // itself) does not block the ear.
                    if ((p.x == pa.x && p.y == pa.y) || (p.x == pv.x && p.y == pv.y) ||
                        (p.x == pc.x && p.y == pc.y)) {
                        continue;
                    }
                    if (side * cross(pv - pa, p - pa) >= 0.0 &&
                        side * cross(pc - pv, p - pv) >= 0.0 &&
                        side * cross(pa - pc, p - pc) >= 0.0) {
                        return false;
                    }
                }
            }
        }
        return true;
    };

    // Walk round the polygon cutting ears. A whole round without an ear only happens when the
    // outline crosses itself; then the next corner is cut anyway.
    int remaining = n;
    int v = 0;
    int misses = 0;
    while (remaining > 3) {
        if (misses < remaining && !isEar(v)) {
            ++misses;
            v = next[v];
            continue;
        }
        const int a = prev[v];
        const int c = next[v];
        out.push_back({base + a, base + v, base + c});
        alive[v] = 0;
        reflexCount -= reflex[v];
        reflex[v] = 0;
        next[a] = c;
        prev[c] = a;
        --remaining;
        for (const int u : {a, c}) {
            const bool now = turn(prev[u], u, next[u]) < 0.0;
            reflexCount -= reflex[u] && !now ? 1 : 0;
            reflex[u] = reflex[u] && now ? 1 : 0; // corners outside the grid stay convex
        }
        misses = 0;
        v = c;
    }
    out.push_back({base + prev[v], base + v, base + next[v]});
}

} // namespace brontle::atlas
