// The dialog's undo and redo: twenty states, the dialog's history fields in step with them,
// Undo and Redo buttons enabled to fit, selections and the vertex cache restored, the UV-to-atlas
// table rebuilt after an undone weld, and a reset of the fields forgetting every state.
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
        EXPECT_EQ(dialog.atHistory.size(), static_cast<std::size_t>(dialog.lHistoryCount));
        EXPECT_EQ(dialog.cmdEditUndo->isEnabled(),
                  dialog.lHistoryCount > 0 && dialog.lHistoryPosition > 0);
        EXPECT_EQ(dialog.cmdEditRedo->isEnabled(),
                  dialog.lHistoryCount > 0 && dialog.lHistoryPosition < dialog.lHistoryCount - 1);
    }
};

TEST_F(HistoryCommandsTest, UndoRestoresTheStateBeforeAnEditAndRedoBringsItBack) {
    const std::vector<Vector2> texcoords = atlas().GetTextureCoordinates();
    edit();
    ASSERT_NE(atlas().texcoords(), texcoords) << "the edit writes the atlas";
    dialog.cmdEditUndo_Click();
    EXPECT_EQ(uv().vertices(), states[0]);
    EXPECT_EQ(dialog.lHistoryCount, 2) << "the present was recorded first";
    EXPECT_EQ(dialog.lHistoryPosition, 0);
    EXPECT_FALSE(dialog.cmdEditUndo->isEnabled());
    EXPECT_TRUE(dialog.cmdEditRedo->isEnabled());
    EXPECT_EQ(atlas().texcoords(), texcoords) << "the atlas shape is part of a state";
    EXPECT_EQ(selectedIndices(), (std::vector<std::int32_t>{vertexAt(0.2f, 0.1f)}))
        << "the recorded selection comes back";
    expectCacheIsLayout();
    expectFieldsInStep();

    dialog.cmdEditRedo_Click();
    EXPECT_EQ(uv().vertices(), states[1]);
    EXPECT_EQ(dialog.lHistoryPosition, 1);
    EXPECT_TRUE(dialog.cmdEditUndo->isEnabled());
    EXPECT_FALSE(dialog.cmdEditRedo->isEnabled());
    expectCacheIsLayout();
    expectFieldsInStep();
    EXPECT_TRUE(scripted->messages().empty());
}

TEST_F(HistoryCommandsTest, AfterTwentyFiveEditsNineteenUndosReachTheStateBeforeTheSeventh) {
    for (int i = 0; i < 25; ++i) {
        edit();
    }
    EXPECT_EQ(dialog.lHistoryCount, 20);
    EXPECT_EQ(dialog.lHistoryPosition, 20);
    ASSERT_EQ(dialog.atHistory.size(), 20u);
    EXPECT_EQ(dialog.atHistory.front().uvCopy->vertices(), states[5]) << "the oldest kept";
    EXPECT_EQ(dialog.atHistory.back().uvCopy->vertices(), states[24]);
    for (int undo = 1; undo <= 19; ++undo) {
        ASSERT_TRUE(dialog.cmdEditUndo->isEnabled()) << "undo " << undo;
        dialog.cmdEditUndo_Click();
        expectFieldsInStep();
    }
    EXPECT_EQ(uv().vertices(), states[6]) << "the state before the 7th edit";
    EXPECT_FALSE(dialog.cmdEditUndo->isEnabled());
    EXPECT_TRUE(dialog.cmdEditRedo->isEnabled());
    EXPECT_EQ(dialog.lHistoryPosition, 0);
    for (int redo = 1; redo <= 19; ++redo) {
        dialog.cmdEditRedo_Click();
    }
    EXPECT_EQ(uv().vertices(), states[25]) << "redo returns to the present";
    EXPECT_FALSE(dialog.cmdEditRedo->isEnabled());
    EXPECT_TRUE(scripted->messages().empty());
}

TEST_F(HistoryCommandsTest, AnEditAfterTwoUndosDiscardsBothRedoStates) {
    for (int i = 0; i < 3; ++i) {
        edit();
    }
    dialog.cmdEditUndo_Click();
    dialog.cmdEditUndo_Click();
    EXPECT_EQ(uv().vertices(), states[1]);
    EXPECT_TRUE(dialog.cmdEditRedo->isEnabled());
    dialog.cmdShiftUp_MouseUp(kLeft, 0);
    EXPECT_EQ(dialog.lHistoryPosition, dialog.lHistoryCount);
    EXPECT_EQ(dialog.lHistoryCount, 2);
    EXPECT_FALSE(dialog.cmdEditRedo->isEnabled());
    EXPECT_TRUE(dialog.cmdEditUndo->isEnabled());
    expectFieldsInStep();
    dialog.cmdEditUndo_Click();
    EXPECT_EQ(uv().vertices(), states[1]) << "the state before the new edit";
}

