#include "peelwise/uv/BuildUVShape.h"

#include "peelwise/uv/ModUVError.h"
#include "peelwise/uv/ToleranceGrid.h"
#include "peelwise/uv/UVConvention.h"

#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace peelwise::modUV {

using namespace brontle;

namespace {

void checkIndices(const Shape& atlas, std::span<const std::int32_t> polygonIndices) {
    const std::int32_t count = atlas.GetPolygonCount();
    for (std::int32_t p : polygonIndices) {
        if (p < 0 || p >= count) {
            throw modUVError(ErrorNumber::SubscriptOutOfRange,
                             "BuildUVShape: atlas polygon " + std::to_string(p) +
                                 " does not exist (the atlas shape has " + std::to_string(count) +
                                 " polygons)");
        }
    }
}

// Copies of the atlas materials keyed by the decimal text of their keys; the first material
// with a key keeps it. Returns, per atlas material index, the copy its polygons get.
std::vector<MaterialPtr> copyMaterials(SceneGraph& scene, const Shape& atlas) {
    std::map<std::string, MaterialPtr> table;
    std::vector<std::string> keys;
    for (std::int32_t m = 0; m < atlas.GetMaterialCount(); ++m) {
        MaterialPtr copy = scene.CreateMaterial();
        const MaterialPtr source = atlas.GetMaterialByIndex(m);
        if (!source) {
            throw modUVError(ErrorNumber::ObjectNotSet,
                             "BuildUVShape: atlas material " + std::to_string(m) + " is not set");
        }
        copy->SetColorB(source->GetColorB());
        copy->SetColorC(source->GetColorC());
        copy->SetColorA(source->GetColorA());
        copy->SetColorD(source->GetColorD());
        copy->SetMaterialValue(source->GetMaterialValue());
        keys.push_back(std::to_string(source->GetMaterialKey()));
        table.emplace(keys.back(), std::move(copy)); // a key already present keeps its copy
    }
    std::vector<MaterialPtr> perAtlasMaterial;
    for (const std::string& key : keys) {
        perAtlasMaterial.push_back(table.at(key));
    }
    return perAtlasMaterial;
}

} // namespace

