#pragma once
// The suppressible tip: shows frmWarn ("Did you know...") unless the user has switched the tip
// off. Whether a tip is still wanted is the setting (applicationKey, "Tips", registryEntry) of
// the per-user settings store (brontle/services/SettingsStore.h): "1" shows it (also when there
// is no value), any other number does not; the dialog writes the check box state back as "1" or
// "0" when it closes.

#include <cstdint>
#include <string>

namespace peelwise::modWarn {

// The settings section of the hints' answers (this module reads them, frmWarn writes them).
inline constexpr const char* kTipsSection = "Tips";

// Shows the tip modally when the setting's number equals 1 and returns when the dialog has
// closed; returns at once otherwise. `unused` is accepted for the callers' sake and not read.
// Throws Error(TypeMismatch) with source "modWarn" when the stored value is not a number; any
// other error of the settings store or the dialog comes back with source "modWarn" too.
void ShowWarning(const std::string& applicationKey, const std::string& warningText,
                 const std::string& registryEntry, std::int32_t unused);

// A stored setting read as a number: surrounding blanks allowed, the whole rest must be a
// finite decimal number ("1", " 0 ", "1.0", "-2e3"). Throws Error(TypeMismatch) naming the
// text otherwise (also for "", "nan" and "inf").
double settingAsNumber(const std::string& text);

} // namespace peelwise::modWarn
