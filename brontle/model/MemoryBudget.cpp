#include "brontle/model/MemoryBudget.h"

#include "brontle/model/Error.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <unistd.h>

namespace brontle {
namespace {

constexpr std::uint64_t kMegabyte = 1u << 20;

std::uint64_t systemAvailableBytes() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:")
            return kilobytes * 1024;
    }
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    return std::numeric_limits<std::uint64_t>::max(); // nothing known: do not refuse work
}

// The cap set by BRONTLE_MEMORY_LIMIT_MB, or 0 when there is none.
std::uint64_t limitFromEnvironment() {
    const char* text = std::getenv("BRONTLE_MEMORY_LIMIT_MB");
    if (!text)
        return 0;
    const char* end = text + std::strlen(text);
    std::uint64_t megabytes = 0;
    const auto [stop, error] = std::from_chars(text, end, megabytes);
    if (error != std::errc() || stop != end || megabytes == 0 ||
        megabytes > std::numeric_limits<std::uint64_t>::max() / kMegabyte)
        return 0;
    return megabytes * kMegabyte;
}

} // namespace

std::uint64_t availableMemoryBytes() {
    const std::uint64_t available = systemAvailableBytes();
    const std::uint64_t limit = limitFromEnvironment();
    return limit != 0 && limit < available ? limit : available;
}

void requireMemory(std::uint64_t bytes, const std::string& what, const std::string& source) {
    const std::uint64_t available = availableMemoryBytes();
    if (bytes <= available)
        return;
    const std::uint64_t neededMb = bytes / kMegabyte + (bytes % kMegabyte != 0 ? 1 : 0);
    throw Error(ErrorNumber::OutOfMemory,
                what + " needs about " + std::to_string(neededMb) + " MB of memory, but only " +
                    std::to_string(available / kMegabyte) + " MB is available",
                source);
}

} // namespace brontle
