#pragma once
// Turns the meshes of one Assimp node into the arrays of one host shape (internal to the
// mesh-file reader).

#include "brontle/model/Shape.h"

#include <assimp/vector3.h>

#include <string>
#include <vector>

struct aiScene;
struct aiNode;

namespace brontle {

struct NodeShape {
    ShapeArrays arrays; // materials left empty; see fileMaterials
    std::vector<unsigned>
        fileMaterials; // table entry i of the shape is scene material fileMaterials[i]
    int droppedPolygons = 0;
    int repairedPolygons = 0; // kept with their repeated corners removed
};

// Merges the polygons of every mesh of `node` into one shape, in mesh order then face order:
//  - positions are multiplied by `scale` (the node's world scale; its rotation and translation
//    go to the frame) and welded: corners whose scaled positions are bit-identical (with -0
//    taken as +0) share one vertex;
//  - normals (transformed by the inverse scale and re-normalised when scaled) and the first
//    texture-coordinate channel are pooled, exact duplicates sharing one entry; the polygons of a
//    mesh without normals get normals smoothed across gentle edges and split at sharp ones
//    (SharpEdgeNormals.h, over the whole node), one without texture coordinates (0, 0);
//  - a scale that mirrors (odd number of negative factors) reverses each polygon's corners so
//    faces keep pointing outwards;
//  - faces of 1 or 2 corners (points, lines) are skipped; a corner at the same position as an
//    earlier corner of its polygon (f 1 2 2 3, or two indices of one position) is removed, and
//    the polygon is kept and counted as repaired when 3 distinct positions remain, else dropped
//    and counted.
// Throws Error(HostFileUnreadable, "<fileName>: <reason>") for a non-finite value or an index
// out of range. The result has no polygons when the node holds none.
NodeShape buildNodeShape(const aiScene& scene, const aiNode& node, const aiVector3D& scale,
                         const std::string& fileName);

} // namespace brontle
