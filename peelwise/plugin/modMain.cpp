#include "peelwise/plugin/modMain.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Toolkit.h"
#include "brontle/services/FileUtility.h"

namespace peelwise::modMain {

// Empty until the first Plugin_Apply; released when the library unloads.
brontle::SceneGraphPtr sceneGraph;
brontle::ToolkitPtr toolkit;
std::shared_ptr<brontle::FileUtility> fileUtility;
std::shared_ptr<brontle::AuxiliaryObjectA> auxiliaryA;
std::shared_ptr<brontle::AuxiliaryObjectB> auxiliaryB;

} // namespace peelwise::modMain
