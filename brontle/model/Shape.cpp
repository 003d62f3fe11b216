#include "brontle/model/Shape.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>

namespace brontle {

namespace {

Error outOfRange(const char* what, std::int32_t index, std::int32_t count) {
    return Error(ErrorNumber::SubscriptOutOfRange,
                 std::string(what) + " index " + std::to_string(index) + " is out of range (0 to " +
                     std::to_string(count - 1) + ")",
                 "Shape");
}

template <class T> void appendOffset(std::vector<T>& to, const std::vector<T>& from, T offset) {
    const std::size_t old = to.size();
    to.resize(old + from.size());
    T* out = to.data() + old;
    for (std::size_t i = 0; i < from.size(); ++i) {
        out[i] = from[i] + offset;
    }
}

} // namespace

ShapePtr Shape::create() {
    return ShapePtr(new Shape());
}

Shape::~Shape() = default;

void Shape::checkVertex(std::int32_t index) const {
    if (index < 0 || index >= GetVertexCount()) {
        throw outOfRange("Vertex", index, GetVertexCount());
    }
}

void Shape::checkPolygon(std::int32_t index) const {
    if (index < 0 || index >= GetPolygonCount()) {
        throw outOfRange("Polygon", index, GetPolygonCount());
    }
}

void Shape::Clear() {
    hostCall("Shape::Clear");
    vertices_.clear();
    normals_.clear();
    texcoords_.clear();
    polygonStart_.assign({0});
    cornerVertex_.clear();
    cornerNormal_.clear();
    cornerTexCoord_.clear();
    polygonTag_.clear();
    polygonMaterial_.clear();
    materials_.clear();
    selections_.clear();
    vertexHashValid_ = normalHashValid_ = texcoordHashValid_ = false;
}

void Shape::AppendShape(const Shape& other) {
    hostCall("Shape::AppendShape");
    if (&other == this) {
        ShapePtr copy = Shape::create();
        copy->AppendShape(*this);
        AppendShape(*copy);
        return;
    }
    const bool empty = GetPolygonCount() == 0 && vertices_.empty() && normals_.empty() &&
                       texcoords_.empty() && materials_.empty();
    const std::int32_t polygonOffset = GetPolygonCount();
    const std::int32_t vertexOffset = GetVertexCount();
    if (empty) {
        // A complete copy that shares every array until one side writes.
        vertices_ = other.vertices_;
        normals_ = other.normals_;
        texcoords_ = other.texcoords_;
        polygonStart_ = other.polygonStart_;
        cornerVertex_ = other.cornerVertex_;
        cornerNormal_ = other.cornerNormal_;
        cornerTexCoord_ = other.cornerTexCoord_;
        polygonTag_ = other.polygonTag_;
        polygonMaterial_ = other.polygonMaterial_;
        materials_ = other.materials_;
        vertexHashValid_ = normalHashValid_ = texcoordHashValid_ = false;
    } else {
        const auto normalOffset = static_cast<std::int32_t>(normals_.size());
        const auto texcoordOffset = static_cast<std::int32_t>(texcoords_.size());
        const auto cornerOffset = static_cast<std::int32_t>(cornerVertex_.size());
        // Materials: reuse the ones already here, append the rest.
        std::vector<std::int32_t> materialMap(other.materials_.size());
        for (std::size_t m = 0; m < other.materials_.size(); ++m) {
            auto it = std::find(materials_.begin(), materials_.end(), other.materials_[m]);
            if (it == materials_.end()) {
                materials_.push_back(other.materials_[m]);
                it = materials_.end() - 1;
            }
            materialMap[m] = static_cast<std::int32_t>(it - materials_.begin());
        }
        auto& vertices = vertices_.write();
        vertices.insert(vertices.end(), other.vertices().begin(), other.vertices().end());
        auto& normals = normals_.write();
        normals.insert(normals.end(), other.normals().begin(), other.normals().end());
        auto& texcoords = texcoords_.write();
        texcoords.insert(texcoords.end(), other.texcoords().begin(), other.texcoords().end());
        auto& starts = polygonStart_.write();
        const auto& otherStarts = other.polygonStart();
        const std::vector<std::int32_t> tail(otherStarts.begin() + 1, otherStarts.end());
        appendOffset(starts, tail, cornerOffset);
        appendOffset(cornerVertex_.write(), other.cornerVertex(), vertexOffset);
        appendOffset(cornerNormal_.write(), other.cornerNormal(), normalOffset);
        appendOffset(cornerTexCoord_.write(), other.cornerTexCoord(), texcoordOffset);
        auto& tags = polygonTag_.write();
        tags.insert(tags.end(), other.polygonTag().begin(), other.polygonTag().end());
        auto& polygonMaterials = polygonMaterial_.write();
        polygonMaterials.reserve(polygonMaterials.size() + other.polygonMaterial().size());
        for (std::int32_t m : other.polygonMaterial()) {
            polygonMaterials.push_back(materialMap.empty() ? 0 : materialMap[m]);
        }
        vertexHashValid_ = normalHashValid_ = texcoordHashValid_ = false;
    }
    // Sub-selections travel with the copy, renumbered past this shape's elements.
    for (const auto& [device, view] : other.selections_) {
        const std::int32_t offset = view.kind == kSelectPoints ? vertexOffset : polygonOffset;
        ViewSelection& mine = selections_[device];
        if (mine.kind != view.kind) {
            mine.kind = view.kind;
            mine.selection.entries.clear();
        }
        for (SubSelectionEntry entry : view.selection.entries) {
            entry.index += offset;
            mine.selection.entries.push_back(entry);
        }
    }
}

BoundingBox Shape::GetBoundingBox() const {
    const auto& corners = cornerVertex();
    if (corners.empty()) {
        return {};
    }
    const auto& points = vertices();
    // Only vertices that corners use count: pools keep entries that edits left behind.
    std::vector<char> used(points.size(), 0);
    for (std::int32_t v : corners) {
        used[v] = 1;
    }
    constexpr float inf = std::numeric_limits<float>::infinity();
    BoundingBox box{inf, inf, inf, -inf, -inf, -inf};
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!used[i]) {
            continue;
        }
        const Vector3& p = points[i];
        box.minX = std::min(box.minX, p.x);
        box.minY = std::min(box.minY, p.y);
        box.minZ = std::min(box.minZ, p.z);
        box.maxX = std::max(box.maxX, p.x);
        box.maxY = std::max(box.maxY, p.y);
        box.maxZ = std::max(box.maxZ, p.z);
    }
    return box;
}

