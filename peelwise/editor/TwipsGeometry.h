#pragma once
// Places widgets in twips (1/1440 inch), the dialogs' coordinate unit, through the process
// platform's twips per pixel (brontle/services/Platform.h). Pixels are whole: a twips length is
// rounded to the nearest pixel, so a rectangle read back may differ from the one set by less
// than one pixel's worth of twips.

#include "peelwise/editor/MainLayoutRules.h"

class QWidget;

namespace peelwise {

// The widget's geometry relative to its parent, in twips.
TwipsRect twipsRectOf(const QWidget& widget);
// Moves and resizes the widget; negative sizes become 0.
void setTwipsRect(QWidget& widget, const TwipsRect& rect);

} // namespace peelwise
