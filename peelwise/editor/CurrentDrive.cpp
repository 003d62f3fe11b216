#include "peelwise/editor/CurrentDrive.h"

#include "brontle/services/Platform.h"

#include <dlfcn.h>

#include <cctype>
#include <filesystem>

namespace peelwise {

std::string driveOf(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    if (path.size() >= 2 && path[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(path[0])) != 0) {
        return path.substr(0, 2);
    }
    return path.substr(0, 1);
}

std::string folderAfterDriveChange(const std::string& folder, const std::string& current) {
    const std::string drive = driveOf(folder);
    if (drive.empty()) {
        return {};
    }
    // Drive letters name the same drive in either case.
    const auto sameDrive = [](const std::string& a, const std::string& b) {
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(a[i])) !=
                std::tolower(static_cast<unsigned char>(b[i]))) {
                return false;
            }
        }
        return true;
    };
    if (sameDrive(driveOf(current), drive)) {
        return current;
    }
    return drive.size() == 2 ? drive + "\\" : drive;
}

void makeDriveCurrent(const std::string& folder) {
    brontle::Platform& platform = brontle::platform();
    const std::string current = platform.currentFolder();
    const std::string next = folderAfterDriveChange(folder, current);
    if (!next.empty() && next != current) {
        platform.setCurrentFolder(next);
    }
}

std::string pluginFolder() {
    // The address of this very function lies in the file that holds the editor's code.
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&pluginFolder), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    std::error_code ignored; // a path that cannot be made absolute is used as the loader gave it
    std::filesystem::path file = std::filesystem::absolute(info.dli_fname, ignored);
    if (file.empty()) {
        file = info.dli_fname;
    }
    return file.parent_path().string();
}

} // namespace peelwise
