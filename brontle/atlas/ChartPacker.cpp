#include "brontle/atlas/ChartPacker.h"

#include "brontle/atlas/FreeSpace.h"
#include "brontle/atlas/MinimumRectangle.h"
#include "brontle/atlas/ParallelFor.h"
#include "brontle/model/Error.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

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
    for (Vec2d& p : out)
        p = p - Vec2d{minX, minY};
    return out;
}

// A chart rasterised at one scale: conservative coverage (every texel its triangles touch), as
// runs per row for each of the four rotations by 90 degrees counter-clockwise.
struct Raster {
    int cols = 0;
    int rows = 0;
    std::vector<std::uint8_t> cells; // rows x cols, row-major, y upwards
    std::array<MaskRuns, 4> masks;
    // Per rotation, the mean height of the covered texels above the mask's bottom edge.
    std::array<double, 4> centroidRow{};
    long long texels = 0;
};

void coverTriangle(const Vec2d (&t)[3], Raster& r) {
    // Closed texel squares: a point on a grid line touches the texels on both sides, so the
    // bounds are widened by a hair before rounding down.
    constexpr double kHair = 1e-7;
    const double minY = std::min({t[0].y, t[1].y, t[2].y});
    const double maxY = std::max({t[0].y, t[1].y, t[2].y});
    const int row0 = std::max(0, static_cast<int>(std::floor(minY - kHair)));
    const int row1 = std::min(r.rows - 1, static_cast<int>(std::floor(maxY + kHair)));
    for (int row = row0; row <= row1; ++row) {
        // The triangle clipped to the band row <= y <= row + 1 is convex, so its x extent is
        // the extent of its edges clipped to the band.
        double lo = std::numeric_limits<double>::infinity();
        double hi = -lo;
        for (int e = 0; e < 3; ++e) {
            Vec2d p = t[e];
            Vec2d q = t[(e + 1) % 3];
            if (p.y > q.y)
                std::swap(p, q);
            const double y0 = std::max(p.y, row - kHair);
            const double y1 = std::min(q.y, row + 1 + kHair);
            if (y0 > y1)
                continue;
            const double dy = q.y - p.y;
            const double x0 = dy > 0.0 ? p.x + (q.x - p.x) * (y0 - p.y) / dy : p.x;
            const double x1 = dy > 0.0 ? p.x + (q.x - p.x) * (y1 - p.y) / dy : q.x;
            lo = std::min({lo, x0, x1});
            hi = std::max({hi, x0, x1});
        }
        if (lo > hi)
            continue;
        const int c0 = std::max(0, static_cast<int>(std::floor(lo - kHair)));
        const int c1 = std::min(r.cols - 1, static_cast<int>(std::floor(hi + kHair)));
        std::fill(r.cells.begin() + static_cast<std::ptrdiff_t>(row) * r.cols + c0,
                  r.cells.begin() + static_cast<std::ptrdiff_t>(row) * r.cols + c1 + 1, 1);
    }
}

// Chart points in raster units: scaled, and moved half a texel in from the raster's lower-left
// corner so that every point lies strictly inside the raster box. Then a rotation of the box
// by 90 degrees never puts a point on the box's far edge, outside the rotated raster.
Vec2d toRaster(Vec2d p, double scale) {
    return {p.x * scale + 0.5, p.y * scale + 0.5};
}

