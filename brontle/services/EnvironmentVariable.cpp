#include "brontle/services/EnvironmentVariable.h"

#include <cstdlib>

namespace brontle {

std::string environmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace brontle
