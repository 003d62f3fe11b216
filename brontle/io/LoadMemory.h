#pragma once
// How much memory loading a mesh file takes, estimated from its size before any reader runs
// (internal to loadMeshFile), so that a file too large for the machine is refused up front.

#include <cstdint>
#include <string>

namespace brontle {

// The peak memory of loading the file at `path`: the bytes its geometry takes on disk times the
// growth of its format once read (the reader's scene, the welded host arrays and the shape
// built from them, side by side at the peak). For a .gltf file the geometry is in its buffers,
// so their declared byteLength counts, not the size of the JSON text. Never throws; a file that
// cannot be read is estimated from what can be read of it, and the readers report it later.
std::uint64_t estimateLoadBytes(const std::string& path);

} // namespace brontle
