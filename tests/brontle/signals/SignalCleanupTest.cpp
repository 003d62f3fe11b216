// SIGINT and SIGTERM while files are being replaced: the temporary files go, the targets stay
// as they were, and the process still ends by the signal.

#include "brontle/io/AtomicFiles.h"

#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

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
            if (dir.countStartingWith(".pwtmp") != 3)
                _exit(3); // the files under test were not there to remove
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