// Rasterises the chart's triangles listed in `subset` (all of them when it is null), with the
// oriented points moved by -offset, so that a piece of a split chart gets a box of its own.
void rasterise(const PackInput& chart, const std::vector<Vec2d>& oriented,
               const std::vector<std::int32_t>* subset, Vec2d offset, double scale, Raster& r) {
    double maxX = 0.0, maxY = 0.0;
    auto extend = [&](int k) {
        const Vec2d q = toRaster(oriented[k] - offset, scale);
        maxX = std::max(maxX, q.x);
        maxY = std::max(maxY, q.y);
    };
    if (subset == nullptr) {
        for (std::size_t k = 0; k < oriented.size(); ++k)
            extend(static_cast<int>(k));
    } else {
        for (const std::int32_t t : *subset)
            for (const int k : chart.triangles[t])
                extend(k);
    }
    r.cols = static_cast<int>(std::floor(maxX)) + 1;
    r.rows = static_cast<int>(std::floor(maxY)) + 1;
    r.cells.assign(static_cast<std::size_t>(r.cols) * r.rows, 0);
    auto cover = [&](const std::array<int, 3>& tri) {
        const Vec2d t[3] = {toRaster(oriented[tri[0]] - offset, scale),
                            toRaster(oriented[tri[1]] - offset, scale),
                            toRaster(oriented[tri[2]] - offset, scale)};
        coverTriangle(t, r);
    };
    if (subset == nullptr) {
        for (const auto& tri : chart.triangles)
            cover(tri);
    } else {
        for (const std::int32_t t : *subset)
            cover(chart.triangles[t]);
    }
    if (chart.triangles.empty())
        r.cells[0] = 1;
    r.texels = std::count(r.cells.begin(), r.cells.end(), std::uint8_t{1});
    // Cell (x, y) of the unrotated raster goes to rotation 1 at (rows - 1 - y, x), rotation 2 at
    // (cols - 1 - x, rows - 1 - y), rotation 3 at (y, cols - 1 - x); rotatePoint agrees.
    r.masks[0] = maskRuns(r.cells, r.rows, r.cols);
    std::vector<std::uint8_t> turned(r.cells.size());
    for (int rotation = 1; rotation < 4; ++rotation) {
        const bool odd = rotation % 2 == 1;
        const int cols = odd ? r.rows : r.cols;
        const int rows = odd ? r.cols : r.rows;
        for (int y = 0; y < r.rows; ++y) {
            for (int x = 0; x < r.cols; ++x) {
                int tx = x, ty = y;
                if (rotation == 1) {
                    tx = r.rows - 1 - y;
                    ty = x;
                } else if (rotation == 2) {
                    tx = r.cols - 1 - x;
                    ty = r.rows - 1 - y;
                } else {
                    tx = y;
                    ty = r.cols - 1 - x;
                }
                turned[static_cast<std::size_t>(ty) * cols + tx] =
                    r.cells[static_cast<std::size_t>(y) * r.cols + x];
            }
        }
        r.masks[rotation] = maskRuns(turned, rows, cols);
    }
    for (int rotation = 0; rotation < 4; ++rotation) {
        const MaskRuns& m = r.masks[rotation];
        double sum = 0.0;
        long long count = 0;
        for (int row = 0; row < m.rows; ++row) {
            for (int k = m.rowStart[row]; k < m.rowStart[row + 1]; ++k) {
                const int length = m.runs[k].second - m.runs[k].first;
                sum += (row + 0.5) * length;
                count += length;
            }
        }
        r.centroidRow[rotation] = count > 0 ? sum / static_cast<double>(count) : 0.0;
    }
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
// packing failed (or of the largest scale the chart area allows).
constexpr double kScaleTolerance = 1e-3;

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
// adds one chart, so the cuts per packing are limited to a share of the chart count, a piece
// keeps at least kMinPieceGroups whole polygons (small charts, like the faces of a box, stay
// whole), and pieces keep the chart's flattening, so stretch is unchanged. On the benchmark
// meshes a budget of 8 + n/8 cuts gave a mean utilisation of 0.742, 24 + n/4 gives 0.756 (a
// torus of 27 first charts ends with 56); more cuts gained little.
constexpr int kMinPieceGroups = 4;
constexpr int kMaxSplitDepth = 4;
int splitBudget(std::size_t charts) {
    return 24 + static_cast<int>(charts / 4);
}

// Cuts the piece across the longer side of its box where half of its area lies on either side,
// keeping every group (polygon) whole. False when it has too few groups to give two pieces.
bool cutInTwo(const PackInput& chart, const std::vector<Vec2d>& oriented,
              const std::vector<std::int32_t>& triangles, std::vector<std::int32_t>& first,
              std::vector<std::int32_t>& second) {
    struct Group {
        std::int32_t id;
        std::size_t begin; // into `triangles`; a group's triangles are consecutive
        std::size_t end;
        double area;
        double position; // area-weighted centre along the cut axis
    };
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const std::int32_t t : triangles) {
        for (const int k : chart.triangles[t]) {
            minX = std::min(minX, oriented[k].x);
            maxX = std::max(maxX, oriented[k].x);
            minY = std::min(minY, oriented[k].y);
            maxY = std::max(maxY, oriented[k].y);
        }
    }
    const bool alongX = maxX - minX >= maxY - minY;
    std::vector<Group> groups;
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        const std::int32_t id = chart.triangleGroup[triangles[i]];
        if (groups.empty() || groups.back().id != id)
            groups.push_back({id, i, i, 0.0, 0.0});
        Group& g = groups.back();
        g.end = i + 1;
        const auto& tri = chart.triangles[triangles[i]];
        const Vec2d a = oriented[tri[0]], b = oriented[tri[1]], c = oriented[tri[2]];
        // Weight 1e-12 keeps polygons without area ordered by their position too.
        const double area = 0.5 * std::abs(cross(b - a, c - a)) + 1e-12;
        const Vec2d centre = (a + b + c) * (1.0 / 3.0);
        g.area += area;
        g.position += area * (alongX ? centre.x : centre.y);
    }
    if (groups.size() < 2 * static_cast<std::size_t>(kMinPieceGroups))
        return false;
    double total = 0.0;
    for (Group& g : groups) {
        g.position /= g.area;
        total += g.area;
    }
    std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
        return a.position != b.position ? a.position < b.position : a.id < b.id;
    });
    std::size_t cut = 0;
    for (double below = 0.0; cut < groups.size() && below < 0.5 * total; ++cut)
        below += groups[cut].area;
    cut = std::clamp<std::size_t>(cut, kMinPieceGroups, groups.size() - kMinPieceGroups);
    first.clear();
    second.clear();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        auto& out = g < cut ? first : second;
        for (std::size_t i = groups[g].begin; i < groups[g].end; ++i)
            out.push_back(triangles[i]);
    }
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    return true;
}