TEST_F(HistoryCommandsTest, UndoingAWeldRebuildsTheTableAndADragStartsFromTheRestoredLayout) {
    const std::int32_t d = vertexAt(0.2f, 0.5f);
    const std::int32_t i = vertexAt(0.2f, 0.4f);
    selectPoints({d, i});
    const std::vector<Vector3> before = uv().GetVertices();
    const std::vector<Vector2> texcoordsBefore = atlas().GetTextureCoordinates();
    const std::vector<std::int32_t> cornersBefore = atlas().cornerTexCoord();
    dialog.cmdWeldSelection_Click();
    ASSERT_TRUE(scripted->messages().empty());
    ASSERT_NE(atlas().cornerTexCoord(), cornersBefore) << "the weld joined atlas corners";
    dialog.cmdEditUndo_Click();
    EXPECT_EQ(uv().vertices(), before);
    EXPECT_EQ(atlas().texcoords(), texcoordsBefore) << "the atlas comes back with the layout";
    EXPECT_EQ(atlas().cornerTexCoord(), cornersBefore) << "its corners are apart again";
    expectTableMatchesCorners();
    expectCacheIsLayout();
    EXPECT_EQ(selectedIndices(), (std::vector<std::int32_t>{d, i})) << "the recorded selection";

    // A drag of the restored point moves it from where the undo put it; the rest stays.
    selectPoints({d});
    dialog.dfeCoordinatesAdjustment_EditBegin();
    dialog.dfeCoordinatesAdjustment_DragMove(0.1f, 0.0f, 0.0f);
    dialog.dfeCoordinatesAdjustment_EditEnd();
    EXPECT_EQ(uv().GetVertex(d), (Vector3{before[d].x + 0.1f, before[d].y, 0.0f}));
    for (std::int32_t v = 0; v < uv().GetVertexCount(); ++v) {
        if (v != d) {
            EXPECT_EQ(uv().GetVertex(v), before[v]) << v;
        }
    }
    EXPECT_EQ(atlas().texcoords()[dialog.alUVVertexToTexCoord[d]],
              (Vector2{before[d].x + 0.1f - 1.0f, -before[d].y}));
    EXPECT_TRUE(scripted->messages().empty());
}

TEST_F(HistoryCommandsTest, AViewWithoutASelectionWhenRecordedHasNoneAfterTheRestore) {
    const std::int32_t p = vertexAt(0.5f, 0.5f);
    scene->ClearSelection(uvDevice());
    dialog.cmdShiftUp_MouseUp(kLeft, 0);
    selectPoints({p});
    dialog.cmdEditUndo_Click();
    EXPECT_TRUE(selectedIndices().empty());
    EXPECT_EQ(dialog.atHistory[0].uvSelection.count(), 0);
    EXPECT_EQ(dialog.atHistory[0].uvKind, 0);
}

TEST_F(HistoryCommandsTest, ResettingTheDialogsHistoryFieldsForgetsEveryState) {
    edit();
    edit();
    // What the start-up and the unwrap do.
    dialog.atHistory.clear();
    dialog.lHistoryCount = 0;
    dialog.lHistoryPosition = 0;
    edit();
    EXPECT_EQ(dialog.lHistoryCount, 1);
    ASSERT_EQ(dialog.atHistory.size(), 1u);
    EXPECT_EQ(dialog.atHistory[0].uvCopy->vertices(), states[2]);
    dialog.cmdEditUndo_Click();
    EXPECT_EQ(uv().vertices(), states[2]);
    EXPECT_FALSE(dialog.cmdEditUndo->isEnabled()) << "nothing older is left";
}

TEST_F(HistoryCommandsTest, UndoWithNothingToUndoIsReported) {
    dialog.cmdEditUndo_Click();
    ASSERT_EQ(scripted->messages().size(), 1u);
    EXPECT_EQ(scripted->messages()[0].text, peelwise::generalErrorText(9, "") + " (#9)");
    EXPECT_EQ(uv().vertices(), states[0]);
    EXPECT_EQ(dialog.lHistoryCount, 0);
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
