#pragma once
// What each of the eight UV transform buttons does for one left click: the transform mode, the
// amounts for TransformUVPoints and the two label texts.
//
// modifiers: bit 1 Shift, bit 2 Ctrl. Scale and rotate buttons take the fine step whenever the
// Ctrl bit is set; move buttons only when Ctrl is the only modifier (Ctrl+Shift moves coarse).
// Shift on a scale button scales only y (amountX = 1). Up adds to y, which lowers v, so the
// vertical move label shows the change of v (-step).
//
//  button        mode    coarse  fine        amountX                 amountY  lblX / lblY
//  Enlarge       scale   1.05    1.005       step (1 with Shift)     step     "Scale X: " / "Y: "
//  Reduce        scale   0.95    0.995       step (1 with Shift)     step     "Scale X: " / "Y: "
//  RotateLeft    rotate  2.5     1/3         step                    0        "Rotate Left: " / ""
//  RotateRight   rotate  -2.5    -1/3        step                    0        "Rotate Right: "
//  |step| ShiftLeft     move    -0.05   -0.001      step                    0        "Move X: " /
//  "" ShiftRight    move    0.05    0.001       step                    0        "Move X: " / ""
//  ShiftUp       move    0.05    0.001       0                       step     "Move Y: " -step / ""
//  ShiftDown     move    -0.05   -0.001      0                       step     "Move Y: " -step / ""

#include "peelwise/uv/ReadoutLabels.h"

namespace peelwise::modUV {

enum class TransformButton {
    Enlarge,
    Reduce,
    RotateLeft,
    RotateRight,
    ShiftLeft,
    ShiftRight,
    ShiftUp,
    ShiftDown
};

inline constexpr int kShiftBit = 1;
inline constexpr int kCtrlBit = 2;

struct TransformStep {
    int mode = 0; // TransformMode
    float amountX = 0.0f;
    float amountY = 0.0f;
    Readout labels;
};

TransformStep transformButtonStep(TransformButton button, int modifiers, char separator = '.');

} // namespace peelwise::modUV
