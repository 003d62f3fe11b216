// Mesh readers run in a child process: their result comes back whole, their errors keep their
// text, and a crash, an abort, a hang or memory exhaustion inside one is a failed load with a
// message, never the end of the host.

#include "IoTestSupport.h"

#include "brontle/io/IsolatedRun.h"
#include "brontle/io/MeshFile.h"
#include "brontle/model/Shape.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <new>
#include <thread>

namespace {

using namespace iotest;

TEST(IsolatedRun, ResultsAndErrorsComeBackAndTheParentIsUntouched) {
    // A megabyte of every byte value, to catch a result cut at a pipe's buffer size or at a NUL.
    std::string big(1 << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 131 % 256);
    }
    int touched = 0;
    const std::string back = brontle::runIsolated(
        [&] {
            touched = 1; // in the child's copy of memory only
            return big;
        },
        "big.obj", 30);
    EXPECT_EQ(back, big);
    EXPECT_EQ(touched, 0);

    const brontle::Error e = errorOf([] {
        brontle::runIsolated(
            []() -> std::string {
                throw brontle::Error(brontle::ErrorNumber::HostFileUnreadable,
                                     "x.ply: the PLY header is incomplete (no end_header)",
                                     "loadMeshFile");
            },
            "x.ply", 30);
    });
    EXPECT_EQ(e.number(), brontle::ErrorNumber::HostFileUnreadable);
    EXPECT_EQ(e.description(), "x.ply: the PLY header is incomplete (no end_header)");
    EXPECT_EQ(e.source(), "loadMeshFile");
}

TEST(IsolatedRun, AFaultInsideTheReaderIsAFailedLoad) {
    struct Case {
        std::function<std::string()> work;
        double seconds;
        std::string description;
    };
    const Case cases[] = {
        {[]() -> std::string { std::abort(); }, 30,
         "bad.off: the reader for its format failed on it (Aborted); the file is probably "
         "damaged"},
        {[]() -> std::string {
             std::raise(SIGKILL);
             return {};
         },
         30,
         "bad.off: the reader for its format failed on it (Killed); the file is probably damaged"},
        {[]() -> std::string { throw std::bad_alloc(); }, 30,
         "bad.off: reading it needs more memory than is available"},
        {[]() -> std::string {
             std::this_thread::sleep_for(std::chrono::seconds(30));
             return {};
         },
         0.5,
         "bad.off: reading it took longer than 1 s and was stopped; the file is probably damaged"},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const brontle::Error e =
            errorOf([&] { brontle::runIsolated(c.work, "bad.off", c.seconds); });
        EXPECT_EQ(e.number(), brontle::ErrorNumber::HostFileUnreadable);
        EXPECT_EQ(e.description(), c.description);
        // The hung child is killed at its deadline, not waited for.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
}

TEST(IsolatedRun, InProcessOnRequest) {
    ::setenv("BRONTLE_READ_IN_PROCESS", "1", 1);
    int touched = 0;
    brontle::runIsolated(
        [&] {
            touched = 1;
            return std::string();
        },
        "a.obj", 30);
    ::unsetenv("BRONTLE_READ_IN_PROCESS");
    EXPECT_EQ(touched, 1);
}

TEST(IsolatedRun, AFileThatCrashesItsReaderLeavesTheSceneAsItWas) {
    // Found by fuzzing: the OFF reader reads past its buffer on this vertex line of form feeds
    // and stray bytes. No check before the reader catches it; the child process does.
    TempFolder dir;
    std::string off = "3 1 0\n0 0 0\n1 0 0\n5 1 0" + std::string(16, '\f');
    off += std::string(68, '\x8d') + std::string(30, '\f') + "\x98" + std::string(14, '\f');
    off += "\n3 0 1 2";
    writeFile(dir.file("crash.off"), off);
    auto scene = newScene();
    const std::int32_t keyBefore = materialKeyNow();
    const brontle::Error e = errorOf([&] { brontle::loadMeshFile(dir.file("crash.off"), *scene); });
    EXPECT_EQ(e.number(), brontle::ErrorNumber::HostFileUnreadable);
    EXPECT_EQ(e.description().rfind("crash.off: the reader for its format failed on it (", 0), 0u)
        << e.description();
    EXPECT_EQ(materialKeyNow(), keyBefore + 1); // nothing was created
    // The host goes on reading other files.
    writeFile(dir.file("triangle.off"), "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    EXPECT_EQ(brontle::loadMeshFile(dir.file("triangle.off"), *scene).shapes.size(), 1u);
}

} // namespace
