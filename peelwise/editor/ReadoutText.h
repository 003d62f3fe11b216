#pragma once
// The coordinate read-out of the UV view in its two labels (lblX, lblY): the texts come from
// modUV's read-out helpers, with the user's decimal separator.

#include "peelwise/uv/ReadoutLabels.h"

class QLabel;

namespace peelwise {

// The decimal separator of the user's locale (QLocale()); '.' when the locale's separator is not
// a single ASCII character, since the read-out format places exactly one character there.
char userDecimalSeparator();

// lblX shows readout.x and lblY readout.y.
void showReadout(QLabel& lblX, QLabel& lblY, const modUV::Readout& readout);

// Both labels become the empty text.
void clearReadout(QLabel& lblX, QLabel& lblY);

} // namespace peelwise
