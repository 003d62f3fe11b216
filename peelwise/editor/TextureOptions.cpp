// The texture choice of the editor: "Create Texture" (item 0) shows the continuity texture
// behind the layout and lets the user pick a size; "Add to Texture" (item 1) asks for an
// existing image at once, shows it behind the layout, and its pixel size becomes the atlas
// size. Also the connections of this list and of the render viewport's notification.
#include "peelwise/editor/RequiredObject.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/UnwrapGeometry.h"

#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/Platform.h"
#include "brontle/views/Editport.h"
#include "brontle/views/Viewport.h"

#include <QComboBox>
#include <QTimer>

namespace peelwise {

namespace {

constexpr const char* kUnableToLoad = "Unable to load texture. Texture may be invalid.";
constexpr const char* kMessageTitle = "Peel-Wise";

brontle::Material& backdropMaterial(const brontle::ShapePtr& backdrop) {
    return required(required(backdrop, "backdrop shape").GetMaterialByIndex(0),
                    "backdrop material");
}

} // namespace

void frmMain::connectTextureHandlers() {
    // The list's handler runs for every change of the chosen item, the program's included (as
    // the start-up and the handler itself rely on), and also when the user picks the item that
    // is already chosen: picking "Add to Texture" again opens the file dialog again.
    connect(cboTextureOption, &QComboBox::currentIndexChanged, this, [this] {
        // A user's pick emits this first and `activated` right after, in the same event; the
        // mark lasts until the event loop runs again, so that `activated` knows it was handled.
        textureOptionChangeSeen_ = true;
        QTimer::singleShot(0, this, [this] { textureOptionChangeSeen_ = false; });
        cboTextureOption_Click();
    });
    connect(cboTextureOption, &QComboBox::activated, this, [this] {
        if (!textureOptionChangeSeen_) {
            cboTextureOption_Click();
        }
    });
    connect(dfvViewport, &brontle::Viewport::FrameRendered, this,
            [this] { dfvViewport_FrameRendered(); });
}

void frmMain::cboTextureOption_Click() {
    // Disabled while the start-up restores the stored choice: nothing to load then.
    if (!cboTextureOption->isEnabled()) {
        return;
    }
    // A failure (mostly an image the host cannot read): the message, back to "Create Texture"
    // with the continuity texture, then the general report.
    const ErrorReporter unableToLoad = [this](const brontle::Error& error) {
        brontle::platform().messageBox(
            {kUnableToLoad, kMessageTitle, brontle::MessageStyle::Exclamation});
        cboTextureOption->setCurrentIndex(0);
        generalErrorReporter()(error);
    };
    StepRunner trap(ErrorPolicy::EndHandler, unableToLoad);
    trap([&] {
        brontle::SceneGraph& scene = required(cCSG(), "scene graph");
        if (cboTextureOption->currentIndex() == 1) {
            const brontle::HostEnvironment& environment =
                required(scene.GetEnvironment(), "host environment");
            std::string path;
            required(modMain::fileUtility, "file utility")
                .ShowOpenFileDialog(environment.GetOwnerHandle(), environment.GetSettingsAppName(),
                                    0, required(modMain::toolkit, "toolkit").GetImageFileKind(),
                                    path);
            if (path.empty()) {
                sTextureName.clear();
                cboTextureOption->setCurrentIndex(0); // its handler shows the continuity texture
            } else {
                sTextureName = path;
                lTextureWidth = 0;
                lTextureHeight = 0;
                const brontle::TexturePtr texture = scene.LoadTexture(
                    path, 0, 0, "", "", 0.0f, "", "", "", lTextureWidth, lTextureHeight);
                if (!texture) {
                    sTextureName.clear();
                    cboTextureOption->setCurrentIndex(0);
                } else {
                    backdropMaterial(csTextureShape).SetTexture(texture);
                    // The size now comes from the image: the size list is greyed out rather than
                    // hidden, so the user still sees where the size would be chosen.
                    cboTextureSize->setEnabled(false);
                }
            }
        } else {
            sTextureName.clear();
            lTextureWidth = 0;
            lTextureHeight = 0;
            const brontle::TexturePtr continuity = loadContinuityMap(scene);
            backdropMaterial(csTextureShape).SetTexture(continuity);
            cboTextureSize->setEnabled(true);
        }
        dfeCoordinatesAdjustment->Refresh();
    });
}

} // namespace peelwise
