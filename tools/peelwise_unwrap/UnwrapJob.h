#pragma once
// The headless batch unwrap: open a mesh file, unwrap every shape with the same atlas call and
// seam search that the editor uses, write the result. The command-line front end (main.cpp)
// only parses options; tests drive this directly.

#include "brontle/model/Forward.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace peelwise::tools {

struct UnwrapOptions {
    std::int32_t factorType = 0; // 0 "Max Stretch", 1 "# Charts"
    std::int32_t factor = 4;     // 1..100
    std::int32_t width = 1024;   // 64..2048
    std::int32_t height = 1024;
    bool seamsFromCreases = false;
    // When set: each shape goes through the editor's own unwrap and OK path instead of the bare
    // atlas call, and gets its UV layout drawn over the continuity texture into a bitmap of
    // width x height pixels, written beside the output mesh and named in its material (the
    // MTL's map_Kd). Only the file name counts, never its folder. One shape: that name; more:
    // "<stem>-<n>.<ext>" for shape n (from 1). The name must end in .bmp or .png (any case);
    // a glTF output's texture is always written as PNG ("<stem>.png"), the only kind of image
    // (with JPEG) glTF allows. Needs a QApplication.
    std::string textureFile;
    // Write over the input or files it uses (its .mtl, its textures, its .bin).
    bool force = false;
    // With textureFile: all shapes of the file in one atlas and one texture ("<stem>.<ext>").
    bool sharedAtlas = false;
};

// Something the run did that the user should know about, with how often it happened.
struct UnwrapWarning {
    std::string message;
    std::int32_t count = 1;
};

struct ShapeReport {
    std::string name;
    std::int32_t polygons = 0;
    std::int32_t charts = 0;
    double utilisation = 0.0;
    double stretchL2 = 0.0;
    double stretchLinf = 0.0;
    double areaRatioP99 = 0.0;
    std::int64_t flipped = 0;
    std::int32_t fallbacks = 0;
    std::int64_t overlaps = 0;
    std::int32_t seams = 0; // edge entries passed as seams
    std::string texture;    // the texture file written for it, "" without --texture
    double seconds = 0.0;
};

struct UnwrapReport {
    std::string file;
    double seconds = 0.0;
    std::vector<ShapeReport> shapes;
    std::vector<UnwrapWarning> warnings; // polygons repaired or dropped, textures left out
};

// Called with (shape index, shape count, progress of that shape in [0, 1]).
using UnwrapProgress = std::function<void(int, int, double)>;
// Called when a stage other than the unwrap of a shape starts: "loading <file>", "writing
// <output>".
using UnwrapStage = std::function<void(const std::string&)>;

// Every check that needs no mesh is made first (OutputFiles.h: planOutputs), then the mesh is
// read and the outputs are checked against the files it uses (checkOverwrites), then the work
// is done; the mesh file(s) and the textures are committed together at the end (one
// brontle::FileGroup), so a failed or interrupted run leaves every file as it was.
// Throws brontle::Error naming the file and the reason when a file cannot be read or written,
// an option is out of range, or a shape cannot be unwrapped; no output file is then touched.
UnwrapReport unwrapFile(const std::string& input, const std::string& output,
                        const UnwrapOptions& options, const UnwrapProgress& progress = {},
                        const UnwrapStage& stage = {});

// One JSON object: {"file", "seconds", "shapes": [{"name", "polygons", "charts", "utilisation",
// "stretch_l2", "stretch_linf", "area_ratio_p99", "flipped", "fallbacks", "overlaps",
// "seconds"}], "warnings": [{"message", "count"}]}.
std::string toJson(const UnwrapReport& report);
// The one JSON object of a failed run: {"file", "error"}.
std::string toJsonError(const std::string& file, const std::string& error);

} // namespace peelwise::tools
