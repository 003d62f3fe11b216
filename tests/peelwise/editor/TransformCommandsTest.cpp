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
    // Each point moved by (dx, dy) from `before` (x and y added in single precision).
    void expectAllMoved(const std::vector<Vector3>& before, float dx, float dy) const {
        for (std::int32_t v = 0; v < uv().GetVertexCount(); ++v) {
            EXPECT_EQ(uv().GetVertex(v), (Vector3{before[v].x + dx, before[v].y + dy, 0.0f}))
                << "point " << v;
        }
    }
};

// Every button with each modifier: the step it takes, shown in the read-out, and one history
// entry per click.
TEST_F(TransformCommandsTest, EachButtonAndModifierShowsItsStep) {
    struct Case {
        void (frmMain::*handler)(int, int);
        int shift;
        const char* x;
        const char* y;
    };
    const std::vector<Case> cases = {
        {&frmMain::cmdShiftUp_MouseUp, 0, "Move Y: -0.050", ""},
        {&frmMain::cmdShiftDown_MouseUp, 0, "Move Y: 0.050", ""},
        {&frmMain::cmdShiftRight_MouseUp, kCtrl, "Move X: 0.001", ""},
        {&frmMain::cmdShiftLeft_MouseUp, kCtrl | kShift, "Move X: -0.050", ""},
        {&frmMain::cmdShiftLeft_MouseUp, kShift, "Move X: -0.050", ""},
        {&frmMain::cmdReduce_MouseUp, kShift | kCtrl, "Scale X: 1.000", "Y: 0.995"},
        {&frmMain::cmdEnlarge_MouseUp, kCtrl, "Scale X: 1.005", "Y: 1.005"},
        {&frmMain::cmdReduce_MouseUp, 0, "Scale X: 0.950", "Y: 0.950"},
        {&frmMain::cmdRotateLeft_MouseUp, 0, "Rotate Left: 2.500", ""},
        {&frmMain::cmdRotateLeft_MouseUp, kCtrl | kShift, "Rotate Left: 0.333", ""},
        {&frmMain::cmdRotateRight_MouseUp, 0, "Rotate Right: 2.500", ""},
        {&frmMain::cmdRotateRight_MouseUp, kCtrl, "Rotate Right: 0.333", ""},
    };
    int clicks = 0;
    for (const Case& c : cases) {
        std::invoke(c.handler, dialog, kLeft, c.shift);
        ++clicks;
        EXPECT_EQ(labelX(), c.x) << "click " << clicks;
        EXPECT_EQ(labelY(), c.y) << "click " << clicks;
        EXPECT_EQ(dialog.lHistoryCount(), clicks);
    }
    EXPECT_TRUE(dialog.bUVChanged);
}

// How a step moves, scales and turns the points is the session's and modUV's test; here that
// the step shown is the step applied, and that the toggles and held keys reach the step.
TEST_F(TransformCommandsTest, TheStepShownIsTheStepAppliedWithTheLocksOfTheDialog) {
    const std::int32_t p = vertexAt(0.2f, 0.1f);
    const std::vector<std::int32_t> quad = firstQuad();
    selectPoints({p});
    const Vector3 start = uv().GetVertex(p);
    dialog.cmdShiftRight_MouseUp(kLeft, kCtrl);
    EXPECT_EQ(uv().GetVertex(p).x, start.x + 0.001f);
    dialog.cmdShiftLeft_MouseUp(kLeft, kCtrl | kShift);
    EXPECT_EQ(uv().GetVertex(p).x, (start.x + 0.001f) - 0.05f);
    scripted->setKeyDown(89, true); // Y: x keeps
    dialog.cmdShiftRight_MouseUp(kLeft, 0);
    scripted->setKeyDown(89, false);
    EXPECT_EQ(uv().GetVertex(p).x, (start.x + 0.001f) - 0.05f);

    selectPoints(quad);
    const std::vector<Vector3> before = uv().GetVertices();
    dialog.cmdReduce_MouseUp(kLeft, kShift | kCtrl);
    for (std::int32_t v : quad) {
        EXPECT_NEAR(uv().GetVertex(v).x, before[v].x, 1e-6) << v;
        EXPECT_NEAR(uv().GetVertex(v).y, 0.65 + (before[v].y - 0.65) * 0.995, 1e-6) << v;
    }
    const std::vector<Vector3> scaled = uv().GetVertices();
    dialog.chkConstrainY->setValue(true);
    dialog.cmdEnlarge_MouseUp(kLeft, 0);
    dialog.chkConstrainY->setValue(false);
    for (std::int32_t v : quad) {
        EXPECT_NEAR(uv().GetVertex(v).x, 0.35 + (scaled[v].x - 0.35) * 1.05, 1e-6) << v;
        EXPECT_NEAR(uv().GetVertex(v).y, scaled[v].y, 1e-6) << "y locked, point " << v;
    }

    // Rotate Left turns counter-clockwise in the view (y down) by five degrees, locks or not.
    const std::vector<Vector3> unturned = uv().GetVertices();
    dialog.chkConstrainX->setValue(true);
    dialog.cmdRotateLeft_MouseUp(kLeft, 0);
    const Vector3 a = unturned[quad[0]];
    const Vector3 b = uv().GetVertex(quad[0]);
    const double cx = (unturned[quad[0]].x + unturned[quad[1]].x) / 2.0;
    const double cy = (unturned[quad[0]].y + unturned[quad[2]].y) / 2.0;
    const double turned = std::atan2(cy - b.y, b.x - cx) - std::atan2(cy - a.y, a.x - cx);
    EXPECT_NEAR(turned * 180.0 / std::numbers::pi, 5.0, 1e-3);
    dialog.chkConstrainX->setValue(false);

    // Without a selection every point moves.
    scene->ClearSelection(uvDevice());
    const std::vector<Vector3> all = uv().GetVertices();
    dialog.cmdShiftUp_MouseUp(kLeft, 0);
    expectAllMoved(all, 0.0f, 0.05f);
    EXPECT_EQ(dialog.atHistory().back().uvCopy->vertices(), all) << "recorded before the change";
    expectAtlasFollowsLayout();
    expectCacheIsLayout();
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
