#include "brontle/viewmath/MeshReduction.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace brontle {

namespace {

// Cells along one axis at most: three cell coordinates pack into one 64-bit key.
constexpr std::int64_t kMaxCells = std::int64_t{1} << 20;
constexpr std::uint64_t kEmpty = ~std::uint64_t{0};

std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ull;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebull;
    x ^= x >> 31;
    return x;
}

std::size_t tableSizeFor(std::size_t entries) {
    std::size_t size = 16;
    while (size < entries * 2) {
        size *= 2;
    }
    return size;
}

bool finite(const Vector3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// Open addressing from a 64-bit key and a 32-bit tag to a 32-bit value; grows at half full.
class KeyTable {
  public:
    explicit KeyTable(std::size_t expected) : slots_(tableSizeFor(expected)) {}

    // The value stored under (key, tag), or `fresh` stored there when there was none; `added`
    // tells which.
    std::int32_t findOrAdd(std::uint64_t key, std::int32_t tag, std::int32_t fresh, bool& added) {
        if ((used_ + 1) * 2 > slots_.size()) {
            grow();
        }
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash(key, tag) & mask;
        while (slots_[i].key != kEmpty) {
            if (slots_[i].key == key && slots_[i].tag == tag) {
                added = false;
                return slots_[i].value;
            }
            i = (i + 1) & mask;
        }
        slots_[i] = {key, tag, fresh};
        ++used_;
        added = true;
        return fresh;
    }
    std::size_t size() const { return used_; }

  private:
    struct Slot {
        std::uint64_t key = kEmpty;
        std::int32_t tag = 0;
        std::int32_t value = 0;
    };
    static std::size_t hash(std::uint64_t key, std::int32_t tag) {
        return static_cast<std::size_t>(
            mix(key ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(tag)) << 1) *
                          0x9e3779b97f4a7c15ull));
    }
    void grow() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (s.key == kEmpty) {
                continue;
            }
            std::size_t i = hash(s.key, s.tag) & mask;
            while (slots_[i].key != kEmpty) {
                i = (i + 1) & mask;
            }
            slots_[i] = s;
        }
    }
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

struct Grid {
    Vector3 origin{};
    double size = 1.0;
    std::int64_t dims[3] = {1, 1, 1};

    void setSize(double h, const double extent[3]) {
        size = h;
        for (int a = 0; a < 3; ++a) {
            dims[a] = std::clamp<std::int64_t>(static_cast<std::int64_t>(extent[a] / h) + 1, 1,
                                               kMaxCells);
        }
    }
    std::array<std::int32_t, 3> cellOf(const Vector3& p) const {
        const double at[3] = {(static_cast<double>(p.x) - origin.x) / size,
                              (static_cast<double>(p.y) - origin.y) / size,
                              (static_cast<double>(p.z) - origin.z) / size};
        std::array<std::int32_t, 3> c{};
        for (int a = 0; a < 3; ++a) {
            c[a] = static_cast<std::int32_t>(
                std::clamp<double>(std::floor(at[a]), 0.0, static_cast<double>(dims[a] - 1)));
        }
        return c;
    }
    static std::uint64_t key(const std::array<std::int32_t, 3>& c) {
        return static_cast<std::uint64_t>(c[0]) | (static_cast<std::uint64_t>(c[1]) << 21) |
               (static_cast<std::uint64_t>(c[2]) << 42);
    }
};

