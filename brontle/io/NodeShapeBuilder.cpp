#include "brontle/io/NodeShapeBuilder.h"

#include "brontle/core/Error.h"
#include "brontle/model/SharpEdgeNormals.h"

#include <assimp/scene.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <unordered_map>

namespace brontle {
namespace {

// Exact-value keys: two floats are the same point only when their bits agree. -0 is folded
// into +0 first (x + 0.0f does that), since a user sees them as the same coordinate.
std::uint32_t bitsOf(float value) {
    return std::bit_cast<std::uint32_t>(value + 0.0f);
}

struct Key3 {
    std::uint32_t x, y, z;
    bool operator==(const Key3&) const = default;
};
struct Key3Hash {
    std::size_t operator()(const Key3& k) const {
        std::uint64_t h = k.x * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) + k.y * 0xBF58476D1CE4E5B9ull;
        h ^= (h >> 31) + k.z * 0x94D049BB133111EBull;
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
};
Key3 keyOf(const Vector3& v) {
    return {bitsOf(v.x), bitsOf(v.y), bitsOf(v.z)};
}
Key3 keyOf(const Vector2& v) {
    return {bitsOf(v.u), bitsOf(v.v), 0};
}

// A pool whose entries are unique by exact value; `add` returns the index of the value.
template <class Point> class ExactPool {
  public:
    explicit ExactPool(std::vector<Point>& points) : points_(points) {}
    std::int32_t add(const Point& p) {
        auto [it, inserted] =
            index_.try_emplace(keyOf(p), static_cast<std::int32_t>(points_.size()));
        if (inserted) {
            points_.push_back(p);
        }
        return it->second;
    }
    std::int32_t find(const Key3& key) const {
        auto it = index_.find(key);
        return it == index_.end() ? -1 : it->second;
    }
    void reserve(std::size_t n) { index_.reserve(n); }

  private:
    std::vector<Point>& points_;
    std::unordered_map<Key3, std::int32_t, Key3Hash> index_;
};

bool finite(const aiVector3D& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

[[noreturn]] void fail(const std::string& fileName, const std::string& reason) {
    throw Error(ErrorNumber::HostFileUnreadable, fileName + ": " + reason, "loadMeshFile");
}

std::string meshLabel(const aiMesh& mesh, unsigned meshIndex) {
    std::string name = mesh.mName.C_Str();
    return name.empty() ? "mesh " + std::to_string(meshIndex) : "mesh '" + name + "'";
}

// Checks every value the shape will use before any of it is built on.
void validateMesh(const aiMesh& mesh, unsigned meshIndex, const std::string& fileName) {
    if (mesh.mNumVertices > 0 && mesh.mVertices == nullptr) {
        fail(fileName, meshLabel(mesh, meshIndex) + " has no vertex positions");
    }
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        if (!finite(mesh.mVertices[i])) {
            fail(fileName, meshLabel(mesh, meshIndex) + ": vertex " + std::to_string(i) +
                               " has a coordinate that is not a finite number");
        }
        if (mesh.mNormals && !finite(mesh.mNormals[i])) {
            fail(fileName, meshLabel(mesh, meshIndex) + ": normal " + std::to_string(i) +
                               " is not a finite vector");
        }
        if (mesh.mTextureCoords[0] && !finite(mesh.mTextureCoords[0][i])) {
            fail(fileName, meshLabel(mesh, meshIndex) + ": texture coordinate " +
                               std::to_string(i) + " is not a finite number");
        }
    }
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        for (unsigned k = 0; k < face.mNumIndices; ++k) {
            if (face.mIndices[k] >= mesh.mNumVertices) {
                fail(fileName, meshLabel(mesh, meshIndex) + ": face " + std::to_string(f) +
                                   " uses vertex " + std::to_string(face.mIndices[k]) +
                                   " but the mesh has " + std::to_string(mesh.mNumVertices));
            }
        }
    }
}

// Newell's normal: well defined for any simple polygon, planar or not, and exact for
// triangles up to rounding.
Vector3 faceNormal(const std::vector<Vector3>& corners) {
    double nx = 0, ny = 0, nz = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Vector3& a = corners[i];
        const Vector3& b = corners[(i + 1) % corners.size()];
        nx += (double(a.y) - b.y) * (double(a.z) + b.z);
        ny += (double(a.z) - b.z) * (double(a.x) + b.x);
        nz += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length == 0.0) {
        return {0.0f, 0.0f, 1.0f};
    }
    return {float(nx / length), float(ny / length), float(nz / length)};
}

// Keeps the first corner at each position, in order, and returns how many remain; `keys`,
// `order` and `position` are shortened alike. Hash-free: a polygon's positions are sorted once
// (n log n in its corner count), so a 50,000-corner polygon costs no more than its sort.
unsigned removeRepeatedCorners(std::vector<Key3>& keys, std::vector<unsigned>& order,
                               std::vector<Vector3>& position, std::vector<Key3>& scratch) {
    const unsigned n = static_cast<unsigned>(keys.size());
    auto less = [](const Key3& l, const Key3& r) {
        return std::tie(l.x, l.y, l.z) < std::tie(r.x, r.y, r.z);
    };
    scratch = keys;
    std::sort(scratch.begin(), scratch.end(), less);
    if (std::adjacent_find(scratch.begin(), scratch.end()) == scratch.end()) {
        return n;
    }
    // Some position repeats: mark the first corner at each position as the one to keep.
    std::vector<unsigned> byKey(n);
    for (unsigned k = 0; k < n; ++k) {
        byKey[k] = k;
    }
    std::stable_sort(byKey.begin(), byKey.end(),
                     [&](unsigned l, unsigned r) { return less(keys[l], keys[r]); });
    std::vector<char> keep(n, 0);
    for (unsigned i = 0; i < n; ++i) {
        keep[byKey[i]] = i == 0 || !(keys[byKey[i]] == keys[byKey[i - 1]]);
    }
    unsigned kept = 0;
    for (unsigned k = 0; k < n; ++k) {
        if (!keep[k]) {
            continue;
        }
        keys[kept] = keys[k];
        order[kept] = order[k];
        position[kept] = position[k];
        ++kept;
    }
    keys.resize(kept);
    order.resize(kept);
    position.resize(kept);
    return kept;
}

} // namespace

