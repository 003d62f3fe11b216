// Atlas benchmark: time, chart count, utilisation, stretch (L2, worst Linf, 99th percentile of
// the area ratio; AtlasMetrics.h), mirrored triangles, convex-embedding fallbacks and overlaps
// of the automatic atlas, at 1024 x 1024 with MaxStretch 4, on generated meshes: smooth ones
// from 10k to 1M triangles and a hard-surface family (a cube of 1,536 quads, a fan-capped
// cylinder, a gear with a sliver bevel, and a smooth creature written as an OBJ without normals
// and read back through the host's loader). One timed run per mesh with std::chrono (a single
// atlas of 1M triangles is long enough to time on its own), and the process's CPU time over it
// (all threads; the steadier figure on a shared machine). Mesh files named on the command line
// (scanned meshes and machine parts; see scripts/fetch-bench-meshes.sh) are loaded through the
// host's mesh reader, their shapes merged, and measured the same way. Prints a readable table, then
// as its last line one JSON object keyed by mesh name, plus a "summary" entry: mean and lowest
// utilisation, and the 1M / 100k time ratio per mesh family.
//
// The Debian package of Google Benchmark was built as DEBUG and says so when it is used; that
// only concerns the library's own bookkeeping and does not slow the atlas measured here.

#include "HardSurfaceMeshes.h"
#include "MeshGenerators.h"
#include "brontle/atlas/Atlas.h"
#include "brontle/core/Error.h"
#include "brontle/io/MeshFile.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Measurement {
    std::string name;
    int triangles = 0;
    double seconds = 0.0;
    double cpuSeconds = 0.0; // the process's CPU time over the call, all threads
    int charts = 0;
    double utilisation = 0.0;
    double stretchL2 = 0.0;
    double stretchLinf = 0.0;
    double areaRatioP99 = 0.0;
    long long flipped = 0;
    int fallbacks = 0;
    long long overlaps = 0;
};

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Runs the atlas once on any mesh and measures it; the hook for meshes loaded from files.
Measurement measureMesh(const std::string& name, const brontle::atlas::MeshView& mesh,
                        const brontle::atlas::Options& options) {
    Measurement m;
    m.name = name;
    for (std::size_t p = 0; p + 1 < mesh.polygonStart.size(); ++p) {
        m.triangles += mesh.polygonStart[p + 1] - mesh.polygonStart[p] - 2;
    }
    const double cpuStart = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const brontle::atlas::Result result = brontle::atlas::generate(mesh, options);
    const auto stop = std::chrono::steady_clock::now();
    m.cpuSeconds = processCpuSeconds() - cpuStart;
    benchmark::DoNotOptimize(result.texcoords.data());
    m.seconds = std::chrono::duration<double>(stop - start).count();
    m.charts = result.chartCount;
    m.utilisation = result.utilisation;
    m.stretchL2 = result.stretchL2;
    m.stretchLinf = result.stretchLinf;
    m.areaRatioP99 = result.areaRatioP99;
    m.flipped = result.flipped;
    m.fallbacks = result.fallbacks;
    m.overlaps =
        brontle::atlas::countOverlappingTexels(mesh, result, options.width, options.height);
    return m;
}

void printRow(const Measurement& m) {
    std::printf("%-14s %9d %9.3f %7.3f %7d %8.3f %8.4f %9.3f %8.3f %7lld %9d %9lld\n",
                m.name.c_str(), m.triangles, m.seconds, m.cpuSeconds, m.charts, m.utilisation,
                m.stretchL2, m.stretchLinf, m.areaRatioP99, m.flipped, m.fallbacks, m.overlaps);
    std::fflush(stdout);
}

nlohmann::json toJson(const Measurement& m) {
    return {{"triangles", m.triangles},      {"seconds", m.seconds},
            {"cpu_seconds", m.cpuSeconds},   {"charts", m.charts},
            {"utilisation", m.utilisation},  {"stretch_l2", m.stretchL2},
            {"stretch_linf", m.stretchLinf}, {"area_ratio_p99", m.areaRatioP99},
            {"flipped", m.flipped},          {"fallbacks", m.fallbacks},
            {"overlaps", m.overlaps}};
}

// Every shape of the file merged into one, frames ignored.
Measurement measureFile(const std::string& name, const std::string& file,
                        const brontle::atlas::Options& options) {
    auto scene = brontle::SceneGraph::create(nullptr);
    brontle::LoadedScene loaded = brontle::loadMeshFile(file, *scene);
    brontle::ShapePtr merged = brontle::Shape::create();
    for (const auto& shape : loaded.shapes) {
        merged->AppendShape(*shape);
    }
    const brontle::atlas::MeshView view{
        merged->vertices(), merged->polygonStart(), merged->cornerVertex(), {}};
    return measureMesh(name, view, options);
}

} // namespace

