#include "brontle/atlas/ChartPacker.h"

#include "brontle/atlas/FreeSpace.h"
#include "brontle/atlas/MinimumRectangle.h"
#include "brontle/atlas/ParallelFor.h"
#include "brontle/atlas/PieceCut.h"
#include "brontle/core/Error.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <exception>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>
#include <thread>
#include <unordered_map>

namespace brontle::atlas {
namespace {

// Rotates the points so that their minimum-area bounding rectangle is axis aligned, wider than
// tall, with its lower-left corner at 0.
std::vector<Vec2d> orientToMinimumRectangle(const std::vector<Vec2d>& points) {
    const Vec2d bestAxis = minimumRectangle(points).axis;
    std::vector<Vec2d> out(points.size());
    double minX = 1e300, minY = 1e300;
    for (std::size_t i = 0; i < points.size(); ++i) {
        out[i] = {dot(points[i], bestAxis), cross(bestAxis, points[i])};
        minX = std::min(minX, out[i].x);
        minY = std::min(minY, out[i].y);
    }
    for (Vec2d& p : out) {
        p = p - Vec2d{minX, minY};
    }
    return out;
}

// An axis-aligned box of texels: columns [x, x + w), rows [y, y + h).
struct Box {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

// A large solid rectangle of covered texels in the mask, grown greedily from the widest run
// (the first among equals): one row at a time, up or down, whichever keeps more of the columns
// covered by a single run there; the best area seen wins. Time linear in the mask's runs.
Box coreRectangle(const MaskRuns& m) {
    int seed = 0;
    for (int r = 1; r < m.rows; ++r) {
        if (m.widest[r] > m.widest[seed]) {
            seed = r;
        }
    }
    if (m.rows == 0 || m.widest[seed] == 0) {
        return {};
    }
    // The columns of [a, b) that one run of row r covers, the most of them.
    auto narrow = [&](int r, int a, int b, int& outA, int& outB) {
        int best = 0;
        for (int k = m.rowStart[r]; k < m.rowStart[r + 1]; ++k) {
            const int lo = std::max(a, m.runs[k].first);
            const int hi = std::min(b, m.runs[k].second);
            if (hi - lo > best) {
                best = hi - lo;
                outA = lo;
                outB = hi;
            }
        }
        return best;
    };
    int a = 0, b = 0;
    for (int k = m.rowStart[seed]; k < m.rowStart[seed + 1]; ++k) {
        if (m.runs[k].second - m.runs[k].first == m.widest[seed]) {
            a = m.runs[k].first;
            b = m.runs[k].second;
            break;
        }
    }
    int bottom = seed, top = seed;
    Box best{a, seed, b - a, 1};
    for (;;) {
        int upA = 0, upB = 0, downA = 0, downB = 0;
        const int up = top + 1 < m.rows ? narrow(top + 1, a, b, upA, upB) : 0;
        const int down = bottom > 0 ? narrow(bottom - 1, a, b, downA, downB) : 0;
        if (up == 0 && down == 0) {
            break;
        }
        if (up >= down) {
            ++top;
            a = upA;
            b = upB;
        } else {
            --bottom;
            a = downA;
            b = downB;
        }
        const int h = top - bottom + 1;
        if (static_cast<long long>(b - a) * h > static_cast<long long>(best.w) * best.h) {
            best = {a, bottom, b - a, h};
        }
    }
    return best;
}

// A chart rasterised at one scale: conservative coverage (every texel its triangles touch), as
// runs per row for each of the four rotations by 90 degrees counter-clockwise.
struct Raster {
    int cols = 0;
    int rows = 0;
    std::array<MaskRuns, 4> masks;
    // Per rotation, the mean height of the covered texels above the mask's bottom edge.
    std::array<double, 4> centroidRow{};
    // Per rotation, a large solid rectangle inside the mask: where it cannot fit, neither can
    // the mask (FreeSpace::lowestRectangle).
    std::array<Box, 4> core{};
    long long texels = 0;
    // The mask is the same turned by 180 degrees (a rectangle, a disc): rotations 2 and 3 then
    // land where 0 and 1 do and are not searched; turned by 90 degrees too (a square): only
    // rotation 0 is.
    bool halfTurnSymmetric = false;
    bool quarterTurnSymmetric = false;
};

// Covered columns [c0, c1] of one row of a raster.
struct Span {
    int row;
    int c0;
    int c1;
};

// Working memory of rasterising, one per worker, kept over all charts and trials so that
// thousands of small charts do not allocate afresh each time.
struct RasterScratch {
    std::vector<Vec2d> q;
    std::vector<Span> upright;
    std::vector<Span> exchanged; // transposeRuns: per column run, (column, first row, end row)
    std::vector<int> start;
    std::vector<int> fill;
    std::vector<std::pair<int, int>> sorted;
    std::vector<std::pair<double, int>> crossings; // (x, direction)
    std::vector<std::uint8_t> cells;
    std::vector<std::uint8_t> exchangedCells;
    std::vector<std::int32_t> winding;
    MaskRuns turned;
};

// Appends the spans of texels the triangle touches in a rows x cols raster.
void coverTriangle(const Vec2d (&t)[3], int rows, int cols, std::vector<Span>& out) {
    // Closed texel squares: a point on a grid line touches the texels on both sides, so the
    // bounds are widened by a hair before rounding down.
    constexpr double kHair = 1e-7;
    const double minY = std::min({t[0].y, t[1].y, t[2].y});
    const double maxY = std::max({t[0].y, t[1].y, t[2].y});
    const int row0 = std::max(0, static_cast<int>(std::floor(minY - kHair)));
    const int row1 = std::min(rows - 1, static_cast<int>(std::floor(maxY + kHair)));
    for (int row = row0; row <= row1; ++row) {
        // The triangle clipped to the band row <= y <= row + 1 is convex, so its x extent is
        // the extent of its edges clipped to the band.
        double lo = std::numeric_limits<double>::infinity();
        double hi = -lo;
        for (int e = 0; e < 3; ++e) {
            Vec2d p = t[e];
            Vec2d q = t[(e + 1) % 3];
            if (p.y > q.y) {
                std::swap(p, q);
            }
            const double y0 = std::max(p.y, row - kHair);
            const double y1 = std::min(q.y, row + 1 + kHair);
            if (y0 > y1) {
                continue;
            }
            const double dy = q.y - p.y;
            const double x0 = dy > 0.0 ? p.x + (q.x - p.x) * (y0 - p.y) / dy : p.x;
            const double x1 = dy > 0.0 ? p.x + (q.x - p.x) * (y1 - p.y) / dy : q.x;
            lo = std::min({lo, x0, x1});
            hi = std::max({hi, x0, x1});
        }
        if (lo > hi) {
            continue;
        }
        const int c0 = std::max(0, static_cast<int>(std::floor(lo - kHair)));
        const int c1 = std::min(cols - 1, static_cast<int>(std::floor(hi + kHair)));
        if (c0 <= c1) {
            out.push_back({row, c0, c1});
        }
    }
}

// The union of the spans as runs per row, written into m (its memory reused).
void runsOfSpans(const std::vector<Span>& spans, int rows, int cols, RasterScratch& scratch,
                 MaskRuns& m) {
    m.rows = rows;
    m.cols = cols;
    m.rowStart.assign(rows + 1, 0);
    m.widest.assign(rows, 0);
    m.runs.clear();
    // Bucketed by row, then sorted by first column within each row.
    std::vector<int>& start = scratch.start;
    start.assign(rows + 1, 0);
    for (const Span& s : spans) {
        ++start[s.row + 1];
    }
    for (int r = 0; r < rows; ++r) {
        start[r + 1] += start[r];
    }
    std::vector<std::pair<int, int>>& sorted = scratch.sorted;
    sorted.resize(spans.size());
    {
        std::vector<int>& fill = scratch.fill;
        fill.assign(start.begin(), start.end() - 1);
        for (const Span& s : spans) {
            sorted[fill[s.row]++] = {s.c0, s.c1 + 1};
        }
    }
    m.runs.reserve(spans.size());
    for (int row = 0; row < rows; ++row) {
        const auto first = sorted.begin() + start[row];
        const auto last = sorted.begin() + start[row + 1];
        if (last - first > 1) {
            std::sort(first, last);
        }
        for (auto it = first; it != last;) {
            const int begin = it->first;
            int end = it->second;
            for (++it; it != last && it->first <= end; ++it) {
                end = std::max(end, it->second);
            }
            m.runs.push_back({begin, end});
            m.widest[row] = std::max(m.widest[row], end - begin);
        }
        m.rowStart[row + 1] = static_cast<int>(m.runs.size());
    }
}

// The mask mirrored left to right, into out (its memory reused).
void mirrorColumns(const MaskRuns& m, MaskRuns& out) {
    out = m;
    for (int r = 0; r < m.rows; ++r) {
        const int begin = m.rowStart[r];
        const int end = m.rowStart[r + 1];
        for (int k = begin; k < end; ++k) {
            const auto [a, b] = m.runs[end - 1 - (k - begin)];
            out.runs[k] = {m.cols - b, m.cols - a};
        }
    }
}

// The mask mirrored top to bottom, into out (its memory reused; not m itself).
void mirrorRows(const MaskRuns& m, MaskRuns& out) {
    out.rows = m.rows;
    out.cols = m.cols;
    out.rowStart.clear();
    out.rowStart.push_back(0);
    out.runs.clear();
    out.widest.clear();
    for (int r = m.rows - 1; r >= 0; --r) {
        out.runs.insert(out.runs.end(), m.runs.begin() + m.rowStart[r],
                        m.runs.begin() + m.rowStart[r + 1]);
        out.rowStart.push_back(static_cast<int>(out.runs.size()));
        out.widest.push_back(m.widest[r]);
    }
}

// Mean height of the covered texels above the mask's bottom edge, and their count.
double centroidRow(const MaskRuns& m, long long& count) {
    double sum = 0.0;
    count = 0;
    for (int row = 0; row < m.rows; ++row) {
        for (int k = m.rowStart[row]; k < m.rowStart[row + 1]; ++k) {
            const int length = m.runs[k].second - m.runs[k].first;
            sum += (row + 0.5) * length;
            count += length;
        }
    }
    return count > 0 ? sum / static_cast<double>(count) : 0.0;
}

// Chart points in raster units: scaled, and moved half a texel in from the raster's lower-left
// corner so that every point lies strictly inside the raster box. Then a rotation of the box
// by 90 degrees never puts a point on the box's far edge, outside the rotated raster.
Vec2d toRaster(Vec2d p, double scale) {
    return {p.x * scale + 0.5, p.y * scale + 0.5};
}

// A directed edge between two chart points.
using Edge = std::array<int, 2>;

// The outline of the triangles listed in `subset` (all when it is null): their directed edges
// with every pair of opposite edges (a neighbouring triangle's) cancelled. When all triangles
// turn the same way, the winding number of the outline around a point is (plus or minus) the
// number of triangles covering it, so the nonzero rule gives exactly the covered area, holes
// and overlaps included, from far fewer edges than triangles. False when the triangles turn
// both ways (a folded chart): such a chart is rasterised triangle by triangle.
bool outlineOf(const PackInput& chart, const std::vector<Vec2d>& oriented,
               const std::vector<std::int32_t>* subset, std::vector<Edge>& outline) {
    outline.clear();
    const std::size_t count = subset ? subset->size() : chart.triangles.size();
    std::vector<std::uint64_t> keys;
    keys.reserve(3 * count);
    bool positive = false;
    bool negative = false;
    for (std::size_t n = 0; n < count; ++n) {
        const auto& t = chart.triangles[subset ? static_cast<std::size_t>((*subset)[n]) : n];
        const double turn = cross(oriented[t[1]] - oriented[t[0]], oriented[t[2]] - oriented[t[0]]);
        positive = positive || turn > 0.0;
        negative = negative || turn < 0.0;
        for (int e = 0; e < 3; ++e) {
            // Key: the lower point, the higher point, and whether the edge runs downwards.
            const auto a = static_cast<std::uint64_t>(t[e]);
            const auto b = static_cast<std::uint64_t>(t[(e + 1) % 3]);
            keys.push_back(a < b ? (a << 33) | (b << 1) : (b << 33) | (a << 1) | 1u);
        }
    }
    if (positive && negative) {
        return false;
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i;
        int net = 0;
        for (; j < keys.size() && (keys[j] >> 1) == (keys[i] >> 1); ++j) {
            net += (keys[j] & 1u) ? -1 : 1;
        }
        const int low = static_cast<int>(keys[i] >> 33);
        const int high = static_cast<int>((keys[i] >> 1) & 0xffffffffu);
        for (; net > 0; --net) {
            outline.push_back({low, high});
        }
        for (; net < 0; ++net) {
            outline.push_back({high, low});
        }
        i = j;
    }
    return true;
}

// Appends the spans of texels the segment p-q touches (closed texel squares, as coverTriangle).
void coverSegment(Vec2d p, Vec2d q, int rows, int cols, std::vector<Span>& out) {
    constexpr double kHair = 1e-7;
    if (p.y > q.y) {
        std::swap(p, q);
    }
    const int row0 = std::max(0, static_cast<int>(std::floor(p.y - kHair)));
    const int row1 = std::min(rows - 1, static_cast<int>(std::floor(q.y + kHair)));
    const double dy = q.y - p.y;
    for (int row = row0; row <= row1; ++row) {
        const double y0 = std::max(p.y, row - kHair);
        const double y1 = std::min(q.y, row + 1 + kHair);
        const double x0 = dy > 0.0 ? p.x + (q.x - p.x) * (y0 - p.y) / dy : p.x;
        const double x1 = dy > 0.0 ? p.x + (q.x - p.x) * (y1 - p.y) / dy : q.x;
        const int c0 = std::max(0, static_cast<int>(std::floor(std::min(x0, x1) - kHair)));
        const int c1 = std::min(cols - 1, static_cast<int>(std::floor(std::max(x0, x1) + kHair)));
        if (c0 <= c1) {
            out.push_back({row, c0, c1});
        }
    }
}

// Appends the spans of texels whose centre has a nonzero winding number around the outline
// (points already in raster units). With the texels the outline touches, that is every texel
// the enclosed area touches: a texel the outline does not cross lies wholly inside or outside.
void coverInside(const std::vector<Edge>& outline, const std::vector<Vec2d>& q, int rows, int cols,
                 RasterScratch& scratch, std::vector<Span>& out) {
    using Crossing = std::pair<double, int>; // (x, direction)
    // Rows whose centre line y = row + 0.5 the edge crosses, half-open at the top end.
    auto rowsOf = [&](const Edge& e, int& first, int& last) {
        const double lo = std::min(q[e[0]].y, q[e[1]].y);
        const double hi = std::max(q[e[0]].y, q[e[1]].y);
        first = std::max(0, static_cast<int>(std::ceil(lo - 0.5)));
        last = std::min(rows - 1, static_cast<int>(std::ceil(hi - 0.5)) - 1);
    };
    std::vector<int>& start = scratch.start;
    start.assign(rows + 1, 0);
    for (const Edge& e : outline) {
        int first = 0, last = -1;
        rowsOf(e, first, last);
        for (int r = first; r <= last; ++r) {
            ++start[r + 1];
        }
    }
    for (int r = 0; r < rows; ++r) {
        start[r + 1] += start[r];
    }
    std::vector<Crossing>& crossings = scratch.crossings;
    crossings.resize(start[rows]);
    std::vector<int>& fill = scratch.fill;
    fill.assign(start.begin(), start.end() - 1);
    for (const Edge& e : outline) {
        int first = 0, last = -1;
        rowsOf(e, first, last);
        const Vec2d a = q[e[0]];
        const Vec2d b = q[e[1]];
        const int direction = b.y > a.y ? 1 : -1;
        for (int r = first; r <= last; ++r) {
            const double t = (r + 0.5 - a.y) / (b.y - a.y);
            crossings[fill[r]++] = {a.x + (b.x - a.x) * t, direction};
        }
    }
    for (int r = 0; r < rows; ++r) {
        const auto first = crossings.begin() + start[r];
        const auto last = crossings.begin() + start[r + 1];
        std::sort(first, last,
                  [](const Crossing& a, const Crossing& b) { return a.first < b.first; });
        int winding = 0;
        for (auto it = first; it != last; ++it) {
            winding += it->second;
            if (winding == 0 || it + 1 == last) {
                continue;
            }
            const int c0 = std::max(0, static_cast<int>(std::ceil(it->first - 0.5)));
            const int c1 = std::min(cols - 1, static_cast<int>(std::floor((it + 1)->first - 0.5)));
            if (c0 <= c1) {
                out.push_back({r, c0, c1});
            }
        }
    }
}

// The outline's coverage as a rows x cols cell array (row-major, y upwards): the texels each
// edge touches, and those whose centre has a nonzero winding number, counted per row from the
// left through a difference array, so no crossings are sorted. For outlines whose edges cross
// many rows each (sub-texel detail such as a star of thousands of spikes), which as spans would
// outnumber the cells.
// `cells` receives the coverage, `winding` is scratch.
void coverDense(const std::vector<Edge>& outline, const std::vector<Vec2d>& q, int rows, int cols,
                std::vector<std::uint8_t>& cells, std::vector<std::int32_t>& winding) {
    constexpr double kHair = 1e-7;
    cells.assign(static_cast<std::size_t>(rows) * cols, 0);
    winding.assign(static_cast<std::size_t>(rows) * (cols + 1), 0);
    for (const Edge& e : outline) {
        Vec2d a = q[e[0]];
        Vec2d b = q[e[1]];
        const int direction = b.y > a.y ? 1 : -1;
        if (a.y > b.y) {
            std::swap(a, b);
        }
        const double dy = b.y - a.y;
        const double slope = dy > 0.0 ? (b.x - a.x) / dy : 0.0;
        const int row0 = std::max(0, static_cast<int>(std::floor(a.y - kHair)));
        const int row1 = std::min(rows - 1, static_cast<int>(std::floor(b.y + kHair)));
        for (int row = row0; row <= row1; ++row) {
            const double y0 = std::max(a.y, row - kHair);
            const double y1 = std::min(b.y, row + 1 + kHair);
            const double x0 = dy > 0.0 ? a.x + slope * (y0 - a.y) : a.x;
            const double x1 = dy > 0.0 ? a.x + slope * (y1 - a.y) : b.x;
            const int c0 = std::max(0, static_cast<int>(std::floor(std::min(x0, x1) - kHair)));
            const int c1 =
                std::min(cols - 1, static_cast<int>(std::floor(std::max(x0, x1) + kHair)));
            if (c0 <= c1) {
                std::fill_n(cells.begin() + static_cast<std::ptrdiff_t>(row) * cols + c0,
                            c1 - c0 + 1, std::uint8_t{1});
            }
            // The centre line y = row + 0.5, crossed half-open at the top end: the centres of
            // cells right of the crossing see the edge on their left.
            const double centre = row + 0.5;
            if (dy > 0.0 && a.y <= centre && centre < b.y) {
                const double x = a.x + slope * (centre - a.y);
                const int first = std::clamp(static_cast<int>(std::floor(x + 0.5)), 0, cols);
                winding[static_cast<std::size_t>(row) * (cols + 1) + first] += direction;
            }
        }
    }
    for (int row = 0; row < rows; ++row) {
        const std::int32_t* w = winding.data() + static_cast<std::size_t>(row) * (cols + 1);
        std::uint8_t* c = cells.data() + static_cast<std::size_t>(row) * cols;
        int sum = 0;
        for (int x = 0; x < cols; ++x) {
            sum += w[x];
            c[x] |= sum != 0 ? 1 : 0;
        }
    }
}

void finishMasks(const MaskRuns& turned, Raster& r);

// The mask with rows and columns exchanged, into out (its memory reused; not m itself). Row by
// row, only the columns whose coverage changes from the row below are visited: a column's run
// opens where it becomes covered and is emitted where it stops, so the time is linear in the
// mask's runs and the length of their outline, not in its cells.
void transposeRuns(const MaskRuns& m, RasterScratch& scratch, MaskRuns& out) {
    std::vector<int>& open = scratch.fill;
    open.assign(m.cols, -1);
    std::vector<Span>& closed = scratch.exchanged; // (column, first row, row after the last)
    closed.clear();
    // Visits the columns of [a, b) that row r (or, past the last row, nothing) changes.
    auto toggle = [&](int a, int b, int r, bool nowCovered) {
        for (int c = a; c < b; ++c) {
            if (nowCovered) {
                open[c] = r;
            } else {
                closed.push_back({c, open[c], r});
                open[c] = -1;
            }
        }
    };
    for (int r = 0; r <= m.rows; ++r) {
        // The symmetric difference of the previous row's runs and this row's: their run ends
        // merged in order, each end toggling whether its row covers what follows.
        const int pBegin = r > 0 ? m.rowStart[r - 1] : 0;
        const int pEnd = r > 0 ? m.rowStart[r] : 0;
        const int qBegin = r < m.rows ? m.rowStart[r] : 0;
        const int qEnd = r < m.rows ? m.rowStart[r + 1] : 0;
        // Run ends as 2 k (start of run k) and 2 k + 1 (its end), per list.
        auto endAt = [&](int begin, int e) {
            const auto& run = m.runs[begin + e / 2];
            return (e & 1) == 0 ? run.first : run.second;
        };
        const int pEnds = 2 * (pEnd - pBegin);
        const int qEnds = 2 * (qEnd - qBegin);
        int i = 0;
        int j = 0;
        bool inP = false;
        bool inQ = false;
        while (i < pEnds || j < qEnds) {
            const int x = std::min(i < pEnds ? endAt(pBegin, i) : m.cols + 1,
                                   j < qEnds ? endAt(qBegin, j) : m.cols + 1);
            while (i < pEnds && endAt(pBegin, i) == x) {
                inP = !inP;
                ++i;
            }
            while (j < qEnds && endAt(qBegin, j) == x) {
                inQ = !inQ;
                ++j;
            }
            const int next = std::min(i < pEnds ? endAt(pBegin, i) : m.cols,
                                      j < qEnds ? endAt(qBegin, j) : m.cols);
            if (inP != inQ) {
                toggle(x, next, r, inQ);
            }
        }
    }
    out.rows = m.cols;
    out.cols = m.rows;
    out.rowStart.assign(m.cols + 1, 0);
    for (const Span& s : closed) {
        ++out.rowStart[s.row + 1];
    }
    for (int c = 0; c < m.cols; ++c) {
        out.rowStart[c + 1] += out.rowStart[c];
    }
    out.runs.resize(closed.size());
    std::vector<int>& at = scratch.start;
    at.assign(out.rowStart.begin(), out.rowStart.end() - 1);
    // Runs close in ascending rows, so each column's runs come out ascending.
    for (const Span& s : closed) {
        out.runs[at[s.row]++] = {s.c0, s.c1};
    }
    out.widest.assign(m.cols, 0);
    for (int c = 0; c < m.cols; ++c) {
        for (int k = out.rowStart[c]; k < out.rowStart[c + 1]; ++k) {
            out.widest[c] = std::max(out.widest[c], out.runs[k].second - out.runs[k].first);
        }
    }
}

// Rasterises the chart's triangles listed in `subset` (all of them when it is null), with the
// oriented points moved by -offset, so that a piece of a split chart gets a box of its own.
// `outline` is outlineOf the same triangles, or null when they fold: then every triangle is
// covered on its own. The chart is rasterised twice, as it lies and with x and y exchanged; the
// four rotations are those two mirrored: cell (x, y) goes to rotation 1 at (rows - 1 - y, x)
// (the exchanged raster mirrored left to right), rotation 2 at (cols - 1 - x, rows - 1 - y),
// rotation 3 at (y, cols - 1 - x) (the exchanged raster mirrored top to bottom); rotatePoint
// agrees.
void rasterise(const PackInput& chart, const std::vector<Vec2d>& oriented,
               const std::vector<std::int32_t>* subset, const std::vector<Edge>* outline,
               Vec2d offset, double scale, RasterScratch& scratch, Raster& r) {
    std::vector<Vec2d>& q = scratch.q;
    q.resize(oriented.size());
    for (std::size_t k = 0; k < oriented.size(); ++k) {
        q[k] = toRaster(oriented[k] - offset, scale);
    }
    double maxX = 0.0, maxY = 0.0;
    auto extend = [&](int k) {
        maxX = std::max(maxX, q[k].x);
        maxY = std::max(maxY, q[k].y);
    };
    if (subset == nullptr) {
        for (std::size_t k = 0; k < q.size(); ++k) {
            extend(static_cast<int>(k));
        }
    } else {
        for (const std::int32_t t : *subset) {
            for (const int k : chart.triangles[t]) {
                extend(k);
            }
        }
    }
    r.cols = static_cast<int>(std::floor(maxX)) + 1;
    r.rows = static_cast<int>(std::floor(maxY)) + 1;
    std::vector<Span>& upright = scratch.upright;
    upright.clear();
    // Spans when the outline crosses few rows per edge, a cell array when spans would outnumber
    // the cells; the result is the same coverage.
    long long spanCount = 0;
    if (outline != nullptr) {
        for (const Edge& e : *outline) {
            spanCount +=
                std::abs(static_cast<long long>(q[e[0]].y) - static_cast<long long>(q[e[1]].y)) +
                std::abs(static_cast<long long>(q[e[0]].x) - static_cast<long long>(q[e[1]].x)) + 2;
        }
    }
    const long long cellCount = static_cast<long long>(r.rows) * r.cols;
    if (outline != nullptr && 4 * spanCount > cellCount) {
        std::vector<std::uint8_t>& cells = scratch.cells;
        std::vector<std::uint8_t>& exchangedCells = scratch.exchangedCells;
        coverDense(*outline, q, r.rows, r.cols, cells, scratch.winding);
        exchangedCells.resize(cells.size());
        for (int y = 0; y < r.rows; ++y) {
            for (int x = 0; x < r.cols; ++x) {
                exchangedCells[static_cast<std::size_t>(x) * r.rows + y] =
                    cells[static_cast<std::size_t>(y) * r.cols + x];
            }
        }
        maskRunsInto(cells, r.rows, r.cols, r.masks[0]);
        maskRunsInto(exchangedCells, r.cols, r.rows, scratch.turned);
        finishMasks(scratch.turned, r);
        return;
    }
    if (outline != nullptr) {
        for (const Edge& e : *outline) {
            coverSegment(q[e[0]], q[e[1]], r.rows, r.cols, upright);
        }
        coverInside(*outline, q, r.rows, r.cols, scratch, upright);
    } else {
        auto cover = [&](const std::array<int, 3>& tri) {
            const Vec2d t[3] = {q[tri[0]], q[tri[1]], q[tri[2]]};
            coverTriangle(t, r.rows, r.cols, upright);
        };
        if (subset == nullptr) {
            for (const auto& tri : chart.triangles) {
                cover(tri);
            }
        } else {
            for (const std::int32_t t : *subset) {
                cover(chart.triangles[t]);
            }
        }
    }
    if (upright.empty()) {
        upright.push_back({0, 0, 0});
    }
    runsOfSpans(upright, r.rows, r.cols, scratch, r.masks[0]);
    // Texels a chart touches are the same whichever way x and y are named: the raster with x
    // and y exchanged is this one transposed.
    transposeRuns(r.masks[0], scratch, scratch.turned);
    finishMasks(scratch.turned, r);
}

// Given masks[0] and the raster with x and y exchanged, the other rotations and the centroids.
void finishMasks(const MaskRuns& turned, Raster& r) {
    mirrorColumns(turned, r.masks[1]);
    // Rotations 2 and 3 are rotations 0 and 1 turned by 180 degrees.
    r.core[0] = coreRectangle(r.masks[0]);
    r.core[1] = coreRectangle(r.masks[1]);
    for (int k = 0; k < 2; ++k) {
        const Box& b = r.core[k];
        const MaskRuns& m = r.masks[k];
        r.core[k + 2] = {m.cols - b.x - b.w, m.rows - b.y - b.h, b.w, b.h};
    }
    // Rotation 3's slot holds rotation 0 mirrored left to right until rotation 2 is made.
    mirrorColumns(r.masks[0], r.masks[3]);
    mirrorRows(r.masks[3], r.masks[2]);
    mirrorRows(turned, r.masks[3]);
    long long count = 0;
    r.centroidRow[0] = centroidRow(r.masks[0], r.texels);
    r.centroidRow[1] = centroidRow(turned, count);
    r.centroidRow[2] = r.rows - r.centroidRow[0];
    r.centroidRow[3] = r.cols - r.centroidRow[1];
    r.halfTurnSymmetric =
        r.masks[2].runs == r.masks[0].runs && r.masks[2].rowStart == r.masks[0].rowStart &&
        r.masks[3].runs == r.masks[1].runs && r.masks[3].rowStart == r.masks[1].rowStart;
    r.quarterTurnSymmetric = r.halfTurnSymmetric && r.masks[1].runs == r.masks[0].runs &&
                             r.masks[1].rowStart == r.masks[0].rowStart;
}

// Maps a point of the oriented chart (scaled) to the rotation `rotation` of its raster box.
Vec2d rotatePoint(Vec2d p, int rotation, int cols, int rows) {
    switch (rotation) {
    case 1:
        return {rows - p.y, p.x};
    case 2:
        return {cols - p.x, rows - p.y};
    case 3:
        return {p.y, cols - p.x};
    default:
        return p;
    }
}

// Relative precision of the final scale: the packed scale is within this of a scale at which the
// packing failed (or of the largest scale the chart area allows). 0.2 % rather than 0.1 % saves
// about one packing in eight (a tenth of the atlas's time on scans of 500 charts) for at most
// 0.4 % of the texture (the benchmark meshes: 0.003 on average, none below 0.75).
constexpr double kScaleTolerance = 2e-3;

struct Placement {
    int x = 0;
    int y = 0;
    int rotation = 0;
};

// A chart, or a piece of one, placed on the texture.
struct PlacedPiece {
    int chart = 0;
    std::vector<std::int32_t> triangles; // the chart's triangles in the piece; empty: all
    Vec2d offset;                        // taken off the oriented points before scaling
    int cols = 0;                        // size of the piece's unrotated raster box
    int rows = 0;
    Placement placement;
};

// Charts that find no room at a trial scale may be cut in two and the halves placed apart,
// recursively: without this the scale is set by the last few large charts, and a layout of a
// dozen similar charts (a sphere, a torus) leaves a whole row of the texture empty. Each cut
// adds one chart, so the cuts per packing are limited (64 + one per chart), a piece keeps at
// least kMinPieceGroups whole polygons (no single-polygon pieces), and pieces keep the chart's
// flattening, so stretch is unchanged; the faces of a box are never cut (see Atlas.cpp). A
// trial fails at the first chart that finds no room and cannot be cut, which on meshes of many
// small charts is one of a few dozen polygons near the end: letting such charts be cut down to
// pieces of two polygons, six cuts deep, raised the benchmark meshes' mean utilisation from
// 0.767 (pieces of at least 4 polygons, four cuts deep, 24 + n/4 cuts) to 0.787 (a torus of
// 100,000 triangles 0.744 -> 0.794), at up to twice the charts. Single-polygon pieces gained
// another 0.006 but left rough surfaces strewn with one-polygon charts.
constexpr int kMinPieceGroups = 2;
constexpr int kMaxSplitDepth = 6;
int splitBudget(std::size_t charts) {
    return 64 + static_cast<int>(charts);
}

// Whether the chart has the polygons to be cut at least once.
bool mayBeCut(const PackInput& chart) {
    int groups = 0;
    for (std::size_t t = 0; t < chart.triangleGroup.size() && groups < 2 * kMinPieceGroups; ++t) {
        groups += t == 0 || chart.triangleGroup[t] != chart.triangleGroup[t - 1] ? 1 : 0;
    }
    return groups >= 2 * kMinPieceGroups;
}

// Cuts the piece in two where the border between the halves is shortest (cutPieceInTwo),
// keeping every group (polygon) whole. False when it has too few groups to give two pieces.
bool cutInTwo(const PackInput& chart, const std::vector<Vec2d>& oriented,
              const std::vector<std::int32_t>& triangles, std::vector<std::int32_t>& first,
              std::vector<std::int32_t>& second) {
    PieceCutSettings settings;
    settings.minGroups = kMinPieceGroups;
    return cutPieceInTwo(chart, oriented, triangles, settings, first, second);
}

// A piece of a chart cut in two (cutInTwo): the halves' triangles, outlines and the offsets
// that give each half a raster box of its own.
struct Cut {
    bool made = false;
    std::vector<std::int32_t> halves[2];
    std::vector<Edge> outlines[2];
    bool usable[2] = {false, false};
    Vec2d offsets[2];
};

// What does not depend on the scale, kept for all trials: per chart its outline (outlineOf)
// and whether it has one.
struct Outlines {
    std::vector<std::vector<Edge>> edges;
    std::vector<std::uint8_t> usable;
};

// The memory of one line of trials, kept from trial to trial: the cuts made so far, keyed by
// chart and piece (a piece is cut the same way at every scale), and what every trial fills
// afresh: the charts' rasters and each worker's scratch.
struct TrialMemory {
    std::unordered_map<std::uint64_t, Cut> cuts;
    std::vector<Raster> rasters;
    std::vector<RasterScratch> scratch;
};

// Below this share of a core over a trial, a thread is taken not to have had a core of its own.
constexpr double kBusyShare = 0.75;

// The wall-clock and CPU time of the calling thread, and their differences.
struct RunningTime {
    double wall = 0.0;
    double cpu = 0.0;

