// OK and Cancel of the editor dialog. OK turns the edit into the working copy, picks the texture
// file, renders the UV layout into it, puts it on the working copy, stores the user's choices
// and closes; the plug-in class then writes the working copy into the selected shape. Any
// failure before the render (the user cancelling the save dialog included) closes the dialog
// as Cancel, silently; from the render on, a failing statement is skipped silently.
#include "peelwise/editor/AtlasTextureOutput.h"
#include "peelwise/editor/CommonDialog.h"
#include "peelwise/editor/EditorSettings.h"
#include "peelwise/editor/ProgramTitle.h"
#include "peelwise/editor/RequiredObject.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/texture/LayoutTexture.h"

#include "brontle/core/Error.h"
#include "brontle/model/AtomicFiles.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/HostProgress.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/Platform.h"
#include "brontle/views/Editport.h"
#include "brontle/views/UpDownText.h"
#include "brontle/views/Viewport.h"

#include <QComboBox>

#include <optional>

namespace peelwise {

namespace {

constexpr const char* kBitmapFilter = "Windows Bitmap (*.bmp)|*.bmp";
// Prompt before overwriting 2 + hide the read-only box 4 + the path must exist 2048 + no
// read-only return 32768.
constexpr std::int32_t kSaveFlags = 34822;
constexpr const char* kWrongFileType = "File Type not Correct.";

std::string settingsAppName(const frmMain& form) {
    return required(required(form.cCSG(), "scene graph").GetEnvironment(), "host environment")
        .GetSettingsAppName();
}

} // namespace

void frmMain::cmdOK_Click() {
    std::int32_t width = 0;
    std::int32_t height = 0;
    try {
        session_.applyToSource();

        // "Create Texture": a new square bitmap of the size item; "Add to Texture": the chosen
        // image's own size.
        const TextureSize size = atlasTextureSize();
        width = size.width;
        height = size.height;
        if (cboTextureOption->currentIndex() == 0) {
            // "Create Texture": the new file is named by the user now.
            dlgCommonDialog->filter = kBitmapFilter;
            dlgCommonDialog->fileName.clear();
            dlgCommonDialog->defaultExtension = "BMP";
            dlgCommonDialog->flags = kSaveFlags;
            dlgCommonDialog->cancelError = true;
            brontle::FileUtility& files = required(modMain::fileUtility, "file utility");
            files.RestoreLastFolder(settingsAppName(*this));
            for (;;) {
                dlgCommonDialog->ShowSave(); // a cancel throws, which ends OK as Cancel
                std::string folder, name, extension;
                files.SplitPath(dlgCommonDialog->fileName, folder, name, extension);
                // Case-sensitive on purpose: this file utility reports extensions in capitals,
                // so "x.bmp" passes as "BMP" and only other kinds of file are refused.
                if (extension == "BMP") {
                    break;
                }
                // No title of its own: the program title, the plug-in's while the box is up.
                const ScopedProgramTitle title;
                brontle::platform().messageBox(
                    {kWrongFileType, "", brontle::MessageStyle::Exclamation});
            }
            // The file came from the dialog, not from the utility's own dialogs: the utility is
            // told of it so that StoreLastFolder remembers its folder.
            files.NoteChosenFile(dlgCommonDialog->fileName);
            files.StoreLastFolder(settingsAppName(*this));
            sTextureName = dlgCommonDialog->fileName;
            // The dialog object is a control of this form and is reused by the next OK; what it
            // held (the chosen name) is let go with the rest of the request at the next show.
        }
        dfvViewport->setRenderSettingA(0);
    } catch (...) {
        if (!trappedError(std::current_exception())) {
            throw; // a broken contract of the calling code
        }
        // Nothing is reported: the dialog closes as if Cancel had been pressed.
        bCancelClicked = true;
        Unload();
        return;
    }

    // From here on a failing statement is skipped, silently, and OK goes on.
    StepRunner steps(ErrorPolicy::ContinueWithNextStep, [](const brontle::Error&) {});
    renderTextureFile(steps, width, height);
    steps([&] { lTextureWidth = 0; });
    steps([&] { lTextureHeight = 0; });
    attachAtlasTexture(steps, cCSG(), csSourceShape, sTextureName, lTextureWidth, lTextureHeight);
    steps([&] { bOKClicked = true; });

    EditorSettings choices;
    choices.factorType = std::to_string(cboFactorType->currentIndex());
    choices.factor = updFactor->text().toStdString();
    choices.textureSize = std::to_string(cboTextureSize->currentIndex());
    choices.textureName = sTextureName;
    choices.textureOption = std::to_string(cboTextureOption->currentIndex());
    std::optional<std::string> app;
    steps([&] { app = settingsAppName(*this); });
    if (app) {
        choices.saveChoices(*app, [&](const std::function<void()>& write) { steps(write); });
    }

    steps([&] { Unload(); });
}

void frmMain::renderTextureFile(StepRunner& steps, std::int32_t width, std::int32_t height) {
    // The render and the saves of its FrameRendered handler run as one host operation: after
    // half a second the progress dialog shows, and its Cancel stops them. A cancel makes the
    // render a failed one, as any other failure from here on: its remaining statements are
    // skipped silently (each Render stops at its first progress report, a save before it
    // replaces the file), no message is shown, and OK goes on with the next steps. The saves of
    // the operation replace sTextureName only when it ends uncancelled (CommitTogether), so a
    // cancel leaves the file as it was before OK: a new file is not created, an existing one
    // ("Add to Texture", or a "Create Texture" name that was already there) keeps its bytes. The
    // texture loaded in the next step is then that old file, or none (a material without a
    // texture), as after a failed save. Another host operation still running (which the modal
    // editor rules out) fails the whole render the same way.
    const std::string title = textureOperationTitle(sTextureName);
    const brontle::Error cancelled = textureRenderCancelled(sTextureName);
    steps([&] {
        brontle::progressService().run(
            title, cancelled, brontle::WorkThread::Caller, [&](brontle::ProgressReporter& r) {
                brontle::CommitTogether writes("SaveSurface");
                renderAtlasTexture(steps, *dfvViewport, cCSG(),
                                   dfeCoordinatesAdjustment->RootFrame(), width, height);
                if (r.cancelRequested()) {
                    return; // the held files are removed with `writes`
                }
                // A failure to put the saved file in place is a failed save of the texture,
                // reported as the FrameRendered handler reports one.
                StepRunner trap(ErrorPolicy::EndHandler);
                trap([&] { writes.commit(); });
            });
    });
}

void frmMain::cmdCancel_Click() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] {
        bCancelClicked = true;
        Unload();
    });
}

} // namespace peelwise
