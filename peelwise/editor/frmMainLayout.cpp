// The editor dialog's resize handler: reads the main areas' rectangles, applies the resize rules
// (MainLayoutRules.h) for the new client size, and places the widgets accordingly.
#include "peelwise/editor/MainLayoutRules.h"
#include "peelwise/editor/TwipsGeometry.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/services/Platform.h"
#include "brontle/views/Editport.h"
#include "brontle/views/Viewport.h"

#include <QFrame>
#include <QPushButton>
#include <QRegion>

namespace peelwise {

namespace {

MainLayout readLayout(const frmMain& form) {
    MainLayout layout;
    layout.picMainToolbar = twipsRectOf(*form.picMainToolbar);
    layout.dfeObjectPreview = twipsRectOf(*form.dfeObjectPreview);
    layout.dfeCoordinatesAdjustment = twipsRectOf(*form.dfeCoordinatesAdjustment);
    layout.picTextureOptions = twipsRectOf(*form.picTextureOptions);
    layout.fraManual = twipsRectOf(*form.fraManual);
    layout.cmdOK = twipsRectOf(*form.cmdOK);
    layout.cmdCancel = twipsRectOf(*form.cmdCancel);
    layout.dfvViewport = twipsRectOf(*form.dfvViewport);
    layout.cmdGenerateAtlas = twipsRectOf(*form.cmdGenerateAtlas);
    return layout;
}

// Only what the rules changed is placed again, so a control that other code has sized in the
// meantime (the render viewport on OK) keeps its size.
void placeChanged(QWidget& widget, const TwipsRect& before, const TwipsRect& after) {
    if (!(before == after)) {
        setTwipsRect(widget, after);
    }
}

// OK and Cancel sit over the lower right corner of the manual-transform frame, which was made
// before them and so lies above them; the frame leaves that corner to them, so that clicks there
// reach the buttons.
void uncoverButtons(frmMain& form) {
    QRegion visible(form.fraManual->rect());
    for (const QPushButton* button : {form.cmdOK, form.cmdCancel}) {
        const QRect inFrame = button->geometry().translated(-form.fraManual->pos());
        visible -= QRegion(inFrame);
    }
    form.fraManual->setMask(visible);
}

} // namespace

void frmMain::Form_Resize() {
    if (cmdGenerateAtlas == nullptr) {
        return; // a size change while the controls are still being made
    }
    // Every step runs with its errors ignored: a failing step is skipped and the rest still run.
    StepRunner ignore(ErrorPolicy::ContinueWithNextStep, [](const brontle::Error&) {});
    const double W = width() * brontle::platform().twipsPerPixelX();
    const double H = height() * brontle::platform().twipsPerPixelY();
    const MainLayout before = readLayout(*this);
    const MainLayout after = resizeMainLayout(before, W, H);
    ignore([&] {
        placeChanged(*dfeObjectPreview, before.dfeObjectPreview, after.dfeObjectPreview);
        placeChanged(*picTextureOptions, before.picTextureOptions, after.picTextureOptions);
        placeChanged(*dfeCoordinatesAdjustment, before.dfeCoordinatesAdjustment,
                     after.dfeCoordinatesAdjustment);
        placeChanged(*fraManual, before.fraManual, after.fraManual);
        placeChanged(*cmdOK, before.cmdOK, after.cmdOK);
        placeChanged(*cmdCancel, before.cmdCancel, after.cmdCancel);
        placeChanged(*dfvViewport, before.dfvViewport, after.dfvViewport);
        placeChanged(*cmdGenerateAtlas, before.cmdGenerateAtlas, after.cmdGenerateAtlas);
        uncoverButtons(*this);
    });
    ignore([&] { dfeCoordinatesAdjustment->Refresh(); });
    ignore([&] { dfeObjectPreview->Refresh(); });
}

} // namespace peelwise
