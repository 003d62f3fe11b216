#include "brontle/viewmath/ChartSelection.h"

#include <algorithm>
#include <numeric>

namespace brontle {

namespace {

std::int32_t findRoot(std::vector<std::int32_t>& parent, std::int32_t v) {
    while (parent[v] != v) {
        parent[v] = parent[parent[v]]; // path halving keeps the trees flat
        v = parent[v];
    }
    return v;
}

// Marks, per chart id, whether a seed lies in it.
std::vector<char> seededCharts(const std::vector<std::int32_t>& chart,
                               std::span<const std::int32_t> seeds) {
    std::int32_t charts = 0;
    for (std::int32_t c : chart) {
        charts = std::max(charts, c + 1);
    }
    std::vector<char> seeded(static_cast<std::size_t>(charts), 0);
    for (std::int32_t s : seeds) {
        if (s >= 0 && s < static_cast<std::int32_t>(chart.size()) && chart[s] >= 0) {
            seeded[chart[s]] = 1;
        }
    }
    return seeded;
}

} // namespace

std::vector<std::int32_t> chartOfVertex(const MeshArrays& mesh) {
    const std::int32_t n = static_cast<std::int32_t>(mesh.vertices.size());
    std::vector<std::int32_t> parent(static_cast<std::size_t>(n));
    std::iota(parent.begin(), parent.end(), 0);
    std::vector<char> used(static_cast<std::size_t>(n), 0);
    for (std::int32_t p = 0; p < mesh.polygonCount(); ++p) {
        const std::int32_t s = mesh.polygonStart[p], e = mesh.polygonStart[p + 1];
        for (std::int32_t k = s; k < e; ++k) {
            used[mesh.cornerVertex[k]] = 1;
            const std::int32_t a = findRoot(parent, mesh.cornerVertex[s]);
            const std::int32_t b = findRoot(parent, mesh.cornerVertex[k]);
            if (a != b) {
                parent[std::max(a, b)] = std::min(a, b); // the lowest vertex stays the root
            }
        }
    }
    std::vector<std::int32_t> chart(static_cast<std::size_t>(n), -1);
    std::int32_t next = 0;
    for (std::int32_t v = 0; v < n; ++v) {
        if (!used[v]) {
            continue;
        }
        const std::int32_t root = findRoot(parent, v);
        if (root == v) {
            chart[v] = next++;
        } else {
            chart[v] = chart[root]; // the root is lower, so it already has its number
        }
    }
    return chart;
}

SubSelection selectCharts(const MeshArrays& mesh, const SubSelection& current,
                          std::span<const std::int32_t> seeds) {
    const std::vector<std::int32_t> chart = chartOfVertex(mesh);
    const std::vector<char> seeded = seededCharts(chart, seeds);
    std::vector<char> listed(chart.size(), 0);
    SubSelection out;
    for (const SubSelectionEntry& e : current.entries) {
        if (e.index >= 0 && e.index < static_cast<std::int32_t>(chart.size()) && !listed[e.index]) {
            listed[e.index] = 1;
            out.add(e.index);
        }
    }
    for (std::size_t v = 0; v < chart.size(); ++v) {
        if (chart[v] >= 0 && seeded[chart[v]] && !listed[v]) {
            listed[v] = 1;
            out.add(static_cast<std::int32_t>(v));
        }
    }
    return out;
}

SubSelection deselectCharts(const MeshArrays& mesh, const SubSelection& current,
                            std::span<const std::int32_t> seeds) {
    const std::vector<std::int32_t> chart = chartOfVertex(mesh);
    const std::vector<char> seeded = seededCharts(chart, seeds);
    SubSelection out;
    for (const SubSelectionEntry& e : current.entries) {
        const bool inMesh = e.index >= 0 && e.index < static_cast<std::int32_t>(chart.size());
        const bool removed = inMesh && chart[e.index] >= 0 && seeded[chart[e.index]];
        if (inMesh && !removed) {
            out.add(e.index);
        }
    }
    return out;
}

} // namespace brontle
