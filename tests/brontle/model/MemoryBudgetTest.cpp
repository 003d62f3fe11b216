// Work too large for the memory the host may use is refused before it starts, with a message
// that says how much it needs and how much there is, and leaves the shape as it was.

#include "brontle/model/MemoryBudget.h"
#include "brontle/core/Error.h"

#include "../../support/ModelBuilders.h"
#include "support/MemoryLimit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testing_shapes;

constexpr std::uint64_t kMegabyte = 1u << 20;

using testing_support::MemoryLimit;

TEST(MemoryBudget, TheLimitCapsWhatIsAvailableAndBadValuesAreIgnored) {
    std::uint64_t system = 0;
    {
        MemoryLimit none("");
        system = brontle::availableMemoryBytes();
    }
    ASSERT_GT(system, 64 * kMegabyte);
    {
        MemoryLimit limit("64");
        EXPECT_EQ(brontle::availableMemoryBytes(), 64 * kMegabyte);
    }
    // A limit above what the machine has does not add memory.
    {
        MemoryLimit limit("1000000000");
        EXPECT_LE(brontle::availableMemoryBytes(), system + system / 4);
    }
    for (const char* bad : {"abc", "0", "-5", "12MB", " 12", "99999999999999999999999"}) {
        MemoryLimit limit(bad);
        EXPECT_GT(brontle::availableMemoryBytes(), 64 * kMegabyte) << bad;
    }
}

TEST(MemoryBudget, RequireMemoryNamesTheWorkWhatItNeedsAndWhatIsAvailable) {
    MemoryLimit limit("3");
    EXPECT_NO_THROW(brontle::requireMemory(3 * kMegabyte, "Small work", "test"));
    try {
        brontle::requireMemory(3 * kMegabyte + 1, "Loading big.obj", "loadMeshFile");
        ADD_FAILURE() << "no error";
    } catch (const brontle::Error& e) {
        EXPECT_EQ(e.number(), brontle::ErrorNumber::OutOfMemory);
        EXPECT_EQ(e.description(),
                  "Loading big.obj needs about 4 MB of memory, but only 3 MB is available");
        EXPECT_EQ(e.source(), "loadMeshFile");
    }
}

// A 40 x 40 quad grid: 3,200 triangles, which the atlas needs well over 1 MB for.
TEST(MemoryBudget, AnAtlasTooLargeForTheLimitLeavesTheShapeUnchanged) {
    const ShapePtr shape = quadGrid(40, 40);
    const auto texcoords = shape->texcoords();
    const auto cornerTexCoord = shape->cornerTexCoord();
    const DeviceID device = newDeviceID();
    std::int32_t charts = -1;
    {
        MemoryLimit limit("1");
        try {
            shape->GenerateAtlas(device, 0, 0, 4, 256, 256, charts);
            ADD_FAILURE() << "no error";
        } catch (const brontle::Error& e) {
            EXPECT_EQ(e.number(), brontle::ErrorNumber::OutOfMemory);
            EXPECT_EQ(e.description().rfind("The atlas of 1600 polygons needs about ", 0), 0u)
                << e.description();
            EXPECT_NE(e.description().find(" MB of memory, but only 1 MB is available"),
                      std::string::npos)
                << e.description();
        }
        EXPECT_EQ(charts, -1);
        EXPECT_EQ(shape->texcoords(), texcoords);
        EXPECT_EQ(shape->cornerTexCoord(), cornerTexCoord);
    }
    // With room, the same call unwraps the grid.
    shape->GenerateAtlas(device, 0, 0, 4, 256, 256, charts);
    EXPECT_GE(charts, 1);
    EXPECT_NE(shape->cornerTexCoord(), cornerTexCoord);
}

} // namespace
