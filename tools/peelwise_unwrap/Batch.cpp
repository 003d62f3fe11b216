#include "Batch.h"

#include "BatchReport.h"

#include "brontle/core/Error.h"
#include "brontle/io/IsolatedRun.h"
#include "brontle/io/LoadMemory.h"
#include "brontle/model/AtomicFiles.h"
#include "brontle/model/MemoryBudget.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace peelwise::tools {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void refuse(const std::string& what) {
    throw brontle::Error(brontle::ErrorNumber::HostBadArgument, what, "peelwise-unwrap --batch");
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isMeshName(const fs::path& path) {
    const auto& known = batchExtensions();
    return std::find(known.begin(), known.end(), lower(path.extension().string())) != known.end();
}

fs::path absoluteNormal(const fs::path& path) {
    return fs::absolute(path).lexically_normal();
}

// The outputs: DIR/<input>.obj, or with the extension kept where names would collide.
void nameOutputs(std::vector<BatchInput>& inputs, const fs::path& outDir) {
    std::map<std::string, int> uses;
    auto plain = [](const std::string& input) {
        return fs::path(input).replace_extension(".obj").generic_string();
    };
    for (const BatchInput& in : inputs) {
        ++uses[plain(in.input)];
    }
    for (BatchInput& in : inputs) {
        const std::string name = plain(in.input);
        in.output = (outDir / (uses[name] > 1 ? in.input + ".obj" : name)).string();
    }
}

std::vector<std::string> readListLines(std::istream& in) {
    std::vector<std::string> paths;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.pop_back();
        }
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') {
            continue;
        }
        paths.push_back(line.substr(start));
    }
    return paths;
}

// The report's settings string: what the output depends on besides the input.
std::string settingsText(const UnwrapOptions& o) {
    return std::string(o.factorType == 1 ? "charts" : "stretch") + " " + std::to_string(o.factor) +
           " " + std::to_string(o.width) + "x" + std::to_string(o.height) +
           (o.seamsFromCreases ? " creases" : "") + (o.textureFile.empty() ? "" : " texture");
}

// ---- the child processes ------------------------------------------------------------------

constexpr char kResult = 'R';
constexpr char kError = 'E';
constexpr char kOutOfMemory = 'M';

[[noreturn]] void runChild(const BatchWorker& worker, const BatchInput& input, int out,
                           pid_t parent) {
    // The child ends with its parent: a batch that is killed leaves no worker writing.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(1);
    }
    // A group of its own, which the batch ends as a whole (with the reader's child process).
    ::setpgid(0, 0);
    for (const int signal : {SIGINT, SIGTERM, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGPIPE}) {
        std::signal(signal, SIG_DFL);
    }
    std::string message;
    try {
        std::error_code ignored;
        fs::create_directories(fs::path(input.output).parent_path(), ignored);
        message = kResult + worker(input.path, input.output);
    } catch (const brontle::Error& e) {
        message = kError + e.description();
    } catch (const std::bad_alloc&) {
        message = std::string(1, kOutOfMemory);
    } catch (const std::exception& e) {
        message = kError + input.input + ": " + e.what();
    } catch (...) {
        message = kError + input.input + ": the unwrap failed";
    }
    ::_exit(brontle::writeAll(out, message) ? 0 : 1);
}

struct Running {
    pid_t pid = -1;
    int fd = -1;
    std::size_t index = 0;
    std::string bytes;
    Clock::time_point start;
};

// Reads what the worker has written so far; true at the end of its output.
bool drain(Running& r) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(r.fd, buffer, sizeof buffer);
        if (n > 0) {
            r.bytes.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    }
}

// Removes what a worker that did not finish left behind: the temporary files of its atomic
// writes beside the output. Called once the worker has been reaped, so its files count as
// stale (their process is gone) and the host's own clean-up takes them.
void removeTemporaries(const BatchInput& input, pid_t) {
    brontle::removeStaleTemporaries(fs::path(input.output).parent_path().string());
}

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int) {
    interrupted = 1;
}

// ---- progress and summary -----------------------------------------------------------------

std::string clockText(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    char text[32];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    }
    return text;
}

class BatchProgress {
  public:
    BatchProgress(std::FILE* stream, std::size_t total) : stream_(stream), total_(total) {}
    ~BatchProgress() { finish(); }