// Union-find over texture coordinate indices: the islands.
class Islands {
  public:
    explicit Islands(std::size_t count) : parent_(count) {
        for (std::size_t i = 0; i < count; ++i) {
            parent_[i] = static_cast<std::int32_t>(i);
        }
    }
    std::int32_t find(std::int32_t i) {
        while (parent_[static_cast<std::size_t>(i)] != i) {
            auto& p = parent_[static_cast<std::size_t>(i)];
            p = parent_[static_cast<std::size_t>(p)]; // path halving
            i = p;
        }
        return i;
    }
    void join(std::int32_t a, std::int32_t b) {
        a = find(a);
        b = find(b);
        if (a != b) {
            parent_[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
        }
    }

  private:
    std::vector<std::int32_t> parent_;
};

Vector3 polygonNormal(const ReductionInput& in, std::int32_t s, std::int32_t e) {
    // Newell's method: robust for non-planar and concave polygons.
    double n[3] = {0, 0, 0};
    for (std::int32_t k = s; k < e; ++k) {
        const std::int32_t a = in.cornerVertex[static_cast<std::size_t>(k)];
        const std::int32_t b = in.cornerVertex[static_cast<std::size_t>(k + 1 < e ? k + 1 : s)];
        if (a < 0 || b < 0 || static_cast<std::size_t>(a) >= in.vertices.size() ||
            static_cast<std::size_t>(b) >= in.vertices.size()) {
            continue;
        }
        const Vector3& p = in.vertices[static_cast<std::size_t>(a)];
        const Vector3& q = in.vertices[static_cast<std::size_t>(b)];
        n[0] += (static_cast<double>(p.y) - q.y) * (static_cast<double>(p.z) + q.z);
        n[1] += (static_cast<double>(p.z) - q.z) * (static_cast<double>(p.x) + q.x);
        n[2] += (static_cast<double>(p.x) - q.x) * (static_cast<double>(p.y) + q.y);
    }
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0.0) || !std::isfinite(length)) {
        return {};
    }
    return {static_cast<float>(n[0] / length), static_cast<float>(n[1] / length),
            static_cast<float>(n[2] / length)};
}

} // namespace

std::size_t ReducedMesh::bytes() const {
    return positions.capacity() * sizeof(Vector3) + normals.capacity() * sizeof(Vector3) +
           texcoords.capacity() * sizeof(Vector2) + indices.capacity() * sizeof(std::uint32_t) +
           ranges.capacity() * sizeof(Range) +
           vertexCell.capacity() * sizeof(std::array<std::int32_t, 3>);
}

std::int64_t fanTriangleCount(std::span<const std::int32_t> polygonStart) {
    std::int64_t total = 0;
    for (std::size_t p = 0; p + 1 < polygonStart.size(); ++p) {
        total += std::max<std::int64_t>(polygonStart[p + 1] - polygonStart[p] - 2, 0);
    }
    return total;
}