ShapePtr BuildUVShape(SceneGraph& sceneGraph, Shape& atlasShape,
                      std::span<const std::int32_t> polygonIndices) {
    return asModUV([&]() -> ShapePtr {
        checkIndices(atlasShape, polygonIndices);
        const Toolkit& toolkit = *sceneGraph.GetToolkit();
        const auto& starts = atlasShape.polygonStart();

        // Working copies of the atlas pool and corner indices, written back whole at the end.
        std::vector<std::int32_t> cornerTex = atlasShape.cornerTexCoord();
        ToleranceGrid texGrid(kPointTolerance);
        texGrid.reserve(atlasShape.texcoords().size() * 2);
        for (const Vector2& t : atlasShape.texcoords()) {
            texGrid.add({t.u, t.v, 0.0f});
        }
        ToleranceGrid uvGrid(kPointTolerance);
        uvGrid.reserve(atlasShape.texcoords().size());

        // The pools only grow and never move a point, so the find-or-add answer for one pool
        // entry never changes: each texture coordinate index is resolved once.
        std::vector<std::int32_t> vertexOf(static_cast<std::size_t>(texGrid.size()), -1);
        std::vector<std::int32_t> shiftedOf(vertexOf.size(), -1);

        std::size_t cornerTotal = 0;
        for (std::int32_t p : polygonIndices) {
            cornerTotal += static_cast<std::size_t>(starts[p + 1] - starts[p]);
        }
        ShapeArrays out;
        out.polygonStart.reserve(polygonIndices.size() + 1);
        out.cornerVertex.reserve(cornerTotal);
        out.polygonTag.reserve(polygonIndices.size());

        std::vector<Vector3> outline;
        for (std::int32_t p : polygonIndices) {
            const std::int32_t first = starts[p];
            const std::int32_t c = starts[p + 1] - first;
            outline.resize(static_cast<std::size_t>(c));
            for (std::int32_t k = 0; k < c; ++k) {
                const Vector3& t = texGrid.points()[cornerTex[first + k]];
                outline[k] = {t.x, t.y, 0.0f};
            }
            const Vector3 n = toolkit.PolygonNormal(outline);
            const float off = n.z - 1.0f;
            const bool forward = std::fabs(off) <= kPointTolerance;
            out.polygonTag.push_back(forward ? p + 1 : -(p + 1));
            for (std::int32_t w = 0; w < c; ++w) {
                const std::int32_t k = forward ? w : c - 1 - w;
                const std::int32_t t = cornerTex[first + k];
                if (vertexOf[t] < 0) {
                    const Vector3 value = texGrid.points()[t];
                    const float u = value.x - 1.0f;
                    const float v = value.y - 1.0f;
                    float x = u + 1.0f;
                    float y = -v;
                    if (x > kFoldAboveX) {
                        x = x - 1.0f;
                    }
                    if (y < kFoldBelowY) {
                        y = y + 1.0f;
                    }
                    vertexOf[t] = uvGrid.findOrAdd({x, y, 0.0f});
                    shiftedOf[t] = texGrid.findOrAdd({u, v, 0.0f});
                    if (vertexOf.size() < static_cast<std::size_t>(texGrid.size())) {
                        vertexOf.resize(static_cast<std::size_t>(texGrid.size()), -1);
                        shiftedOf.resize(vertexOf.size(), -1);
                    }
                }
                out.cornerVertex.push_back(vertexOf[t]);
                cornerTex[first + k] = shiftedOf[t];
            }
            out.polygonStart.push_back(static_cast<std::int32_t>(out.cornerVertex.size()));
        }

        // The host's AddPolygon gives a shape without materials its default one first.
        if (!polygonIndices.empty()) {
            out.materials.push_back(Material::create());
        }
        const std::vector<MaterialPtr> copies = copyMaterials(sceneGraph, atlasShape);
        std::vector<std::int32_t> uvMaterialOf(copies.size(), -1);
        const auto& atlasMaterialIndex = atlasShape.polygonMaterial();
        out.polygonMaterial.reserve(polygonIndices.size());
        for (std::int32_t p : polygonIndices) {
            const std::int32_t m = atlasMaterialIndex[p];
            if (m < 0 || m >= static_cast<std::int32_t>(copies.size())) {
                throw modUVError(ErrorNumber::ObjectNotSet, "BuildUVShape: atlas polygon " +
                                                                std::to_string(p) +
                                                                " has no material");
            }
            if (uvMaterialOf[m] < 0) {
                // Materials are added in order of first use; a shared copy is added once.
                std::int32_t found = -1;
                for (std::size_t i = 0; i < out.materials.size(); ++i) {
                    if (out.materials[i] == copies[m]) {
                        found = static_cast<std::int32_t>(i);
                    }
                }
                if (found < 0) {
                    out.materials.push_back(copies[m]);
                    found = static_cast<std::int32_t>(out.materials.size()) - 1;
                }
                uvMaterialOf[m] = found;
            }
            out.polygonMaterial.push_back(uvMaterialOf[m]);
        }

        if (!out.cornerVertex.empty()) {
            out.normals = {{0.0f, 0.0f, -1.0f}};
            out.texcoords = {{0.0f, 0.0f}};
        }
        out.cornerNormal.assign(out.cornerVertex.size(), 0);
        out.cornerTexCoord.assign(out.cornerVertex.size(), 0);
        out.vertices = uvGrid.points();

        ShapePtr uvShape = sceneGraph.CreateShape();
        uvShape->assignArrays(std::move(out));
        if (!polygonIndices.empty()) {
            std::vector<Vector2> pool;
            pool.reserve(static_cast<std::size_t>(texGrid.size()));
            for (const Vector3& t : texGrid.points()) {
                pool.push_back({t.x, t.y});
            }
            atlasShape.assignTexCoords(std::move(pool), std::move(cornerTex));
        }
        return uvShape;
    });
}

} // namespace peelwise::modUV