    void show(std::size_t done, std::size_t failed, std::size_t worked, double seconds) {
        if (stream_ == nullptr) {
            return;
        }
        const double rate = seconds > 0 ? worked / seconds : 0.0;
        const std::string left =
            rate > 0 ? clockText((total_ - done) / rate) + " left" : std::string("--:-- left");
        std::fprintf(stream_, "\r%zu/%zu files, %zu failed, %.1f files/s, %s\033[K", done, total_,
                     failed, rate, left.c_str());
        std::fflush(stream_);
        open_ = true;
    }
    void finish() {
        if (open_) {
            std::fputs("\r\033[K", stream_);
            std::fflush(stream_);
            open_ = false;
        }
    }

  private:
    std::FILE* stream_;
    std::size_t total_;
    bool open_ = false;
};

// `seconds`: the batch's wall-clock time; negative for a merge, which shows the workers' time
// summed over the report's lines instead.
int printSummary(const std::vector<ReportLine>& lines, double seconds, std::FILE* out) {
    std::size_t ok = 0, failed = 0, skipped = 0;
    const ReportLine* lowest = nullptr;
    const ReportLine* stretched = nullptr;
    for (const ReportLine& line : lines) {
        if (line.status == "ok") {
            ++ok;
        } else if (line.status == "skipped") {
            ++skipped;
        } else {
            ++failed;
        }
        if (line.worstUtilisation &&
            (lowest == nullptr || *line.worstUtilisation < *lowest->worstUtilisation)) {
            lowest = &line;
        }
        if (line.worstStretch &&
            (stretched == nullptr || *line.worstStretch > *stretched->worstStretch)) {
            stretched = &line;
        }
    }
    if (out != nullptr) {
        for (const ReportLine& line : lines) {
            if (line.status == "ok" || line.status == "skipped") {
                continue;
            }
            // The reasons name the file already (by its name, which the input's path holds).
            std::string reason = line.error;
            const std::string name = fs::path(line.input).filename().string() + ": ";
            if (reason.rfind(name, 0) == 0) {
                reason.erase(0, name.size());
            }
            std::fprintf(out, "failed: %s: %s\n", line.input.c_str(), reason.c_str());
        }
        std::string time = "in " + clockText(seconds);
        if (seconds < 0) {
            double work = 0.0;
            for (const ReportLine& line : lines) {
                work += line.status == "skipped" ? 0.0 : line.seconds;
            }
            time = "with " + clockText(work) + " of worker time";
        }
        std::fprintf(out, "%zu files: %zu ok, %zu failed, %zu skipped %s", lines.size(), ok, failed,
                     skipped, time.c_str());
        if (lowest != nullptr) {
            std::fprintf(out, "; worst utilisation %.3f (%s)", *lowest->worstUtilisation,
                         lowest->input.c_str());
        }
        if (stretched != nullptr) {
            std::fprintf(out, "; worst stretch %.3f (%s)", *stretched->worstStretch,
                         stretched->input.c_str());
        }
        std::fputc('\n', out);
        std::fflush(out);
    }
    return failed == 0 ? 0 : 1;
}

std::string reportPath(const std::string& outDir) {
    return (fs::path(outDir) / "report.jsonl").string();
}

std::string shardPath(const std::string& outDir, int task) {
    return (fs::path(outDir) / ("report.task-" + std::to_string(task) + ".jsonl")).string();
}

std::vector<std::string> shardPaths(const std::string& outDir) {
    std::vector<std::pair<long, std::string>> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(outDir, error)) {
        const std::string name = entry.path().filename().string();
        const std::string head = "report.task-", tail = ".jsonl";
        if (name.size() > head.size() + tail.size() && name.rfind(head, 0) == 0 &&
            name.compare(name.size() - tail.size(), tail.size(), tail) == 0) {
            const std::string number =
                name.substr(head.size(), name.size() - head.size() - tail.size());
            if (number.find_first_not_of("0123456789") == std::string::npos) {
                found.emplace_back(std::stol(number), entry.path().string());
            }
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& f : found) {
        paths.push_back(std::move(f.second));
    }
    return paths;
}

