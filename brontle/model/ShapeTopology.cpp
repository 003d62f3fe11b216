// Vertex-to-polygon adjacency by counting sort: two passes over the corners.
#include "brontle/model/Shape.h"

namespace brontle {

Topology Shape::GetTopology() const {
    Topology t;
    t.vertexCount = GetVertexCount();
    t.positions = vertices();
    t.polygonStart = polygonStart();
    t.cornerVertex = cornerVertex();
    const std::int32_t polygons = GetPolygonCount();
    // A polygon that uses a vertex twice is listed once: `lastPolygon` remembers the polygon
    // that last counted each vertex, and polygons are visited in ascending order.
    std::vector<std::int32_t> lastPolygon(static_cast<std::size_t>(t.vertexCount), -1);
    t.vertexPolygonStart.assign(static_cast<std::size_t>(t.vertexCount) + 1, 0);
    for (std::int32_t p = 0; p < polygons; ++p) {
        for (std::int32_t c = t.polygonStart[p]; c < t.polygonStart[p + 1]; ++c) {
            const std::int32_t v = t.cornerVertex[c];
            if (lastPolygon[v] != p) {
                lastPolygon[v] = p;
                ++t.vertexPolygonStart[v + 1];
            }
        }
    }
    for (std::int32_t v = 0; v < t.vertexCount; ++v) {
        t.vertexPolygonStart[v + 1] += t.vertexPolygonStart[v];
    }
    t.vertexPolygons.resize(static_cast<std::size_t>(t.vertexPolygonStart.back()));
    std::vector<std::int32_t> fill(t.vertexPolygonStart.begin(), t.vertexPolygonStart.end() - 1);
    std::fill(lastPolygon.begin(), lastPolygon.end(), -1);
    for (std::int32_t p = 0; p < polygons; ++p) {
        for (std::int32_t c = t.polygonStart[p]; c < t.polygonStart[p + 1]; ++c) {
            const std::int32_t v = t.cornerVertex[c];
            if (lastPolygon[v] != p) {
                lastPolygon[v] = p;
                t.vertexPolygons[fill[v]++] = p;
            }
        }
    }
    return t;
}

} // namespace brontle
