// peelwise-unwrap run as a user runs it, on the files around the mesh: what a failed run leaves,
// what is refused, repaired and reported, and what the written files hold.

#include "support/ChildProcess.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include <sys/stat.h>

namespace {

using peelwise::test::ChildOptions;
using peelwise::test::ChildResult;
using peelwise::test::describe;
using peelwise::test::runChild;
using peelwise::test::ScratchDir;
namespace fs = std::filesystem;

const std::string kTool = PEELWISE_BIN_DIR "/peelwise-unwrap";

ChildResult unwrap(const ScratchDir& dir, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), kTool);
    ChildOptions options;
    options.folder = dir.path().string();
    return runChild(arguments, options);
}

// Two quads side by side, using the material library lib.mtl and its material Brick.
const char* kQuads = "mtllib lib.mtl\n"
                     "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\n"
                     "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                     "usemtl Brick\nf 1/1 2/2 3/3 4/4\nf 2/1 5/2 6/3 3/4\n";
const char* kLibrary = "newmtl Brick\nKd 0.5 0.2 0.1\n";

// Lines of `text` starting with `keyword` and a space.
std::vector<std::string> linesOf(const std::string& text, const std::string& keyword) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(keyword + " ", 0) == 0) {
            out.push_back(line);
        }
    }
    return out;
}

TEST(UnwrapFiles, FailedRunChangesNoFileAndFailsBeforeAnyWork) {
    ScratchDir dir;
    dir.write("in.obj", kQuads);
    dir.write("lib.mtl", kLibrary);
    dir.write("keep.bmp", "KEEP");

    // An output extension no writer takes: refused at once, the texture untouched.
    ChildResult r = unwrap(dir, {"in.obj", "out.xyz", "--texture", "keep.bmp"});
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("out.xyz: unsupported format"), std::string::npos) << r.err;
    EXPECT_TRUE(dir.read("keep.bmp") == "KEEP") << "keep.bmp was replaced";

    // The .mtl the output needs is a folder: the texture is not written either.
    fs::create_directory(dir.file("out.mtl"));
    r = unwrap(dir, {"in.obj", "out.obj", "--texture", "keep.bmp"});
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("out.mtl: a folder of that name is in the way"), std::string::npos)
        << r.err;
    EXPECT_TRUE(dir.read("keep.bmp") == "KEEP") << "keep.bmp was replaced";
    EXPECT_FALSE(fs::exists(dir.file("out.obj")));

    // A folder that is not there.
    r = unwrap(dir, {"in.obj", "missing/out.obj"});
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;

    // An output that is a FIFO stays a FIFO (and nobody blocks on it).
    ASSERT_EQ(mkfifo(dir.file("pipe.obj").c_str(), 0600), 0);
    r = unwrap(dir, {"in.obj", "pipe.obj"});
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("pipe.obj: it is a FIFO"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_fifo(dir.file("pipe.obj")));
    EXPECT_EQ(dir.countStartingWith(".pwtmp"), 0);
}

