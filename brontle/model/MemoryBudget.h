#pragma once
// The memory a large piece of work may count on, checked before the work starts: a mesh too
// large for the machine is refused with a clear message instead of running the system out of
// memory half-way through a load or an unwrap (on Linux an allocation rarely fails; the process
// is killed instead, and the artist's session with it).

#include <cstdint>
#include <optional>
#include <string>

namespace brontle {

// The bytes this process may still use: the system's available memory (MemAvailable of
// /proc/meminfo: free memory plus caches the kernel can drop; swap is not counted, since work
// that pages would seem to hang), capped by the environment variable BRONTLE_MEMORY_LIMIT_MB
// when it holds a positive whole number (for hosts that share a machine, and for tests). A
// variable that is not such a number is ignored. Without /proc/meminfo, the physical pages the
// system reports as available. Also capped by what the process's address-space limit
// (RLIMIT_AS, `ulimit -v`) leaves beyond its current size, and by what the memory limit of its
// control group (cgroup v2 memory.max, a container's limit, the tightest from its group up to the
// root) leaves beyond that group's current use.
std::uint64_t availableMemoryBytes();

// The bytes RLIMIT_AS leaves beyond the process's current virtual size; none without a limit.
std::optional<std::uint64_t> addressSpaceLeftBytes();
// The bytes the control-group memory limits (v2 memory.max, v1 memory.limit_in_bytes) leave for
// the group named in `cgroupFile` (normally /proc/self/cgroup), read under `cgroupRoot`
// (normally /sys/fs/cgroup); none when no group on the way sets one.
std::optional<std::uint64_t> cgroupMemoryLeftBytes(const std::string& cgroupFile,
                                                   const std::string& cgroupRoot);

// Throws Error(OutOfMemory, "<what> needs about <N> MB of memory, but only <M> MB is available",
// source) when `bytes` is more than availableMemoryBytes(). N is rounded up and M down, to whole
// megabytes (2^20 bytes).
void requireMemory(std::uint64_t bytes, const std::string& what, const std::string& source);

} // namespace brontle
