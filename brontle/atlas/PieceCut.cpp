#include "brontle/atlas/PieceCut.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace brontle::atlas {
namespace {

// Calls link(owner x, owner y, point a, point b) for every edge (a, b) that exactly two
// triangles of `triangles` share, of different owners (`owners`, per triangle); an edge of
// more triangles is not a border between two sides and is skipped. The edges are bucketed by
// their lower point and each bucket sorted by the higher one, so the cost is the triangles plus
// the points plus d log d for a point of d edges (the centre of a fan), never d squared. Edges
// are reported per lower point in the order their first triangle lists them.
template <class Link>
void forSharedEdges(const PackInput& chart, const std::vector<std::int32_t>& triangles,
                    const std::vector<std::int32_t>& owners, std::size_t pointCount, Link link) {
    std::vector<int> start(pointCount + 1, 0);
    for (const std::int32_t t : triangles) {
        const auto& tri = chart.triangles[t];
        for (int e = 0; e < 3; ++e) {
            ++start[std::min(tri[e], tri[(e + 1) % 3]) + 1];
        }
    }
    for (std::size_t p = 0; p < pointCount; ++p) {
        start[p + 1] += start[p];
    }
    // Per edge, by its lower point: its higher point and its triangle's owner.
    std::vector<std::pair<int, std::int32_t>> ends(start[pointCount]);
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        const auto& tri = chart.triangles[triangles[i]];
        for (int e = 0; e < 3; ++e) {
            const int a = tri[e], b = tri[(e + 1) % 3];
            ends[fill[std::min(a, b)]++] = {std::max(a, b), owners[i]};
        }
    }
    std::vector<std::pair<int, int>> byEnd;    // (higher point, index into ends) of one bucket
    std::vector<std::pair<int, int>> twoSided; // (first, second) index of each edge reported
    for (std::size_t p = 0; p < pointCount; ++p) {
        byEnd.clear();
        for (int j = start[p]; j < start[p + 1]; ++j) {
            byEnd.push_back({ends[j].first, j});
        }
        std::sort(byEnd.begin(), byEnd.end());
        twoSided.clear();
        for (std::size_t k = 0; k < byEnd.size();) {
            std::size_t next = k + 1;
            while (next < byEnd.size() && byEnd[next].first == byEnd[k].first) {
                ++next;
            }
            if (next - k == 2 && ends[byEnd[k].second].second != ends[byEnd[k + 1].second].second) {
                twoSided.push_back({byEnd[k].second, byEnd[k + 1].second});
            }
            k = next;
        }
        std::sort(twoSided.begin(), twoSided.end());
        for (const auto& [j, other] : twoSided) {
            link(ends[j].second, ends[other].second, static_cast<int>(p), ends[j].first);
        }
    }
}

struct Group {
    std::int32_t id;
    std::size_t begin; // into the piece's triangles; a group's triangles are consecutive
    std::size_t end;
    double area;
    Vec2d centre; // area-weighted
};

} // namespace

