// Face normals and smoothing.
#include "brontle/model/FaceNormal.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Shape.h"

#include <cmath>

namespace brontle {

namespace {

struct Sum {
    double x = 0, y = 0, z = 0;
};

// Newell's method: exact for planar polygons, a stable average for warped ones.
Sum newell(const std::vector<Vector3>& points, const std::int32_t* corners, std::int32_t count) {
    Sum n;
    for (std::int32_t i = 0; i < count; ++i) {
        const Vector3& a = points[corners[i]];
        const Vector3& b = points[corners[(i + 1) % count]];
        n.x += (double(a.y) - b.y) * (double(a.z) + b.z);
        n.y += (double(a.z) - b.z) * (double(a.x) + b.x);
        n.z += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    return n;
}

Vector3 unit(const Sum& s) {
    const double length = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
    if (!(length > 0.0) || !std::isfinite(length)) {
        return {};
    }
    return {float(s.x / length), float(s.y / length), float(s.z / length)};
}

} // namespace

Vector3 faceNormalOf(const Shape& shape, std::int32_t polygon) {
    const auto& starts = shape.polygonStart();
    return unit(newell(shape.vertices(), shape.cornerVertex().data() + starts[polygon],
                       starts[polygon + 1] - starts[polygon]));
}

void Shape::SetSmoothingAngle(float degrees) {
    hostCall("Shape::SetSmoothingAngle");
    const std::int32_t polygons = GetPolygonCount();
    const auto& starts = polygonStart();
    const auto& corners = cornerVertex();
    std::vector<Vector3> faceNormals(static_cast<std::size_t>(polygons));
    for (std::int32_t p = 0; p < polygons; ++p) {
        faceNormals[p] = faceNormalOf(*this, p);
    }
    const Topology topology = GetTopology();
    const double cosLimit = std::cos(double(degrees) * 3.14159265358979323846 / 180.0);
    const bool smoothAll = degrees >= 180.0f;

    std::vector<Vector3> normals;
    std::vector<std::int32_t> cornerNormals(corners.size());
    std::vector<std::int32_t> vertexNormal;
    if (smoothAll) {
        // One normal per vertex: the normalised sum of the unit normals of its polygons.
        vertexNormal.assign(static_cast<std::size_t>(topology.vertexCount), -1);
        for (std::int32_t v = 0; v < topology.vertexCount; ++v) {
            Sum s;
            for (std::int32_t p : topology.polygonsOfVertex(v)) {
                s.x += faceNormals[p].x;
                s.y += faceNormals[p].y;
                s.z += faceNormals[p].z;
            }
            if (!topology.polygonsOfVertex(v).empty()) {
                vertexNormal[v] = static_cast<std::int32_t>(normals.size());
                normals.push_back(unit(s));
            }
        }
        for (std::size_t c = 0; c < corners.size(); ++c) {
            cornerNormals[c] = vertexNormal[corners[c]];
        }
    } else {
        for (std::int32_t p = 0; p < polygons; ++p) {
            const Vector3& fn = faceNormals[p];
            for (std::int32_t c = starts[p]; c < starts[p + 1]; ++c) {
                Sum s;
                for (std::int32_t q : topology.polygonsOfVertex(corners[c])) {
                    const Vector3& g = faceNormals[q];
                    const double dot = double(fn.x) * g.x + double(fn.y) * g.y + double(fn.z) * g.z;
                    if (q == p || dot >= cosLimit) {
                        s.x += g.x;
                        s.y += g.y;
                        s.z += g.z;
                    }
                }
                cornerNormals[c] = static_cast<std::int32_t>(normals.size());
                normals.push_back(unit(s));
            }
        }
    }
    normals_.assign(std::move(normals));
    cornerNormal_.assign(std::move(cornerNormals));
    normalHashValid_ = false;
}

} // namespace brontle
