// The command line of peelwise-unwrap with arbitrary arguments: option parsing, then every
// check a run makes before it reads the mesh (the output's format, its folder, files in the
// way, the input and the files it uses against the outputs), in a scratch folder that holds an
// input mesh, its material library, a FIFO and a subfolder for the arguments to run into.
// Nothing is unwrapped or written. A CLI::ParseError or a brontle::Error is the expected answer
// to bad arguments; anything else is a finding.
//
// Input: the arguments, separated by NUL bytes (at most 24).

#include "ScratchFolder.h"

#include "tools/peelwise_unwrap/CommandLine.h"
#include "tools/peelwise_unwrap/OutputFiles.h"

#include "brontle/core/Error.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const peelwise::fuzz::ScratchFolder& folder() {
    static const peelwise::fuzz::ScratchFolder scratch;
    static const bool prepared = [] {
        const std::string mesh = "mtllib in.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m\nf 1 2 3\n";
        const std::string library = "newmtl m\nKd 1 0 0\nmap_Kd tex.bmp\n";
        scratch.write("in.obj", reinterpret_cast<const std::uint8_t*>(mesh.data()), mesh.size());
        scratch.write("in.mtl", reinterpret_cast<const std::uint8_t*>(library.data()),
                      library.size());
        ::mkfifo(scratch.file("pipe.obj").c_str(), 0600);
        std::filesystem::create_directory(scratch.file("sub"));
        std::filesystem::create_directory(scratch.file("taken.obj"));
        if (::chdir(scratch.file("").c_str()) != 0) {
            std::abort();
        }
        return true;
    }();
    (void)prepared;
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    folder();
    std::vector<std::string> arguments{"peelwise-unwrap"};
    std::string current;
    for (std::size_t i = 0; i < size && arguments.size() <= 24; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (arguments.size() <= 24) {
        arguments.push_back(current);
    }
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    CLI::App app{"fuzz"};
    peelwise::tools::CommandLine line;
    peelwise::tools::addUnwrapOptions(app, line);
    try {
        app.parse(static_cast<int>(argv.size() - 1), argv.data());
    } catch (const CLI::ParseError&) {
        return 0;
    }
    peelwise::tools::finishCommandLine(line);
    if (line.input.empty() || line.output.empty()) {
        return 0; // the front end refuses this before any check
    }
    try {
        const peelwise::tools::OutputPlan plan =
            peelwise::tools::planOutputs(line.input, line.output, line.options);
        std::vector<std::string> outputs = plan.meshFiles;
        if (!line.options.textureFile.empty()) {
            outputs.push_back(peelwise::tools::texturePathFor(plan, line.options, 0, 2));
            outputs.push_back(peelwise::tools::texturePathFor(plan, line.options, 1, 2));
        }
        peelwise::tools::checkOverwrites(
            outputs, peelwise::tools::referencedFiles(line.input, {folder().file("tex.bmp")}),
            line.options.force);
    } catch (const brontle::Error&) {
    }
    (void)peelwise::tools::printable(line.input);
    return 0;
}
