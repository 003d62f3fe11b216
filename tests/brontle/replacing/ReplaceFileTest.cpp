// Replacing a file on disk (brontle/model/AtomicFiles.h): what the replaced file keeps, what is
// refused, and what is cleaned up.

#include "brontle/core/Error.h"
#include "brontle/io/MeshFile.h"
#include "brontle/model/AtomicFiles.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Image.h"

#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using peelwise::test::ScratchDir;
namespace fs = std::filesystem;

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode;
}

std::string errorOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const brontle::Error& e) {
        EXPECT_EQ(e.number(), brontle::ErrorNumber::HostFileUnwritable);
        return e.description();
    }
    return "(no error)";
}

TEST(ReplaceFile, KeepsPermissionsAndWritesThroughSymbolicLinks) {
    ScratchDir dir;
    const std::string secret = dir.write("secret.obj", "old");
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    brontle::writeFilesAtomically({{secret, "new"}});
    EXPECT_EQ(dir.read("secret.obj"), "new");
    EXPECT_EQ(modeOf(secret) & 07777, 0600u);

    const std::string shared = dir.write("shared.obj", "old");
    ASSERT_EQ(::chmod(shared.c_str(), 0754), 0);
    brontle::writeFilesAtomically({{shared, "new"}});
    EXPECT_EQ(modeOf(shared) & 07777, 0754u);

    // A link (relative, through a second link) stays a link; its target gets the content.
    fs::create_directory(dir.file("real"));
    dir.write("real/target.obj", "old");
    fs::create_symlink("real/target.obj", dir.file("hop.obj"));
    fs::create_symlink("hop.obj", dir.file("link.obj"));
    brontle::writeFilesAtomically({{dir.file("link.obj"), "through"}});
    EXPECT_TRUE(S_ISLNK(modeOf(dir.file("link.obj"))));
    EXPECT_TRUE(S_ISLNK(modeOf(dir.file("hop.obj"))));
    EXPECT_EQ(dir.read("real/target.obj"), "through");
    // No temporary file is left in either folder.
    EXPECT_EQ(dir.countStartingWith(".pwtmp"), 0);

    // A dangling link gets its target created.
    fs::create_symlink("real/new.obj", dir.file("dangling.obj"));
    brontle::writeFilesAtomically({{dir.file("dangling.obj"), "created"}});
    EXPECT_EQ(dir.read("real/new.obj"), "created");
    EXPECT_TRUE(S_ISLNK(modeOf(dir.file("dangling.obj"))));

    // A name of 246 characters, legal on the file system, is written.
    const std::string longName(242, 'n');
    brontle::writeFilesAtomically({{dir.file(longName + ".obj"), "long"}});
    EXPECT_EQ(dir.read(longName + ".obj"), "long");
}

TEST(ReplaceFile, RefusesWhatIsNotARegularFileBeforeWritingAnything) {
    ScratchDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.mtl").c_str(), 0600), 0);
    dir.write("out.obj", "old");
    const std::string message = errorOf([&] {
        brontle::writeFilesAtomically({{dir.file("out.obj"), "new"}, {dir.file("pipe.mtl"), "x"}});
    });
    EXPECT_EQ(message, dir.file("pipe.mtl") +
                           ": it is a FIFO (named pipe), not a regular file; it was left alone");
    EXPECT_TRUE(fs::is_fifo(dir.file("pipe.mtl")));
    EXPECT_EQ(dir.read("out.obj"), "old");
    EXPECT_EQ(dir.countStartingWith(".pwtmp"), 0);

    // A link to a device is refused, not replaced by a plain file.
    fs::create_symlink("/dev/null", dir.file("null.obj"));
    EXPECT_NE(errorOf([&] {
                  brontle::writeFilesAtomically({{dir.file("null.obj"), "x"}});
              }).find("it is a device"),
              std::string::npos);
    EXPECT_TRUE(S_ISLNK(modeOf(dir.file("null.obj"))));
    EXPECT_TRUE(S_ISCHR(modeOf("/dev/null")));

    // The same checks before any work.
    EXPECT_NE(
        errorOf([&] { brontle::checkReplaceable(dir.file("pipe.mtl"), "test"); }).find("FIFO"),
        std::string::npos);
    EXPECT_NE(errorOf([&] {
                  brontle::checkReplaceable(dir.file("none/out.obj"), "test");
              }).find("does not exist"),
              std::string::npos);
    fs::create_directory(dir.file("folder.obj"));
    EXPECT_EQ(errorOf([&] { brontle::checkReplaceable(dir.file("folder.obj"), "test"); }),
              dir.file("folder.obj") + ": a folder of that name is in the way");
}

