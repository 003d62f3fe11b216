// Wires the UV editing handlers to their controls: the coordinate view's notifications, the
// transform buttons' mouse-up (button and Shift / Ctrl bits), the weld, Unlink, Undo and Redo
// clicks, and the chart items of the view's context menu.
#include "peelwise/editor/frmMain.h"

#include "brontle/views/Editport.h"
#include "brontle/views/XPButton.h"

#include <QAction>

namespace peelwise {

void frmMain::connectUVEditHandlers() {
    using brontle::Editport;
    using brontle::XPButton;
    Editport* view = dfeCoordinatesAdjustment;
    connect(view, &Editport::EditBegin, this, [this] { dfeCoordinatesAdjustment_EditBegin(); });
    connect(view, &Editport::DragMove, this, [this](float dx, float dy, float dz) {
        dfeCoordinatesAdjustment_DragMove(dx, dy, dz);
    });
    connect(view, &Editport::DragScale, this,
            [this](float sx, float sy) { dfeCoordinatesAdjustment_DragScale(sx, sy); });
    connect(view, &Editport::EditEnd, this, [this] { dfeCoordinatesAdjustment_EditEnd(); });
    connect(view, &Editport::SelectionChange, this,
            [this] { dfeCoordinatesAdjustment_SelectionChange(); });
    connect(view, &Editport::SelectionPick, this,
            [this] { dfeCoordinatesAdjustment_SelectionPick(); });
    connect(view, &Editport::SelectionRelease, this,
            [this] { dfeCoordinatesAdjustment_SelectionRelease(); });
    connect(view, &Editport::ViewChange, this, [this] { dfeCoordinatesAdjustment_ViewChange(); });
    connect(view, &Editport::PointerMove, this,
            [this](const brontle::ShapePtr& hit, bool flag, float x, float y) {
                dfeCoordinatesAdjustment_PointerMove(hit, flag, x, y);
            });
    connect(view, &Editport::ContextMenu, this,
            [this](QPoint at) { dfeCoordinatesAdjustment_ContextMenu(at); });

    const std::pair<XPButton*, void (frmMain::*)(int, int)> transforms[] = {
        {cmdEnlarge, &frmMain::cmdEnlarge_MouseUp},
        {cmdReduce, &frmMain::cmdReduce_MouseUp},
        {cmdRotateLeft, &frmMain::cmdRotateLeft_MouseUp},
        {cmdRotateRight, &frmMain::cmdRotateRight_MouseUp},
        {cmdShiftLeft, &frmMain::cmdShiftLeft_MouseUp},
        {cmdShiftRight, &frmMain::cmdShiftRight_MouseUp},
        {cmdShiftUp, &frmMain::cmdShiftUp_MouseUp},
        {cmdShiftDown, &frmMain::cmdShiftDown_MouseUp},
    };
    for (const auto& [button, handler] : transforms) {
        connect(button, &XPButton::MouseUp, this,
                [this, handler = handler](int mouseButton, int shift) {
                    (this->*handler)(mouseButton, shift);
                });
    }

    const std::pair<XPButton*, void (frmMain::*)()> clicks[] = {
        {cmdWeldSelection, &frmMain::cmdWeldSelection_Click},
        {cmdWeldToSelected, &frmMain::cmdWeldToSelected_Click},
        {cmdWeldNearest, &frmMain::cmdWeldNearest_Click},
        {cmdWeldToNearest, &frmMain::cmdWeldToNearest_Click},
        {cmdUnlink, &frmMain::cmdUnlink_Click},
        {cmdEditUndo, &frmMain::cmdEditUndo_Click},
        {cmdEditRedo, &frmMain::cmdEditRedo_Click},
    };
    for (const auto& [button, handler] : clicks) {
        connect(button, &XPButton::clicked, this,
                [this, handler = handler] { (this->*handler)(); });
    }

    const std::pair<QAction*, void (frmMain::*)()> items[] = {
        {mnuSelectChart, &frmMain::mnuSelectChart_Click},
        {mnuSelectAllCharts, &frmMain::mnuSelectAllCharts_Click},
        {mnuDeselectChart, &frmMain::mnuDeselectChart_Click},
        {mnuDeselectAllCharts, &frmMain::mnuDeselectAllCharts_Click},
    };
    for (const auto& [item, handler] : items) {
        connect(item, &QAction::triggered, this, [this, handler = handler] { (this->*handler)(); });
    }
}

} // namespace peelwise
