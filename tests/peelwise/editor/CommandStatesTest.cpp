// The toolbar's enabled states for the coordinate view's selection and the edit history, and the
// axis locks from the toggle buttons and the held keys.
#include "EditorRunFixture.h"

#include "brontle/core/Error.h"
#include "brontle/io/SampleShapes.h"
#include "brontle/views/Editport.h"
#include "brontle/views/XPButton.h"

#include <initializer_list>

namespace {

using editor_testing::EditorRunTest;
using peelwise::frmMain;

class CommandStatesTest : public EditorRunTest {
  protected:
    void SetUp() override {
        EditorRunTest::SetUp();
        suppressHint();
        handOver(brontle::makeFlatShadedCube(*scene));
    }

    static void selectPoints(frmMain& d, std::initializer_list<int> points) {
        brontle::SubSelection selection;
        for (int p : points) {
            selection.add(p);
        }
        d.csUVShape->SetSubSelection(d.dfeCoordinatesAdjustment->DeviceID(), brontle::kSelectPoints,
                                     selection);
    }

    // Enabled states of: Enlarge, Reduce, RotateLeft, RotateRight, Unlink, WeldNearest,
    // WeldToNearest, WeldSelection, WeldToSelected.
    static std::vector<bool> states(const frmMain& d) {
        std::vector<bool> on;
        for (const brontle::XPButton* b :
             {d.cmdEnlarge, d.cmdReduce, d.cmdRotateLeft, d.cmdRotateRight, d.cmdUnlink,
              d.cmdWeldNearest, d.cmdWeldToNearest, d.cmdWeldSelection, d.cmdWeldToSelected}) {
            on.push_back(b->isEnabled());
        }
        return on;
    }
};

TEST_F(CommandStatesTest, TheSelectionDecidesTransformsWeldsAndUnlink) {
    EXPECT_TRUE(run([&](frmMain& d) {
        // After the start-up nothing is selected: transforms on, welds and unlink off.
        EXPECT_EQ(states(d), (std::vector<bool>{1, 1, 1, 1, 0, 0, 0, 0, 0}));

        selectPoints(d, {3});
        d.UpdateCommandStates();
        EXPECT_EQ(states(d), (std::vector<bool>{0, 0, 0, 0, 1, 1, 1, 0, 0}));

        selectPoints(d, {3, 5});
        d.UpdateCommandStates();
        EXPECT_EQ(states(d), (std::vector<bool>{1, 1, 1, 1, 0, 0, 0, 1, 1}));

        // A polygon selection is no point selection.
        d.csUVShape->SetSubSelection(d.dfeCoordinatesAdjustment->DeviceID(),
                                     brontle::kSelectPolygons, {});
        d.UpdateCommandStates();
        EXPECT_EQ(states(d), (std::vector<bool>{1, 1, 1, 1, 0, 0, 0, 0, 0}));

        // The shift buttons are never disabled.
        EXPECT_TRUE(d.cmdShiftLeft->isEnabled());
        EXPECT_TRUE(d.cmdShiftDown->isEnabled());
    }));
}

TEST_F(CommandStatesTest, UndoAndRedoFollowTheHistoryPosition) {
    EXPECT_TRUE(run([&](frmMain& d) {
        const auto undoRedo = [&](int count, int position) {
            EXPECT_EQ(d.lHistoryCount(), count);
            EXPECT_EQ(d.lHistoryPosition(), position);
            d.UpdateCommandStates();
            return std::make_pair(d.cmdEditUndo->isEnabled(), d.cmdEditRedo->isEnabled());
        };
        EXPECT_EQ(undoRedo(0, 0), std::make_pair(false, false));
        d.RecordHistory();
        d.RecordHistory();
        EXPECT_EQ(undoRedo(2, 2), std::make_pair(true, false));
        d.UndoEdit(); // records the present first
        EXPECT_EQ(undoRedo(3, 1), std::make_pair(true, true));
        d.UndoEdit();
        EXPECT_EQ(undoRedo(3, 0), std::make_pair(false, true));
        d.RedoEdit();
        d.RedoEdit();
        EXPECT_EQ(undoRedo(3, 2), std::make_pair(true, false));
    }));
}

TEST_F(CommandStatesTest, AxisLocksComeFromTheTogglesOrTheHeldKeys) {
    EXPECT_TRUE(run([&](frmMain& d) {
        EXPECT_FALSE(d.IsXConstrained());
        EXPECT_FALSE(d.IsYConstrained());
        scripted->setKeyDown(89, true); // Y holds U
        EXPECT_TRUE(d.IsXConstrained());
        EXPECT_FALSE(d.IsYConstrained());
        scripted->setKeyDown(89, false);
        scripted->setKeyDown(88, true); // X holds V
        EXPECT_FALSE(d.IsXConstrained());
        EXPECT_TRUE(d.IsYConstrained());
        scripted->setKeyDown(88, false);
        d.chkConstrainY->setValue(true);
        EXPECT_TRUE(d.IsYConstrained());
        EXPECT_FALSE(d.IsXConstrained());
        d.chkConstrainY->setValue(false);
        d.chkConstrainX->setValue(true);
        EXPECT_TRUE(d.IsXConstrained());
        d.chkConstrainX->setValue(false);
    }));
}

TEST_F(CommandStatesTest, WithoutASceneTheStatesAreAnErrorOfTheDialog) {
    peelwise::modMain::sceneGraph.reset();
    try {
        dialog.UpdateCommandStates();
        FAIL() << "no error";
    } catch (const brontle::Error& e) {
        EXPECT_EQ(e.number(), 91);
        EXPECT_EQ(e.source(), "frmMain");
    }
}

} // namespace