void Shape::Translate(const Vector3& offset) {
    hostCall("Shape::Translate");
    for (Vector3& p : vertices_.write()) {
        p.x += offset.x;
        p.y += offset.y;
        p.z += offset.z;
    }
    vertexHashValid_ = false;
}

void Shape::Scale(const Vector3& factors) {
    hostCall("Shape::Scale");
    for (Vector3& p : vertices_.write()) {
        p.x *= factors.x;
        p.y *= factors.y;
        p.z *= factors.z;
    }
    // Normals transform with the inverse transpose: divide by the factor, then renormalise.
    // A zero factor flattens the shape; its normals then point along that axis.
    for (Vector3& n : normals_.write()) {
        Vector3 m{factors.x != 0.0f ? n.x / factors.x : (n.x != 0.0f ? n.x * 1e30f : 0.0f),
                  factors.y != 0.0f ? n.y / factors.y : (n.y != 0.0f ? n.y * 1e30f : 0.0f),
                  factors.z != 0.0f ? n.z / factors.z : (n.z != 0.0f ? n.z * 1e30f : 0.0f)};
        const double length = std::sqrt(double(m.x) * m.x + double(m.y) * m.y + double(m.z) * m.z);
        if (length > 0.0 && std::isfinite(length)) {
            n = {float(m.x / length), float(m.y / length), float(m.z / length)};
        }
    }
    vertexHashValid_ = normalHashValid_ = false;
}

void Shape::SetMaterial(const MaterialPtr& material) {
    hostCall("Shape::SetMaterial");
    materials_.assign(1, material);
    auto& polygonMaterials = polygonMaterial_.write();
    std::fill(polygonMaterials.begin(), polygonMaterials.end(), 0);
}

