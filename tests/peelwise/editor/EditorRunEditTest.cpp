// UV edits inside a whole editing run, on the layout the start-up built: a transform button and
// Undo through the real buttons, and a second run whose start-up resets the history so that its
// Undo never reaches a state of the first run.
#include "EditorRunFixture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/views/XPButton.h"

#include <QTest>

namespace {

using brontle::Vector3;
using peelwise::frmMain;

// That the atlas follows each edit is the editing session's test; here the buttons of a whole
// run drive it.
using EditorRunEditTest = editor_testing::EditorRunTest;

TEST_F(EditorRunEditTest, AStepAndItsUndoOnTheLayoutTheStartUpBuilt) {
    suppressHint();
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        ASSERT_NE(d.csUVShape, nullptr);
        EXPECT_EQ(d.lHistoryCount(), 0);
        EXPECT_FALSE(d.cmdEditUndo->isEnabled());
        const std::vector<Vector3> start = d.csUVShape->GetVertices();
        QTest::mouseClick(d.cmdShiftDown, Qt::LeftButton, Qt::ControlModifier);
        EXPECT_EQ(d.lblX->text(), "Move Y: 0.001");
        for (std::size_t v = 0; v < start.size(); ++v) {
            const float y = start[v].y - 0.001f;
            EXPECT_EQ(d.csUVShape->vertices()[v], (Vector3{start[v].x, y < 0 ? 0.0f : y, 0.0f}))
                << v;
        }
        EXPECT_EQ(d.avUVPositions, d.csUVShape->vertices());
        EXPECT_TRUE(d.bUVChanged);
        ASSERT_TRUE(d.cmdEditUndo->isEnabled());
        QTest::mouseClick(d.cmdEditUndo, Qt::LeftButton);
        EXPECT_EQ(d.csUVShape->vertices(), start);
        EXPECT_TRUE(d.cmdEditRedo->isEnabled());
    }));
    EXPECT_TRUE(scripted->messages().empty());
}

TEST_F(EditorRunEditTest, EachRunStartsWithAnEmptyHistory) {
    suppressHint();
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        d.cmdShiftRight_MouseUp(brontle::XPButton::LeftButton, 0);
        d.cmdShiftRight_MouseUp(brontle::XPButton::LeftButton, 0);
        EXPECT_EQ(d.lHistoryCount(), 2);
    }));
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        EXPECT_EQ(d.lHistoryCount(), 0);
        EXPECT_TRUE(d.atHistory().empty());
        const std::vector<Vector3> start = d.csUVShape->GetVertices();
        d.cmdShiftUp_MouseUp(brontle::XPButton::LeftButton, 0);
        EXPECT_EQ(d.lHistoryCount(), 1) << "no state of the first run is left";
        d.UndoEdit();
        EXPECT_EQ(d.csUVShape->vertices(), start);
        EXPECT_FALSE(d.cmdEditUndo->isEnabled());
    }));
    EXPECT_TRUE(scripted->messages().empty());
}

} // namespace
