// A batch as a Slurm job array: the job scripts, and their submission with sbatch.
#include "Batch.h"

#include "brontle/core/Error.h"
#include "brontle/model/AtomicFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace peelwise::tools {

namespace fs = std::filesystem;

namespace {

// Single quotes for the shell: 'it'\''s'.
std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

// Runs `arguments` (found on PATH) and returns its exit status and standard output; -1 when
// it cannot be started.
int runCommand(const std::vector<std::string>& arguments, std::string& output) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::vector<char*> argv;
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (started != 0) {
        ::close(fds[0]);
        return -1;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // An exec failure inside the spawned child shows as exit status 127.
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string header(const std::string& name, const std::string& log, const SlurmSettings& slurm) {
    std::string text = "#!/bin/sh\n#SBATCH --job-name=" + name + "\n#SBATCH --output=" + log + "\n";
    if (!slurm.partition.empty()) {
        text += "#SBATCH --partition=" + slurm.partition + "\n";
    }
    if (!slurm.time.empty()) {
        text += "#SBATCH --time=" + slurm.time + "\n";
    }
    return text;
}

// The options of the single-file path, as this batch was given them.
std::string unwrapArguments(const BatchSettings& settings) {
    const UnwrapOptions& o = settings.unwrap;
    std::string text = " --factor-type " + std::string(o.factorType == 1 ? "charts" : "stretch") +
                       " --factor " + std::to_string(o.factor) + " --width " +
                       std::to_string(o.width) + " --height " + std::to_string(o.height);
    if (o.seamsFromCreases) {
        text += " --seams-from-creases";
    }
    if (!o.textureFile.empty()) {
        text += " --texture " + shellQuoted(o.textureFile);
    }
    if (settings.timeout > 0) {
        std::ostringstream seconds;
        seconds << settings.timeout;
        text += " --timeout " + seconds.str();
    }
    return text;
}

// The job id sbatch --parsable prints ("<id>" or "<id>;<cluster>").
std::string jobId(const std::string& printed) {
    std::string id = printed.substr(0, printed.find_first_of(";\n"));
    return id.find_first_not_of("0123456789") == std::string::npos ? id : std::string();
}

} // namespace

int submitSlurm(const BatchSettings& settings, const SlurmSettings& slurm,
                const std::string& program, std::FILE* summary) {
    const fs::path outDir = fs::absolute(settings.outDir).lexically_normal();
    // The tasks run this very executable, wherever they start.
    std::error_code noLink;
    const fs::path self = fs::read_symlink("/proc/self/exe", noLink);
    const std::string executable = self.empty() ? fs::absolute(program).string() : self.string();
    const fs::path jobs = outDir / "slurm";
    std::vector<BatchInput> inputs;
    std::string list;
    try {
        std::error_code error;
        fs::create_directories(jobs, error);
        if (!fs::is_directory(jobs)) {
            throw brontle::Error(brontle::ErrorNumber::HostFileUnwritable,
                                 jobs.string() + ": cannot be made (" + error.message() + ")");
        }
        inputs = listBatchInputs(settings.list, outDir.string());
        // The tasks read the same list: the folder itself, else the paths found here (standard
        // input can be read only once, and a list file may change while the job waits).
        if (settings.list != "-" && fs::is_directory(settings.list)) {
            list = fs::absolute(settings.list).lexically_normal().string();
        } else {
            std::string text;
            for (const BatchInput& in : inputs) {
                text += in.path + "\n";
            }
            list = (jobs / "inputs.txt").string();
            brontle::writeFilesAtomically({{list, text}});
        }
    } catch (const brontle::Error& e) {
        std::fprintf(stderr, "peelwise-unwrap: %s\n", e.description().c_str());
        return 2;
    }
    // Shards a stopped array left behind go into the report first, so that a new array's
    // tasks (perhaps fewer) start from one report.
    {
        bool shards = false;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(outDir, error)) {
            shards |= entry.path().filename().string().rfind("report.task-", 0) == 0;
        }
        if (shards) {
            mergeReports(outDir.string(), nullptr);
        }
    }
    const int tasks = std::max(
        1, std::min<int>(slurm.arraySize > 0 ? slurm.arraySize : std::min<int>(8, inputs.size()),
                         static_cast<int>(inputs.size())));
    std::string batch = header("peelwise-unwrap", (jobs / "task-%A_%a.out").string(), slurm);
    batch += "#SBATCH --array=0-" + std::to_string(tasks - 1) + "\n";
    if (settings.jobs > 0) {
        batch += "#SBATCH --cpus-per-task=" + std::to_string(settings.jobs) + "\n";
    }
    batch += "# Task i of " + std::to_string(tasks) + " unwraps inputs i, i + " +
             std::to_string(tasks) +
             ", ... of the sorted list, with as many workers as SLURM_CPUS_PER_TASK,\n"
             "# and writes its lines to report.task-<i>.jsonl; merge.sh joins them.\n";
    batch += "exec " + shellQuoted(executable) + " --batch " + shellQuoted(list) + " --out-dir " +
             shellQuoted(outDir.string()) + " --array-size " + std::to_string(tasks) +
             unwrapArguments(settings) + "\n";
    std::string merge = header("peelwise-unwrap-merge", (jobs / "merge-%j.out").string(), slurm);
    merge += "exec " + shellQuoted(executable) + " --merge-reports " +
             shellQuoted(outDir.string()) + "\n";
    const std::string batchScript = (jobs / "batch.sh").string();
    const std::string mergeScript = (jobs / "merge.sh").string();
    try {
        brontle::writeFilesAtomically({{batchScript, batch}, {mergeScript, merge}});
    } catch (const brontle::Error& e) {
        std::fprintf(stderr, "peelwise-unwrap: %s\n", e.description().c_str());
        return 2;
    }
    ::chmod(batchScript.c_str(), 0755);
    ::chmod(mergeScript.c_str(), 0755);

