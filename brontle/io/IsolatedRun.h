#pragma once
// Running a risky step, a third-party file reader, in a child process: a crash, an abort, a
// hang or runaway memory use inside it then costs the user one failed load, not the session
// and the unsaved work in it.

#include <functional>
#include <string>

namespace brontle {

// Runs `work` in a forked child process and returns the bytes it returned. An Error thrown by
// `work` is thrown here again with its number, description and source. When the child dies
// instead (a signal, an abort), runs out of memory (it may use what availableMemoryBytes()
// reports) or runs longer than `seconds` (then it is killed), throws
// Error(HostFileUnreadable, "<fileName>: <what happened>").
// `work` runs in this process instead where there is no fork, and when the environment sets
// BRONTLE_READ_IN_PROCESS=1 (for debuggers and fuzzers, which must see the reader's faults).
// `waiting`, when given, is called about every 50 ms while the child runs, with the seconds
// since it started; when it throws (a cancelled load), the child is killed and the exception
// goes on to the caller.
// Writes every byte of `bytes` to the descriptor `fd`, again after a signal interrupted a write;
// false when a write fails (a closed pipe, a full disk). The child's answer to runIsolated goes
// through it, and so does any process that hands bytes to another through a pipe.
bool writeAll(int fd, const std::string& bytes);

std::string runIsolated(const std::function<std::string()>& work, const std::string& fileName,
                        double seconds, const std::function<void(double)>& waiting = {});

} // namespace brontle
