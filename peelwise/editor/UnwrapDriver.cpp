// The unwrap driver of the editor dialog: the first unwrap of a run, the Unwrap button, the one
// build with its retry at default settings, and the write-back of the UV layout. The geometry
// itself is the Qt-free UnwrapGeometry.h; this file adds the dialog's parameters, log lines,
// messages, button states and view refreshes around it.
#include "peelwise/editor/HistoryEntry.h"
#include "peelwise/editor/RequiredObject.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/CreaseEdge.h"
#include "peelwise/uv/UnwrapGeometry.h"

#include "brontle/core/Error.h"
#include "brontle/model/Frame.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/Log.h"
#include "brontle/services/Platform.h"
#include "brontle/views/Editport.h"
#include "brontle/views/UpDownText.h"
#include "brontle/views/XPButton.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <stdexcept>

namespace peelwise {

namespace {

using brontle::Error;

constexpr const char* kSource = "frmMain";
constexpr const char* kMessageTitle = "Peel-Wise";
constexpr const char* kRetryMessage = "Brontle was unable to unwrap the current selection. "
                                      "Brontle will unwrap with default settings.";
constexpr const char* kGiveUpMessage = "Brontle was unable to unwrap the current selection. "
                                       "Closing Brontle and re-opening may resolve the problem.";
constexpr const char* kDiscardEditsQuestion =
    "You have made changes to the UV mapping. Would you like to continue?";

// Diagnostic lines the user does not see: the run's file utility, or the host's log directly
// when there is no run yet.
void writeLog(const std::string& line) {
    if (modMain::fileUtility) {
        modMain::fileUtility->WriteLog(line);
    } else {
        brontle::hostLog().write(line);
    }
}

} // namespace

bool frmMain::GenerateAtlasShapes(const brontle::ShapePtr& source, brontle::ShapePtr& atlas,
                                  brontle::ShapePtr& uv, const brontle::SubSelection& seams) {
    buildCancelled_ = false;
    try {
        // The run's shapes are the session's: the driver passes csSourceShape and csAtlasShape.
        if (source != csSourceShape || &atlas != &csAtlasShape) {
            throw std::logic_error("GenerateAtlasShapes builds the session's own shapes");
        }
        EditSession& session = editSession();
        const brontle::ShapePtr copy = session.sourceWithSeams(seams);
        const AtlasRequest request = atlasRequestFromControls();
        brontle::ShapePtr layout = session.build(*copy, request, seams);
        if (!layout) {
            return false;
        }
        uv = std::move(layout);
        return true;
    } catch (...) {
        const std::optional<Error> error = trappedError(std::current_exception());
        if (!error) {
            throw; // a broken contract of the calling code, not a failed build
        }
        writeLog("pbGenerateAtlas failed with error: " + std::to_string(error->number()) + "-" +
                 error->description());
        writeLog("pbGenerateAtlas failed with Texture Name: " + sTextureName);
        buildCancelled_ = error->number() == brontle::ErrorNumber::HostCancelled;
        return false;
    }
}

bool frmMain::BuildWithRetry(brontle::ShapePtr& uv, const brontle::SubSelection& seams,
                             bool startUp) {
    // The layout's stretch display measures each polygon on the atlas shape it stands for.
    const auto built = [&] {
        dfeCoordinatesAdjustment->SetStretchReference(csAtlasShape);
        return true;
    };
    if (GenerateAtlasShapes(csSourceShape, csAtlasShape, uv, seams)) {
        return built();
    }
    if (startUp && buildCancelled_) {
        // One Cancel in the progress dialog ends a run that has no layout yet.
        bCancelClicked = true;
        Unload();
        return false;
    }
    brontle::platform().messageBox(
        {kRetryMessage, kMessageTitle, brontle::MessageStyle::Exclamation});
    // The defaults stay visible, and OK later stores them as the user's choice.
    cboFactorType->setCurrentIndex(0);
    updFactor->setText("4");
    if (GenerateAtlasShapes(csSourceShape, csAtlasShape, uv, seams)) {
        return built();
    }
    brontle::platform().messageBox(
        {kGiveUpMessage, kMessageTitle, brontle::MessageStyle::Exclamation});
    bCancelClicked = true;
    Unload();
    return false;
}

void frmMain::InitialUnwrap() {
    withSource(kSource, [&] {
        // The previous run's atlas shape goes first, before anything here can fail: a start-up
        // whose unwrap failed must not leave it for OK to copy into this run's shape (it belongs
        // to another shape, perhaps of another scene). The build below creates both shapes anew.
        csAtlasShape.reset();
        csUVShape.reset();
        brontle::SceneGraph& scene = required(cCSG(), "scene graph");
        const brontle::Toolkit& toolkit = required(scene.GetToolkit(), "toolkit");
        const brontle::FramePtr previewRoot = dfeObjectPreview->RootFrame();
        const brontle::FramePtr coordRoot = dfeCoordinatesAdjustment->RootFrame();

        toolkit.PrepareFrame(previewRoot, 1.0f, 0);
        toolkit.PrepareFrame(coordRoot, 1.0f, 0);
        dfeObjectPreview->SetCameraPosition(5.0f, 5.0f, -15.0f);

        const brontle::FramePtr previewFrame = scene.CreateFrame(previewRoot);
        const brontle::FramePtr coordFrame = scene.CreateFrame(coordRoot);
        if (cgSourceFrame) {
            // The atlas shape stands in the preview as the source shape stands in its parent.
            const brontle::FramePtr parent = cgSourceFrame->GetParent();
            const brontle::Placement placement = cgSourceFrame->GetPlacement(parent, -1.0f);
            previewFrame->SetPlacement(previewRoot, -1.0f, placement.position,
                                       placement.orientation);
        }
        dfeObjectPreview->SetTargetFrame(previewFrame, 0);

        atCreaseEdges.clear();
        // Set Default Seams starts disabled: the default seams are about to be applied.
        cmdCreaseSeams->setEnabled(false);
        required(csSourceShape, "source shape");
        const brontle::SubSelection seams = editSession().findDefaultSeams();
        if (lCreaseEdgeCount() < 1) {
            cmdCreaseSeams->setVisible(false);
            cmdDeselectAll->setEnabled(false);
        } else {
            dfeObjectPreview->Refresh();
            cmdCreaseSeams->setVisible(true);
            cmdDeselectAll->setEnabled(true);
        }

        BuildWithRetry(csUVShape, seams, true);

        if (!bCancelClicked) {
            editSession().adoptLayout(csUVShape);
            previewFrame->AddShape(csAtlasShape);
            coordFrame->AddShape(csUVShape);
        }
    });
}

void frmMain::cmdGenerateAtlas_Click() {
    StepRunner trap(ErrorPolicy::ContinueWithNextStep);
    bool proceed = true;
    trap([&] {
        if (bUVChanged) {
            const brontle::MessageResult answer = brontle::platform().messageBox(
                {kDiscardEditsQuestion, "UV Editor", brontle::MessageStyle::YesNo});
            proceed = answer != brontle::MessageResult::No;
        }
    });
    if (!proceed) {
        return;
    }
    // A new layout: the edits and their history belong to the old one.
    trap([&] { session_.forgetEdits(); });
    trap([&] { UpdateCommandStates(); });
    trap([&] { CommitUVLayout(); });

    // The edges the user has selected on the atlas shape in the preview are the seams.
    brontle::SubSelection seams;
    trap([&] {
        required(csAtlasShape, "atlas shape");
        seams = editSession().selectedSeams();
    });
    trap([&] { required(cCSG(), "scene graph").ClearSelection(dfeObjectPreview->DeviceID()); });

    brontle::ShapePtr newUV;
    bool built = false;
    trap([&] { built = BuildWithRetry(newUV, seams); });
    if (!built && (bCancelClicked || !isLoaded())) {
        return; // the dialog has been closed as cancelled
    }

    // The UV shape object stays in the coordinate view's frame; only its content is new.
    trap([&] { editSession().adoptLayout(newUV); });

    trap([&] {
        required(cCSG(), "scene graph").RefreshDevice(dfeCoordinatesAdjustment->DeviceID());
    });
    trap([&] { dfeCoordinatesAdjustment->Refresh(); });
    trap([&] { dfeObjectPreview->Refresh(); });
}

void frmMain::CommitUVLayout() {
    withSource(kSource, [&] {
        editSession().commitLayout();
        lblX->setText("");
        lblY->setText("");
        cmdEnlarge->setEnabled(true);
        cmdReduce->setEnabled(true);
        cmdRotateLeft->setEnabled(true);
        cmdRotateRight->setEnabled(true);
        dfeCoordinatesAdjustment->Refresh();
        dfeObjectPreview->Refresh();
    });
}

} // namespace peelwise
