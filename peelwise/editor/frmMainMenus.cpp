// The editor dialog's two popup menus: context menus of the 3D preview and of the 2D coordinate
// view, never shown on a menu bar.
#include "peelwise/editor/frmMain.h"

#include <QAction>
#include <QMenu>

namespace peelwise {

namespace {

QMenu* popupMenu(QWidget* parent, const char* name, const char* caption) {
    auto* menu = new QMenu(caption, parent);
    menu->setObjectName(name);
    return menu;
}

QAction* menuItem(QMenu* menu, const char* name, const char* caption) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    return item;
}

// A separator keeps "-" as its caption, the caption that makes a menu item a separator.
QAction* menuSeparator(QMenu* menu, const char* name) {
    QAction* item = menu->addSeparator();
    item->setObjectName(name);
    item->setText("-");
    return item;
}

} // namespace

void frmMain::createMenus() {
    mnuPopupObjectPreview = popupMenu(this, "mnuPopupObjectPreview", "PopupObjectPreview");
    mnuSelectLoop = menuItem(mnuPopupObjectPreview, "mnuSelectLoop", "Select Edge Loop/Arc");
    mnuPopupObjectPreviewSeparator =
        menuSeparator(mnuPopupObjectPreview, "mnuPopupObjectPreviewSeparator");
    mnuDeselectAll = menuItem(mnuPopupObjectPreview, "mnuDeselectAll", "Deselect All");

    mnuPopupCoordinatesAdjustment =
        popupMenu(this, "mnuPopupCoordinatesAdjustment", "PopupCoordinatesAdjustment");
    mnuSelectChart = menuItem(mnuPopupCoordinatesAdjustment, "mnuSelectChart", "Select Chart");
    mnuSelectAllCharts =
        menuItem(mnuPopupCoordinatesAdjustment, "mnuSelectAllCharts", "Select All Charts");
    mnuPopupCoordinatesAdjustmentx =
        menuSeparator(mnuPopupCoordinatesAdjustment, "mnuPopupCoordinatesAdjustmentx");
    mnuDeselectChart =
        menuItem(mnuPopupCoordinatesAdjustment, "mnuDeselectChart", "Deselect Chart");
    mnuDeselectAllCharts =
        menuItem(mnuPopupCoordinatesAdjustment, "mnuDeselectAllCharts", "Deselect All Charts");
}

} // namespace peelwise
