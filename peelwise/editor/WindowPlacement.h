#pragma once
// The editor window's place and size in twips, as the settings store keeps them ("Left", "Top",
// "Width", "Height"): the outer window (title bar and borders included) relative to the screen's
// top-left corner, converted through the platform's twips per pixel.
//
// Qt moves a top-level window by its outer frame but sizes its client area, so a width or
// height is set as the outer size minus the frame, and read as the client size plus the frame.
// The frame is the platform's (Platform::windowFrameMargins), not this window's own: before the
// window was first shown it has no native window and its own frame reads as zero, which would
// make the client take the whole stored size and the stored size grow by the frame with every
// host session. Taking the same frame both ways keeps a stored size unchanged over a round trip.

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
