// The packer on hand-made charts: the occupancy bitmap finds holes under overhangs and honours
// the gutter exactly, and a small chart lands in the free bend of a large L-shaped one.

#include "brontle/atlas/ChartPacker.h"
#include "AtlasTestMeshes.h"
#include "brontle/atlas/FreeSpace.h"
#include "brontle/core/Error.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace brontle::atlas::testing {
namespace {

// A rows x cols mask from a predicate on (column, row).
template <class Covered> MaskRuns maskOf(int cols, int rows, Covered covered) {
    std::vector<std::uint8_t> cells(static_cast<std::size_t>(rows) * cols, 0);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < cols; ++x) {
            cells[static_cast<std::size_t>(y) * cols + x] = covered(x, y) ? 1 : 0;
        }
    }
    return maskRuns(cells, rows, cols);
}

TEST(FreeSpace, MaskRunsListEveryRunOfEveryRow) {
    // Row 0: ##.#   Row 1: ....   Row 2: .##.
    const std::vector<std::uint8_t> cells = {1, 1, 0, 1, 0, 0, 0, 0, 0, 1, 1, 0};
    const MaskRuns m = maskRuns(cells, 3, 4);
    EXPECT_EQ(m.rowStart, (std::vector<int>{0, 2, 2, 3}));
    EXPECT_EQ(m.runs, (std::vector<std::pair<int, int>>{{0, 2}, {3, 4}, {1, 3}}));
    EXPECT_EQ(m.widest, (std::vector<int>{2, 0, 2}));
}

TEST(FreeSpace, BorderIsTakenAndTheFirstSpotIsInsideIt) {
    FreeSpace space(20, 10, 2);
    EXPECT_TRUE(space.taken(1, 5));
    EXPECT_TRUE(space.taken(18, 5));
    EXPECT_TRUE(space.taken(5, 8));
    EXPECT_FALSE(space.taken(2, 2));
    EXPECT_FALSE(space.taken(17, 7));
    const MaskRuns square = maskOf(3, 3, [](int, int) { return true; });
    int x = -1, y = -1;
    ASSERT_TRUE(space.findLowest(square, 100, x, y));
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 2);
    // 16 x 6 free texels: a 17 wide or 7 tall mask has nowhere to go.
    EXPECT_FALSE(space.findLowest(maskOf(17, 1, [](int, int) { return true; }), 100, x, y));
    EXPECT_FALSE(space.findLowest(maskOf(1, 7, [](int, int) { return true; }), 100, x, y));
    EXPECT_TRUE(space.findLowest(maskOf(16, 6, [](int, int) { return true; }), 100, x, y));
}

TEST(FreeSpace, DilationTakesExactlyTheGutter) {
    FreeSpace space(30, 30, 0);
    const MaskRuns dot = maskOf(1, 1, [](int, int) { return true; });
    space.occupy(dot, 10, 10, 2);
    for (int y = 5; y <= 15; ++y) {
        for (int x = 5; x <= 15; ++x) {
            const int chebyshev = std::max(std::abs(x - 10), std::abs(y - 10));
            EXPECT_EQ(space.taken(x, y), chebyshev <= 2) << x << ", " << y;
        }
    }
}

TEST(FreeSpace, SmallMaskGoesIntoTheHoleUnderAnOverhang) {
    // A chart shaped like the letter r upside down: a leg on the left, a bar along its top
    // reaching right. Under the bar, right of the leg, is a hole open only to the right.
    FreeSpace space(40, 40, 0);
    const MaskRuns overhang = maskOf(30, 20, [](int x, int y) { return x < 5 || y >= 15; });
    space.occupy(overhang, 0, 0, 2);
    const MaskRuns square = maskOf(6, 6, [](int, int) { return true; });
    int x = -1, y = -1;
    ASSERT_TRUE(space.findLowest(square, 100, x, y));
    // Lowest, then leftmost: on the floor, just past the leg's gutter.
    EXPECT_EQ(y, 0);
    EXPECT_EQ(x, 7);
    // The hole is 13 texels tall (rows 0..12): a 14 tall mask must go elsewhere, namely right
    // of the bar's gutter (columns 32..39), still on the floor.
    const MaskRuns tall = maskOf(6, 14, [](int, int) { return true; });
    ASSERT_TRUE(space.findLowest(tall, 100, x, y));
    EXPECT_EQ(y, 0);
    EXPECT_EQ(x, 32);
    // With the search capped below any free spot, nothing is found.
    EXPECT_FALSE(space.findLowest(maskOf(9, 1, [](int, int) { return true; }), -1, x, y));
}

