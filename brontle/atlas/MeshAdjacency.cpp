#include "brontle/atlas/MeshAdjacency.h"

#include "brontle/core/Error.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace brontle::atlas {
namespace {

// The corners of the mesh grouped by the vertex that starts their edge, each group sorted by the
// vertex the edge ends at: a counting sort over the corners and a sort within each group, so the
// corners along an edge are found by a binary search in one group. Linear in the corners but for
// the sorts within groups (a fan's centre of d polygons costs d log d, not d squared), and far
// kinder to the cache at a million polygons than a hash table of edges.
class OutgoingCorners {
  public:
    explicit OutgoingCorners(const MeshAdjacency& adj) : start_(adj.vertexCount + 1, 0) {
        const int cornerCount = adj.cornerCount();
        for (int c = 0; c < cornerCount; ++c) {
            ++start_[adj.cornerVertex[c] + 1];
        }
        for (int v = 0; v < adj.vertexCount; ++v) {
            start_[v + 1] += start_[v];
        }
        keys_.resize(cornerCount);
        std::vector<std::int32_t> fill(start_.begin(), start_.end() - 1);
        for (int p = 0; p < adj.polygonCount; ++p) {
            const int begin = adj.polygonStart[p];
            const int end = adj.polygonStart[p + 1];
            for (int c = begin; c < end; ++c) {
                const int next = c + 1 < end ? c + 1 : begin;
                keys_[fill[adj.cornerVertex[c]]++] =
                    (std::uint64_t{static_cast<std::uint32_t>(adj.cornerVertex[next])} << 32) |
                    static_cast<std::uint32_t>(c);
            }
        }
        for (int v = 0; v < adj.vertexCount; ++v) {
            if (start_[v + 1] - start_[v] > 1) {
                std::sort(keys_.begin() + start_[v], keys_.begin() + start_[v + 1]);
            }
        }
    }

    // The corners whose edge runs from `from` to `to`, as a range of keys (corner in the low
    // 32 bits).
    std::pair<const std::uint64_t*, const std::uint64_t*> along(std::int32_t from,
                                                                std::int32_t to) const {
        const std::uint64_t* first = keys_.data() + start_[from];
        const std::uint64_t* last = keys_.data() + start_[from + 1];
        const std::uint64_t low = std::uint64_t{static_cast<std::uint32_t>(to)} << 32;
        const std::uint64_t high = low | 0xffffffffULL;
        return {std::lower_bound(first, last, low), std::upper_bound(first, last, high)};
    }

  private:
    std::vector<std::int32_t> start_;
    std::vector<std::uint64_t> keys_;
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

    const OutgoingCorners outgoing(adj);
    // A seam cuts its edge for the corners on both sides of it.
    std::vector<std::uint8_t> seamCorner(cornerCount, 0);
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
        seamCorner[adj.polygonStart[seam.index] + seam.corner] = 1;
    }

    // Two polygons are joined across an edge that exactly two corners start, in opposite
    // directions, in different polygons, and that no seam names.
    adj.oppositeCorner.assign(cornerCount, -1);
    for (int c = 0; c < cornerCount; ++c) {
        const int a = adj.cornerVertex[c];
        const int b = adj.cornerVertex[adj.nextCorner(c)];
        if (a == b) {
            continue; // a zero-length edge joins nothing
        }
        const auto same = outgoing.along(a, b);
        const auto back = outgoing.along(b, a);
        if (same.second - same.first != 1 || back.second - back.first != 1) {
            continue;
        }
        const auto other = static_cast<std::int32_t>(*back.first & 0xffffffffULL);
        if (!seamCorner[c] && !seamCorner[other] &&
            adj.cornerPolygon[other] != adj.cornerPolygon[c]) {
            adj.oppositeCorner[c] = other;
        }
    }
    return adj;
}

} // namespace brontle::atlas
