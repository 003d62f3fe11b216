// Drag steps of the UV view: totals from the base positions, per-point locks, the clamp, the
// texture coordinates that follow, the tripled scale factor, and the read-out texts.
#include "UVLayoutFixture.h"

#include "peelwise/uv/ApplyDragMove.h"
#include "peelwise/uv/ApplyDragScale.h"
#include "peelwise/uv/ReadoutLabels.h"

#include "brontle/core/Error.h"

#include <gtest/gtest.h>

using namespace brontle;
using namespace peelwise::modUV;
using uv_testing::listOf;

namespace {

struct DragFixture : ::testing::Test {
    // Four points; point i stands for texture coordinate 3 - i.
    std::vector<Vector3> base = {
        {0.9f, 0.5f, 0}, {0.2f, 0.2f, 0}, {0.4f, 0.6f, 0}, {0.5f, 0.5f, 0}};
    std::vector<std::int32_t> table = {3, 2, 1, 0};
    std::vector<Vector2> texcoords = {
        {-0.5f, -0.5f}, {-0.6f, -0.6f}, {-0.8f, -0.2f}, {-0.1f, -0.5f}};
    std::vector<Vector3> positions;
    AxisLock free = [] { return false; };
    AxisLock locked = [] { return true; };
};

} // namespace

TEST_F(DragFixture, DragBeyondTheRightEdgeStopsAtOneAndTheTextureCoordinateFollows) {
    const DragResult r =
        applyDragMove(base, listOf({0}), 0.3f, 0.1f, free, free, positions, texcoords, table);
    EXPECT_EQ(positions[0], (Vector3{1.0f, 0.5f + 0.1f, 0}));
    EXPECT_EQ(texcoords[3], (Vector2{0.0f, -(0.5f + 0.1f)}));
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.single, positions[0]);
    // Unselected points keep their base positions and texture coordinates.
    EXPECT_EQ(positions[1], base[1]);
    EXPECT_EQ(texcoords[2], (Vector2{-0.8f, -0.2f}));
    // Below zero and above one on y too.
    applyDragMove(base, listOf({1, 2}), -0.5f, 0.5f, free, free, positions, texcoords, table);
    EXPECT_EQ(positions[1], (Vector3{0.0f, 0.2f + 0.5f, 0}));
    EXPECT_EQ(positions[2], (Vector3{0.0f, 1.0f, 0}));
    EXPECT_EQ(texcoords[1], (Vector2{-1.0f, -1.0f}));
}

TEST_F(DragFixture, LocksAreAskedAgainForEveryPoint) {
    int asked = 0;
    // The lock flips while the step runs, as a key pressed mid-step would.
    AxisLock flipping = [&asked] { return asked++ % 2 == 1; };
    applyDragMove(base, listOf({1, 2, 3}), 0.1f, 0.1f, flipping, free, positions, texcoords, table);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(positions[1].x, 0.2f + 0.1f);
    EXPECT_EQ(positions[2].x, 0.4f) << "x locked for the second point only";
    EXPECT_EQ(positions[3].x, 0.5f + 0.1f);
    applyDragMove(base, listOf({1}), 0.1f, 0.1f, locked, free, positions, texcoords, table);
    EXPECT_EQ(positions[1], (Vector3{0.2f, 0.2f + 0.1f, 0}));
    applyDragMove(base, listOf({1}), 0.1f, 0.1f, free, locked, positions, texcoords, table);
    EXPECT_EQ(positions[1], (Vector3{0.2f + 0.1f, 0.2f, 0}));
}

TEST_F(DragFixture, ScaleClampsAndHonoursLocks) {
    applyDragScale(base, listOf({0, 1}), 2.0f, 2.0f, free, locked, positions, texcoords, table);
    EXPECT_EQ(positions[0].x, 1.0f);
    EXPECT_EQ(positions[1].x, 0.0f);
    EXPECT_EQ(positions[0].y, 0.5f);
    EXPECT_EQ(positions[1].y, 0.2f);
}

TEST_F(DragFixture, EmptySelectionChangesNothing) {
    const auto before = texcoords;
    DragResult r = applyDragScale(base, {}, 1.5f, 0.5f, free, free, positions, texcoords, table);
    EXPECT_EQ(positions, base);
    EXPECT_EQ(texcoords, before);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(scaleReadout(r.fx, r.fy), (Readout{"Scale X: 2.500", "Y: -0.500"}));
    r = applyDragMove(base, {}, 0.5f, 0.5f, free, free, positions, texcoords, table);
    EXPECT_EQ(positions, base);
    EXPECT_EQ(texcoords, before);
}

TEST_F(DragFixture, ReadoutShowsThePointForOneAndTheMoveForSeveral) {
    DragResult r =
        applyDragMove(base, listOf({2}), 0.05f, 0.05f, free, free, positions, texcoords, table);
    // One point: its position, V = 1 - y.
    EXPECT_EQ(dragMoveReadout(r, 0.05f, 0.05f, 0.0f), (Readout{"Position X: 0.450", "Y: 0.350"}));
    r = applyDragMove(base, listOf({2, 3}), 0.05f, 0.05f, free, free, positions, texcoords, table);
    EXPECT_EQ(dragMoveReadout(r, 0.05f, 0.05f, 0.0f), (Readout{"Move X: 0.050", "Y: -0.050"}));
    // The drag's first step (all deltas zero) leaves the labels.
    EXPECT_EQ(dragMoveReadout(r, 0.0f, 0.0f, 0.0f), std::nullopt);
    EXPECT_EQ(positionReadout({0.25f, 0.25f, 0}, ','), (Readout{"Position X: 0,250", "Y: 0,750"}));
}

TEST_F(DragFixture, BadPointIsReportedBeforeWriting) {
    const auto before = texcoords;
    EXPECT_THROW(
        applyDragMove(base, listOf({1, 7}), 0.1f, 0, free, free, positions, texcoords, table),
        Error);
    std::vector<std::int32_t> bad = {3, 2, 9, 0};
    try {
        applyDragScale(base, listOf({2}), 1.1f, 1.1f, free, free, positions, texcoords, bad);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::SubscriptOutOfRange);
        EXPECT_EQ(e.source(), "modUV");
        EXPECT_EQ(e.description(), "Drag: UV point 2 stands for texture coordinate 9, which the "
                                   "atlas shape does not have");
    }
    EXPECT_EQ(texcoords, before);
}
