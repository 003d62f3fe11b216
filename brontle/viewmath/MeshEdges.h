#pragma once
// The undirected edges of a polygon mesh, built once in near-linear time: each edge with the
// half-edges (polygon, corner) that run along it, and each vertex with its edges. Used to turn a
// picked half-edge into the whole edge and to walk edge loops.

#include "brontle/viewmath/Picking.h"

#include <cstdint>
#include <span>
#include <vector>

namespace brontle {

struct HalfEdge {
    std::int32_t polygon = 0;
    std::int32_t corner = 0; // the edge runs from this corner to the next (last wraps to 0)
    friend bool operator==(const HalfEdge&, const HalfEdge&) = default;
};

class MeshEdges {
  public:
    explicit MeshEdges(const MeshArrays& mesh);

    std::int32_t edgeCount() const { return static_cast<std::int32_t>(endA_.size()); }
    std::int32_t vertexA(std::int32_t e) const { return endA_[e]; }
    std::int32_t vertexB(std::int32_t e) const { return endB_[e]; }
    // The half-edges along edge e, in corner order of the mesh.
    std::span<const HalfEdge> halfEdges(std::int32_t e) const;
    // One half-edge: a boundary edge, two: an inner edge, more: a non-manifold edge.
    bool isBoundary(std::int32_t e) const { return halfEdges(e).size() == 1; }
    // Edges at vertex v, ascending.
    std::span<const std::int32_t> edgesOfVertex(std::int32_t v) const;
    // The edge of a half-edge; -1 for a corner outside the mesh. Zero-length edges (a corner
    // repeating its vertex) have no edge.
    std::int32_t edgeOf(std::int32_t polygon, std::int32_t corner) const;
    // The edge joining two vertices, or -1.
    std::int32_t edgeBetween(std::int32_t a, std::int32_t b) const;

  private:
    MeshArrays mesh_;
    std::vector<std::int32_t> endA_, endB_;
    std::vector<std::int32_t> halfStart_; // edgeCount + 1 offsets into halves_
    std::vector<HalfEdge> halves_;
    std::vector<std::int32_t> cornerEdge_;  // per global corner
    std::vector<std::int32_t> vertexStart_; // vertex count + 1 offsets into vertexEdges_
    std::vector<std::int32_t> vertexEdges_;
};

// The edges as GL_LINES vertex index pairs, edge e at 2e (vertexA, the lower) and 2e + 1
// (vertexB): each edge once however many polygons share it, so a shared wire is drawn once.
std::vector<std::uint32_t> wireIndexPairs(const MeshEdges& edges);

} // namespace brontle
