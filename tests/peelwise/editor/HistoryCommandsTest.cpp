// The dialog's undo and redo over the session's history: the Undo and Redo buttons step through
// it, and an undo with nothing to undo is reported. What a restore brings back (twenty states,
// selections, the table after a weld, the cache) is the session's test; the buttons' enabled
// states are CommandStatesTest's.
#include "UVEditFixture.h"

#include "peelwise/support/GeneralErrorHandler.h"

namespace {

using namespace uvedit_testing;

constexpr int kLeft = brontle::XPButton::LeftButton;

class HistoryCommandsTest : public UVEditFixture {
  protected:
    // states[n]: the UV points after n edits; each edit moves the selected point right.
    std::vector<std::vector<Vector3>> states;

    void SetUp() override {
        UVEditFixture::SetUp();
        selectPoints({vertexAt(0.2f, 0.1f)});
        states.push_back(uv().GetVertices());
    }
    void edit() {
        dialog.cmdShiftRight_MouseUp(kLeft, brontle::XPButton::CtrlBit);
        states.push_back(uv().GetVertices());
    }
};

TEST_F(HistoryCommandsTest, UndoWithNothingToUndoIsReported) {
    dialog.cmdEditUndo_Click();
    ASSERT_EQ(scripted->messages().size(), 1u);
    EXPECT_EQ(scripted->messages()[0].text, peelwise::generalErrorText(9, "") + " (#9)");
    EXPECT_EQ(uv().vertices(), states[0]);
    EXPECT_EQ(dialog.lHistoryCount(), 0);
}

TEST_F(HistoryCommandsTest, TheUndoAndRedoButtonsStepThroughTheHistory) {
    showDialog();
    edit();
    edit();
    dialog.UpdateCommandStates();
    QTest::mouseClick(dialog.cmdEditUndo, Qt::LeftButton);
    EXPECT_EQ(uv().vertices(), states[1]);
    QTest::mouseClick(dialog.cmdEditUndo, Qt::LeftButton);
    EXPECT_EQ(uv().vertices(), states[0]);
    QTest::mouseClick(dialog.cmdEditRedo, Qt::LeftButton);
    EXPECT_EQ(uv().vertices(), states[1]);
}

} // namespace
