#pragma once
// Checks what Assimp's readers would let through or hang on, before they read the file
// (internal to loadMeshFile): that a file of a format that declares its own extent is all
// there, and that OFF face indices are in range (Assimp's OFF reader silently clamps them to
// the last vertex, which would load a wrong mesh). Assimp's PLY reader loops forever on a header
// that is cut short and fills missing data with zeros; its OFF and ASCII STL readers keep what they
// find; so a truncated file would hang the host or load as a silently partial mesh. PLY and OFF
// state their element counts up front and ASCII STL ends with "endsolid", which makes truncation
// detectable here. (OBJ has no such marker: a file cut at a line break cannot be told from a
// whole one; glTF, GLB, binary STL and FBX are checked by Assimp's readers themselves.)

#include <string>

namespace brontle {

// Does nothing unless the file is glTF (extension .gltf or .glb), PLY (extension .ply or first
// line "ply"), OFF (extension .off or first word ending in "OFF") or ASCII STL (extension .stl,
// starting with "solid", and not of the size a binary STL with its stated triangle count has).
// For PLY: the header must be complete (format, elements with counts and names that do not
// start with a number, none declared twice, properties of known types, end_header, text only
// outside comments) and the body must hold every declared element (binary: every byte, lists by
// their counts; ASCII: each item whole on a line of its own, every value a decimal number, list
// lengths within their type). For OFF: the count line and as many vertex and face lines as it
// declares, each vertex with 3 coordinates, each face with all its indices. For ASCII STL: an
// "endsolid" line. For GLB: chunks that end inside the file. For glTF (.gltf, or the JSON chunk
// of a .glb): JSON that parses, and no triangle strip or fan of fewer than 3 vertices and no line
// strip or loop of fewer than 2 (counted by its indices, else its positions), which Assimp's
// readers turn into billions of faces or write past their face array with.
// Throws Error(HostFileUnreadable, "<fileName>: <reason>") naming what is missing.
void precheckMeshFile(const std::string& path, const std::string& fileName);

} // namespace brontle
