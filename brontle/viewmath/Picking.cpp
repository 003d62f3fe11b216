#include "brontle/viewmath/Picking.h"

#include "brontle/model/Shape.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace brontle {

namespace {

// Items whose box covers more cells than this go into a list that every query reads, so one
// huge polygon (a backdrop) or a long edge does not fill thousands of cells.
constexpr int kMaxCellsPerItem = 64;

double clampCell(double cell) {
    return std::clamp(cell, 2.0, 64.0);
}

// Squared distance from (px, py) to the segment a-b, and the parameter of the closest point.
double segmentDistance2(double px, double py, double ax, double ay, double bx, double by,
                        double& t) {
    const double dx = bx - ax, dy = by - ay;
    const double len2 = dx * dx + dy * dy;
    t = len2 > 0.0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0) : 0.0;
    const double cx = ax + t * dx - px, cy = ay + t * dy - py;
    return cx * cx + cy * cy;
}

} // namespace

MeshArrays meshArrays(const Shape& shape) {
    return {shape.vertices(), shape.polygonStart(), shape.cornerVertex()};
}

PickIndex::PickIndex(const MeshArrays& mesh, const ViewTransform& view, double margin)
    : mesh_(mesh), view_(view), margin_(margin) {
    const std::size_t n = mesh.vertices.size();
    sx_.resize(n);
    sy_.resize(n);
    depth_.resize(n);
    visible_.assign(n, 0);
    const double minX = -margin, minY = -margin;
    const double maxX = view.width + margin, maxY = view.height + margin;
    std::size_t onScreen = 0;
    for (std::size_t v = 0; v < n; ++v) {
        const ScreenPoint s = view.project(mesh.vertices[v]);
        sx_[v] = s.x;
        sy_[v] = s.y;
        depth_[v] = s.depth;
        const bool in = s.visible && s.x >= minX && s.x <= maxX && s.y >= minY && s.y <= maxY;
        visible_[v] = in ? 1 : 0;
        onScreen += in ? 1 : 0;
    }
    // Cell size for about four points per cell over the screen, never below 2 pixels.
    const double area = (maxX - minX) * (maxY - minY);
    points_.cell = clampCell(std::sqrt(area * 4.0 / std::max<std::size_t>(onScreen, 1)));
    std::vector<float> boxes(n * 4);
    for (std::size_t v = 0; v < n; ++v) {
        float* b = &boxes[v * 4];
        if (visible_[v]) {
            b[0] = b[2] = static_cast<float>(sx_[v]);
            b[1] = b[3] = static_cast<float>(sy_[v]);
        } else {
            b[0] = 1.0f;
            b[2] = 0.0f;
        }
    }
    binBoxes(points_, boxes, n);
}

bool PickIndex::cellRange(const Grid& g, double x0, double y0, double x1, double y1, int& c0,
                          int& r0, int& c1, int& r1) const {
    const double ox = -margin_, oy = -margin_;
    c0 = static_cast<int>(std::floor((x0 - ox) / g.cell));
    r0 = static_cast<int>(std::floor((y0 - oy) / g.cell));
    c1 = static_cast<int>(std::floor((x1 - ox) / g.cell));
    r1 = static_cast<int>(std::floor((y1 - oy) / g.cell));
    if (c1 < 0 || r1 < 0 || c0 >= g.columns || r0 >= g.rows) {
        return false;
    }
    c0 = std::max(c0, 0);
    r0 = std::max(r0, 0);
    c1 = std::min(c1, g.columns - 1);
    r1 = std::min(r1, g.rows - 1);
    return true;
}

void PickIndex::binBoxes(Grid& g, const std::vector<float>& boxes, std::size_t count) const {
    g.columns = static_cast<int>(std::ceil((view_.width + 2 * margin_) / g.cell)) + 1;
    g.rows = static_cast<int>(std::ceil((view_.height + 2 * margin_) / g.cell)) + 1;
    const std::size_t cells = static_cast<std::size_t>(g.columns) * g.rows;
    std::vector<std::int32_t> counts(cells + 1, 0);
    g.wide.clear();
    // Two passes of a counting sort: count per cell, then place.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < count; ++i) {
            const float* b = &boxes[i * 4];
            if (!(b[0] <= b[2] && b[1] <= b[3])) {
                continue;
            }
            int c0, r0, c1, r1;
            if (!cellRange(g, b[0], b[1], b[2], b[3], c0, r0, c1, r1)) {
                continue;
            }
            if ((c1 - c0 + 1) * (r1 - r0 + 1) > kMaxCellsPerItem) {
                if (pass == 0) {
                    g.wide.push_back(static_cast<std::int32_t>(i));
                }
                continue;
            }
            for (int r = r0; r <= r1; ++r) {
                for (int c = c0; c <= c1; ++c) {
                    const std::size_t cell = static_cast<std::size_t>(r) * g.columns + c;
                    if (pass == 0) {
                        ++counts[cell + 1];
                    } else {
                        g.items[counts[cell]++] = static_cast<std::int32_t>(i);
                    }
                }
            }
        }
        if (pass == 0) {
            for (std::size_t c = 0; c < cells; ++c) {
                counts[c + 1] += counts[c];
            }
            g.start = counts;
            g.items.assign(static_cast<std::size_t>(counts[cells]), 0);
        }
    }
    g.built = true;
}

