#include "brontle/services/InstallFolder.h"

#include "brontle/services/EnvironmentVariable.h"

#include <QCoreApplication>

#include <filesystem>

namespace brontle {

std::string installFolder() {
    std::string folder = environmentVariable("BRONTLE_INSTALL_DIR");
    if (folder.empty() && QCoreApplication::instance() != nullptr) {
        folder = QCoreApplication::applicationDirPath().toStdString();
    } else if (folder.empty()) {
        // Before the application object exists Qt cannot say; the kernel can.
        std::error_code error;
        folder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path().string();
    }
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) {
        folder.pop_back();
    }
    return folder;
}

HostEnvironment makeHostEnvironment(std::intptr_t ownerHandle) {
    return HostEnvironment(installFolder(), "Brontle", ownerHandle);
}

} // namespace brontle
