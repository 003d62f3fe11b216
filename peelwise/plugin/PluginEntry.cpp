// The loadable module's one exported class: the host's QPluginLoader finds it through the
// metadata below and talks to it through brontle::Plugin. It only forwards to Peelwise, which is
// also linked into the tests without the module.

#include "peelwise/plugin/Peelwise.h"

#include <QObject>

namespace peelwise {

class PeelwisePluginEntry : public QObject, public brontle::Plugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID BrontlePlugin_iid FILE "Peelwise.json")
    Q_INTERFACES(brontle::Plugin)

  public:
    void Plugin_Apply(void* scene, const brontle::SceneGraphPtr& sceneGraph,
                      brontle::DeviceID deviceID, std::vector<float>& userDataSingles,
                      std::vector<std::int32_t>& userDataLongs,
                      std::string& userDataString) override {
        plugin_.Plugin_Apply(scene, sceneGraph, deviceID, userDataSingles, userDataLongs,
                             userDataString);
    }
    std::string Plugin_Author() const override { return plugin_.Plugin_Author(); }
    std::int32_t Plugin_PluginClass() const override { return plugin_.Plugin_PluginClass(); }
    std::int32_t Plugin_Cost() const override { return plugin_.Plugin_Cost(); }
    QIcon Plugin_Icon() const override { return plugin_.Plugin_Icon(); }
    std::string Plugin_Name() const override { return plugin_.Plugin_Name(); }
    void Plugin_GetValidation(std::int32_t componentType, std::int32_t selectionType,
                              std::int32_t& validMinComponents, std::int32_t& validMaxComponents,
                              std::int32_t& validMinShapeSubSelection,
                              std::int32_t& validMaxShapeSubSelection) override {
        plugin_.Plugin_GetValidation(componentType, selectionType, validMinComponents,
                                     validMaxComponents, validMinShapeSubSelection,
                                     validMaxShapeSubSelection);
    }

  private:
    Peelwise plugin_;
};

} // namespace peelwise

#include "PluginEntry.moc"