std::string joinLines(const std::vector<ReportLine>& lines) {
    std::string text;
    for (const ReportLine& line : lines) {
        text += line.text + "\n";
    }
    return text;
}

// Appends one whole line with one write, so a killed batch leaves whole lines (the last one
// possibly cut, which the reader leaves out).
class ReportAppender {
  public:
    explicit ReportAppender(const std::string& path)
        : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {
        if (fd_ < 0) {
            refuse(path + ": the report cannot be written (" + std::strerror(errno) + ")");
        }
    }
    ~ReportAppender() { ::close(fd_); }
    ReportAppender(const ReportAppender&) = delete;
    ReportAppender& operator=(const ReportAppender&) = delete;
    void append(const ReportLine& line) { brontle::writeAll(fd_, line.text + "\n"); }

  private:
    int fd_;
};

// Whether an earlier report line still stands for the input: done, the input the same, the same
// settings, and the outputs there.
bool alreadyDone(const ReportLine& earlier, const ReportFields& now, const BatchInput& input) {
    std::error_code error;
    return (earlier.status == "ok" || earlier.status == "skipped") && !now.checksum.empty() &&
           earlier.checksum == now.checksum && earlier.size == now.size &&
           earlier.settings == now.settings && fs::exists(input.output, error) &&
           fs::exists(fs::path(input.output).replace_extension(".mtl"), error);
}

// Why a worker that sent no result ended as it did (its wait status); "" when it exited
// normally.
std::string exitFailure(const std::string& input, int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return input + ": the worker ended with signal " + std::to_string(signal) + " (" +
               strsignal(signal) + ")" +
               (signal == SIGKILL ? "; it may have run out of memory, or was stopped"
                                  : "; the file is probably damaged");
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return input + ": the worker stopped without a result";
    }
    return {};
}

int automaticJobs(const std::vector<const BatchInput*>& todo, bool inArray) {
    if (inArray) {
        if (const char* cpus = std::getenv("SLURM_CPUS_PER_TASK")) {
            const int n = std::atoi(cpus);
            if (n > 0) {
                return n;
            }
        }
        return 1;
    }
    int jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    std::uint64_t need = 0;
    for (const BatchInput* in : todo) {
        need = std::max(need, 2 * brontle::estimateLoadBytes(in->path));
    }
    if (need > 0) {
        const std::uint64_t fits = brontle::availableMemoryBytes() / need;
        jobs = static_cast<int>(std::clamp<std::uint64_t>(fits, 1, static_cast<unsigned>(jobs)));
    }
    return jobs;
}

} // namespace

const std::vector<std::string>& batchExtensions() {
    static const std::vector<std::string> extensions{".obj",  ".ply", ".stl", ".off",
                                                     ".gltf", ".glb", ".fbx"};
    return extensions;
}

