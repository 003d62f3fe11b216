#pragma once
// Hard-surface test meshes for the atlas benchmark and tests: what modelling tools and CAD
// exports produce. Flat faces meeting at right angles, cylinders closed by triangle fans, an
// extruded gear outline with a bevel of long thin triangles, and a smooth animal-like body
// written as an OBJ file without normals. Deterministic; positions are welded (corners of
// neighbouring faces share vertices), as a mesh file with split normals is read by the host.

#include "MeshGenerators.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <string>

namespace peelwise::bench {

// The cube [-1, 1]^3, each face an n x n grid of quads (6 n^2 quads; n = 16 gives 1,536), the
// vertices on the cube's edges shared by the faces meeting there.
inline GeneratedMesh quadCube(int n) {
    GeneratedMesh m;
    // Vertices on a (n + 1)^3 lattice, only those on the surface, numbered on first use.
    std::vector<std::int32_t> index(static_cast<std::size_t>((n + 1) * (n + 1) * (n + 1)), -1);
    auto vertex = [&](int i, int j, int k) {
        std::int32_t& id = index[(static_cast<std::size_t>(k) * (n + 1) + j) * (n + 1) + i];
        if (id < 0) {
            id = static_cast<std::int32_t>(m.positions.size());
            m.positions.push_back(
                {-1.0f + 2.0f * i / n, -1.0f + 2.0f * j / n, -1.0f + 2.0f * k / n});
        }
        return id;
    };
    // Each face: a fixed axis at 0 or n, two running axes (a, b) with a x b pointing outwards.
    for (int axis = 0; axis < 3; ++axis) {
        for (const int side : {0, n}) {
            const int a = (axis + 1) % 3;
            const int b = (axis + 2) % 3;
            const bool outwardPositive = side == n;
            for (int s = 0; s < n; ++s) {
                for (int t = 0; t < n; ++t) {
                    auto at = [&](int ds, int dt) {
                        int c[3];
                        c[axis] = side;
                        c[a] = s + ds;
                        c[b] = t + dt;
                        return vertex(c[0], c[1], c[2]);
                    };
                    if (outwardPositive) {
                        m.addPolygon({at(0, 0), at(1, 0), at(1, 1), at(0, 1)});
                    } else {
                        m.addPolygon({at(0, 0), at(0, 1), at(1, 1), at(1, 0)});
                    }
                }
            }
        }
    }
    return m;
}

// A closed cylinder of radius r and height h around the z axis: `segments` x `rows` side quads,
// each cap a fan of triangles from its centre.
inline GeneratedMesh fanCappedCylinder(int segments, int rows, double r = 1.0, double h = 3.0) {
    GeneratedMesh m;
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i < segments; ++i) {
            const double a = 2.0 * std::numbers::pi * i / segments;
            m.positions.push_back({static_cast<float>(r * std::cos(a)),
                                   static_cast<float>(r * std::sin(a)),
                                   static_cast<float>(h * j / rows)});
        }
    }
    auto ring = [segments](int j, int i) { return j * segments + (i % segments); };
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < segments; ++i) {
            m.addPolygon({ring(j, i), ring(j, i + 1), ring(j + 1, i + 1), ring(j + 1, i)});
        }
    }
    const auto bottom = static_cast<std::int32_t>(m.positions.size());
    m.positions.push_back({0.0f, 0.0f, 0.0f});
    const auto top = static_cast<std::int32_t>(m.positions.size());
    m.positions.push_back({0.0f, 0.0f, static_cast<float>(h)});
    for (int i = 0; i < segments; ++i) {
        m.addPolygon({bottom, ring(0, i + 1), ring(0, i)});
        m.addPolygon({top, ring(rows, i), ring(rows, i + 1)});
    }
    return m;
}

