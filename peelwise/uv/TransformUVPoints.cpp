#include "peelwise/uv/TransformUVPoints.h"

#include "peelwise/uv/GetUVSelectionBounds.h"
#include "peelwise/uv/ModUVError.h"
#include "peelwise/uv/UVConvention.h"
#include "peelwise/uv/UVPointList.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"

#include <string>

namespace peelwise::modUV {

using namespace brontle;

float rotationAngleOfStep(float amountX) {
    const float perHalfTurn = amountX / 180.0f;
    return perHalfTurn * 6.283186f;
}

namespace {

void checkTable(const SubSelection& points, const std::vector<std::int32_t>& vertexToTexCoord,
                std::int32_t texcoordCount) {
    for (const SubSelectionEntry& e : points.entries) {
        if (static_cast<std::size_t>(e.index) >= vertexToTexCoord.size()) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "UV point " + std::to_string(e.index) +
                                 " has no entry in the texture-coordinate table");
        }
        const std::int32_t t = vertexToTexCoord[e.index];
        if (t < 0 || t >= texcoordCount) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "UV point " + std::to_string(e.index) +
                                 " stands for texture coordinate " + std::to_string(t) +
                                 ", which the atlas shape does not have");
        }
    }
}

void translateAll(std::vector<Vector3>& positions, const Vector3& offset) {
    for (Vector3& p : positions) {
        p.x += offset.x;
        p.y += offset.y;
        p.z += offset.z;
    }
}

} // namespace

void TransformUVPoints(SceneGraph& sceneGraph, DeviceID deviceId, Shape& uvShape, Shape* atlasShape,
                       std::vector<std::int32_t>& vertexToTexCoord, int mode, float amountX,
                       float amountY, bool lockX, bool lockY) {
    asModUV([&] {
        const Toolkit& toolkit = *sceneGraph.GetToolkit();
        const Vector3 axis = toolkit.MakeVector3(0.0f, 0.0f, 1.0f);
        const SubSelection points = UVPointList(sceneGraph, deviceId, uvShape);
        std::vector<Vector3> positions = uvShape.GetVertices();
        // Checks every index before the first write, so a bad list changes nothing.
        const BoundingBox box = boundsOfPoints(points, positions);
        if (atlasShape) {
            checkTable(points, vertexToTexCoord, atlasShape->GetTextureCoordinateCount());
        }

        const bool aboutCentre = mode != kTransformMove;
        const Vector3 centre =
            toolkit.MakeVector3((box.minX + box.maxX) / 2.0f, (box.minY + box.maxY) / 2.0f,
                                (box.minZ + box.maxZ) / 2.0f);
        if (aboutCentre) {
            translateAll(positions, toolkit.MakeVector3(-centre.x, -centre.y, -centre.z));
        }
        const float angle = rotationAngleOfStep(amountX);
        for (const SubSelectionEntry& e : points.entries) {
            Vector3 p = positions[e.index];
            if (mode == kTransformScale) {
                if (!lockX) {
                    p.x = p.x * amountX;
                }
                if (!lockY) {
                    p.y = p.y * amountY;
                }
            } else if (mode == kTransformMove) {
                if (!lockX) {
                    p.x = p.x + amountX;
                }
                if (!lockY) {
                    p.y = p.y + amountY;
                }
            } else {
                const float length = toolkit.VectorLength(p);
                p = toolkit.RotateVector(p, axis, angle);
                p = toolkit.SetVectorLength(p, length);
            }
            positions[e.index] = p;
        }
        if (aboutCentre) {
            translateAll(positions, centre);
        }

        std::vector<Vector2> texcoords;
        if (atlasShape) {
            texcoords = atlasShape->GetTextureCoordinates();
        }
        for (const SubSelectionEntry& e : points.entries) {
            Vector3& p = positions[e.index];
            p.x = clampUnit(p.x);
            p.y = clampUnit(p.y);
            if (atlasShape) {
                texcoords[vertexToTexCoord[e.index]] = texCoordOfPoint(p.x, p.y);
            }
        }
        uvShape.SetVertices(positions);
        if (atlasShape) {
            atlasShape->SetTextureCoordinates(texcoords);
        }
    });
}

} // namespace peelwise::modUV
