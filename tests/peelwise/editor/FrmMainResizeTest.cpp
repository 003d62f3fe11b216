// The resize rules applied to the dialog's widgets: every main area lands where the rules put
// it, to the pixel, and OK and Cancel stay clickable over the manual-transform frame. The rules'
// numbers for the design size and a dialog too low for the views are MainLayoutRulesTest's.
#include "peelwise/editor/MainLayoutRules.h"
#include "peelwise/editor/TwipsGeometry.h"
#include "peelwise/editor/frmMain.h"

#include "brontle/services/Platform.h"
#include "brontle/views/Editport.h"
#include "brontle/views/Viewport.h"
#include "brontle/views/XPButton.h"

#include <QFrame>
#include <QPushButton>
#include <gtest/gtest.h>

#include <cmath>

namespace peelwise {
namespace {

// One pixel at the platform's density, plus rounding of both the size and the position.
double pixelTwips() {
    return brontle::platform().twipsPerPixelX();
}

void expectPlaced(const QWidget& widget, const TwipsRect& expected) {
    SCOPED_TRACE(widget.objectName().toStdString());
    const TwipsRect actual = twipsRectOf(widget);
    const double tolerance = pixelTwips();
    EXPECT_NEAR(actual.left, expected.left, tolerance);
    EXPECT_NEAR(actual.top, expected.top, tolerance);
    EXPECT_NEAR(actual.width, expected.width, tolerance);
    EXPECT_NEAR(actual.height, expected.height, tolerance);
}

class FrmMainResizeTest : public ::testing::Test {
  protected:
    void resizeClient(double widthTwips, double heightTwips) {
        dialog.resize(
            static_cast<int>(std::lround(widthTwips / brontle::platform().twipsPerPixelX())),
            static_cast<int>(std::lround(heightTwips / brontle::platform().twipsPerPixelY())));
        // A hidden widget gets its resize event only when shown; run the handler as the event
        // would.
        dialog.Form_Resize();
    }
    frmMain& dialog = frmMain::instance();
};

TEST_F(FrmMainResizeTest, WiderAndTallerDialogMovesTheWidgetsAsTheRulesSay) {
    resizeClient(kDesignClientWidth, kDesignClientHeight);
    const double W = kDesignClientWidth + 3000;
    const double H = kDesignClientHeight + 1500;
    resizeClient(W, H);
    const double view = (W - 60) / 2;
    expectPlaced(*dialog.dfeObjectPreview, {0, 360, view, H - 1365});
    expectPlaced(*dialog.dfeCoordinatesAdjustment, {W - view, 360, view, H - 1365});
    expectPlaced(*dialog.picTextureOptions, {0, 360 + H - 1365, view, 975});
    expectPlaced(*dialog.fraManual, {W - 7230, 360 + H - 1365, 7200, 975});
    expectPlaced(*dialog.cmdOK, {W - 2460, 360 + H - 1365 + 540, 1215, 375});
    expectPlaced(*dialog.cmdCancel, {W - 1200, 360 + H - 1365 + 540, 1155, 375});
    EXPECT_NEAR(twipsRectOf(*dialog.cmdGenerateAtlas).left, view - 990, pixelTwips());
    EXPECT_NEAR(twipsRectOf(*dialog.dfvViewport).top, H, pixelTwips());
    // The render viewport keeps the size it was given in twips.
    EXPECT_EQ(dialog.dfvViewport->Width(), 4635);
    resizeClient(kDesignClientWidth, kDesignClientHeight);
}

TEST_F(FrmMainResizeTest, OKAndCancelAreNotCoveredByTheManualFrame) {
    resizeClient(kDesignClientWidth, kDesignClientHeight);
    dialog.show();
    for (QPushButton* button : {dialog.cmdOK, dialog.cmdCancel}) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QPoint centre = button->geometry().center();
        EXPECT_EQ(dialog.childAt(centre), button);
    }
    // The frame's own buttons are still reachable.
    const QPoint unlink = dialog.cmdUnlink->mapTo(&dialog, dialog.cmdUnlink->rect().center());
    EXPECT_EQ(dialog.childAt(unlink), static_cast<QWidget*>(dialog.cmdUnlink));
    dialog.hide();
}

} // namespace
} // namespace peelwise
