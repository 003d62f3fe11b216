#include "brontle/io/GltfText.h"

#include "brontle/core/Error.h"
#include "brontle/io/MemoryIOSystem.h"
#include "brontle/io/TextureTiles.h"
#include "brontle/model/Material.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"

#include <assimp/Exporter.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <filesystem>
#include <map>
#include <memory>
#include <unordered_map>

namespace brontle {
namespace {

namespace fs = std::filesystem;

aiMaterial* makeMaterial(const MaterialPtr& material, int index, const fs::path& folder) {
    auto* out = new aiMaterial();
    // A material keeps the name it had.
    const aiString name(material && !material->name().empty()
                            ? material->name()
                            : "material" + std::to_string(index + 1));
    out->AddProperty(&name, AI_MATKEY_NAME);
    const Color4 b = material ? material->GetColorB() : Color4{0.8f, 0.8f, 0.8f, 1.0f};
    const aiColor4D diffuse(b.r, b.g, b.b, b.a);
    out->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    out->AddProperty(&diffuse, 1, AI_MATKEY_BASE_COLOR);
    const TexturePtr texture = material ? material->texture() : nullptr;
    if (texture && !texture->file().empty()) {
        const fs::path file = fs::absolute(texture->file()).lexically_normal();
        const aiString uri(file.lexically_proximate(folder).generic_string());
        out->AddProperty(&uri, AI_MATKEY_TEXTURE(aiTextureType_DIFFUSE, 0));
        out->AddProperty(&uri, AI_MATKEY_TEXTURE(aiTextureType_BASE_COLOR, 0));
    }
    return out;
}

// The triangles of one shape's polygons that use `material` (all polygons when -1).
aiMesh* makeMesh(const Shape& shape, std::int32_t material, const std::string& name) {
    const auto& start = shape.polygonStart();
    const auto& cornerVertex = shape.cornerVertex();
    const auto& cornerNormal = shape.cornerNormal();
    const auto& cornerTexCoord = shape.cornerTexCoord();
    const auto& polygonMaterial = shape.polygonMaterial();

    // A glTF vertex per distinct (vertex, normal, texcoord, tile shift u, v) of a corner.
    using Corner = std::array<std::int32_t, 5>;
    struct TripleHash {
        std::size_t operator()(const Corner& t) const {
            return (std::size_t(std::uint32_t(t[0])) * 0x9E3779B97F4A7C15ull) ^
                   (std::size_t(std::uint32_t(t[1])) * 0xBF58476D1CE4E5B9ull) ^
                   (std::size_t(std::uint32_t(t[2])) * 0x94D049BB133111EBull) ^
                   (std::size_t(std::uint32_t(t[3])) * 0xD6E8FEB86659FD93ull) ^
                   (std::size_t(std::uint32_t(t[4])) * 0xA0761D6478BD642Full);
        }
    };
    std::unordered_map<Corner, unsigned, TripleHash> glVertex;
    std::vector<Corner> triples;
    std::vector<unsigned> triangles; // three glTF vertices each
    std::vector<unsigned> corners;
    for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
        if (material >= 0 && polygonMaterial[p] != material) {
            continue;
        }
        corners.clear();
        const TileShift shift = polygonTileShift(shape, p);
        for (std::int32_t k = start[p]; k < start[p + 1]; ++k) {
            const Corner t{cornerVertex[k], cornerNormal[k], cornerTexCoord[k], shift.u, shift.v};
            auto [it, inserted] = glVertex.try_emplace(t, unsigned(triples.size()));
            if (inserted) {
                triples.push_back(t);
            }
            corners.push_back(it->second);
        }
        for (std::size_t k = 1; k + 1 < corners.size(); ++k) {
            triangles.insert(triangles.end(), {corners[0], corners[k], corners[k + 1]});
        }
    }

