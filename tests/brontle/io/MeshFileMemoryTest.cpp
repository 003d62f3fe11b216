// A mesh file too large for the memory the host may use is refused before any reader runs,
// with the memory it would need, and nothing of it is created.

#include "IoTestSupport.h"
#include "LiteralMeshes.h"
#include "support/MemoryLimit.h"
#include "support/ObjGrid.h"

#include "brontle/io/MeshFile.h"
#include "brontle/model/Shape.h"

namespace {

using namespace iotest;

constexpr std::uint64_t kMegabyte = 1u << 20;

using testing_support::MemoryLimit;

std::uint64_t megabytesUp(std::uint64_t bytes) {
    return (bytes + kMegabyte - 1) / kMegabyte;
}

TEST(MeshFileMemory, AFileTooLargeForTheLimitIsRefusedBeforeReading) {
    TempFolder folder;
    const std::string path = folder.file("grid.obj");
    const std::string text = mesh_literals::objQuadGrid(150);
    writeFile(path, text);
    // Text formats take about nine bytes of memory per byte of file while loading.
    const std::uint64_t needed = megabytesUp(text.size() * 9);
    ASSERT_GE(needed, 2u);

    auto scene = newScene();
    const std::int32_t keyBefore = materialKeyNow();
    {
        MemoryLimit limit(std::to_string(needed - 1));
        const brontle::Error e = errorOf([&] { brontle::loadMeshFile(path, *scene); });
        EXPECT_EQ(e.number(), brontle::ErrorNumber::OutOfMemory);
        EXPECT_EQ(e.description(), "Loading grid.obj needs about " + std::to_string(needed) +
                                       " MB of memory, but only " + std::to_string(needed - 1) +
                                       " MB is available");
        EXPECT_EQ(e.source(), "loadMeshFile");
    }
    // Nothing was made: the next material key follows the one made before the load.
    EXPECT_EQ(materialKeyNow(), keyBefore + 1);

    MemoryLimit enough(std::to_string(needed));
    const brontle::LoadedScene loaded = brontle::loadMeshFile(path, *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    EXPECT_EQ(loaded.shapes[0]->GetPolygonCount(), 150 * 150);
}

// A .gltf holds its geometry in buffers; their declared length decides, whether or not the
// buffer file is there (the estimate comes before any reading).
TEST(MeshFileMemory, GltfBuffersCountByTheirDeclaredLength) {
    TempFolder folder;
    writeFile(folder.file("quad.bin"), quadGltfBuffer());
    writeFile(folder.file("quad.gltf"), quadGltfJson("quad.bin"));
    std::string huge = quadGltfJson("huge.bin");
    const std::string declared = "\"byteLength\":140}";
    huge.replace(huge.find(declared), declared.size(), "\"byteLength\":200000000}");
    writeFile(folder.file("huge.gltf"), huge);

    auto scene = newScene();
    MemoryLimit limit("100");
    const brontle::Error e =
        errorOf([&] { brontle::loadMeshFile(folder.file("huge.gltf"), *scene); });
    EXPECT_EQ(e.number(), brontle::ErrorNumber::OutOfMemory);
    const std::uint64_t needed = megabytesUp(huge.size() * 9 + 200000000ull * 16);
    EXPECT_EQ(e.description(), "Loading huge.gltf needs about " + std::to_string(needed) +
                                   " MB of memory, but only 100 MB is available");

    const brontle::LoadedScene loaded = brontle::loadMeshFile(folder.file("quad.gltf"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    EXPECT_EQ(loaded.shapes[0]->GetPolygonCount(), 2);
}

} // namespace