MaterialPtr Shape::GetMaterialByIndex(std::int32_t index) const {
    if (index < 0 || index >= GetMaterialCount()) {
        throw outOfRange("Material", index, GetMaterialCount());
    }
    return materials_[index];
}

void Shape::ensureDefaultMaterial() {
    if (materials_.empty()) {
        materials_.push_back(Material::create());
    }
}

Polygon Shape::GetPolygon(std::int32_t index) {
    checkPolygon(index);
    return Polygon(this, index);
}

Polygon Shape::AddPolygon() {
    ensureDefaultMaterial();
    auto& starts = polygonStart_.write();
    starts.push_back(starts.back());
    polygonTag_.write().push_back(0);
    polygonMaterial_.write().push_back(0);
    return Polygon(this, GetPolygonCount() - 1);
}

void Shape::insertCorner(std::int32_t polygon, std::int32_t position, std::int32_t vertex,
                         std::int32_t normal, std::int32_t texcoord) {
    auto& starts = polygonStart_.write();
    const std::int32_t slot = starts[polygon] + position;
    auto& cv = cornerVertex_.write();
    auto& cn = cornerNormal_.write();
    auto& ct = cornerTexCoord_.write();
    if (slot == static_cast<std::int32_t>(cv.size())) {
        // The common case: corners added to the last polygon.
        cv.push_back(vertex);
        cn.push_back(normal);
        ct.push_back(texcoord);
    } else {
        cv.insert(cv.begin() + slot, vertex);
        cn.insert(cn.begin() + slot, normal);
        ct.insert(ct.begin() + slot, texcoord);
    }
    for (std::size_t p = static_cast<std::size_t>(polygon) + 1; p < starts.size(); ++p) {
        ++starts[p];
    }
}

void Shape::DeletePolygons(std::span<const std::int32_t> indices) {
    hostCall("Shape::DeletePolygons");
    const std::int32_t count = GetPolygonCount();
    std::vector<char> doomed(static_cast<std::size_t>(count), 0);
    for (std::int32_t p : indices) {
        checkPolygon(p);
        doomed[p] = 1;
    }
    std::vector<std::int32_t> renumber(static_cast<std::size_t>(count), -1);
    const auto& starts = polygonStart();
    std::vector<std::int32_t> newStarts{0};
    std::vector<std::int32_t> cv, cn, ct, tags, mats;
    cv.reserve(cornerVertex().size());
    cn.reserve(cv.capacity());
    ct.reserve(cv.capacity());
    for (std::int32_t p = 0; p < count; ++p) {
        if (doomed[p]) {
            continue;
        }
        renumber[p] = static_cast<std::int32_t>(newStarts.size()) - 1;
        for (std::int32_t c = starts[p]; c < starts[p + 1]; ++c) {
            cv.push_back(cornerVertex()[c]);
            cn.push_back(cornerNormal()[c]);
            ct.push_back(cornerTexCoord()[c]);
        }
        newStarts.push_back(static_cast<std::int32_t>(cv.size()));
        tags.push_back(polygonTag()[p]);
        mats.push_back(polygonMaterial()[p]);
    }
    polygonStart_.assign(std::move(newStarts));
    cornerVertex_.assign(std::move(cv));
    cornerNormal_.assign(std::move(cn));
    cornerTexCoord_.assign(std::move(ct));
    polygonTag_.assign(std::move(tags));
    polygonMaterial_.assign(std::move(mats));
    for (auto& [device, view] : selections_) {
        if (view.kind != kSelectPolygons && view.kind != kSelectEdges) {
            continue;
        }
        auto& entries = view.selection.entries;
        std::erase_if(entries, [&](const SubSelectionEntry& e) {
            return e.index < 0 || e.index >= count || renumber[e.index] < 0;
        });
        for (SubSelectionEntry& e : entries) {
            e.index = renumber[e.index];
        }
    }
}

Vector3 Shape::GetVertex(std::int32_t index) const {
    checkVertex(index);
    return vertices()[index];
}

void Shape::SetVertex(std::int32_t index, const Vector3& position) {
    checkVertex(index);
    vertices_.write()[index] = position;
    vertexHashValid_ = false;
}

