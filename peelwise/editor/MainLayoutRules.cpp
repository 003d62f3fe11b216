#include "peelwise/editor/MainLayoutRules.h"

#include <cmath>

namespace peelwise {

MainLayout designLayout() {
    MainLayout layout;
    layout.picMainToolbar = {0, 0, 14490, 345};
    layout.dfeObjectPreview = {0, 360, 7215, 7215};
    layout.dfeCoordinatesAdjustment = {7260, 360, 7215, 7215};
    layout.picTextureOptions = {0, 7575, 7215, 975};
    layout.fraManual = {7260, 7575, 7200, 975};
    layout.cmdOK = {12030, 8190, 1215, 375};
    layout.cmdCancel = {13290, 8190, 1155, 375};
    layout.dfvViewport = {0, 9800, 4635, 3135};
    // Unwrap spans both rows of the options strip, so the command that rebuilds everything is
    // the largest target there.
    layout.cmdGenerateAtlas = {6240, 90, 990, 795};
    return layout;
}

namespace {

// A window system refuses a negative size; such a step fails and is skipped. Positions may be
// negative (a control pushed off to the left is still placed).
void setSize(double& target, double value) {
    if (std::isfinite(value) && value >= 0.0) {
        target = value;
    }
}

void setPosition(double& target, double value) {
    if (std::isfinite(value)) {
        target = value;
    }
}

} // namespace

MainLayout resizeMainLayout(MainLayout current, double clientWidth, double clientHeight) {
    const double W = clientWidth;
    const double H = clientHeight;
    MainLayout& l = current;
    setSize(l.dfeObjectPreview.width, (W - 60.0) / 2.0);
    setSize(l.picTextureOptions.width, l.dfeObjectPreview.width);
    setSize(l.dfeCoordinatesAdjustment.width, l.dfeObjectPreview.width);
    // The preview stays at left 0, so this leaves a 60-twip gap between the views.
    setPosition(l.dfeCoordinatesAdjustment.left, W - l.dfeCoordinatesAdjustment.width);
    // 1365 = the toolbar above the views plus the options strip and the buttons below them.
    setSize(l.dfeObjectPreview.height, H - 1365.0);
    setSize(l.dfeCoordinatesAdjustment.height, H - 1365.0);
    setPosition(l.picTextureOptions.top, l.dfeObjectPreview.top + l.dfeObjectPreview.height);
    setPosition(l.fraManual.top, l.picTextureOptions.top);
    setPosition(l.fraManual.left, W - 7230.0);
    setPosition(l.cmdOK.top, l.fraManual.top + 540.0);
    setPosition(l.cmdOK.left, W - 2460.0);
    setPosition(l.cmdCancel.top, l.cmdOK.top);
    setPosition(l.cmdCancel.left, W - 1200.0);
    setPosition(l.dfvViewport.top, H);
    setPosition(l.cmdGenerateAtlas.left, l.dfeObjectPreview.width - l.cmdGenerateAtlas.width);
    return current;
}

} // namespace peelwise
