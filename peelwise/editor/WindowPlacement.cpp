#include "peelwise/editor/WindowPlacement.h"

#include "brontle/services/Platform.h"

#include <QMargins>
#include <QWidget>
#include <QWindow>

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

QMargins frameOf(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle != nullptr ? handle->frameMargins() : QMargins();
}

} // namespace

void setWindowLeftTwips(QWidget& window, double left) {
    window.move(pixelsX(left), window.frameGeometry().y());
}

void setWindowTopTwips(QWidget& window, double top) {
    window.move(window.frameGeometry().x(), pixelsY(top));
}

void setWindowWidthTwips(QWidget& window, double width) {
    const QMargins frame = frameOf(window);
    window.resize(std::max(0, pixelsX(width) - frame.left() - frame.right()), window.height());
}

void setWindowHeightTwips(QWidget& window, double height) {
    const QMargins frame = frameOf(window);
    window.resize(window.width(), std::max(0, pixelsY(height) - frame.top() - frame.bottom()));
}

TwipsRect windowRectTwips(const QWidget& window) {
    const double tx = brontle::platform().twipsPerPixelX();
    const double ty = brontle::platform().twipsPerPixelY();
    const QRect outer = window.frameGeometry();
    return {outer.x() * tx, outer.y() * ty, outer.width() * tx, outer.height() * ty};
}

} // namespace peelwise