void Shape::SetVertices(std::span<const Vector3> positions) {
    hostCall("Shape::SetVertices");
    if (positions.size() != vertices_.size()) {
        throw Error(ErrorNumber::SubscriptOutOfRange,
                    "SetVertices needs " + std::to_string(vertices_.size()) + " positions, got " +
                        std::to_string(positions.size()),
                    "Shape");
    }
    vertices_.assign(std::vector<Vector3>(positions.begin(), positions.end()));
    vertexHashValid_ = false;
}

std::int32_t Shape::findOrAddVertex(const Vector3& position) {
    if (!vertexHashValid_) {
        vertexHash_.rebuild(std::span<const Vector3>(vertices()));
        vertexHashValid_ = true;
    }
    const std::int32_t found = vertexHash_.find(std::span<const Vector3>(vertices()), position);
    if (found >= 0) {
        return found;
    }
    auto& points = vertices_.write();
    points.push_back(position);
    const auto index = static_cast<std::int32_t>(points.size()) - 1;
    vertexHash_.insert(index, position);
    return index;
}

std::int32_t Shape::AddVertex(const Vector3& position) {
    return findOrAddVertex(position);
}

std::int32_t Shape::FindVertex(const Vector3& position) const {
    if (!vertexHashValid_) {
        vertexHash_.rebuild(std::span<const Vector3>(vertices()));
        vertexHashValid_ = true;
    }
    const std::int32_t found = vertexHash_.find(std::span<const Vector3>(vertices()), position);
    return found >= 0 ? found : GetVertexCount();
}

Vector3 Shape::GetNormal(std::int32_t index) const {
    if (index < 0 || index >= GetNormalCount()) {
        throw outOfRange("Normal", index, GetNormalCount());
    }
    return normals()[index];
}

std::int32_t Shape::findOrAddNormal(const Vector3& normal) {
    if (!normalHashValid_) {
        normalHash_.rebuild(std::span<const Vector3>(normals()));
        normalHashValid_ = true;
    }
    const std::int32_t found = normalHash_.find(std::span<const Vector3>(normals()), normal);
    if (found >= 0) {
        return found;
    }
    auto& pool = normals_.write();
    pool.push_back(normal);
    const auto index = static_cast<std::int32_t>(pool.size()) - 1;
    normalHash_.insert(index, normal);
    return index;
}

void Shape::SetTextureCoordinates(std::span<const Vector2> texcoords) {
    hostCall("Shape::SetTextureCoordinates");
    if (texcoords.size() != texcoords_.size()) {
        throw Error(ErrorNumber::SubscriptOutOfRange,
                    "SetTextureCoordinates needs " + std::to_string(texcoords_.size()) +
                        " coordinates, got " + std::to_string(texcoords.size()),
                    "Shape");
    }
    texcoords_.assign(std::vector<Vector2>(texcoords.begin(), texcoords.end()));
    texcoordHashValid_ = false;
}

std::int32_t Shape::findOrAddTexCoord(const Vector2& uv) {
    if (!texcoordHashValid_) {
        texcoordHash_.rebuild(std::span<const Vector2>(texcoords()));
        texcoordHashValid_ = true;
    }
    const std::int32_t found = texcoordHash_.find(std::span<const Vector2>(texcoords()), uv);
    if (found >= 0) {
        return found;
    }
    auto& pool = texcoords_.write();
    pool.push_back(uv);
    const auto index = static_cast<std::int32_t>(pool.size()) - 1;
    texcoordHash_.insert(index, uv);
    return index;
}

std::int32_t Shape::AddTextureCoordinate(const Vector2& uv) {
    return findOrAddTexCoord(uv);
}

