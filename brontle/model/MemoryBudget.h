#pragma once
// The memory a large piece of work may count on, checked before the work starts: a mesh too
// large for the machine is refused with a clear message instead of running the system out of
// memory half-way through a load or an unwrap (on Linux an allocation rarely fails; the process
// is killed instead, and the artist's session with it).

#include <cstdint>
#include <string>

namespace brontle {

// The bytes this process may still use: the system's available memory (MemAvailable of
// /proc/meminfo: free memory plus caches the kernel can drop; swap is not counted, since work
// that pages would seem to hang), capped by the environment variable BRONTLE_MEMORY_LIMIT_MB
// when it holds a positive whole number (for hosts that share a machine, and for tests). A
// variable that is not such a number is ignored. Without /proc/meminfo, the physical pages the
// system reports as available.
std::uint64_t availableMemoryBytes();

// Throws Error(OutOfMemory, "<what> needs about <N> MB of memory, but only <M> MB is available",
// source) when `bytes` is more than availableMemoryBytes(). N is rounded up and M down, to whole
// megabytes (2^20 bytes).
void requireMemory(std::uint64_t bytes, const std::string& what, const std::string& source);

} // namespace brontle
