#include "peelwise/uv/CreaseEdgesToSubSelection.h"

#include "brontle/core/Error.h"
#include "brontle/model/PointHash.h"
#include "brontle/model/Shape.h"

#include <optional>
#include <string>

namespace peelwise::modUV {

using namespace brontle;

void CreaseEdgesToSubSelection(Shape& shape, const std::vector<CreaseEdge>& creases,
                               std::int32_t count, std::vector<std::int32_t>& polygons,
                               std::vector<std::int32_t>& corners, std::int32_t& n) {
    if (count < 0 || static_cast<std::size_t>(count) > creases.size()) {
        throw Error(ErrorNumber::SubscriptOutOfRange,
                    "CreaseEdgesToSubSelection: " + std::to_string(count) +
                        " crease edges asked for, " + std::to_string(creases.size()) + " given",
                    "CreaseEdgesToSubSelection");
    }
    const Topology topology = shape.GetTopology();
    const std::int32_t vertexCount = topology.vertexCount;
    polygons.clear();
    corners.clear();
    n = 0;

    // The fallback answers "the first vertex whose position VectorsEqual p": the host's point
    // hash uses the same inclusive 0.0001-per-axis test and returns the lowest index.
    std::optional<PointHash> byPosition;
    auto resolve = [&](const Vector3& p) -> std::int32_t {
        std::int32_t v = shape.FindVertex(p);
        if (v > vertexCount - 1) {
            if (!byPosition) {
                byPosition.emplace(0.0001f);
                byPosition->rebuild(std::span<const Vector3>(topology.positions));
            }
            v = byPosition->find(std::span<const Vector3>(topology.positions), p);
        }
        return v;
    };

    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t a = resolve(creases[i].start);
        const std::int32_t b = resolve(creases[i].end);
        if (a < 0 || b < 0) {
            continue;
        }
        for (std::int32_t p : topology.polygonsOfVertex(a)) {
            const auto ring = topology.cornersOfPolygon(p);
            const auto k = static_cast<std::int32_t>(ring.size());
            std::int32_t cPrev = k - 1;
            for (std::int32_t m = 0; m < k; ++m) {
                if (ring[cPrev] == a && ring[m] == b) {
                    polygons.push_back(p);
                    corners.push_back(cPrev);
                    ++n;
                    break;
                }
                cPrev = m;
            }
        }
    }
}

} // namespace peelwise::modUV