ReducedMesh reduceMesh(const ReductionInput& in, std::int64_t targetTriangles) {
    ReducedMesh out;
    targetTriangles = std::max<std::int64_t>(targetTriangles, 1);
    const auto vertexCount = in.vertices.size();
    const std::int32_t polygons =
        in.polygonStart.empty() ? 0 : static_cast<std::int32_t>(in.polygonStart.size() - 1);
    const auto corners = static_cast<std::int32_t>(in.cornerVertex.size());
    const std::int64_t triangles = fanTriangleCount(in.polygonStart);

    // ---- the bounding box of the finite vertices
    double lo[3] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                    std::numeric_limits<double>::max()};
    double hi[3] = {-lo[0], -lo[1], -lo[2]};
    bool any = false;
    for (const Vector3& p : in.vertices) {
        if (!finite(p)) {
            continue;
        }
        any = true;
        const double c[3] = {p.x, p.y, p.z};
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], c[a]);
            hi[a] = std::max(hi[a], c[a]);
        }
    }
    const double extent[3] = {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
    const double longest = any ? std::max({extent[0], extent[1], extent[2]}) : 0.0;
    if (triangles == 0 || !(longest > 0.0)) {
        return out; // nothing, or every vertex at one point: every triangle collapses
    }
    const auto vertexOf = [&](std::int32_t k) -> std::int32_t {
        const std::int32_t v = in.cornerVertex[static_cast<std::size_t>(k)];
        return v >= 0 && static_cast<std::size_t>(v) < vertexCount &&
                       finite(in.vertices[static_cast<std::size_t>(v)])
                   ? v
                   : -1;
    };
    const auto texCoordOf = [&](std::int32_t k) -> std::int32_t {
        const std::int32_t t = static_cast<std::size_t>(k) < in.cornerTexCoord.size()
                                   ? in.cornerTexCoord[static_cast<std::size_t>(k)]
                                   : -1;
        return t >= 0 && static_cast<std::size_t>(t) < in.texcoords.size() ? t : -1;
    };

    // ---- surface and texture area, measured on a sample of at most 100,000 polygons: they
    // size the grid and tell how much texture a cell spans
    double surfaceArea = 0.0, textureArea = 0.0;
    const std::int32_t stride = std::max(1, polygons / 100000);
    for (std::int32_t p = 0; p < polygons; p += stride) {
        const std::int32_t s = in.polygonStart[p], e = std::min(in.polygonStart[p + 1], corners);
        for (std::int32_t k = s + 1; k + 1 < e; ++k) {
            const std::int32_t va = vertexOf(s), vb = vertexOf(k), vc = vertexOf(k + 1);
            if (va < 0 || vb < 0 || vc < 0) {
                continue;
            }
            const Vector3& a = in.vertices[static_cast<std::size_t>(va)];
            const Vector3& b = in.vertices[static_cast<std::size_t>(vb)];
            const Vector3& c = in.vertices[static_cast<std::size_t>(vc)];
            const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
            const double w[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
            const double x = u[1] * w[2] - u[2] * w[1], y = u[2] * w[0] - u[0] * w[2],
                         z = u[0] * w[1] - u[1] * w[0];
            surfaceArea += 0.5 * std::sqrt(x * x + y * y + z * z) * stride;
            const std::int32_t ta = texCoordOf(s), tb = texCoordOf(k), tc = texCoordOf(k + 1);
            if (ta >= 0 && tb >= 0 && tc >= 0) {
                const Vector2& pa = in.texcoords[static_cast<std::size_t>(ta)];
                const Vector2& pb = in.texcoords[static_cast<std::size_t>(tb)];
                const Vector2& pc = in.texcoords[static_cast<std::size_t>(tc)];
                textureArea += 0.5 * stride *
                               std::abs((static_cast<double>(pb.u) - pa.u) * (pc.v - pa.v) -
                                        (static_cast<double>(pc.u) - pa.u) * (pb.v - pa.v));
            }
        }
    }

    // ---- the grid and the cell of each vertex. A surface of area A meets about 1.5 A / h^2
    // cells of side h (1 for a plane along the axes, more when tilted), and a closed mesh has
    // about two triangles per vertex; a first try that lands far from the wanted count is
    // corrected once by the count it found.
    Grid grid;
    grid.origin = {static_cast<float>(lo[0]), static_cast<float>(lo[1]), static_cast<float>(lo[2])};
    const double finest = longest / static_cast<double>(kMaxCells - 1);
    const double wanted =
        std::max(1.0, static_cast<double>(std::min(targetTriangles, triangles)) / 2.0);
    const bool whole = triangles <= targetTriangles;
    double h = whole               ? finest
               : surfaceArea > 0.0 ? std::sqrt(1.5 * surfaceArea / wanted)
                                   : longest / std::sqrt(wanted);
    std::vector<std::int32_t> vertexCell(vertexCount, -1);
    std::vector<std::array<double, 4>> cellSum; // x, y, z and the vertices in the cell
    std::vector<std::array<std::int32_t, 3>> cellCoord;
    for (int attempt = 0;; ++attempt) {
        h = std::max(h, finest);
        grid.setSize(h, extent);
        cellSum.clear();
        cellCoord.clear();
        KeyTable table(
            static_cast<std::size_t>(std::min(static_cast<double>(vertexCount), 2.0 * wanted)));
        // Neighbouring vertices often share a cell: the last one is tried first.
        std::uint64_t lastKey = kEmpty;
        std::int32_t lastId = -1;
        for (std::size_t v = 0; v < vertexCount; ++v) {
            const Vector3& p = in.vertices[v];
            if (!finite(p)) {
                vertexCell[v] = -1;
                continue;
            }
            const auto cell = grid.cellOf(p);
            const std::uint64_t key = Grid::key(cell);
            if (key != lastKey) {
                bool added = false;
                lastId = table.findOrAdd(key, 0, static_cast<std::int32_t>(cellSum.size()), added);
                if (added) {
                    cellSum.push_back({0.0, 0.0, 0.0, 0.0});
                    cellCoord.push_back(cell);
                }
                lastKey = key;
            }
            vertexCell[v] = lastId;
            auto& sum = cellSum[static_cast<std::size_t>(lastId)];
            sum[0] += p.x;
            sum[1] += p.y;
            sum[2] += p.z;
            sum[3] += 1.0;
        }
        const double ratio = static_cast<double>(cellSum.size()) / wanted;
        if (whole || attempt > 0 || (ratio > 0.7 && ratio < 1.4)) {
            break;
        }
        h *= std::sqrt(ratio);
    }
    out.origin = grid.origin;
    out.cellSize = grid.size;

    // ---- texture islands: polygons sharing a texture coordinate index are one island
    std::vector<std::int32_t> islandOf;
    {
        Islands islands(in.texcoords.size());
        for (std::int32_t p = 0; p < polygons; ++p) {
            std::int32_t first = -1;
            for (std::int32_t k = in.polygonStart[p]; k < in.polygonStart[p + 1] && k < corners;
                 ++k) {
                const std::int32_t t = texCoordOf(k);
                if (t < 0) {
                    continue;
                }
                if (first < 0) {
                    first = t;
                } else {
                    islands.join(first, t);
                }
            }
        }
        islandOf.resize(in.texcoords.size());
        for (std::size_t t = 0; t < islandOf.size(); ++t) {
            islandOf[t] = islands.find(static_cast<std::int32_t>(t));
        }
    }
    // How far apart texture coordinates may be and still share a vertex: a few cells' worth of
    // texture at the mesh's mean texture density. An island that wraps round (a cylinder's
    // texture cut along one line) meets itself at its seam with coordinates a whole tile apart;
    // the corners of the two sides then stay apart.
    const double texturePerLength =
        surfaceArea > 0.0 && textureArea > 0.0 ? std::sqrt(textureArea / surfaceArea) : 0.0;
    const double seamGap = texturePerLength > 0.0 ? 3.0 * grid.size * texturePerLength
                                                  : std::numeric_limits<double>::infinity();

    // ---- clusters and triangles in one pass over the polygons. A cluster is the corners of
    // one cell, one island and one side of a seam; the clusters of a cell are chained from it.
    struct Match {
        std::int32_t island = -1;
        float refU = 0, refV = 0; // the texture coordinate of its first corner
        std::int32_t next = -1;
    };
    struct Sum {
        float nx = 0, ny = 0, nz = 0, u = 0, v = 0;
        std::int32_t count = 0;
    };
    std::vector<std::int32_t> cellHead(cellSum.size(), -1);
    std::vector<Match> match;
    std::vector<Sum> sums;
    std::vector<std::int32_t> clusterCell;
    match.reserve(cellSum.size() * 5 / 4);
    sums.reserve(cellSum.size() * 5 / 4);
    clusterCell.reserve(cellSum.size() * 5 / 4);
    const auto normalOf = [&](std::int32_t k) -> const Vector3* {
        const std::int32_t n = static_cast<std::size_t>(k) < in.cornerNormal.size()
                                   ? in.cornerNormal[static_cast<std::size_t>(k)]
                                   : -1;
        if (n < 0 || static_cast<std::size_t>(n) >= in.normals.size()) {
            return nullptr;
        }
        const Vector3& normal = in.normals[static_cast<std::size_t>(n)];
        const bool usable =
            finite(normal) &&
            normal.x * normal.x + normal.y * normal.y + normal.z * normal.z > 1e-12f;
        return usable ? &normal : nullptr; // a zero normal stands for none
    };
    std::vector<std::int32_t> local; // the clusters of one polygon's corners
    // Sized for what is kept: at most the input's triangles.
    const auto keptSize = static_cast<std::size_t>(std::min(targetTriangles, triangles));
    KeyTable kept(keptSize);
    std::vector<std::uint32_t> tris;
    std::vector<std::int32_t> triMaterial;
    tris.reserve(keptSize * 3);
    triMaterial.reserve(keptSize);
    std::int32_t materialCount = 1;
    for (std::int32_t p = 0; p < polygons; ++p) {
        const std::int32_t s = in.polygonStart[p], e = std::min(in.polygonStart[p + 1], corners);
        if (e - s < 3) {
            continue;
        }
        local.assign(static_cast<std::size_t>(e - s), -1);
        bool ownNormal = false;
        Vector3 faceNormal{};
        for (std::int32_t k = s; k < e; ++k) {
            const std::int32_t v = in.cornerVertex[static_cast<std::size_t>(k)];
            if (v < 0 || static_cast<std::size_t>(v) >= vertexCount) {
                continue;
            }
            const std::int32_t cell = vertexCell[static_cast<std::size_t>(v)];
            if (cell < 0) {
                continue; // a position that is not finite
            }
            const std::int32_t t = texCoordOf(k);
            const Vector2 uv = t >= 0 ? in.texcoords[static_cast<std::size_t>(t)] : Vector2{};
            const std::int32_t island = t >= 0 ? islandOf[static_cast<std::size_t>(t)] : -1;
            std::int32_t c = cellHead[static_cast<std::size_t>(cell)];
            while (c >= 0) {
                const Match& m = match[static_cast<std::size_t>(c)];
                if (m.island == island && std::abs(static_cast<double>(uv.u) - m.refU) <= seamGap &&
                    std::abs(static_cast<double>(uv.v) - m.refV) <= seamGap) {
                    break;
                }
                c = m.next;
            }
            if (c < 0) {
                c = static_cast<std::int32_t>(match.size());
                match.push_back({island, uv.u, uv.v, cellHead[static_cast<std::size_t>(cell)]});
                cellHead[static_cast<std::size_t>(cell)] = c;
                sums.emplace_back();
                clusterCell.push_back(cell);
            }
            Sum& sum = sums[static_cast<std::size_t>(c)];
            const Vector3* normal = normalOf(k);
            if (normal == nullptr) {
                if (!ownNormal) {
                    faceNormal = polygonNormal(in, s, e);
                    ownNormal = true;
                }
                normal = &faceNormal;
            }
            sum.nx += normal->x;
            sum.ny += normal->y;
            sum.nz += normal->z;
            sum.u += uv.u;
            sum.v += uv.v;
            ++sum.count;
            local[static_cast<std::size_t>(k - s)] = c;
        }
        const std::int32_t material =
            static_cast<std::size_t>(p) < in.polygonMaterial.size()
                ? std::max(in.polygonMaterial[static_cast<std::size_t>(p)], 0)
                : 0;
        for (std::int32_t i = 1; i + 1 < e - s; ++i) {
            std::int32_t a = local[0], b = local[static_cast<std::size_t>(i)],
                         c = local[static_cast<std::size_t>(i + 1)];
            if (a < 0 || b < 0 || c < 0) {
                continue;
            }
            const std::int32_t ca = clusterCell[static_cast<std::size_t>(a)];
            const std::int32_t cb = clusterCell[static_cast<std::size_t>(b)];
            const std::int32_t cc = clusterCell[static_cast<std::size_t>(c)];
            if (ca == cb || cb == cc || ca == cc) {
                continue; // two corners in one cell, where the clusters stand on one point
            }
            // The same triangle in the same winding starts at its smallest cluster.
            while (a > b || a > c) {
                std::swap(a, b);
                std::swap(b, c);
            }
            bool added = false;
            kept.findOrAdd((static_cast<std::uint64_t>(a) << 32) | static_cast<std::uint32_t>(b), c,
                           0, added);
            if (!added) {
                continue;
            }
            tris.insert(tris.end(), {static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b),
                                     static_cast<std::uint32_t>(c)});
            triMaterial.push_back(material);
            materialCount = std::max(materialCount, material + 1);
        }
    }
    vertexCell = {};
    islandOf = {};

    // ---- the vertices the triangles use, renumbered in order of first use. Every cluster of
    // a cell stands at the mean of the cell's vertices, so the sides of a seam meet without a
    // crack.
    std::vector<std::int32_t> renumber(match.size(), -1);
    std::int32_t used = 0;
    for (std::uint32_t& c : tris) {
        if (renumber[c] < 0) {
            renumber[c] = used++;
        }
        c = static_cast<std::uint32_t>(renumber[c]);
    }
    out.positions.resize(static_cast<std::size_t>(used));
    out.normals.resize(static_cast<std::size_t>(used));
    out.texcoords.resize(static_cast<std::size_t>(used));
    out.vertexCell.resize(static_cast<std::size_t>(used));
    for (std::size_t c = 0; c < match.size(); ++c) {
        if (renumber[c] < 0) {
            continue;
        }
        const auto at = static_cast<std::size_t>(renumber[c]);
        const auto cell = static_cast<std::size_t>(clusterCell[c]);
        const auto& p = cellSum[cell];
        out.positions[at] = {static_cast<float>(p[0] / p[3]), static_cast<float>(p[1] / p[3]),
                             static_cast<float>(p[2] / p[3])};
        const Sum& k = sums[c];
        const float n = static_cast<float>(k.count);
        out.texcoords[at] = {k.u / n, k.v / n};
        const double length =
            std::sqrt(double(k.nx) * k.nx + double(k.ny) * k.ny + double(k.nz) * k.nz);
        if (length > 1e-6 * n) {
            out.normals[at] = {static_cast<float>(k.nx / length), static_cast<float>(k.ny / length),
                               static_cast<float>(k.nz / length)};
        }
        out.vertexCell[at] = cellCoord[cell];
    }
    // Where the corners' normals cancel out (both sides of a thin wall in one cell), the
    // vertex takes the normals of the reduced triangles around it.
    std::vector<std::uint32_t> bare;
    for (std::size_t i = 0; i < out.normals.size(); ++i) {
        const Vector3& n = out.normals[i];
        if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) {
            bare.push_back(static_cast<std::uint32_t>(i));
        }
    }
    if (!bare.empty()) {
        std::vector<std::array<double, 3>> sum(out.positions.size(), {0.0, 0.0, 0.0});
        for (std::size_t t = 0; t + 2 < tris.size(); t += 3) {
            const Vector3& a = out.positions[tris[t]];
            const Vector3& b = out.positions[tris[t + 1]];
            const Vector3& c = out.positions[tris[t + 2]];
            const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
            const double w[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
            const double cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                                     u[0] * w[1] - u[1] * w[0]};
            for (int j = 0; j < 3; ++j) {
                for (int a2 = 0; a2 < 3; ++a2) {
                    sum[tris[t + static_cast<std::size_t>(j)]][static_cast<std::size_t>(a2)] +=
                        cross[a2];
                }
            }
        }
        for (std::uint32_t i : bare) {
            const auto& s = sum[i];
            const double length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
            out.normals[i] = length > 0.0 ? Vector3{static_cast<float>(s[0] / length),
                                                    static_cast<float>(s[1] / length),
                                                    static_cast<float>(s[2] / length)}
                                          : Vector3{0.0f, 0.0f, 1.0f};
        }
    }

    // ---- triangles grouped by material (a counting sort)
    std::vector<std::int32_t> firstOf(static_cast<std::size_t>(materialCount) + 1, 0);
    for (std::int32_t m : triMaterial) {
        firstOf[static_cast<std::size_t>(m) + 1] += 3;
    }
    for (std::size_t m = 0; m + 1 < firstOf.size(); ++m) {
        firstOf[m + 1] += firstOf[m];
    }
    for (std::int32_t m = 0; m < materialCount; ++m) {
        const std::int32_t count = firstOf[static_cast<std::size_t>(m) + 1] - firstOf[m];
        if (count > 0) {
            out.ranges.push_back({m, firstOf[static_cast<std::size_t>(m)], count});
        }
    }
    out.indices.resize(tris.size());
    for (std::size_t t = 0; t < triMaterial.size(); ++t) {
        std::int32_t& at = firstOf[static_cast<std::size_t>(triMaterial[t])];
        for (std::size_t j = 0; j < 3; ++j) {
            out.indices[static_cast<std::size_t>(at) + j] = tris[t * 3 + j];
        }
        at += 3;
    }
    return out;
}

} // namespace brontle
