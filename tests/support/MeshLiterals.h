#pragma once
// The literal geometry of the small shared test meshes, defined once: corner positions as
// (x, y, z) triples and polygons as vertex-index lists. No dependencies, so the tests of every
// layer (host shapes in ModelBuilders.h, the atlas's meshes in AtlasTestMeshes.h) build their
// own kind of mesh from the same numbers.

#include <array>
#include <cstdint>

namespace mesh_literals {

// One unit square in the z = 0 plane, counter-clockwise seen from +z.
inline constexpr std::array<std::array<float, 3>, 4> kUnitQuadPositions = {
    {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}};
inline constexpr std::array<std::array<std::int32_t, 4>, 1> kUnitQuadPolygons = {{{0, 1, 2, 3}}};

// The unit cube as 6 outward-facing quads over its 8 shared vertices, in the order
// z = 0, z = 1, y = 0, y = 1, x = 1, x = 0.
inline constexpr std::array<std::array<float, 3>, 8> kCubePositions = {
    {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}};
inline constexpr std::array<std::array<std::int32_t, 4>, 6> kCubePolygons = {
    {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}}};
// The outward normal of each cube polygon, in polygon order.
inline constexpr std::array<std::array<float, 3>, 6> kCubeNormals = {
    {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {1, 0, 0}, {-1, 0, 0}}};

} // namespace mesh_literals