    std::string printed;
    const int status = runCommand({"sbatch", "--parsable", batchScript}, printed);
    const std::string arrayId = jobId(printed);
    if (status == 127 || status < 0) {
        std::fprintf(stderr, "peelwise-unwrap: sbatch could not be run; --slurm needs the Slurm "
                             "commands on PATH\n");
        return 2;
    }
    if (status != 0 || arrayId.empty()) {
        std::fprintf(stderr, "peelwise-unwrap: sbatch refused %s (exit status %d)\n",
                     batchScript.c_str(), status);
        return 2;
    }
    std::vector<std::string> mergeCommand{"sbatch", "--parsable",
                                          "--dependency=afterany:" + arrayId};
    if (slurm.wait) {
        mergeCommand.push_back("--wait");
    }
    mergeCommand.push_back(mergeScript);
    if (summary != nullptr) {
        std::fprintf(summary, "submitted job array %s: %d tasks for %zu files; job script %s\n",
                     arrayId.c_str(), tasks, inputs.size(), batchScript.c_str());
        std::fflush(summary);
    }
    printed.clear();
    const int merged = runCommand(mergeCommand, printed);
    const std::string mergeId = jobId(printed);
    if (mergeId.empty()) {
        std::fprintf(stderr,
                     "peelwise-unwrap: sbatch refused %s; run peelwise-unwrap --merge-reports %s "
                     "once the array has ended\n",
                     mergeScript.c_str(), outDir.c_str());
        return 2;
    }
    if (!slurm.wait) {
        if (summary != nullptr) {
            std::fprintf(summary,
                         "submitted merge job %s: it writes %s when every task has ended\n",
                         mergeId.c_str(), (outDir / "report.jsonl").c_str());
        }
        return 0;
    }
    // sbatch --wait returned with the merge job's exit status; its summary is in its log.
    std::ifstream log(jobs / ("merge-" + mergeId + ".out"));
    std::string line;
    while (summary != nullptr && std::getline(log, line)) {
        std::fprintf(summary, "%s\n", line.c_str());
    }
    return merged == 0 ? 0 : merged == 2 ? 2 : 1;
}

} // namespace peelwise::tools
