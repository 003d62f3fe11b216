#pragma once
// A chart: a set of whole polygons flattened together, with its own numbering of the mesh
// vertices it touches. Every corner of the chart refers to a chart-local vertex, so corners that
// share a mesh vertex inside the chart share one texture coordinate.

#include "brontle/atlas/Geometry.h"
#include "brontle/atlas/MeshAdjacency.h"

#include <cstdint>
#include <vector>

namespace brontle::atlas {

struct Chart {
    std::vector<std::int32_t> polygons;    // mesh polygon indices, ascending
    std::vector<std::int32_t> vertices;    // chart-local vertex -> mesh vertex
    std::vector<std::int32_t> cornerLocal; // the corners of `polygons` in order -> local vertex
    std::vector<Vec2d> uv;                 // one 2D position per local vertex (empty until flat)
    bool convexEmbedded = false;           // uv comes from the convex embedding (a last resort)
    bool projected = false;                // uv is the projection of a (nearly) planar chart
};

// Fills chart.vertices and chart.cornerLocal from chart.polygons, numbering local vertices in
// order of first use. `scratch` has one entry per mesh vertex, all -1 on entry and on return.
void numberChartVertices(const MeshAdjacency& adj, Chart& chart,
                         std::vector<std::int32_t>& scratch);

// True when the edge started by corner `c` lies on the border of the chart whose polygons carry
// `chartId` in `owner` (one entry per polygon).
inline bool isChartBorder(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                          std::int32_t chartId, int c) {
    const int o = adj.oppositeCorner[c];
    return o < 0 || owner[adj.cornerPolygon[o]] != chartId;
}

// Euler characteristic V - E + F of the chart as a surface; 1 exactly for a topological disc
// (2 for a closed sphere-like chart, 0 for an annulus or a chart pinched at a vertex).
// Requires chart.vertices to be numbered.
int eulerCharacteristic(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                        std::int32_t chartId, const Chart& chart);

// Sum of polygon areas of the chart in 3D.
double chartArea3d(const MeshAdjacency& adj, const Chart& chart);

} // namespace brontle::atlas
