#include "brontle/model/SharpEdgeNormals.h"

#include "brontle/model/Shape.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <numeric>
#include <unordered_map>

namespace brontle {
namespace {

struct Sum {
    double x = 0.0, y = 0.0, z = 0.0;
};

// Newell's normal in double, then unit in float: the same figure as faceNormalOf, so that
// comparisons with the host's smoothed normals see equal values where nothing is split.
Vector3 unitFaceNormal(std::span<const Vector3> positions, const std::int32_t* corners,
                       std::int32_t count) {
    Sum n;
    for (std::int32_t i = 0; i < count; ++i) {
        const Vector3& a = positions[corners[i]];
        const Vector3& b = positions[corners[(i + 1) % count]];
        n.x += (double(a.y) - b.y) * (double(a.z) + b.z);
        n.y += (double(a.z) - b.z) * (double(a.x) + b.x);
        n.z += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(length > 0.0) || !std::isfinite(length)) {
        return {};
    }
    return {float(n.x / length), float(n.y / length), float(n.z / length)};
}

bool isZero(const Vector3& v) {
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

struct HalfEdge {
    std::int32_t low, high; // vertex pair, low < high
    std::int32_t corner;    // the corner starting the edge
};

} // namespace

std::vector<Vector3> sharpEdgeCornerNormals(std::span<const Vector3> positions,
                                            std::span<const std::int32_t> polygonStart,
                                            std::span<const std::int32_t> cornerVertex,
                                            double sharpDegrees) {
    const auto polygons = static_cast<std::int32_t>(polygonStart.size()) - 1;
    const auto corners = static_cast<std::int32_t>(cornerVertex.size());
    std::vector<Vector3> face(static_cast<std::size_t>(std::max(polygons, 0)));
    std::vector<std::int32_t> cornerPolygon(static_cast<std::size_t>(corners));
    for (std::int32_t p = 0; p < polygons; ++p) {
        face[p] = unitFaceNormal(positions, cornerVertex.data() + polygonStart[p],
                                 polygonStart[p + 1] - polygonStart[p]);
        for (std::int32_t c = polygonStart[p]; c < polygonStart[p + 1]; ++c) {
            cornerPolygon[c] = p;
        }
    }
    auto next = [&](std::int32_t c) {
        const std::int32_t p = cornerPolygon[c];
        return c + 1 < polygonStart[p + 1] ? c + 1 : polygonStart[p];
    };

    // Union-find over corners: corners of one vertex joined across smooth edges.
    std::vector<std::int32_t> parent(static_cast<std::size_t>(corners));
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&](std::int32_t c) {
        while (parent[c] != c) {
            c = parent[c] = parent[parent[c]];
        }
        return c;
    };
    auto unite = [&](std::int32_t a, std::int32_t b) {
        a = find(a);
        b = find(b);
        if (a != b) {
            parent[std::max(a, b)] = std::min(a, b);
        }
    };

    std::vector<HalfEdge> edges;
    edges.reserve(static_cast<std::size_t>(corners));
    for (std::int32_t c = 0; c < corners; ++c) {
        const std::int32_t a = cornerVertex[c];
        const std::int32_t b = cornerVertex[next(c)];
        if (a != b) {
            edges.push_back({std::min(a, b), std::max(a, b), c});
        }
    }
    std::sort(edges.begin(), edges.end(), [](const HalfEdge& l, const HalfEdge& r) {
        if (l.low != r.low) {
            return l.low < r.low;
        }
        if (l.high != r.high) {
            return l.high < r.high;
        }
        return l.corner < r.corner;
    });
    const double minCos = std::cos(sharpDegrees * std::numbers::pi / 180.0);
    for (std::size_t i = 0; i < edges.size();) {
        std::size_t j = i + 1;
        while (j < edges.size() && edges[j].low == edges[i].low && edges[j].high == edges[i].high) {
            ++j;
        }
        if (j - i == 2) {
            const std::int32_t c = edges[i].corner;
            const std::int32_t d = edges[i + 1].corner;
            const std::int32_t p = cornerPolygon[c];
            const std::int32_t q = cornerPolygon[d];
            const Vector3& np = face[p];
            const Vector3& nq = face[q];
            const bool opposite = cornerVertex[c] == cornerVertex[next(d)];
            const double cosine = double(np.x) * nq.x + double(np.y) * nq.y + double(np.z) * nq.z;
            if (p != q && opposite && !isZero(np) && !isZero(nq) && cosine >= minCos) {
                unite(c, next(d));
                unite(next(c), d);
            }
        }
        i = j;
    }