TEST(FreeSpace, MaskWithAGapFitsAroundATakenTexel) {
    FreeSpace space(10, 3, 0);
    space.occupy(maskOf(1, 1, [](int, int) { return true; }), 4, 0, 0);
    // Row 0 of the mask is "#.#": its gap can straddle the taken texel at column 4.
    const MaskRuns fork = maskOf(3, 2, [](int x, int y) { return y == 1 || x != 1; });
    int x = -1, y = -1;
    ASSERT_TRUE(space.findLowest(fork, 0, x, y));
    EXPECT_EQ(y, 0);
    EXPECT_EQ(x, 0);
    space.occupy(fork, 0, 0, 0);
    // Next free spot on row 0 for the same mask: columns 3..5 straddle 4 again.
    ASSERT_TRUE(space.findLowest(fork, 0, x, y));
    EXPECT_EQ(x, 3);
}

TEST(FreeSpace, LowestSpotAgreesWithABruteForceSearch) {
    // Random blobs dropped at random spots, then random masks searched for: the run tables must
    // give exactly the spot a texel-by-texel scan over every offset finds.
    std::mt19937 random(11);
    auto blob = [&](int cols, int rows) {
        return maskOf(cols, rows, [&](int, int) { return random() % 4 != 0; });
    };
    FreeSpace space(48, 40, 1);
    for (int step = 0; step < 30; ++step) {
        const MaskRuns placed = blob(1 + random() % 7, 1 + random() % 7);
        space.occupy(placed, random() % (48 - placed.cols), random() % (40 - placed.rows),
                     random() % 3);
        const MaskRuns probe = blob(1 + random() % 6, 1 + random() % 6);
        int expectX = -1, expectY = -1;
        for (int y = 0; y + probe.rows <= 40 && expectY < 0; ++y) {
            for (int x = 0; x + probe.cols <= 48 && expectX < 0; ++x) {
                bool fits = true;
                for (int r = 0; r < probe.rows && fits; ++r) {
                    for (int k = probe.rowStart[r]; k < probe.rowStart[r + 1] && fits; ++k) {
                        for (int c = probe.runs[k].first; c < probe.runs[k].second; ++c) {
                            fits = fits && !space.taken(x + c, y + r);
                        }
                    }
                }
                if (fits) {
                    expectX = x;
                    expectY = y;
                }
            }
        }
        int x = -1, y = -1;
        const bool found = space.findLowest(probe, 1000, x, y);
        EXPECT_EQ(found, expectY >= 0) << "step " << step;
        if (found) {
            EXPECT_EQ(x, expectX) << "step " << step;
            EXPECT_EQ(y, expectY) << "step " << step;
        }
    }
}

// The lowest, then leftmost, offset at which no texel of the mask is taken, by testing every
// texel at every offset; false when there is none.
bool lowestByScan(const FreeSpace& space, const MaskRuns& mask, int& outX, int& outY) {
    for (int y = 0; y + mask.rows <= space.height(); ++y) {
        for (int x = 0; x + mask.cols <= space.width(); ++x) {
            bool fits = true;
            for (int r = 0; r < mask.rows && fits; ++r) {
                for (int k = mask.rowStart[r]; k < mask.rowStart[r + 1] && fits; ++k) {
                    for (int c = mask.runs[k].first; c < mask.runs[k].second && fits; ++c) {
                        fits = !space.taken(x + c, y + r);
                    }
                }
            }
            if (fits) {
                outX = x;
                outY = y;
                return true;
            }
        }
    }
    return false;
}

