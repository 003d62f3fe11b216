#pragma once
// Runs a program as a child process, as a user at a shell would, and collects what it did: its
// exit status (or the signal that ended it), standard output and standard error. A child still
// running after the time limit is killed and reported as timed out, so a test of a program that
// hangs fails instead of hanging.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace peelwise::test {

struct ChildResult {
    int status = -1; // exit status, -1 when ended by a signal or timed out
    int signal = 0;  // the signal that ended it, 0 when it exited
    bool timedOut = false;
    std::string out;
    std::string err;
};

struct ChildOptions {
    std::string folder;                   // working folder ("" keeps the test's)
    std::vector<std::string> environment; // "NAME=value" added to the test's environment
    std::function<void()> beforeExec;     // runs in the child (limits, signals)
    double seconds = 120.0;
    std::string input; // standard input (then closed)
};

inline ChildResult runChild(const std::vector<std::string>& command,
                            const ChildOptions& options = {}) {
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0 || pipe(inPipe) != 0) {
        std::abort();
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], inPipe[0], inPipe[1]}) {
            close(fd);
        }
        if (!options.folder.empty() && chdir(options.folder.c_str()) != 0) {
            _exit(127);
        }
        for (const std::string& variable : options.environment) {
            putenv(const_cast<char*>(variable.c_str()));
        }
        if (options.beforeExec) {
            options.beforeExec();
        }
        std::vector<char*> argv;
        for (const std::string& word : command) {
            argv.push_back(const_cast<char*>(word.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    close(inPipe[0]);
    if (!options.input.empty()) {
        [[maybe_unused]] const ssize_t written =
            write(inPipe[1], options.input.data(), options.input.size());
    }
    close(inPipe[1]);

    ChildResult result;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long>(options.seconds * 1000));
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(std::min<long>(left, 1000))) <= 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                continue;
            }
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            }
        }
    }
    for (const pollfd& p : fds) {
        if (p.fd >= 0) {
            close(p.fd);
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status) && !result.timedOut) {
        result.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

// The status, signal and output of a run, for a failed expectation's message.
inline std::string describe(const ChildResult& r) {
    return "status " + std::to_string(r.status) + " signal " + std::to_string(r.signal) +
           (r.timedOut ? " (timed out)" : "") + "\nstdout: " + r.out + "\nstderr: " + r.err;
}

} // namespace peelwise::test
