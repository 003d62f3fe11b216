// The editor dialog's resize rules on plain numbers: the design size, a wider dialog, a dialog
// too low for the views, and one too narrow for them.
#include "peelwise/editor/MainLayoutRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace peelwise {
namespace {

void expectNear(const TwipsRect& actual, const TwipsRect& expected, double tolerance,
                const char* what) {
    SCOPED_TRACE(what);
    EXPECT_NEAR(actual.left, expected.left, tolerance);
    EXPECT_NEAR(actual.top, expected.top, tolerance);
    EXPECT_NEAR(actual.width, expected.width, tolerance);
    EXPECT_NEAR(actual.height, expected.height, tolerance);
}

TEST(MainLayoutRules, DesignLayoutHasTheDrawnRectangles) {
    const MainLayout d = designLayout();
    EXPECT_EQ(d.picMainToolbar, (TwipsRect{0, 0, 14490, 345}));
    EXPECT_EQ(d.dfeObjectPreview, (TwipsRect{0, 360, 7215, 7215}));
    EXPECT_EQ(d.dfeCoordinatesAdjustment, (TwipsRect{7260, 360, 7215, 7215}));
    EXPECT_EQ(d.picTextureOptions, (TwipsRect{0, 7575, 7215, 975}));
    EXPECT_EQ(d.fraManual, (TwipsRect{7260, 7575, 7200, 975}));
    EXPECT_EQ(d.cmdOK, (TwipsRect{12030, 8190, 1215, 375}));
    EXPECT_EQ(d.cmdCancel, (TwipsRect{13290, 8190, 1155, 375}));
    EXPECT_EQ(d.dfvViewport, (TwipsRect{0, 9800, 4635, 3135}));
    EXPECT_EQ(d.cmdGenerateAtlas.left, 6240);
    EXPECT_EQ(d.cmdGenerateAtlas.top, 90);
    EXPECT_EQ(d.cmdGenerateAtlas.width, 990);
}

TEST(MainLayoutRules, DesignClientSizeReproducesTheDesignLayout) {
    const MainLayout d = designLayout();
    const MainLayout r = resizeMainLayout(d, 14490, 8580);
    expectNear(r.picMainToolbar, d.picMainToolbar, 0, "toolbar");
    expectNear(r.dfeObjectPreview, d.dfeObjectPreview, 15, "preview");
    expectNear(r.dfeCoordinatesAdjustment, d.dfeCoordinatesAdjustment, 15, "UV view");
    expectNear(r.picTextureOptions, d.picTextureOptions, 15, "options strip");
    expectNear(r.fraManual, d.fraManual, 15, "manual frame");
    expectNear(r.dfvViewport, {0, 8580, 4635, 3135}, 0, "render viewport below the client");
    expectNear(r.cmdGenerateAtlas, {6225, 90, 990, 795}, 0, "Unwrap at the strip's right edge");
    // The UV view's left edge is the one the rules move off the drawing, by 15 twips.
    EXPECT_EQ(r.dfeCoordinatesAdjustment.left, 7275);
    // OK and Cancel go 540 below the strip's top, 75 twips above where they were drawn, and
    // keep their drawn horizontal places.
    EXPECT_EQ(r.cmdOK, (TwipsRect{12030, 8115, 1215, 375}));
    EXPECT_EQ(r.cmdCancel, (TwipsRect{13290, 8115, 1155, 375}));
}

TEST(MainLayoutRules, WideningBy2000WidensBothViewsBy1000AndMovesTheRightSide) {
    const MainLayout before = resizeMainLayout(designLayout(), 14490, 8580);
    const MainLayout after = resizeMainLayout(before, 16490, 8580);
    EXPECT_EQ(after.dfeObjectPreview.width, before.dfeObjectPreview.width + 1000);
    EXPECT_EQ(after.dfeCoordinatesAdjustment.width, before.dfeCoordinatesAdjustment.width + 1000);
    EXPECT_EQ(after.picTextureOptions.width, before.picTextureOptions.width + 1000);
    EXPECT_EQ(after.dfeObjectPreview.left, 0);
    // The UV view keeps to the right edge: its left moves by its growth, its right by 2000.
    EXPECT_EQ(after.dfeCoordinatesAdjustment.left, before.dfeCoordinatesAdjustment.left + 1000);
    EXPECT_EQ(after.dfeCoordinatesAdjustment.left + after.dfeCoordinatesAdjustment.width,
              before.dfeCoordinatesAdjustment.left + before.dfeCoordinatesAdjustment.width + 2000);
    EXPECT_EQ(after.fraManual.left, before.fraManual.left + 2000);
    EXPECT_EQ(after.cmdOK.left, before.cmdOK.left + 2000);
    EXPECT_EQ(after.cmdCancel.left, before.cmdCancel.left + 2000);
    EXPECT_EQ(after.cmdGenerateAtlas.left, before.cmdGenerateAtlas.left + 1000);
    // Heights and tops do not change with the width, and the toolbar never moves.
    EXPECT_EQ(after.dfeObjectPreview.height, before.dfeObjectPreview.height);
    EXPECT_EQ(after.fraManual.top, before.fraManual.top);
    EXPECT_EQ(after.cmdOK.top, before.cmdOK.top);
    EXPECT_EQ(after.picMainToolbar, before.picMainToolbar);
    // The gap between the views stays 60 twips.
    EXPECT_EQ(after.dfeCoordinatesAdjustment.left -
                  (after.dfeObjectPreview.left + after.dfeObjectPreview.width),
              60);
}

TEST(MainLayoutRules, TallerDialogGivesTheViewsTheHeightAndMovesTheStripDown) {
    const MainLayout r = resizeMainLayout(designLayout(), 14490, 10580);
    EXPECT_EQ(r.dfeObjectPreview.height, 9215);
    EXPECT_EQ(r.dfeCoordinatesAdjustment.height, 9215);
    EXPECT_EQ(r.picTextureOptions.top, 360 + 9215);
    EXPECT_EQ(r.fraManual.top, 9575);
    EXPECT_EQ(r.cmdOK.top, 10115);
    EXPECT_EQ(r.cmdCancel.top, 10115);
    EXPECT_EQ(r.dfvViewport.top, 10580);
}

TEST(MainLayoutRules, LowerThan1365KeepsTheLastValidHeightsAndStillPlacesTheRest) {
    const MainLayout before = resizeMainLayout(designLayout(), 14490, 8580);
    const MainLayout r = resizeMainLayout(before, 12000, 1000);
    EXPECT_EQ(r.dfeObjectPreview.height, 7215);
    EXPECT_EQ(r.dfeCoordinatesAdjustment.height, 7215);
    // The widths still follow the new width.
    EXPECT_EQ(r.dfeObjectPreview.width, 5970);
    EXPECT_EQ(r.dfeCoordinatesAdjustment.left, 6030);
    // The strip sits under the views' kept height; OK, Cancel and the frame are placed from it.
    EXPECT_EQ(r.picTextureOptions.top, 7575);
    EXPECT_EQ(r.fraManual.top, 7575);
    EXPECT_EQ(r.fraManual.left, 4770);
    EXPECT_EQ(r.cmdOK.top, 8115);
    EXPECT_EQ(r.cmdOK.left, 9540);
    EXPECT_EQ(r.cmdCancel.left, 10800);
    EXPECT_EQ(r.dfvViewport.top, 1000);
}

TEST(MainLayoutRules, ExactlyTheToolbarAndStripHeightGivesViewsOfHeightZero) {
    const MainLayout r = resizeMainLayout(designLayout(), 14490, 1365);
    EXPECT_EQ(r.dfeObjectPreview.height, 0);
    EXPECT_EQ(r.picTextureOptions.top, 360);
}

TEST(MainLayoutRules, NarrowerThanTheGapKeepsTheWidthsAndMovesTheRightSideOffTheLeft) {
    const MainLayout before = resizeMainLayout(designLayout(), 14490, 8580);
    const MainLayout r = resizeMainLayout(before, 40, 8580);
    EXPECT_EQ(r.dfeObjectPreview.width, 7215);
    EXPECT_EQ(r.picTextureOptions.width, 7215);
    EXPECT_EQ(r.dfeCoordinatesAdjustment.width, 7215);
    // Positions may go negative; only sizes cannot.
    EXPECT_EQ(r.dfeCoordinatesAdjustment.left, 40 - 7215);
    EXPECT_EQ(r.fraManual.left, 40 - 7230);
    EXPECT_EQ(r.cmdOK.left, 40 - 2460);
    EXPECT_EQ(r.cmdGenerateAtlas.left, 7215 - 990);
}

TEST(MainLayoutRules, NonFiniteSizeChangesNothingThatDependsOnIt) {
    const MainLayout before = resizeMainLayout(designLayout(), 14490, 8580);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const MainLayout r = resizeMainLayout(before, nan, nan);
    EXPECT_EQ(r, before);
}

TEST(MainLayoutRules, ResizingTwiceToTheSameSizeIsStable) {
    const MainLayout once = resizeMainLayout(designLayout(), 15123, 9001);
    EXPECT_EQ(resizeMainLayout(once, 15123, 9001), once);
}

} // namespace
} // namespace peelwise
