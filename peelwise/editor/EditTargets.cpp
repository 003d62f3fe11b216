// The objects every UV edit command of the dialog works on, each checked before use: a missing
// scene graph or shape is the error "object variable not set" (91) naming what was missing, so
// the handler's trap reports it instead of the dialog crashing. editSession() hands the run's
// session the scene and the two views' devices before an edit.
#include "peelwise/editor/frmMain.h"

#include "peelwise/plugin/modMain.h"

#include "brontle/core/Error.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/views/Editport.h"

#include <string>

namespace peelwise {

namespace {

template <class T> T& present(const std::shared_ptr<T>& object, const char* what) {
    if (!object) {
        throw brontle::Error(brontle::ErrorNumber::ObjectNotSet,
                             std::string("Object variable not set (") + what + ")", "frmMain");
    }
    return *object;
}

} // namespace

brontle::SceneGraph& frmMain::editScene() const {
    return present(modMain::sceneGraph, "scene graph");
}

brontle::Shape& frmMain::editUVShape() const {
    return present(csUVShape, "csUVShape");
}

brontle::Shape& frmMain::editAtlasShape() const {
    return present(csAtlasShape, "csAtlasShape");
}

brontle::DeviceID frmMain::uvDevice() const {
    return dfeCoordinatesAdjustment->DeviceID();
}

brontle::DeviceID frmMain::previewDevice() const {
    return dfeObjectPreview->DeviceID();
}

EditSession& frmMain::editSession() {
    session_.attach(editScene(), previewDevice(), uvDevice());
    return session_;
}

} // namespace peelwise