    static RunningTime now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        const double cpu = static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
        return {wall, cpu};
    }
    RunningTime operator-(const RunningTime& o) const { return {wall - o.wall, cpu - o.cpu}; }
    // Whether the thread ran most of the time (a span too short to tell counts as yes).
    bool hadCore() const { return wall < 0.01 || cpu >= kBusyShare * wall; }
};

// What the two trials of a round packed side by side tell each other.
struct SideBySide {
    std::atomic<bool> stop{false}; // the trial packed ahead is to stop: unwanted, or no core
    std::atomic<bool> busy{false}; // a thread of the round ran less than kBusyShare of the time
};

// One packing of all charts at one scale.
class TrialPacking {
  public:
    TrialPacking(const std::vector<PackInput>& charts,
                 const std::vector<std::vector<Vec2d>>& oriented, const Outlines& outlines,
                 TrialMemory& memory, double scale, int width, int height, int gutter,
                 SideBySide* side = nullptr, bool ahead = false)
        : charts_(charts), oriented_(oriented), outlines_(outlines), memory_(memory), scale_(scale),
          width_(width), height_(height), gutter_(gutter), splitsLeft_(splitBudget(charts.size())),
          side_(side), ahead_(ahead) {}

    // True when every chart (whole or in pieces) found room; `placed()` then lists them. With
    // `side`, the trial watches its thread's share of a core and reports a busy machine there;
    // the trial packed `ahead` then stops, as it does when told to: false, and stopped().
    // `rasterised`, when given, is called once the charts are rasterised: the threads are free.
    bool run(int threads, const std::function<void()>& rasterised = {}) {
        const RunningTime start = RunningTime::now();
        std::vector<Raster>& rasters = memory_.rasters;
        rasters.resize(charts_.size());
        memory_.scratch.resize(std::max(1, threads));
        auto toStop = [&] { return ahead_ && side_->stop.load(std::memory_order_relaxed); };
        parallelFor(static_cast<int>(charts_.size()), threads, [&](int i, int worker) {
            if (toStop()) {
                return;
            }
            rasterise(charts_[i], oriented_[i], nullptr,
                      outlines_.usable[i] ? &outlines_.edges[i] : nullptr, {}, scale_,
                      memory_.scratch[worker], rasters[i]);
        });
        if (toStop()) {
            stopped_ = true;
            return false;
        }
        if (rasterised) {
            rasterised();
        }
        // The bitmap keeps its runs of up to the longest run of any mask (pieces of a cut chart
        // are smaller than the chart).
        int longestRun = 1;
        for (const Raster& r : rasters) {
            longestRun = std::max({longestRun, r.cols, r.rows});
        }
        space_.emplace(width_, height_, gutter_, longestRun);
        // Largest charts first: they shape the layout, small ones fill the holes between them.
        std::vector<int> order(charts_.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return rasters[a].texels > rasters[b].texels; });
        totalTexels_ = 0;
        for (const Raster& r : rasters) {
            totalTexels_ += r.texels;
        }
        int placedCharts = 0;
        for (const int i : order) {
            if (side_ != nullptr && ++placedCharts % 8 == 0 &&
                !(RunningTime::now() - start).hadCore()) {
                side_->busy.store(true);
                side_->stop.store(true);
            }
            if (toStop()) {
                stopped_ = true;
                return false;
            }
            Placement placement;
            if (place(rasters[i], placement)) {
                placed_.push_back({i, {}, {}, rasters[i].cols, rasters[i].rows, placement});
                continue;
            }
            if (charts_[i].triangleGroup.empty()) {
                return false;
            }
            std::vector<std::int32_t> all(charts_[i].triangles.size());
            std::iota(all.begin(), all.end(), 0);
            if (!splitAndPlace(i, all, 1, 1)) {
                return false;
            }
        }
        return true;
    }

