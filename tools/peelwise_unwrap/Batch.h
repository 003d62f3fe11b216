#pragma once
// Unwrapping many files: a list of inputs (a folder searched recursively, or a text file of
// paths), each read and unwrapped by unwrapFile in a child process of its own, a JSON Lines
// report that lets a stopped batch resume, and array tasks that share one list between the
// tasks of a Slurm job array (BatchSlurm.cpp submits them).

#include "UnwrapJob.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace peelwise::tools {

// One input of a batch.
//  path:   the file as it is read (absolute);
//  input:  its path relative to the list's root, with '/' separators: the report's key;
//  output: DIR/<input with its extension replaced by .obj>; when two inputs would share that
//          name (chair.fbx and chair.ply), each keeps its extension: chair.fbx.obj, chair.ply.obj.
struct BatchInput {
    std::string path;
    std::string input;
    std::string output;
};

// The extensions (lower case, with the dot) a folder is searched for: every format the host
// reads.
const std::vector<std::string>& batchExtensions();

// The sorted inputs of `list`: a folder (every file below it whose extension, in any case, is
// one of batchExtensions(), leaving out `outDir` when it lies inside; the root is the folder),
// or a text file of paths, one a line ("-": standard input; blank lines and lines starting
// with '#' are left out; relative paths are relative to the current folder; the root is the
// deepest folder all inputs lie in). A path listed twice counts once. Throws brontle::Error
// when the list cannot be read or holds no input.
std::vector<BatchInput> listBatchInputs(const std::string& list, const std::string& outDir);

struct BatchSettings {
    std::string list;
    std::string outDir;
    int jobs = 0;       // 0: automatic (see runBatch)
    double timeout = 0; // seconds per file; 0: no limit
    int arraySize = 0;  // > 0: run as task arrayTask of an array of this many tasks
    int arrayTask = -1; // -1 with arraySize > 0: from SLURM_ARRAY_TASK_ID
    UnwrapOptions unwrap;
};

// Unwraps one input into `output` and returns its report as --json prints it. Throws
// brontle::Error naming the reason when the file cannot be unwrapped. Runs in a child process.
using BatchWorker = std::function<std::string(const std::string& input, const std::string& output)>;

// The worker of peelwise-unwrap: unwrapFile with `options`, and with a texture each output
// gets its own, named after it (DIR/a/chair.obj: DIR/a/chair.bmp).
BatchWorker unwrapWorker(const UnwrapOptions& options);

// Runs a batch and returns the exit status: 0 when every input is ok or skipped, 1 when any
// failed, 2 when the batch could not start (message on standard error), 130 when interrupted.
//  - jobs: settings.jobs, else SLURM_CPUS_PER_TASK in an array task, else the number of cores,
//    lowered so that the memory a worker may need (twice the load estimate of the largest
//    input: the loaded mesh, then the atlas's working arrays) fits in the available memory;
//  - an input is skipped when the report (or a task's shard) has a line for it with status ok
//    or skipped, the same size, checksum and settings, and its output (.obj and .mtl) exists;
//  - every finished input is appended to the report at once (DIR/report.jsonl, or in an array
//    task DIR/report.task-<i>.jsonl holding its share only); at the end the file is rewritten
//    with one line per input in list order, and a one-machine batch removes the tasks' shards;
//  - a worker that crashes, is killed, runs out of memory or exceeds the timeout fails its
//    input only; its temporary files are removed;
//  - `progress` (a terminal, else nullptr) gets one line of files done, failures, rate and
//    time left; the summary goes to `summary`.
int runBatch(const BatchSettings& settings, std::FILE* progress, std::FILE* summary,
             const BatchWorker& worker);

// Merges DIR/report.jsonl and the array tasks' shards DIR/report.task-*.jsonl (a shard's line
// wins) into DIR/report.jsonl, one line per input in order, removes the shards, and prints the
// summary. Returns 0 when every input is ok or skipped, 1 when any failed, 2 when there is no
// report.
int mergeReports(const std::string& outDir, std::FILE* summary);

struct SlurmSettings {
    int arraySize = 0; // 0: one task per input, at most 8
    std::string partition;
    std::string time;
    bool wait = false; // wait for the merge job and return as runBatch does
};

// Writes DIR/slurm/batch.sh (the job array) and DIR/slurm/merge.sh (mergeReports once every
// task has ended) and submits them with sbatch; `program` is this executable. Returns 0 once
// submitted (with `wait`: the merged report's status), 2 when sbatch is missing or refuses.
int submitSlurm(const BatchSettings& settings, const SlurmSettings& slurm,
                const std::string& program, std::FILE* summary);

// The checksum a report gives an input: FNV-1a, 64 bits, as "fnv1a64:" and 16 hex digits.
// Throws brontle::Error when the file cannot be read.
std::string fileChecksum(const std::string& path);

} // namespace peelwise::tools
