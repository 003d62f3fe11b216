#include "peelwise/uv/RebuildUVCorrespondence.h"

#include "peelwise/uv/ModUVError.h"

#include "brontle/model/Shape.h"

#include <cstdlib>
#include <string>

namespace peelwise::modUV {

using namespace brontle;

void RebuildUVCorrespondence(const Shape& uvShape, const Shape& atlasShape,
                             std::vector<std::int32_t>& vertexToTexCoord) {
    asModUV([&] {
        std::vector<std::int32_t> table;
        const std::int32_t n = uvShape.GetVertexCount();
        if (n >= 1) {
            table.assign(static_cast<std::size_t>(n), 0);
            const auto& uvStarts = uvShape.polygonStart();
            const auto& uvCorners = uvShape.cornerVertex();
            const auto& tags = uvShape.polygonTag();
            const auto& atlasStarts = atlasShape.polygonStart();
            const auto& atlasTex = atlasShape.cornerTexCoord();
            const std::int64_t atlasPolygons = atlasShape.GetPolygonCount();
            for (std::int32_t p = 0; p < uvShape.GetPolygonCount(); ++p) {
                const std::int32_t tag = tags[p];
                // 64 bits: the magnitude of the most negative tag does not fit in 32.
                const std::int64_t a = std::llabs(static_cast<std::int64_t>(tag)) - 1;
                const std::int32_t first = uvStarts[p];
                const std::int32_t c = uvStarts[p + 1] - first;
                if (a < 0 || a >= atlasPolygons) {
                    throw modUVError(ErrorNumber::SubscriptOutOfRange,
                                     "RebuildUVCorrespondence: UV polygon " + std::to_string(p) +
                                         " has tag " + std::to_string(tag) +
                                         ", which names no atlas polygon");
                }
                const std::int32_t atlasFirst = atlasStarts[a];
                if (atlasStarts[a + 1] - atlasFirst < c) {
                    throw modUVError(ErrorNumber::SubscriptOutOfRange,
                                     "RebuildUVCorrespondence: atlas polygon " + std::to_string(a) +
                                         " has fewer corners than UV polygon " + std::to_string(p));
                }
                for (std::int32_t j = 0; j < c; ++j) {
                    const std::int32_t k = tag > 0 ? j : c - 1 - j;
                    table[uvCorners[first + k]] = atlasTex[atlasFirst + j];
                }
            }
        }
        vertexToTexCoord = std::move(table);
    });
}

} // namespace peelwise::modUV
