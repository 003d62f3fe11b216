#include "brontle/model/HostEnvironment.h"

#include <algorithm>

namespace brontle {

std::string nativePath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    // "folder/" + "/System/" style joins leave doubled separators; one is enough.
    std::string result;
    result.reserve(path.size());
    for (char c : path) {
        if (c == '/' && !result.empty() && result.back() == '/') {
            continue;
        }
        result.push_back(c);
    }
    return result;
}

} // namespace brontle
