// The mesh readers at their exact limits: a PLY face index equal to the vertex count (one past
// the last vertex) is refused by the shape builder, and an OFF face of the largest corner count
// the reader keeps loads while one corner more is refused.
#include "IoTestSupport.h"
#include "LiteralMeshes.h"

#include "brontle/io/MeshFile.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Shape.h"

#include <cmath>
#include <string>

namespace {

using namespace brontle;
using namespace iotest;

// A convex OFF polygon of `corners` corners on the unit circle.
std::string offPolygon(int corners) {
    std::string text = "OFF\n" + std::to_string(corners) + " 1 0\n";
    for (int k = 0; k < corners; ++k) {
        const double a = 2.0 * 3.141592653589793 * k / corners;
        text += std::to_string(std::cos(a)) + " " + std::to_string(std::sin(a)) + " 0\n";
    }
    text += std::to_string(corners);
    for (int k = 0; k < corners; ++k) {
        text += " " + std::to_string(k);
    }
    return text + "\n";
}

TEST(MeshFileLimits, APlyFaceIndexEqualToTheVertexCountIsRefused) {
    TempFolder dir;
    // The tile has 5 vertices, 0 to 4; its triangle uses vertex 4, the last one.
    std::string last = tilePlyAscii();
    writeFile(dir.file("last.ply"), last);
    auto scene = newScene();
    EXPECT_NO_THROW(loadMeshFile(dir.file("last.ply"), *scene));

    std::string past = tilePlyAscii();
    past.replace(past.find("3 1 4 2"), 7, "3 1 5 2");
    writeFile(dir.file("past.ply"), past);
    const Error error = errorOf([&] { loadMeshFile(dir.file("past.ply"), *scene); });
    EXPECT_EQ(error.number(), ErrorNumber::HostFileUnreadable);
    EXPECT_EQ(error.description().rfind("past.ply: ", 0), 0u) << error.description();
    EXPECT_NE(error.description().find("uses vertex 5"), std::string::npos) << error.description();
}

TEST(MeshFileLimits, AnOffFaceOfNineCornersLoadsAndOneOfTenIsRefused) {
    TempFolder dir;
    writeFile(dir.file("nine.off"), offPolygon(9));
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("nine.off"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    ASSERT_EQ(loaded.shapes[0]->GetPolygonCount(), 1);
    EXPECT_EQ(loaded.shapes[0]->GetPolygon(0).GetCornerCount(), 9);

    writeFile(dir.file("ten.off"), offPolygon(10));
    const Error error = errorOf([&] { loadMeshFile(dir.file("ten.off"), *scene); });
    EXPECT_EQ(error.number(), ErrorNumber::HostFileUnreadable);
    EXPECT_EQ(error.description(),
              "ten.off: OFF face 0 has 10 corners; OFF faces are read with at most 9");
}

} // namespace
