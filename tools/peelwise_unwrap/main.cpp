// peelwise-unwrap IN OUT [options]: unwraps every shape of a mesh file and writes OBJ + MTL (or
// glTF by the output's extension). The options and the run are in CommandLine.h.
#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        CLI::App app{"Unwraps every shape of a mesh file into a texture atlas."};
        peelwise::tools::CommandLine line;
        peelwise::tools::addUnwrapOptions(app, line);
        try {
            app.parse(argc, argv);
        } catch (const CLI::ParseError& e) {
            const int status = app.exit(e);
            return status == 0 ? 0 : peelwise::tools::kExitUsage;
        }
        peelwise::tools::finishCommandLine(line);
        const auto gui = peelwise::tools::makeTextureApplication(line, argc, argv);
        return peelwise::tools::runUnwrapCommand(line);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "peelwise-unwrap: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "peelwise-unwrap: unexpected failure of an unknown kind\n");
    }
    return peelwise::tools::kExitFailed;
}