TEST(UnwrapFiles, RepeatedCornersAreRepairedAndEveryLossIsReported) {
    ScratchDir dir;
    // Four squares apart: a clean one, one with a corner repeated (f 5 6 6 7 8), one whose two
    // corners are different indices at one position (10 and 13), a clean one; and a triangle
    // with only 2 distinct corners, which cannot be kept. Its material's texture is missing.
    std::string obj = "mtllib lib.mtl\nusemtl Brick\n";
    for (int s = 0; s < 4; ++s) {
        const int x = 2 * s;
        obj += "v " + std::to_string(x) + " 0 0\nv " + std::to_string(x + 1) + " 0 0\nv " +
               std::to_string(x + 1) + " 1 0\nv " + std::to_string(x) + " 1 0\n";
    }
    obj += "v 3 0 0\n"; // vertex 17: the position of vertex 6
    obj += "f 1 2 3 4\nf 5 6 6 7 8\nf 9 10 11 12 10\nf 13 14 15 16\nf 1 1 2\nf 5 17 6 7 8\n";
    dir.write("in.obj", obj);
    dir.write("lib.mtl", "newmtl Brick\nmap_Kd missing.bmp\n");

    ChildResult r = unwrap(dir, {"in.obj", "out.obj"});
    ASSERT_EQ(r.status, 0) << describe(r);
    EXPECT_EQ(linesOf(dir.read("out.obj"), "f").size(), 5u);
    EXPECT_NE(r.err.find("warning: polygons with repeated corners were repaired (the repeats "
                         "removed) (3)"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("warning: polygons with fewer than 3 distinct corners were left out (1)"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("missing.bmp was not found"), std::string::npos) << r.err;

    r = unwrap(dir, {"in.obj", "out.obj", "--json"});
    ASSERT_EQ(r.status, 0) << describe(r);
    const nlohmann::json report = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_TRUE(report.is_object() && report.contains("warnings")) << r.out;
    ASSERT_EQ(report["warnings"].size(), 3u) << r.out;
    EXPECT_EQ(report["warnings"][0]["count"], 3);
    EXPECT_EQ(report["warnings"][1]["count"], 1);
    EXPECT_NE(report["warnings"][2]["message"].get<std::string>().find("missing.bmp"),
              std::string::npos);

    // A failed run still prints one JSON object, with the error.
    r = unwrap(dir, {"absent.obj", "out.obj", "--json"});
    EXPECT_EQ(r.status, 1) << describe(r);
    const nlohmann::json failed = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_TRUE(failed.is_object()) << r.out;
    EXPECT_EQ(failed.value("file", ""), "absent.obj");
    EXPECT_EQ(failed.value("error", ""), "absent.obj: no such file");
}

TEST(UnwrapFiles, TheInputAndTheFilesItUsesAreNotWrittenOverWithoutForce) {
    ScratchDir dir;
    dir.write("in.obj", kQuads);
    dir.write("lib.mtl", kLibrary);
    fs::create_symlink("in.obj", dir.file("alias.obj"));

    ChildResult r = unwrap(dir, {"in.obj", "in.obj"});
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("in.obj: this is the input file"), std::string::npos) << r.err;
    r = unwrap(dir, {"in.obj", "alias.obj"});
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("this is the input file"), std::string::npos) << r.err;
    EXPECT_EQ(dir.read("in.obj"), kQuads);

    // lib.obj would write lib.mtl, the input's material library.
    r = unwrap(dir, {"in.obj", "lib.obj"});
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("lib.mtl: the input uses this file"), std::string::npos) << r.err;
    EXPECT_EQ(dir.read("lib.mtl"), kLibrary);
    EXPECT_FALSE(fs::exists(dir.file("lib.obj")));

    // An image the library names is the input's too, even one this program cannot read.
    dir.write("lib.mtl", std::string(kLibrary) + "map_Kd paint.bmp\n");
    dir.write("paint.bmp", "not an image");
    r = unwrap(dir, {"in.obj", "out.obj", "--texture", "paint.bmp", "--size", "64"});
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_NE(r.err.find("paint.bmp: the input uses this file"), std::string::npos) << r.err;
    EXPECT_EQ(dir.read("paint.bmp"), "not an image");
    dir.write("lib.mtl", kLibrary);

    // --force allows it; the material keeps its name.
    r = unwrap(dir, {"in.obj", "lib.obj", "--force"});
    ASSERT_EQ(r.status, 0) << describe(r);
    EXPECT_NE(dir.read("lib.mtl").find("newmtl Brick\n"), std::string::npos) << dir.read("lib.mtl");
    EXPECT_NE(dir.read("lib.obj").find("usemtl Brick\n"), std::string::npos);
}

// Every `vt` of an OBJ within [0, 1]^2, and every one used by a polygon.
void expectTexcoordsInsideAndUsed(const std::string& obj) {
    const auto vts = linesOf(obj, "vt");
    ASSERT_FALSE(vts.empty());
    for (const std::string& line : vts) {
        std::istringstream in(line.substr(3));
        float u = -1, v = -1;
        in >> u >> v;
        EXPECT_TRUE(u >= 0.0f && u <= 1.0f && v >= 0.0f && v <= 1.0f) << line;
    }
    std::set<int> used;
    for (const std::string& face : linesOf(obj, "f")) {
        std::istringstream in(face.substr(2));
        std::string corner;
        while (in >> corner) {
            used.insert(std::stoi(corner.substr(corner.find('/') + 1)));
        }
    }
    EXPECT_EQ(used.size(), vts.size());
    EXPECT_EQ(*used.begin(), 1);
    EXPECT_EQ(*used.rbegin(), static_cast<int>(vts.size()));
}

TEST(UnwrapFiles, WrittenTextureCoordinatesLieInTheTextureAndGltfTexturesArePng) {
    ScratchDir dir;
    dir.write("in.obj", kQuads);
    dir.write("lib.mtl", kLibrary);
    ChildResult r = unwrap(dir, {"in.obj", "out.obj", "--texture", "t.bmp", "--size", "64"});
    ASSERT_EQ(r.status, 0) << describe(r);
    expectTexcoordsInsideAndUsed(dir.read("out.obj"));
    EXPECT_EQ(dir.read("t.bmp").substr(0, 2), "BM");
    EXPECT_NE(dir.read("out.mtl").find("map_Kd t.bmp"), std::string::npos);
    // The texture's material takes the name of the one it replaces.
    EXPECT_NE(dir.read("out.mtl").find("newmtl Brick\n"), std::string::npos) << dir.read("out.mtl");
    // Qt's run-time folder chatter stays off standard error.
    EXPECT_EQ(r.err.find("QStandardPaths"), std::string::npos) << r.err;

    r = unwrap(dir, {"in.obj", "out.gltf", "--texture", "t.bmp", "--size", "64"});
    ASSERT_EQ(r.status, 0) << describe(r);
    EXPECT_EQ(dir.read("t.png").substr(0, 8), std::string("\x89PNG\r\n\x1a\n"));
    const nlohmann::json gltf = nlohmann::json::parse(dir.read("out.gltf"), nullptr, false);
    ASSERT_TRUE(gltf.is_object() && gltf.contains("images"));
    ASSERT_EQ(gltf["images"].size(), 1u);
    EXPECT_EQ(gltf["images"][0]["uri"], "t.png");

    ChildOptions slow;
    slow.seconds = 600; // the first run installs the validator
    const ChildResult check =
        runChild({"/bin/sh", PEELWISE_TEST_SOURCE "/validate_gltf.sh",
                  PEELWISE_BIN_DIR "/../gltf-validator", dir.file("out.gltf")},
                 slow);
    if (check.status == 77) {
        GTEST_SKIP() << "the glTF validator needs npm and node: " << check.err;
    }
    ASSERT_EQ(check.status, 0) << describe(check);
    EXPECT_NE(check.out.find("errors=0 image_issues=0"), std::string::npos) << check.out;
}

