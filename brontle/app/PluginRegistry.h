#pragma once
// The plug-ins of the host: every library in one folder, loaded with QPluginLoader, kept loaded
// for the life of the registry, and listed by Plugin_Name in the order of their file names.
//
// A library that does not load, or that is not a brontle::Plugin, is recorded as a failure in
// words naming the file and the reason; loading never throws and never stops at a failure.

#include "brontle/services/Plugin.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPluginLoader;

namespace brontle {

struct LoadedPlugin {
    std::string name;         // Plugin_Name
    std::string file;         // the library's path
    Plugin* plugin = nullptr; // owned by the library's root object
};

// The selection the host offers a plug-in: how many shapes are selected in the view, the kind
// of the first one's sub-selection (brontle::SelectionKind, 0 the whole shape) and how many
// entries it has.
struct HostSelection {
    std::int32_t shapes = 0;
    std::int32_t selectionType = 0;
    std::int32_t subSelectionCount = 0;
};

class PluginRegistry {
  public:
    PluginRegistry();
    ~PluginRegistry();
    PluginRegistry(const PluginRegistry&) = delete;
    PluginRegistry& operator=(const PluginRegistry&) = delete;

    // Loads every file of `folder` that QLibrary takes for a library. A missing folder is no
    // failure (the host simply has no plug-ins). Returns how many plug-ins were added.
    int loadFolder(const QString& folder);

    const std::vector<LoadedPlugin>& plugins() const { return plugins_; }
    // "<file>: <reason>" for every library that could not be used.
    const std::vector<std::string>& failures() const { return failures_; }
    // The plug-in named `name`, or nullptr.
    Plugin* find(const std::string& name) const;

  private:
    std::vector<LoadedPlugin> plugins_;
    std::vector<std::string> failures_;
    std::vector<std::unique_ptr<QPluginLoader>> loaders_;
};

// Whether `plugin` accepts `selection`: the host passes its own limits (1 to any number of shapes,
// 0 to any number of sub-selection entries) to Plugin_GetValidation, lets the plug-in change
// them, and checks the shape count against the component limits and, for a sub-selection, the
// entry count against the sub-selection limits. No shape selected is never accepted.
bool acceptsSelection(Plugin& plugin, const HostSelection& selection);

} // namespace brontle
