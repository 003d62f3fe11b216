#pragma once
// Facts about the running host that plug-ins ask for.

#include <cstdint>
#include <string>

namespace brontle {

class HostEnvironment {
  public:
    HostEnvironment(std::string installFolder, std::string settingsAppName,
                    std::intptr_t ownerHandle = 0)
        : installFolder_(std::move(installFolder)), settingsAppName_(std::move(settingsAppName)),
          ownerHandle_(ownerHandle) {}

    // The folder holding System/, plugins/ and the help page, without a trailing separator.
    const std::string& GetInstallFolder() const { return installFolder_; }
    // The application name under which per-user settings are stored.
    const std::string& GetSettingsAppName() const { return settingsAppName_; }
    // The host's main window, as an opaque value for parenting dialogs (0 when none).
    std::intptr_t GetOwnerHandle() const { return ownerHandle_; }
    void setOwnerHandle(std::intptr_t handle) { ownerHandle_ = handle; }

  private:
    std::string installFolder_;
    std::string settingsAppName_;
    std::intptr_t ownerHandle_;
};

// Host paths accept either separator: backslashes become the platform's own.
std::string nativePath(std::string path);

} // namespace brontle
