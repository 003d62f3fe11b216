// The two handlers every close of the editor passes through, in this order: the query-unload
// handler (a close other than OK or Cancel counts as Cancel; the run's shapes are let go) and
// the unload handler (the window's place and size are stored for the next run).
#include "peelwise/editor/EditorSettings.h"
#include "peelwise/editor/RequiredObject.h"
#include "peelwise/editor/WindowPlacement.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <charconv>

namespace peelwise {

namespace {

// A window coordinate as the settings keep it: a single-precision number in its shortest
// decimal form that reads back as the same number ("14730", "720.5").
std::string singleText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, static_cast<float>(value)).ptr;
    return std::string(text, end);
}

} // namespace

void frmMain::Form_QueryUnload() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        // Any way out other than OK and Cancel (title bar, Escape) counts as Cancel.
        if (!bOKClicked && !bCancelClicked) {
            bCancelClicked = true;
        }
        // The run's shapes are the plug-in's and the host's; the dialog lets go of them here. The
        // atlas shape, the history and the cached lists stay until the next start-up replaces
        // them. The close itself is never refused.
        csSourceShape.reset();
        cgSourceFrame.reset();
        csTextureShape.reset();
        csUVShape.reset();
    });
}

void frmMain::Form_Unload() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        const std::string app =
            required(required(cCSG(), "scene graph").GetEnvironment(), "host environment")
                .GetSettingsAppName();
        const TwipsRect window = windowRectTwips(*this);
        EditorSettings place;
        place.left = singleText(window.left);
        place.top = singleText(window.top);
        place.width = singleText(window.width);
        place.height = singleText(window.height);
        place.saveWindow(app);
    });
}

} // namespace peelwise
