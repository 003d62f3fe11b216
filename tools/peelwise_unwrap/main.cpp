// peelwise-unwrap IN OUT [options]: unwraps every shape of a mesh file and writes OBJ + MTL (or
// glTF by the output's extension). The options and the run are in CommandLine.h.
// With --batch LIST --out-dir DIR [-j N] [--timeout S] [--slurm ...]: many files (Batch.h).
#include "Batch.h"
#include "CommandLine.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <unistd.h>

int main(int argc, char** argv) {
    try {
        CLI::App app{"Unwraps every shape of a mesh file into a texture atlas."};
        peelwise::tools::CommandLine line;
        peelwise::tools::addUnwrapOptions(app, line);
        // Many files (Batch.h): a folder or a list of paths, each into DIR/<relative path>.obj.
        peelwise::tools::BatchSettings batch;
        peelwise::tools::SlurmSettings slurm;
        std::string mergeDir;
        bool onSlurm = false;
        app.add_option("--batch", batch.list, "folder of mesh files, or a file of paths (- stdin)");
        app.add_option("--out-dir", batch.outDir,
                       "folder for the batch's outputs and report.jsonl");
        app.add_option("-j,--jobs", batch.jobs,
                       "files unwrapped at once (default: the cores that "
                       "the memory allows)")
            ->check(CLI::Range(1, 1024));
        app.add_option("--timeout", batch.timeout, "seconds per file before it fails")
            ->check(CLI::PositiveNumber);
        app.add_flag("--slurm", onSlurm, "submit the batch as a Slurm job array");
        app.add_option("--array-size", slurm.arraySize, "tasks of the job array")
            ->check(CLI::Range(1, 100000));
        app.add_option("--partition", slurm.partition, "Slurm partition");
        app.add_option("--time", slurm.time, "Slurm time limit per task");
        app.add_flag("--wait", slurm.wait, "wait for the job array and its merged report");
        app.add_option("--merge-reports", mergeDir, "merge an array's report shards in DIR");
        try {
            app.parse(argc, argv);
        } catch (const CLI::ParseError& e) {
            const int status = app.exit(e);
            return status == 0 ? 0 : peelwise::tools::kExitUsage;
        }
        peelwise::tools::finishCommandLine(line);
        if (!mergeDir.empty()) {
            return peelwise::tools::mergeReports(mergeDir, stdout);
        }
        if (!batch.list.empty()) {
            batch.unwrap = line.options;
            if (onSlurm) {
                return peelwise::tools::submitSlurm(batch, slurm, argv[0], stdout);
            }
            batch.arraySize = slurm.arraySize;
            return peelwise::tools::runBatch(batch, isatty(STDERR_FILENO) ? stderr : nullptr,
                                             stdout, {});
        }
        if (line.input.empty() || line.output.empty()) {
            std::fprintf(stderr, "peelwise-unwrap: IN and OUT are required (or --batch LIST "
                                 "--out-dir DIR); see --help\n");
            return peelwise::tools::kExitUsage;
        }
        return peelwise::tools::runUnwrapCommand(line);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "peelwise-unwrap: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "peelwise-unwrap: unexpected failure of an unknown kind\n");
    }
    return peelwise::tools::kExitFailed;
}