void Shape::assignArrays(ShapeArrays arrays) {
    hostCall("Shape::assignArrays");
    const auto polygons = arrays.polygonStart.empty() ? -1 : std::ssize(arrays.polygonStart) - 1;
    const auto corners = std::ssize(arrays.cornerVertex);
    auto fail = [](const std::string& why) {
        throw Error(ErrorNumber::HostBadMesh, "The shape's arrays do not fit together: " + why,
                    "Shape");
    };
    if (polygons < 0 || arrays.polygonStart.front() != 0 || arrays.polygonStart.back() != corners) {
        fail("polygon offsets must start at 0 and end at the corner count");
    }
    for (std::size_t p = 1; p < arrays.polygonStart.size(); ++p) {
        if (arrays.polygonStart[p] < arrays.polygonStart[p - 1]) {
            fail("polygon offsets must ascend");
        }
    }
    if (std::ssize(arrays.cornerNormal) != corners ||
        std::ssize(arrays.cornerTexCoord) != corners) {
        fail("every corner needs a vertex, a normal and a texture-coordinate index");
    }
    auto checkPool = [&](const std::vector<std::int32_t>& indices, std::size_t pool,
                         const char* what) {
        for (std::int32_t i : indices) {
            if (i < 0 || static_cast<std::size_t>(i) >= pool) {
                fail(std::string(what) + " index " + std::to_string(i) + " outside its pool");
            }
        }
    };
    checkPool(arrays.cornerVertex, arrays.vertices.size(), "vertex");
    checkPool(arrays.cornerNormal, arrays.normals.size(), "normal");
    checkPool(arrays.cornerTexCoord, arrays.texcoords.size(), "texture-coordinate");
    if (arrays.polygonTag.empty()) {
        arrays.polygonTag.assign(static_cast<std::size_t>(polygons), 0);
    }
    if (arrays.polygonMaterial.empty()) {
        arrays.polygonMaterial.assign(static_cast<std::size_t>(polygons), 0);
    }
    if (std::ssize(arrays.polygonTag) != polygons ||
        std::ssize(arrays.polygonMaterial) != polygons) {
        fail("one tag and one material index per polygon");
    }
    if (arrays.materials.empty() && polygons > 0) {
        arrays.materials.push_back(Material::create());
    }
    checkPool(arrays.polygonMaterial, arrays.materials.size(), "material");

    vertices_.assign(std::move(arrays.vertices));
    normals_.assign(std::move(arrays.normals));
    texcoords_.assign(std::move(arrays.texcoords));
    polygonStart_.assign(std::move(arrays.polygonStart));
    cornerVertex_.assign(std::move(arrays.cornerVertex));
    cornerNormal_.assign(std::move(arrays.cornerNormal));
    cornerTexCoord_.assign(std::move(arrays.cornerTexCoord));
    polygonTag_.assign(std::move(arrays.polygonTag));
    polygonMaterial_.assign(std::move(arrays.polygonMaterial));
    materials_ = std::move(arrays.materials);
    vertexHashValid_ = normalHashValid_ = texcoordHashValid_ = false;
}

void Shape::assignTexCoords(std::vector<Vector2> texcoords,
                            std::vector<std::int32_t> cornerTexCoord) {
    hostCall("Shape::assignTexCoords");
    if (cornerTexCoord.size() != cornerVertex_.size()) {
        throw Error(ErrorNumber::HostBadMesh, "One texture-coordinate index per corner is needed",
                    "Shape");
    }
    for (std::int32_t t : cornerTexCoord) {
        if (t < 0 || static_cast<std::size_t>(t) >= texcoords.size()) {
            throw Error(ErrorNumber::HostBadMesh,
                        "Texture-coordinate index " + std::to_string(t) + " outside its pool",
                        "Shape");
        }
    }
    texcoords_.assign(std::move(texcoords));
    cornerTexCoord_.assign(std::move(cornerTexCoord));
    texcoordHashValid_ = false;
}

bool Shape::sharesArraysWith(const Shape& other) const {
    auto same = [](const auto& a, const auto& b) {
        return a.empty() ? b.empty() : a.sharesStorageWith(b);
    };
    return same(vertices_, other.vertices_) && same(normals_, other.normals_) &&
           same(texcoords_, other.texcoords_) && same(polygonStart_, other.polygonStart_) &&
           same(cornerVertex_, other.cornerVertex_) && same(cornerNormal_, other.cornerNormal_) &&
           same(cornerTexCoord_, other.cornerTexCoord_) && same(polygonTag_, other.polygonTag_) &&
           same(polygonMaterial_, other.polygonMaterial_);
}

} // namespace brontle
