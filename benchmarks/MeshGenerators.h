#pragma once
// Procedural test meshes for the atlas benchmark and tests: a triangulated torus and a noisy
// cube-sphere, sized by triangle count. Deterministic: the noise comes from a fixed-seed
// std::mt19937 read as raw bits, so every platform builds the same mesh.

#include "brontle/atlas/Atlas.h"
#include "brontle/core/Records.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

namespace peelwise::bench {

struct GeneratedMesh {
    std::vector<brontle::Vector3> positions;
    std::vector<std::int32_t> polygonStart{0};
    std::vector<std::int32_t> cornerVertex;
    std::vector<brontle::SubSelectionEntry> seams;

    void addPolygon(std::initializer_list<std::int32_t> corners) {
        cornerVertex.insert(cornerVertex.end(), corners.begin(), corners.end());
        polygonStart.push_back(static_cast<std::int32_t>(cornerVertex.size()));
    }
    int polygonCount() const { return static_cast<int>(polygonStart.size()) - 1; }
    brontle::atlas::MeshView view() const { return {positions, polygonStart, cornerVertex, seams}; }
};

// A closed torus around the z axis with `ring` x `tube` quads, each split into two triangles:
// 2 * ring * tube triangles.
inline GeneratedMesh torus(int ring, int tube, double major = 1.0, double minor = 0.35) {
    GeneratedMesh mesh;
    mesh.positions.reserve(static_cast<std::size_t>(ring) * tube);
    for (int i = 0; i < ring; ++i) {
        const double a = 2.0 * std::numbers::pi * i / ring;
        for (int j = 0; j < tube; ++j) {
            const double b = 2.0 * std::numbers::pi * j / tube;
            const double r = major + minor * std::cos(b);
            mesh.positions.push_back({static_cast<float>(r * std::cos(a)),
                                      static_cast<float>(r * std::sin(a)),
                                      static_cast<float>(minor * std::sin(b))});
        }
    }
    auto id = [&](int i, int j) { return ((i % ring) * tube) + (j % tube); };
    for (int i = 0; i < ring; ++i) {
        for (int j = 0; j < tube; ++j) {
            mesh.addPolygon({id(i, j), id(i + 1, j), id(i + 1, j + 1)});
            mesh.addPolygon({id(i, j), id(i + 1, j + 1), id(i, j + 1)});
        }
    }
    return mesh;
}

// A torus with about `triangles` triangles, its tube sampled half as finely as its ring.
inline GeneratedMesh torusWithTriangles(int triangles) {
    const int tube = std::max(3, static_cast<int>(std::lround(std::sqrt(triangles / 4.0))));
    return torus(2 * tube, tube);
}

// A unit sphere made from a cube whose faces are split into n x n quads of two triangles each
// (12 n^2 triangles), every vertex moved radially by up to `noise` times the mean edge length.
// The cube layout keeps triangles well shaped everywhere, unlike a latitude-longitude sphere.
inline GeneratedMesh noisySphere(int n, double noise = 0.2, std::uint32_t seed = 7) {
    GeneratedMesh mesh;
    std::mt19937 random(seed);
    const double edge = (std::numbers::pi / 2.0) / n;
    // Face f: fixed axis f / 2 with sign, the other two axes spanning the face.
    for (int f = 0; f < 6; ++f) {
        const int axis = f / 2;
        const double sign = f % 2 == 0 ? 1.0 : -1.0;
        const auto base = static_cast<std::int32_t>(mesh.positions.size());
        for (int i = 0; i <= n; ++i) {
            for (int j = 0; j <= n; ++j) {
                double p[3];
                p[axis] = sign;
                p[(axis + 1) % 3] = -1.0 + 2.0 * i / n;
                p[(axis + 2) % 3] = -1.0 + 2.0 * j / n;
                const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
                const double unit = (random() >> 8) * (1.0 / 16777216.0);
                const double radius = 1.0 + noise * edge * (2.0 * unit - 1.0);
                mesh.positions.push_back({static_cast<float>(p[0] / len * radius),
                                          static_cast<float>(p[1] / len * radius),
                                          static_cast<float>(p[2] / len * radius)});
            }
        }
        auto id = [&](int i, int j) { return base + i * (n + 1) + j; };
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                // Wind outwards: axes (axis+1, axis+2) are right-handed with +axis.
                if (sign > 0) {
                    mesh.addPolygon({id(i, j), id(i + 1, j), id(i + 1, j + 1)});
                    mesh.addPolygon({id(i, j), id(i + 1, j + 1), id(i, j + 1)});
                } else {
                    mesh.addPolygon({id(i, j), id(i + 1, j + 1), id(i + 1, j)});
                    mesh.addPolygon({id(i, j), id(i, j + 1), id(i + 1, j + 1)});
                }
            }
        }
    }
    // Weld the duplicated vertices along the cube's edges so the sphere is closed: snap every
    // vertex to the first one at the same grid point, found through its undisplaced direction.
    std::vector<std::int32_t> weld(mesh.positions.size());
    std::vector<std::pair<std::array<std::int32_t, 3>, std::int32_t>> keys;
    keys.reserve(mesh.positions.size());
    for (int f = 0, v = 0; f < 6; ++f) {
        const int axis = f / 2;
        const int sign = f % 2 == 0 ? 1 : -1;
        for (int i = 0; i <= n; ++i) {
            for (int j = 0; j <= n; ++j, ++v) {
                std::array<std::int32_t, 3> key{};
                key[axis] = sign * n;
                key[(axis + 1) % 3] = -n + 2 * i;
                key[(axis + 2) % 3] = -n + 2 * j;
                keys.push_back({key, v});
            }
        }
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const bool first = k == 0 || keys[k].first != keys[k - 1].first;
        weld[keys[k].second] = first ? keys[k].second : weld[keys[k - 1].second];
    }
    for (std::int32_t& v : mesh.cornerVertex) {
        v = weld[v];
    }
    return mesh;
}

// A noisy sphere with about `triangles` triangles.
inline GeneratedMesh noisySphereWithTriangles(int triangles, double noise = 0.2) {
    const int n = std::max(1, static_cast<int>(std::lround(std::sqrt(triangles / 12.0))));
    return noisySphere(n, noise);
}

} // namespace peelwise::bench
