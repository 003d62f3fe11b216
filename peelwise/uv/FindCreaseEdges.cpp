#include "peelwise/uv/FindCreaseEdges.h"

#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"

#include <optional>

namespace peelwise::modUV {

using namespace brontle;

namespace {

// Same edge, opposite direction: R holds corners (rPrev, m) with vertices (to, from).
bool holdsReversedEdge(std::span<const std::int32_t> r, std::int32_t from, std::int32_t to) {
    const auto count = static_cast<std::int32_t>(r.size());
    std::int32_t rPrev = count - 1;
    for (std::int32_t m = 0; m < count; ++m) {
        if (r[rPrev] == to && r[m] == from) {
            return true;
        }
        rPrev = m;
    }
    return false;
}

} // namespace

void FindCreaseEdges(SceneGraph& sceneGraph, Shape& shape, std::vector<CreaseEdge>& creases,
                     std::int32_t& count) {
    const Toolkit& toolkit = *sceneGraph.GetToolkit();
    shape.PrepareTopology(true);
    ShapePtr smooth = sceneGraph.CreateShape();
    smooth->AppendShape(shape);
    smooth->SetSmoothingAngle(180.0f);

    // Face normals and the vertex-to-polygon lists are only needed at candidate edges, which a
    // smooth shape has none of and a flat-shaded one settles without neighbours: both are made
    // on first use.
    const std::int32_t polygons = shape.GetPolygonCount();
    std::vector<Vector3> faceNormals(static_cast<std::size_t>(polygons));
    std::vector<char> faceNormalKnown(static_cast<std::size_t>(polygons), 0);
    auto faceNormal = [&](std::int32_t f) -> const Vector3& {
        if (!faceNormalKnown[f]) {
            faceNormals[f] = shape.GetPolygon(f).GetFaceNormal();
            faceNormalKnown[f] = 1;
        }
        return faceNormals[f];
    };
    std::optional<Topology> topology;
    const auto& starts = shape.polygonStart();
    const auto& corners = shape.cornerVertex();
    const auto& normalOf = shape.cornerNormal();
    const auto& normals = shape.normals();
    // The smooth copy shares the corner layout; only its normal pool and indices differ.
    const auto& smoothNormalOf = smooth->cornerNormal();
    const auto& smoothNormals = smooth->normals();
    const auto& points = shape.vertices();

    auto record = [&](std::int32_t fromVertex, std::int32_t toVertex) {
        creases.push_back({points[fromVertex], points[toVertex]});
        ++count;
    };

    for (std::int32_t f = 0; f < polygons; ++f) {
        const std::int32_t first = starts[f];
        const std::int32_t cornerCount = starts[f + 1] - first;
        if (cornerCount == 0) {
            continue;
        }
        std::int32_t prev = cornerCount - 1;
        Vector3 prevN = normals[normalOf[first + prev]];
        Vector3 prevS = smoothNormals[smoothNormalOf[first + prev]];
        for (std::int32_t c = 0; c < cornerCount; ++c) {
            const Vector3 curN = normals[normalOf[first + c]];
            const Vector3 curS = smoothNormals[smoothNormalOf[first + c]];
            if (!toolkit.VectorsEqual(prevN, prevS) && !toolkit.VectorsEqual(curN, curS)) {
                const std::int32_t from = corners[first + prev];
                const std::int32_t to = corners[first + c];
                const Vector3 fn = faceNormal(f);
                if (toolkit.VectorsEqual(prevN, fn) || toolkit.VectorsEqual(curN, fn)) {
                    record(from, to);
                } else {
                    if (!topology) {
                        topology.emplace(shape.GetTopology());
                    }
                    for (std::int32_t g : topology->polygonsOfVertex(to)) {
                        if (g == f || !holdsReversedEdge(topology->cornersOfPolygon(g), from, to)) {
                            continue;
                        }
                        const Vector3 gn = faceNormal(g);
                        const Vector3 avg =
                            toolkit.NormalizeVector({gn.x + fn.x, gn.y + fn.y, gn.z + fn.z});
                        if (!toolkit.VectorsEqual(avg, curN)) {
                            record(from, to);
                        }
                    }
                }
            }
            prev = c;
            prevN = curN;
            prevS = curS;
        }
    }
}

} // namespace peelwise::modUV
