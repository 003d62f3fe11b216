#include "brontle/viewmath/MeshEdges.h"

#include <algorithm>
#include <cassert>
#include <numeric>
#include <utility>

namespace brontle {

MeshEdges::MeshEdges(const MeshArrays& mesh) : mesh_(mesh) {
    const std::size_t corners = mesh.cornerVertex.size();
    const std::int32_t polygons = mesh.polygonCount();
    // Sort the half-edges by their (low, high) vertex pair; equal pairs are one edge.
    struct Item {
        std::int32_t lo, hi, corner;
    };
    std::vector<Item> items;
    items.reserve(corners);
    for (std::int32_t p = 0; p < polygons; ++p) {
        const std::int32_t s = mesh.polygonStart[p], e = mesh.polygonStart[p + 1];
        for (std::int32_t k = s; k < e; ++k) {
            const std::int32_t a = mesh.cornerVertex[k];
            const std::int32_t b = mesh.cornerVertex[k + 1 < e ? k + 1 : s];
            if (a != b) {
                items.push_back({std::min(a, b), std::max(a, b), k});
            }
        }
    }
    std::sort(items.begin(), items.end(), [](const Item& x, const Item& y) {
        return x.lo != y.lo ? x.lo < y.lo : (x.hi != y.hi ? x.hi < y.hi : x.corner < y.corner);
    });
    cornerEdge_.assign(corners, -1);
    halfStart_.push_back(0);
    // Polygon of each corner, walking polygons alongside (items are not in corner order).
    std::vector<std::int32_t> cornerPolygon(corners);
    for (std::int32_t p = 0; p < polygons; ++p) {
        for (std::int32_t k = mesh.polygonStart[p]; k < mesh.polygonStart[p + 1]; ++k) {
            cornerPolygon[k] = p;
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i == 0 || items[i].lo != items[i - 1].lo || items[i].hi != items[i - 1].hi) {
            if (i != 0) {
                halfStart_.push_back(static_cast<std::int32_t>(halves_.size()));
            }
            endA_.push_back(items[i].lo);
            endB_.push_back(items[i].hi);
        }
        const std::int32_t k = items[i].corner;
        const std::int32_t p = cornerPolygon[k];
        halves_.push_back({p, k - mesh.polygonStart[p]});
        cornerEdge_[k] = static_cast<std::int32_t>(endA_.size()) - 1;
    }
    if (!items.empty()) {
        halfStart_.push_back(static_cast<std::int32_t>(halves_.size()));
    }
    // Vertex to edges, by counting.
    const std::size_t vertices = mesh.vertices.size();
    vertexStart_.assign(vertices + 1, 0);
    for (std::size_t e = 0; e < endA_.size(); ++e) {
        ++vertexStart_[endA_[e] + 1];
        ++vertexStart_[endB_[e] + 1];
    }
    std::partial_sum(vertexStart_.begin(), vertexStart_.end(), vertexStart_.begin());
    vertexEdges_.assign(static_cast<std::size_t>(vertexStart_.back()), 0);
    std::vector<std::int32_t> fill(vertexStart_.begin(), vertexStart_.end() - 1);
    for (std::size_t e = 0; e < endA_.size(); ++e) {
        vertexEdges_[fill[endA_[e]]++] = static_cast<std::int32_t>(e);
        vertexEdges_[fill[endB_[e]]++] = static_cast<std::int32_t>(e);
    }
}

std::span<const HalfEdge> MeshEdges::halfEdges(std::int32_t e) const {
    return {halves_.data() + halfStart_[e], halves_.data() + halfStart_[e + 1]};
}

std::span<const std::int32_t> MeshEdges::edgesOfVertex(std::int32_t v) const {
    return {vertexEdges_.data() + vertexStart_[v], vertexEdges_.data() + vertexStart_[v + 1]};
}

std::int32_t MeshEdges::edgeOf(std::int32_t polygon, std::int32_t corner) const {
    if (polygon < 0 || polygon >= mesh_.polygonCount() || corner < 0) {
        return -1;
    }
    const std::int32_t k = mesh_.polygonStart[polygon] + corner;
    if (k >= mesh_.polygonStart[polygon + 1]) {
        return -1;
    }
    return cornerEdge_[k];
}

std::int32_t MeshEdges::edgeBetween(std::int32_t a, std::int32_t b) const {
    if (a < 0 || a + 1 >= static_cast<std::int32_t>(vertexStart_.size())) {
        return -1;
    }
    for (std::int32_t e : edgesOfVertex(a)) {
        if ((endA_[e] == a && endB_[e] == b) || (endA_[e] == b && endB_[e] == a)) {
            return e;
        }
    }
    return -1;
}

std::vector<std::uint32_t> wireIndexPairs(const MeshEdges& edges) {
    std::vector<std::uint32_t> pairs(static_cast<std::size_t>(edges.edgeCount()) * 2);
    for (std::int32_t e = 0; e < edges.edgeCount(); ++e) {
        pairs[2 * e] = static_cast<std::uint32_t>(edges.vertexA(e));
        pairs[2 * e + 1] = static_cast<std::uint32_t>(edges.vertexB(e));
    }
    return pairs;
}

} // namespace brontle
