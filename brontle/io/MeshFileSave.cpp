// saveMeshFile: picks the writer by extension and writes its files atomically.

#include "brontle/io/GltfText.h"
#include "brontle/io/MeshFile.h"
#include "brontle/io/ObjText.h"
#include "brontle/model/AtomicFiles.h"

#include "brontle/core/Error.h"
#include "brontle/model/Shape.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace brontle {

namespace {

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

} // namespace

void checkMeshOutputFormat(const std::string& path) {
    const std::string extension = lowerExtension(path);
    if (extension != ".obj" && extension != ".gltf" && extension != ".glb") {
        throw Error(ErrorNumber::HostFileUnwritable,
                    std::filesystem::path(path).filename().string() +
                        ": unsupported format; save as .obj, .gltf or .glb",
                    "saveMeshFile");
    }
}

std::vector<std::string> meshOutputFiles(const std::string& path) {
    checkMeshOutputFormat(path);
    const std::string extension = lowerExtension(path);
    std::filesystem::path other(path);
    if (extension == ".obj") {
        return {other.replace_extension(".mtl").string(), path};
    }
    if (extension == ".gltf") {
        return {other.replace_extension(".bin").string(), path};
    }
    return {path};
}

std::vector<FileContent> meshFileContents(const std::string& path,
                                          const std::vector<ShapePtr>& shapes,
                                          const std::vector<std::string>& names) {
    checkMeshOutputFormat(path);
    for (const ShapePtr& shape : shapes) {
        if (!shape) {
            throw Error(ErrorNumber::ObjectNotSet, path + ": a shape to save is not set",
                        "saveMeshFile");
        }
    }
    const std::string extension = lowerExtension(path);
    if (extension == ".obj") {
        return objFileContents(path, shapes, names);
    }
    return gltfFileContents(path, shapes, names, extension == ".glb");
}

void saveMeshFile(const std::string& path, const std::vector<ShapePtr>& shapes,
                  const std::vector<std::string>& names) {
    writeFilesAtomically(meshFileContents(path, shapes, names));
}

} // namespace brontle
