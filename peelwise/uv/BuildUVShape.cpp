#include "peelwise/uv/BuildUVShape.h"

#include "peelwise/uv/ModUVError.h"
#include "peelwise/uv/ToleranceGrid.h"
#include "peelwise/uv/UVConvention.h"

#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
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

struct Box {
    float minX = kBoxStart, minY = kBoxStart, maxX = -kBoxStart, maxY = -kBoxStart;
    void add(float x, float y) {
        if (std::isfinite(x) && std::isfinite(y)) {
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
        }
    }
    bool empty() const { return !(minX <= maxX && minY <= maxY); }
    bool near(float x, float y, float margin) const {
        return x >= minX - margin && x <= maxX + margin && y >= minY - margin && y <= maxY + margin;
    }
};

// The atlas's texture-coordinate pool as SetCornerUV sees it: the original entries, then those
// added by the shift. Shifted values lie a whole tile away from the originals, so the originals
// get a grid of their own only once a query comes near them; the answer is still the lowest
// index within the tolerance, because every original comes before every added entry.
class TexturePool {
  public:
    explicit TexturePool(const std::vector<Vector2>& originals) : originals_(originals) {
        Box shifted;
        for (const Vector2& t : originals_) {
            box_.add(t.u, t.v);
            shifted.add(t.u - 1.0f, t.v - 1.0f);
        }
        added_.reserve(originals_.size());
        if (!shifted.empty()) {
            added_.setDenseRegion(shifted.minX, shifted.minY, shifted.maxX, shifted.maxY,
                                  originals_.size());
        }
    }

    std::int32_t size() const { return originalCount() + added_.size(); }
    Vector2 value(std::int32_t t) const {
        if (t < originalCount()) {
            return originals_[t];
        }
        const Vector3& p = added_.points()[t - originalCount()];
        return {p.x, p.y};
    }

    std::int32_t findOrAdd(const Vector2& uv) {
        const Vector3 q{uv.u, uv.v, 0.0f};
        if (!box_.empty() && box_.near(uv.u, uv.v, 2.0f * kPointTolerance)) {
            if (!originalGrid_) {
                originalGrid_.emplace(kPointTolerance);
                originalGrid_->reserve(originals_.size());
                originalGrid_->setDenseRegion(box_.minX, box_.minY, box_.maxX, box_.maxY,
                                              originals_.size());
                for (const Vector2& t : originals_) {
                    originalGrid_->add({t.u, t.v, 0.0f});
                }
            }
            const std::int32_t found = originalGrid_->find(q);
            if (found >= 0) {
                return found;
            }
        }
        return originalCount() + added_.findOrAdd(q);
    }

    std::vector<Vector2> values() const {
        std::vector<Vector2> all(originals_);
        all.reserve(static_cast<std::size_t>(size()));
        for (const Vector3& p : added_.points()) {
            all.push_back({p.x, p.y});
        }
        return all;
    }

  private:
    std::int32_t originalCount() const { return static_cast<std::int32_t>(originals_.size()); }

    const std::vector<Vector2>& originals_;
    Box box_;
    std::optional<ToleranceGrid> originalGrid_;
    ToleranceGrid added_{kPointTolerance};
};

// The UV point of a texture coordinate: x = (u - 1) + 1, y = -(v - 1), folded once.
Vector3 pointOf(const Vector2& t) {
    const float u = t.u - 1.0f;
    const float v = t.v - 1.0f;
    float x = u + 1.0f;
    float y = -v;
    if (x > kFoldAboveX) {
        x = x - 1.0f;
    }
    if (y < kFoldBelowY) {
        y = y + 1.0f;
    }
    return {x, y, 0.0f};
}

} // namespace

ShapePtr BuildUVShape(SceneGraph& sceneGraph, Shape& atlasShape,
                      std::span<const std::int32_t> polygonIndices) {
    return asModUV([&]() -> ShapePtr {
        checkIndices(atlasShape, polygonIndices);
        const Toolkit& toolkit = *sceneGraph.GetToolkit();
        const auto& starts = atlasShape.polygonStart();

        // The corner indices are rewritten in a working copy, written back whole at the end.
        std::vector<std::int32_t> cornerTex = atlasShape.cornerTexCoord();
        const std::vector<Vector2>& originals = atlasShape.texcoords();
        TexturePool pool(originals);
        ToleranceGrid uvGrid(kPointTolerance);
        uvGrid.reserve(originals.size());
        {
            Box points;
            for (const Vector2& t : originals) {
                const Vector3 p = pointOf(t);
                points.add(p.x, p.y);
            }
            if (!points.empty()) {
                uvGrid.setDenseRegion(points.minX, points.minY, points.maxX, points.maxY,
                                      originals.size());
            }
        }

        // The pools only grow and never move a point, so the find-or-add answer for one pool
        // entry never changes: each texture coordinate index is resolved once.
        std::vector<std::int32_t> vertexOf(originals.size(), -1);
        std::vector<std::int32_t> shiftedOf(originals.size(), -1);

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
                const Vector2 t = pool.value(cornerTex[first + k]);
                outline[k] = {t.u, t.v, 0.0f};
            }
            const Vector3 n = toolkit.PolygonNormal(outline);
            const float off = n.z - 1.0f;
            const bool forward = std::fabs(off) <= kPointTolerance;
            out.polygonTag.push_back(forward ? p + 1 : -(p + 1));
            for (std::int32_t w = 0; w < c; ++w) {
                const std::int32_t k = forward ? w : c - 1 - w;
                const std::int32_t t = cornerTex[first + k];
                if (vertexOf[t] < 0) {
                    const Vector2 value = pool.value(t);
                    vertexOf[t] = uvGrid.findOrAdd(pointOf(value));
                    shiftedOf[t] = pool.findOrAdd({value.u - 1.0f, value.v - 1.0f});
                    if (vertexOf.size() < static_cast<std::size_t>(pool.size())) {
                        vertexOf.resize(static_cast<std::size_t>(pool.size()), -1);
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
            atlasShape.assignTexCoords(pool.values(), std::move(cornerTex));
        }
        return uvShape;
    });
}

} // namespace peelwise::modUV
