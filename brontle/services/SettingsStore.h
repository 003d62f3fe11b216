#pragma once
// The per-user settings store: text values addressed by application name, section and key.
//
// Each application name has one INI file, "<folder>/<application>.ini". The folder is, first
// found: the one given to the store (setSettingsFolder() for the process store), the
// environment variable BRONTLE_SETTINGS_DIR (tests point it at a temporary folder), else
// "Brontle" in the user's configuration folder (~/.config/Brontle on Linux).
//
// Names and values are kept exactly as given, case included (lookups are case-sensitive), with
// any characters: a section named "General", keys with spaces or with '/' and '\' in them all
// round-trip. A file that cannot be parsed does not fail: whatever cannot be read in it counts
// as absent, and the next save rewrites the file with the values that could be read.

#include <mutex>
#include <string>

namespace brontle {

class SettingsStore {
  public:
    // `folder` empty: the environment variable, else the user's configuration folder.
    explicit SettingsStore(std::string folder = {});

    // The stored value, or `defaultValue` when there is none, when it cannot be read, or when
    // the application, section or key is empty. A value stored by hand as a comma-separated
    // list reads as its items joined by ", ".
    std::string GetSetting(const std::string& appName, const std::string& section,
                           const std::string& key, const std::string& defaultValue = {}) const;
    // Stores the value at once (the file is rewritten atomically). Throws
    // Error(HostBadArgument) when the application, section or key is empty, and
    // Error(HostFileUnwritable) naming the file when it cannot be written.
    void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                     const std::string& value);

    // The folder in use now, and the file of one application in it.
    std::string folder() const;
    std::string fileFor(const std::string& appName) const;
    // `folder` empty goes back to the environment variable or the user's folder.
    void setFolder(std::string folder);

  private:
    mutable std::mutex mutex_;
    std::string folder_;
};

// The process's store, used by the host and every plug-in.
SettingsStore& settings();
// Points the process's store at `folder` ("" for the default).
void setSettingsFolder(const std::string& folder);

} // namespace brontle
