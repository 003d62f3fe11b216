#include "brontle/app/PluginRegistry.h"

#include <QDir>
#include <QLibrary>
#include <QPluginLoader>

#include <algorithm>
#include <limits>

namespace brontle {

PluginRegistry::PluginRegistry() = default;

// Libraries stay loaded: the plug-ins' objects and the globals they keep for their editing runs
// live in them until the host ends.
PluginRegistry::~PluginRegistry() = default;

int PluginRegistry::loadFolder(const QString& folder) {
    const QDir dir(folder);
    if (!dir.exists()) {
        return 0;
    }
    int added = 0;
    const QStringList files = dir.entryList(QDir::Files, QDir::Name);
    for (const QString& entry : files) {
        const QString path = dir.absoluteFilePath(entry);
        if (!QLibrary::isLibrary(path)) {
            continue;
        }
        auto loader = std::make_unique<QPluginLoader>(path);
        QObject* root = loader->instance();
        if (root == nullptr) {
            failures_.push_back(path.toStdString() + ": " + loader->errorString().toStdString());
            continue;
        }
        auto* plugin = qobject_cast<Plugin*>(root);
        if (plugin == nullptr) {
            failures_.push_back(path.toStdString() +
                                ": the library is not a Brontle plug-in (" BrontlePlugin_iid ")");
            loader->unload();
            continue;
        }
        std::string name;
        try {
            name = plugin->Plugin_Name();
        } catch (const std::exception& e) {
            failures_.push_back(path.toStdString() + ": its name could not be read: " + e.what());
            continue;
        }
        if (name.empty()) {
            failures_.push_back(path.toStdString() + ": the plug-in has no name");
            continue;
        }
        plugins_.push_back({name, path.toStdString(), plugin});
        loaders_.push_back(std::move(loader));
        ++added;
    }
    return added;
}

Plugin* PluginRegistry::find(const std::string& name) const {
    const auto it = std::find_if(plugins_.begin(), plugins_.end(),
                                 [&](const LoadedPlugin& p) { return p.name == name; });
    return it == plugins_.end() ? nullptr : it->plugin;
}

bool acceptsSelection(Plugin& plugin, const HostSelection& selection) {
    if (selection.shapes <= 0) {
        return false;
    }
    std::int32_t minComponents = 1;
    std::int32_t maxComponents = std::numeric_limits<std::int32_t>::max();
    std::int32_t minSub = 0;
    std::int32_t maxSub = std::numeric_limits<std::int32_t>::max();
    plugin.Plugin_GetValidation(kComponentShape, selection.selectionType, minComponents,
                                maxComponents, minSub, maxSub);
    if (selection.shapes < minComponents || selection.shapes > maxComponents) {
        return false;
    }
    if (selection.selectionType != 0 &&
        (selection.subSelectionCount < minSub || selection.subSelectionCount > maxSub)) {
        return false;
    }
    return true;
}

} // namespace brontle
