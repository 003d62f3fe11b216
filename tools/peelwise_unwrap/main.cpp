// peelwise-unwrap IN OUT [--factor-type stretch|charts] [--factor N]
//                [--size N | --width W --height H] [--seams-from-creases] [--json]
//                [--texture FILE.bmp]
// Unwraps every shape of a mesh file and writes OBJ + MTL (or glTF by the output's extension).
// With --batch LIST --out-dir DIR [-j N] [--timeout S] [--slurm ...]: many files (Batch.h).
#include "Batch.h"
#include "ProgressBar.h"
#include "UnwrapJob.h"

#include "brontle/model/Error.h"

#include <CLI/CLI.hpp>
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <unistd.h>

int main(int argc, char** argv) {
    CLI::App app{"Unwraps every shape of a mesh file into a texture atlas."};
    std::string input, output, factorType = "stretch";
    peelwise::tools::UnwrapOptions options;
    int size = 0;
    bool json = false;
    app.add_option("IN", input, "mesh file to read (OBJ, PLY, STL, OFF, glTF, GLB, FBX)");
    app.add_option("OUT", output, "mesh file to write (.obj with .mtl, .gltf or .glb)");
    app.add_option("--factor-type", factorType, "stretch (Max Stretch) or charts (# Charts)")
        ->check(CLI::IsMember({"stretch", "charts"}));
    app.add_option("--factor", options.factor, "1 to 100")->check(CLI::Range(1, 100));
    auto* sizeOption = app.add_option("--size", size, "square texture size in pixels")
                           ->check(CLI::Range(64, 2048));
    auto* widthOption = app.add_option("--width", options.width, "texture width in pixels")
                            ->check(CLI::Range(64, 2048));
    auto* heightOption = app.add_option("--height", options.height, "texture height in pixels")
                             ->check(CLI::Range(64, 2048));
    sizeOption->excludes(widthOption)->excludes(heightOption);
    app.add_flag("--seams-from-creases", options.seamsFromCreases,
                 "use the shape's hard edges as seams");
    app.add_flag("--json", json, "print one JSON report on standard output");
    app.add_option("--texture", options.textureFile,
                   "draw each shape's UV layout into this bitmap, written beside OUT and named "
                   "in its material");
    // Many files (Batch.h): a folder or a list of paths, each into DIR/<relative path>.obj.
    peelwise::tools::BatchSettings batch;
    peelwise::tools::SlurmSettings slurm;
    std::string mergeDir;
    bool onSlurm = false;
    app.add_option("--batch", batch.list, "folder of mesh files, or a file of paths (- stdin)");
    app.add_option("--out-dir", batch.outDir, "folder for the batch's outputs and report.jsonl");
    app.add_option("-j,--jobs", batch.jobs, "files unwrapped at once")->check(CLI::Range(1, 1024));
    app.add_option("--timeout", batch.timeout, "seconds per file before it fails")
        ->check(CLI::PositiveNumber);
    app.add_flag("--slurm", onSlurm, "submit the batch as a Slurm job array");
    app.add_option("--array-size", slurm.arraySize, "tasks of the job array")
        ->check(CLI::Range(1, 100000));
    app.add_option("--partition", slurm.partition, "Slurm partition");
    app.add_option("--time", slurm.time, "Slurm time limit per task");
    app.add_flag("--wait", slurm.wait, "wait for the job array and its merged report");
    app.add_option("--merge-reports", mergeDir, "merge an array's report shards in DIR");
    CLI11_PARSE(app, argc, argv);
    if (!mergeDir.empty()) {
        return peelwise::tools::mergeReports(mergeDir, stdout);
    }
    if (!batch.list.empty()) {
        options.factorType = factorType == "charts" ? 1 : 0;
        if (size > 0) {
            options.width = options.height = size;
        }
        batch.unwrap = options;
        if (onSlurm) {
            return peelwise::tools::submitSlurm(batch, slurm, argv[0], stdout);
        }
        batch.arraySize = slurm.arraySize;
        return peelwise::tools::runBatch(batch, isatty(STDERR_FILENO) ? stderr : nullptr, stdout,
                                         {});
    }
    if (input.empty() || output.empty()) {
        std::cerr << "peelwise-unwrap: IN and OUT are required (or --batch LIST --out-dir DIR)"
                  << std::endl;
        return 2;
    }
    // The texture is drawn by the editor's render viewport, a widget that is never shown: a
    // QApplication is needed, and without a display the offscreen platform serves.
    std::unique_ptr<QApplication> gui;
    if (!options.textureFile.empty()) {
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        gui = std::make_unique<QApplication>(argc, argv);
    }
    options.factorType = factorType == "charts" ? 1 : 0;
    if (size > 0) {
        options.width = options.height = size;
    }
    try {
        peelwise::tools::ProgressBar bar(stderr);
        const auto report = peelwise::tools::unwrapFile(
            input, output, options, [&](int shape, int count, double done) {
                bar.update((shape + done) / count,
                           "shape " + std::to_string(shape + 1) + " of " + std::to_string(count));
            });
        bar.finish();
        if (json) {
            std::cout << peelwise::tools::toJson(report) << std::endl;
        } else {
            for (const auto& s : report.shapes) {
                std::printf("%s: %d polygons, %d charts, utilisation %.3f, stretch %.3f / %.3f\n",
                            s.name.c_str(), s.polygons, s.charts, s.utilisation, s.stretchL2,
                            s.stretchLinf);
                if (!s.texture.empty()) {
                    std::printf("  texture %s\n", s.texture.c_str());
                }
            }
        }
    } catch (const brontle::Error& e) {
        std::cerr << "peelwise-unwrap: " << e.description() << std::endl;
        return 1;
    }
    return 0;
}