PointHit PickIndex::pickPoint(double x, double y, double radius) const {
    PointHit best;
    double bestD2 = radius * radius;
    double bestDepth = std::numeric_limits<double>::infinity();
    int c0, r0, c1, r1;
    if (!cellRange(points_, x - radius, y - radius, x + radius, y + radius, c0, r0, c1, r1)) {
        return best;
    }
    for (int r = r0; r <= r1; ++r) {
        for (int c = c0; c <= c1; ++c) {
            const std::size_t cell = static_cast<std::size_t>(r) * points_.columns + c;
            for (std::int32_t k = points_.start[cell]; k < points_.start[cell + 1]; ++k) {
                const std::int32_t v = points_.items[k];
                const double dx = sx_[v] - x, dy = sy_[v] - y;
                const double d2 = dx * dx + dy * dy;
                if (d2 > bestD2) {
                    continue;
                }
                const bool better = best.vertex < 0 || d2 < bestD2 || depth_[v] < bestDepth ||
                                    (depth_[v] == bestDepth && v < best.vertex);
                if (better) {
                    best.vertex = v;
                    bestD2 = d2;
                    bestDepth = depth_[v];
                }
            }
        }
    }
    if (best.vertex >= 0) {
        best.distance = std::sqrt(bestD2);
    }
    return best;
}