std::string fileChecksum(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        refuse(path + ": cannot be read (" + std::strerror(errno) + ")");
    }
    std::uint64_t hash = 0xcbf29ce484222325ull;
    char buffer[1 << 16];
    while (in) {
        in.read(buffer, sizeof buffer);
        const std::streamsize n = in.gcount();
        for (std::streamsize i = 0; i < n; ++i) {
            hash ^= static_cast<unsigned char>(buffer[i]);
            hash *= 0x100000001b3ull;
        }
    }
    if (in.bad()) {
        refuse(path + ": cannot be read");
    }
    char text[40];
    std::snprintf(text, sizeof text, "fnv1a64:%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::vector<BatchInput> listBatchInputs(const std::string& list, const std::string& outDir) {
    const fs::path out = absoluteNormal(outDir);
    std::vector<BatchInput> inputs;
    std::error_code error;
    if (list != "-" && fs::is_directory(list, error)) {
        const fs::path root = absoluteNormal(list);
        fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied,
                                            error);
        if (error) {
            refuse(list + ": the folder cannot be read (" + error.message() + ")");
        }
        for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (error) {
                refuse(list + ": the folder cannot be read (" + error.message() + ")");
            }
            const fs::path path = it->path();
            if (it->is_directory(error)) {
                if (absoluteNormal(path) == out) {
                    it.disable_recursion_pending();
                }
                continue;
            }
            if (isMeshName(path)) {
                inputs.push_back(
                    {path.string(), path.lexically_relative(root).generic_string(), {}});
            }
        }
    } else {
        std::vector<std::string> paths;
        if (list == "-") {
            paths = readListLines(std::cin);
        } else {
            std::ifstream in(list);
            if (!in) {
                refuse(list + ": the list of inputs cannot be read (" + std::strerror(errno) + ")");
            }
            paths = readListLines(in);
        }
        std::set<std::string> seen;
        std::vector<fs::path> absolute;
        for (const std::string& p : paths) {
            fs::path a = absoluteNormal(p);
            if (seen.insert(a.string()).second) {
                absolute.push_back(std::move(a));
            }
        }
        if (absolute.empty()) {
            refuse((list == "-" ? std::string("standard input") : list) + ": no input is listed");
        }
        fs::path root = absolute.front().parent_path();
        for (const fs::path& a : absolute) {
            while (a.lexically_relative(root).generic_string().rfind("..", 0) == 0) {
                root = root.parent_path();
            }
        }
        for (const fs::path& a : absolute) {
            inputs.push_back({a.string(), a.lexically_relative(root).generic_string(), {}});
        }
    }
    if (inputs.empty()) {
        refuse(list + ": holds no mesh file (" + [] {
            std::string names;
            for (const auto& e : batchExtensions()) {
                names += (names.empty() ? "" : " ") + e;
            }
            return names;
        }() + ")");
    }
    std::sort(inputs.begin(), inputs.end(),
              [](const BatchInput& a, const BatchInput& b) { return a.input < b.input; });
    nameOutputs(inputs, out);
    return inputs;
}

BatchWorker unwrapWorker(const UnwrapOptions& options) {
    return [options](const std::string& input, const std::string& output) {
        UnwrapOptions own = options;
        if (!own.textureFile.empty()) {
            own.textureFile = fs::path(output).stem().string() + ".bmp";
        }
        return toJson(unwrapFile(input, output, own));
    };
}

