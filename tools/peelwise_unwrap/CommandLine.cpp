#include "CommandLine.h"

#include "OutputFiles.h"
#include "ProgressBar.h"

#include "brontle/core/Error.h"
#include "brontle/model/AtomicFiles.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <new>

#ifndef PEELWISE_VERSION
#define PEELWISE_VERSION "0.0.0"
#endif

namespace peelwise::tools {

namespace {

// Progress as lines for logs and pipes: a line per stage and per 10 % of each shape.
class ProgressLines {
  public:
    void stage(const std::string& what) {
        std::fprintf(stderr, "peelwise-unwrap: %s\n", what.c_str());
    }
    void shape(int index, int count, double done) {
        const int step = static_cast<int>(std::floor(std::clamp(done, 0.0, 1.0) * 10.0));
        if (index == shownShape_ && step == shownStep_) {
            return;
        }
        shownShape_ = index;
        shownStep_ = step;
        std::fprintf(stderr, "peelwise-unwrap: shape %d of %d: %d%%\n", index + 1, count,
                     step * 10);
    }

  private:
    int shownShape_ = -1;
    int shownStep_ = -1;
};

std::string describeFailure(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const brontle::Error& e) {
        return e.description();
    } catch (const std::bad_alloc&) {
        return "out of memory: the machine (or the process's memory limit) has too little "
               "memory for this mesh; try a smaller mesh or a smaller texture size";
    } catch (const std::filesystem::filesystem_error& e) {
        const std::string path = e.path1().empty() ? "" : printable(e.path1().string()) + ": ";
        return path + e.code().message();
    } catch (const std::exception& e) {
        return std::string("unexpected failure: ") + e.what();
    } catch (...) {
        return "unexpected failure of an unknown kind";
    }
}

} // namespace

void addUnwrapOptions(CLI::App& app, CommandLine& line) {
    app.add_option("IN", line.input, "mesh file to read (OBJ, PLY, STL, OFF, glTF, GLB, FBX)");
    app.add_option("OUT", line.output,
                   "mesh file to write: .obj (with a .mtl of the same name beside it), .gltf "
                   "(with a .bin) or .glb");
    app.add_option("--factor-type", line.factorType,
                   "stretch: charts may stretch by at most the factor; charts: aim at a number "
                   "of charts")
        ->check(CLI::IsMember({"stretch", "charts"}))
        ->capture_default_str();
    app.add_option("--factor", line.options.factor,
                   "1 to 100. With stretch: the stretch allowed per chart, 1 + 0.01 x factor; "
                   "larger gives fewer, more stretched charts. With charts: at most this many "
                   "charts per connected part")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();
    auto* sizeOption =
        app.add_option("--size", line.size, "square texture size in pixels, 64 to 2048")
            ->check(CLI::Range(64, 2048));
    auto* widthOption = app.add_option("--width", line.options.width, "texture width in pixels")
                            ->check(CLI::Range(64, 2048))
                            ->capture_default_str();
    auto* heightOption = app.add_option("--height", line.options.height, "texture height in pixels")
                             ->check(CLI::Range(64, 2048))
                             ->capture_default_str();
    sizeOption->excludes(widthOption)->excludes(heightOption);
    app.add_flag("--seams-from-creases", line.options.seamsFromCreases,
                 "use the shape's hard edges as seams (default: no seams)");
    app.add_flag("--json", line.json,
                 "print one JSON report on standard output; a failed run prints {\"file\", "
                 "\"error\"}");
    app.add_option("--texture", line.options.textureFile,
                   "draw each shape's UV layout into this image (.bmp or .png; a glTF output's "
                   "is always .png), written beside OUT and named in its material");
    app.add_flag("--shared-atlas", line.options.sharedAtlas,
                 "pack all shapes of the file into one atlas (and one texture)");
    app.add_flag("--force", line.options.force,
                 "write over the input file or files it uses (its .mtl, textures, .bin)");
    app.add_flag("--progress", line.progress,
                 "report progress as lines on standard error (loading, each shape, writing), "
                 "also when standard error is not a terminal");
    app.set_version_flag("--version", std::string("peelwise-unwrap ") + PEELWISE_VERSION);
    app.footer("Exit status: 0 done (also with warnings), 1 failed (no file changed), 2 bad "
               "command line. Existing output files are replaced (keeping their permissions; "
               "symbolic links are written through); the input and the files it uses are never "
               "written without --force.");
}

void finishCommandLine(CommandLine& line) {
    line.options.factorType = line.factorType == "charts" ? 1 : 0;
    if (line.size > 0) {
        line.options.width = line.options.height = line.size;
    }
}

int runUnwrapCommand(const CommandLine& line) {
    brontle::removeTemporariesOnSignals();
    try {
        ProgressBar bar(stderr);
        ProgressLines lines;
        const auto report = unwrapFile(
            line.input, line.output, line.options,
            [&](int shape, int count, double done) {
                if (line.progress) {
                    lines.shape(shape, count, done);
                } else {
                    bar.update((shape + done) / count, "shape " + std::to_string(shape + 1) +
                                                           " of " + std::to_string(count));
                }
            },
            [&](const std::string& stage) {
                if (line.progress) {
                    lines.stage(stage);
                }
            });
        bar.finish();
        for (const UnwrapWarning& w : report.warnings) {
            std::fprintf(stderr, "peelwise-unwrap: warning: %s (%d)\n", w.message.c_str(), w.count);
        }
        if (line.json) {
            std::cout << toJson(report) << std::endl;
        } else {
            for (const auto& s : report.shapes) {
                std::printf("%s: %d polygons, %d charts, utilisation %.3f, stretch %.3f / %.3f\n",
                            printable(s.name).c_str(), s.polygons, s.charts, s.utilisation,
                            s.stretchL2, s.stretchLinf);
                if (!s.texture.empty()) {
                    std::printf("  texture %s\n", printable(s.texture).c_str());
                }
            }
        }
        std::fflush(stdout);
        return kExitDone;
    } catch (...) {
        const std::string message = describeFailure(std::current_exception());
        std::fprintf(stderr, "\npeelwise-unwrap: %s\n", message.c_str());
        if (line.json) {
            std::cout << toJsonError(line.input, message) << std::endl;
        }
        return kExitFailed;
    }
}

} // namespace peelwise::tools
