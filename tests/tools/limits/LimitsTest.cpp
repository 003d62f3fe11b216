// The limits of the machine: memory limits of the process and its control group, a working
// folder that was deleted, a disk that fills up. Each ends in a clear message and status 1.

#include "brontle/model/MemoryBudget.h"

#include "support/ChildProcess.h"
#include "support/ObjGrid.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using peelwise::test::ChildOptions;
using peelwise::test::ChildResult;
using peelwise::test::describe;
using peelwise::test::runChild;
using peelwise::test::ScratchDir;
namespace fs = std::filesystem;

const std::string kTool = PEELWISE_BIN_DIR "/peelwise-unwrap";
constexpr std::uint64_t kMb = 1u << 20;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

TEST(Limits, AvailableMemoryHonoursTheAddressSpaceLimit) {
    if (kSanitized) {
        GTEST_SKIP() << "AddressSanitizer maps terabytes of shadow memory: no address-space limit";
    }
    const pid_t pid = fork();
    if (pid == 0) {
        // 64 MB beyond what the process already maps.
        std::ifstream status("/proc/self/status");
        std::uint64_t size = 0;
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmSize:", 0) == 0) {
                size = std::stoull(line.substr(7)) * 1024;
            }
        }
        const rlimit limit{size + 64 * kMb, size + 64 * kMb};
        if (size == 0 || setrlimit(RLIMIT_AS, &limit) != 0) {
            _exit(2);
        }
        const std::uint64_t available = brontle::availableMemoryBytes();
        _exit(available <= 64 * kMb && available >= 32 * kMb ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the limit was not honoured, 2: it could not be set";
}

TEST(Limits, ControlGroupLimitsAreReadFromTheGroupUp) {
    ScratchDir dir;
    // cgroup v2: the tightest limit on the way up counts, "max" is none.
    fs::create_directories(dir.file("v2/a/b"));
    dir.write("v2/a/memory.max", "1000000\n");
    dir.write("v2/a/memory.current", "400000\n");
    dir.write("v2/a/b/memory.max", "max\n");
    dir.write("v2/a/b/memory.current", "100\n");
    dir.write("v2.cgroup", "0::/a/b\n");
    EXPECT_EQ(brontle::cgroupMemoryLeftBytes(dir.file("v2.cgroup"), dir.file("v2")), 600000u);
    // cgroup v1, as a container mounts it: the group's own folder at the root of the hierarchy.
    fs::create_directories(dir.file("v1/memory"));
    dir.write("v1/memory/memory.limit_in_bytes", "2000000\n");
    dir.write("v1/memory/memory.usage_in_bytes", "500000\n");
    dir.write("v1.cgroup", "5:cpu:/\n4:memory:/docker/abc\n0::/\n");
    EXPECT_EQ(brontle::cgroupMemoryLeftBytes(dir.file("v1.cgroup"), dir.file("v1")), 1500000u);
    // No limit (v1 writes a number near 2^63).
    dir.write("v1/memory/memory.limit_in_bytes", "9223372036854771712\n");
    EXPECT_FALSE(brontle::cgroupMemoryLeftBytes(dir.file("v1.cgroup"), dir.file("v1")));
    EXPECT_FALSE(brontle::cgroupMemoryLeftBytes(dir.file("none.cgroup"), dir.file("v1")));
}

TEST(Limits, AMeshTooLargeForTheAddressSpaceLimitEndsWithAMessage) {
    if (kSanitized) {
        GTEST_SKIP() << "AddressSanitizer maps terabytes of shadow memory: no address-space limit";
    }
    ScratchDir dir;
    dir.write("grid.obj",
              mesh_literals::objQuadGrid(400)); // 160,000 quads: the atlas needs about 140 MB
    ChildOptions options;
    options.folder = dir.path().string();
    options.beforeExec = [] {
        const rlimit limit{200 * kMb, 200 * kMb}; // ulimit -v 204800
        setrlimit(RLIMIT_AS, &limit);
    };
    const ChildResult r = runChild({kTool, "grid.obj", "out.obj"}, options);
    EXPECT_EQ(r.status, 1) << describe(r);
    // Refused before the atlas by the memory check; an allocation that fails anyway ends the
    // same way, with its own message.
    EXPECT_TRUE(r.err.find("MB of memory, but only") != std::string::npos ||
                r.err.find("out of memory") != std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(dir.file("out.obj")));
    EXPECT_EQ(dir.countStartingWith(".pwtmp"), 0);
}

TEST(Limits, ADeletedWorkingFolderEndsWithAMessage) {
    ScratchDir dir;
    dir.write("in.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n");
    fs::create_directory(dir.file("gone"));
    ChildOptions options;
    const std::string gone = dir.file("gone");
    options.beforeExec = [gone] {
        mkdir(gone.c_str(), 0700);
        if (chdir(gone.c_str()) != 0 || rmdir(gone.c_str()) != 0) {
            _exit(126);
        }
    };
    ChildResult r = runChild({kTool, "in.obj", "out.obj"}, options);
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("the current folder cannot be used"), std::string::npos) << r.err;
    // Absolute paths still work from there.
    r = runChild({kTool, dir.file("in.obj"), dir.file("out.obj")}, options);
    EXPECT_EQ(r.status, 0) << describe(r);
}

TEST(Limits, AFullDiskIsNamedAsSuchAndLeavesNothingBehind) {
    ScratchDir dir;
    dir.write("in.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    dir.write("t.bmp", "KEEP");
    ChildOptions options;
    options.folder = dir.path().string();
    // Files may grow to 100 kB: the 512 x 512 texture (768 kB) cannot be written.
    options.beforeExec = [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const ChildResult r =
        runChild({kTool, "in.obj", "out.obj", "--texture", "t.bmp", "--size", "512"}, options);
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("encoding failed"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(".pwtmp"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("t.bmp"), std::string::npos) << r.err;
    EXPECT_TRUE(dir.read("t.bmp") == "KEEP") << "t.bmp was replaced";
    EXPECT_FALSE(fs::exists(dir.file("out.obj")));
    EXPECT_EQ(dir.countStartingWith(".pwtmp"), 0);
}

} // namespace
