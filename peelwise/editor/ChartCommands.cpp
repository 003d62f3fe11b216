// The chart commands of the coordinate view's context menu. They change only which points or
// polygons are selected: no history entry (a selection is not an edit), no coordinate change,
// and no command-state update of their own. Each statement is a step that, when it fails, is
// reported and followed by the next, so a failed selection step is still followed by the redraw.
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/views/Editport.h"

namespace peelwise {

void frmMain::mnuSelectChart_Click() {
    StepRunner trap(ErrorPolicy::ContinueWithNextStep);
    trap([&] { dfeCoordinatesAdjustment->SelectChart(); });
    trap([&] { dfeCoordinatesAdjustment->Refresh(); });
}

void frmMain::mnuSelectAllCharts_Click() {
    StepRunner trap(ErrorPolicy::ContinueWithNextStep);
    std::int32_t count = 0;
    brontle::SubSelection all;
    trap([&] { count = editUVShape().GetPolygonCount(); });
    trap([&] { all = allPolygons(count); });
    trap([&] { editScene().ClearSelection(uvDevice()); });
    trap([&] { editUVShape().SetSubSelection(uvDevice(), brontle::kSelectPolygons, all); });
    trap([&] { dfeCoordinatesAdjustment->Refresh(); });
}

void frmMain::mnuDeselectChart_Click() {
    StepRunner trap(ErrorPolicy::ContinueWithNextStep);
    trap([&] { dfeCoordinatesAdjustment->DeselectChart(); });
    trap([&] { dfeCoordinatesAdjustment->Refresh(); });
}

void frmMain::mnuDeselectAllCharts_Click() {
    StepRunner trap(ErrorPolicy::ContinueWithNextStep);
    trap([&] { editScene().ClearSelection(uvDevice()); });
    trap([&] { dfeCoordinatesAdjustment->Refresh(); });
}

} // namespace peelwise