// One packing of all charts at one scale.
class TrialPacking {
  public:
    TrialPacking(const std::vector<PackInput>& charts,
                 const std::vector<std::vector<Vec2d>>& oriented, double scale, int width,
                 int height, int gutter)
        : charts_(charts), oriented_(oriented), scale_(scale), width_(width), height_(height),
          gutter_(gutter), space_(width, height, gutter), splitsLeft_(splitBudget(charts.size())) {}

    // True when every chart (whole or in pieces) found room; `placed()` then lists them.
    bool run(int threads) {
        std::vector<Raster> rasters(charts_.size());
        parallelFor(static_cast<int>(charts_.size()), threads, [&](int i, int) {
            rasterise(charts_[i], oriented_[i], nullptr, {}, scale_, rasters[i]);
        });
        // Largest charts first: they shape the layout, small ones fill the holes between them.
        std::vector<int> order(charts_.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return rasters[a].texels > rasters[b].texels; });
        for (const int i : order) {
            Placement placement;
            if (place(rasters[i], placement)) {
                placed_.push_back({i, {}, {}, rasters[i].cols, rasters[i].rows, placement});
                continue;
            }
            if (charts_[i].triangleGroup.empty())
                return false;
            std::vector<std::int32_t> all(charts_[i].triangles.size());
            std::iota(all.begin(), all.end(), 0);
            if (!splitAndPlace(i, all, 1))
                return false;
        }
        return true;
    }

    std::vector<PlacedPiece>& placed() { return placed_; }

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
        for (int rotation = 0; rotation < 4; ++rotation) {
            const MaskRuns& mask = raster.masks[rotation];
            const double lift = raster.centroidRow[rotation];
            // Only spots whose centroid is no higher than the best so far can win.
            const int maxY = found ? static_cast<int>(std::floor(bestCentroid - lift)) : height_;
            int x = 0, y = 0;
            if (!space_.findLowest(mask, maxY, x, y))
                continue;
            const double centroid = y + lift;
            if (!found || centroid < bestCentroid || (centroid == bestCentroid && x < bestX)) {
                found = true;
                bestCentroid = centroid;
                bestX = x;
                out = {x, y, rotation};
            }
        }
        if (found)
            space_.occupy(raster.masks[out.rotation], out.x, out.y, gutter_);
        return found;
    }

    bool splitAndPlace(int chart, const std::vector<std::int32_t>& triangles, int depth) {
        std::vector<std::int32_t> halves[2];
        if (depth > kMaxSplitDepth || splitsLeft_ == 0 ||
            !cutInTwo(charts_[chart], oriented_[chart], triangles, halves[0], halves[1]))
            return false;
        --splitsLeft_;
        for (auto& half : halves) {
            Vec2d offset{1e300, 1e300};
            for (const std::int32_t t : half) {
                for (const int k : charts_[chart].triangles[t]) {
                    offset.x = std::min(offset.x, oriented_[chart][k].x);
                    offset.y = std::min(offset.y, oriented_[chart][k].y);
                }
            }
            Raster raster;
            rasterise(charts_[chart], oriented_[chart], &half, offset, scale_, raster);
            Placement placement;
            if (place(raster, placement))
                placed_.push_back(
                    {chart, std::move(half), offset, raster.cols, raster.rows, placement});
            else if (!splitAndPlace(chart, half, depth + 1))
                return false;
        }
        return true;
    }

    const std::vector<PackInput>& charts_;
    const std::vector<std::vector<Vec2d>>& oriented_;
    double scale_;
    int width_;
    int height_;
    int gutter_;
    FreeSpace space_;
    int splitsLeft_;
    std::vector<PlacedPiece> placed_;
};

