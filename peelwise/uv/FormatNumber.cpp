#include "peelwise/uv/FormatNumber.h"

#include <charconv>
#include <cmath>

namespace peelwise::modUV {

std::string formatNumber(float value, char separator) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Infinity" : "Infinity";
    }
    char buffer[64];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    const std::string text(buffer, written.ptr);
    const std::size_t dot = text.find('.');
    std::string whole = dot == std::string::npos ? text : text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    fraction.resize(4, '0');
    const bool roundUp = fraction[3] >= '5';
    // Digits of the magnitude in thousandths, then the carry of rounding half away from zero.
    std::string digits = whole + fraction.substr(0, 3);
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[i] == '9') {
            digits[i] = '0';
            --i;
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[i];
        }
    }
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    std::string out = (value < 0 && !zero) ? "-" : "";
    out += digits.substr(0, digits.size() - 3);
    out += separator;
    out += digits.substr(digits.size() - 3);
    return out;
}

} // namespace peelwise::modUV
