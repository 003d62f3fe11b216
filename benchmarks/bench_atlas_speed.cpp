// Atlas speed benchmark: the whole atlas call on meshes whose cost lies in the packer rather
// than in the flattening. A flat-shaded cube of 1,536 quads (also with its faces apart), a thousand
// separate small boxes (thousands of charts, like a machine part), 5,000 small charts handed to the
// packer directly, the fixed cost of a one-triangle shape at 1024 and 2048, a non-convex comb
// polygon of 1,000 corners and a star of 50,000 corners, and smooth tori of 100,000 and 1,000,000
// triangles. Each figure is the median of repeated runs (fewer repeats for the large meshes),
// measured in this run, both as wall-clock time and as the process's CPU time (all threads;
// steadier than wall-clock time on a machine shared with other work). Prints a readable table, then
// as its last line one JSON object keyed by case.
//   --quick  skips the million-triangle torus; --only NAME runs the one case (for profiling).

#include "BenchTiming.h"
#include "MeshGenerators.h"
#include "brontle/atlas/Atlas.h"
#include "brontle/atlas/ChartPacker.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <iostream>
#include <numbers>
#include <random>
#include <string>

namespace {

using peelwise::bench::GeneratedMesh;

// A cube of n x n quads per face: 6 n^2 quads. Its faces share their edge vertices (as a
// modelled file stores them) unless `splitFaces`, where each face is a part of its own (as
// charts that stop at the cube's edges leave them: six charts).
GeneratedMesh cubeOfQuads(int n, bool splitFaces = false) {
    GeneratedMesh mesh;
    const int side = n + 1;
    // Lattice points of the cube's surface, numbered through a map of the full grid.
    std::vector<std::int32_t> id(static_cast<std::size_t>(side) * side * side, -1);
    auto vertex = [&](int x, int y, int z) {
        std::int32_t& v = id[(static_cast<std::size_t>(z) * side + y) * side + x];
        if (v < 0) {
            v = static_cast<std::int32_t>(mesh.positions.size());
            mesh.positions.push_back(
                {static_cast<float>(x) / n, static_cast<float>(y) / n, static_cast<float>(z) / n});
        }
        return v;
    };
    // Each face: a fixed axis at 0 or n, the other two running over the grid, wound outwards.
    for (int axis = 0; axis < 3; ++axis) {
        for (int high = 0; high < 2; ++high) {
            if (splitFaces) {
                std::fill(id.begin(), id.end(), -1);
            }
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < n; ++j) {
                    int c[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
                    std::int32_t v[4];
                    for (int k = 0; k < 4; ++k) {
                        int p[3];
                        p[axis] = high * n;
                        p[(axis + 1) % 3] = c[k][0];
                        p[(axis + 2) % 3] = c[k][1];
                        v[k] = vertex(p[0], p[1], p[2]);
                    }
                    if (high) {
                        mesh.addPolygon({v[0], v[1], v[2], v[3]});
                    } else {
                        mesh.addPolygon({v[0], v[3], v[2], v[1]});
                    }
                }
            }
        }
    }
    return mesh;
}

