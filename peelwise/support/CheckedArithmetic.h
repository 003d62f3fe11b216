#pragma once
// Arithmetic whose faults become the error handler's numbers. C++ gives no exception for a
// float divided by zero (it yields infinity) nor for a float overflow, so procedures that must
// stop there, as the division of a zero extent does, call these.
//
// checkedDivide throws brontle::Error(11, "Division by zero") when the divisor is exactly zero;
// checkedFinite throws brontle::Error(6, "Overflow") when a result is infinite or not a number.
// `what` names the quantity in the description, e.g. "Division by zero (8 / largest extent)".

#include "brontle/core/Error.h"

#include <cmath>
#include <string>

namespace peelwise {

template <class T> T checkedDivide(T numerator, T denominator, const char* what = nullptr) {
    if (denominator == T(0)) {
        std::string description = "Division by zero";
        if (what != nullptr) {
            description += std::string(" (") + what + ")";
        }
        throw brontle::Error(brontle::ErrorNumber::DivisionByZero, std::move(description));
    }
    return numerator / denominator;
}

template <class T> T checkedFinite(T value, const char* what = nullptr) {
    if (!std::isfinite(static_cast<double>(value))) {
        std::string description = "Overflow";
        if (what != nullptr) {
            description += std::string(" (") + what + ")";
        }
        throw brontle::Error(brontle::ErrorNumber::Overflow, std::move(description));
    }
    return value;
}

} // namespace peelwise
