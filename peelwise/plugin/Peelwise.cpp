#include "peelwise/plugin/Peelwise.h"

#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/WorkingCopy.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/core/Error.h"
#include "brontle/model/AuxiliaryObjects.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/Log.h"

#include <memory>

namespace peelwise {

namespace {

// Plugin_Apply ends silently on any error; the host's log keeps a line for diagnosis.
void logApplyError(const brontle::Error& error) {
    std::string line = "Peelwise.Plugin_Apply ended by error " + std::to_string(error.number());
    if (!error.source().empty()) {
        line += " from " + error.source();
    }
    line += ": " + error.description();
    if (modMain::fileUtility) {
        modMain::fileUtility->WriteLog(line);
    } else {
        brontle::hostLog().write(line);
    }
}

void replaceGlobals(const brontle::SceneGraphPtr& sceneGraph) {
    // In this order; each assignment releases the previous run's object.
    modMain::auxiliaryA = std::make_shared<brontle::AuxiliaryObjectA>();
    modMain::fileUtility = std::make_shared<brontle::FileUtility>();
    modMain::auxiliaryB = std::make_shared<brontle::AuxiliaryObjectB>();
    modMain::toolkit = std::make_shared<brontle::Toolkit>();
    modMain::sceneGraph = sceneGraph;
}

void applyRun(const brontle::SceneGraphPtr& sceneGraph, brontle::DeviceID deviceID) {
    replaceGlobals(sceneGraph);
    if (!sceneGraph) {
        throw brontle::Error(brontle::ErrorNumber::ObjectNotSet,
                             "Plugin_Apply was given no scene graph");
    }
    brontle::SceneGraph& scene = *sceneGraph;

    const WorkingCopy copy = makeWorkingCopy(scene, deviceID);

    frmMain& dialog = frmMain::instance();
    dialog.csSourceShape = copy.shape;
    dialog.cgSourceFrame = scene.GetSelectedShape(deviceID, 0)->GetFrame();
    dialog.bOKClicked = false;
    dialog.bCancelClicked = false;

    dialog.showModal();

    if (!dialog.bOKClicked) {
        return; // Cancel or closed: the selected shape is not touched
    }
    undoNormalisation(scene, copy);
    writeBack(scene, deviceID, copy);
}

} // namespace

void Peelwise::Plugin_Apply(void* /*scene*/, const brontle::SceneGraphPtr& sceneGraph,
                            brontle::DeviceID deviceID, std::vector<float>& /*userDataSingles*/,
                            std::vector<std::int32_t>& /*userDataLongs*/,
                            std::string& /*userDataString*/) {
    // The trap's target is the exit: the first error ends the run, and what was done before it
    // stays done (the globals, a normalised working copy that is then dropped).
    StepRunner trap(ErrorPolicy::EndHandler, logApplyError);
    try {
        trap([&] { applyRun(sceneGraph, deviceID); });
    } catch (const std::exception& fault) {
        // The runner lets contract faults through to their caller; here the caller is the host's
        // event loop, which an escaping exception would end, so they end the run like any error.
        logApplyError(brontle::Error(brontle::ErrorNumber::HostFailure, fault.what()));
    }
}

std::string Peelwise::Plugin_Author() const {
    return "Orvane Software";
}

std::int32_t Peelwise::Plugin_PluginClass() const {
    return 3;
}

std::int32_t Peelwise::Plugin_Cost() const {
    return 99;
}

QIcon Peelwise::Plugin_Icon() const {
    // Making a null icon cannot fail, so this needs no trap of its own.
    return QIcon();
}

std::string Peelwise::Plugin_Name() const {
    return "Peel-Wise";
}

void Peelwise::Plugin_GetValidation(std::int32_t /*componentType*/, std::int32_t selectionType,
                                    std::int32_t& validMinComponents,
                                    std::int32_t& validMaxComponents,
                                    std::int32_t& validMinShapeSubSelection,
                                    std::int32_t& validMaxShapeSubSelection) {
    validMinComponents = 1;
    validMaxComponents = 1;
    if (selectionType == brontle::kSelectPolygons) {
        validMinShapeSubSelection = 1;
        validMaxShapeSubSelection = 999;
    }
}

} // namespace peelwise
