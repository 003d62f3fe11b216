// The Unlink button: the selected UV point is detached from the view's current polygon, whose
// corner gets a UV vertex and an atlas texture coordinate of its own a little inside the polygon
// (modUV::UnlinkCorner), while other polygons keep the old point. Then the selection is cleared
// and the vertex cache, the UV-to-atlas table and both views follow.
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"
#include "peelwise/uv/UnlinkCorner.h"

#include "brontle/core/Error.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/views/Editport.h"

namespace peelwise {

void frmMain::cmdUnlink_Click() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        RecordHistory();
        UpdateCommandStates();
        brontle::SceneGraph& scene = editScene();
        const brontle::DeviceID device = uvDevice();
        const brontle::ShapePtr shape = scene.GetSelectedShape(device, 0);
        const brontle::SubSelection selection = shape->GetSubSelection(device);
        const std::int32_t polygon = dfeCoordinatesAdjustment->CurrentPolygon();
        if (selection.empty()) {
            throw brontle::Error(brontle::ErrorNumber::SubscriptOutOfRange,
                                 "Unlink: no point is selected in the coordinate view", "frmMain");
        }
        const std::int32_t vertex = selection.entries.front().index;
        // UnlinkCorner checks the polygon, the corner at the point and the new position before
        // it writes anything, so a failure there leaves the selection and both shapes as they
        // were; only a successful detach clears the selection.
        modUV::UnlinkCorner(*shape, editAtlasShape(), polygon, vertex);
        scene.ClearSelection(device);
        refreshUVPositionCache();
        modUV::RebuildUVCorrespondence(editUVShape(), editAtlasShape(), alUVVertexToTexCoord);
        dfeCoordinatesAdjustment->Refresh();
        dfeObjectPreview->Refresh();
    });
}

} // namespace peelwise
