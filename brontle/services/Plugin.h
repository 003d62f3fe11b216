#pragma once
// The interface through which the host drives a plug-in. A plug-in library declares one QObject
// class that implements it (Q_PLUGIN_METADATA with the IID below, Q_INTERFACES); the host loads
// every library in its plugins/ folder with QPluginLoader and lists each by Plugin_Name.
//
// Operations are in the order of the interface's slots. The host calls them on its
// user-interface thread only.

#include "brontle/model/Forward.h"

#include <QIcon>
#include <QtPlugin>

#include <cstdint>
#include <string>
#include <vector>

namespace brontle {

// What the host asks a plug-in to validate (Plugin_GetValidation's ComponentType): the host
// applies plug-ins to shapes only.
enum ComponentType : std::int32_t {
    kComponentShape = 0,
};

class Plugin {
  public:
    virtual ~Plugin() = default;

    // Runs the plug-in on the selection of the view `deviceID` in `sceneGraph`. `scene` is the
    // host's scene object (opaque; may be null); the three user-data values are the plug-in's
    // to read and change. Returns normally whatever happened: a plug-in reports its own errors.
    virtual void Plugin_Apply(void* scene, const SceneGraphPtr& sceneGraph, DeviceID deviceID,
                              std::vector<float>& userDataSingles,
                              std::vector<std::int32_t>& userDataLongs,
                              std::string& userDataString) = 0;
    virtual std::string Plugin_Author() const = 0;
    // The plug-in's class and cost; the host lists them and attaches no other meaning.
    virtual std::int32_t Plugin_PluginClass() const = 0;
    virtual std::int32_t Plugin_Cost() const = 0;
    // The menu icon; a null QIcon when the plug-in has none.
    virtual QIcon Plugin_Icon() const = 0;
    virtual std::string Plugin_Name() const = 0;
    // The selection the plug-in accepts: how many components (shapes) and, for a sub-selection
    // of kind `selectionType` (brontle::SelectionKind), how many sub-selection entries. The host
    // passes its defaults in the four limits; the plug-in changes those it cares about.
    virtual void Plugin_GetValidation(std::int32_t componentType, std::int32_t selectionType,
                                      std::int32_t& validMinComponents,
                                      std::int32_t& validMaxComponents,
                                      std::int32_t& validMinShapeSubSelection,
                                      std::int32_t& validMaxShapeSubSelection) = 0;
};

} // namespace brontle

#define BrontlePlugin_iid "org.brontle.Plugin/1.0"
Q_DECLARE_INTERFACE(brontle::Plugin, BrontlePlugin_iid)
