// loadMeshFile: Assimp scene -> host frames, shapes and materials.
//
// Everything is built into local arrays and records first; host objects are created only
// after the whole file was read and checked, so a bad file creates nothing. Assimp's part, up
// to those records, runs in a child process (IsolatedRun): its readers are not hardened
// against damaged files, and a crash there must not take the user's session with it.

#include "brontle/io/ByteCodec.h"
#include "brontle/io/FilePrecheck.h"
#include "brontle/io/IsolatedRun.h"
#include "brontle/io/LoadMemory.h"
#include "brontle/io/MeshFile.h"
#include "brontle/io/NodeShapeBuilder.h"

#include "brontle/core/Error.h"
#include "brontle/model/Frame.h"
#include "brontle/model/Material.h"
#include "brontle/model/MemoryBudget.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <assimp/BaseImporter.h>
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <type_traits>
#include <utility>

namespace brontle {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const std::string& fileName, const std::string& reason) {
    throw Error(ErrorNumber::HostFileUnreadable, fileName + ": " + reason, "loadMeshFile");
}

struct NodeRecord {
    int parent = -1; // index into the node list; -1 for the root
    Placement local;
    int shape = -1; // index into the shape list, or -1
};

Placement placementOf(const aiMatrix4x4& rigid) {
    aiVector3D scale, position;
    aiQuaternion rotation;
    rigid.Decompose(scale, rotation, position);
    return {{position.x, position.y, position.z}, {rotation.x, rotation.y, rotation.z, rotation.w}};
}

// Walks the node tree depth first. Each node's world matrix is split into a rigid part
// (rotation + translation, for its frame) and a per-axis scale that is baked into its own
// vertices. Frames carry no scale, so a parent's scale reaches children through their world
// matrices; a shear (non-uniform scale under a rotated child) cannot be kept and is lost.
struct TreeReader {
    const aiScene& scene;
    const std::string& fileName;
    std::vector<NodeRecord> nodes;
    std::vector<NodeShape> shapes;
    std::vector<std::string> names;
    int droppedPolygons = 0;
    int repairedPolygons = 0;

    void read(const aiNode& node, const aiMatrix4x4& parentWorld, const aiMatrix4x4& parentRigid,
              int parent, int depth) {
        // Assimp's own readers recurse over the tree too; this bound only guards against a
        // crafted file whose nesting would exhaust the stack here.
        if (depth > 10000) {
            fail(fileName, "the node tree is nested too deeply");
        }
        const aiMatrix4x4 world = parentWorld * node.mTransformation;
        aiVector3D scale, position;
        aiQuaternion rotation;
        world.Decompose(scale, rotation, position);
        const aiMatrix4x4 rigid(aiVector3D(1.0f, 1.0f, 1.0f), rotation, position);
        aiMatrix4x4 parentInverse = parentRigid;
        parentInverse.Inverse();

        NodeRecord record;
        record.parent = parent;
        record.local = placementOf(parentInverse * rigid);
        const int self = static_cast<int>(nodes.size());
        nodes.push_back(record);

        if (node.mNumMeshes > 0) {
            NodeShape shape = buildNodeShape(scene, node, scale, fileName);
            droppedPolygons += shape.droppedPolygons;
            repairedPolygons += shape.repairedPolygons;
            if (!shape.arrays.polygonMaterial.empty()) {
                std::string name = node.mName.C_Str();
                if (name.empty()) {
                    name = scene.mMeshes[node.mMeshes[0]]->mName.C_Str();
                }
                nodes[self].shape = static_cast<int>(shapes.size());
                names.push_back(name);
                shapes.push_back(std::move(shape));
            }
        }
        for (unsigned c = 0; c < node.mNumChildren; ++c) {
            if (node.mChildren[c]) {
                read(*node.mChildren[c], world, rigid, self, depth + 1);
            }
        }
    }
};