std::vector<std::int32_t> PickIndex::pointsInRect(double x0, double y0, double x1,
                                                  double y1) const {
    const double lx = std::min(x0, x1), hx = std::max(x0, x1);
    const double ly = std::min(y0, y1), hy = std::max(y0, y1);
    std::vector<std::int32_t> out;
    int c0, r0, c1, r1;
    if (!cellRange(points_, lx, ly, hx, hy, c0, r0, c1, r1)) {
        return out;
    }
    for (int r = r0; r <= r1; ++r) {
        for (int c = c0; c <= c1; ++c) {
            const std::size_t cell = static_cast<std::size_t>(r) * points_.columns + c;
            for (std::int32_t k = points_.start[cell]; k < points_.start[cell + 1]; ++k) {
                const std::int32_t v = points_.items[k];
                if (sx_[v] >= lx && sx_[v] <= hx && sy_[v] >= ly && sy_[v] <= hy) {
                    out.push_back(v);
                }
            }
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::int32_t PickIndex::polygonOfCorner(std::int32_t corner) const {
    const auto it = std::upper_bound(mesh_.polygonStart.begin(), mesh_.polygonStart.end(), corner);
    return static_cast<std::int32_t>(it - mesh_.polygonStart.begin()) - 1;
}

void PickIndex::ensureEdgeGrid() const {
    if (edges_.built) {
        return;
    }
    const std::int32_t polygons = mesh_.polygonCount();
    const std::size_t corners = mesh_.cornerVertex.size();
    std::vector<float> boxes(corners * 4);
    std::size_t visibleEdges = 0;
    for (std::int32_t p = 0; p < polygons; ++p) {
        const std::int32_t s = mesh_.polygonStart[p], e = mesh_.polygonStart[p + 1];
        for (std::int32_t k = s; k < e; ++k) {
            const std::int32_t a = mesh_.cornerVertex[k];
            const std::int32_t b = mesh_.cornerVertex[k + 1 < e ? k + 1 : s];
            float* box = &boxes[static_cast<std::size_t>(k) * 4];
            // An edge is pickable when both ends are in front of the eye; ends off the screen
            // are fine (the edge may cross it), ends behind the eye are not projected sensibly.
            const ScreenPoint pa = view_.project(mesh_.vertices[a]);
            const ScreenPoint pb = view_.project(mesh_.vertices[b]);
            if (!pa.visible || !pb.visible) {
                box[0] = 1.0f;
                box[2] = 0.0f;
                continue;
            }
            box[0] = static_cast<float>(std::min(pa.x, pb.x));
            box[1] = static_cast<float>(std::min(pa.y, pb.y));
            box[2] = static_cast<float>(std::max(pa.x, pb.x));
            box[3] = static_cast<float>(std::max(pa.y, pb.y));
            ++visibleEdges;
        }
    }
    const double area = (view_.width + 2 * margin_) * (view_.height + 2 * margin_);
    edges_.cell = clampCell(std::sqrt(area * 4.0 / std::max<std::size_t>(visibleEdges, 1)));
    binBoxes(edges_, boxes, corners);
}

void PickIndex::ensurePolygonGrid() const {
    if (polygons_.built) {
        return;
    }
    const std::int32_t polygons = mesh_.polygonCount();
    std::vector<float> boxes(static_cast<std::size_t>(polygons) * 4);
    for (std::int32_t p = 0; p < polygons; ++p) {
        float* box = &boxes[static_cast<std::size_t>(p) * 4];
        double lx = 1e300, ly = 1e300, hx = -1e300, hy = -1e300;
        bool ok = mesh_.polygonStart[p + 1] - mesh_.polygonStart[p] >= 3;
        for (std::int32_t k = mesh_.polygonStart[p]; ok && k < mesh_.polygonStart[p + 1]; ++k) {
            const ScreenPoint s = view_.project(mesh_.vertices[mesh_.cornerVertex[k]]);
            ok = s.visible;
            lx = std::min(lx, s.x);
            ly = std::min(ly, s.y);
            hx = std::max(hx, s.x);
            hy = std::max(hy, s.y);
        }
        if (!ok) {
            box[0] = 1.0f;
            box[2] = 0.0f;
            continue;
        }
        box[0] = static_cast<float>(lx);
        box[1] = static_cast<float>(ly);
        box[2] = static_cast<float>(hx);
        box[3] = static_cast<float>(hy);
    }
    const double area = (view_.width + 2 * margin_) * (view_.height + 2 * margin_);
    polygons_.cell = clampCell(std::sqrt(area * 2.0 / std::max<std::int32_t>(polygons, 1)));
    binBoxes(polygons_, boxes, static_cast<std::size_t>(polygons));
}

bool PickIndex::polygonContains(std::int32_t p, double x, double y, double& depth) const {
    const std::int32_t s = mesh_.polygonStart[p], e = mesh_.polygonStart[p + 1];
    if (e - s < 3) {
        return false;
    }
    // Vertices may be off the screen margin, so project corners afresh rather than reading the
    // point table (which only holds positions for vertices near the screen).
    auto screen = [&](std::int32_t k) {
        return view_.project(mesh_.vertices[mesh_.cornerVertex[k]]);
    };
    bool inside = false;
    ScreenPoint prev = screen(e - 1);
    std::vector<ScreenPoint> pts;
    pts.reserve(static_cast<std::size_t>(e - s));
    for (std::int32_t k = s; k < e; ++k) {
        const ScreenPoint cur = screen(k);
        if (!cur.visible) {
            return false;
        }
        if ((cur.y > y) != (prev.y > y)) {
            const double xCross = prev.x + (y - prev.y) * (cur.x - prev.x) / (cur.y - prev.y);
            if (x < xCross) {
                inside = !inside;
            }
        }
        pts.push_back(cur);
        prev = cur;
    }
    if (!inside) {
        return false;
    }
    // Depth from the fan triangle that holds the point (barycentric, with 1/depth affine under
    // perspective); the corners' mean depth when no fan triangle holds it (concave outline).
    const bool ortho = view_.orthographic;
    auto lin = [&](double d) { return ortho ? d : 1.0 / d; };
    for (std::size_t i = 1; i + 1 < pts.size(); ++i) {
        const ScreenPoint &a = pts[0], &b = pts[i], &c = pts[i + 1];
        const double den = (b.y - c.y) * (a.x - c.x) + (c.x - b.x) * (a.y - c.y);
        if (std::abs(den) < 1e-12) {
            continue;
        }
        const double wa = ((b.y - c.y) * (x - c.x) + (c.x - b.x) * (y - c.y)) / den;
        const double wb = ((c.y - a.y) * (x - c.x) + (a.x - c.x) * (y - c.y)) / den;
        const double wc = 1.0 - wa - wb;
        if (wa >= -1e-9 && wb >= -1e-9 && wc >= -1e-9) {
            const double v = wa * lin(a.depth) + wb * lin(b.depth) + wc * lin(c.depth);
            depth = ortho ? v : 1.0 / v;
            return true;
        }
    }
    double sum = 0.0;
    for (const ScreenPoint& q : pts) {
        sum += q.depth;
    }
    depth = sum / static_cast<double>(pts.size());
    return true;
}

PolygonHit PickIndex::pickPolygon(double x, double y) const {
    ensurePolygonGrid();
    PolygonHit best;
    double bestDepth = std::numeric_limits<double>::infinity();
    auto consider = [&](std::int32_t p) {
        double d = 0.0;
        if (polygonContains(p, x, y, d) &&
            (d < bestDepth || (d == bestDepth && p < best.polygon))) {
            best.polygon = p;
            best.depth = d;
            bestDepth = d;
        }
    };
    int c0, r0, c1, r1;
    if (cellRange(polygons_, x, y, x, y, c0, r0, c1, r1)) {
        const std::size_t cell = static_cast<std::size_t>(r0) * polygons_.columns + c0;
        for (std::int32_t k = polygons_.start[cell]; k < polygons_.start[cell + 1]; ++k) {
            consider(polygons_.items[k]);
        }
    }
    for (std::int32_t p : polygons_.wide) {
        consider(p);
    }
    return best;
}

std::vector<std::int32_t> PickIndex::polygonsAt(double x, double y) const {
    ensurePolygonGrid();
    std::vector<std::int32_t> out;
    double d = 0.0;
    int c0, r0, c1, r1;
    if (cellRange(polygons_, x, y, x, y, c0, r0, c1, r1)) {
        const std::size_t cell = static_cast<std::size_t>(r0) * polygons_.columns + c0;
        for (std::int32_t k = polygons_.start[cell]; k < polygons_.start[cell + 1]; ++k) {
            if (polygonContains(polygons_.items[k], x, y, d)) {
                out.push_back(polygons_.items[k]);
            }
        }
    }
    for (std::int32_t p : polygons_.wide) {
        if (polygonContains(p, x, y, d)) {
            out.push_back(p);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

EdgeHit PickIndex::pickEdge(double x, double y, double radius, bool occlusion) const {
    ensureEdgeGrid();
    EdgeHit best;
    double bestD2 = radius * radius;
    auto consider = [&](std::int32_t k) {
        const std::int32_t p = polygonOfCorner(k);
        const std::int32_t s = mesh_.polygonStart[p], e = mesh_.polygonStart[p + 1];
        const std::int32_t a = mesh_.cornerVertex[k];
        const std::int32_t b = mesh_.cornerVertex[k + 1 < e ? k + 1 : s];
        const ScreenPoint pa = view_.project(mesh_.vertices[a]);
        const ScreenPoint pb = view_.project(mesh_.vertices[b]);
        double t = 0.0;
        const double d2 = segmentDistance2(x, y, pa.x, pa.y, pb.x, pb.y, t);
        if (d2 > bestD2) {
            return;
        }
        const double depth = interpolateDepth(pa.depth, pb.depth, t, view_.orthographic);
        const std::int32_t corner = k - s;
        const bool better = best.polygon < 0 || d2 < bestD2 || depth < best.depth ||
                            (depth == best.depth &&
                             (p < best.polygon || (p == best.polygon && corner < best.corner)));
        if (!better) {
            return;
        }
        if (occlusion) {
            // Hidden when some polygon lies clearly in front of the edge's closest point.
            const double qx = pa.x + t * (pb.x - pa.x), qy = pa.y + t * (pb.y - pa.y);
            const PolygonHit front = pickPolygon(qx, qy);
            if (front.polygon >= 0 && front.depth < depth - (1e-3 * depth + 1e-6)) {
                return;
            }
        }
        best.polygon = p;
        best.corner = corner;
        best.depth = depth;
        bestD2 = d2;
    };
    int c0, r0, c1, r1;
    if (cellRange(edges_, x - radius, y - radius, x + radius, y + radius, c0, r0, c1, r1)) {
        for (int r = r0; r <= r1; ++r) {
            for (int c = c0; c <= c1; ++c) {
                const std::size_t cell = static_cast<std::size_t>(r) * edges_.columns + c;
                for (std::int32_t k = edges_.start[cell]; k < edges_.start[cell + 1]; ++k) {
                    consider(edges_.items[k]);
                }
            }
        }
    }
    for (std::int32_t k : edges_.wide) {
        consider(k);
    }
    if (best.polygon >= 0) {
        best.distance = std::sqrt(bestD2);
    }
    return best;
}

std::int32_t PickIndex::polygonForPoint(double x, double y, std::int32_t vertex) const {
    if (vertex < 0) {
        return -1;
    }
    std::int32_t chosen = -1;
    double chosenDepth = std::numeric_limits<double>::infinity();
    double d = 0.0;
    for (std::int32_t p : polygonsAt(x, y)) {
        bool hasCorner = false;
        for (std::int32_t k = mesh_.polygonStart[p]; k < mesh_.polygonStart[p + 1]; ++k) {
            hasCorner = hasCorner || mesh_.cornerVertex[k] == vertex;
        }
        if (hasCorner && polygonContains(p, x, y, d) && d < chosenDepth) {
            chosen = p;
            chosenDepth = d;
        }
    }
    if (chosen >= 0) {
        return chosen;
    }
    for (std::size_t k = 0; k < mesh_.cornerVertex.size(); ++k) {
        if (mesh_.cornerVertex[k] == vertex) {
            return polygonOfCorner(static_cast<std::int32_t>(k));
        }
    }
    return -1;
}

} // namespace brontle
