// The eight UV transform buttons: one scale, rotate or move step per left mouse-up on the
// button, Ctrl for the fine step and Shift (on the scale buttons) for y only, the axis locks from
// the lock buttons or held keys, then the vertex cache, the redraws and the read-out of the step.
// Only the left mouse button acts: a right click does nothing and records no history.
#include "peelwise/editor/ReadoutText.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/TransformButtons.h"

#include "brontle/views/Editport.h"
#include "brontle/views/XPButton.h"

#include <QLabel>

namespace peelwise {

static_assert(brontle::XPButton::ShiftBit == modUV::kShiftBit &&
                  brontle::XPButton::CtrlBit == modUV::kCtrlBit,
              "the button's modifier bits are the ones the step table reads");

void frmMain::runTransformButton(modUV::TransformButton which, int button, int shift) {
    if (button != brontle::XPButton::LeftButton) {
        return;
    }
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        const modUV::TransformStep step =
            modUV::transformButtonStep(which, shift, userDecimalSeparator());
        const bool lockX = IsXConstrained();
        const bool lockY = IsYConstrained();
        editSession().transform(step.mode, step.amountX, step.amountY, lockX, lockY,
                                [this] { UpdateCommandStates(); });
        dfeObjectPreview->Refresh();
        dfeCoordinatesAdjustment->Refresh();
        showReadout(*lblX, *lblY, step.labels);
    });
}

void frmMain::cmdEnlarge_MouseUp(int button, int shift) {
    runTransformButton(modUV::TransformButton::Enlarge, button, shift);
}

void frmMain::cmdReduce_MouseUp(int button, int shift) {
    runTransformButton(modUV::TransformButton::Reduce, button, shift);
}

void frmMain::cmdRotateLeft_MouseUp(int button, int shift) {
    runTransformButton(modUV::TransformButton::RotateLeft, button, shift);
}

void frmMain::cmdRotateRight_MouseUp(int button, int shift) {
    runTransformButton(modUV::TransformButton::RotateRight, button, shift);
}

void frmMain::cmdShiftLeft_MouseUp(int button, int shift) {
    runTransformButton(modUV::TransformButton::ShiftLeft, button, shift);
}

void frmMain::cmdShiftRight_MouseUp(int button, int shift) {
    runTransformButton(modUV::TransformButton::ShiftRight, button, shift);
}

void frmMain::cmdShiftUp_MouseUp(int button, int shift) {
    runTransformButton(modUV::TransformButton::ShiftUp, button, shift);
}

void frmMain::cmdShiftDown_MouseUp(int button, int shift) {
    runTransformButton(modUV::TransformButton::ShiftDown, button, shift);
}

} // namespace peelwise