    std::vector<PlacedPiece>& placed() { return placed_; }
    // The share of the charts' texels placed (before a failure), and the top of the packing.
    double placedShare() const {
        return totalTexels_ > 0 ? static_cast<double>(placedTexels_) / totalTexels_ : 1.0;
    }
    int top() const { return top_; }
    bool stopped() const { return stopped_; }

  private:
    // Every rotation goes to its lowest, then leftmost, free spot; the rotation whose centroid
    // (of covered texels) ends lowest wins, then the leftmost, then the first rotation.
    // Comparing centroids rather than tops lets a chart stand upright in a narrow gap or lie on
    // its flat side, whichever settles it deeper, which leaves fewer holes than keeping the top
    // low (measured: mean utilisation 0.696 -> 0.708).
    bool place(const Raster& raster, Placement& out) {
        double bestCentroid = std::numeric_limits<double>::infinity();
        int bestX = width_;
        bool found = false;
        // A symmetric mask turned by 180 degrees finds the same spot with the same centroid,
        // which never beats the first.
        const int rotations = raster.quarterTurnSymmetric ? 1 : (raster.halfTurnSymmetric ? 2 : 4);
        for (int rotation = 0; rotation < rotations; ++rotation) {
            const MaskRuns& mask = raster.masks[rotation];
            const double lift = raster.centroidRow[rotation];
            // Only spots whose centroid is no higher than the best so far can win.
            const int maxY = found ? static_cast<int>(std::floor(bestCentroid - lift)) : height_;
            // The lowest spot of the mask's core bounds its own from below.
            int minY = 0;
            const Box& core = raster.core[rotation];
            if (core.w > 0) {
                const int floor = space_->lowestRectangle(core.w, core.h, maxY + core.y);
                if (floor > maxY + core.y) {
                    continue;
                }
                minY = floor - core.y;
            }
            int x = 0, y = 0;
            if (!space_->findLowest(mask, maxY, x, y, minY)) {
                continue;
            }
            const double centroid = y + lift;
            if (!found || centroid < bestCentroid || (centroid == bestCentroid && x < bestX)) {
                found = true;
                bestCentroid = centroid;
                bestX = x;
                out = {x, y, rotation};
            }
        }
        if (found) {
            space_->occupy(raster.masks[out.rotation], out.x, out.y, gutter_);
            placedTexels_ += raster.texels;
            top_ = std::max(top_, out.y + raster.masks[out.rotation].rows);
        }
        return found;
    }

