#include "peelwise/uv/WeldUVPoints.h"

#include "peelwise/uv/ModUVError.h"
#include "peelwise/uv/UVConvention.h"

#include "brontle/model/Polygon.h"
#include "brontle/model/Shape.h"

#include <cmath>
#include <span>
#include <string>
#include <utility>

namespace peelwise::modUV {

using namespace brontle;

namespace {

// The lowest index within the point tolerance (inclusive, every axis), or -1: the answer of the
// host's find-or-add, found by one scan instead of rebuilding its hash after a whole-array write.
std::int32_t lowestWithin(std::span<const Vector3> points, const Vector3& p) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vector3& q = points[i];
        if (std::fabs(q.x - p.x) <= kPointTolerance && std::fabs(q.y - p.y) <= kPointTolerance &&
            std::fabs(q.z - p.z) <= kPointTolerance) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

std::int32_t lowestWithin(std::span<const Vector2> points, const Vector2& p) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Vector2& q = points[i];
        if (std::fabs(q.u - p.u) <= kPointTolerance && std::fabs(q.v - p.v) <= kPointTolerance) {
            return static_cast<std::int32_t>(i);
        }
    }
    return -1;
}

void checkInput(const SubSelection& points, const Shape& uvShape,
                const std::vector<Vector3>& positions, const Shape& atlasShape,
                const std::vector<std::int32_t>& vertexToTexCoord) {
    if (static_cast<std::int32_t>(positions.size()) != uvShape.GetVertexCount()) {
        throw modUVError(ErrorNumber::SubscriptOutOfRange,
                         "WeldUVPoints: " + std::to_string(positions.size()) +
                             " positions given for " + std::to_string(uvShape.GetVertexCount()) +
                             " UV points");
    }
    for (const SubSelectionEntry& e : points.entries) {
        const std::int32_t v = e.index;
        if (v < 0 || static_cast<std::size_t>(v) >= positions.size() ||
            static_cast<std::size_t>(v) >= vertexToTexCoord.size()) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "WeldUVPoints: UV point " + std::to_string(v) + " does not exist");
        }
        const std::int32_t t = vertexToTexCoord[v];
        if (t < 0 || t >= atlasShape.GetTextureCoordinateCount()) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "WeldUVPoints: UV point " + std::to_string(v) +
                                 " stands for texture coordinate " + std::to_string(t) +
                                 ", which the atlas shape does not have");
        }
    }
}

} // namespace

void WeldUVPoints(Vector3 target, const SubSelection& points, Shape& uvShape,
                  std::vector<Vector3>& positions, Shape& atlasShape,
                  std::vector<std::int32_t>& vertexToTexCoord) {
    asModUV([&] {
        checkInput(points, uvShape, positions, atlasShape, vertexToTexCoord);
        std::vector<Vector2> texcoords = atlasShape.GetTextureCoordinates();
        const Vector2 targetUV = texCoordOfPoint(target.x, target.y);
        for (const SubSelectionEntry& e : points.entries) {
            positions[e.index] = target;
            texcoords[vertexToTexCoord[e.index]] = targetUV;
        }
        uvShape.SetVertices(positions);
        std::int32_t w = lowestWithin(positions, target);
        if (w < 0) {
            w = uvShape.AddVertex(target);
        }

        // Strict tests on x and y only: the corners that sit on the target. Matches are
        // collected first and re-pointed after, so the scan never reads an array being written.
        std::vector<std::pair<std::int32_t, std::int32_t>> matches;
        {
            const auto& starts = uvShape.polygonStart();
            const auto& corners = uvShape.cornerVertex();
            const auto& uvPoints = uvShape.vertices();
            for (std::int32_t p = 0; p < uvShape.GetPolygonCount(); ++p) {
                for (std::int32_t k = 0; k < starts[p + 1] - starts[p]; ++k) {
                    const std::int32_t v = corners[starts[p] + k];
                    const Vector3& q = uvPoints[v];
                    const float dx = std::fabs(q.x - target.x);
                    const float dy = std::fabs(q.y - target.y);
                    if (dx < kPointTolerance && dy < kPointTolerance && v != w) {
                        matches.emplace_back(p, k);
                    }
                }
            }
        }
        for (const auto& [p, k] : matches) {
            Polygon polygon = uvShape.GetPolygon(p);
            polygon.SetCorner(k, w, polygon.GetCornerNormalIndex(k),
                              polygon.GetCornerTexCoordIndex(k));
        }

        atlasShape.SetTextureCoordinates(texcoords);
        std::int32_t t = lowestWithin(texcoords, targetUV);
        if (t < 0) {
            t = atlasShape.AddTextureCoordinate(targetUV);
        }
        matches.clear();
        {
            const auto& starts = atlasShape.polygonStart();
            const auto& cornerTex = atlasShape.cornerTexCoord();
            const auto& pool = atlasShape.texcoords();
            for (std::int32_t p = 0; p < atlasShape.GetPolygonCount(); ++p) {
                for (std::int32_t k = 0; k < starts[p + 1] - starts[p]; ++k) {
                    const std::int32_t index = cornerTex[starts[p] + k];
                    const Vector2& uv = pool[index];
                    const float du = std::fabs(uv.u - targetUV.u);
                    const float dv = std::fabs(uv.v - targetUV.v);
                    if (du < kPointTolerance && dv < kPointTolerance && index != t) {
                        matches.emplace_back(p, k);
                    }
                }
            }
        }
        for (const auto& [p, k] : matches) {
            atlasShape.GetPolygon(p).SetCornerTexCoordIndex(k, t);
        }
    });
}

} // namespace peelwise::modUV