NodeShape buildNodeShape(const aiScene& scene, const aiNode& node, const aiVector3D& scale,
                         const std::string& fileName) {
    NodeShape out;
    ShapeArrays& a = out.arrays;
    ExactPool<Vector3> vertices(a.vertices), normals(a.normals);
    ExactPool<Vector2> texcoords(a.texcoords);

    const bool scaled = !(scale.x == 1.0f && scale.y == 1.0f && scale.z == 1.0f);
    const bool mirrored = scale.x * scale.y * scale.z < 0.0f;

    std::size_t cornerEstimate = 0;
    for (unsigned m = 0; m < node.mNumMeshes; ++m) {
        if (node.mMeshes[m] >= scene.mNumMeshes) {
            fail(fileName, "node '" + std::string(node.mName.C_Str()) + "' refers to mesh " +
                               std::to_string(node.mMeshes[m]) + " of " +
                               std::to_string(scene.mNumMeshes));
        }
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[m]];
        validateMesh(mesh, node.mMeshes[m], fileName);
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            cornerEstimate += mesh.mFaces[f].mNumIndices;
        }
    }
    vertices.reserve(cornerEstimate);
    a.cornerVertex.reserve(cornerEstimate);
    a.cornerNormal.reserve(cornerEstimate);
    a.cornerTexCoord.reserve(cornerEstimate);

    std::vector<Vector3> position;
    std::vector<Key3> keys, sortedKeys;
    std::vector<unsigned> order;
    std::vector<char> withoutNormals; // per polygon: its mesh has no normals
    for (unsigned m = 0; m < node.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[m]];
        std::int32_t material = -1; // this shape's table entry for the mesh's material
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            const unsigned n = face.mNumIndices;
            if (n < 3) {
                continue; // a point or a line: not a surface, not counted as dropped
            }

            order.resize(n);
            for (unsigned k = 0; k < n; ++k) {
                order[k] = face.mIndices[mirrored ? n - 1 - k : k];
            }
            position.resize(n);
            keys.resize(n);
            for (unsigned k = 0; k < n; ++k) {
                const aiVector3D& p = mesh.mVertices[order[k]];
                position[k] = {p.x * scale.x, p.y * scale.y, p.z * scale.z};
                keys[k] = keyOf(position[k]);
            }
            // Repeated corners on exact positions, before anything is pooled (so a dropped
            // polygon leaves no unused vertex behind): a corner at the position of an earlier
            // corner of the polygon is removed, and the polygon is kept when 3 distinct corners
            // remain.
            const unsigned distinct = removeRepeatedCorners(keys, order, position, sortedKeys);
            if (distinct < 3) {
                ++out.droppedPolygons;
                continue;
            }
            if (distinct < n) {
                ++out.repairedPolygons;
            }
            const unsigned kept = distinct;

            if (material < 0) {
                material = static_cast<std::int32_t>(out.fileMaterials.size());
                auto known = std::find(out.fileMaterials.begin(), out.fileMaterials.end(),
                                       mesh.mMaterialIndex);
                if (known == out.fileMaterials.end()) {
                    out.fileMaterials.push_back(mesh.mMaterialIndex);
                } else {
                    material = static_cast<std::int32_t>(known - out.fileMaterials.begin());
                }
            }
            const std::int32_t flatNormal = mesh.mNormals ? -1 : normals.add(faceNormal(position));
            for (unsigned k = 0; k < kept; ++k) {
                a.cornerVertex.push_back(vertices.add(position[k]));
                if (mesh.mNormals) {
                    const aiVector3D& nv = mesh.mNormals[order[k]];
                    Vector3 normal{nv.x, nv.y, nv.z};
                    if (scaled) {
                        // Normals transform by the inverse transpose: divide by the scale.
                        const double x = nv.x / double(scale.x), y = nv.y / double(scale.y),
                                     z = nv.z / double(scale.z);
                        const double length = std::sqrt(x * x + y * y + z * z);
                        if (length > 0.0) {
                            normal = {float(x / length), float(y / length), float(z / length)};
                        }
                    }
                    a.cornerNormal.push_back(normals.add(normal));
                } else {
                    a.cornerNormal.push_back(flatNormal);
                }
                if (mesh.mTextureCoords[0]) {
                    // Assimp hands over v pointing up for every format (its glTF reader turns
                    // glTF's downward v into 1 - v), so v is taken as it comes.
                    const aiVector3D& t = mesh.mTextureCoords[0][order[k]];
                    a.cornerTexCoord.push_back(texcoords.add(Vector2{t.x, t.y}));
                } else {
                    a.cornerTexCoord.push_back(texcoords.add(Vector2{0.0f, 0.0f}));
                }
            }
            a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
            a.polygonTag.push_back(0);
            a.polygonMaterial.push_back(material);
            withoutNormals.push_back(mesh.mNormals == nullptr);
        }
    }
    if (std::find(withoutNormals.begin(), withoutNormals.end(), 1) != withoutNormals.end()) {
        assignSharpEdgeNormals(a, withoutNormals);
    }
    return out;
}

} // namespace brontle