TEST(UnwrapFiles, SharedAtlasWritesOneTextureForAllShapes) {
    ScratchDir dir;
    dir.write("in.obj", "o a\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n"
                        "o b\nv 0 0 1\nv 1 0 1\nv 1 1 1\nf 4 5 6\n"
                        "o c\nv 0 0 2\nv 1 0 2\nv 1 1 2\nf 7 8 9\n");
    ChildResult r = unwrap(dir, {"in.obj", "out.obj", "--texture", "t.bmp", "--size", "64",
                                 "--shared-atlas", "--progress"});
    ASSERT_EQ(r.status, 0) << describe(r);
    EXPECT_TRUE(fs::exists(dir.file("t.bmp")));
    EXPECT_FALSE(fs::exists(dir.file("t-1.bmp")));
    const std::string obj = dir.read("out.obj");
    EXPECT_EQ(linesOf(obj, "o").size(), 3u);
    EXPECT_EQ(linesOf(obj, "f").size(), 3u);
    expectTexcoordsInsideAndUsed(obj);
    // Each shape got its own polygon back: the vertices under "o b" are those at z = 1.
    {
        std::istringstream in(obj);
        std::string line, shape;
        int checked = 0;
        while (std::getline(in, line)) {
            if (line.rfind("o ", 0) == 0) {
                shape = line.substr(2);
            }
            float x = 0, y = 0, z = -1;
            if (std::sscanf(line.c_str(), "v %f %f %f", &x, &y, &z) == 3) {
                EXPECT_EQ(z, float(shape[0] - 'a')) << shape << ": " << line;
                ++checked;
            }
        }
        EXPECT_EQ(checked, 9);
    }
    // The three triangles' texture coordinates do not coincide: one atlas, three charts.
    std::set<std::string> distinct;
    for (const std::string& vt : linesOf(obj, "vt")) {
        distinct.insert(vt);
    }
    EXPECT_GE(distinct.size(), 7u);
    // Line progress for a log: the stages and the shapes.
    EXPECT_NE(r.err.find("peelwise-unwrap: loading in.obj"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("peelwise-unwrap: shape 1 of 1: 100%"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("peelwise-unwrap: writing out.obj"), std::string::npos) << r.err;

    r = unwrap(dir, {"in.obj", "each.obj", "--progress"});
    ASSERT_EQ(r.status, 0) << describe(r);
    EXPECT_NE(r.err.find("shape 3 of 3: 100%"), std::string::npos) << r.err;
}

TEST(UnwrapFiles, CommandLineSaysWhatItDoesAndNamesAreEscaped) {
    ScratchDir dir;
    ChildResult r = unwrap(dir, {"--version"});
    EXPECT_EQ(r.status, 0) << describe(r);
    EXPECT_EQ(r.out.rfind("peelwise-unwrap ", 0), 0u) << r.out;

    r = unwrap(dir, {"--help"});
    EXPECT_EQ(r.status, 0) << describe(r);
    EXPECT_NE(r.out.find("larger gives fewer, more stretched charts"), std::string::npos);
    // The defaults: factor 4, a texture of 1024 x 1024, the stretch factor type.
    EXPECT_NE(r.out.find("[1 - 100]=4\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[64 - 2048]=1024"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{stretch,charts}=stretch"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Exit status: 0 done"), std::string::npos) << r.out;

    r = unwrap(dir, {"in.obj", "out.obj", "--factor", "0"});
    EXPECT_EQ(r.status, 2) << describe(r);

    // A name with a terminal escape and a line break is printed escaped, never raw.
    dir.write("in.obj", "o bad\x1b[2Jname\x07x\nv 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n");
    r = unwrap(dir, {"in.obj", "out.obj"});
    ASSERT_EQ(r.status, 0) << describe(r);
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("bad\\x1b[2Jname\\x07x"), std::string::npos) << r.out;
}

} // namespace
