#pragma once
// The run's module-level globals, shared by the plug-in class and the editor. Each Plugin_Apply
// replaces all five; nothing releases them when the dialog closes, so they live until the next
// run or until the library unloads.

#include "brontle/model/AuxiliaryObjects.h"
#include "brontle/model/Forward.h"

#include <memory>

namespace brontle {
class FileUtility;
}

namespace peelwise::modMain {

extern brontle::SceneGraphPtr sceneGraph;
extern brontle::ToolkitPtr toolkit;
extern std::shared_ptr<brontle::FileUtility> fileUtility;
extern std::shared_ptr<brontle::AuxiliaryObjectA> auxiliaryA;
extern std::shared_ptr<brontle::AuxiliaryObjectB> auxiliaryB;

} // namespace peelwise::modMain
