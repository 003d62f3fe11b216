#include "peelwise/editor/TwipsGeometry.h"

#include "brontle/services/Platform.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace peelwise {

namespace {

int toPixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

} // namespace

TwipsRect twipsRectOf(const QWidget& widget) {
    const double tx = brontle::platform().twipsPerPixelX();
    const double ty = brontle::platform().twipsPerPixelY();
    const QRect g = widget.geometry();
    return {g.x() * tx, g.y() * ty, g.width() * tx, g.height() * ty};
}

void setTwipsRect(QWidget& widget, const TwipsRect& rect) {
    const double tx = brontle::platform().twipsPerPixelX();
    const double ty = brontle::platform().twipsPerPixelY();
    widget.setGeometry(toPixels(rect.left, tx), toPixels(rect.top, ty),
                       std::max(0, toPixels(rect.width, tx)),
                       std::max(0, toPixels(rect.height, ty)));
}

} // namespace peelwise
