// saveMeshFile: picks the writer by extension and writes its files atomically.

#include "brontle/io/AtomicFiles.h"
#include "brontle/io/GltfText.h"
#include "brontle/io/MeshFile.h"
#include "brontle/io/ObjText.h"

#include "brontle/model/Error.h"
#include "brontle/model/Shape.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace brontle {

void saveMeshFile(const std::string& path, const std::vector<ShapePtr>& shapes,
                  const std::vector<std::string>& names) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const ShapePtr& shape : shapes)
        if (!shape)
            throw Error(ErrorNumber::ObjectNotSet, path + ": a shape to save is not set",
                        "saveMeshFile");

    std::vector<FileContent> files;
    if (extension == ".obj")
        files = objFileContents(path, shapes, names);
    else if (extension == ".gltf" || extension == ".glb")
        files = gltfFileContents(path, shapes, names, extension == ".glb");
    else
        throw Error(ErrorNumber::HostFileUnwritable,
                    std::filesystem::path(path).filename().string() +
                        ": unsupported format; save as .obj, .gltf or .glb",
                    "saveMeshFile");
    writeFilesAtomically(files);
}

} // namespace brontle