// The values of one file material, read before any host object exists.
struct MaterialRecord {
    Color4 ambient{0.2f, 0.2f, 0.2f, 1.0f};
    Color4 diffuse{0.8f, 0.8f, 0.8f, 1.0f};
    Color4 specular{0.0f, 0.0f, 0.0f, 1.0f};
    Color4 emissive{0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 16.0f;
    std::string textureFile; // resolved path; empty when the material names none
    std::string name;        // as the file names it
};

Color4 colorOf(const aiColor4D& c) {
    return {c.r, c.g, c.b, c.a};
}

MaterialRecord readMaterial(const aiMaterial& material, const fs::path& folder) {
    MaterialRecord record;
    aiString materialName;
    if (material.Get(AI_MATKEY_NAME, materialName) == AI_SUCCESS) {
        record.name = materialName.C_Str();
    }
    aiColor4D color;
    // glTF and other PBR files give the diffuse colour as the base colour; Assimp mirrors it
    // into the diffuse key for most readers, and the base colour is the fallback.
    if (material.Get(AI_MATKEY_COLOR_DIFFUSE, color) == AI_SUCCESS ||
        material.Get(AI_MATKEY_BASE_COLOR, color) == AI_SUCCESS) {
        record.diffuse = colorOf(color);
    }
    float opacity = 1.0f;
    if (material.Get(AI_MATKEY_OPACITY, opacity) == AI_SUCCESS) {
        record.diffuse.a = opacity;
    }
    if (material.Get(AI_MATKEY_COLOR_AMBIENT, color) == AI_SUCCESS) {
        record.ambient = colorOf(color);
    }
    if (material.Get(AI_MATKEY_COLOR_SPECULAR, color) == AI_SUCCESS) {
        record.specular = colorOf(color);
    }
    if (material.Get(AI_MATKEY_COLOR_EMISSIVE, color) == AI_SUCCESS) {
        record.emissive = colorOf(color);
    }
    float shininess = 0.0f;
    if (material.Get(AI_MATKEY_SHININESS, shininess) == AI_SUCCESS && shininess > 0.0f) {
        record.shininess = shininess;
    }

    aiString file;
    if (material.GetTexture(aiTextureType_DIFFUSE, 0, &file) != AI_SUCCESS &&
        material.GetTexture(aiTextureType_BASE_COLOR, 0, &file) != AI_SUCCESS) {
        return record;
    }
    std::string name = file.C_Str();
    // "*<n>" names a texture embedded in the file; the host loads textures from files only.
    if (name.empty() || name[0] == '*') {
        return record;
    }
    // Files written on Windows use backslashes.
    std::replace(name.begin(), name.end(), '\\', '/');
    fs::path texture(name);
    record.textureFile =
        (texture.is_absolute() ? texture : folder / texture).lexically_normal().string();
    return record;
}

// Assimp picks its reader by the file's extension; but when no reader claims the extension, or
// several claim it and none recognises the content (a ".gltf" that is not glTF: both glTF
// readers claim the extension), it offers the file to every one of its readers' content sniffing
// in turn, and readers meant for other formats over-read their buffers on such text (found by
// fuzzing). So a file is read by a reader of its extension or not at all: an extension no
// reader claims is refused, and when several claim it, one of them must recognise the content,
// asked exactly as Assimp's ReadFile asks them (in the same order, so ReadFile then picks that
// same reader). A single reader for the extension is used by ReadFile without sniffing.
void requireReaderOfExtension(const Assimp::Importer& importer, const fs::path& filePath,
                              const std::string& fileName) {
    const std::string path = filePath.string();
    const std::string extension = filePath.extension().string();
    if (extension.size() < 2) {
        fail(fileName, "the file name has no extension, which names the mesh format");
    }
    std::vector<Assimp::BaseImporter*> readers;
    for (std::size_t i = 0; i < importer.GetImporterCount(); ++i) {
        Assimp::BaseImporter* reader = importer.GetImporter(i);
        std::set<std::string> extensions;
        reader->GetExtensionList(extensions);
        // As Assimp compares: the name ends with "." + a listed extension, in any case (a
        // listed extension may hold a dot itself, as "mesh.xml" does).
        const bool claims = std::any_of(extensions.begin(), extensions.end(), [&](const auto& e) {
            const std::string dotted = "." + e;
            return dotted.size() <= path.size() &&
                   std::equal(dotted.begin(), dotted.end(), path.end() - dotted.size(),
                              [](char a, char b) {
                                  return std::tolower(static_cast<unsigned char>(a)) ==
                                         std::tolower(static_cast<unsigned char>(b));
                              });
        });
        if (claims) {
            readers.push_back(reader);
        }
    }
    if (readers.empty()) {
        fail(fileName, "the extension " + extension + " is not a mesh format this program reads");
    }
    if (readers.size() == 1) {
        return;
    }
    for (Assimp::BaseImporter* reader : readers) {
        try {
            if (reader->CanRead(path, importer.GetIOHandler(), true)) {
                return;
            }
        } catch (...) {
            // A reader that throws while looking does not recognise the file.
        }
    }
    fail(fileName, "the content is not in the format its extension " + extension + " names");
}

// Everything the host needs from the file, before any host object exists.
struct FileRecords {
    std::vector<NodeRecord> nodes;
    std::vector<NodeShape> shapes;
    std::vector<std::string> names;
    int droppedPolygons = 0;
    int repairedPolygons = 0;
    // By file material index, ascending.
    std::vector<std::pair<unsigned, MaterialRecord>> materials;
};

// Lists the records' fields once for both directions: `codec` is a ByteWriter (with const
// records) or a ByteReader (filling them).
template <class Codec, class Records> void transferRecords(Codec& codec, Records& records) {
    constexpr bool reading = !std::is_const_v<Records>;
    codec.field(records.nodes);
    const std::size_t shapes = codec.count(records.shapes.size());
    if constexpr (reading) {
        records.shapes.resize(shapes);
    }
    for (auto& shape : records.shapes) {
        auto& a = shape.arrays;
        codec.field(a.vertices);
        codec.field(a.normals);
        codec.field(a.texcoords);
        codec.field(a.polygonStart);
        codec.field(a.cornerVertex);
        codec.field(a.cornerNormal);
        codec.field(a.cornerTexCoord);
        codec.field(a.polygonTag);
        codec.field(a.polygonMaterial);
        codec.field(shape.fileMaterials);
        codec.field(shape.droppedPolygons);
        codec.field(shape.repairedPolygons);
    }
    const std::size_t names = codec.count(records.names.size());
    if constexpr (reading) {
        records.names.resize(names);
    }
    for (auto& name : records.names) {
        codec.field(name);
    }
    codec.field(records.droppedPolygons);
    codec.field(records.repairedPolygons);
    const std::size_t materials = codec.count(records.materials.size());
    if constexpr (reading) {
        records.materials.resize(materials);
    }
    for (auto& [index, m] : records.materials) {
        codec.field(index);
        codec.field(m.ambient);
        codec.field(m.diffuse);
        codec.field(m.specular);
        codec.field(m.emissive);
        codec.field(m.shininess);
        codec.field(m.textureFile);
        codec.field(m.name);
    }
}

std::string encodeRecords(const FileRecords& records) {
    ByteWriter writer;
    transferRecords(writer, records);
    return writer.take();
}

// Throws std::runtime_error when the bytes end early or run on past the records.
FileRecords decodeRecords(std::string_view bytes) {
    ByteReader reader(bytes);
    FileRecords records;
    transferRecords(reader, records);
    if (!reader.atEnd()) {
        throw std::runtime_error("the result is longer than its records");
    }
    return records;
}

// Everything Assimp gives for the file, as plain records; runs in the child process.
FileRecords readRecords(const fs::path& filePath, const std::string& fileName) {
    const std::string path = filePath.string();
    Assimp::Importer importer;
    // Pivots folded into node transforms, so frames mirror the nodes the user made rather than
    // helper nodes.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, false);
    requireReaderOfExtension(importer, filePath, fileName);
    // No post-processing: triangulation would split quads, and joining identical vertices
    // would tie welding to normals and texture coordinates; welding is done per position in
    // buildNodeShape.
    const aiScene* file = importer.ReadFile(path, 0);
    if (!file) {
        std::string reason = importer.GetErrorString();
        fail(fileName, reason.empty() ? "not a mesh file this program can read" : reason);
    }
    if ((file->mFlags & AI_SCENE_FLAGS_INCOMPLETE) || !file->mRootNode) {
        fail(fileName, "the file holds no polygons");
    }

    TreeReader reader{*file, fileName, {}, {}, {}, 0};
    reader.read(*file->mRootNode, aiMatrix4x4(), aiMatrix4x4(), -1, 0);
    if (reader.shapes.empty()) {
        fail(fileName, "the file holds no polygons");
    }

    // Materials that kept shapes use, read once each (their textures are loaded by the host).
    const fs::path folder = filePath.parent_path();
    std::map<unsigned, MaterialRecord> materials;
    for (const NodeShape& shape : reader.shapes) {
        for (unsigned index : shape.fileMaterials) {
            if (!materials.count(index)) {
                materials[index] = index < file->mNumMaterials && file->mMaterials[index]
                                       ? readMaterial(*file->mMaterials[index], folder)
                                       : MaterialRecord{};
            }
        }
    }

    FileRecords records;
    records.nodes = std::move(reader.nodes);
    records.shapes = std::move(reader.shapes);
    records.names = std::move(reader.names);
    records.droppedPolygons = reader.droppedPolygons;
    records.repairedPolygons = reader.repairedPolygons;
    records.materials.assign(materials.begin(), materials.end());
    return records;
}

} // namespace

