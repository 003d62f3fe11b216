#pragma once
// Adjacency tables of a shape, built in one pass (counting sort), never by scanning.

#include "brontle/core/Records.h"

#include <cstdint>
#include <span>
#include <vector>

namespace brontle {

struct Topology {
    std::int32_t vertexCount = 0;
    std::vector<Vector3> positions;               // vertexCount entries
    std::vector<std::int32_t> vertexPolygonStart; // vertexCount + 1 offsets into vertexPolygons
    std::vector<std::int32_t> vertexPolygons;     // per vertex: the polygons using it, ascending,
                                                  // each polygon once
    std::vector<std::int32_t> polygonStart;       // polygon count + 1 offsets into cornerVertex
    std::vector<std::int32_t> cornerVertex;       // per corner: its vertex

    std::int32_t polygonCount() const {
        return polygonStart.empty() ? 0 : static_cast<std::int32_t>(polygonStart.size()) - 1;
    }
    std::span<const std::int32_t> polygonsOfVertex(std::int32_t v) const {
        return {vertexPolygons.data() + vertexPolygonStart[v],
                vertexPolygons.data() + vertexPolygonStart[v + 1]};
    }
    std::span<const std::int32_t> cornersOfPolygon(std::int32_t p) const {
        return {cornerVertex.data() + polygonStart[p], cornerVertex.data() + polygonStart[p + 1]};
    }
};

} // namespace brontle
