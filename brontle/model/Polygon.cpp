#include "brontle/model/Polygon.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaceNormal.h"
#include "brontle/model/Material.h"
#include "brontle/model/Shape.h"

#include <algorithm>
#include <string>

namespace brontle {

std::int32_t Polygon::GetCornerCount() const {
    const auto& starts = shape_->polygonStart();
    return starts[index_ + 1] - starts[index_];
}

std::int32_t Polygon::cornerSlot(std::int32_t corner) const {
    const std::int32_t count = GetCornerCount();
    if (corner < 0 || corner >= count) {
        throw Error(ErrorNumber::SubscriptOutOfRange,
                    "Corner " + std::to_string(corner) + " of polygon " + std::to_string(index_) +
                        " is out of range (the polygon has " + std::to_string(count) + ")",
                    "Polygon");
    }
    return shape_->polygonStart()[index_] + corner;
}

std::int32_t Polygon::GetCornerVertex(std::int32_t corner) const {
    return shape_->cornerVertex()[cornerSlot(corner)];
}

std::int32_t Polygon::GetCornerNormalIndex(std::int32_t corner) const {
    return shape_->cornerNormal()[cornerSlot(corner)];
}

std::int32_t Polygon::GetCornerTexCoordIndex(std::int32_t corner) const {
    return shape_->cornerTexCoord()[cornerSlot(corner)];
}

Vector2 Polygon::GetCornerTexCoord(std::int32_t corner) const {
    return shape_->texcoords()[GetCornerTexCoordIndex(corner)];
}

CornerData Polygon::GetCornerData(std::int32_t corner) const {
    const std::int32_t slot = cornerSlot(corner);
    return {shape_->vertices()[shape_->cornerVertex()[slot]],
            shape_->normals()[shape_->cornerNormal()[slot]],
            shape_->texcoords()[shape_->cornerTexCoord()[slot]]};
}

void Polygon::SetCorner(std::int32_t corner, std::int32_t vertex, std::int32_t normal,
                        std::int32_t texcoord) {
    const std::int32_t slot = cornerSlot(corner);
    shape_->checkVertex(vertex);
    if (normal < 0 || normal >= shape_->GetNormalCount() || texcoord < 0 ||
        texcoord >= shape_->GetTextureCoordinateCount()) {
        throw Error(ErrorNumber::SubscriptOutOfRange,
                    "SetCorner: normal or texture-coordinate index out of range", "Polygon");
    }
    shape_->cornerVertex_.write()[slot] = vertex;
    shape_->cornerNormal_.write()[slot] = normal;
    shape_->cornerTexCoord_.write()[slot] = texcoord;
}

void Polygon::SetCornerData(std::int32_t corner, const Vector3& position, const Vector3& normal,
                            const Vector2& uv) {
    const std::int32_t slot = cornerSlot(corner);
    const std::int32_t v = shape_->findOrAddVertex(position);
    const std::int32_t n = shape_->findOrAddNormal(normal);
    const std::int32_t t = shape_->findOrAddTexCoord(uv);
    shape_->cornerVertex_.write()[slot] = v;
    shape_->cornerNormal_.write()[slot] = n;
    shape_->cornerTexCoord_.write()[slot] = t;
}

void Polygon::SetCornerTexCoordIndex(std::int32_t corner, std::int32_t texcoord) {
    const std::int32_t slot = cornerSlot(corner);
    if (texcoord < 0 || texcoord >= shape_->GetTextureCoordinateCount()) {
        throw Error(ErrorNumber::SubscriptOutOfRange,
                    "Texture-coordinate index " + std::to_string(texcoord) + " is out of range",
                    "Polygon");
    }
    shape_->cornerTexCoord_.write()[slot] = texcoord;
}

void Polygon::AddCorner(const Vector3& position, const Vector3& normal, const Vector2& uv) {
    const std::int32_t v = shape_->findOrAddVertex(position);
    const std::int32_t n = shape_->findOrAddNormal(normal);
    const std::int32_t t = shape_->findOrAddTexCoord(uv);
    shape_->insertCorner(index_, GetCornerCount(), v, n, t);
}

void Polygon::SetCornerUV(std::int32_t corner, const Vector2& uv) {
    const std::int32_t slot = cornerSlot(corner);
    const std::int32_t t = shape_->findOrAddTexCoord(uv);
    shape_->cornerTexCoord_.write()[slot] = t;
}

Vector3 Polygon::GetFaceNormal() const {
    return faceNormalOf(*shape_, index_);
}

std::int32_t Polygon::GetTag() const {
    return shape_->polygonTag()[index_];
}

void Polygon::SetTag(std::int32_t tag) {
    shape_->polygonTag_.write()[index_] = tag;
}

MaterialPtr Polygon::GetMaterial() const {
    const std::int32_t m = shape_->polygonMaterial()[index_];
    return m >= 0 && m < shape_->GetMaterialCount() ? shape_->materials_[m] : nullptr;
}

void Polygon::SetMaterial(const MaterialPtr& material) {
    auto& table = shape_->materials_;
    auto it = std::find(table.begin(), table.end(), material);
    if (it == table.end()) {
        table.push_back(material);
        it = table.end() - 1;
    }
    shape_->polygonMaterial_.write()[index_] = static_cast<std::int32_t>(it - table.begin());
}

} // namespace brontle
