#include "peelwise/support/modWarn.h"

#include "peelwise/support/StepRunner.h"
#include "peelwise/support/frmWarn.h"

#include "brontle/core/Error.h"
#include "brontle/services/SettingsStore.h"

#include <charconv>
#include <cmath>
#include <memory>

namespace peelwise::modWarn {

double settingAsNumber(const std::string& text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) {
        ++first;
    }
    while (last > first && isBlank(text[last - 1])) {
        --last;
    }
    // from_chars takes no leading '+', which a stored number may carry.
    if (first < last && text[first] == '+') {
        ++first;
    }
    double value = 0.0;
    const char* begin = text.data() + first;
    const char* end = text.data() + last;
    const auto [stop, failure] = std::from_chars(begin, end, value, std::chars_format::general);
    if (first == last || failure != std::errc() || stop != end || !std::isfinite(value)) {
        throw brontle::Error(brontle::ErrorNumber::TypeMismatch,
                             "The stored value \"" + text + "\" is not a number");
    }
    return value;
}

void ShowWarning(const std::string& applicationKey, const std::string& warningText,
                 const std::string& registryEntry, std::int32_t /*unused*/) {
    withSource("modWarn", [&] {
        const std::string stored =
            brontle::settings().GetSetting(applicationKey, kTipsSection, registryEntry, "1");
        if (settingAsNumber(stored) != 1.0) {
            return;
        }
        auto dialog = std::make_unique<frmWarn>();
        dialog->sWarning = warningText;
        dialog->sWarningRegistryEntry = registryEntry;
        dialog->sApplicationRegistryKey = applicationKey;
        dialog->showModal();
    });
}

} // namespace peelwise::modWarn