    // Sum each group's face normals, every polygon once (a polygon touching a vertex twice
    // brings two corners into the group; only the first counts).
    std::vector<Sum> sum(static_cast<std::size_t>(corners));
    for (std::int32_t p = 0; p < polygons; ++p) {
        const std::int32_t begin = polygonStart[p];
        const std::int32_t end = polygonStart[p + 1];
        for (std::int32_t c = begin; c < end; ++c) {
            const std::int32_t root = find(c);
            bool repeated = false;
            for (std::int32_t e = begin; e < c && !repeated; ++e) {
                repeated = find(e) == root;
            }
            if (repeated) {
                continue;
            }
            sum[root].x += face[p].x;
            sum[root].y += face[p].y;
            sum[root].z += face[p].z;
        }
    }
    std::vector<Vector3> out(static_cast<std::size_t>(corners));
    for (std::int32_t c = 0; c < corners; ++c) {
        const Sum& s = sum[find(c)];
        const double length = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
        if (length > 0.0 && std::isfinite(length)) {
            out[c] = {float(s.x / length), float(s.y / length), float(s.z / length)};
        } else {
            const Vector3& f = face[cornerPolygon[c]];
            out[c] = isZero(f) ? Vector3{0.0f, 0.0f, 1.0f} : f;
        }
    }
    return out;
}

void assignSharpEdgeNormals(ShapeArrays& arrays, std::span<const char> replace,
                            double sharpDegrees) {
    const std::vector<Vector3> smooth = sharpEdgeCornerNormals(arrays.vertices, arrays.polygonStart,
                                                               arrays.cornerVertex, sharpDegrees);
    std::vector<Vector3> pool;
    std::vector<std::int32_t> cornerNormal(arrays.cornerVertex.size());
    std::unordered_map<std::uint64_t, std::vector<std::int32_t>> index;
    auto add = [&](const Vector3& v) {
        // Exact values, -0 taken as +0.
        const std::uint32_t x = std::bit_cast<std::uint32_t>(v.x + 0.0f);
        const std::uint32_t y = std::bit_cast<std::uint32_t>(v.y + 0.0f);
        const std::uint32_t z = std::bit_cast<std::uint32_t>(v.z + 0.0f);
        const std::uint64_t key = (std::uint64_t(x) * 0x9E3779B97F4A7C15ull) ^
                                  (std::uint64_t(y) * 0xBF58476D1CE4E5B9ull) ^ z;
        std::vector<std::int32_t>& bucket = index[key];
        for (const std::int32_t i : bucket) {
            const Vector3& w = pool[i];
            if (w.x + 0.0f == v.x + 0.0f && w.y + 0.0f == v.y + 0.0f && w.z + 0.0f == v.z + 0.0f) {
                return i;
            }
        }
        bucket.push_back(static_cast<std::int32_t>(pool.size()));
        pool.push_back(v);
        return bucket.back();
    };
    const auto polygons = static_cast<std::int32_t>(arrays.polygonStart.size()) - 1;
    for (std::int32_t p = 0; p < polygons; ++p) {
        for (std::int32_t c = arrays.polygonStart[p]; c < arrays.polygonStart[p + 1]; ++c) {
            cornerNormal[c] = add(replace[p] ? smooth[c] : arrays.normals[arrays.cornerNormal[c]]);
        }
    }
    arrays.normals = std::move(pool);
    arrays.cornerNormal = std::move(cornerNormal);
}

} // namespace brontle