    // `path` names the piece: 1 for the whole chart, 2 p and 2 p + 1 for the halves of piece p.
    bool splitAndPlace(int chart, const std::vector<std::int32_t>& triangles, int depth,
                       std::uint32_t path) {
        if (depth > kMaxSplitDepth || splitsLeft_ == 0) {
            return false;
        }
        // A piece is cut the same way at every scale: the cut is found once per packing.
        const std::uint64_t key = (static_cast<std::uint64_t>(chart) << 8) | path;
        auto found = memory_.cuts.find(key);
        if (found == memory_.cuts.end()) {
            Cut cut;
            cut.made =
                cutInTwo(charts_[chart], oriented_[chart], triangles, cut.halves[0], cut.halves[1]);
            for (int h = 0; cut.made && h < 2; ++h) {
                Vec2d offset{1e300, 1e300};
                for (const std::int32_t t : cut.halves[h]) {
                    for (const int k : charts_[chart].triangles[t]) {
                        offset.x = std::min(offset.x, oriented_[chart][k].x);
                        offset.y = std::min(offset.y, oriented_[chart][k].y);
                    }
                }
                cut.offsets[h] = offset;
                cut.usable[h] =
                    outlineOf(charts_[chart], oriented_[chart], &cut.halves[h], cut.outlines[h]);
            }
            found = memory_.cuts.emplace(key, std::move(cut)).first;
        }
        const Cut& cut = found->second;
        if (!cut.made) {
            return false;
        }
        --splitsLeft_;
        for (int h = 0; h < 2; ++h) {
            Raster raster;
            rasterise(charts_[chart], oriented_[chart], &cut.halves[h],
                      cut.usable[h] ? &cut.outlines[h] : nullptr, cut.offsets[h], scale_,
                      memory_.scratch[0], raster);
            Placement placement;
            if (place(raster, placement)) {
                placed_.push_back(
                    {chart, cut.halves[h], cut.offsets[h], raster.cols, raster.rows, placement});
            } else if (!splitAndPlace(chart, cut.halves[h], depth + 1, 2 * path + h)) {
                return false;
            }
        }
        return true;
    }

