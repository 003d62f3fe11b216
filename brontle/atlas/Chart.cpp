#include "brontle/atlas/Chart.h"

#include <cassert>

namespace brontle::atlas {

void numberChartVertices(const MeshAdjacency& adj, Chart& chart,
                         std::vector<std::int32_t>& scratch) {
    assert(static_cast<int>(scratch.size()) == adj.vertexCount);
    chart.vertices.clear();
    chart.cornerLocal.clear();
    for (const std::int32_t p : chart.polygons) {
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            const std::int32_t v = adj.cornerVertex[c];
            if (scratch[v] < 0) {
                scratch[v] = static_cast<std::int32_t>(chart.vertices.size());
                chart.vertices.push_back(v);
            }
            chart.cornerLocal.push_back(scratch[v]);
        }
    }
    for (const std::int32_t v : chart.vertices) {
        scratch[v] = -1;
    }
}

int eulerCharacteristic(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                        std::int32_t chartId, const Chart& chart) {
    long long innerHalfEdges = 0;
    long long borderEdges = 0;
    for (const std::int32_t p : chart.polygons) {
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            if (isChartBorder(adj, owner, chartId, c)) {
                ++borderEdges;
            } else {
                ++innerHalfEdges;
            }
        }
    }
    const long long edges = innerHalfEdges / 2 + borderEdges;
    return static_cast<int>(static_cast<long long>(chart.vertices.size()) - edges +
                            static_cast<long long>(chart.polygons.size()));
}

double chartArea3d(const MeshAdjacency& adj, const Chart& chart) {
    double area = 0.0;
    for (const std::int32_t p : chart.polygons) {
        area += adj.polygonArea[p];
    }
    return area;
}

} // namespace brontle::atlas
