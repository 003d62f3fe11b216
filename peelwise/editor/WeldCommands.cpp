// The four weld buttons: each picks a target and the points to move (modUV::chooseWeldTarget),
// joins them there (modUV::WeldUVPoints), clears the point selection, refreshes the vertex cache
// and the UV-to-atlas table, and redraws both views. A weld that cannot go on (no selection, no
// other point to join) is reported before any shape has changed; its history entry stays.
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"
#include "peelwise/uv/WeldTargets.h"
#include "peelwise/uv/WeldUVPoints.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/views/Editport.h"

#include <vector>

namespace peelwise {

void frmMain::runWeld(modUV::WeldKind kind) {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        RecordHistory();
        UpdateCommandStates();
        brontle::SceneGraph& scene = editScene();
        const brontle::DeviceID device = uvDevice();
        const brontle::ShapePtr shape = scene.GetSelectedShape(device, 0);
        brontle::SubSelection points = shape->GetSelectedVertices(device);
        std::vector<brontle::Vector3> positions = shape->GetVertices();
        const brontle::Vector3 target = modUV::chooseWeldTarget(kind, points, positions);
        modUV::WeldUVPoints(target, points, *shape, positions, editAtlasShape(),
                            alUVVertexToTexCoord);
        scene.ClearSelection(device);
        refreshUVPositionCache();
        modUV::RebuildUVCorrespondence(editUVShape(), editAtlasShape(), alUVVertexToTexCoord);
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
