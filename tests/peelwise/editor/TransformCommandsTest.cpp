// The eight transform buttons of the dialog: one step per left mouse-up with the Ctrl and Shift
// bits, the axis locks from the lock buttons and held keys, clamping into the unit square with
// the texture coordinates following, the read-outs, the history entry and the vertex cache.
#include "UVEditFixture.h"

#include "peelwise/support/GeneralErrorHandler.h"

#include <algorithm>
#include <functional>
#include <numbers>

namespace {

using namespace uvedit_testing;

constexpr int kLeft = brontle::XPButton::LeftButton;
constexpr int kRight = brontle::XPButton::RightButton;
constexpr int kShift = brontle::XPButton::ShiftBit;
constexpr int kCtrl = brontle::XPButton::CtrlBit;

class TransformCommandsTest : public UVEditFixture {
  protected:
    // The first quad's four points: box (0.2 .. 0.5) x (0.5 .. 0.8), centre (0.35, 0.65).
    std::vector<std::int32_t> firstQuad() const {
        return {vertexAt(0.2f, 0.8f), vertexAt(0.5f, 0.8f), vertexAt(0.5f, 0.5f),
                vertexAt(0.2f, 0.5f)};
    }
    // Degrees the point turned about (cx, cy) since `before`, counter-clockwise as seen in the
    // coordinate view, whose y axis points down.
    double turned(const Vector3& before, std::int32_t v, double cx, double cy) const {
        const Vector3 now = uv().GetVertex(v);
        const double a0 = std::atan2(cy - before.y, before.x - cx);
        const double a1 = std::atan2(cy - now.y, now.x - cx);
        return (a1 - a0) * 180.0 / std::numbers::pi;
    }
    // Each point moved by (dx, dy) from `before` (x and y added in single precision).
    void expectAllMoved(const std::vector<Vector3>& before, float dx, float dy) const {
        for (std::int32_t v = 0; v < uv().GetVertexCount(); ++v) {
            EXPECT_EQ(uv().GetVertex(v), (Vector3{before[v].x + dx, before[v].y + dy, 0.0f}))
                << "point " << v;
        }
    }
};

TEST_F(TransformCommandsTest, ShiftUpMovesEveryPointWhenNothingIsSelectedAndShowsTheChangeOfV) {
    const std::vector<Vector3> before = uv().GetVertices();
    dialog.cmdShiftUp_MouseUp(kLeft, 0);
    expectAllMoved(before, 0.0f, 0.05f);
    EXPECT_EQ(labelX(), "Move Y: -0.050");
    EXPECT_EQ(labelY(), "");
    EXPECT_EQ(dialog.lHistoryCount(), 1);
    EXPECT_TRUE(dialog.bUVChanged);
    EXPECT_EQ(dialog.atHistory()[0].uvCopy->vertices(), before) << "recorded before the change";
    expectAtlasFollowsLayout();
    expectCacheIsLayout();

    dialog.cmdShiftDown_MouseUp(kLeft, 0);
    EXPECT_EQ(labelX(), "Move Y: 0.050");
    EXPECT_EQ(dialog.lHistoryCount(), 2);
}

TEST_F(TransformCommandsTest, CtrlAloneGivesTheFineMoveAndCtrlShiftTheCoarseOne) {
    const std::int32_t p = vertexAt(0.2f, 0.1f);
    selectPoints({p});
    const std::vector<Vector3> before = uv().GetVertices();
    dialog.cmdShiftRight_MouseUp(kLeft, kCtrl);
    EXPECT_EQ(uv().GetVertex(p).x, before[p].x + 0.001f);
    EXPECT_EQ(labelX(), "Move X: 0.001");
    dialog.cmdShiftLeft_MouseUp(kLeft, kCtrl | kShift);
    EXPECT_EQ(uv().GetVertex(p).x, (before[p].x + 0.001f) - 0.05f);
    EXPECT_EQ(labelX(), "Move X: -0.050");
    dialog.cmdShiftLeft_MouseUp(kLeft, kShift);
    EXPECT_EQ(labelX(), "Move X: -0.050") << "Shift alone does not change a move";
    for (std::int32_t v = 0; v < uv().GetVertexCount(); ++v) {
        if (v != p) {
            EXPECT_EQ(uv().GetVertex(v), before[v]) << "only the selected point moves";
        }
    }
    expectAtlasFollowsLayout();
}

TEST_F(TransformCommandsTest, ScaleStepsAreFineWithCtrlAndScaleOnlyYWithShift) {
    const std::vector<std::int32_t> quad = firstQuad();
    selectPoints(quad);
    const std::vector<Vector3> before = uv().GetVertices();
    dialog.cmdReduce_MouseUp(kLeft, kShift | kCtrl);
    EXPECT_EQ(labelX(), "Scale X: 1.000");
    EXPECT_EQ(labelY(), "Y: 0.995");
    for (std::int32_t v : quad) {
        EXPECT_NEAR(uv().GetVertex(v).x, before[v].x, 1e-6) << v;
        EXPECT_NEAR(uv().GetVertex(v).y, 0.65 + (before[v].y - 0.65) * 0.995, 1e-6) << v;
    }
    dialog.cmdEnlarge_MouseUp(kLeft, kCtrl);
    EXPECT_EQ(labelX(), "Scale X: 1.005");
    EXPECT_EQ(labelY(), "Y: 1.005");
    expectAtlasFollowsLayout();
}

TEST_F(TransformCommandsTest,
       TheConstrainButtonsLockTheirAxisOfAScaleAndTheLabelsStillShowTheStep) {
    const std::vector<std::int32_t> quad = firstQuad();
    selectPoints(quad);
    const std::vector<Vector3> before = uv().GetVertices();
    dialog.chkConstrainX->setValue(true);
    dialog.cmdEnlarge_MouseUp(kLeft, 0);
    for (std::int32_t v : quad) {
        EXPECT_NEAR(uv().GetVertex(v).x, before[v].x, 1e-6) << "x locked, point " << v;
        EXPECT_NEAR(uv().GetVertex(v).y, 0.65 + (before[v].y - 0.65) * 1.05, 1e-6) << v;
    }
    const std::vector<Vector3> afterY = uv().GetVertices();
    dialog.chkConstrainX->setValue(false);
    dialog.chkConstrainY->setValue(true);
    dialog.cmdEnlarge_MouseUp(kLeft, 0);
    for (std::int32_t v : quad) {
        EXPECT_NEAR(uv().GetVertex(v).x, 0.35 + (before[v].x - 0.35) * 1.05, 1e-6) << v;
        EXPECT_NEAR(uv().GetVertex(v).y, afterY[v].y, 1e-6) << "y locked, point " << v;
    }
    dialog.chkConstrainX->setValue(true);
    const std::vector<Vector3> both = uv().GetVertices();
    dialog.cmdReduce_MouseUp(kLeft, 0);
    for (std::int32_t v : quad) {
        EXPECT_NEAR(uv().GetVertex(v).x, both[v].x, 1e-6) << v;
        EXPECT_NEAR(uv().GetVertex(v).y, both[v].y, 1e-6) << v;
    }
    EXPECT_EQ(labelX(), "Scale X: 0.950");
    EXPECT_EQ(labelY(), "Y: 0.950");
}

TEST_F(TransformCommandsTest, HeldKeysLockAxesOfAMoveForThatClickOnly) {
    const std::vector<Vector3> before = uv().GetVertices();
    scripted->setKeyDown(89, true); // Y: x keeps
    dialog.cmdShiftRight_MouseUp(kLeft, 0);
    dialog.cmdShiftUp_MouseUp(kLeft, 0);
    scripted->setKeyDown(89, false);
    expectAllMoved(before, 0.0f, 0.05f);
    EXPECT_EQ(labelX(), "Move Y: -0.050");

    const std::vector<Vector3> middle = uv().GetVertices();
    scripted->setKeyDown(88, true); // X: y keeps
    dialog.cmdShiftDown_MouseUp(kLeft, 0);
    dialog.cmdShiftRight_MouseUp(kLeft, 0);
    scripted->setKeyDown(88, false);
    expectAllMoved(middle, 0.05f, 0.0f);

    const std::vector<Vector3> last = uv().GetVertices();
    dialog.cmdShiftDown_MouseUp(kLeft, 0);
    expectAllMoved(last, 0.0f, -0.05f);
    expectAtlasFollowsLayout();
}

TEST_F(TransformCommandsTest, CoarseAndFineRotationsTurnByFiveAndTwoThirdsDegreesIgnoringLocks) {
    const std::vector<std::int32_t> quad = firstQuad();
    selectPoints(quad);
    const double cx = (0.2 + 0.5) / 2.0, cy = (0.5 + 0.8) / 2.0;
    const std::vector<Vector3> start = uv().GetVertices();
    dialog.chkConstrainX->setValue(true);
    dialog.chkConstrainY->setValue(true);
    dialog.cmdRotateLeft_MouseUp(kLeft, 0);
    EXPECT_EQ(labelX(), "Rotate Left: 2.500");
    EXPECT_EQ(labelY(), "");
    const double coarse = turned(start[quad[0]], quad[0], cx, cy);
    EXPECT_NEAR(coarse, 5.0, 1e-3) << "Rotate Left turns counter-clockwise in the view";
    for (std::int32_t v : quad) {
        EXPECT_NEAR(turned(start[v], v, cx, cy), coarse, 1e-3) << "one turn for all, point " << v;
        EXPECT_NEAR(std::hypot(uv().GetVertex(v).x - cx, uv().GetVertex(v).y - cy),
                    std::hypot(start[v].x - cx, start[v].y - cy), 1e-6)
            << "distance from the centre kept, point " << v;
    }

    const std::vector<Vector3> second = uv().GetVertices();
    dialog.cmdRotateLeft_MouseUp(kLeft, kCtrl | kShift);
    EXPECT_EQ(labelX(), "Rotate Left: 0.333");
    const double fine = turned(second[quad[0]], quad[0], cx, cy);
    EXPECT_NEAR(fine, 2.0 / 3.0, 1e-3);

    const std::vector<Vector3> third = uv().GetVertices();
    dialog.cmdRotateRight_MouseUp(kLeft, 0);
    EXPECT_EQ(labelX(), "Rotate Right: 2.500");
    EXPECT_NEAR(turned(third[quad[0]], quad[0], cx, cy), -coarse, 1e-3) << "the other way";
    dialog.cmdRotateRight_MouseUp(kLeft, kCtrl);
    EXPECT_EQ(labelX(), "Rotate Right: 0.333");
    expectAtlasFollowsLayout();
}

TEST_F(TransformCommandsTest, ARightButtonMouseUpDoesNothingAndRecordsNoHistory) {
    const std::vector<Vector3> before = uv().GetVertices();
    const std::vector<Vector2> texcoords = atlas().GetTextureCoordinates();
    const std::vector<std::pair<brontle::XPButton*, void (frmMain::*)(int, int)>> buttons = {
        {dialog.cmdEnlarge, &frmMain::cmdEnlarge_MouseUp},
        {dialog.cmdReduce, &frmMain::cmdReduce_MouseUp},
        {dialog.cmdRotateLeft, &frmMain::cmdRotateLeft_MouseUp},
        {dialog.cmdRotateRight, &frmMain::cmdRotateRight_MouseUp},
        {dialog.cmdShiftLeft, &frmMain::cmdShiftLeft_MouseUp},
        {dialog.cmdShiftRight, &frmMain::cmdShiftRight_MouseUp},
        {dialog.cmdShiftUp, &frmMain::cmdShiftUp_MouseUp},
        {dialog.cmdShiftDown, &frmMain::cmdShiftDown_MouseUp},
    };
    for (const auto& [button, handler] : buttons) {
        std::invoke(handler, dialog, kRight, 0);
        std::invoke(handler, dialog, kRight, kCtrl);
    }
    EXPECT_EQ(uv().vertices(), before);
    EXPECT_EQ(atlas().texcoords(), texcoords);
    EXPECT_EQ(dialog.lHistoryCount(), 0);
    EXPECT_FALSE(dialog.bUVChanged);
    EXPECT_EQ(labelX(), "Position X:");

    // The same through the real buttons: a right click is ignored, a left click steps.
    showDialog();
    for (const auto& [button, handler] : buttons) {
        QTest::mouseClick(button, Qt::RightButton);
    }
    EXPECT_EQ(uv().vertices(), before);
    EXPECT_EQ(dialog.lHistoryCount(), 0);
    QTest::mouseClick(dialog.cmdShiftUp, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(labelX(), "Move Y: -0.001");
    EXPECT_EQ(dialog.lHistoryCount(), 1);
    expectAllMoved(before, 0.0f, 0.001f);
}

TEST_F(TransformCommandsTest, AFailingStepIsReportedOnceAndEndsTheHandler) {
    dialog.csUVShape.reset();
    dialog.cmdShiftUp_MouseUp(kLeft, 0);
    ASSERT_EQ(scripted->messages().size(), 1u);
    EXPECT_EQ(scripted->messages()[0].text, peelwise::generalErrorText(91, "") + " (#91)");
    EXPECT_EQ(labelX(), "Position X:") << "the read-out comes after the failed step";
    EXPECT_EQ(dialog.lHistoryCount(), 0);
}

} // namespace
