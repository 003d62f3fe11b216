// The dialog's undo and redo over the session's history: the Undo and Redo buttons enabled to
// fit, the views showing the restored state, and an undo with nothing to undo reported. What a
// restore brings back (twenty states, selections, the table after a weld) is the session's test.
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
    void expectFieldsInStep() const {
        EXPECT_EQ(dialog.atHistory().size(), static_cast<std::size_t>(dialog.lHistoryCount()));
        EXPECT_EQ(dialog.cmdEditUndo->isEnabled(),
                  dialog.lHistoryCount() > 0 && dialog.lHistoryPosition() > 0);
        EXPECT_EQ(dialog.cmdEditRedo->isEnabled(),
                  dialog.lHistoryCount() > 0 &&
                      dialog.lHistoryPosition() < dialog.lHistoryCount() - 1);
    }
};

TEST_F(HistoryCommandsTest, UndoRestoresTheStateBeforeAnEditAndRedoBringsItBack) {
    edit();
    dialog.cmdEditUndo_Click();
    EXPECT_EQ(uv().vertices(), states[0]);
    EXPECT_EQ(dialog.lHistoryCount(), 2) << "the present was recorded first";
    EXPECT_EQ(dialog.lHistoryPosition(), 0);
    EXPECT_FALSE(dialog.cmdEditUndo->isEnabled());
    EXPECT_TRUE(dialog.cmdEditRedo->isEnabled());
    expectCacheIsLayout();
    expectFieldsInStep();

    dialog.cmdEditRedo_Click();
    EXPECT_EQ(uv().vertices(), states[1]);
    EXPECT_EQ(dialog.lHistoryPosition(), 1);
    EXPECT_TRUE(dialog.cmdEditUndo->isEnabled());
    EXPECT_FALSE(dialog.cmdEditRedo->isEnabled());
    expectCacheIsLayout();
    expectFieldsInStep();
    EXPECT_TRUE(scripted->messages().empty());
}

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
