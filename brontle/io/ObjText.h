#pragma once
// The text of an OBJ file and its MTL file for a list of shapes (internal to saveMeshFile).

#include "brontle/model/AtomicFiles.h"
#include "brontle/model/Forward.h"

#include <string>
#include <vector>

namespace brontle {

// Returns {mtlPath, mtlText} then {objPath, objText}; the MTL is "<objPath stem>.mtl" beside the
// OBJ, so the OBJ is renamed into place last and never names an MTL that is not there yet.
// Each shape is one `o <name>` block in its own coordinates: its vertices (`v`), the texture
// coordinates its polygons use (`vt`, each polygon's moved by whole tiles into [0, 1] where it
// lies within one tile: TextureTiles.h), normals (`vn`), then its polygons as `f v/vt/vn ...` with
// all corners in order, indices counted across the whole file from 1 as OBJ wants. `usemtl`
// precedes each run of polygons of one material. Numbers are written in the shortest form that
// reads back to the same float. Materials keep the names they had (line breaks and other control
// characters made '_'); the others are named "material<n>" (n from 1, in first use, skipping names
// taken); each MTL entry has Ka, Kd, Ks, Ke from colours A..D, Ns from the material value, d from
// colour B's alpha and, when the material's texture came from a file, map_Kd with that file's path
// relative to the OBJ's folder (forward slashes).
std::vector<FileContent> objFileContents(const std::string& objPath,
                                         const std::vector<ShapePtr>& shapes,
                                         const std::vector<std::string>& names);

} // namespace brontle
