// The Unlink button: the session detaches the selected UV point from the view's current
// polygon, whose corner gets a UV vertex and an atlas texture coordinate of its own a little
// inside the polygon, while other polygons keep the old point; then both views are redrawn.
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/views/Editport.h"

namespace peelwise {

void frmMain::cmdUnlink_Click() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        const std::int32_t polygon = dfeCoordinatesAdjustment->CurrentPolygon();
        editSession().unlink(polygon, [this] { UpdateCommandStates(); });
        dfeCoordinatesAdjustment->Refresh();
        dfeObjectPreview->Refresh();
    });
}

} // namespace peelwise
