#include "peelwise/editor/WindowPlacement.h"

#include "brontle/services/Platform.h"

#include <QWidget>

#include <algorithm>
#include <cmath>

namespace peelwise {

namespace {

int pixelsX(double twips) {
    return static_cast<int>(std::lround(twips / brontle::platform().twipsPerPixelX()));
}

int pixelsY(double twips) {
    return static_cast<int>(std::lround(twips / brontle::platform().twipsPerPixelY()));
}

brontle::FrameMargins frame() {
    return brontle::platform().windowFrameMargins();
}

} // namespace

void setWindowLeftTwips(QWidget& window, double left) {
    window.move(pixelsX(left), window.frameGeometry().y());
}

void setWindowTopTwips(QWidget& window, double top) {
    window.move(window.frameGeometry().x(), pixelsY(top));
}

void setWindowWidthTwips(QWidget& window, double width) {
    const brontle::FrameMargins m = frame();
    window.resize(std::max(0, pixelsX(width) - m.left - m.right), window.height());
}

void setWindowHeightTwips(QWidget& window, double height) {
    const brontle::FrameMargins m = frame();
    window.resize(window.width(), std::max(0, pixelsY(height) - m.top - m.bottom));
}

TwipsRect windowRectTwips(const QWidget& window) {
    const double tx = brontle::platform().twipsPerPixelX();
    const double ty = brontle::platform().twipsPerPixelY();
    const brontle::FrameMargins m = frame();
    // The outer size is the client's plus the same frame the restore took off, so a size stored
    // and restored any number of times stays what it was.
    const QRect outer = window.frameGeometry();
    return {outer.x() * tx, outer.y() * ty, (window.width() + m.left + m.right) * tx,
            (window.height() + m.top + m.bottom) * ty};
}

} // namespace peelwise
