#include "brontle/model/MemoryBudget.h"

#include "brontle/core/Error.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace brontle {
namespace {

constexpr std::uint64_t kMegabyte = 1u << 20;

std::uint64_t systemAvailableBytes() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") {
            return kilobytes * 1024;
        }
    }
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
        return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    }
    return std::numeric_limits<std::uint64_t>::max(); // nothing known: do not refuse work
}

// The cap set by BRONTLE_MEMORY_LIMIT_MB, or 0 when there is none.
std::uint64_t limitFromEnvironment() {
    const char* text = std::getenv("BRONTLE_MEMORY_LIMIT_MB");
    if (!text) {
        return 0;
    }
    const char* end = text + std::strlen(text);
    std::uint64_t megabytes = 0;
    const auto [stop, error] = std::from_chars(text, end, megabytes);
    if (error != std::errc() || stop != end || megabytes == 0 ||
        megabytes > std::numeric_limits<std::uint64_t>::max() / kMegabyte) {
        return 0;
    }
    return megabytes * kMegabyte;
}

// A number from the first line of a small file ("max" and anything unreadable: none).
std::optional<std::uint64_t> readNumber(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    if (!(in >> text)) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || stop != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The "<key> <kB> kB" value of /proc/self/status, in bytes.
std::optional<std::uint64_t> statusBytes(const std::string& wanted) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, wanted.size(), wanted) != 0) {
            continue;
        }
        std::istringstream fields(line.substr(wanted.size()));
        std::uint64_t kilobytes = 0;
        if (fields >> kilobytes) {
            return kilobytes * 1024;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::uint64_t> addressSpaceLeftBytes() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    const std::uint64_t used = statusBytes("VmSize:").value_or(0);
    const std::uint64_t cap = static_cast<std::uint64_t>(limit.rlim_cur);
    return used < cap ? cap - used : 0;
}

std::optional<std::uint64_t> cgroupMemoryLeftBytes(const std::string& cgroupFile,
                                                   const std::string& cgroupRoot) {
    // Each line of /proc/self/cgroup is "<id>:<controllers>:<path>". cgroup v2 has "0::<path>"
    // with memory.max and memory.current; v1 has "<n>:memory:<path>" under the memory
    // hierarchy with memory.limit_in_bytes and memory.usage_in_bytes (a limit near 2^63 means
    // none). Every group from the process's up to the root may carry a limit; the tightest one
    // counts. In a container the group's own folder is often mounted as the root, so folders
    // that are not there are passed over.
    struct Hierarchy {
        std::string folder, path, max, current;
    };
    std::vector<Hierarchy> hierarchies;
    std::ifstream groups(cgroupFile);
    std::string line;
    while (std::getline(groups, line)) {
        const auto first = line.find(':');
        const auto second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) {
            continue;
        }
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            hierarchies.push_back({cgroupRoot, path, "memory.max", "memory.current"});
        } else if (controllers == "memory") {
            hierarchies.push_back(
                {cgroupRoot + "/memory", path, "memory.limit_in_bytes", "memory.usage_in_bytes"});
        }
    }
    constexpr std::uint64_t kNoLimit = std::uint64_t(1) << 62;
    std::optional<std::uint64_t> left;
    for (Hierarchy& h : hierarchies) {
        std::string path = h.path.empty() ? "/" : h.path;
        while (true) {
            const std::string folder = h.folder + (path == "/" ? "" : path);
            const auto max = readNumber(folder + "/" + h.max);
            if (max && *max < kNoLimit) {
                const std::uint64_t current = readNumber(folder + "/" + h.current).value_or(0);
                const std::uint64_t here = current < *max ? *max - current : 0;
                left = left ? std::min(*left, here) : here;
            }
            if (path == "/") {
                break;
            }
            const auto slash = path.find_last_of('/');
            path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
        }
    }
    return left;
}

std::uint64_t availableMemoryBytes() {
    std::uint64_t available = systemAvailableBytes();
    const std::uint64_t limit = limitFromEnvironment();
    if (limit != 0) {
        available = std::min(available, limit);
    }
    if (const auto space = addressSpaceLeftBytes()) {
        available = std::min(available, *space);
    }
    if (const auto group = cgroupMemoryLeftBytes("/proc/self/cgroup", "/sys/fs/cgroup")) {
        available = std::min(available, *group);
    }
    return available;
}

void requireMemory(std::uint64_t bytes, const std::string& what, const std::string& source) {
    const std::uint64_t available = availableMemoryBytes();
    if (bytes <= available) {
        return;
    }
    const std::uint64_t neededMb = bytes / kMegabyte + (bytes % kMegabyte != 0 ? 1 : 0);
    throw Error(ErrorNumber::OutOfMemory,
                what + " needs about " + std::to_string(neededMb) + " MB of memory, but only " +
                    std::to_string(available / kMegabyte) + " MB is available",
                source);
}

} // namespace brontle