TEST(FreeSpace, WideMasksFindTheLowestSpotAsTheRowsFillUp) {
    // A bitmap several words wide fills with bars and blobs, so that rows keep one long free
    // run beside short ones, and runs that were long get cut later; masks with wide rows (some
    // with gaps) are searched for after every step and must land where a texel-by-texel scan
    // over every offset says, or find nothing when the scan finds nothing.
    std::mt19937 random(5);
    FreeSpace space(260, 40, 1);
    int found = 0;
    int missing = 0;
    for (int step = 0; step < 200; ++step) {
        const int barCols = 1 + static_cast<int>(random() % 90);
        const int barRows = 1 + static_cast<int>(random() % 3);
        const MaskRuns bar = maskOf(barCols, barRows, [](int, int) { return true; });
        space.occupy(bar, static_cast<int>(random() % (260 - barCols)),
                     static_cast<int>(random() % (40 - barRows)), static_cast<int>(random() % 2));
        for (int probeIndex = 0; probeIndex < 3; ++probeIndex) {
            const int cols = 1 + static_cast<int>(random() % 80);
            const int rows = 1 + static_cast<int>(random() % 5);
            const int gap = static_cast<int>(random() % cols);
            const bool withGap = random() % 2 == 0;
            const MaskRuns probe = maskOf(cols, rows, [&](int x, int y) {
                return !(withGap && x == gap && y % 2 == 0) && (y == 0 || random() % 8 != 0);
            });
            int expectX = -1, expectY = -1;
            const bool expected = lowestByScan(space, probe, expectX, expectY);
            int x = -1, y = -1;
            const bool result = space.findLowest(probe, 1000, x, y);
            EXPECT_EQ(result, expected) << "step " << step << " probe " << probeIndex;
            if (result && expected) {
                EXPECT_EQ(x, expectX) << "step " << step << " probe " << probeIndex;
                EXPECT_EQ(y, expectY) << "step " << step << " probe " << probeIndex;
            }
            (expected ? found : missing) += 1;
        }
    }
    // Both outcomes were exercised.
    EXPECT_GT(found, 100);
    EXPECT_GT(missing, 40);
}

// Point in polygon by counting crossings, and the distance from a point to a segment.
bool insidePolygon(const std::vector<Vec2d>& poly, Vec2d p) {
    bool inside = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
            p.x <
                poly[j].x + (poly[i].x - poly[j].x) * (p.y - poly[j].y) / (poly[i].y - poly[j].y)) {
            inside = !inside;
        }
    }
    return inside;
}

double distanceToSegment(Vec2d p, Vec2d a, Vec2d b) {
    const Vec2d ab = b - a;
    const double t = std::clamp(dot(p - a, ab) / dot(ab, ab), 0.0, 1.0);
    return length(p - (a + ab * t));
}

// The packed positions per chart, for charts the packer may not cut (no triangle groups).
std::vector<std::vector<Vec2d>> wholePositions(const PackResult& packed) {
    std::vector<std::vector<Vec2d>> out;
    for (const PackedPiece& piece : packed.pieces) {
        EXPECT_TRUE(piece.triangles.empty()) << "chart " << piece.chart << " was cut";
        EXPECT_EQ(piece.chart, static_cast<int>(out.size()));
        out.push_back(piece.positions);
    }
    return out;
}

TEST(ChartPacker, SmallChartFillsTheBendOfAnLShapedChart) {
    // An L of 10 x 10 with arms 3 wide (area 51), fanned from its inner corner, and a unit
    // square: the square must sit inside the L's bounding box, in the bend, not beside it.
    PackInput ell;
    ell.points = {{0, 0}, {10, 0}, {10, 3}, {3, 3}, {3, 10}, {0, 10}};
    ell.triangles = {{3, 0, 1}, {3, 1, 2}, {3, 4, 5}, {3, 5, 0}};
    PackInput square;
    square.points = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    square.triangles = {{0, 1, 2}, {0, 2, 3}};
    const int size = 64;
    const int gutter = 2;
    const PackResult packed = packCharts({ell, square}, size, size, gutter, 1);
    const std::vector<std::vector<Vec2d>> positions = wholePositions(packed);
    ASSERT_EQ(positions.size(), 2u);
    const std::vector<Vec2d>& l = positions[0];
    const std::vector<Vec2d>& s = positions[1];
    // The L fills most of the texture: its 10 units span nearly 60 texels.
    EXPECT_GT(packed.scale * 10.0, 50.0);
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (const Vec2d& p : l) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    Vec2d centre{0.0, 0.0};
    for (const Vec2d& p : s) {
        centre = centre + p * 0.25;
    }
    EXPECT_GT(centre.x, minX);
    EXPECT_LT(centre.x, maxX);
    EXPECT_GT(centre.y, minY);
    EXPECT_LT(centre.y, maxY);
    // Outside the L, and more than the gutter away from every edge of it.
    EXPECT_FALSE(insidePolygon(l, centre));
    for (const Vec2d& p : s) {
        EXPECT_FALSE(insidePolygon(l, p));
        for (std::size_t i = 0; i < l.size(); ++i) {
            EXPECT_GT(distanceToSegment(p, l[i], l[(i + 1) % l.size()]), gutter);
        }
        EXPECT_GE(p.x, gutter);
        EXPECT_GE(p.y, gutter);
        EXPECT_LE(p.x, size - gutter);
        EXPECT_LE(p.y, size - gutter);
    }
}

