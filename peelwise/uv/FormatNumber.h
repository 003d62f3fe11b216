#pragma once
// The read-out number format "0.000": at least one digit before the decimal separator, exactly
// three after it, rounded half away from zero, a minus sign for negative values ("-0.050").
//
// Rounding works on the shortest decimal text that reads back as the same float (what the user
// would type for it), so 1.0005f shows "1.001" although its binary value is a hair below.
// A negative value that rounds to zero shows "0.000", not "-0.000": a read-out of minus nothing
// looks like a fault to the user and says nothing more. NaN shows "NaN", infinities "Infinity"
// and "-Infinity". `separator` is the user's decimal separator.

#include <string>

namespace peelwise::modUV {

std::string formatNumber(float value, char separator = '.');

} // namespace peelwise::modUV