int runBatch(const BatchSettings& settings, std::FILE* progressStream, std::FILE* summary,
             const BatchWorker& worker) {
    const auto start = Clock::now();
    std::vector<BatchInput> inputs;
    int task = settings.arrayTask;
    try {
        if (settings.outDir.empty()) {
            refuse("--batch needs --out-dir DIR");
        }
        // Checked here once rather than for every file (each texture is named after its mesh).
        if (!settings.unwrap.textureFile.empty() &&
            lower(fs::path(settings.unwrap.textureFile).extension().string()) != ".bmp") {
            refuse("the texture " + settings.unwrap.textureFile +
                   " must be a Windows bitmap (.bmp)");
        }
        if (settings.arraySize > 0 && task < 0) {
            const char* id = std::getenv("SLURM_ARRAY_TASK_ID");
            if (id == nullptr) {
                refuse("--array-size without --slurm runs one task of a job array, and needs "
                       "SLURM_ARRAY_TASK_ID");
            }
            task = std::atoi(id);
        }
        if (settings.arraySize > 0 && (task < 0 || task >= settings.arraySize)) {
            refuse("the array task " + std::to_string(task) + " is not one of 0 to " +
                   std::to_string(settings.arraySize - 1));
        }
        std::error_code error;
        fs::create_directories(settings.outDir, error);
        if (!fs::is_directory(settings.outDir)) {
            refuse(settings.outDir + ": the output folder cannot be made (" + error.message() +
                   ")");
        }
        inputs = listBatchInputs(settings.list, settings.outDir);
    } catch (const brontle::Error& e) {
        std::fprintf(stderr, "peelwise-unwrap: %s\n", e.description().c_str());
        return 2;
    }
    // This task's share: every arraySize-th input of the sorted list.
    std::vector<const BatchInput*> share;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        if (settings.arraySize <= 0 ||
            i % static_cast<std::size_t>(settings.arraySize) == static_cast<std::size_t>(task)) {
            share.push_back(&inputs[i]);
        }
    }

    std::map<std::string, ReportLine> earlier;
    readReportFile(reportPath(settings.outDir), earlier);
    for (const std::string& shard : shardPaths(settings.outDir)) {
        readReportFile(shard, earlier);
    }

    const std::string settingsLine = settingsText(settings.unwrap);
    const std::string logPath =
        settings.arraySize > 0 ? shardPath(settings.outDir, task) : reportPath(settings.outDir);
    std::vector<std::optional<ReportLine>> results(share.size());
    std::vector<std::size_t> todo;
    std::vector<ReportFields> fields(share.size());
    std::unique_ptr<ReportAppender> log;
    try {
        log = std::make_unique<ReportAppender>(logPath);
    } catch (const brontle::Error& e) {
        std::fprintf(stderr, "peelwise-unwrap: %s\n", e.description().c_str());
        return 2;
    }
    std::size_t done = 0, failed = 0;
    for (std::size_t i = 0; i < share.size(); ++i) {
        const BatchInput& in = *share[i];
        ReportFields& f = fields[i];
        f.input = in.input;
        f.output = fs::path(in.output)
                       .lexically_relative(absoluteNormal(settings.outDir))
                       .generic_string();
        f.file = in.path;
        f.settings = settingsLine;
        struct stat info {};
        // Only a regular file is opened here: a FIFO would block the batch.
        if (::stat(in.path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            try {
                f.checksum = fileChecksum(in.path);
                f.size = static_cast<std::uint64_t>(info.st_size);
            } catch (const brontle::Error&) {
                // unreadable: the worker reports why
            }
        }
        const auto found = earlier.find(in.input);
        if (found != earlier.end() && alreadyDone(found->second, f, in)) {
            results[i] = withStatus(found->second, "skipped");
            log->append(*results[i]);
            ++done;
        } else {
            todo.push_back(i);
        }
    }

    int jobs = settings.jobs > 0 ? settings.jobs : 0;
    if (jobs == 0) {
        std::vector<const BatchInput*> pending;
        for (std::size_t i : todo) {
            pending.push_back(share[i]);
        }
        jobs = automaticJobs(pending, settings.arraySize > 0);
    }

    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    interrupted = 0;
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);

    const BatchWorker run = worker ? worker : unwrapWorker(settings.unwrap);

    BatchProgress progress(progressStream, share.size());
    const pid_t self = ::getpid();
    std::vector<Running> running;
    std::size_t next = 0, worked = 0;
    const auto workStart = Clock::now();
    auto finishOne = [&](Running& r, const std::string& failure) {
        const std::size_t i = r.index;
        ReportFields f = fields[i];
        f.seconds = std::chrono::duration<double>(Clock::now() - r.start).count();
        ReportLine line;
        if (failure.empty() && !r.bytes.empty() && r.bytes[0] == kResult) {
            f.status = "ok";
            line = makeReportLine(r.bytes.substr(1), f);
        } else {
            f.status = "failed";
            if (!failure.empty()) {
                f.error = failure;
            } else if (!r.bytes.empty() && r.bytes[0] == kError) {
                f.error = r.bytes.substr(1);
            } else if (!r.bytes.empty() && r.bytes[0] == kOutOfMemory) {
                f.error = f.input + ": unwrapping it needs more memory than is available";
            } else {
                f.error = f.input + ": the worker stopped without a result";
            }
            line = makeReportLine({}, f);
        }
        if (line.status != "ok") {
            ++failed;
            removeTemporaries(*share[i], r.pid);
        }
        log->append(line);
        results[i] = std::move(line);
        ++done;
        ++worked;
    };

    while ((next < todo.size() && !interrupted) || !running.empty()) {
        while (!interrupted && next < todo.size() && static_cast<int>(running.size()) < jobs) {
            Running r;
            r.index = todo[next++];
            r.start = Clock::now();
            int fds[2];
            if (::pipe2(fds, O_CLOEXEC) != 0) {
                finishOne(r, share[r.index]->input + ": no worker could be started (" +
                                 std::strerror(errno) + ")");
                continue;
            }
            std::fflush(nullptr);
            r.pid = ::fork();
            if (r.pid == 0) {
                ::close(fds[0]);
                runChild(run, *share[r.index], fds[1], self);
            }
            ::close(fds[1]);
            if (r.pid < 0) {
                ::close(fds[0]);
                finishOne(r, share[r.index]->input + ": no worker could be started (" +
                                 std::strerror(errno) + ")");
                continue;
            }
            r.fd = fds[0];
            ::fcntl(r.fd, F_SETFL, ::fcntl(r.fd, F_GETFL) | O_NONBLOCK);
            running.push_back(std::move(r));
        }
        std::vector<pollfd> polls;
        for (const Running& r : running) {
            polls.push_back({r.fd, POLLIN, 0});
        }
        if (!polls.empty() && !interrupted) {
            ::poll(polls.data(), polls.size(), 200);
        }
        for (std::size_t k = running.size(); k-- > 0;) {
            Running& r = running[k];
            // The result is in the pipe before the worker exits, so a worker that has exited
            // is read to the end without waiting; one still running is read as far as it got.
            int status = 0;
            const bool exited = ::waitpid(r.pid, &status, WNOHANG) == r.pid;
            // End of output: the worker has closed its end, which it does only in exiting.
            const bool endOfOutput = drain(r);
            const bool ended = endOfOutput || exited;
            std::string failure;
            const double seconds = std::chrono::duration<double>(Clock::now() - r.start).count();
            if (!ended && settings.timeout > 0 && seconds > settings.timeout) {
                std::ostringstream limit;
                limit << settings.timeout;
                failure = share[r.index]->input + ": unwrapping it took longer than " +
                          limit.str() + " s and was stopped";
            } else if (!ended && !interrupted) {
                continue;
            }
            if (!exited) {
                if (!endOfOutput) { // timed out, or the batch is interrupted
                    ::kill(-r.pid, SIGKILL);
                    ::kill(r.pid, SIGKILL);
                }
                while (::waitpid(r.pid, &status, 0) < 0 && errno == EINTR) {
                }
                drain(r);
            }
            // What the worker started and left (the reader's own child process) ends too.
            ::kill(-r.pid, SIGKILL);
            ::close(r.fd);
            if (interrupted) {
                // Not reported: the next run does it again.
                removeTemporaries(*share[r.index], r.pid);
                running.erase(running.begin() + static_cast<long>(k));
                continue;
            }
            finishOne(r, failure.empty() ? exitFailure(share[r.index]->input, status) : failure);
            running.erase(running.begin() + static_cast<long>(k));
        }
        progress.show(done, failed, worked,
                      std::chrono::duration<double>(Clock::now() - workStart).count());
    }
    progress.finish();
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    log.reset();

    // The report in list order: this run's inputs (an array task: its share).
    std::vector<ReportLine> lines;
    for (auto& r : results) {
        if (r) {
            lines.push_back(*r);
        }
    }
    try {
        brontle::writeFilesAtomically({{logPath, joinLines(lines)}});
        if (settings.arraySize <= 0) {
            std::error_code ignored;
            for (const std::string& shard : shardPaths(settings.outDir)) {
                fs::remove(shard, ignored);
            }
        }
    } catch (const brontle::Error& e) {
        std::fprintf(stderr, "peelwise-unwrap: %s\n", e.description().c_str());
        return 2;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (interrupted) {
        if (summary != nullptr) {
            std::fprintf(summary, "interrupted: %zu of %zu files done; the same command resumes\n",
                         lines.size(), share.size());
        }
        return 130;
    }
    return printSummary(lines, seconds, summary);
}

int mergeReports(const std::string& outDir, std::FILE* summary) {
    const std::vector<std::string> shards = shardPaths(outDir);
    if (!fs::exists(reportPath(outDir)) && shards.empty()) {
        std::fprintf(stderr, "peelwise-unwrap: %s: there is no report to merge\n", outDir.c_str());
        return 2;
    }
    std::map<std::string, ReportLine> merged;
    readReportFile(reportPath(outDir), merged);
    for (const std::string& shard : shards) {
        readReportFile(shard, merged);
    }
    std::vector<ReportLine> lines;
    for (auto& [input, line] : merged) {
        lines.push_back(std::move(line));
    }
    try {
        brontle::writeFilesAtomically({{reportPath(outDir), joinLines(lines)}});
    } catch (const brontle::Error& e) {
        std::fprintf(stderr, "peelwise-unwrap: %s\n", e.description().c_str());
        return 2;
    }
    std::error_code ignored;
    for (const std::string& shard : shards) {
        fs::remove(shard, ignored);
    }
    return printSummary(lines, -1.0, summary);
}

} // namespace peelwise::tools
