// Seams in the 3D preview: the default seams from the crease edges, the two seam buttons, the
// preview's context menu and its notifications. The seams are the edge selection of the atlas
// shape in the preview; the dialog keeps no list of its own.
#include "peelwise/editor/RequiredObject.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/CreaseEdge.h"
#include "peelwise/uv/UnwrapGeometry.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/views/Editport.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace peelwise {

void frmMain::MarkCreaseSeams(const brontle::ShapePtr& shape,
                              const std::vector<modUV::CreaseEdge>& creases, std::int32_t count) {
    withSource("frmMain", [&] {
        markCreaseSeams(required(cCSG(), "scene graph"), required(shape, "shape"),
                        dfeObjectPreview->DeviceID(), creases, count);
        dfeObjectPreview->Refresh();
    });
}

void frmMain::cmdCreaseSeams_Click() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] { MarkCreaseSeams(csAtlasShape, atCreaseEdges, lCreaseEdgeCount()); });
    trap([&] { cmdDeselectAll->setEnabled(true); });
}

void frmMain::cmdDeselectAll_Click() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] { required(cCSG(), "scene graph").ClearSelection(dfeObjectPreview->DeviceID()); });
    trap([&] { dfeObjectPreview->Refresh(); });
    trap([&] { cmdDeselectAll->setEnabled(false); });
    trap([&] { cmdCreaseSeams->setEnabled(lCreaseEdgeCount() >= 1); });
}

void frmMain::mnuDeselectAll_Click() {
    StepRunner trap(ErrorPolicy::ContinueWithNextStep);
    trap([&] { cmdDeselectAll_Click(); });
}

void frmMain::mnuSelectLoop_Click() {
    StepRunner trap(ErrorPolicy::ContinueWithNextStep);
    trap([&] { dfeObjectPreview->SelectEdgeLoop(); });
    trap([&] { dfeObjectPreview->Refresh(); });
}

void frmMain::dfeObjectPreview_SelectionChange() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        brontle::SceneGraph& scene = required(cCSG(), "scene graph");
        const brontle::DeviceID device = dfeObjectPreview->DeviceID();
        // With no shape or several shapes selected the button keeps its state.
        if (scene.GetSelectedShapeCount(device) == 1) {
            const brontle::ShapePtr shape = scene.GetSelectedShape(device, 0);
            cmdDeselectAll->setEnabled(
                required(shape, "selected shape").GetSubSelection(device).count() != 0);
        }
    });
    trap([&] {
        const bool creases = lCreaseEdgeCount() >= 1;
        cmdCreaseSeams->setVisible(creases);
        cmdCreaseSeams->setEnabled(creases);
    });
}

void frmMain::dfeObjectPreview_ViewChange() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] { dfeObjectPreview->Refresh(); });
}

void frmMain::dfeObjectPreview_ContextMenu(const QPoint& globalPos) {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        brontle::SceneGraph& scene = required(cCSG(), "scene graph");
        const brontle::DeviceID device = dfeObjectPreview->DeviceID();
        if (scene.GetSelectedShapeCount(device) > 0) {
            const brontle::ShapePtr shape = scene.GetSelectedShape(device, 0);
            mnuSelectLoop->setEnabled(
                required(shape, "selected shape").GetSubSelectionCount(device) > 0);
            mnuDeselectAll->setEnabled(true);
        } else {
            mnuSelectLoop->setEnabled(false);
            mnuDeselectAll->setEnabled(false);
        }
    });
    // A popup, not a nested loop: the chosen item's handler runs from the event loop, as every
    // other command does.
    trap([&] { mnuPopupObjectPreview->popup(globalPos); });
}

void frmMain::connectUnwrapAndSeamHandlers() {
    connect(cmdGenerateAtlas, &QPushButton::clicked, this, [this] { cmdGenerateAtlas_Click(); });
    connect(cmdCreaseSeams, &QPushButton::clicked, this, [this] { cmdCreaseSeams_Click(); });
    connect(cmdDeselectAll, &QPushButton::clicked, this, [this] { cmdDeselectAll_Click(); });
    connect(mnuDeselectAll, &QAction::triggered, this, [this] { mnuDeselectAll_Click(); });
    connect(mnuSelectLoop, &QAction::triggered, this, [this] { mnuSelectLoop_Click(); });
    connect(dfeObjectPreview, &brontle::Editport::SelectionChange, this,
            [this] { dfeObjectPreview_SelectionChange(); });
    connect(dfeObjectPreview, &brontle::Editport::ViewChange, this,
            [this] { dfeObjectPreview_ViewChange(); });
    connect(dfeObjectPreview, &brontle::Editport::ContextMenu, this,
            [this](QPoint globalPos) { dfeObjectPreview_ContextMenu(globalPos); });
}

} // namespace peelwise
