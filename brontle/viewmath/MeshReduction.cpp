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

// Cells of `grid` that hold at least one of the finite vertices.
std::size_t occupiedCells(std::span<const Vector3> vertices, const Grid& grid) {
    KeyTable cells(std::min<std::size_t>(vertices.size(), 1u << 16));
    bool added = false;
    for (const Vector3& p : vertices) {
        if (finite(p)) {
            cells.findOrAdd(Grid::key(grid.cellOf(p)), 0, 0, added);
        }
    }
    return cells.size();
}

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
    // ---- the grid, from the bounding box of the finite vertices
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
    const std::int64_t triangles = fanTriangleCount(in.polygonStart);
    if (!any || triangles == 0) {
        return out;
    }
    Grid grid;
    grid.origin = {static_cast<float>(lo[0]), static_cast<float>(lo[1]), static_cast<float>(lo[2])};
    const double extent[3] = {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
    const double longest = std::max({extent[0], extent[1], extent[2]});
    if (longest <= 0.0) {
        return out; // every vertex at one point: every triangle collapses
    }
    const double finest = longest / static_cast<double>(kMaxCells - 1);
    if (triangles <= targetTriangles) {
        grid.setSize(finest, extent);
    } else {
        // A surface occupies cells in proportion to 1 / size^2: count them on a coarse grid,
        // scale, count again and correct once. A closed mesh has about two triangles per vertex.
        const double wanted = std::max(1.0, static_cast<double>(targetTriangles) / 2.0);
        grid.setSize(longest / 64.0, extent);
        double h = grid.size;
        for (int pass = 0; pass < 2; ++pass) {
            const auto cells = static_cast<double>(occupiedCells(in.vertices, grid));
            const double ratio = cells / wanted;
            if (pass > 0 && ratio > 0.85 && ratio < 1.15) {
                break;
            }
            h = std::max(finest, h * std::sqrt(std::max(ratio, 1e-6)));
            grid.setSize(h, extent);
        }
    }
    out.origin = grid.origin;
    out.cellSize = grid.size;

    // ---- texture islands: polygons sharing a texture coordinate index are one island
    Islands islands(in.texcoords.size());
    const auto texCoordOf = [&](std::int32_t k) -> std::int32_t {
        const std::int32_t t = static_cast<std::size_t>(k) < in.cornerTexCoord.size()
                                   ? in.cornerTexCoord[static_cast<std::size_t>(k)]
                                   : -1;
        return t >= 0 && static_cast<std::size_t>(t) < in.texcoords.size() ? t : -1;
    };
    const std::int32_t polygons =
        in.polygonStart.empty() ? 0 : static_cast<std::int32_t>(in.polygonStart.size() - 1);
    const auto cornerTotal = static_cast<std::int32_t>(in.cornerVertex.size());
    for (std::int32_t p = 0; p < polygons; ++p) {
        std::int32_t first = -1;
        for (std::int32_t k = in.polygonStart[p]; k < in.polygonStart[p + 1] && k < cornerTotal;
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

    // ---- how far apart texture coordinates may be and still share a vertex: a few cells'
    // worth of texture at the mesh's mean texture density. An island that wraps round (a
    // cylinder's texture cut along one line) meets itself at its seam with coordinates a whole
    // tile apart; the corners of the two sides then stay apart.
    double surfaceArea = 0.0, textureArea = 0.0;
    const auto corners = static_cast<std::int32_t>(in.cornerVertex.size());
    const auto vertexOk = [&](std::int32_t k) {
        const std::int32_t v = in.cornerVertex[static_cast<std::size_t>(k)];
        return v >= 0 && static_cast<std::size_t>(v) < vertexCount &&
               finite(in.vertices[static_cast<std::size_t>(v)]);
    };
    for (std::int32_t p = 0; p < polygons; ++p) {
        const std::int32_t s = in.polygonStart[p], e = std::min(in.polygonStart[p + 1], corners);
        for (std::int32_t k = s + 1; k + 1 < e; ++k) {
            const std::int32_t ks[3] = {s, k, k + 1};
            if (!vertexOk(ks[0]) || !vertexOk(ks[1]) || !vertexOk(ks[2])) {
                continue;
            }
            const Vector3& a = in.vertices[static_cast<std::size_t>(in.cornerVertex[s])];
            const Vector3& b = in.vertices[static_cast<std::size_t>(in.cornerVertex[k])];
            const Vector3& c = in.vertices[static_cast<std::size_t>(in.cornerVertex[k + 1])];
            const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
            const double w[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
            const double x = u[1] * w[2] - u[2] * w[1], y = u[2] * w[0] - u[0] * w[2],
                         z = u[0] * w[1] - u[1] * w[0];
            surfaceArea += 0.5 * std::sqrt(x * x + y * y + z * z);
            const std::int32_t ta = texCoordOf(s), tb = texCoordOf(k), tc = texCoordOf(k + 1);
            if (ta >= 0 && tb >= 0 && tc >= 0) {
                const Vector2& pa = in.texcoords[static_cast<std::size_t>(ta)];
                const Vector2& pb = in.texcoords[static_cast<std::size_t>(tb)];
                const Vector2& pc = in.texcoords[static_cast<std::size_t>(tc)];
                textureArea += 0.5 * std::abs((static_cast<double>(pb.u) - pa.u) * (pc.v - pa.v) -
                                              (static_cast<double>(pc.u) - pa.u) * (pb.v - pa.v));
            }
        }
    }
    const double texturePerLength =
        surfaceArea > 0.0 && textureArea > 0.0 ? std::sqrt(textureArea / surfaceArea) : 0.0;
    const double seamGap = texturePerLength > 0.0 ? 3.0 * grid.size * texturePerLength
                                                  : std::numeric_limits<double>::infinity();

    // ---- clusters and triangles in one pass over the polygons
    // A cluster is the corners of one cell, one island and one side of a seam. Clusters of one
    // cell and island are chained from the first, whose id the table holds.
    struct Cluster {
        double x = 0, y = 0, z = 0;
        double nx = 0, ny = 0, nz = 0;
        double u = 0, v = 0;
        float refU = 0, refV = 0; // the texture coordinate of its first corner
        std::int32_t count = 0;
        std::int32_t next = -1;
        std::array<std::int32_t, 3> cell{};
    };
    std::vector<Cluster> clusters;
    const auto expected = static_cast<std::size_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(vertexCount), std::max<std::int64_t>(targetTriangles, 16)));
    clusters.reserve(expected);
    KeyTable clusterOfKey(expected);
    const auto near = [&](const Cluster& c, const Vector2& uv) {
        return std::abs(static_cast<double>(uv.u) - c.refU) <= seamGap &&
               std::abs(static_cast<double>(uv.v) - c.refV) <= seamGap;
    };
    // Most vertices lie in one island on one side: the last cluster found for a vertex is tried
    // first.
    std::vector<std::int32_t> vertexCluster(vertexCount, -1), vertexIsland(vertexCount, -2);
    const auto normalOf = [&](std::int32_t k) -> const Vector3* {
        const std::int32_t n = static_cast<std::size_t>(k) < in.cornerNormal.size()
                                   ? in.cornerNormal[static_cast<std::size_t>(k)]
                                   : -1;
        if (n < 0 || static_cast<std::size_t>(n) >= in.normals.size()) {
            return nullptr;
        }
        const Vector3& normal = in.normals[static_cast<std::size_t>(n)];
        return finite(normal) ? &normal : nullptr;
    };
    std::vector<std::int32_t> local; // the clusters of one polygon's corners
    KeyTable kept(static_cast<std::size_t>(targetTriangles));
    std::vector<std::uint32_t> tris;
    std::vector<std::int32_t> triMaterial;
    tris.reserve(static_cast<std::size_t>(targetTriangles) * 3);
    triMaterial.reserve(static_cast<std::size_t>(targetTriangles));
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
            if (!vertexOk(k)) {
                continue;
            }
            const auto v = static_cast<std::size_t>(in.cornerVertex[static_cast<std::size_t>(k)]);
            const Vector3& position = in.vertices[v];
            const std::int32_t t = texCoordOf(k);
            const Vector2 uv = t >= 0 ? in.texcoords[static_cast<std::size_t>(t)] : Vector2{};
            const std::int32_t island = t >= 0 ? islands.find(t) : -1;
            std::int32_t c = vertexCluster[v];
            if (c < 0 || vertexIsland[v] != island ||
                !near(clusters[static_cast<std::size_t>(c)], uv)) {
                const auto cell = grid.cellOf(position);
                bool added = false;
                const std::int32_t head = clusterOfKey.findOrAdd(
                    Grid::key(cell), island, static_cast<std::int32_t>(clusters.size()), added);
                c = head;
                if (!added) {
                    while (c >= 0 && !near(clusters[static_cast<std::size_t>(c)], uv)) {
                        c = clusters[static_cast<std::size_t>(c)].next;
                    }
                }
                if (added || c < 0) {
                    c = static_cast<std::int32_t>(clusters.size());
                    Cluster fresh;
                    fresh.cell = cell;
                    fresh.refU = uv.u;
                    fresh.refV = uv.v;
                    if (!added) {
                        fresh.next = clusters[static_cast<std::size_t>(head)].next;
                        clusters[static_cast<std::size_t>(head)].next = c;
                    }
                    clusters.push_back(fresh);
                }
                vertexCluster[v] = c;
                vertexIsland[v] = island;
            }
            Cluster& cluster = clusters[static_cast<std::size_t>(c)];
            cluster.x += position.x;
            cluster.y += position.y;
            cluster.z += position.z;
            const Vector3* normal = normalOf(k);
            if (normal == nullptr) {
                if (!ownNormal) {
                    faceNormal = polygonNormal(in, s, e);
                    ownNormal = true;
                }
                normal = &faceNormal;
            }
            cluster.nx += normal->x;
            cluster.ny += normal->y;
            cluster.nz += normal->z;
            cluster.u += uv.u;
            cluster.v += uv.v;
            ++cluster.count;
            local[static_cast<std::size_t>(k - s)] = c;
        }
        const std::int32_t material =
            static_cast<std::size_t>(p) < in.polygonMaterial.size()
                ? std::max(in.polygonMaterial[static_cast<std::size_t>(p)], 0)
                : 0;
        for (std::int32_t i = 1; i + 1 < e - s; ++i) {
            std::int32_t a = local[0], b = local[static_cast<std::size_t>(i)],
                         c = local[static_cast<std::size_t>(i + 1)];
            if (a < 0 || b < 0 || c < 0 || a == b || b == c || a == c) {
                continue;
            }
            const auto& ca = clusters[static_cast<std::size_t>(a)].cell;
            const auto& cb = clusters[static_cast<std::size_t>(b)].cell;
            const auto& cc = clusters[static_cast<std::size_t>(c)].cell;
            if (ca == cb || cb == cc || ca == cc) {
                continue; // two corners in one cell: the vertices coincide
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
    // Free the big per-vertex arrays before the output is made.
    vertexCluster = {};
    vertexIsland = {};
    // Every cluster of a cell stands at the mean of all the cell's corners, so the sides of a
    // seam meet without a crack.
    {
        KeyTable cellOfKey(clusters.size());
        std::vector<std::int32_t> cellFirst(clusters.size(), -1);
        std::vector<std::array<double, 4>> cellSum;
        for (std::size_t c = 0; c < clusters.size(); ++c) {
            bool added = false;
            const std::int32_t id = cellOfKey.findOrAdd(
                Grid::key(clusters[c].cell), 0, static_cast<std::int32_t>(cellSum.size()), added);
            if (added) {
                cellSum.push_back({0.0, 0.0, 0.0, 0.0});
            }
            auto& sum = cellSum[static_cast<std::size_t>(id)];
            sum[0] += clusters[c].x;
            sum[1] += clusters[c].y;
            sum[2] += clusters[c].z;
            sum[3] += clusters[c].count;
            cellFirst[c] = id;
        }
        for (std::size_t c = 0; c < clusters.size(); ++c) {
            const auto& sum = cellSum[static_cast<std::size_t>(cellFirst[c])];
            const double scale = clusters[c].count / sum[3];
            clusters[c].x = sum[0] * scale;
            clusters[c].y = sum[1] * scale;
            clusters[c].z = sum[2] * scale;
        }
    }

    // ---- the vertices the triangles use, renumbered in order of first use
    std::vector<std::int32_t> renumber(clusters.size(), -1);
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
    for (std::size_t c = 0; c < clusters.size(); ++c) {
        if (renumber[c] < 0) {
            continue;
        }
        const Cluster& k = clusters[c];
        const auto at = static_cast<std::size_t>(renumber[c]);
        const double n = k.count;
        out.positions[at] = {static_cast<float>(k.x / n), static_cast<float>(k.y / n),
                             static_cast<float>(k.z / n)};
        out.texcoords[at] = {static_cast<float>(k.u / n), static_cast<float>(k.v / n)};
        const double length = std::sqrt(k.nx * k.nx + k.ny * k.ny + k.nz * k.nz);
        if (length > 1e-6 * n) {
            out.normals[at] = {static_cast<float>(k.nx / length), static_cast<float>(k.ny / length),
                               static_cast<float>(k.nz / length)};
        }
        out.vertexCell[at] = k.cell;
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
