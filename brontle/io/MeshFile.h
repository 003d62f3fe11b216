#pragma once
// Mesh files in and out of the host.
//
// Reading goes through Assimp (OBJ, PLY, STL, OFF, glTF/GLB, FBX) and keeps what a UV editor
// needs intact: polygons stay polygons (an OBJ quad is one 4-corner polygon), split normals and
// texture coordinates stay split, and positions are welded so the mesh is connected across
// them. Writing produces OBJ + MTL (by this library, exactly) or glTF/GLB (through Assimp).
//
// Texture coordinates: inside the host v grows upwards (the OBJ convention). Files whose v
// points down (glTF) are converted where they are read and written.

#include "brontle/model/Forward.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace brontle {

// What loadMeshFile hands over.
//  root: the frame of the file's root node; child frames mirror the node tree, each placed by
//        its node's rotation and translation (scale is baked into that node's vertices).
//  shapes[i]: one shape per node that holds polygons (the node's meshes merged, one material
//        table entry per distinct file material, per-polygon material indices), in depth-first
//        node order; shapes[i] sits in its node's frame.
//  shapeNames[i]: the node's name, else its first mesh's name, else "<file stem>_<i>".
//  droppedPolygons: polygons left out because they have fewer than 3 distinct corners (points
//        and lines are not counted).
//  repairedPolygons: polygons kept after removing corners that repeat an earlier corner's
//        position.
//  warnings: things the user should know that did not stop the load, in words that say what
//        to do (a texture file that is missing or not a readable image).
struct LoadedScene {
    FramePtr root;
    std::vector<ShapePtr> shapes;
    std::vector<std::string> shapeNames;
    int droppedPolygons = 0;
    int repairedPolygons = 0; // kept with repeated corners removed (NodeShapeBuilder.h)
    std::vector<std::string> warnings;
};

// Reads a mesh file into new host objects created through `scene` (CreateFrame, CreateShape,
// CreateMaterial, LoadTexture; a diffuse / base-colour texture is looked up relative to the mesh
// file's folder and left out when the file is not there).
// Every shape gets a normal and a texture coordinate per corner: files without normals get flat
// face normals, files without texture coordinates get (0, 0) on every corner.
// The file is read only by an Assimp reader of its extension (case-insensitive): a file whose
// extension no reader claims, or whose content no reader of its extension recognises (an OBJ
// named .gltf), is refused rather than handed to the readers of other formats. The reader runs
// in a child process (IsolatedRun.h): if it crashes, hangs or runs out of memory on a damaged
// file, the load fails with a message and the host carries on.
// Throws Error(HostFileUnreadable, "<file name>: <reason>") when the file is missing, empty,
// truncated, not a mesh Assimp can parse, not of the format its extension names, holds no
// polygons, has a non-finite coordinate or an index out of range; nothing is created then.
// `progress`, when given, gets the fraction done in [0, 1] on the calling thread, about every
// 50 ms while the reader runs; when it throws (a cancelled load), the reader is stopped and the
// exception goes on to the caller before any host object was created.
LoadedScene loadMeshFile(const std::string& path, SceneGraph& scene,
                         const std::function<void(double)>& progress = {});

// Writes `shapes` (each in its own coordinates; frames are not applied) under `names`
// (names[i] for shapes[i]; a missing or empty name becomes "shape<i>") by the path's extension,
// case-insensitive:
//  ".obj": OBJ plus an MTL file of the same stem beside it, one `o` per shape, polygons
//          intact, `usemtl` per material, MTL Kd from colour B and map_Kd from the texture's
//          file relative to the OBJ's folder;
//  ".gltf" (with a .bin beside it) / ".glb": through Assimp, polygons fan-triangulated.
// Every file is written to a temporary file in the target folder and renamed over the target
// only when all of them were written, so a failure leaves existing files unchanged.
// Throws Error(HostFileUnwritable, "<path>: <reason>") when a file cannot be written, and
// Error(HostFileUnwritable, "<file>: unsupported format ...") for any other extension.
void saveMeshFile(const std::string& path, const std::vector<ShapePtr>& shapes,
                  const std::vector<std::string>& names);

// The files saveMeshFile writes, with their contents, in the order to rename them into place
// (for callers that commit them together with other files in one FileGroup).
std::vector<std::pair<std::string, std::string>>
meshFileContents(const std::string& path, const std::vector<ShapePtr>& shapes,
                 const std::vector<std::string>& names);

// Throws the unsupported-format Error of saveMeshFile when no writer takes the path's extension.
void checkMeshOutputFormat(const std::string& path);
// The paths saveMeshFile writes for `path`: "<stem>.mtl" then the OBJ; "<stem>.bin" then the
// .gltf; the .glb alone. Throws as checkMeshOutputFormat.
std::vector<std::string> meshOutputFiles(const std::string& path);

} // namespace brontle
