// Fuzzes loadMeshFile on one file format (PEELWISE_FUZZ_EXTENSION, e.g. ".obj"): the bytes are
// written to a file with that extension, which is how a user's mesh reaches the host, and read
// into a fresh scene. brontle::Error is the loader's documented answer to bad files; any other
// exception escapes and libFuzzer reports it as a crash.
// The file is read as the host reads it, in a child process, where a crash inside Assimp's
// readers is a failed load, not a finding. To hunt those faults (and refuse their inputs up
// front), run with BRONTLE_READ_IN_PROCESS=1: the readers then run in the fuzzer's process.

#include "ScratchFolder.h"
#include "brontle/core/Error.h"
#include "brontle/io/MeshFile.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/SceneGraph.h"

#include <cstddef>
#include <cstdint>
#include <memory>

#ifndef PEELWISE_FUZZ_EXTENSION
#error "PEELWISE_FUZZ_EXTENSION names the file extension to fuzz, e.g. \".obj\""
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const peelwise::fuzz::ScratchFolder folder;
    const std::string path = folder.write("input" PEELWISE_FUZZ_EXTENSION, data, size);
    // A new scene per input: a scene keeps what it created, so one shared scene would grow
    // with every run and look like a leak.
    const auto scene = brontle::SceneGraph::create(
        std::make_shared<brontle::HostEnvironment>(folder.file(""), "fuzz_mesh"));
    try {
        const brontle::LoadedScene loaded = brontle::loadMeshFile(path, *scene);
        (void)loaded;
    } catch (const brontle::Error&) {
    }
    return 0;
}