bool tryPack(const std::vector<PackInput>& charts, const std::vector<std::vector<Vec2d>>& oriented,
             double scale, int width, int height, int gutter, int threads,
             std::vector<PlacedPiece>& placed) {
    TrialPacking packing(charts, oriented, scale, width, height, gutter);
    if (!packing.run(threads))
        return false;
    placed = std::move(packing.placed());
    return true;
}

} // namespace

PackResult packCharts(const std::vector<PackInput>& charts, int width, int height, int gutter,
                      int threads) {
    PackResult result;
    if (charts.empty())
        return result;
    std::vector<std::vector<Vec2d>> oriented(charts.size());
    parallelFor(static_cast<int>(charts.size()), threads,
                [&](int i, int) { oriented[i] = orientToMinimumRectangle(charts[i].points); });
    double area = 0.0;
    double extent = 0.0;
    for (std::size_t i = 0; i < charts.size(); ++i) {
        for (const auto& t : charts[i].triangles) {
            const Vec2d a = charts[i].points[t[0]];
            area += 0.5 * std::abs(cross(charts[i].points[t[1]] - a, charts[i].points[t[2]] - a));
        }
        for (const Vec2d& p : oriented[i])
            extent = std::max({extent, p.x, p.y});
    }
    // The scale at which the charts alone would cover the texture: nothing larger can fit.
    double high = area > 0.0 ? std::sqrt(static_cast<double>(width) * height / area)
                             : (extent > 0.0 ? width / extent : 1.0);
    if (extent > 0.0)
        high = std::min(high, std::max(width, height) / extent);
    std::vector<PlacedPiece> placed;
    double low = 0.0;
    // Find a scale that fits by halving, down to the scale at which every chart is one texel.
    // Charts rarely cover more than about 80 % of the texture, so the first trial starts there.
    double trial = high * std::sqrt(0.8);
    const double smallest = extent > 0.0 ? 0.5 / extent : 0.0;
    for (int failures = 0;; ++failures) {
        if (tryPack(charts, oriented, trial, width, height, gutter, threads, placed)) {
            low = trial;
            break;
        }
        high = trial;
        if (trial <= smallest)
            throw Error(ErrorNumber::HostAtlasFailed,
                        "Atlas generation: " + std::to_string(charts.size()) +
                            " charts do not fit in the texture; use a larger texture or a "
                            "larger stretch factor",
                        "brontle::atlas");
        // Small steps first, because a packing usually fits a little below the first trial and
        // every step saved there is a bisection step saved; larger ones when it is far off.
        trial = std::max(trial * (failures < 4 ? 0.9 : 0.7), smallest);
    }
    // Bisection on the scale (geometric midpoints) until the fitting and the failing scale are
    // within 0.1 % of each other: from the 0.9 or 0.7 steps above that is seven to nine more
    // packings. Packing is not strictly monotone in scale, so the best fitting trial is kept
    // rather than the last one.
    while (high / low > 1.0 + kScaleTolerance) {
        const double mid = std::sqrt(low * high);
        if (tryPack(charts, oriented, mid, width, height, gutter, threads, placed)) {
            low = mid;
        } else {
            high = mid;
        }
    }
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
