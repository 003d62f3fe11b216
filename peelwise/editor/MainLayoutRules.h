#pragma once
// The editor dialog's resize rules as plain numbers, so they are tested without a widget.
//
// All lengths are twips (1/1440 inch), the dialog's coordinate unit. Rectangles are left, top,
// width, height relative to the dialog's client area, except cmdGenerateAtlas, which is relative
// to the options strip picTextureOptions that holds it.

namespace peelwise {

struct TwipsRect {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// The rectangles the resize rules read and write.
struct MainLayout {
    TwipsRect picMainToolbar;
    TwipsRect dfeObjectPreview;
    TwipsRect dfeCoordinatesAdjustment;
    TwipsRect picTextureOptions;
    TwipsRect fraManual;
    TwipsRect cmdOK;
    TwipsRect cmdCancel;
    TwipsRect dfvViewport;
    TwipsRect cmdGenerateAtlas; // inside picTextureOptions
    friend bool operator==(const MainLayout&, const MainLayout&) = default;
};

// The client size the design layout was drawn for.
inline constexpr double kDesignClientWidth = 14490.0;
inline constexpr double kDesignClientHeight = 8580.0;

// The layout as designed, at kDesignClientWidth x kDesignClientHeight. The off-screen render
// viewport sits below the visible area.
MainLayout designLayout();

// Re-lays `current` for a client area of `clientWidth` x `clientHeight` twips: the two views
// share the width with a 60-twip gap and take the height left by the toolbar and the options
// strip; the options strip, the manual-transform frame and OK / Cancel follow the views; the
// render viewport goes just below the visible area; Unwrap moves to the right edge of its strip.
//
// Each step either applies or, when it would give a negative or non-finite width or height (a
// dialog made very small or minimised), is skipped while the later steps still run; a skipped
// size keeps its last valid value and later steps read that value. Nothing else moves (the
// toolbar stays as it is) and no minimum size is enforced. Never throws.
MainLayout resizeMainLayout(MainLayout current, double clientWidth, double clientHeight);

} // namespace peelwise