PackInput rectangleChart(double w, double h) {
    PackInput r;
    r.points = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    r.triangles = {{0, 1, 2}, {0, 2, 3}};
    return r;
}

TEST(ChartPacker, ScaleSearchEndsWithinATenthOfAPercentOfTheLargestFittingScale) {
    // A w x h rectangle at scale s covers floor(s * w + 0.5) + 1 texels across (its points sit
    // half a texel in from the raster's corner), and `gutter` texels stay free at the border and
    // between charts. Four unit squares in 256 x 256 with gutter 2 fit two by two while
    // 2 * (floor(s + 0.5) + 1) + 3 * 2 <= 256, i.e. for every s below 124.5 and none above.
    // A 3 x 1 rectangle in 200 x 100 is bound by its length: 3 * s + 0.5 < 196.
    struct Case {
        std::vector<PackInput> charts;
        int width, height;
        double largest;
    };
    const std::vector<Case> cases = {
        {{rectangleChart(1, 1), rectangleChart(1, 1), rectangleChart(1, 1), rectangleChart(1, 1)},
         256,
         256,
         124.5},
        {{rectangleChart(3, 1)}, 200, 100, 195.5 / 3.0},
    };
    for (const Case& c : cases) {
        const PackResult packed = packCharts(c.charts, c.width, c.height, 2, 1);
        EXPECT_LT(packed.scale, c.largest) << c.width << " x " << c.height;
        EXPECT_GT(packed.scale, c.largest * (1.0 - 1.5e-3)) << c.width << " x " << c.height;
        for (const auto& chart : wholePositions(packed)) {
            for (const Vec2d& p : chart) {
                EXPECT_GE(p.x, 2.0);
                EXPECT_GE(p.y, 2.0);
                EXPECT_LE(p.x, c.width - 2.0);
                EXPECT_LE(p.y, c.height - 2.0);
            }
        }
    }
}

// The largest scale at which n copies of a w x h rectangle fit as a grid, all in the same
// orientation, in a width x height texture with the gutter: at scale s a rectangle's raster is
// floor(s * w + 0.5) + 1 by floor(s * h + 0.5) + 1 texels (see the test above), and a grid of
// a x b of them needs a * (cols + gutter) + gutter texels across. Scanned in steps of 0.01 %.
double bestGridScale(int n, double w, double h, int width, int height, int gutter) {
    auto fits = [&](double s, double cw, double ch) {
        const long long cols = static_cast<long long>(std::floor(s * cw + 0.5)) + 1;
        const long long rows = static_cast<long long>(std::floor(s * ch + 0.5)) + 1;
        const long long across = (width - gutter) / (cols + gutter);
        const long long up = (height - gutter) / (rows + gutter);
        return across * up >= n;
    };
    double best = 0.0;
    for (double s = 0.5; s < std::max(width, height); s *= 1.0001) {
        if (fits(s, w, h) || fits(s, h, w)) {
            best = s;
        }
    }
    return best;
}

