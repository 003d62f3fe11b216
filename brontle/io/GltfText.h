#pragma once
// The bytes of a glTF (.gltf + .bin) or GLB file for a list of shapes, made by Assimp's
// exporter (internal to saveMeshFile).

#include "brontle/model/AtomicFiles.h"
#include "brontle/model/Forward.h"

#include <string>
#include <vector>

namespace brontle {

// One node per shape named names[i] ("shape<i>" when missing or empty), holding one mesh per
// material the shape uses (glTF gives each primitive one material), polygons fan-triangulated
// from their first corner (glTF has triangles only). A glTF vertex carries position, normal and
// texture coordinate together, so each distinct (vertex, normal, texcoord) triple of a corner
// becomes one glTF vertex. Materials carry colour B as diffuse and base colour and the texture
// file relative to the output folder. Returns the files in the order to rename them: the .bin
// before the .gltf. Throws Error(HostFileUnwritable, "<path>: <reason>") when Assimp fails.
std::vector<FileContent> gltfFileContents(const std::string& path,
                                          const std::vector<ShapePtr>& shapes,
                                          const std::vector<std::string>& names, bool binary);

} // namespace brontle
