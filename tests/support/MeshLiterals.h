#pragma once
// The literal geometry of the small shared test meshes, defined once: corner positions as
// (x, y, z) triples and polygons as vertex-index lists, and a quad grid as OBJ text. No
// dependencies beyond the standard library, so the tests of every
// layer (host shapes in ModelBuilders.h, the atlas's meshes in AtlasTestMeshes.h) build their
// own kind of mesh from the same numbers.

#include <array>
#include <cstdint>
#include <string>

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

// OBJ text of an n x n grid of unit quads in the z = 0 plane, vertex (x, y) on line
// y * (n + 1) + x + 1: at n = 150 about 0.8 MB, at n = 400 about 7 MB.
inline std::string objQuadGrid(int n) {
    std::string text;
    text.reserve(static_cast<std::size_t>(n + 1) * (n + 1) * 20 +
                 static_cast<std::size_t>(n) * n * 30);
    for (int y = 0; y <= n; ++y) {
        for (int x = 0; x <= n; ++x) {
            text += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
        }
    }
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const int a = y * (n + 1) + x + 1;
            text += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " +
                    std::to_string(a + n + 2) + " " + std::to_string(a + n + 1) + "\n";
        }
    }
    return text;
}

} // namespace mesh_literals