// A spur gear: the outline of `teeth` trapezoid teeth (4 outline points each) extruded along z,
// its side walls split into `rows` rows of quads, both end faces fans of triangles from the
// centre (long thin triangles towards the tooth tips), and a bevel of height `bevel` between the
// top face and the side walls: a ring of triangles with aspect ratios beyond 1,000.
inline GeneratedMesh bevelledGear(int teeth = 24, int rows = 6, double bevel = 2e-5) {
    GeneratedMesh m;
    std::vector<double> radius;
    std::vector<double> angle;
    for (int t = 0; t < teeth; ++t) {
        const double base = 2.0 * std::numbers::pi * t / teeth;
        const double step = 2.0 * std::numbers::pi / teeth;
        const double at[4] = {0.0, 0.3, 0.5, 0.8};
        const double rad[4] = {1.0, 1.2, 1.2, 1.0};
        for (int k = 0; k < 4; ++k) {
            angle.push_back(base + at[k] * step);
            radius.push_back(rad[k]);
        }
    }
    const int outline = static_cast<int>(angle.size());
    const double height = 0.4;
    // Rows 0..rows of the side walls, then the bevel's top ring slightly inside.
    for (int j = 0; j <= rows + 1; ++j) {
        const double z = j <= rows ? height * j / rows : height + bevel;
        const double shrink = j <= rows ? 0.0 : bevel;
        for (int i = 0; i < outline; ++i) {
            m.positions.push_back({static_cast<float>((radius[i] - shrink) * std::cos(angle[i])),
                                   static_cast<float>((radius[i] - shrink) * std::sin(angle[i])),
                                   static_cast<float>(z)});
        }
    }
    auto ring = [outline](int j, int i) { return j * outline + (i % outline); };
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < outline; ++i) {
            m.addPolygon({ring(j, i), ring(j, i + 1), ring(j + 1, i + 1), ring(j + 1, i)});
        }
    }
    // The bevel as triangles, so every one of them is a sliver.
    for (int i = 0; i < outline; ++i) {
        m.addPolygon({ring(rows, i), ring(rows, i + 1), ring(rows + 1, i + 1)});
        m.addPolygon({ring(rows, i), ring(rows + 1, i + 1), ring(rows + 1, i)});
    }
    const auto bottom = static_cast<std::int32_t>(m.positions.size());
    m.positions.push_back({0.0f, 0.0f, 0.0f});
    const auto top = static_cast<std::int32_t>(m.positions.size());
    m.positions.push_back({0.0f, 0.0f, static_cast<float>(height + bevel)});
    for (int i = 0; i < outline; ++i) {
        m.addPolygon({bottom, ring(0, i + 1), ring(0, i)});
        m.addPolygon({top, ring(rows + 1, i), ring(rows + 1, i + 1)});
    }
    return m;
}

// A smooth animal-like body: a latitude-longitude sphere of `rings` x 2 `rings` quads (split
// into triangles), pulled out into a head, a tail and four legs by smooth radial bumps.
inline GeneratedMesh smoothCreature(int rings = 40) {
    GeneratedMesh m;
    const int segments = 2 * rings;
    struct Bump {
        double x, y, z, height, width;
    };
    const Bump bumps[] = {{1, 0, 0.3, 0.9, 0.35},         {-1, 0, 0.2, 0.7, 0.2},
                          {0.5, 0.45, -0.75, 1.0, 0.12},  {0.5, -0.45, -0.75, 1.0, 0.12},
                          {-0.5, 0.45, -0.75, 1.0, 0.12}, {-0.5, -0.45, -0.75, 1.0, 0.12}};
    auto place = [&](double theta, double phi) {
        const double x = std::sin(theta) * std::cos(phi);
        const double y = std::sin(theta) * std::sin(phi);
        const double z = std::cos(theta);
        double r = 1.0;
        for (const Bump& b : bumps) {
            const double len = std::sqrt(b.x * b.x + b.y * b.y + b.z * b.z);
            const double d = 1.0 - (x * b.x + y * b.y + z * b.z) / len;
            r += b.height * std::exp(-d / b.width * 4.0);
        }
        // An elongated body.
        return brontle::Vector3{static_cast<float>(1.6 * r * x), static_cast<float>(r * y),
                                static_cast<float>(0.8 * r * z)};
    };
    m.positions.push_back(place(0.0, 0.0));
    for (int j = 1; j < rings; ++j) {
        for (int i = 0; i < segments; ++i) {
            m.positions.push_back(
                place(std::numbers::pi * j / rings, 2.0 * std::numbers::pi * i / segments));
        }
    }
    const auto south = static_cast<std::int32_t>(m.positions.size());
    m.positions.push_back(place(std::numbers::pi, 0.0));
    auto at = [segments](int j, int i) { return 1 + (j - 1) * segments + (i % segments); };
    for (int i = 0; i < segments; ++i) {
        m.addPolygon({0, at(1, i), at(1, i + 1)});
    }
    for (int j = 1; j + 1 < rings; ++j) {
        for (int i = 0; i < segments; ++i) {
            m.addPolygon({at(j, i), at(j + 1, i), at(j + 1, i + 1)});
            m.addPolygon({at(j, i), at(j + 1, i + 1), at(j, i + 1)});
        }
    }
    for (int i = 0; i < segments; ++i) {
        m.addPolygon({south, at(rings - 1, i + 1), at(rings - 1, i)});
    }
    return m;
}

// Writes `m` as an OBJ file of positions and faces only (no normals, no texture coordinates).
inline void writeObjWithoutNormals(const GeneratedMesh& m, const std::string& path) {
    std::ofstream out(path);
    out.precision(9);
    for (const brontle::Vector3& p : m.positions) {
        out << "v " << p.x << ' ' << p.y << ' ' << p.z << '\n';
    }
    for (int p = 0; p < m.polygonCount(); ++p) {
        out << 'f';
        for (int c = m.polygonStart[p]; c < m.polygonStart[p + 1]; ++c) {
            out << ' ' << m.cornerVertex[c] + 1;
        }
        out << '\n';
    }
}

} // namespace peelwise::bench