bool cutPieceInTwo(const PackInput& chart, const std::vector<Vec2d>& points,
                   const std::vector<std::int32_t>& triangles, const PieceCutSettings& settings,
                   std::vector<std::int32_t>& first, std::vector<std::int32_t>& second) {
    std::vector<Group> groups;
    std::vector<std::int32_t> groupOf(triangles.size());
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        const std::int32_t id = chart.triangleGroup[triangles[i]];
        if (groups.empty() || groups.back().id != id) {
            groups.push_back({id, i, i, 0.0, {0.0, 0.0}});
        }
        Group& g = groups.back();
        g.end = i + 1;
        groupOf[i] = static_cast<std::int32_t>(groups.size() - 1);
        const auto& tri = chart.triangles[triangles[i]];
        const Vec2d a = points[tri[0]], b = points[tri[1]], c = points[tri[2]];
        // Weight 1e-12 keeps polygons without area ordered by their position too.
        const double area = 0.5 * std::abs(cross(b - a, c - a)) + 1e-12;
        g.area += area;
        g.centre = g.centre + (a + b + c) * (area / 3.0);
    }
    const std::size_t n = groups.size();
    const std::size_t minGroups = static_cast<std::size_t>(std::max(1, settings.minGroups));
    if (n < 2 * minGroups) {
        return false;
    }
    double total = 0.0;
    for (Group& g : groups) {
        g.centre = g.centre * (1.0 / g.area);
        total += g.area;
    }

    // The groups' shared edges, as lists of (neighbour, length) per group.
    std::vector<std::pair<std::int32_t, std::int32_t>> links;
    std::vector<double> linkLength;
    forSharedEdges(chart, triangles, groupOf, points.size(),
                   [&](std::int32_t x, std::int32_t y, int a, int b) {
                       links.push_back({x, y});
                       linkLength.push_back(length(points[a] - points[b]));
                   });
    std::vector<int> start(n + 1, 0);
    for (const auto& [a, b] : links) {
        ++start[a + 1];
        ++start[b + 1];
    }
    for (std::size_t g = 0; g < n; ++g) {
        start[g + 1] += start[g];
    }
    std::vector<std::pair<std::int32_t, double>> adjacent(start[n]);
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (std::size_t k = 0; k < links.size(); ++k) {
            const auto [a, b] = links[k];
            adjacent[fill[a]++] = {b, linkLength[k]};
            adjacent[fill[b]++] = {a, linkLength[k]};
        }
    }

    // Sweeps: per direction the groups by their centres' projection, each prefix a candidate.
    const double lowArea = settings.minShare * total, highArea = total - lowArea;
    std::vector<std::int32_t> order(n), bestOrder;
    std::vector<std::uint8_t> inPrefix(n);
    std::vector<double> projection(n);
    std::vector<int> bucketStart(n + 1);
    double bestLength = std::numeric_limits<double>::infinity();
    std::size_t bestCount = 0;
    // Sweeps the groups in the order of `projection`; each prefix is a candidate first side,
    // scored by its border's length, longer the further its share of area is from a half.
    auto sweep = [&]() {
        // Ordered by buckets of 1/n of the projections' range (a counting sort: the sweep
        // moves by about one polygon at a time anyway), by index within a bucket.
        const auto [lowest, highest] = std::minmax_element(projection.begin(), projection.end());
        const double range = *highest - *lowest;
        const double perBucket = range > 0.0 ? (static_cast<double>(n) - 0.5) / range : 0.0;
        const double low = *lowest;
        auto bucketOf = [&](std::size_t g) {
            return std::min(n - 1, static_cast<std::size_t>((projection[g] - low) * perBucket));
        };
        std::fill(bucketStart.begin(), bucketStart.end(), 0);
        for (std::size_t g = 0; g < n; ++g) {
            ++bucketStart[bucketOf(g) + 1];
        }
        for (std::size_t b = 0; b < n; ++b) {
            bucketStart[b + 1] += bucketStart[b];
        }
        for (std::size_t g = 0; g < n; ++g) {
            order[bucketStart[bucketOf(g)]++] = static_cast<std::int32_t>(g);
        }
        std::fill(inPrefix.begin(), inPrefix.end(), 0);
        double cut = 0.0, below = 0.0;
        std::size_t bestHere = 0;
        double bestHereLength = bestLength;
        for (std::size_t k = 0; k + minGroups < n; ++k) {
            const std::int32_t g = order[k];
            inPrefix[g] = 1;
            for (int j = start[g]; j < start[g + 1]; ++j) {
                cut += inPrefix[adjacent[j].first] ? -adjacent[j].second : adjacent[j].second;
            }
            below += groups[g].area;
            const double score =
                cut * (1.0 + settings.balanceWeight * std::abs(below / total - 0.5) * 2.0);
            if (k + 1 >= minGroups && below >= lowArea && below <= highArea &&
                score < bestHereLength) {
                bestHereLength = score;
                bestHere = k + 1;
            }
        }
        if (bestHere > 0) {
            bestLength = bestHereLength;
            bestCount = bestHere;
            bestOrder = order;
        }
    };
    const int directions = std::max(1, settings.directions);
    for (int d = 0; d < directions; ++d) {
        const double angle = std::numbers::pi * d / directions;
        const Vec2d axis{std::cos(angle), std::sin(angle)};
        for (std::size_t g = 0; g < n; ++g) {
            projection[g] = dot(groups[g].centre, axis);
        }
        sweep();
    }
    std::vector<std::uint8_t> side(n, 0); // 1: first
    if (bestCount == 0) {
        // One polygon holds most of the area: half the area along x, within the group counts.
        for (std::size_t g = 0; g < n; ++g) {
            order[g] = static_cast<std::int32_t>(g);
        }
        std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
            return groups[a].centre.x != groups[b].centre.x
                       ? groups[a].centre.x < groups[b].centre.x
                       : a < b;
        });
        std::size_t cut = 0;
        for (double below = 0.0; cut < n && below < 0.5 * total; ++cut) {
            below += groups[order[cut]].area;
        }
        bestCount = std::clamp(cut, minGroups, n - minGroups);
        bestOrder = order;
    }
    double firstArea = 0.0;
    for (std::size_t k = 0; k < bestCount; ++k) {
        side[bestOrder[k]] = 1;
        firstArea += groups[bestOrder[k]].area;
    }
    std::size_t firstCount = bestCount;

    // Straightening: a polygon with more border to the other side than to its own moves over
    // (its teeth shorten the cut), while both sides keep their shares. Each move shortens the
    // cut by a positive length, so the passes end.
    if (bestLength < std::numeric_limits<double>::infinity()) {
        std::vector<double> toOther(n, 0.0), toSame(n, 0.0);
        for (std::size_t g = 0; g < n; ++g) {
            for (int j = start[g]; j < start[g + 1]; ++j) {
                (side[adjacent[j].first] == side[g] ? toSame[g] : toOther[g]) += adjacent[j].second;
            }
        }
        for (int pass = 0; pass < settings.straightenPasses; ++pass) {
            bool moved = false;
            for (std::size_t g = 0; g < n; ++g) {
                if (toOther[g] <= toSame[g] * (1.0 + 1e-9) + 1e-12) {
                    continue;
                }
                const double sign = side[g] ? -1.0 : 1.0; // change of the first side
                const double newArea = firstArea + sign * groups[g].area;
                const std::size_t newCount = side[g] ? firstCount - 1 : firstCount + 1;
                if (newArea < lowArea || newArea > highArea || newCount < minGroups ||
                    n - newCount < minGroups) {
                    continue;
                }
                for (int j = start[g]; j < start[g + 1]; ++j) {
                    const auto [h, len] = adjacent[j];
                    if (side[h] == side[g]) {
                        toSame[h] -= len;
                        toOther[h] += len;
                    } else {
                        toOther[h] -= len;
                        toSame[h] += len;
                    }
                }
                std::swap(toSame[g], toOther[g]);
                side[g] = side[g] ? 0 : 1;
                firstArea = newArea;
                firstCount = newCount;
                moved = true;
            }
            if (!moved) {
                break;
            }
        }
    }

    first.clear();
    second.clear();
    for (std::size_t g = 0; g < n; ++g) {
        auto& out = side[g] ? first : second;
        for (std::size_t i = groups[g].begin; i < groups[g].end; ++i) {
            out.push_back(triangles[i]);
        }
    }
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    return true;
}

double pieceCutLength(const PackInput& chart, const std::vector<Vec2d>& points,
                      const std::vector<std::int32_t>& first,
                      const std::vector<std::int32_t>& second) {
    std::vector<std::int32_t> both = first, owners(first.size(), 0);
    both.insert(both.end(), second.begin(), second.end());
    owners.resize(both.size(), 1);
    double total = 0.0;
    forSharedEdges(
        chart, both, owners, points.size(),
        [&](std::int32_t, std::int32_t, int a, int b) { total += length(points[a] - points[b]); });
    return total;
}

} // namespace brontle::atlas
