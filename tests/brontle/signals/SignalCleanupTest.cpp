// SIGINT and SIGTERM while files are being replaced: the temporary files go, the targets stay
// as they were, and the process still ends by the signal.

#include "brontle/model/AtomicFiles.h"

#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using peelwise::test::ScratchDir;

// Runs `body` in a child process and returns its wait status.
int inChild(const std::function<void()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(SignalCleanup, InterruptedWritesLeaveNoTemporaryFiles) {
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        ScratchDir dir;
        dir.write("out.obj", "old");
        const int status = inChild([&] {
            brontle::removeTemporariesOnSignals();
            brontle::FileGroup group;
            // A large texture and the mesh are written; the signal comes before the commit.
            group.add(dir.file("texture.bmp"), std::string(20 << 20, 'x'));
            group.add(dir.file("out.obj"), "new");
            const brontle::ScratchFile scratch(dir.path().string(), ".bmp");
            std::ofstream(scratch.path()) << "rendered";
            if (dir.countStartingWith(".pwtmp") != 3) {
                _exit(3); // the files under test were not there to remove
            }
            ::raise(signalNumber);
            _exit(4); // not reached: the signal ends the process
        });
        ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signalNumber << ", status " << status;
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_EQ(dir.countStartingWith(".pwtmp"), 0) << "signal " << signalNumber;
        EXPECT_EQ(dir.read("out.obj"), "old");
        EXPECT_FALSE(std::filesystem::exists(dir.file("texture.bmp")));
    }
}

// peelwise-unwrap stopped by `signalNumber` once its standard error shows `cue`; returns the
// wait status.
int stopUnwrapAt(const ScratchDir& dir, const std::vector<std::string>& arguments,
                 const std::string& cue, int signalNumber) {
    int err[2];
    if (pipe(err) != 0) {
        std::abort();
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(err[1], 2);
        close(err[0]);
        close(err[1]);
        if (chdir(dir.path().c_str()) != 0) {
            _exit(127);
        }
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::vector<char*> argv;
        for (const std::string& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(err[1]);
    std::string seen;
    char buffer[4096];
    ssize_t n = 0;
    while (seen.find(cue) == std::string::npos && (n = read(err[0], buffer, sizeof buffer)) > 0) {
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    kill(pid, signalNumber);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(SignalCleanup, AnInterruptedUnwrapLeavesNoFileBehind) {
    ScratchDir dir;
    // A small shape, then a grid that takes a while: the first texture is written (to its
    // temporary file) while the second shape is unwrapped.
    std::string obj = "o small\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\no grid\n";
    const int n = 120;
    for (int y = 0; y <= n; ++y) {
        for (int x = 0; x <= n; ++x) {
            obj += "v " + std::to_string(x) + " " + std::to_string(y) + " 1\n";
        }
    }
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const int a = 4 + y * (n + 1) + x;
            obj += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " +
                   std::to_string(a + n + 2) + " " + std::to_string(a + n + 1) + "\n";
        }
    }
    dir.write("in.obj", obj);
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        const int status = stopUnwrapAt(dir,
                                        {PEELWISE_BIN_DIR "/peelwise-unwrap", "in.obj", "out.obj",
                                         "--texture", "t.bmp", "--size", "256", "--progress"},
                                        "shape 2 of 2: 0%", signalNumber);
        ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signalNumber << ", status " << status;
        EXPECT_EQ(WTERMSIG(status), signalNumber);
        EXPECT_EQ(dir.countStartingWith(".pwtmp"), 0) << "signal " << signalNumber;
        EXPECT_EQ(dir.countStartingWith("t-"), 0) << "a texture was committed alone";
        EXPECT_EQ(dir.countStartingWith("out."), 0);
    }
}

TEST(SignalCleanup, HandlersOfOthersAreLeftAlone) {
    ScratchDir dir;
    const int status = inChild([&] {
        ::signal(SIGTERM, SIG_IGN);
        brontle::removeTemporariesOnSignals();
        brontle::FileGroup group;
        group.add(dir.file("out.obj"), "new");
        ::raise(SIGTERM); // ignored, as the program asked
        group.commit();
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(dir.read("out.obj"), "new");
}

} // namespace
