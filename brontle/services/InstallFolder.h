#pragma once
// Where the running host is installed, and the host environment made from it.

#include "brontle/model/HostEnvironment.h"

#include <cstdint>
#include <string>

namespace brontle {

// The folder holding System/, plugins/ and the help page, without a trailing separator: the
// environment variable BRONTLE_INSTALL_DIR when set (tests, and running from another place),
// else the folder of the running executable.
std::string installFolder();

// The environment handed to plug-ins: installFolder(), the settings application name
// "Brontle", and the main window as `ownerHandle` (0 before there is one).
HostEnvironment makeHostEnvironment(std::intptr_t ownerHandle = 0);

} // namespace brontle
