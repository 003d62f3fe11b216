#include "peelwise/editor/HelpFile.h"

#include "brontle/model/HostEnvironment.h"

#include <filesystem>

namespace peelwise {

std::string helpFileFor(const std::string& installFolder) {
    return brontle::nativePath(installFolder + "\\BRNHelp.chm");
}

std::string helpPageFile(const std::string& helpFile) {
    if (helpFile.empty()) {
        return {};
    }
    std::error_code ignored; // a name that cannot be looked at counts as absent
    if (std::filesystem::exists(helpFile, ignored)) {
        return helpFile;
    }
    return std::filesystem::path(helpFile).replace_extension(".html").string();
}

} // namespace peelwise
