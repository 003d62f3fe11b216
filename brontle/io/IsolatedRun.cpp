#include "brontle/io/IsolatedRun.h"

#include "brontle/core/Error.h"
#include "brontle/io/ByteCodec.h"
#include "brontle/model/MemoryBudget.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__unix__)
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#define BRONTLE_HAS_FORK 1
#endif

namespace brontle {
namespace {

[[noreturn]] void fail(const std::string& fileName, const std::string& reason) {
    throw Error(ErrorNumber::HostFileUnreadable, fileName + ": " + reason, "loadMeshFile");
}

bool inProcessRequested() {
    const char* value = std::getenv("BRONTLE_READ_IN_PROCESS");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

// What the child sends back: one tag byte, then the payload.
constexpr char kResult = 'R';
constexpr char kError = 'E';
constexpr char kOutOfMemory = 'M';
constexpr char kOtherFailure = 'X';

#ifdef BRONTLE_HAS_FORK

// Caps the child's address space at what it has plus the memory the host may still use (and
// 256 MB for the allocator's own reservations), so a reader that asks for gigabytes gets
// std::bad_alloc instead of pushing the machine into swap. Not under the sanitizers, whose
// shadow memory reserves terabytes of address space up front.
void limitChildMemory() {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1) {
            pages = 0;
        }
        std::fclose(f);
    }
    if (pages <= 0) {
        return;
    }
    const auto used = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    const rlim_t cap = used + availableMemoryBytes() + (rlim_t{256} << 20);
    const rlimit limit{cap, cap};
    setrlimit(RLIMIT_AS, &limit);
#endif
}

[[noreturn]] void runChild(const std::function<std::string()>& work, int out) {
    // A fault in the reader ends the child with its signal, which the parent reports; handlers
    // the process installed (a sanitizer's, a crash reporter's) would report the third-party
    // reader's fault as this program's.
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        std::signal(signal, SIG_DFL);
    }
    limitChildMemory();
    std::string message;
    try {
        message = kResult + work();
    } catch (const Error& e) {
        ByteWriter w;
        w.value<std::int32_t>(e.number());
        w.text(e.description());
        w.text(e.source());
        message = kError + w.take();
    } catch (const std::bad_alloc&) {
        message = std::string(1, kOutOfMemory);
    } catch (const std::exception& e) {
        message = kOtherFailure + std::string(e.what());
    } catch (...) {
        message = std::string(1, kOtherFailure);
    }
    // _exit: no atexit handlers, no flushing of buffers the parent owns too.
    ::_exit(writeAll(out, message) ? 0 : 1);
}

#endif

} // namespace

#ifdef BRONTLE_HAS_FORK
bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}
#endif

std::string runIsolated(const std::function<std::string()>& work, const std::string& fileName,
                        double seconds, const std::function<void(double)>& waiting) {
#ifdef BRONTLE_HAS_FORK
    if (inProcessRequested()) {
        return work();
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return work();
    }
    std::fflush(nullptr); // or the child would write the parent's buffered output again
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return work();
    }
    if (child == 0) {
        ::close(fds[0]);
        runChild(work, fds[1]);
    }
    ::close(fds[1]);

    std::string bytes;
    bool timedOut = false;
    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + std::chrono::duration<double>(seconds);
    const long long step = waiting ? 50 : 1000;
    char buffer[1 << 16];
    for (;;) {
        if (waiting) {
            try {
                waiting(std::chrono::duration<double>(std::chrono::steady_clock::now() - started)
                            .count());
            } catch (...) {
                ::close(fds[0]);
                ::kill(child, SIGKILL);
                int ignored = 0;
                while (::waitpid(child, &ignored, 0) < 0 && errno == EINTR) {
                }
                throw;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, step)));
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (timedOut) {
        ::kill(child, SIGKILL);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut) {
        fail(fileName, "reading it took longer than " + std::to_string(std::lround(seconds)) +
                           " s and was stopped; the file is probably damaged");
    }
    if (WIFSIGNALED(status)) {
        fail(fileName, "the reader for its format failed on it (" +
                           std::string(strsignal(WTERMSIG(status))) +
                           "); the file is probably damaged");
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || bytes.empty()) {
        fail(fileName, "the reader for its format stopped without a result");
    }
    switch (bytes[0]) {
    case kResult:
        return bytes.substr(1);
    case kError: {
        std::int32_t number = 0;
        std::string description, source;
        try {
            ByteReader r(std::string_view(bytes).substr(1));
            number = r.value<std::int32_t>();
            description = r.text();
            source = r.text();
        } catch (const std::runtime_error&) {
            fail(fileName, "the reader for its format stopped without a result");
        }
        throw Error(number, std::move(description), std::move(source));
    }
    case kOutOfMemory:
        fail(fileName, "reading it needs more memory than is available");
    default:
        fail(fileName, "the reader for its format failed" +
                           (bytes.size() > 1 ? " (" + bytes.substr(1) + ")" : std::string()));
    }
#else
    (void)fileName;
    (void)seconds;
    (void)waiting;
    return work();
#endif
}

} // namespace brontle
