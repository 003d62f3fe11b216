#include "peelwise/uv/TransformButtons.h"

#include "peelwise/uv/FormatNumber.h"
#include "peelwise/uv/TransformUVPoints.h"

#include <cmath>

namespace peelwise::modUV {

TransformStep transformButtonStep(TransformButton button, int modifiers, char separator) {
    const bool ctrl = (modifiers & kCtrlBit) != 0;
    const bool onlyCtrl = modifiers == kCtrlBit;
    const bool shift = (modifiers & kShiftBit) != 0;
    auto number = [separator](float value) { return formatNumber(value, separator); };
    TransformStep s;
    switch (button) {
    case TransformButton::Enlarge:
    case TransformButton::Reduce: {
        const bool enlarge = button == TransformButton::Enlarge;
        const float step = enlarge ? (ctrl ? 1.005f : 1.05f) : (ctrl ? 0.995f : 0.95f);
        s.mode = kTransformScale;
        s.amountX = shift ? 1.0f : step;
        s.amountY = step;
        s.labels = {"Scale X: " + number(s.amountX), "Y: " + number(s.amountY)};
        break;
    }
    case TransformButton::RotateLeft:
    case TransformButton::RotateRight: {
        const bool left = button == TransformButton::RotateLeft;
        // The fine step is the single-precision value nearest to one third (0.33333334):
        // three fine steps turn by two degrees.
        const float magnitude = ctrl ? 1.0f / 3.0f : 2.5f;
        s.mode = kTransformRotate;
        s.amountX = left ? magnitude : -magnitude;
        s.labels = {left ? "Rotate Left: " + number(s.amountX)
                         : "Rotate Right: " + number(std::fabs(s.amountX)),
                    ""};
        break;
    }
    case TransformButton::ShiftLeft:
    case TransformButton::ShiftRight: {
        const float magnitude = onlyCtrl ? 0.001f : 0.05f;
        s.mode = kTransformMove;
        s.amountX = button == TransformButton::ShiftRight ? magnitude : -magnitude;
        s.labels = {"Move X: " + number(s.amountX), ""};
        break;
    }
    case TransformButton::ShiftUp:
    case TransformButton::ShiftDown: {
        const float magnitude = onlyCtrl ? 0.001f : 0.05f;
        s.mode = kTransformMove;
        s.amountY = button == TransformButton::ShiftUp ? magnitude : -magnitude;
        s.labels = {"Move Y: " + number(-s.amountY), ""};
        break;
    }
    }
    return s;
}

} // namespace peelwise::modUV
