// Which toolbar commands fit the coordinate view's selection and the edit history, and the two
// axis-lock queries the UV commands share.
#include "peelwise/editor/RequiredObject.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/services/Platform.h"
#include "brontle/views/Editport.h"
#include "brontle/views/XPButton.h"

namespace peelwise {

namespace {

// Virtual-key codes of the axis-lock keys: holding Y keeps U, holding X keeps V.
constexpr int kKeyX = 88;
constexpr int kKeyY = 89;

} // namespace

void frmMain::UpdateCommandStates() {
    withSource("frmMain", [&] { updateCommandStatesNow(); });
}

void frmMain::updateCommandStatesNow() {
    // Moving, rotating and scaling act on the selection or, without one, on every point; the
    // welds and unlink need chosen points.
    cmdEnlarge->setEnabled(true);
    cmdReduce->setEnabled(true);
    cmdRotateLeft->setEnabled(true);
    cmdRotateRight->setEnabled(true);
    cmdUnlink->setEnabled(false);
    cmdWeldNearest->setEnabled(false);
    cmdWeldToNearest->setEnabled(false);
    cmdWeldSelection->setEnabled(false);
    cmdWeldToSelected->setEnabled(false);

    brontle::SceneGraph& scene = required(cCSG(), "scene graph");
    const brontle::DeviceID device = dfeCoordinatesAdjustment->DeviceID();
    if (scene.GetSelectedShapeCount(device) > 0 &&
        scene.GetSubSelectionKind(device) == brontle::kSelectPoints) {
        const std::int32_t n = required(scene.GetSelectedShape(device, 0), "selected shape")
                                   .GetSubSelection(device)
                                   .count();
        if (n == 1) {
            // One point has no extent to scale or turn about.
            cmdEnlarge->setEnabled(false);
            cmdReduce->setEnabled(false);
            cmdRotateLeft->setEnabled(false);
            cmdRotateRight->setEnabled(false);
            cmdUnlink->setEnabled(true);
            cmdWeldNearest->setEnabled(true);
            cmdWeldToNearest->setEnabled(true);
        } else if (n >= 2) {
            cmdWeldSelection->setEnabled(true);
            cmdWeldToSelected->setEnabled(true);
        }
    }

    cmdEditUndo->setEnabled(false);
    cmdEditRedo->setEnabled(false);
    if (lHistoryCount() > 0) {
        cmdEditUndo->setEnabled(lHistoryPosition() > 0);
        cmdEditRedo->setEnabled(lHistoryPosition() < lHistoryCount() - 1);
    }
}

bool frmMain::IsXConstrained() const {
    return chkConstrainX->Value() || brontle::platform().isKeyDown(kKeyY);
}

bool frmMain::IsYConstrained() const {
    return chkConstrainY->Value() || brontle::platform().isKeyDown(kKeyX);
}

} // namespace peelwise
