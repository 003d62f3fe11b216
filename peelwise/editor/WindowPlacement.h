#pragma once
// The editor window's place and size in twips, as the settings store keeps them ("Left", "Top",
// "Width", "Height"): the outer window (title bar and borders included) relative to the screen's
// top-left corner, converted through the platform's twips per pixel.
//
// Qt moves a top-level window by its outer frame but sizes its client area, so a width or
// height is set as the outer size minus the frame the window system reports for this window.
// Before the window was first shown, and where no window manager draws frames (a virtual
// display), that frame is zero, so the client then takes the whole stored size; a window that
// the user closes stores its outer size, so the next run restores what the user left.

#include "peelwise/editor/MainLayoutRules.h"

class QWidget;

namespace peelwise {

void setWindowLeftTwips(QWidget& window, double left);
void setWindowTopTwips(QWidget& window, double top);
void setWindowWidthTwips(QWidget& window, double width);
void setWindowHeightTwips(QWidget& window, double height);

// The outer window in twips (left, top, width, height).
TwipsRect windowRectTwips(const QWidget& window);

} // namespace peelwise