TEST(ChartPacker, EqualRectanglesPackAtLeastAsTightlyAsTheirBestGrid) {
    // Equal charts are where a greedy packer's holes show most: a set of equal squares and one
    // of equal 2:1 rectangles must reach the scale of the best regular grid of them (within the
    // scale search's tolerance), i.e. the texture is filled as a grid would fill it.
    struct Case {
        int count;
        double w, h;
        int size;
    };
    for (const Case& c : {Case{36, 1.0, 1.0, 256}, Case{40, 2.0, 1.0, 256}, Case{50, 1.0, 1.0, 512},
                          Case{24, 3.0, 2.0, 300}}) {
        std::vector<PackInput> charts(c.count, rectangleChart(c.w, c.h));
        const PackResult packed = packCharts(charts, c.size, c.size, 2, 2);
        const double grid = bestGridScale(c.count, c.w, c.h, c.size, c.size, 2);
        EXPECT_GT(packed.scale, grid * (1.0 - 1.5e-3)) << c.count << " of " << c.w << " x " << c.h;
        const double utilisation =
            c.count * c.w * c.h * packed.scale * packed.scale / (double(c.size) * c.size);
        EXPECT_GT(utilisation, c.count * c.w * c.h * grid * grid / (double(c.size) * c.size) * 0.99)
            << c.count << " of " << c.w << " x " << c.h;
    }
}

// An irregular chart: a fan of `spokes` triangles around the origin with random radii.
PackInput starChart(std::mt19937& random, int spokes, double radius) {
    PackInput star;
    star.points.push_back({0.0, 0.0});
    for (int k = 0; k < spokes; ++k) {
        const double angle = 2.0 * std::numbers::pi * k / spokes;
        const double r = radius * (0.4 + 0.6 * (random() % 1000) / 1000.0);
        star.points.push_back({r * std::cos(angle), r * std::sin(angle)});
    }
    for (int k = 0; k < spokes; ++k) {
        star.triangles.push_back({0, 1 + k, 1 + (k + 1) % spokes});
    }
    return star;
}

// Every piece's triangles, rasterised conservatively at their packed positions, keep more than
// the gutter (Chebyshev, in texels) from every other piece's and from the border.
void expectGutterBetweenPieces(const std::vector<PackInput>& charts, const PackResult& packed,
                               int size, int gutter) {
    // Owner of every texel a piece's triangle touches, then the gutter check between owners.
    std::vector<int> owner(static_cast<std::size_t>(size) * size, -1);
    for (std::size_t i = 0; i < packed.pieces.size(); ++i) {
        const PackedPiece& piece = packed.pieces[i];
        const PackInput& chart = charts[piece.chart];
        std::vector<std::int32_t> triangles = piece.triangles;
        if (triangles.empty()) {
            for (std::size_t t = 0; t < chart.triangles.size(); ++t) {
                triangles.push_back(static_cast<std::int32_t>(t));
            }
        }
        for (const std::int32_t ti : triangles) {
            const auto& t = chart.triangles[ti];
            const Vec2d a = piece.positions[t[0]], b = piece.positions[t[1]],
                        c = piece.positions[t[2]];
            // Texels whose closed square the triangle touches: sample the triangle densely.
            for (int u = 0; u <= 64; ++u) {
                for (int v = 0; u + v <= 64; ++v) {
                    const Vec2d p = a + (b - a) * (u / 64.0) + (c - a) * (v / 64.0);
                    const int x = static_cast<int>(std::floor(p.x));
                    const int y = static_cast<int>(std::floor(p.y));
                    ASSERT_GE(x, gutter);
                    ASSERT_GE(y, gutter);
                    ASSERT_LT(x, size - gutter);
                    ASSERT_LT(y, size - gutter);
                    int& o = owner[y * size + x];
                    EXPECT_TRUE(o < 0 || o == static_cast<int>(i)) << x << ", " << y;
                    o = static_cast<int>(i);
                }
            }
        }
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int o = owner[y * size + x];
            if (o < 0) {
                continue;
            }
            for (int dy = -gutter; dy <= gutter; ++dy) {
                for (int dx = -gutter; dx <= gutter; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= size || ny >= size) {
                        continue;
                    }
                    const int other = owner[ny * size + nx];
                    EXPECT_TRUE(other < 0 || other == o) << x << ", " << y;
                }
            }
        }
    }
}