    auto* mesh = new aiMesh();
    mesh->mName = aiString(name);
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = unsigned(triples.size());
    mesh->mVertices = new aiVector3D[triples.size()];
    mesh->mNormals = new aiVector3D[triples.size()];
    mesh->mTextureCoords[0] = new aiVector3D[triples.size()];
    mesh->mNumUVComponents[0] = 2;
    const auto& vertices = shape.vertices();
    const auto& normals = shape.normals();
    const auto& texcoords = shape.texcoords();
    for (std::size_t i = 0; i < triples.size(); ++i) {
        const Vector3& v = vertices[triples[i][0]];
        const Vector3& n = normals[triples[i][1]];
        const Vector2 t = shifted(texcoords[triples[i][2]], {triples[i][3], triples[i][4]});
        mesh->mVertices[i] = aiVector3D(v.x, v.y, v.z);
        mesh->mNormals[i] = aiVector3D(n.x, n.y, n.z);
        // v stays as the host has it (up): Assimp's glTF writer stores 1 - v itself, the
        // mirror of its reader (checked by the glTF tests against a literal file).
        mesh->mTextureCoords[0][i] = aiVector3D(t.u, t.v, 0.0f);
    }
    mesh->mNumFaces = unsigned(triangles.size() / 3);
    mesh->mFaces = new aiFace[mesh->mNumFaces];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        mesh->mFaces[f].mNumIndices = 3;
        mesh->mFaces[f].mIndices =
            new unsigned[3]{triangles[3 * f], triangles[3 * f + 1], triangles[3 * f + 2]};
    }
    return mesh;
}

} // namespace

std::vector<FileContent> gltfFileContents(const std::string& path,
                                          const std::vector<ShapePtr>& shapes,
                                          const std::vector<std::string>& names, bool binary) {
    const fs::path folder = fs::absolute(path).lexically_normal().parent_path();
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("root");

    std::vector<aiMesh*> meshes;
    std::vector<aiNode*> nodes;
    std::map<const Material*, unsigned> materialIndex;
    std::vector<aiMaterial*> materials;
    for (std::size_t s = 0; s < shapes.size(); ++s) {
        const Shape& shape = *shapes[s];
        const std::string name =
            s < names.size() && !names[s].empty() ? names[s] : "shape" + std::to_string(s);
        auto* node = new aiNode(name);
        node->mParent = scene->mRootNode;
        nodes.push_back(node);
        // Materials in the order the shape's table lists them; polygons whose index is
        // outside the table go with the first mesh's material.
        std::vector<unsigned> nodeMeshes;
        const auto& table = shape.materials();
        const std::int32_t tableSize = std::max<std::int32_t>(1, std::int32_t(table.size()));
        for (std::int32_t m = 0; m < tableSize; ++m) {
            aiMesh* mesh = makeMesh(shape, table.empty() ? -1 : m, name);
            if (mesh->mNumFaces == 0) {
                delete mesh;
                continue;
            }
            const MaterialPtr material = table.empty() ? nullptr : table[m];
            auto [it, inserted] =
                materialIndex.try_emplace(material.get(), unsigned(materials.size()));
            if (inserted) {
                materials.push_back(makeMaterial(material, int(materials.size()), folder));
            }
            mesh->mMaterialIndex = it->second;
            nodeMeshes.push_back(unsigned(meshes.size()));
            meshes.push_back(mesh);
        }
        node->mNumMeshes = unsigned(nodeMeshes.size());
        node->mMeshes = new unsigned[nodeMeshes.size() + 1];
        std::copy(nodeMeshes.begin(), nodeMeshes.end(), node->mMeshes);
    }
    if (materials.empty()) {
        materials.push_back(makeMaterial(nullptr, 0, folder));
    }

    scene->mRootNode->mNumChildren = unsigned(nodes.size());
    scene->mRootNode->mChildren = new aiNode*[nodes.size() + 1];
    std::copy(nodes.begin(), nodes.end(), scene->mRootNode->mChildren);
    scene->mNumMeshes = unsigned(meshes.size());
    scene->mMeshes = new aiMesh*[meshes.size() + 1];
    std::copy(meshes.begin(), meshes.end(), scene->mMeshes);
    scene->mNumMaterials = unsigned(materials.size());
    scene->mMaterials = new aiMaterial*[materials.size()];
    std::copy(materials.begin(), materials.end(), scene->mMaterials);
    // Vertices are shared between the triangles of a mesh.
    scene->mFlags |= AI_SCENE_FLAGS_NON_VERBOSE_FORMAT;

    Assimp::Exporter exporter;
    auto* io = new MemoryIOSystem(); // owned by the exporter from here on
    exporter.SetIOHandler(io);
    if (exporter.Export(scene.get(), binary ? "glb2" : "gltf2", path, 0) != aiReturn_SUCCESS) {
        throw Error(ErrorNumber::HostFileUnwritable,
                    path + ": the glTF writer failed: " + exporter.GetErrorString(),
                    "saveMeshFile");
    }
    // The main file names the others, so it is renamed into place last.
    std::vector<FileContent> files = io->files();
    std::stable_partition(files.begin(), files.end(),
                          [&](const FileContent& f) { return f.first != path; });
    return files;
}

} // namespace brontle
