#pragma once
// The overrides tests and installers set (BRONTLE_SETTINGS_DIR, BRONTLE_LOG_FILE,
// BRONTLE_INSTALL_DIR) are read here, so that "set but empty" means "not set" everywhere.

#include <string>

namespace brontle {

// The variable's value; "" when it is not set or set to nothing.
std::string environmentVariable(const char* name);

} // namespace brontle