    const std::vector<PackInput>& charts_;
    const std::vector<std::vector<Vec2d>>& oriented_;
    const Outlines& outlines_;
    TrialMemory& memory_;
    double scale_;
    int width_;
    int height_;
    int gutter_;
    std::optional<FreeSpace> space_;
    long long totalTexels_ = 0;
    long long placedTexels_ = 0;
    int top_ = 0;
    int splitsLeft_;
    SideBySide* side_;
    bool ahead_;
    bool stopped_ = false;
    std::vector<PlacedPiece> placed_;
};

// What a trial packing tells the scale search besides whether everything fitted.
struct TrialOutcome {
    bool fits = false;
    double placedShare = 0.0; // share of the charts' texels placed before a failure
    int top = 0;              // top row of the packing, when it fits
};

// A cut adds a chart and its gutter: the fitting trial kept is the one of the largest scale less
// this share times the cuts per chart, so that charts are not cut for a gain too small to see (a
// lone disc cut in two for a scale 0.04 % larger), while among trials that cut about as much the
// largest scale still wins.
constexpr double kCutPenalty = 1e-3;

// A trial packing's outcome and, when it fits, its placement.
struct TrialResult {
    double scale = 0.0;
    bool stopped = false; // stopped before the end: to be dropped
    TrialOutcome outcome;
    std::vector<PlacedPiece> placed;
};

// Trial packings for the scale search. Keeps the fitting trial of the largest scale (less the
// cut penalty) among those it is handed, and the memory that one trial leaves to the next.
// Trials whose scales are known beforehand may be packed at once, each on its share of the
// threads with memory of its own: a trial does not depend on what was packed before it (the
// memory only spares work), and they are kept in the order given, so the outcome is the same
// as packing them one after the other.
class Trials {
  public:
    Trials(const std::vector<PackInput>& charts, const std::vector<std::vector<Vec2d>>& oriented,
           const Outlines& outlines, int width, int height, int gutter, int threads)
        : charts_(charts), oriented_(oriented), outlines_(outlines), width_(width), height_(height),
          gutter_(gutter), threads_(threads), memory_(2) {}

