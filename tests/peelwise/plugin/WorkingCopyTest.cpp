// The working copy and its write-back, without the dialog: which polygons the copy holds, the
// normalisation to 8 units and back, the write-back of a whole shape or of a polygon
// sub-selection, and the restore when the append fails.

#include "PluginTestShapes.h"

#include "peelwise/plugin/WorkingCopy.h"

#include "brontle/core/Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>

namespace {

using namespace plugin_testing;
using peelwise::WorkingCopy;

void expectBox(const BoundingBox& b, Vector3 low, Vector3 high, float tolerance) {
    EXPECT_NEAR(b.minX, low.x, tolerance);
    EXPECT_NEAR(b.minY, low.y, tolerance);
    EXPECT_NEAR(b.minZ, low.z, tolerance);
    EXPECT_NEAR(b.maxX, high.x, tolerance);
    EXPECT_NEAR(b.maxY, high.y, tolerance);
    EXPECT_NEAR(b.maxZ, high.z, tolerance);
}

TEST(WorkingCopy, HoldsOnlyTheSelectedPolygonsInSubSelectionOrder) {
    Scene scene;
    ShapePtr s = scene.selectPolygons(tenQuadRow(scene.graph->CreateShape()), {7, 2, 4});
    const ShapeSnapshot before = snapshot(*s, scene.device);

    const WorkingCopy copy = peelwise::makeWorkingCopy(*scene.graph, scene.device);

    EXPECT_EQ(copy.editedPolygons, (std::vector<std::int32_t>{7, 2, 4}));
    ASSERT_EQ(copy.shape->GetPolygonCount(), 3);
    // The copy keeps S's polygon order (2, 4, 7), told apart by their tags.
    EXPECT_EQ(copy.shape->polygonTag(), (std::vector<std::int32_t>{2, 4, 7}));
    // Its sub-selection in the view now names all three of its own polygons.
    EXPECT_EQ(copy.shape->GetSelectionType(scene.device), kSelectPolygons);
    EXPECT_EQ(copy.shape->GetSubSelectionCount(scene.device), 3);
    EXPECT_EQ(snapshot(*s, scene.device), before) << "S is not touched before the write-back";
}

TEST(WorkingCopy, IsCentredAndScaledSoTheLargestExtentIsEightAndBackAgain) {
    Scene scene;
    // 100 x 20 x 5 centred at (10, 0, 0).
    ShapePtr s =
        scene.selectWhole(box(scene.graph->CreateShape(), {-40, -10, -2.5f}, {60, 10, 2.5f}));

    const WorkingCopy copy = peelwise::makeWorkingCopy(*scene.graph, scene.device);

    EXPECT_EQ(copy.centre, (Vector3{10, 0, 0}));
    EXPECT_FLOAT_EQ(copy.largestExtent, 100.0f);
    expectBox(copy.shape->GetBoundingBox(), {-4, -0.8f, -0.2f}, {4, 0.8f, 0.2f}, 1e-5f);
    EXPECT_TRUE(copy.editedPolygons.empty());

    // Undoing the normalisation gives every vertex its own size and place again.
    peelwise::undoNormalisation(*scene.graph, copy);
    for (std::int32_t v = 0; v < 8; ++v) {
        EXPECT_NEAR(copy.shape->GetVertex(v).x, s->GetVertex(v).x, 1e-4f);
        EXPECT_NEAR(copy.shape->GetVertex(v).y, s->GetVertex(v).y, 1e-4f);
        EXPECT_NEAR(copy.shape->GetVertex(v).z, s->GetVertex(v).z, 1e-4f);
    }
}

TEST(WorkingCopy, LargestExtentIsFoundOnEveryAxis) {
    for (int axis = 0; axis < 3; ++axis) {
        Scene scene;
        Vector3 high{1, 2, 3};
        if (axis == 0) {
            high = {6, 2, 3};
        } else if (axis == 1) {
            high = {1, 6, 3};
        } else {
            high = {1, 2, 6};
        }
        scene.selectWhole(box(scene.graph->CreateShape(), {0, 0, 0}, high));
        const WorkingCopy copy = peelwise::makeWorkingCopy(*scene.graph, scene.device);
        EXPECT_FLOAT_EQ(copy.largestExtent, 6.0f) << "axis " << axis;
        const BoundingBox b = copy.shape->GetBoundingBox();
        const float extents[3] = {b.maxX - b.minX, b.maxY - b.minY, b.maxZ - b.minZ};
        EXPECT_NEAR(extents[axis], 8.0f, 1e-5f) << "axis " << axis;
    }
}

TEST(WorkingCopy, AFlatShapeIsScaledByItsOtherExtents) {
    Scene scene;
    scene.selectWhole(tenQuadRow(scene.graph->CreateShape(), 5.0f)); // 10 x 1 x 0 at z = 5
    const WorkingCopy copy = peelwise::makeWorkingCopy(*scene.graph, scene.device);
    EXPECT_FLOAT_EQ(copy.largestExtent, 10.0f);
    expectBox(copy.shape->GetBoundingBox(), {-4, -0.4f, 0}, {4, 0.4f, 0}, 1e-5f);
}

TEST(WorkingCopy, AShapeOfZeroSizeIsADivisionByZeroAndLeavesTheShapeAlone) {
    Scene scene;
    ShapePtr s = scene.selectWhole(testing_shapes::shapeFrom(
        scene.graph->CreateShape(), {{3, 3, 3}, {3, 3, 3}, {3, 3, 3}}, {{0, 1, 2}}));
    const ShapeSnapshot before = snapshot(*s, scene.device);
    try {
        peelwise::makeWorkingCopy(*scene.graph, scene.device);
        FAIL() << "a zero-size shape was scaled";
    } catch (const brontle::Error& e) {
        EXPECT_EQ(e.number(), brontle::ErrorNumber::DivisionByZero);
    }
    EXPECT_EQ(snapshot(*s, scene.device), before);
}

TEST(WorkingCopy, NoSelectedShapeIsASubscriptError) {
    Scene scene;
    try {
        peelwise::makeWorkingCopy(*scene.graph, scene.device);
        FAIL() << "no shape is selected";
    } catch (const brontle::Error& e) {
        EXPECT_EQ(e.number(), brontle::ErrorNumber::SubscriptOutOfRange);
    }
}

TEST(WriteBack, ThreeOfTenPolygonsAreReplacedAndTheSevenOthersKeptBitIdentical) {
    Scene scene;
    ShapePtr s = scene.selectPolygons(tenQuadRow(scene.graph->CreateShape()), {1, 5, 8});
    std::vector<PolygonRecord> original;
    for (std::int32_t p = 0; p < 10; ++p) {
        original.push_back(polygonRecord(*s, p));
    }
    WorkingCopy copy = peelwise::makeWorkingCopy(*scene.graph, scene.device);
    // The editor's result: new texture coordinates on the three polygons.
    std::vector<Vector2> uv = copy.shape->GetTextureCoordinates();
    for (Vector2& t : uv) {
        t = {t.u * 0.5f + 0.25f, 1.0f - t.v};
    }
    copy.shape->SetTextureCoordinates(uv);
    peelwise::undoNormalisation(*scene.graph, copy);

    peelwise::writeBack(*scene.graph, scene.device, copy);

    ASSERT_EQ(s->GetPolygonCount(), 10);
    const std::vector<std::int32_t> kept = {0, 2, 3, 4, 6, 7, 9};
    for (std::size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(polygonRecord(*s, static_cast<std::int32_t>(i)), original[kept[i]])
            << "kept polygon " << kept[i];
    }
    const std::vector<std::int32_t> edited = {1, 5, 8};
    for (std::size_t i = 0; i < edited.size(); ++i) {
        const PolygonRecord now = polygonRecord(*s, static_cast<std::int32_t>(7 + i));
        const PolygonRecord was = original[edited[i]];
        EXPECT_EQ(now.tag, was.tag);
        ASSERT_EQ(now.positions.size(), 4u);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_NEAR(now.positions[k].x, was.positions[k].x, 1e-5f);
            EXPECT_NEAR(now.positions[k].y, was.positions[k].y, 1e-5f);
            EXPECT_NEAR(now.positions[k].z, was.positions[k].z, 1e-5f);
            EXPECT_FLOAT_EQ(now.texcoords[k].u, was.texcoords[k].u * 0.5f + 0.25f);
            EXPECT_FLOAT_EQ(now.texcoords[k].v, 1.0f - was.texcoords[k].v);
        }
    }
    // The sub-selection follows the edited polygons to their new place at the end.
    EXPECT_EQ(s->GetSelectionType(scene.device), kSelectPolygons);
    std::vector<std::int32_t> selected;
    for (const auto& entry : s->GetSubSelection(scene.device).entries) {
        selected.push_back(entry.index);
    }
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (std::vector<std::int32_t>{7, 8, 9}));
}

