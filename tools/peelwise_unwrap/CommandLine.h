#pragma once
// The command line of peelwise-unwrap: its options (added to a CLI11 app, so that a front end
// with more modes adds its own beside them), and a whole single-file run with its output,
// messages and exit status.
//
// Exit status: 0 done (warnings included), 1 failed (no output file changed), 2 the command
// line is wrong (nothing read or written). A run ended by SIGINT or SIGTERM removes its
// temporary files and ends by that signal (a shell shows 130 or 143).

#include "UnwrapJob.h"

#include <memory>
#include <string>

namespace CLI {
class App;
}

namespace peelwise::tools {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct CommandLine {
    std::string input;
    std::string output;
    UnwrapOptions options;
    std::string factorType = "stretch";
    int size = 0;
    bool json = false;
    bool progress = false;
};

// Adds IN, OUT and every option of a single run to `app`, bound to `line`, and --version.
void addUnwrapOptions(CLI::App& app, CommandLine& line);
// After parsing: --factor-type and --size into line.options.
void finishCommandLine(CommandLine& line);

// Runs one file: progress on standard error (a bar on a terminal, lines with --progress),
// warnings on standard error as "peelwise-unwrap: warning: <message> (<count>)", the report on
// standard output (one JSON object with --json, also when the run fails: {"file", "error"});
// every failure, whatever its kind, ends as "peelwise-unwrap: <message>" on standard error.
// Returns the exit status.
int runUnwrapCommand(const CommandLine& line);

} // namespace peelwise::tools
