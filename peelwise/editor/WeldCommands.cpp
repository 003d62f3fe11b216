// The four weld buttons: the session's weld of the kind (it records the history, joins the
// points, clears the point selection and refreshes the vertex cache and the UV-to-atlas table),
// then both views are redrawn. A weld that cannot go on (no selection, no other point to join)
// is reported before any shape has changed; its history entry stays.
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/WeldTargets.h"

#include "brontle/views/Editport.h"

namespace peelwise {

void frmMain::runWeld(modUV::WeldKind kind) {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        editSession().weld(kind, [this] { UpdateCommandStates(); });
        dfeCoordinatesAdjustment->Refresh();
        dfeObjectPreview->Refresh();
    });
}

void frmMain::cmdWeldSelection_Click() {
    runWeld(modUV::WeldKind::Selection);
}

void frmMain::cmdWeldToSelected_Click() {
    runWeld(modUV::WeldKind::ToSelected);
}

void frmMain::cmdWeldNearest_Click() {
    runWeld(modUV::WeldKind::Nearest);
}

void frmMain::cmdWeldToNearest_Click() {
    runWeld(modUV::WeldKind::ToNearest);
}

} // namespace peelwise
