#include "brontle/atlas/MeshAdjacency.h"

#include "brontle/core/Error.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <string>

namespace brontle::atlas {
namespace {

constexpr std::uint64_t kEmptyKey = ~std::uint64_t{0};

std::uint64_t edgeKey(std::int32_t a, std::int32_t b) {
    const auto lo = static_cast<std::uint32_t>(a < b ? a : b);
    const auto hi = static_cast<std::uint32_t>(a < b ? b : a);
    return (std::uint64_t{lo} << 32) | hi;
}

// Open-addressing table from an undirected edge to the corners that start it. Flat arrays and a
// power-of-two capacity keep the build linear and free of per-edge allocations, which matters at
// a million polygons. Lookups never depend on the table's iteration order, so results are
// deterministic.
class EdgeTable {
  public:
    explicit EdgeTable(std::size_t cornerCount) {
        const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(16, cornerCount * 2));
        mask_ = capacity - 1;
        keys_.assign(capacity, kEmptyKey);
        head_.assign(capacity, -1);
        count_.assign(capacity, 0);
        seam_.assign(capacity, 0);
        next_.assign(cornerCount, -1);
    }

    void insert(std::uint64_t key, std::int32_t corner) {
        const std::size_t slot = find(key, true);
        next_[corner] = head_[slot];
        head_[slot] = corner;
        ++count_[slot];
    }
    // Slot of `key`; with `create` an empty slot is claimed, otherwise a missing key gives npos.
    std::size_t find(std::uint64_t key, bool create) {
        std::size_t slot = mix(key) & mask_;
        while (keys_[slot] != key) {
            if (keys_[slot] == kEmptyKey) {
                if (!create) {
                    return npos;
                }
                keys_[slot] = key;
                return slot;
            }
            slot = (slot + 1) & mask_;
        }
        return slot;
    }
    static constexpr std::size_t npos = ~std::size_t{0};

    std::vector<std::uint64_t> keys_;
    std::vector<std::int32_t> head_;
    std::vector<std::int32_t> count_;
    std::vector<std::uint8_t> seam_;
    std::vector<std::int32_t> next_;

  private:
    static std::size_t mix(std::uint64_t k) {
        k ^= k >> 33;
        k *= 0xff51afd7ed558ccdULL;
        k ^= k >> 33;
        return static_cast<std::size_t>(k);
    }
    std::size_t mask_ = 0;
};

[[noreturn]] void badMesh(const std::string& why) {
    throw Error(ErrorNumber::HostBadMesh, "Atlas generation: " + why, "brontle::atlas");
}

} // namespace

void validateMesh(const MeshView& mesh) {
    if (mesh.polygonStart.size() < 2) {
        badMesh("the mesh has no polygons");
    }
    const auto cornerCount = static_cast<std::int64_t>(mesh.cornerVertex.size());
    if (mesh.polygonStart.front() != 0 || mesh.polygonStart.back() != cornerCount) {
        badMesh("polygon offsets must run from 0 to the corner count");
    }
    const std::size_t polygonCount = mesh.polygonStart.size() - 1;
    for (std::size_t p = 0; p < polygonCount; ++p) {
        if (mesh.polygonStart[p + 1] - mesh.polygonStart[p] < 3) {
            badMesh("polygon " + std::to_string(p) + " has fewer than 3 corners");
        }
    }
    const auto vertexCount = static_cast<std::int64_t>(mesh.positions.size());
    for (std::size_t c = 0; c < mesh.cornerVertex.size(); ++c) {
        const std::int32_t v = mesh.cornerVertex[c];
        if (v < 0 || v >= vertexCount) {
            badMesh("corner " + std::to_string(c) + " uses vertex " + std::to_string(v) +
                    ", out of range 0.." + std::to_string(vertexCount - 1));
        }
    }
    for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
        const Vector3& p = mesh.positions[v];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            badMesh("vertex " + std::to_string(v) + " has a NaN or infinite coordinate");
        }
    }
}