TEST(ChartPacker, IrregularChartsNeverShareATexelAndGiveTheSameLayoutForAnyThreadCount) {
    // Stars of different sizes: every chart's triangles, rasterised conservatively at the packed
    // positions, keep more than the gutter (Chebyshev, in texels) from every other chart's and
    // from the border; and 1, 2 or 5 threads give bit-identical positions.
    std::mt19937 random(5);
    std::vector<PackInput> charts;
    for (int i = 0; i < 60; ++i) {
        charts.push_back(starChart(random, 5 + i % 7, 0.5 + (i % 9) * 0.25));
    }
    const int size = 256, gutter = 2;
    const PackResult packed = packCharts(charts, size, size, gutter, 1);
    for (const int threads : {2, 5}) {
        const PackResult again = packCharts(charts, size, size, gutter, threads);
        EXPECT_EQ(again.scale, packed.scale) << threads;
        ASSERT_EQ(again.pieces.size(), packed.pieces.size());
        for (std::size_t i = 0; i < packed.pieces.size(); ++i) {
            const auto& was = packed.pieces[i].positions;
            const auto& now = again.pieces[i].positions;
            ASSERT_EQ(now.size(), was.size());
            for (std::size_t k = 0; k < was.size(); ++k) {
                EXPECT_EQ(now[k].x, was[k].x) << threads;
                EXPECT_EQ(now[k].y, was[k].y) << threads;
            }
        }
    }
    expectGutterBetweenPieces(charts, packed, size, gutter);
}

TEST(ChartPacker, FiveThousandSmallChartsKeepTheGutterAndFillTheTexture) {
    // Thousands of small charts (random quads of 1 to 3 units a side, like the separate faces of
    // a machine part) all find room at a common scale: no texel shared, the gutter kept between
    // every two charts and along the border, and about half the texture covered (0.517
    // measured; the gutter and the texel rounding of such small charts take the rest).
    std::mt19937 random(5);
    auto unit = [&] { return static_cast<double>(random()) / 4294967296.0; };
    std::vector<PackInput> charts(5000);
    double area = 0.0;
    for (PackInput& c : charts) {
        const double w = 1.0 + 2.0 * unit(), h = 1.0 + 2.0 * unit(), skew = unit();
        c.points = {{0, 0}, {w, 0}, {w + skew, h}, {skew, h}};
        c.triangles = {{0, 1, 2}, {0, 2, 3}};
        area += w * h;
    }
    const int size = 1024, gutter = 2;
    const PackResult packed = packCharts(charts, size, size, gutter, 2);
    ASSERT_EQ(wholePositions(packed).size(), charts.size());
    EXPECT_GT(area * packed.scale * packed.scale / (double(size) * size), 0.5);
    expectGutterBetweenPieces(charts, packed, size, gutter);
}

PackInput gridChart(int quads) {
    PackInput g;
    for (int y = 0; y <= quads; ++y) {
        for (int x = 0; x <= quads; ++x) {
            g.points.push_back({static_cast<double>(x), static_cast<double>(y)});
        }
    }
    for (int y = 0; y < quads; ++y) {
        for (int x = 0; x < quads; ++x) {
            const int a = y * (quads + 1) + x, b = a + 1, c = a + quads + 2, d = a + quads + 1;
            g.triangles.push_back({a, b, c});
            g.triangles.push_back({a, c, d});
            g.triangleGroup.push_back(y * quads + x);
            g.triangleGroup.push_back(y * quads + x);
        }
    }
    return g;
}

