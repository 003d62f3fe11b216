// The layout builder's tolerance grid gives the host's find-or-add answer (lowest index within
// 0.0001 per axis, boundary inclusive) with dense cells, hashed cells, or both.
#include "peelwise/uv/ToleranceGrid.h"

#include "brontle/model/Shape.h"

#include <gtest/gtest.h>

#include <random>

using namespace brontle;
using peelwise::modUV::ToleranceGrid;

TEST(ToleranceGrid, BoundaryIsInclusiveAndZIsCompared) {
    ToleranceGrid grid;
    EXPECT_EQ(grid.findOrAdd({0, 0, 0}), 0);
    EXPECT_EQ(grid.find({0.0001f, -0.0001f, 0}), 0);
    EXPECT_EQ(grid.find({0.00011f, 0, 0}), -1);
    EXPECT_EQ(grid.find({0, 0, 0.0002f}), -1);
    EXPECT_EQ(grid.findOrAdd({0.00005f, 0, 0}), 0);
    EXPECT_EQ(grid.size(), 1);
}

TEST(ToleranceGrid, AgreesWithTheHostsFindOrAddDenseOrHashed) {
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE("variant " + std::to_string(variant));
        std::mt19937 random(17 + variant);
        std::uniform_int_distribution<int> lattice(-20, 60);
        std::uniform_int_distribution<int> jitter(-4, 4);
        ToleranceGrid grid;
        // Variant 0: all hashed; 1: dense over the middle only, so points fall on both sides of
        // the region's edge; 2: dense over everything with wide cells (long chains).
        if (variant == 1) {
            grid.setDenseRegion(0.2f, 0.2f, 0.6f, 0.6f, 4000);
        } else if (variant == 2) {
            grid.setDenseRegion(-0.25f, -0.25f, 0.65f, 0.65f, 100);
        }
        ShapePtr host = Shape::create();
        for (int i = 0; i < 4000; ++i) {
            const Vector3 p{0.01f * lattice(random) + 0.00004f * jitter(random),
                            0.01f * lattice(random) + 0.00004f * jitter(random), 0.0f};
            ASSERT_EQ(grid.findOrAdd(p), host->AddVertex(p)) << "point " << i;
        }
        EXPECT_EQ(grid.points(), host->vertices());
        EXPECT_LT(grid.size(), 4000) << "the lattice makes points coincide";
    }
}

TEST(ToleranceGrid, LongThinRegionFallsBackToHashing) {
    ToleranceGrid grid;
    grid.setDenseRegion(0.0f, 0.0f, 1.0e6f, 0.0f, 10);
    EXPECT_EQ(grid.findOrAdd({500.0f, 0.0f, 0}), 0);
    EXPECT_EQ(grid.find({500.00005f, 0.00001f, 0}), 0);
    EXPECT_EQ(grid.findOrAdd({500.0002f, 0.0f, 0}), 1);
}