    // Packs at each scale and keeps what fits, in order.
    std::vector<TrialOutcome> run(const std::vector<double>& scales) {
        const int count = static_cast<int>(scales.size());
        std::vector<TrialResult> results(count);
        const int lines = std::clamp(threads_, 1, std::max(1, count));
        const int inner = std::max(1, threads_ / lines);
        if (memory_.size() < static_cast<std::size_t>(count)) {
            memory_.resize(count);
        }
        parallelFor(count, lines, [&](int n, int) { results[n] = pack(scales[n], n, inner); });
        std::vector<TrialOutcome> outcomes;
        for (TrialResult& result : results) {
            keep(result);
            outcomes.push_back(result.outcome);
        }
        return outcomes;
    }

    // Packs one trial with the memory of line `line`, on `threads` threads, without keeping it:
    // accept() keeps it. Lines 0 and 1 may be packed at the same time, side by side (see
    // TrialPacking::run).
    TrialResult pack(double scale, int line, int threads, SideBySide* side = nullptr,
                     bool ahead = false, const std::function<void()>& rasterised = {}) {
        TrialPacking packing(charts_, oriented_, outlines_, memory_[line], scale, width_, height_,
                             gutter_, side, ahead);
        TrialResult result;
        result.scale = scale;
        result.outcome.fits = packing.run(threads, rasterised);
        result.stopped = packing.stopped();
        result.outcome.placedShare = packing.placedShare();
        result.outcome.top = packing.top();
        if (result.outcome.fits) {
            result.placed = std::move(packing.placed());
        }
        return result;
    }