int main(int argc, char** argv) {
    // --quick skips the million-triangle meshes (for a fast look while tuning); --files-only
    // skips every generated mesh, to look at one mesh file at a time.
    // --threads N runs the atlas on N threads (default: one per core).
    bool quick = false;
    bool filesOnly = false;
    int threads = 0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else if (std::strcmp(argv[i], "--files-only") == 0) {
            filesOnly = true;
        } else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
            threads = std::atoi(argv[++i]);
        } else {
            files.emplace_back(argv[i]);
        }
    }

    brontle::atlas::Options options;
    options.factorType = brontle::atlas::FactorType::MaxStretch;
    options.factor = 4;
    options.width = 1024;
    options.height = 1024;
    options.threads = threads;

    using peelwise::bench::GeneratedMesh;
    struct Case {
        std::string name;
        std::function<GeneratedMesh()> build;
    };
    std::vector<Case> cases = {
        {"torus_10k", [] { return peelwise::bench::torusWithTriangles(10000); }},
        {"sphere_10k", [] { return peelwise::bench::noisySphereWithTriangles(10000); }},
        {"torus_100k", [] { return peelwise::bench::torusWithTriangles(100000); }},
        {"sphere_100k", [] { return peelwise::bench::noisySphereWithTriangles(100000); }},
        // Hard-surface family: flat faces at right angles, fans, slivers.
        {"quad_cube", [] { return peelwise::bench::quadCube(16); }},
        {"cylinder", [] { return peelwise::bench::fanCappedCylinder(48, 12); }},
        {"gear", [] { return peelwise::bench::bevelledGear(); }},
    };
    if (filesOnly) {
        cases.clear();
    }
    if (!quick && !filesOnly) {
        cases.push_back({"torus_1m", [] { return peelwise::bench::torusWithTriangles(1000000); }});
        cases.push_back(
            {"sphere_1m", [] { return peelwise::bench::noisySphereWithTriangles(1000000); }});
    }

    std::printf("Atlas at %d x %d, MaxStretch %d, gutter %d (Google Benchmark's Debian build "
                "reports DEBUG; harmless, timing here uses std::chrono)\n",
                options.width, options.height, options.factor, options.gutter);
    std::printf("%-14s %9s %9s %7s %7s %8s %8s %9s %8s %7s %9s %9s\n", "mesh", "triangles",
                "seconds", "cpu", "charts", "util", "L2", "Linf", "p99", "flipped", "fallbacks",
                "overlaps");
    nlohmann::json report = nlohmann::json::object();
    std::vector<Measurement> done;
    for (const Case& c : cases) {
        const GeneratedMesh mesh = c.build();
        Measurement m;
        try {
            m = measureMesh(c.name, mesh.view(), options);
        } catch (const brontle::Error& e) {
            std::printf("%-14s failed: %s\n", c.name.c_str(), e.description().c_str());
            continue;
        }
        printRow(m);
        done.push_back(m);
        report[m.name] = toJson(m);
    }
    // A smooth creature written without normals and read back through the host's loader, as
    // an OBJ file without "vn" lines reaches the atlas.
    if (!filesOnly) {
        const std::string obj =
            (std::filesystem::temp_directory_path() / "bench_atlas_creature.obj").string();
        peelwise::bench::writeObjWithoutNormals(peelwise::bench::smoothCreature(), obj);
        files.insert(files.begin(), obj);
    }
    // Real meshes.
    for (const std::string& file : files) {
        std::string name = std::filesystem::path(file).stem().string();
        if (name == "bench_atlas_creature") {
            name = "creature_obj";
        }
        Measurement m;
        try {
            m = measureFile(name, file, options);
        } catch (const brontle::Error& e) {
            std::printf("%-14s failed: %s\n", name.c_str(), e.description().c_str());
            continue;
        }
        printRow(m);
        done.push_back(m);
        report[m.name] = toJson(m);
    }
    // Quality over all meshes, and growth of the time from 100k to 1M triangles (10 is linear),
    // both sides measured in this run.
    if (!done.empty()) {
        double sum = 0.0;
        double lowest = 1.0;
        for (const Measurement& m : done) {
            sum += m.utilisation;
            lowest = std::min(lowest, m.utilisation);
        }
        nlohmann::json summary = {{"mean_utilisation", sum / done.size()},
                                  {"min_utilisation", lowest}};
        std::printf("utilisation: mean %.3f, lowest %.3f\n", sum / done.size(), lowest);
        for (const std::string family : {"torus", "sphere"}) {
            const auto find = [&](const std::string& name) {
                return std::find_if(done.begin(), done.end(),
                                    [&](const Measurement& m) { return m.name == name; });
            };
            const auto small = find(family + "_100k");
            const auto large = find(family + "_1m");
            if (small == done.end() || large == done.end() || small->seconds <= 0.0) {
                continue;
            }
            const double ratio = large->seconds / small->seconds;
            std::printf("%s: 1m / 100k time ratio %.2f\n", family.c_str(), ratio);
            summary["seconds_ratio_" + family + "_1m_100k"] = ratio;
        }
        report["summary"] = summary;
    }
    std::cout << report.dump() << std::endl;
    return 0;
}
