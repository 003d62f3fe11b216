#pragma once
// A mesh as OBJ text for the tests that feed files to the readers and the programs.

#include <cstddef>
#include <string>

namespace mesh_literals {

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