TEST(ChartPacker, ChartsThatDoNotFitWholeAreCutBetweenPolygonsAndPackDenser) {
    // Five equal squares fill only five of the six cells of a 3 x 2 layout when packed whole.
    // Allowed to cut them (each is 4 x 4 quads of two triangles), the packer reaches a larger
    // scale; every piece is a rigid copy of its part of the chart, the pieces of a chart hold
    // each of its triangles once, and a quad's two triangles stay together.
    const int size = 256, gutter = 2;
    std::vector<PackInput> charts(5, gridChart(4));
    std::vector<PackInput> uncuttable = charts;
    for (PackInput& c : uncuttable) {
        c.triangleGroup.clear();
    }
    const PackResult whole = packCharts(uncuttable, size, size, gutter, 1);
    EXPECT_EQ(wholePositions(whole).size(), 5u);
    const PackResult cut = packCharts(charts, size, size, gutter, 2);
    EXPECT_GT(cut.pieces.size(), 5u);
    EXPECT_GT(cut.scale, 1.1 * whole.scale);
    std::vector<std::vector<int>> seen(5, std::vector<int>(32, 0));
    for (const PackedPiece& piece : cut.pieces) {
        const PackInput& chart = charts[piece.chart];
        std::vector<std::int32_t> triangles = piece.triangles;
        if (triangles.empty()) {
            for (int t = 0; t < 32; ++t) {
                triangles.push_back(t);
            }
        }
        std::vector<int> perGroup(16, 0);
        for (const std::int32_t t : triangles) {
            ++seen[piece.chart][t];
            ++perGroup[chart.triangleGroup[t]];
        }
        for (const int n : perGroup) {
            EXPECT_TRUE(n == 0 || n == 2);
        }
        // Rigid: every edge of the piece keeps its length times the scale.
        for (const std::int32_t t : triangles) {
            for (int e = 0; e < 3; ++e) {
                const int a = chart.triangles[t][e], b = chart.triangles[t][(e + 1) % 3];
                EXPECT_NEAR(length(piece.positions[a] - piece.positions[b]),
                            cut.scale * length(chart.points[a] - chart.points[b]), 1e-9);
            }
        }
    }
    for (const auto& chart : seen) {
        for (const int n : chart) {
            EXPECT_EQ(n, 1);
        }
    }
    expectGutterBetweenPieces(charts, cut, size, gutter);
}

TEST(ChartPacker, CutChartsGiveTheSameLayoutWhetherTrialsArePackedOneByOneOrTwoAtATime) {
    // With two threads or more the scale search packs the next trial beside the current one on
    // a guess and drops it when the guess was wrong; the trials kept must be those of a search
    // one trial at a time. Grids that do not fit whole are cut (each trial remembers its cuts),
    // stars fill the gaps: the same pieces, triangles and positions for 1, 2 and 3 threads.
    std::mt19937 random(11);
    std::vector<PackInput> charts;
    for (int i = 0; i < 5; ++i) {
        charts.push_back(gridChart(4 + i % 2));
    }
    for (int i = 0; i < 20; ++i) {
        charts.push_back(starChart(random, 5 + i % 6, 0.3 + (i % 5) * 0.2));
    }
    const int size = 128, gutter = 1;
    const PackResult one = packCharts(charts, size, size, gutter, 1);
    EXPECT_GT(one.pieces.size(), charts.size());
    for (const int threads : {2, 3}) {
        const PackResult again = packCharts(charts, size, size, gutter, threads);
        EXPECT_EQ(again.scale, one.scale) << threads;
        ASSERT_EQ(again.pieces.size(), one.pieces.size()) << threads;
        for (std::size_t i = 0; i < one.pieces.size(); ++i) {
            EXPECT_EQ(again.pieces[i].chart, one.pieces[i].chart);
            EXPECT_EQ(again.pieces[i].triangles, one.pieces[i].triangles);
            ASSERT_EQ(again.pieces[i].positions.size(), one.pieces[i].positions.size());
            for (std::size_t k = 0; k < one.pieces[i].positions.size(); ++k) {
                EXPECT_EQ(again.pieces[i].positions[k].x, one.pieces[i].positions[k].x);
                EXPECT_EQ(again.pieces[i].positions[k].y, one.pieces[i].positions[k].y);
            }
        }
    }
    expectGutterBetweenPieces(charts, one, size, gutter);
}

TEST(ChartPacker, TooManyChartsForTheTextureThrowOnAnyThreadCount) {
    // 400 triangles cannot each keep a two-texel gutter in a 56 x 56 texture at any scale: the
    // search steps down to the smallest scale and reports it, also while a trial is being
    // packed ahead on the second thread.
    std::vector<PackInput> charts(400);
    for (PackInput& c : charts) {
        c.points = {{0, 0}, {1, 0}, {0, 1}};
        c.triangles = {{0, 1, 2}};
    }
    for (const int threads : {1, 2}) {
        try {
            packCharts(charts, 56, 56, 2, threads);
            ADD_FAILURE() << "no error on " << threads << " threads";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), ErrorNumber::HostAtlasFailed);
            EXPECT_NE(e.description().find("400 charts do not fit"), std::string::npos)
                << e.description();
        }
    }
}

} // namespace
} // namespace brontle::atlas::testing