TEST(WriteBack, AWholeShapeIsReplacedByTheCopy) {
    Scene scene;
    ShapePtr s = scene.selectWhole(tenQuadRow(scene.graph->CreateShape()));
    WorkingCopy copy = peelwise::makeWorkingCopy(*scene.graph, scene.device);
    copy.shape->DeletePolygons(std::vector<std::int32_t>{0}); // an edit the result shows
    peelwise::undoNormalisation(*scene.graph, copy);
    const ShapeSnapshot expected = snapshot(*copy.shape, scene.device);

    peelwise::writeBack(*scene.graph, scene.device, copy);

    EXPECT_EQ(snapshot(*s, scene.device), expected);
    EXPECT_EQ(s->GetPolygonCount(), 9);
}

TEST(WriteBack, AFailingAppendRestoresTheSelectedShape) {
    for (const bool partly : {false, true}) {
        Scene scene;
        ShapePtr s = scene.selectPolygons(tenQuadRow(scene.graph->CreateShape()), {0, 9, 3});
        WorkingCopy copy = peelwise::makeWorkingCopy(*scene.graph, scene.device);
        peelwise::undoNormalisation(*scene.graph, copy);
        const ShapeSnapshot before = snapshot(*s, scene.device);

        const peelwise::ShapeAppend failing = [partly](Shape& target, const Shape& source) {
            if (partly) {
                target.AppendShape(source); // the failure comes after the arrays grew
            }
            throw brontle::Error(brontle::ErrorNumber::HostInjectedFault, "append failed");
        };
        try {
            peelwise::writeBack(*scene.graph, scene.device, copy, failing);
            FAIL() << "the append's error was swallowed";
        } catch (const brontle::Error& e) {
            EXPECT_EQ(e.number(), brontle::ErrorNumber::HostInjectedFault);
            EXPECT_EQ(e.description(), "append failed");
        }
        EXPECT_EQ(snapshot(*s, scene.device), before) << (partly ? "partly appended" : "nothing");
        EXPECT_EQ(scene.graph->GetSelectedShape(scene.device, 0), s);
    }
}

TEST(WriteBack, AFailingAppendAfterClearingAWholeShapeRestoresIt) {
    Scene scene;
    ShapePtr s = scene.selectWhole(tenQuadRow(scene.graph->CreateShape()));
    WorkingCopy copy = peelwise::makeWorkingCopy(*scene.graph, scene.device);
    const ShapeSnapshot before = snapshot(*s, scene.device);
    EXPECT_THROW(peelwise::writeBack(*scene.graph, scene.device, copy,
                                     [](Shape&, const Shape&) { throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_EQ(snapshot(*s, scene.device), before);
}

} // namespace