LoadedScene loadMeshFile(const std::string& path, SceneGraph& scene,
                         const std::function<void(double)>& progress) {
    const fs::path filePath(path);
    const std::string fileName = filePath.filename().string();

    std::error_code ec;
    const auto status = fs::status(filePath, ec);
    if (!fs::exists(status)) {
        fail(fileName, "no such file");
    }
    if (!fs::is_regular_file(status)) {
        fail(fileName, "not a file");
    }
    const auto size = fs::file_size(filePath, ec);
    const bool sizeKnown = !ec;
    if (sizeKnown && size == 0) {
        fail(fileName, "the file is empty");
    }

    precheckMeshFile(path, fileName);
    requireMemory(estimateLoadBytes(path), "Loading " + fileName, "loadMeshFile");

    // Readers take well under a second per megabyte; a reader still busy after a minute plus a
    // second per megabyte is looping on a damaged file.
    const double seconds = 60.0 + (sizeKnown ? static_cast<double>(size) / 1e6 : 0.0);
    // The reader's own progress cannot be seen from here: the fraction follows the time it is
    // expected to take (about a second per 20 MB), approaching 0.9 while it runs longer.
    const double expected = 0.5 + (sizeKnown ? static_cast<double>(size) / 20e6 : 0.0);
    const auto report = [&](double fraction) {
        if (progress) {
            progress(fraction);
        }
    };
    report(0.0);
    std::function<void(double)> waiting;
    if (progress) {
        waiting = [&](double elapsed) { report(0.9 * (1.0 - std::exp(-elapsed / expected))); };
    }
    FileRecords records;
    {
        const std::string bytes =
            runIsolated([&] { return encodeRecords(readRecords(filePath, fileName)); }, fileName,
                        seconds, waiting);
        try {
            records = decodeRecords(bytes);
        } catch (const std::runtime_error&) {
            fail(fileName, "the reader for its format stopped without a result");
        }
    }
    report(0.9);
    LoadedScene out;
    std::map<std::string, TexturePtr> textures;
    for (auto& [index, record] : records.materials) {
        if (record.textureFile.empty() || textures.count(record.textureFile)) {
            continue;
        }
        std::int32_t width = 0, height = 0;
        try {
            textures[record.textureFile] = scene.LoadTexture(record.textureFile, 0, 0, "", "", 1.0f,
                                                             "", "", "", width, height);
            if (!textures[record.textureFile]) {
                std::error_code missing;
                out.warnings.push_back(
                    fileName + ": texture " + record.textureFile +
                    (fs::exists(record.textureFile, missing) ? " is not an image this program reads"
                                                             : " was not found") +
                    "; its material is used without it, and files written from it do not name it");
            }
        } catch (const Error& e) {
            // A texture the reader cannot decode must not cost the user the mesh.
            if (e.number() != ErrorNumber::HostFileUnreadable) {
                throw;
            }
            textures[record.textureFile] = nullptr;
            out.warnings.push_back(fileName + ": texture " + record.textureFile +
                                   " could not be read (" + e.description() +
                                   "); the material is shown without it");
        }
    }

    // Hand-over: from here on only host objects are created.
    std::map<unsigned, MaterialPtr> hostMaterials;
    for (auto& [index, record] : records.materials) {
        MaterialPtr material = scene.CreateMaterial();
        material->SetColorA(record.ambient);
        material->SetColorB(record.diffuse);
        material->SetColorC(record.specular);
        material->SetColorD(record.emissive);
        material->SetMaterialValue(record.shininess);
        material->SetName(record.name);
        if (!record.textureFile.empty()) {
            material->SetTexture(textures[record.textureFile]);
        }
        hostMaterials[index] = material;
    }
    std::vector<FramePtr> frames(records.nodes.size());
    for (std::size_t i = 0; i < records.nodes.size(); ++i) {
        const NodeRecord& node = records.nodes[i];
        const FramePtr parent = node.parent < 0 ? nullptr : frames[node.parent];
        frames[i] = scene.CreateFrame(parent);
        frames[i]->SetPlacement(parent, -1.0f, node.local.position, node.local.orientation);
    }
    out.root = frames.front();
    const std::string stem = filePath.stem().string();
    for (std::size_t i = 0; i < records.nodes.size(); ++i) {
        if (records.nodes[i].shape < 0) {
            continue;
        }
        const int s = records.nodes[i].shape;
        NodeShape& built = records.shapes[s];
        for (unsigned index : built.fileMaterials) {
            built.arrays.materials.push_back(hostMaterials[index]);
        }
        ShapePtr shape = scene.CreateShape();
        shape->assignArrays(std::move(built.arrays));
        frames[i]->AddShape(shape);
        out.shapes.push_back(shape);
        out.shapeNames.push_back(records.names[s].empty() ? stem + "_" + std::to_string(s)
                                                          : records.names[s]);
    }
    out.droppedPolygons = records.droppedPolygons;
    out.repairedPolygons = records.repairedPolygons;
    return out;
}

} // namespace brontle