TEST(ReplaceFile, AWriteThatFailsHalfwayLeavesTheOldFileAndNothingBeside) {
    ScratchDir dir;
    dir.write("out.obj", "old");
    // A file-size limit makes the write fail after its first bytes (EFBIG), as a full disk does;
    // the signal that limit raises is ignored so that write() reports it instead.
    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string message = errorOf([&] {
        brontle::writeFilesAtomically({{dir.file("out.obj"), std::string(5000, 'x')}});
    });
    const std::string other =
        errorOf([&] { brontle::writeBmpFile(dir.file("big.bmp"), brontle::Image(64, 64)); });
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(message, dir.file("out.obj") + ": " + std::strerror(EFBIG));
    EXPECT_EQ(other, dir.file("big.bmp") + ": " + std::strerror(EFBIG));
    EXPECT_EQ(dir.read("out.obj"), "old");
    EXPECT_FALSE(fs::exists(dir.file("big.bmp")));
    EXPECT_EQ(dir.countStartingWith(".pwtmp"), 0);

    // A missing folder is named as such, and nothing is created.
    EXPECT_EQ(errorOf([&] { brontle::writeBmpFile(dir.file("none/x.bmp"), brontle::Image(2, 2)); }),
              dir.file("none/x.bmp") + ": the folder does not exist");
    EXPECT_FALSE(fs::exists(dir.file("none")));
}

TEST(ReplaceFile, StaleTemporaryFilesOfEndedRunsAreRemoved) {
    ScratchDir dir;
    // A process id that is certainly not running: a child that has ended and been reaped.
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    const std::string dead = ".pwtmp-" + std::to_string(child) + "-0";
    const std::string deadScratch = ".pwtmp-" + std::to_string(child) + "-3.bmp";
    const std::string alive = ".pwtmp-" + std::to_string(getppid()) + "-0";
    dir.write(dead, std::string(1000, 'x'));
    dir.write(deadScratch, "x");
    dir.write(alive, "x");
    dir.write(".pwtmpfoo", "x"); // not our name: left alone
    EXPECT_TRUE(brontle::isTemporaryName(dead));
    EXPECT_TRUE(brontle::isTemporaryName(deadScratch));
    EXPECT_FALSE(brontle::isTemporaryName(".pwtmpfoo"));
    EXPECT_FALSE(brontle::isTemporaryName(".pwtmp--1"));

    brontle::writeFilesAtomically({{dir.file("out.obj"), "new"}});
    EXPECT_FALSE(fs::exists(dir.file(dead)));
    EXPECT_FALSE(fs::exists(dir.file(deadScratch)));
    EXPECT_TRUE(fs::exists(dir.file(alive)));
    EXPECT_TRUE(fs::exists(dir.file(".pwtmpfoo")));
    EXPECT_EQ(dir.read("out.obj"), "new");
}

TEST(ReplaceFile, EachFormatNamesTheFilesItReplaces) {
    EXPECT_EQ(brontle::meshOutputFiles("/a/b.OBJ"),
              (std::vector<std::string>{"/a/b.mtl", "/a/b.OBJ"}));
    EXPECT_EQ(brontle::meshOutputFiles("b.gltf"), (std::vector<std::string>{"b.bin", "b.gltf"}));
    EXPECT_EQ(brontle::meshOutputFiles("b.glb"), (std::vector<std::string>{"b.glb"}));
    EXPECT_EQ(errorOf([] { brontle::meshOutputFiles("dir/b.ply"); }),
              "b.ply: unsupported format; save as .obj, .gltf or .glb");
}

} // namespace