// `count` separate boxes of random proportions, each face split into 3 x 3 quads of two
// triangles (108 triangles a box): thousands of charts of a few dozen texels each.
GeneratedMesh scatteredBoxes(int count) {
    GeneratedMesh mesh;
    std::mt19937 random(11);
    auto unit = [&] { return static_cast<double>(random()) / 4294967296.0; };
    for (int b = 0; b < count; ++b) {
        const double size[3] = {0.2 + unit(), 0.2 + 2.0 * unit(), 0.2 + 0.5 * unit()};
        const double origin[3] = {(b % 40) * 3.0, (b / 40) * 3.0, 0.0};
        for (int axis = 0; axis < 3; ++axis) {
            for (int high = 0; high < 2; ++high) {
                const auto base = static_cast<std::int32_t>(mesh.positions.size());
                for (int i = 0; i <= 3; ++i) {
                    for (int j = 0; j <= 3; ++j) {
                        double p[3];
                        p[axis] = origin[axis] + high * size[axis];
                        const int u = (axis + 1) % 3, w = (axis + 2) % 3;
                        p[u] = origin[u] + size[u] * i / 3.0;
                        p[w] = origin[w] + size[w] * j / 3.0;
                        mesh.positions.push_back({static_cast<float>(p[0]),
                                                  static_cast<float>(p[1]),
                                                  static_cast<float>(p[2])});
                    }
                }
                auto at = [&](int i, int j) { return base + i * 4 + j; };
                for (int i = 0; i < 3; ++i) {
                    for (int j = 0; j < 3; ++j) {
                        if (high) {
                            mesh.addPolygon({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
                            mesh.addPolygon({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
                        } else {
                            mesh.addPolygon({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
                            mesh.addPolygon({at(i, j), at(i, j + 1), at(i + 1, j + 1)});
                        }
                    }
                }
            }
        }
    }
    return mesh;
}

// One flat polygon of `corners` corners in the plane z = 0: a comb (teeth along the x axis,
// corners / 4 teeth of width 1 and height 10) or a star (radius alternating 1 and 0.3).
GeneratedMesh combPolygon(int corners) {
    GeneratedMesh mesh;
    const int teeth = corners / 4;
    auto add = [&](double x, double y) {
        mesh.cornerVertex.push_back(static_cast<std::int32_t>(mesh.positions.size()));
        mesh.positions.push_back({static_cast<float>(x), static_cast<float>(y), 0.0f});
    };
    // Counter-clockwise: the spine's bottom edge, then the teeth from right to left, each tooth
    // 1 wide and 10 high, 1 apart, standing on a spine 1 high.
    add(0.0, 0.0);
    add(2.0 * teeth - 1.0, 0.0);
    for (int t = teeth - 1; t >= 0; --t) {
        add(2.0 * t + 1.0, 10.0);
        add(2.0 * t, 10.0);
        if (t > 0) {
            add(2.0 * t, 1.0);
            add(2.0 * t - 1.0, 1.0);
        }
    }
    mesh.polygonStart.push_back(static_cast<std::int32_t>(mesh.cornerVertex.size()));
    return mesh;
}

GeneratedMesh starPolygon(int corners) {
    GeneratedMesh mesh;
    for (int i = 0; i < corners; ++i) {
        const double a = 2.0 * std::numbers::pi * i / corners;
        const double r = i % 2 == 0 ? 1.0 : 0.3;
        mesh.positions.push_back(
            {static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)), 0.0f});
        mesh.cornerVertex.push_back(i);
    }
    mesh.polygonStart.push_back(corners);
    return mesh;
}

GeneratedMesh oneTriangle() {
    GeneratedMesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.addPolygon({0, 1, 2});
    return mesh;
}

// 5,000 small charts straight into the packer: random quads of 1 to 3 units a side, each of two
// triangles, so that no flattening is timed.
std::vector<brontle::atlas::PackInput> smallCharts(int count) {
    std::vector<brontle::atlas::PackInput> charts(count);
    std::mt19937 random(5);
    auto unit = [&] { return static_cast<double>(random()) / 4294967296.0; };
    for (auto& c : charts) {
        const double w = 1.0 + 2.0 * unit(), h = 1.0 + 2.0 * unit(), skew = unit();
        c.points = {{0, 0}, {w, 0}, {w + skew, h}, {skew, h}};
        c.triangles = {{0, 1, 2}, {0, 2, 3}};
    }
    return charts;
}

struct Row {
    std::string name;
    int triangles = 0;
    double milliseconds = 0.0;
    double cpuMilliseconds = 0.0;
    int charts = 0;
    double utilisation = 0.0;
    long long overlaps = 0;
};

double cpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

// Median wall-clock and CPU milliseconds of `repeats` runs.
template <class F> void timeRuns(Row& row, int repeats, F&& run) {
    std::vector<double> cpu;
    row.milliseconds = bench::medianMilliseconds(repeats, [&] {
        const double start = cpuMilliseconds();
        run();
        cpu.push_back(cpuMilliseconds() - start);
    });
    std::nth_element(cpu.begin(), cpu.begin() + cpu.size() / 2, cpu.end());
    row.cpuMilliseconds = cpu[cpu.size() / 2];
}

Row timeAtlas(const std::string& name, const GeneratedMesh& mesh, int size, int repeats) {
    brontle::atlas::Options options;
    options.width = options.height = size;
    Row row;
    row.name = name;
    for (int p = 0; p < mesh.polygonCount(); ++p) {
        row.triangles += mesh.polygonStart[p + 1] - mesh.polygonStart[p] - 2;
    }
    brontle::atlas::Result result;
    timeRuns(row, repeats, [&] {
        result = brontle::atlas::generate(mesh.view(), options);
        benchmark::DoNotOptimize(result.texcoords.data());
    });
    row.charts = result.chartCount;
    row.utilisation = result.utilisation;
    row.overlaps = brontle::atlas::countOverlappingTexels(mesh.view(), result, size, size);
    return row;
}

} // namespace

int main(int argc, char** argv) {
    bool quick = false;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        }
    }
    struct Case {
        std::string name;
        std::function<GeneratedMesh()> build;
        int size;
        int repeats;
    };
    std::vector<Case> cases = {
        {"cube_1536_quads", [] { return cubeOfQuads(16); }, 1024, 9},
        {"cube_split_faces", [] { return cubeOfQuads(16, true); }, 1024, 9},
        {"boxes_1000", [] { return scatteredBoxes(1000); }, 1024, 3},
        {"one_triangle_1024", oneTriangle, 1024, 9},
        {"one_triangle_2048", oneTriangle, 2048, 9},
        {"comb_1000_corners", [] { return combPolygon(1000); }, 1024, 5},
        {"star_50000_corners", [] { return starPolygon(50000); }, 1024, 1},
        {"torus_100k", [] { return peelwise::bench::torusWithTriangles(100000); }, 1024, 3},
    };
    if (!quick) {
        cases.push_back(
            {"torus_1m", [] { return peelwise::bench::torusWithTriangles(1000000); }, 1024, 1});
    }
    std::vector<Row> rows;
    for (const Case& c : cases) {
        if (only.empty() || only == c.name) {
            rows.push_back(timeAtlas(c.name, c.build(), c.size, c.repeats));
        }
    }
    if (only.empty() || only == "pack_5000_charts") {
        const auto charts = smallCharts(5000);
        Row row;
        row.name = "pack_5000_charts";
        row.charts = 5000;
        row.triangles = 10000;
        brontle::atlas::PackResult packed;
        timeRuns(row, 3, [&] { packed = brontle::atlas::packCharts(charts, 1024, 1024, 2, 0); });
        double area = 0.0;
        for (const auto& c : charts) {
            for (const auto& t : c.triangles) {
                area += 0.5 * std::abs(cross(c.points[t[1]] - c.points[t[0]],
                                             c.points[t[2]] - c.points[t[0]]));
            }
        }
        row.utilisation = area * packed.scale * packed.scale / (1024.0 * 1024.0);
        rows.push_back(row);
    }

    std::printf("Atlas speed at MaxStretch 4, gutter 2; median milliseconds, wall-clock and CPU\n");
    std::printf("%-20s %9s %10s %10s %7s %8s %9s\n", "case", "triangles", "ms", "cpu ms", "charts",
                "util", "overlaps");
    nlohmann::json report = nlohmann::json::object();
    for (const Row& r : rows) {
        std::printf("%-20s %9d %10.1f %10.1f %7d %8.3f %9lld\n", r.name.c_str(), r.triangles,
                    r.milliseconds, r.cpuMilliseconds, r.charts, r.utilisation, r.overlaps);
        report[r.name] = {{"triangles", r.triangles},
                          {"milliseconds", r.milliseconds},
                          {"cpu_milliseconds", r.cpuMilliseconds},
                          {"charts", r.charts},
                          {"utilisation", r.utilisation},
                          {"overlaps", r.overlaps}};
    }
    std::cout << report.dump() << std::endl;
    return 0;
}
