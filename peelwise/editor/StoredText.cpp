#include "peelwise/editor/StoredText.h"

#include "brontle/core/Error.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace peelwise {

namespace {

using brontle::Error;
namespace Number = brontle::ErrorNumber;

[[noreturn]] void typeMismatch(const std::string& text, const char* expected) {
    throw Error(Number::TypeMismatch, "Type mismatch: \"" + text + "\" is not " + expected);
}

[[noreturn]] void overflow(const std::string& text) {
    throw Error(Number::Overflow, "Overflow: \"" + text + "\" is out of range");
}

// The text without surrounding blanks and without a leading '+' (from_chars takes none).
std::string_view trimmed(const std::string& text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) {
        ++first;
    }
    while (last > first && isBlank(text[last - 1])) {
        --last;
    }
    if (first < last && text[first] == '+' && (last - first == 1 || text[first + 1] != '-')) {
        ++first;
    }
    return std::string_view(text).substr(first, last - first);
}

double finiteNumber(const std::string& text) {
    const std::string_view body = trimmed(text);
    double value = 0.0;
    const auto [stop, failure] =
        std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::general);
    if (body.empty() || stop != body.data() + body.size()) {
        typeMismatch(text, "a number");
    }
    if (failure == std::errc::result_out_of_range) {
        overflow(text);
    }
    if (failure != std::errc() || !std::isfinite(value)) {
        typeMismatch(text, "a number");
    }
    return value;
}

} // namespace

std::int32_t storedWholeNumber(const std::string& text) {
    const std::string_view body = trimmed(text);
    std::int64_t value = 0;
    const auto [stop, failure] = std::from_chars(body.data(), body.data() + body.size(), value, 10);
    if (body.empty() || stop != body.data() + body.size()) {
        typeMismatch(text, "a whole number");
    }
    if (failure == std::errc::result_out_of_range ||
        value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        overflow(text);
    }
    if (failure != std::errc()) {
        typeMismatch(text, "a whole number");
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t roundedWholeNumber(const std::string& text) {
    // nearbyint rounds by the current mode, which is round-half-to-even unless someone changed
    // it; the editor never does.
    const double rounded = std::nearbyint(finiteNumber(text));
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        overflow(text);
    }
    return static_cast<std::int32_t>(rounded);
}

float storedSingle(const std::string& text) {
    const double value = finiteNumber(text);
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        overflow(text);
    }
    return static_cast<float>(value);
}

} // namespace peelwise