MeshAdjacency buildAdjacency(const MeshView& mesh) {
    MeshAdjacency adj;
    adj.polygonCount = static_cast<int>(mesh.polygonStart.size()) - 1;
    adj.vertexCount = static_cast<int>(mesh.positions.size());
    adj.polygonStart.assign(mesh.polygonStart.begin(), mesh.polygonStart.end());
    adj.cornerVertex.assign(mesh.cornerVertex.begin(), mesh.cornerVertex.end());
    adj.positions.resize(mesh.positions.size());
    for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
        const Vector3& p = mesh.positions[v];
        adj.positions[v] = {p.x, p.y, p.z};
    }
    const int cornerCount = adj.cornerCount();
    adj.cornerPolygon.resize(cornerCount);
    adj.polygonNormal.resize(adj.polygonCount);
    adj.polygonArea.resize(adj.polygonCount);
    for (int p = 0; p < adj.polygonCount; ++p) {
        const int begin = adj.polygonStart[p];
        const int end = adj.polygonStart[p + 1];
        // Newell's vector area, taken relative to the first corner so that meshes far from the
        // origin do not lose the area of small polygons to cancellation.
        const Vec3d origin = adj.positions[adj.cornerVertex[begin]];
        Vec3d areaVector;
        for (int c = begin; c < end; ++c) {
            adj.cornerPolygon[c] = p;
            const int n = c + 1 < end ? c + 1 : begin;
            areaVector += cross(adj.positions[adj.cornerVertex[c]] - origin,
                                adj.positions[adj.cornerVertex[n]] - origin);
        }
        const double twiceArea = length(areaVector);
        adj.polygonArea[p] = 0.5 * twiceArea;
        adj.polygonNormal[p] = twiceArea > 0.0 ? areaVector * (1.0 / twiceArea) : Vec3d{};
    }

    EdgeTable table(static_cast<std::size_t>(cornerCount));
    for (int c = 0; c < cornerCount; ++c) {
        table.insert(edgeKey(adj.cornerVertex[c], adj.cornerVertex[adj.nextCorner(c)]), c);
    }
    for (const SubSelectionEntry& seam : mesh.seams) {
        if (seam.index < 0 || seam.index >= adj.polygonCount) {
            throw Error(ErrorNumber::HostBadArgument,
                        "Atlas generation: seam names polygon " + std::to_string(seam.index) +
                            ", out of range",
                        "brontle::atlas");
        }
        const int size = adj.polygonStart[seam.index + 1] - adj.polygonStart[seam.index];
        if (seam.corner < 0 || seam.corner >= size) {
            throw Error(ErrorNumber::HostBadArgument,
                        "Atlas generation: seam names corner " + std::to_string(seam.corner) +
                            " of polygon " + std::to_string(seam.index) + ", out of range",
                        "brontle::atlas");
        }
        const int c = adj.polygonStart[seam.index] + seam.corner;
        const std::size_t slot =
            table.find(edgeKey(adj.cornerVertex[c], adj.cornerVertex[adj.nextCorner(c)]), false);
        table.seam_[slot] = 1;
    }

    adj.oppositeCorner.assign(cornerCount, -1);
    for (int c = 0; c < cornerCount; ++c) {
        const int a = adj.cornerVertex[c];
        const int b = adj.cornerVertex[adj.nextCorner(c)];
        if (a == b) {
            continue; // a zero-length edge joins nothing
        }
        const std::size_t slot = table.find(edgeKey(a, b), false);
        if (table.count_[slot] != 2 || table.seam_[slot]) {
            continue;
        }
        const int other = table.head_[slot] == c ? table.next_[c] : table.head_[slot];
        const bool reversed = adj.cornerVertex[other] == b;
        if (reversed && adj.cornerPolygon[other] != adj.cornerPolygon[c]) {
            adj.oppositeCorner[c] = other;
        }
    }
    return adj;
}

} // namespace brontle::atlas
