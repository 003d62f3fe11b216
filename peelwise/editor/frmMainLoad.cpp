// The editor dialog's load handler: everything the dialog does before the user sees it, as one
// sequence of small steps under the "continue with the next statement" trap. A step that fails
// is reported once (a bad stored setting, a missing object) and the start-up goes on.
#include "peelwise/editor/CurrentDrive.h"
#include "peelwise/editor/EditorSettings.h"
#include "peelwise/editor/HelpFile.h"
#include "peelwise/editor/HistoryEntry.h"
#include "peelwise/editor/RequiredObject.h"
#include "peelwise/editor/StoredText.h"
#include "peelwise/editor/WindowPlacement.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/FontWiz.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/support/modWarn.h"
#include "peelwise/texture/LayoutTexture.h"
#include "peelwise/uv/UnwrapGeometry.h"

#include "brontle/model/Display.h"
#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"
#include "brontle/services/Platform.h"
#include "brontle/views/Editport.h"
#include "brontle/views/UpDownText.h"

#include <QComboBox>
#include <QLabel>

#include <optional>

namespace peelwise {

namespace {

using brontle::Error;

constexpr const char* kHintWithoutCreases =
    "You can mark seams on your shape by selecting edges, and then clicking \"Unwrap\" to "
    "regenerate the Peel-Wise.";
constexpr const char* kHintWithCreases =
    "Seams have been marked for your shape based on its creases. You can mark additional seams, "
    "or clear the marked seams, and then click \"Unwrap\" to regenerate the Peel-Wise. Seams are "
    "marked by selecting edges on your shape.";

// The application name the host reports, fetched anew for every access: the host may change it
// between two reads (a renamed profile), and each read must address the store it names now.
std::string settingsAppName(const frmMain& form) {
    const brontle::SceneGraphPtr scene = form.cCSG();
    return required(required(scene, "scene graph").GetEnvironment(), "host environment")
        .GetSettingsAppName();
}

// A stored list index applied to a list. -1 (no item) counts as out of range too: every list of
// the editor always shows one of its choices.
void selectStoredIndex(QComboBox& list, const std::string& text) {
    const std::int32_t index = storedWholeNumber(text);
    if (index < 0 || index >= list.count()) {
        throw Error(brontle::ErrorNumber::SubscriptOutOfRange,
                    "Subscript out of range: the list " + list.objectName().toStdString() +
                        " has no item " + std::to_string(index));
    }
    list.setCurrentIndex(index);
}

// A colour record (r, g, b, alpha).
brontle::Color4 rgba(float r, float g, float b, float a) {
    return {r, g, b, a};
}

} // namespace

void frmMain::Form_Load() {
    StepRunner trap(ErrorPolicy::ContinueWithNextStep);
    brontle::SceneGraph* scene = nullptr;
    const auto sceneGraph = [&]() -> brontle::SceneGraph& {
        return required(scene, "scene graph");
    };
    trap([&] { scene = cCSG().get(); });

    // 2. The system's user-interface font for the dialog and its controls.
    trap([&] { FontWiz::shared().AdjustForm(this); });

    // 3. The factor box's upper limit, not its lower one: the box starts at 1 .. 100 and the
    // stored factor defaults to "4", which an upper limit of 8 keeps inside the range and a
    // lower limit of 8 would not.
    trap([&] { updFactor->setMaxvalue(8.0); });
    trap([&] { updFactor->setText("8"); });

    // 4. A new run starts without edits and without history: a fresh session over the working
    // copy the plug-in has lent.
    trap([&] { session_ = EditSession(csSourceShape); });

    trap([&] { UpdateCommandStates(); });

    trap([&] { csTextureShape.reset(); });

    // 7. Each view shows its own new root frame of the run's scene.
    trap([&] { dfeCoordinatesAdjustment->SetScene(cCSG(), sceneGraph().CreateFrame(nullptr)); });
    trap([&] { dfeObjectPreview->SetScene(cCSG(), sceneGraph().CreateFrame(nullptr)); });

    // 8. The user's last choices (the window's place and size are applied in step 21). A store
    // that cannot be read is reported once, and the defaults apply.
    EditorSettings stored;
    trap([&] {
        brontle::Platform& platform = brontle::platform();
        stored =
            EditorSettings::defaults(platform.screenWidthTwips(), platform.screenHeightTwips());
        stored = EditorSettings::load(settingsAppName(*this), platform.screenWidthTwips(),
                                      platform.screenHeightTwips());
    });
    trap([&] { selectStoredIndex(*cboFactorType, stored.factorType); });
    trap([&] { updFactor->setText(QString::fromStdString(stored.factor)); });
    trap([&] { selectStoredIndex(*cboTextureSize, stored.textureSize); });
    trap([&] { sTextureName = stored.textureName; });
    // The texture-option handler does nothing while its list is disabled, so restoring the
    // stored choice loads no texture here; the backdrop below does that once.
    trap([&] { cboTextureOption->setEnabled(false); });
    trap([&] { selectStoredIndex(*cboTextureOption, stored.textureOption); });
    trap([&] { cboTextureOption->setEnabled(true); });

    trap([&] { makeDriveCurrent(pluginFolder()); });

    trap([&] {
        sHelpFile = helpFileFor(
            required(sceneGraph().GetEnvironment(), "host environment").GetInstallFolder());
    });

    trap([&] { lblX->setText(""); });
    trap([&] { lblY->setText(""); });

    // 12. The backdrop: a unit square at depth 1 behind the layout, textured so that texture
    // coordinate (0, 0) is at its top-left corner (the 2D view's y runs down).
    std::optional<brontle::Polygon> backdrop;
    const auto polygon = [&]() -> brontle::Polygon& {
        if (!backdrop) {
            throw Error(brontle::ErrorNumber::ObjectNotSet,
                        "Object variable not set (backdrop polygon)");
        }
        return *backdrop;
    };
    // The steps that build on the backdrop run only once it exists. When the host could not make
    // it, that one failure has been reported; every later backdrop step would only fail again
    // for want of the object (error 91) and show a message box per statement for the same
    // fault, so they are passed over instead.
    const auto backdropStep = [&](const Step& step) {
        trap([&] {
            if (backdrop) {
                step();
            }
        });
    };
    trap([&] { csTextureShape = sceneGraph().CreateShape(); });
    trap([&] {
        if (csTextureShape) {
            backdrop = csTextureShape->AddPolygon();
        }
    });
    // The backdrop square's corners and texture coordinates are the texture output's
    // (LayoutTexture.h), so that OK's texture and the headless one agree.
    for (const brontle::Vector3& at : kBackdropCorners) {
        backdropStep([&] {
            const brontle::Toolkit& toolkit = required(sceneGraph().GetToolkit(), "toolkit");
            polygon().AddCorner(toolkit.MakeVector3(at.x, at.y, at.z), toolkit.MakeVector3(0, 0, 0),
                                toolkit.MakeVector2(0, 0));
        });
    }
    for (std::int32_t k = 0; k < 4; ++k) {
        backdropStep([&] {
            const brontle::Toolkit& toolkit = required(sceneGraph().GetToolkit(), "toolkit");
            polygon().SetCornerUV(
                k, toolkit.MakeVector2(kBackdropTexCoords[k].u, kBackdropTexCoords[k].v));
        });
    }
    // Nearest-pixel filtering: the user places points against single texels.
    backdropStep([&] {
        required(polygon().GetMaterial(), "backdrop material")
            .SetMaterialOption(brontle::kTextureFilterOption, brontle::kNearestTexels);
    });

    // 13. The backdrop's texture: the continuity map, or the texture the atlas is added to.
    brontle::TexturePtr texture;
    bool addToTexture = false;
    trap([&] { addToTexture = cboTextureOption->currentIndex() != 0; });
    trap([&] {
        if (!addToTexture) {
            texture = loadContinuityMap(sceneGraph());
        } else {
            texture = sceneGraph().LoadTexture(sTextureName, 0, 0, "", "", 0.5f, "", "", "",
                                               lTextureWidth, lTextureHeight);
        }
    });
    trap([&] {
        // A texture that is gone since it was chosen: silently back to a new texture.
        if (addToTexture && !texture) {
            sTextureName.clear();
            cboTextureOption->setCurrentIndex(0);
            texture = loadContinuityMap(sceneGraph());
        }
    });
    backdropStep(
        [&] { required(polygon().GetMaterial(), "backdrop material").SetTexture(texture); });

    // 15. An unlit backdrop, drawn first and never picked.
    backdropStep([&] {
        required(csTextureShape, "backdrop shape").SetDisplayFlags(brontle::kBackdropFlag);
    });
    backdropStep([&] {
        required(csTextureShape, "backdrop shape").SetDisplayOption(brontle::kDefaultDisplayOption);
    });
    backdropStep([&] {
        required(dfeCoordinatesAdjustment->RootFrame(), "root frame of the coordinate view")
            .AddShape(csTextureShape);
    });

    trap([&] { InitialUnwrap(); });

    if (!bCancelClicked) {
        // 19. The 2D camera on the unit square with a little margin. The view's reset in between
        // lets it take in its new scene; the extent and the position set after it are what the
        // user sees, the camera far back so that no shape of the layout lies behind it.
        trap([&] { dfeCoordinatesAdjustment->SetCameraPosition(0.505f, 0.495f, -5.0f); });
        trap([&] { dfeCoordinatesAdjustment->setViewExtent(0.52f); });
        trap([&] { dfeCoordinatesAdjustment->ResetView(); });
        trap([&] { dfeCoordinatesAdjustment->setViewExtent(0.52f); });
        trap([&] { dfeCoordinatesAdjustment->SetCameraPosition(0.505f, 0.495f, -1000.0f); });

        // Textures and wires over every shape.
        trap([&] { dfeObjectPreview->setPreviewSetting(brontle::kDefaultPreviewSetting); });

        // 21. The window where the user left it; by default 5 % in from the screen's top-left
        // corner at the design size.
        trap([&] { setWindowLeftTwips(*this, storedSingle(stored.left)); });
        trap([&] { setWindowTopTwips(*this, storedSingle(stored.top)); });
        trap([&] { setWindowWidthTwips(*this, storedSingle(stored.width)); });
        trap([&] { setWindowHeightTwips(*this, storedSingle(stored.height)); });

        trap([&] { dfeCoordinatesAdjustment->Refresh(); });
        trap([&] { dfeObjectPreview->Refresh(); });

        // 23. Wires: white over the dark preview background, black in the coordinate view, and
        // a half-transparent tint for what is selected there.
        trap([&] {
            const brontle::DeviceID device = dfeObjectPreview->DeviceID();
            const brontle::MaterialPtr material =
                sceneGraph().GetDeviceMaterial(device, brontle::kWireSlot);
            required(material, "device material").SetColorB(rgba(1, 1, 1, 1));
            material->SetColorA(rgba(0, 0, 0, 1));
            material->SetColorC(rgba(0, 0, 0, 1));
            sceneGraph().SetDeviceMaterial(device, brontle::kWireSlot, material);
        });
        trap([&] {
            const brontle::DeviceID device = dfeCoordinatesAdjustment->DeviceID();
            const brontle::MaterialPtr material =
                sceneGraph().GetDeviceMaterial(device, brontle::kWireSlot);
            required(material, "device material").SetColorB(rgba(0, 0, 0, 1));
            material->SetColorA(rgba(0, 0, 0, 1));
            material->SetColorC(rgba(0, 0, 0, 1));
            sceneGraph().SetDeviceMaterial(device, brontle::kWireSlot, material);
        });
        trap([&] {
            const brontle::DeviceID device = dfeCoordinatesAdjustment->DeviceID();
            const brontle::MaterialPtr material =
                sceneGraph().GetDeviceMaterial(device, brontle::kSelectedSlot);
            brontle::Color4 colour = required(material, "device material").GetColorB();
            colour.a = 0.5f;
            material->SetColorB(colour);
            sceneGraph().SetDeviceMaterial(device, brontle::kSelectedSlot, material);
        });

        trap([&] {
            modWarn::ShowWarning(settingsAppName(*this),
                                 lCreaseEdgeCount() < 1 ? kHintWithoutCreases : kHintWithCreases,
                                 kSeamHintSetting, 0);
        });
        trap([&] { UpdateCommandStates(); });
    }
    // 25. The backdrop polygon handle goes out of scope here; the shape keeps the polygon.
}

} // namespace peelwise
