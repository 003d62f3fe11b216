#pragma once
// What a run of peelwise-unwrap writes, checked before any work, and committed together at the
// end: the mesh file(s) and the texture bitmaps. Used by the single-file run (UnwrapJob.cpp), by
// batch runs and by the command-line fuzz target.

#include "UnwrapJob.h"

#include "brontle/model/AtomicFiles.h"

#include <memory>
#include <string>
#include <vector>

namespace peelwise::tools {

// The files a run writes for one input.
struct OutputPlan {
    std::string mesh;                   // the output as given
    std::vector<std::string> meshFiles; // in commit order: .mtl/.bin first, the mesh file last
    std::string textureExtension;       // ".bmp" or ".png" (glTF outputs); "" without --texture
};

// Throws brontle::Error(HostBadArgument) naming the option when an option is out of range.
void checkOptions(const UnwrapOptions& options);

// Every check that needs no mesh, made before any work: the options; the input exists and is a
// regular file; the output's extension names a format this program writes; the output and the
// files beside it are regular files or absent and their folder exists and is writable; the
// current folder still exists when a path is relative. Throws brontle::Error naming the file
// and the reason.
OutputPlan planOutputs(const std::string& input, const std::string& output,
                       const UnwrapOptions& options);

// Where shape `index` of `count` has its texture: beside the output mesh, named by the file
// name of options.textureFile ("<stem>-<n>" for shape n from 1 when count > 1, and when
// options.sharedAtlas one file for all), with plan.textureExtension.
std::string texturePathFor(const OutputPlan& plan, const UnwrapOptions& options, int index,
                           int count);

// The files the input uses: itself; for an OBJ, the material libraries its `mtllib` lines name
// and the images those name (map_Kd and the like);
// for a .gltf, the files its "uri" entries name; and `textures` (the material textures it
// loaded). Missing ones are listed too (a write would create them).
std::vector<std::string> referencedFiles(const std::string& input,
                                         const std::vector<std::string>& textures);

// Throws brontle::Error(HostFileUnwritable) naming the first output that is the input or a file
// it references (the same file by path, symbolic link or hard link), unless `force`; two outputs
// that are the same file are refused even with `force`.
void checkOverwrites(const std::vector<std::string>& outputs,
                     const std::vector<std::string>& referenced, bool force);

// `name` for a terminal or a log line: control characters (and DEL) as \n, \t or \xHH, a
// backslash doubled.
std::string printable(const std::string& name);

} // namespace peelwise::tools
