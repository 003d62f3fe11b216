// The coordinate view's notifications as the dialog handles them: drags clamped to the unit
// square with the texture coordinates following, axis locks from the buttons and held keys,
// scale gestures, the read-outs, the command states after a selection, the context menu's item
// states, and errors reported once through the general error handler.
#include "UVEditFixture.h"

#include "peelwise/support/GeneralErrorHandler.h"

#include <QAction>
#include <QMenu>

namespace {

using namespace uvedit_testing;

class UVViewHandlersTest : public UVEditFixture {
  protected:
    // One whole drag of the selected points by (dx, dy), as the view reports it.
    void drag(float dx, float dy) {
        dialog.dfeCoordinatesAdjustment_EditBegin();
        dialog.dfeCoordinatesAdjustment_DragMove(dx / 2, dy / 2, 0.0f);
        dialog.dfeCoordinatesAdjustment_DragMove(dx, dy, 0.0f);
        dialog.dfeCoordinatesAdjustment_EditEnd();
    }
};

// Where a drag puts the points (clamp, locks, texture coordinates, cache) is the session's test;
// here the read-out of the clamped point and that the toggles and held keys reach the drag.
TEST_F(UVViewHandlersTest, ADragShowsTheClampedPointAndTakesItsLocksFromTogglesAndKeys) {
    const std::int32_t p = vertexAt(0.8f, 0.5f);
    selectPoints({p});
    drag(0.5f, 0.1f);
    EXPECT_EQ(uv().GetVertex(p), (Vector3{1.0f, 0.5f + 0.1f, 0.0f})) << "x stops at 1";
    EXPECT_EQ(labelX(), "Position X: 1.000");
    EXPECT_EQ(labelY(), "Y: 0.400");
    drag(-2.0f, -2.0f);
    EXPECT_EQ(labelX(), "Position X: 0.000");
    EXPECT_EQ(labelY(), "Y: 1.000");

    dialog.chkConstrainY->setValue(true);
    drag(0.25f, 0.25f);
    dialog.chkConstrainY->setValue(false);
    EXPECT_EQ(uv().GetVertex(p), (Vector3{0.25f, 0.0f, 0.0f})) << "chkConstrainY keeps y";
    scripted->setKeyDown(89, true); // Y held: x keeps
    drag(0.25f, 0.25f);
    scripted->setKeyDown(89, false);
    EXPECT_EQ(uv().GetVertex(p), (Vector3{0.25f, 0.25f, 0.0f}));
    expectAtlasFollowsLayout();
}

TEST_F(UVViewHandlersTest, AMoveOfSeveralPointsShowsTheMoveAndTheChangeOfV) {
    const std::int32_t a = vertexAt(0.2f, 0.8f);
    const std::int32_t b = vertexAt(0.5f, 0.8f);
    selectPoints({a, b});
    const Vector3 pa = uv().GetVertex(a), pb = uv().GetVertex(b);
    dialog.dfeCoordinatesAdjustment_EditBegin();
    dialog.dfeCoordinatesAdjustment_DragMove(0.1f, 0.05f, 0.0f);
    EXPECT_EQ(labelX(), "Move X: 0.100");
    EXPECT_EQ(labelY(), "Y: -0.050");
    EXPECT_EQ(uv().GetVertex(a), (Vector3{pa.x + 0.1f, pa.y + 0.05f, 0.0f}));
    EXPECT_EQ(uv().GetVertex(b), (Vector3{pb.x + 0.1f, pb.y + 0.05f, 0.0f}));
    // A zero step (the drag's start) leaves the read-out as it was.
    dialog.dfeCoordinatesAdjustment_DragMove(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(labelX(), "Move X: 0.100");
    EXPECT_EQ(uv().GetVertex(a), pa);
}

TEST_F(UVViewHandlersTest, AScaleGestureOfOnePointOneScalesByOnePointThreeAboutTheBoxCentre) {
    // The first quad: box (0.2 .. 0.5) x (0.5 .. 0.8), centre (0.35, 0.65).
    const std::vector<Vector3> before = uv().GetVertices();
    const std::vector<std::int32_t> quad = {vertexAt(0.2f, 0.8f), vertexAt(0.5f, 0.8f),
                                            vertexAt(0.5f, 0.5f), vertexAt(0.2f, 0.5f)};
    selectPoints(quad);
    dialog.dfeCoordinatesAdjustment_EditBegin();
    dialog.dfeCoordinatesAdjustment_DragScale(1.1f, 1.1f);
    EXPECT_EQ(labelX(), "Scale X: 1.300");
    EXPECT_EQ(labelY(), "Y: 1.300");
    for (std::int32_t v : quad) {
        const double cx = 0.35, cy = 0.65;
        EXPECT_NEAR(uv().GetVertex(v).x, cx + (before[v].x - cx) * 1.3, 1e-6) << v;
        EXPECT_NEAR(uv().GetVertex(v).y, cy + (before[v].y - cy) * 1.3, 1e-6) << v;
    }
    EXPECT_EQ(uv().GetVertex(vertexAt(0.8f, 0.8f)), (Vector3{0.8f, 0.8f, 0.0f}))
        << "unselected points stay";
    expectAtlasFollowsLayout();

    // The Y key keeps x while the same gesture goes on.
    scripted->setKeyDown(89, true);
    dialog.dfeCoordinatesAdjustment_DragScale(1.1f, 0.9f);
    scripted->setKeyDown(89, false);
    EXPECT_EQ(labelX(), "Scale X: 1.300");
    EXPECT_EQ(labelY(), "Y: 0.700");
    for (std::int32_t v : quad) {
        EXPECT_EQ(uv().GetVertex(v).x, before[v].x) << v;
        EXPECT_NEAR(uv().GetVertex(v).y, 0.65 + (before[v].y - 0.65) * 0.7, 1e-6) << v;
    }
    dialog.dfeCoordinatesAdjustment_EditEnd();
    expectCacheIsLayout();
}

TEST_F(UVViewHandlersTest, EditBeginRecordsTheStateBeforeTheDragAndEditEndRefreshesTheButtons) {
    const std::int32_t p = vertexAt(0.5f, 0.8f);
    selectPoints({p});
    dialog.cmdEditUndo->setEnabled(false);
    dialog.dfeCoordinatesAdjustment_EditBegin();
    EXPECT_EQ(dialog.lHistoryCount(), 1);
    EXPECT_EQ(dialog.lHistoryPosition(), 1);
    EXPECT_TRUE(dialog.bUVChanged);
    ASSERT_EQ(dialog.atHistory().size(), 1u);
    EXPECT_EQ(dialog.atHistory()[0].uvCopy->vertices(), uv().vertices());
    EXPECT_EQ(dialog.atHistory()[0].uvSelection.count(), 1) << "the point selection is recorded";
    dialog.dfeCoordinatesAdjustment_DragMove(0.05f, 0.0f, 0.0f);
    EXPECT_FALSE(dialog.cmdEditUndo->isEnabled()) << "not before the drag ends";
    dialog.dfeCoordinatesAdjustment_EditEnd();
    EXPECT_TRUE(dialog.cmdEditUndo->isEnabled());
    EXPECT_FALSE(dialog.cmdEditRedo->isEnabled());
    EXPECT_EQ(dialog.avUVPositions[p].x, 0.5f + 0.05f);
}

// Which buttons each selection enables is CommandStatesTest's; here that a selection change
// brings the buttons up to date.
TEST_F(UVViewHandlersTest, SelectionChangeBringsTheCommandStatesUpToDate) {
    selectPoints({vertexAt(0.5f, 0.5f)});
    dialog.dfeCoordinatesAdjustment_SelectionChange();
    EXPECT_TRUE(dialog.cmdUnlink->isEnabled());
    EXPECT_FALSE(dialog.cmdEnlarge->isEnabled());
    selectPoints({vertexAt(0.5f, 0.5f), vertexAt(0.2f, 0.5f)});
    dialog.dfeCoordinatesAdjustment_SelectionChange();
    EXPECT_TRUE(dialog.cmdWeldSelection->isEnabled());
    EXPECT_FALSE(dialog.cmdUnlink->isEnabled());
}

TEST_F(UVViewHandlersTest, PickAndReleaseShowTheSinglePointOrBlankTheReadOut) {
    selectPoints({vertexAt(0.5f, 0.8f)});
    dialog.dfeCoordinatesAdjustment_SelectionPick();
    EXPECT_EQ(labelX(), "Position X: 0.500");
    EXPECT_EQ(labelY(), "Y: 0.200");
    dialog.lblX->setText("kept");
    dialog.dfeCoordinatesAdjustment_SelectionRelease();
    EXPECT_EQ(labelX(), "kept") << "one selected point leaves the read-out";

    selectPoints({vertexAt(0.5f, 0.8f), vertexAt(0.2f, 0.8f)});
    dialog.dfeCoordinatesAdjustment_SelectionPick();
    EXPECT_EQ(labelX(), "");
    EXPECT_EQ(labelY(), "");
    dialog.lblX->setText("gone");
    dialog.dfeCoordinatesAdjustment_SelectionRelease();
    EXPECT_EQ(labelX(), "");

    scene->ClearSelection(uvDevice());
    dialog.lblX->setText("gone");
    dialog.dfeCoordinatesAdjustment_SelectionPick();
    EXPECT_EQ(labelX(), "");
    EXPECT_TRUE(scripted->messages().empty());
}

TEST_F(UVViewHandlersTest, PointerMoveShowsThePointerOnlyWhileNothingIsSelected) {
    dialog.dfeCoordinatesAdjustment_PointerMove(dialog.csUVShape, true, 0.25f, 0.125f);
    EXPECT_EQ(labelX(), "Position X: 0.250");
    EXPECT_EQ(labelY(), "Y: 0.875");
    dialog.dfeCoordinatesAdjustment_PointerMove(nullptr, false, 0.25f, 0.125f);
    EXPECT_EQ(labelX(), "");
    EXPECT_EQ(labelY(), "");
    dialog.dfeCoordinatesAdjustment_PointerMove(nullptr, true, 0.25f, 0.125f);
    EXPECT_EQ(labelX(), "") << "a hit without an object shows nothing";
    dialog.dfeCoordinatesAdjustment_PointerMove(dialog.csUVShape, false, 0.25f, 0.125f);
    EXPECT_EQ(labelX(), "");

    selectPoints({vertexAt(0.2f, 0.1f)});
    dialog.dfeCoordinatesAdjustment_PointerMove(dialog.csUVShape, true, 0.75f, 0.75f);
    EXPECT_EQ(labelX(), "Position X: 0.200") << "the selected point, not the pointer";
    EXPECT_EQ(labelY(), "Y: 0.900");
    selectPoints({vertexAt(0.2f, 0.1f), vertexAt(0.5f, 0.1f)});
    dialog.dfeCoordinatesAdjustment_PointerMove(dialog.csUVShape, true, 0.75f, 0.75f);
    EXPECT_EQ(labelX(), "");
    EXPECT_EQ(labelY(), "");
}

TEST_F(UVViewHandlersTest, TheContextMenuOffersOnlySelectAllChartsWhenNothingIsSelected) {
    dialog.dfeCoordinatesAdjustment_ContextMenu(QPoint(40, 40));
    EXPECT_TRUE(dialog.mnuPopupCoordinatesAdjustment->isVisible());
    EXPECT_FALSE(dialog.mnuSelectChart->isEnabled());
    EXPECT_TRUE(dialog.mnuSelectAllCharts->isEnabled());
    EXPECT_FALSE(dialog.mnuDeselectChart->isEnabled());
    EXPECT_FALSE(dialog.mnuDeselectAllCharts->isEnabled());
    dialog.mnuPopupCoordinatesAdjustment->hide();

    selectPoints({vertexAt(0.2f, 0.1f)});
    dialog.dfeCoordinatesAdjustment_ContextMenu(QPoint(40, 40));
    EXPECT_TRUE(dialog.mnuSelectChart->isEnabled());
    EXPECT_TRUE(dialog.mnuSelectAllCharts->isEnabled());
    EXPECT_TRUE(dialog.mnuDeselectChart->isEnabled());
    EXPECT_TRUE(dialog.mnuDeselectAllCharts->isEnabled());
}

TEST_F(UVViewHandlersTest, ADragWithoutASelectionIsReportedOnceAndChangesNothing) {
    const std::vector<Vector3> points = uv().GetVertices();
    const std::vector<Vector2> texcoords = atlas().GetTextureCoordinates();
    dialog.dfeCoordinatesAdjustment_DragMove(0.1f, 0.1f, 0.0f);
    ASSERT_EQ(scripted->messages().size(), 1u);
    EXPECT_EQ(scripted->messages()[0].text, peelwise::generalErrorText(9, "") + " (#9)");
    EXPECT_EQ(scripted->messages()[0].title, "Application");
    EXPECT_EQ(scripted->messages()[0].style, 16);
    EXPECT_EQ(uv().vertices(), points);
    EXPECT_EQ(atlas().texcoords(), texcoords);
    dialog.dfeCoordinatesAdjustment_DragScale(1.5f, 1.5f);
    EXPECT_EQ(scripted->messages().size(), 2u) << "each handler reports its own error";
    EXPECT_EQ(uv().vertices(), points);
}

} // namespace
