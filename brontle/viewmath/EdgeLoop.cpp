#include "brontle/viewmath/EdgeLoop.h"

#include <algorithm>
#include <set>
#include <utility>

namespace brontle {

namespace {

// The edge that continues `edge` through vertex `v`, or -1.
std::int32_t continuation(const MeshEdges& t, std::int32_t edge, std::int32_t v) {
    const auto around = t.edgesOfVertex(v);
    if (t.isBoundary(edge)) {
        std::int32_t other = -1;
        int boundaryCount = 0;
        for (std::int32_t e : around) {
            if (t.isBoundary(e)) {
                ++boundaryCount;
                if (e != edge) {
                    other = e;
                }
            }
        }
        return boundaryCount == 2 ? other : -1;
    }
    if (t.halfEdges(edge).size() != 2 || around.size() != 4) {
        return -1;
    }
    for (std::int32_t e : around) {
        if (t.isBoundary(e)) {
            return -1;
        }
    }
    const auto own = t.halfEdges(edge);
    std::int32_t opposite = -1;
    int candidates = 0;
    for (std::int32_t e : around) {
        if (e == edge) {
            continue;
        }
        bool sharesPolygon = false;
        for (const HalfEdge& h : t.halfEdges(e)) {
            for (const HalfEdge& o : own) {
                sharesPolygon = sharesPolygon || h.polygon == o.polygon;
            }
        }
        if (!sharesPolygon) {
            opposite = e;
            ++candidates;
        }
    }
    return candidates == 1 ? opposite : -1;
}

} // namespace

std::vector<SubSelectionEntry> halfEdgeEntries(const MeshEdges& t, std::int32_t edge) {
    std::vector<SubSelectionEntry> out;
    for (const HalfEdge& h : t.halfEdges(edge)) {
        SubSelectionEntry entry;
        entry.index = h.polygon;
        entry.corner = h.corner;
        out.push_back(entry);
    }
    return out;
}

SubSelection extendEdgeLoops(const MeshArrays& mesh, const SubSelection& edges) {
    return extendEdgeLoops(MeshEdges(mesh), edges);
}

SubSelection extendEdgeLoops(const MeshEdges& t, const SubSelection& edges) {
    SubSelection out;
    std::set<std::pair<std::int32_t, std::int32_t>> listed;
    std::vector<char> reached(static_cast<std::size_t>(t.edgeCount()), 0);
    std::vector<std::int32_t> seeds;
    for (const SubSelectionEntry& entry : edges.entries) {
        const std::int32_t e = t.edgeOf(entry.index, entry.corner);
        if (e < 0) {
            continue;
        }
        if (listed.insert({entry.index, entry.corner}).second) {
            out.add(entry.index, entry.corner);
        }
        if (!reached[e]) {
            reached[e] = 1;
            seeds.push_back(e);
        }
    }
    auto addEdge = [&](std::int32_t e) {
        for (const SubSelectionEntry& h : halfEdgeEntries(t, e)) {
            if (listed.insert({h.index, h.corner}).second) {
                out.add(h.index, h.corner);
            }
        }
    };
    for (std::int32_t seed : seeds) {
        // The seed's own other half-edges belong to the selected edge too.
        addEdge(seed);
        for (std::int32_t through : {t.vertexB(seed), t.vertexA(seed)}) {
            std::int32_t current = seed;
            std::int32_t v = through;
            for (;;) {
                const std::int32_t next = continuation(t, current, v);
                if (next < 0 || next == seed || reached[next]) {
                    break;
                }
                reached[next] = 1;
                addEdge(next);
                v = t.vertexA(next) == v ? t.vertexB(next) : t.vertexA(next);
                current = next;
            }
        }
    }
    return out;
}

} // namespace brontle