    // Keeps a trial packed by pack() when it is the best so far; its outcome.
    TrialOutcome accept(TrialResult& result) {
        keep(result);
        return result.outcome;
    }

    double best() const { return best_; }
    std::vector<PlacedPiece>& placed() { return placed_; }

  private:
    void keep(TrialResult& result) {
        if (!result.outcome.fits) {
            return;
        }
        const auto cuts = static_cast<double>(result.placed.size() - charts_.size());
        const double worth =
            result.scale / (1.0 + kCutPenalty * cuts / static_cast<double>(charts_.size()));
        if (worth > bestWorth_) {
            bestWorth_ = worth;
            best_ = result.scale;
            placed_ = std::move(result.placed);
        }
    }

    const std::vector<PackInput>& charts_;
    const std::vector<std::vector<Vec2d>>& oriented_;
    const Outlines& outlines_;
    int width_;
    int height_;
    int gutter_;
    int threads_;
    std::vector<TrialMemory> memory_; // one per trial packed at once
    double best_ = 0.0;
    double bestWorth_ = 0.0;
    std::vector<PlacedPiece> placed_;
};

} // namespace

PackResult packCharts(const std::vector<PackInput>& charts, int width, int height, int gutter,
                      int threads) {
    PackResult result;
    if (charts.empty()) {
        return result;
    }
    std::vector<std::vector<Vec2d>> oriented(charts.size());
    parallelFor(static_cast<int>(charts.size()), threads,
                [&](int i, int) { oriented[i] = orientToMinimumRectangle(charts[i].points); });
    // Outlines do not depend on the scale: found once for all trials.
    Outlines outlines;
    outlines.edges.resize(charts.size());
    outlines.usable.resize(charts.size());
    parallelFor(static_cast<int>(charts.size()), threads, [&](int i, int) {
        outlines.usable[i] = outlineOf(charts[i], oriented[i], nullptr, outlines.edges[i]) ? 1 : 0;
    });
    // Per chart its area and the extents of its oriented box (length >= width).
    std::vector<double> areas(charts.size(), 0.0);
    std::vector<Vec2d> extents(charts.size());
    double area = 0.0;
    double extent = 0.0;
    for (std::size_t i = 0; i < charts.size(); ++i) {
        for (const auto& t : charts[i].triangles) {
            const Vec2d a = charts[i].points[t[0]];
            areas[i] +=
                0.5 * std::abs(cross(charts[i].points[t[1]] - a, charts[i].points[t[2]] - a));
        }
        area += areas[i];
        for (const Vec2d& p : oriented[i]) {
            extents[i] = {std::max(extents[i].x, p.x), std::max(extents[i].y, p.y)};
        }
        extent = std::max({extent, extents[i].x, extents[i].y});
    }
    // The scale at which the charts alone would cover the texture: nothing larger can fit.
    double high = area > 0.0 ? std::sqrt(static_cast<double>(width) * height / area)
                             : (extent > 0.0 ? width / extent : 1.0);
    if (extent > 0.0) {
        high = std::min(high, std::max(width, height) / extent);
    }
    // A chart that cannot be cut must fit between the borders in one of its orientations: its
    // box is at least extent * scale + 0.5 texels on each side (toRaster).
    const double freeW = width - 2.0 * gutter - 0.5;
    const double freeH = height - 2.0 * gutter - 0.5;
    for (std::size_t i = 0; i < charts.size(); ++i) {
        if (mayBeCut(charts[i]) || extents[i].x <= 0.0) {
            continue;
        }
        const double l = extents[i].x;
        const double w = std::max(extents[i].y, 1e-300);
        const double fit = std::max(std::min(freeW / l, freeH / w), std::min(freeH / l, freeW / w));
        if (fit > 0.0) {
            high = std::min(high, fit);
        }
    }
    // First estimate: the charts' boxes, each grown by a texel and the gutter and filled as the
    // chart fills its box, cover this share of the texture at the final scale (0.77 to 0.94 on
    // the benchmark meshes; more for many small charts, whose boxes tile well).
    constexpr double kFootprintShare = 0.85;
    auto footprint = [&](double scale) {
        double sum = 0.0;
        for (std::size_t i = 0; i < charts.size(); ++i) {
            const double box = extents[i].x * extents[i].y;
            const double fill = box > 0.0 ? std::min(1.0, areas[i] / box) : 1.0;
            sum += fill * (extents[i].x * scale + 1.0 + gutter) *
                   (extents[i].y * scale + 1.0 + gutter);
        }
        return sum;
    };
    const double target = kFootprintShare * width * height;
    double estimateLow = 0.0;
    double estimateHigh = high;
    for (int step = 0; step < 50; ++step) {
        const double mid = 0.5 * (estimateLow + estimateHigh);
        (footprint(mid) < target ? estimateLow : estimateHigh) = mid;
    }
    const double bound = high;
    const double smallest = extent > 0.0 ? 0.5 / extent : 0.0;
    double trial = std::max(std::min(estimateLow, high * (1.0 - 0.5 * kScaleTolerance)), smallest);
    Trials trials(charts, oriented, outlines, width, height, gutter, threads);
    // The search keeps the largest fitting scale `low` and a failing scale (or bound) `high`,
    // until they are within 0.2 % of each other. While nothing fits, the next trial steps down
    // by the share of texels that found no room; while nothing failed, it steps up by the free
    // rows above the packing (its height grows about with the square of the scale); then it
    // bisects. Packing is not strictly monotone in scale, so the best fitting trial is kept
    // rather than the last one.
    struct Search {
        double low = 0.0;
        double high = 0.0;
        bool failed = false;
        double growth = 1.01;
    };
    Search search;
    search.high = high;
    // Applies a trial's outcome; the next trial's scale, or nothing when the search is done.
    // `known` is false for a guessed outcome, whose share and top are unknown: nothing is
    // returned then when the next scale would depend on them, and nothing is thrown.
    auto advance = [&](Search& state, double scale, const TrialOutcome& outcome,
                       bool known) -> std::optional<double> {
        if (outcome.fits) {
            if (!known && !state.failed) {
                return std::nullopt;
            }
            state.low = scale;
        } else {
            if (!known && state.low == 0.0) {
                return std::nullopt;
            }
            state.high = scale;
            state.failed = true;
            if (known && scale <= smallest) {
                throw Error(ErrorNumber::HostAtlasFailed,
                            "Atlas generation: " + std::to_string(charts.size()) +
                                " charts do not fit in the texture; use a larger texture or a "
                                "larger stretch factor",
                            "brontle::atlas");
            }
        }
        if (state.low > 0.0 && state.high / state.low <= 1.0 + kScaleTolerance) {
            return std::nullopt;
        }
        if (state.low == 0.0) {
            const double step = std::clamp(std::sqrt(outcome.placedShare) * 0.99, 0.7, 0.98);
            return std::max(scale * step, smallest);
        }
        if (!state.failed) {
            // Up by the free rows' worth, at least 1 % and then twice as far each time.
            const double rows = std::max(1, outcome.top - gutter);
            const double free = std::sqrt((height - 2.0 * gutter) / rows) * 0.995;
            const double grow = std::clamp(free, state.growth, 1.2);
            state.growth = 1.0 + 2.0 * (state.growth - 1.0);
            return state.low * grow < state.high ? state.low * grow
                                                 : std::sqrt(state.low * state.high);
        }
        return std::sqrt(state.low * state.high);
    };
    // With two threads or more, the trial that follows the current one is packed beside it,
    // on a guess of the current one's outcome (the opposite of the last one's: bisection
    // mostly alternates): it is used when the search turns out to want that scale, and
    // cancelled otherwise. The trials, their order and the packing kept are those of a search
    // one trial at a time; only the time changes (the benchmark meshes, searched to 0.1 %: 144
    // trials in 99 rounds instead of 144, the guess right in 45 of 69).
    // That pays only while both threads find a free core: on a machine busy with other work
    // the second thread would take CPU time from it and from the first thread for no gain. Each
    // thread of such a round watches its share of a core; once either has run less than
    // kBusyShare of the time, the trial packed ahead stops and the search packs one trial at a
    // time from then on.
    bool ahead = threads >= 2;
    const int inner = std::max(1, threads / 2);
    bool lastFits = false;
    std::optional<double> next = trial;
    while (next) {
        trial = *next;
        std::optional<double> guessed;
        if (ahead) {
            for (const bool guess : {!lastFits, lastFits}) {
                Search copy = search;
                TrialOutcome assumed;
                assumed.fits = guess;
                guessed = advance(copy, trial, assumed, false);
                if (guessed) {
                    break;
                }
            }
        }
        SideBySide side;
        TrialResult aside;
        std::exception_ptr asideError;
        std::thread worker;
        // The trial ahead starts once the current one has rasterised its charts on all threads
        // and places them on one.
        auto startAside = [&] {
            worker = std::thread([&, scale = *guessed] {
                try {
                    aside = trials.pack(scale, 1, inner, &side, true);
                } catch (...) {
                    asideError = std::current_exception();
                }
            });
        };
        // Whatever this round throws (the error that nothing fits among them), the trial
        // packed ahead is stopped first.
        struct StopAside {
            std::thread& worker;
            SideBySide& side;
            ~StopAside() {
                if (worker.joinable()) {
                    side.stop.store(true);
                    worker.join();
                }
            }
        } stopAside{worker, side};
        TrialResult own = guessed ? trials.pack(trial, 0, threads, &side, false, startAside)
                                  : trials.pack(trial, 0, threads);
        TrialOutcome outcome = trials.accept(own);
        lastFits = outcome.fits;
        next = advance(search, trial, outcome, true);
        if (worker.joinable()) {
            const bool wanted = next && *next == *guessed;
            if (!wanted) {
                side.stop.store(true);
            }
            worker.join();
            if (side.busy.load()) {
                ahead = false;
            }
            if (wanted && asideError) {
                std::rethrow_exception(asideError);
            }
            if (wanted && !aside.stopped) {
                trial = *guessed;
                outcome = trials.accept(aside);
                lastFits = outcome.fits;
                next = advance(search, trial, outcome, true);
            }
        }
    }
    double low = search.low;
    high = search.high;
    const bool failed = search.failed;
    // Packing is not monotone in the scale: just above the first failure a packing often fits
    // again. Two more trials there, kept when they fit (none when no trial failed: then the
    // search ended at the bound, which nothing exceeds). Their scales do not depend on each
    // other, so they are packed at once when there are threads for both.
    std::vector<double> probes;
    for (const double above : {1.0 + 2.0 * kScaleTolerance, 1.0 + 4.0 * kScaleTolerance}) {
        const double probe = std::min(high * above, bound);
        if (!failed || probe <= low || (!probes.empty() && probe == probes.back())) {
            continue;
        }
        probes.push_back(probe);
    }
    if (!probes.empty()) {
        trials.run(probes);
    }
    low = trials.best();
    std::vector<PlacedPiece>& placed = trials.placed();
    result.scale = low;
    // Pieces in chart order; the pieces of one chart in the order they were cut.
    std::stable_sort(placed.begin(), placed.end(),
                     [](const PlacedPiece& a, const PlacedPiece& b) { return a.chart < b.chart; });
    result.pieces.resize(placed.size());
    for (std::size_t n = 0; n < placed.size(); ++n) {
        const PlacedPiece& piece = placed[n];
        PackedPiece& out = result.pieces[n];
        out.chart = piece.chart;
        out.triangles = piece.triangles;
        const std::vector<Vec2d>& points = oriented[piece.chart];
        out.positions.resize(points.size());
        for (std::size_t k = 0; k < points.size(); ++k) {
            const Vec2d q = rotatePoint(toRaster(points[k] - piece.offset, low),
                                        piece.placement.rotation, piece.cols, piece.rows);
            out.positions[k] = {q.x + piece.placement.x, q.y + piece.placement.y};
        }
    }
    return result;
}

} // namespace brontle::atlas
