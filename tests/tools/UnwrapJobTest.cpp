// The headless unwrap: options checked, every shape unwrapped and written, report complete.
#include "tools/peelwise_unwrap/UnwrapJob.h"

#include "brontle/core/Error.h"
#include "brontle/io/MeshFile.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

using namespace peelwise::tools;
namespace fs = std::filesystem;

namespace {

fs::path folder(const char* name) {
    fs::path dir = fs::temp_directory_path() / (std::string("peelwise_unwrap_") + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Two objects: a flat-shaded cube (explicit face normals) and a 4 x 4 quad grid.
void writeTwoObjects(const fs::path& file) {
    std::ofstream out(file);
    out << "o cube\n";
    const char* v[] = {"0 0 0", "1 0 0", "1 1 0", "0 1 0", "0 0 1", "1 0 1", "1 1 1", "0 1 1"};
    for (const char* p : v) {
        out << "v " << p << "\n";
    }
    out << "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn 1 0 0\nvn -1 0 0\n";
    out << "f 1//1 4//1 3//1 2//1\nf 5//2 6//2 7//2 8//2\nf 1//3 2//3 6//3 5//3\n"
           "f 3//4 4//4 8//4 7//4\nf 2//5 3//5 7//5 6//5\nf 1//6 5//6 8//6 4//6\n";
    out << "o grid\n";
    for (int y = 0; y <= 4; ++y) {
        for (int x = 0; x <= 4; ++x) {
            out << "v " << x + 3 << " " << y << " 0\n";
        }
    }
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const int a = 9 + y * 5 + x;
            out << "f " << a << " " << a + 1 << " " << a + 6 << " " << a + 5 << "\n";
        }
    }
}

} // namespace

TEST(UnwrapJob, UnwrapsEveryShapeAndReportsIt) {
    const fs::path dir = folder("two");
    writeTwoObjects(dir / "in.obj");
    UnwrapOptions options;
    options.seamsFromCreases = true;
    options.width = 300;
    options.height = 200;
    int calls = 0;
    double last = -1.0;
    const UnwrapReport report = unwrapFile((dir / "in.obj").string(), (dir / "out.obj").string(),
                                           options, [&](int shape, int count, double done) {
                                               EXPECT_EQ(count, 2);
                                               EXPECT_GE(shape + done, last);
                                               last = shape + done;
                                               ++calls;
                                           });
    ASSERT_EQ(report.shapes.size(), 2u);
    EXPECT_GT(calls, 1);
    const ShapeReport& cube = report.shapes[0];
    EXPECT_EQ(cube.name, "cube");
    EXPECT_EQ(cube.polygons, 6);
    EXPECT_EQ(cube.seams, 24) << "every edge of the flat cube, once from each side";
    EXPECT_EQ(cube.charts, 6);
    EXPECT_EQ(cube.overlaps, 0);
    EXPECT_EQ(report.shapes[1].polygons, 16);
    EXPECT_GT(report.shapes[1].utilisation, 0.3);

    // The written file holds both shapes with their new texture coordinates in [0, 1].
    auto scene = brontle::SceneGraph::create(nullptr);
    brontle::LoadedScene back = brontle::loadMeshFile((dir / "out.obj").string(), *scene);
    ASSERT_EQ(back.shapes.size(), 2u);
    EXPECT_EQ(back.shapes[0]->GetPolygonCount(), 6);
    for (const auto& uv : back.shapes[1]->texcoords()) {
        EXPECT_GE(uv.u, 0.0f);
        EXPECT_LE(uv.u, 1.0f);
        EXPECT_GE(uv.v, 0.0f);
        EXPECT_LE(uv.v, 1.0f);
    }
    EXPECT_TRUE(fs::exists(dir / "out.mtl"));

    const nlohmann::json json = nlohmann::json::parse(toJson(report));
    EXPECT_EQ(json["file"], (dir / "in.obj").string());
    ASSERT_EQ(json["shapes"].size(), 2u);
    for (const char* key :
         {"name", "polygons", "charts", "utilisation", "stretch_l2", "stretch_linf",
          "area_ratio_p99", "flipped", "fallbacks", "overlaps", "seconds"}) {
        EXPECT_TRUE(json["shapes"][0].contains(key)) << key;
    }
    EXPECT_EQ(json["shapes"][0]["charts"], 6);
    // The cube's six faces lie flat as they are: no stretch, no mirrored triangle.
    EXPECT_NEAR(json["shapes"][0]["stretch_l2"].get<double>(), 1.0, 1e-3);
    EXPECT_NEAR(json["shapes"][0]["area_ratio_p99"].get<double>(), 1.0, 1e-2);
    EXPECT_EQ(json["shapes"][0]["flipped"], 0);
    EXPECT_EQ(json["shapes"][0]["fallbacks"], 0);
}

TEST(UnwrapJob, BadOptionsAndFilesLeaveTheOutputAlone) {
    const fs::path dir = folder("bad");
    writeTwoObjects(dir / "in.obj");
    { std::ofstream(dir / "out.obj") << "keep me\n"; }
    UnwrapOptions options;
    options.factor = 101;
    EXPECT_THROW(unwrapFile((dir / "in.obj").string(), (dir / "out.obj").string(), options),
                 brontle::Error);
    options.factor = 4;
    options.width = 63;
    EXPECT_THROW(unwrapFile((dir / "in.obj").string(), (dir / "out.obj").string(), options),
                 brontle::Error);
    options.width = 64;
    { std::ofstream(dir / "garbage.obj") << "v 1 2\nf 9 9 9\n"; }
    try {
        unwrapFile((dir / "garbage.obj").string(), (dir / "out.obj").string(), options);
        FAIL();
    } catch (const brontle::Error& e) {
        EXPECT_EQ(e.number(), brontle::ErrorNumber::HostFileUnreadable);
        EXPECT_NE(e.description().find("garbage.obj"), std::string::npos) << e.description();
    }
    std::ifstream kept(dir / "out.obj");
    std::string line;
    std::getline(kept, line);
    EXPECT_EQ(line, "keep me");
}
