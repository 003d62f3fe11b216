#include "brontle/views/XPButton.h"

#include <QMouseEvent>

namespace brontle {

XPButton::XPButton(QWidget* parent) : QToolButton(parent) {
    setAutoRaise(true); // flat until the pointer is over it
    setFocusPolicy(Qt::TabFocus);
}

void XPButton::setCheck(bool on) {
    if (!on) {
        setChecked(false);
    }
    setCheckable(on);
}

void XPButton::setValue(bool pressed) {
    if (isCheckable()) {
        const bool blocked = blockSignals(true); // a value set by the owner is not a click
        setChecked(pressed);
        blockSignals(blocked);
    }
}

void XPButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool over = rect().contains(event->position().toPoint());
    if (over && isEnabled() &&
        (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)) {
        const int button = event->button() == Qt::LeftButton ? LeftButton : RightButton;
        int shift = 0;
        if (event->modifiers().testFlag(Qt::ShiftModifier)) {
            shift |= ShiftBit;
        }
        if (event->modifiers().testFlag(Qt::ControlModifier)) {
            shift |= CtrlBit;
        }
        emit MouseUp(button, shift);
    }
    QToolButton::mouseReleaseEvent(event);
}

} // namespace brontle
