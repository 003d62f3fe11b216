// peelwise-unwrap --batch on many small files, as a studio's asset library would run it:
//   files/s   400 generated noisy spheres of 2,028 triangles each (OBJ, a different one each),
//             unwrapped with -j 1 and with -j 2 into fresh folders, wall clock of the whole
//             command (listing, checksums, one worker process per file, report). Textures of
//             256 x 256 (--size 256): at the default 1024 x 1024 the atlas's packing bitmaps,
//             not the files, take most of the time (about 0.4 s a file whatever its size);
//   speedup   files/s with -j 2 over -j 1 (on 2 free cores the target is 1.8);
//   overhead  the fixed cost of one file: 200 one-triangle files with -j 1 and --size 64,
//             where the atlas has next to nothing to do, wall clock per file (the worker's
//             fork, the reader's child process, reading, writing the OBJ and MTL, the report
//             line); target under 30 ms.
// Runs the peelwise-unwrap beside this program. Each figure is the better of two runs, which
// on a shared machine keeps another process's burst out of one of them. The table also shows
// the processor time per file (user + system, of the batch and all its processes) and the load
// average: on a busy machine the wall clock includes waiting for a core, the processor time
// does not.
// The last line is one JSON object:
//   {"files_per_s_j1", "files_per_s_j2", "speedup", "overhead_ms_per_file"}.
#include "MeshGenerators.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

void writeObj(const fs::path& file, const peelwise::bench::GeneratedMesh& mesh) {
    std::ofstream out(file);
    for (const auto& p : mesh.positions) {
        out << "v " << p.x << " " << p.y << " " << p.z << "\n";
    }
    for (int f = 0; f < mesh.polygonCount(); ++f) {
        out << "f";
        for (int c = mesh.polygonStart[f]; c < mesh.polygonStart[f + 1]; ++c) {
            out << " " << mesh.cornerVertex[c] + 1;
        }
        out << "\n";
    }
}

struct Timed {
    double seconds = -1.0;   // wall clock; -1 when the batch failed
    double cpuSeconds = 0.0; // user + system time of the batch and all its processes
};

double cpuOfChildren() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           1e-6 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// The batch of `in` with `jobs` workers and textures of `size` pixels a side, into a fresh
// folder.
Timed timeBatch(const std::string& program, const fs::path& in, const fs::path& out, int jobs,
                int size) {
    fs::remove_all(out);
    const std::string command = program + " --batch " + in.string() + " --out-dir " + out.string() +
                                " -j " + std::to_string(jobs) + " --size " + std::to_string(size) +
                                " >/dev/null";
    const double cpuBefore = cpuOfChildren();
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    Timed timed;
    timed.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timed.cpuSeconds = cpuOfChildren() - cpuBefore;
    if (status != 0) {
        timed.seconds = -1.0;
    }
    return timed;
}

// The faster of two runs.
Timed best(const std::string& program, const fs::path& in, const fs::path& out, int jobs,
           int size) {
    const Timed a = timeBatch(program, in, out, jobs, size);
    const Timed b = timeBatch(program, in, out, jobs, size);
    if (a.seconds < 0 || b.seconds < 0) {
        return {};
    }
    return a.seconds <= b.seconds ? a : b;
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one.empty() ? std::string("?") : one;
}

} // namespace

int main() {
    std::error_code ignored;
    const fs::path bin = fs::read_symlink("/proc/self/exe", ignored).parent_path();
    const std::string program = (bin / "peelwise-unwrap").string();
    if (!fs::exists(program)) {
        std::fprintf(stderr, "bench_batch: %s is not built\n", program.c_str());
        return 1;
    }
    const fs::path root = fs::temp_directory_path() / "peelwise_bench_batch";
    fs::remove_all(root);
    constexpr int kFiles = 400, kTiny = 200;
    int triangles = 0;
    for (int i = 0; i < kFiles; ++i) {
        const auto mesh = peelwise::bench::noisySphere(13, 0.2, 1000u + static_cast<unsigned>(i));
        triangles = mesh.polygonCount();
        fs::create_directories(root / "small" / ("set" + std::to_string(i / 100)));
        writeObj(root / "small" / ("set" + std::to_string(i / 100)) /
                     ("sphere" + std::to_string(i) + ".obj"),
                 mesh);
    }
    fs::create_directories(root / "tiny");
    for (int i = 0; i < kTiny; ++i) {
        std::ofstream(root / "tiny" / ("t" + std::to_string(i) + ".obj"))
            << "v 0 0 0\nv 1 0 0\nv 0 1 " << i * 0.01 << "\nf 1 2 3\n";
    }
    const std::string loadBefore = loadAverage();
    const Timed j1 = best(program, root / "small", root / "out1", 1, 256);
    const Timed j2 = best(program, root / "small", root / "out2", 2, 256);
    const Timed tiny = best(program, root / "tiny", root / "out3", 1, 64);
    fs::remove_all(root);
    if (j1.seconds < 0 || j2.seconds < 0 || tiny.seconds < 0) {
        std::fprintf(stderr, "bench_batch: a batch failed\n");
        return 1;
    }
    const double rate1 = kFiles / j1.seconds, rate2 = kFiles / j2.seconds;
    const double overhead = 1000.0 * tiny.seconds / kTiny;
    // On a machine shared with other work the wall clock includes waiting for a core; the
    // processor time does not, and shows what the batch itself costs.
    std::printf("load average (1 min) before / after: %s / %s on %u cores\n", loadBefore.c_str(),
                loadAverage().c_str(), std::thread::hardware_concurrency());
    std::printf("%-44s %12s\n", "case", "value");
    std::printf("%-44s %12d\n", "files", kFiles);
    std::printf("%-44s %12d\n", "triangles per file", triangles);
    std::printf("%-44s %12.3f\n", "-j 1 seconds", j1.seconds);
    std::printf("%-44s %12.3f\n", "-j 2 seconds", j2.seconds);
    std::printf("%-44s %12.1f\n", "-j 1 processor ms per file", 1000.0 * j1.cpuSeconds / kFiles);
    std::printf("%-44s %12.1f\n", "-j 2 processor ms per file", 1000.0 * j2.cpuSeconds / kFiles);
    std::printf("%-44s %12.1f\n", "-j 1 files/s", rate1);
    std::printf("%-44s %12.1f\n", "-j 2 files/s", rate2);
    std::printf("%-44s %12.2f\n", "speedup (target 1.8 on 2 free cores)", rate2 / rate1);
    std::printf("%-44s %12.1f\n", "fixed cost per file, ms (target < 30)", overhead);
    std::printf("%-44s %12.1f\n", "fixed cost per file, processor ms",
                1000.0 * tiny.cpuSeconds / kTiny);
    std::printf("{\"files_per_s_j1\": %.2f, \"files_per_s_j2\": %.2f, \"speedup\": %.3f, "
                "\"overhead_ms_per_file\": %.2f}\n",
                rate1, rate2, rate2 / rate1, overhead);
    return 0;
}
