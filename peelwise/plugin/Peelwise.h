#pragma once
// The plug-in class the host creates and drives through brontle::Plugin. Six operations describe
// the plug-in (name, author, class, cost, icon, the selection it accepts); Plugin_Apply runs one
// editing run: a working copy of the selected shape (or of its selected polygons) is shown in the
// UV editor frmMain, and on OK written back into the shape.
//
// The class holds no data. A run's objects live in modMain's globals (replaced by every
// Plugin_Apply, kept until the next one or until the library unloads) and in Plugin_Apply's
// locals.

#include "brontle/services/Plugin.h"

namespace peelwise {

class Peelwise : public brontle::Plugin {
  public:
    // One editing run on the shape selected in `deviceID` (see WorkingCopy.h for the copy and
    // the write-back). Only `sceneGraph` and `deviceID` are used; `scene` and the user data are
    // accepted and left untouched. Any failure ends the run at once without a message (a line
    // goes to the host's log) and the host sees a normal return; a failed write-back leaves the
    // shape as it was. Cancel or closing the editor leaves the shape untouched.
    void Plugin_Apply(void* scene, const brontle::SceneGraphPtr& sceneGraph,
                      brontle::DeviceID deviceID, std::vector<float>& userDataSingles,
                      std::vector<std::int32_t>& userDataLongs,
                      std::string& userDataString) override;
    // "Orvane Software"
    std::string Plugin_Author() const override;
    // 3
    std::int32_t Plugin_PluginClass() const override;
    // 99
    std::int32_t Plugin_Cost() const override;
    // Always the null icon: the plug-in has none.
    QIcon Plugin_Icon() const override;
    // "Peel-Wise"
    std::string Plugin_Name() const override;
    // Exactly one shape: the component limits become 1 and 1 whatever is passed. For a polygon
    // sub-selection (selectionType 1) the sub-selection limits become 1 and 999; for any other
    // type they are left as passed. `componentType` is not consulted.
    void Plugin_GetValidation(std::int32_t componentType, std::int32_t selectionType,
                              std::int32_t& validMinComponents, std::int32_t& validMaxComponents,
                              std::int32_t& validMinShapeSubSelection,
                              std::int32_t& validMaxShapeSubSelection) override;
};

} // namespace peelwise
