// The dialog's reactions to the coordinate view's notifications: dragged moves and scales of the
// selected UV points (the session's drags, with the axis locks of the dialog), the coordinate
// read-out, the command states after a
// selection or drag, redraws, and the view's context menu. Each handler traps its errors, hands
// them to the general error handler and ends.
#include "peelwise/editor/ReadoutText.h"
#include "peelwise/editor/SingleSelectedPoint.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/ApplyDragMove.h"
#include "peelwise/uv/ApplyDragScale.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/views/Editport.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include <vector>

namespace peelwise {

using brontle::Vector2;
using brontle::Vector3;

namespace {

bool allZero(float dx, float dy, float dz) {
    return dx == 0.0f && dy == 0.0f && dz == 0.0f;
}

} // namespace

void frmMain::dfeCoordinatesAdjustment_EditBegin() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        // A zero move rewrites the selected points from the cache, clamped, before the state
        // is recorded, so the recorded state is the one the drag starts from.
        dfeCoordinatesAdjustment_DragMove(0.0f, 0.0f, 0.0f);
        RecordHistory();
    });
}

void frmMain::dfeCoordinatesAdjustment_DragMove(float dx, float dy, float dz) {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        const modUV::DragResult result = editSession().dragMove(
            dx, dy, [this] { return IsXConstrained(); }, [this] { return IsYConstrained(); });
        if (const auto readout =
                modUV::dragMoveReadout(result, dx, dy, dz, userDecimalSeparator())) {
            showReadout(*lblX, *lblY, *readout);
        }
        if (!allZero(dx, dy, dz)) {
            dfeObjectPreview->Refresh();
            dfeCoordinatesAdjustment->Refresh();
        }
    });
}

void frmMain::dfeCoordinatesAdjustment_DragScale(float sx, float sy) {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        const modUV::DragResult result = editSession().dragScale(
            sx, sy, [this] { return IsXConstrained(); }, [this] { return IsYConstrained(); });
        showReadout(*lblX, *lblY,
                    modUV::scaleReadout(result.fx, result.fy, userDecimalSeparator()));
        // The preview shows the texture following. This host's edit view does not redraw
        // itself while it reports a scale gesture (it only reports the totals), so the UV view
        // is redrawn here too; otherwise the points would appear to stand still until some
        // later redraw.
        dfeObjectPreview->Refresh();
        dfeCoordinatesAdjustment->Refresh();
    });
}

void frmMain::dfeCoordinatesAdjustment_EditEnd() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        editSession().endDrag();
        UpdateCommandStates();
    });
}

void frmMain::dfeCoordinatesAdjustment_SelectionChange() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] { UpdateCommandStates(); });
}

void frmMain::dfeCoordinatesAdjustment_SelectionPick() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        const std::optional<Vector3> point = singleSelectedPoint(editScene(), uvDevice());
        if (point) {
            showReadout(*lblX, *lblY, modUV::positionReadout(*point, userDecimalSeparator()));
        } else {
            clearReadout(*lblX, *lblY);
        }
        dfeCoordinatesAdjustment->Refresh();
    });
}

void frmMain::dfeCoordinatesAdjustment_SelectionRelease() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        // One selected point keeps the read-out that the pick or the drag left.
        if (!singleSelectedPoint(editScene(), uvDevice())) {
            clearReadout(*lblX, *lblY);
        }
        dfeCoordinatesAdjustment->Refresh();
    });
}

void frmMain::dfeCoordinatesAdjustment_ViewChange() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] { dfeCoordinatesAdjustment->Refresh(); });
}

void frmMain::dfeCoordinatesAdjustment_PointerMove(const brontle::ShapePtr& hitObject, bool hitFlag,
                                                   float x, float y) {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        brontle::SceneGraph& scene = editScene();
        const brontle::DeviceID device = uvDevice();
        const char separator = userDecimalSeparator();
        if (scene.GetSelectedShapeCount(device) >= 1) {
            // While something is selected the read-out belongs to the selection.
            if (const auto point = singleSelectedPoint(scene, device)) {
                showReadout(*lblX, *lblY, modUV::positionReadout(*point, separator));
            } else {
                clearReadout(*lblX, *lblY);
            }
        } else if (hitFlag && hitObject) {
            showReadout(*lblX, *lblY, modUV::positionReadout({x, y, 0.0f}, separator));
        } else {
            clearReadout(*lblX, *lblY);
        }
    });
}

void frmMain::dfeCoordinatesAdjustment_ContextMenu(const QPoint& globalPos) {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        const bool anySelected = editScene().GetSelectedShapeCount(uvDevice()) >= 1;
        mnuSelectChart->setEnabled(anySelected);
        mnuDeselectChart->setEnabled(anySelected);
        mnuDeselectAllCharts->setEnabled(anySelected);
        // "Select All Charts" is always offered. The menu pops up without a nested event loop:
        // the view's mouse handler that raised this notification returns first, and the
        // chosen item's command runs from the dialog's own loop.
        mnuPopupCoordinatesAdjustment->popup(globalPos);
    });
}

} // namespace peelwise
