// The host window run where nobody can click: by a script with --screenshot, or with no
// terminal and no display. Nothing may wait for an answer; errors reach standard error and the
// exit status.

#include "support/ChildProcess.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using peelwise::test::ChildOptions;
using peelwise::test::ChildResult;
using peelwise::test::describe;
using peelwise::test::runChild;
using peelwise::test::ScratchDir;

const std::string kHost = PEELWISE_BIN_DIR "/brontle";

ChildOptions offscreen(const ScratchDir& dir) {
    ChildOptions options;
    options.folder = dir.path().string();
    options.environment = {"QT_QPA_PLATFORM=offscreen"};
    // In the sanitizer build the host's leak check runs after the system's OpenGL driver has been
    // unloaded, so the driver's own buffers come from an unknown module that no library
    // suppression can name. The host's code is leak-checked by the in-process window tests; the
    // host started here checks memory errors only.
    if (const char* sanitizer = std::getenv("ASAN_OPTIONS")) {
        options.environment.push_back(std::string("ASAN_OPTIONS=") + sanitizer + ":detect_leaks=0");
    }
    options.seconds = 60;
    return options;
}

TEST(HostWithoutUser, AFileThatCannotBeOpenedEndsTheRunWithItsMessage) {
    ScratchDir dir;
    dir.write("damaged.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n");
    ChildResult r = runChild({kHost, "damaged.obj", "--screenshot", "s.png"}, offscreen(dir));
    EXPECT_FALSE(r.timedOut) << describe(r);
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("The file could not be opened."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("damaged.obj"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("s.png")));

    // No --screenshot, but no terminal on standard input and no display: the same.
    r = runChild({kHost, "damaged.obj"}, offscreen(dir));
    EXPECT_FALSE(r.timedOut) << describe(r);
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("The file could not be opened."), std::string::npos) << r.err;
}

TEST(HostWithoutUser, AnUnknownPluginIsAnError) {
    ScratchDir dir;
    const ChildResult r = runChild(
        {kHost, "--apply-plugin", "NoSuchPlugin", "--screenshot", "s.png"}, offscreen(dir));
    EXPECT_FALSE(r.timedOut) << describe(r);
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("there is no plug-in named \"NoSuchPlugin\""), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("s.png")));
}

TEST(HostWithoutUser, ErrorsShownInTheWindowAlsoReachStandardError) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "needs a display (run under Xvfb) for the window's own message box";
    }
    ScratchDir dir;
    dir.write("damaged.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n");
    ChildOptions options;
    options.folder = dir.path().string();
    options.environment = {"QT_QPA_PLATFORM=xcb"};
    options.seconds = 10; // the box waits for a click that never comes; the run is then ended
    const ChildResult r = runChild({kHost, "damaged.obj"}, options);
    EXPECT_TRUE(r.timedOut) << "with a display the message box waits for the user\n" << describe(r);
    EXPECT_NE(r.err.find("Brontle: error: The file could not be opened."), std::string::npos)
        << r.err;
}

} // namespace
