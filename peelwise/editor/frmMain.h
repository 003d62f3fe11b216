#pragma once
// The UV editor dialog, "Peel-Wise": one modal dialog per editing run, created on first use and
// reused by every later run.
//
// What the plug-in class uses (and nothing else does):
//  - csSourceShape, cgSourceFrame: the working copy of the selected shape and that shape's frame,
//    written before showModal(); both are released when the dialog closes.
//  - bOKClicked, bCancelClicked: written false before showModal(); after it returns exactly one
//    of them is true (OK was pressed, or the dialog was closed any other way).
//  - cCSG(): the run's scene graph (the global of peelwise/plugin/modMain.h).
//  - showModal(): runs the load handler, then shows the dialog modally; returns once it has
//    closed. A load handler that unloads the dialog (an unwrap that cannot proceed) returns
//    without showing it.
//
// The editing state of a run is an EditSession (peelwise/session), made fresh by every start-up.
// The dialog's state fields that name part of it (csAtlasShape, csUVShape, csSourceShape,
// alUVVertexToTexCoord, atCreaseEdges, avUVPositions, bUVChanged) are references into the
// session, and the counts and the history (lCreaseEdgeCount, lUVPositionCount, atHistory,
// lHistoryCount, lHistoryPosition) are read from it, so the dialog holds no copy to keep in step.
// The handlers read the controls, call the session and redraw the views. The controls are public
// members named as the rest of the editor knows them, so that the editor's own files and the
// tests reach them directly. Each control's objectName is its member name. The two separator lines
// form one control array "Line1": Line1[0] in the toolbar, Line1[1] in the manual-transform frame.

#include "peelwise/session/EditSession.h"

#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"
#include "brontle/model/Forward.h"

#include <QDialog>
#include <QPoint>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;

namespace brontle {
class Editport;
class UpDownText;
class Viewport;
class ViewportRenderDevice;
class XPButton;
} // namespace brontle

namespace peelwise {

class CommonDialog;
class StepRunner;
struct AtlasRequest;
struct HistoryEntry;
namespace modUV {
struct CreaseEdge;
}
namespace modUV {
enum class TransformButton;
enum class WeldKind;
} // namespace modUV

// A texture's size in pixels.
struct TextureSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class frmMain : public QDialog {
    Q_OBJECT
  public:
    // The one dialog of the process, created (with all its controls) on the first call, which
    // needs a QApplication. It is never destroyed: later editing runs reuse it, and its load
    // handler gives each run a fresh session.
    static frmMain& instance();

    ~frmMain() override;

    // The run's scene graph; empty before the first editing run.
    brontle::SceneGraphPtr cCSG() const;

    // Load handler, then the modal show; returns when the dialog has closed.
    void showModal();

    // Closes the dialog: the query-unload handler, then the unload handler, then the window goes
    // away (ends showModal). Does nothing when the dialog is not loaded.
    void Unload();
    // True from the start of showModal() until the dialog has been unloaded.
    bool isLoaded() const { return loaded_; }

    // The run's editing session: every state field below that names part of the run reads
    // through to it.
    EditSession& session() { return session_; }
    const EditSession& session() const { return session_; }

  private:
    EditSession session_;

  public:
    // ---- editor state, in declaration order
    brontle::ShapePtr& csAtlasShape = session_.atlas;   // textured 3D working shape in the preview
    brontle::ShapePtr& csUVShape = session_.uv;         // flat UV layout in the coordinate view
    brontle::ShapePtr csTextureShape;                   // backdrop square of the coordinate view
    brontle::ShapePtr& csSourceShape = session_.source; // the working copy lent by the plug-in
    brontle::FramePtr cgSourceFrame;                    // frame of the selected shape
    bool bOKClicked = false;
    bool bCancelClicked = false;
    bool& bUVChanged = session_.uvChanged; // the UV layout was edited since the last unwrap
    // Per csUVShape vertex, the index of the csAtlasShape texture coordinate it stands for.
    std::vector<std::int32_t>& alUVVertexToTexCoord = session_.uvVertexToTexCoord;
    std::string sTextureName; // texture the atlas is added to; "" when a new one is made
    std::int32_t lTextureWidth = 0;
    std::int32_t lTextureHeight = 0;
    std::vector<modUV::CreaseEdge>& atCreaseEdges = session_.creaseEdges;
    std::int32_t lCreaseEdgeCount() const {
        return static_cast<std::int32_t>(session_.creaseEdges.size());
    }
    // lHistoryCount() entries, index 0 the oldest.
    const std::vector<HistoryEntry>& atHistory() const { return session_.history().entries(); }
    std::int32_t lHistoryCount() const { return session_.history().count(); }
    // Where the next state is written.
    std::int32_t lHistoryPosition() const { return session_.history().position(); }
    // csUVShape's vertex positions, cached.
    std::vector<brontle::Vector3>& avUVPositions = session_.uvPositions;
    std::int32_t lUVPositionCount() const {
        return static_cast<std::int32_t>(session_.uvPositions.size());
    }
    // The help file context help opens: the install folder + "\BRNHelp.chm", as the host names
    // it; helpPageFile() (frmMainLoad.cpp) maps it to the page the host ships.
    std::string sHelpFile;

    // ---- controls, in creation order
    QWidget* picMainToolbar = nullptr;
    brontle::XPButton* cmdEditUndo = nullptr;
    brontle::XPButton* cmdEditRedo = nullptr;
    brontle::XPButton* chkConstrainX = nullptr;
    brontle::XPButton* chkConstrainY = nullptr;
    std::array<QFrame*, 2> Line1{};
    QWidget* picTextureOptions = nullptr;
    QComboBox* cboTextureOption = nullptr;
    QComboBox* cboFactorType = nullptr;
    QPushButton* cmdDeselectAll = nullptr;
    QPushButton* cmdCreaseSeams = nullptr;
    brontle::UpDownText* updFactor = nullptr;
    QComboBox* cboTextureSize = nullptr;
    QPushButton* cmdGenerateAtlas = nullptr;
    brontle::Editport* dfeObjectPreview = nullptr;
    CommonDialog* dlgCommonDialog = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdOK = nullptr;
    brontle::Editport* dfeCoordinatesAdjustment = nullptr;
    brontle::Viewport* dfvViewport = nullptr;
    QFrame* fraManual = nullptr;
    brontle::XPButton* cmdRotateRight = nullptr;
    brontle::XPButton* cmdRotateLeft = nullptr;
    brontle::XPButton* cmdShiftLeft = nullptr;
    brontle::XPButton* cmdShiftRight = nullptr;
    brontle::XPButton* cmdEnlarge = nullptr;
    brontle::XPButton* cmdReduce = nullptr;
    brontle::XPButton* cmdShiftUp = nullptr;
    brontle::XPButton* cmdShiftDown = nullptr;
    brontle::XPButton* cmdWeldSelection = nullptr;
    brontle::XPButton* cmdWeldNearest = nullptr;
    brontle::XPButton* cmdWeldToSelected = nullptr;
    brontle::XPButton* cmdWeldToNearest = nullptr;
    brontle::XPButton* cmdUnlink = nullptr;
    QLabel* lblY = nullptr;
    QLabel* lblX = nullptr;

    // ---- popup menus (context menus of the two views)
    QMenu* mnuPopupObjectPreview = nullptr;
    QAction* mnuSelectLoop = nullptr;
    QAction* mnuPopupObjectPreviewSeparator = nullptr;
    QAction* mnuDeselectAll = nullptr;
    QMenu* mnuPopupCoordinatesAdjustment = nullptr;
    QAction* mnuSelectChart = nullptr;
    QAction* mnuSelectAllCharts = nullptr;
    QAction* mnuPopupCoordinatesAdjustmentx = nullptr;
    QAction* mnuDeselectChart = nullptr;
    QAction* mnuDeselectAllCharts = nullptr;

    // ---- event handlers
    void Form_Load();
    // Runs first whenever the dialog is about to close; never refuses.
    void Form_QueryUnload();
    void Form_Unload();
    // Re-lays the main areas for the current client size.
    void Form_Resize();
    void cmdOK_Click();
    // OK's texture render into sTextureName (its step 5) as one host operation that the user may
    // cancel (OkCommand.cpp); a failing statement is skipped through `steps`.
    void renderTextureFile(StepRunner& steps, std::int32_t width, std::int32_t height);
    void cmdCancel_Click();
    // F1 (ContextHelp.cpp): opens helpPageFile(sHelpFile) with the desktop's viewer. Returns
    // false, with a line in the host log, when there is no page or no viewer opened it.
    bool ShowContextHelp();

    // ---- texture choice and the texture file (TextureOptions.cpp, SaveRenderedTexture.cpp)
    // Does nothing while cboTextureOption is disabled.
    void cboTextureOption_Click();
    // Writes `device`'s last render into sTextureName; errors are raised with the source
    // "frmMain".
    void SaveRenderedTexture(const brontle::ViewportRenderDevice& device);
    void dfvViewport_FrameRendered();

    // ---- unwrap driver (UnwrapDriver.cpp)
    // The first unwrap of a run, called by the load handler; sets bCancelClicked (and unloads
    // the dialog) when the atlas fails twice. Errors outside the build are raised again with
    // the source "frmMain".
    void InitialUnwrap();
    // One build: copy of `source` with `seams`, the host's atlas, `atlas` (made or refilled in
    // place), `uv` (made anew) and alUVVertexToTexCoord. True on success; every error is
    // logged and gives false, nothing is raised. buildCancelled_ tells afterwards whether the
    // user cancelled the atlas in the host's progress dialog.
    bool GenerateAtlasShapes(const brontle::ShapePtr& source, brontle::ShapePtr& atlas,
                             brontle::ShapePtr& uv, const brontle::SubSelection& seams);
    // GenerateAtlasShapes with one retry at default settings, and the two messages; after the
    // second failure the dialog is unloaded as cancelled and false is returned. At start-up
    // (`startUp`) an atlas the user cancelled is not retried: the dialog is unloaded as
    // cancelled at once, without a message, since the user asked to stop.
    bool BuildWithRetry(brontle::ShapePtr& uv, const brontle::SubSelection& seams,
                        bool startUp = false);
    // Writes the UV layout's vertex positions back into the atlas texture coordinates.
    void CommitUVLayout();
    // The texture the atlas is laid out for and OK renders (AtlasRequestControls.cpp): with
    // "Create Texture" the square of the size item, 2^(item + 6) pixels a side ("64x64" to
    // "2048x2048"); otherwise the chosen texture's own size. Error(9) for a size item outside
    // 0..24.
    TextureSize atlasTextureSize() const;
    // The host's atlas parameters as the controls give them: the texture size and its log line
    // (written first: a factor that is no number fails after it), factor type and factor, and
    // the preview's devices.
    AtlasRequest atlasRequestFromControls();
    void cmdGenerateAtlas_Click();

    // ---- seams (SeamCommands.cpp)
    void MarkCreaseSeams(const brontle::ShapePtr& shape,
                         const std::vector<modUV::CreaseEdge>& creases, std::int32_t count);
    void cmdCreaseSeams_Click();
    void cmdDeselectAll_Click();
    void mnuDeselectAll_Click();
    void mnuSelectLoop_Click();
    void dfeObjectPreview_SelectionChange();
    void dfeObjectPreview_ViewChange();
    // Sets the menu's enabled states and opens it at `globalPos` (the pointer).
    void dfeObjectPreview_ContextMenu(const QPoint& globalPos);

    // ---- command states (CommandStates.cpp)
    void UpdateCommandStates();
    // chkConstrainX pressed or the Y key (89) held: U must not change.
    bool IsXConstrained() const;
    // chkConstrainY pressed or the X key (88) held: V must not change.
    bool IsYConstrained() const;

    // ---- the coordinate view's notifications (UVViewHandlers.cpp)
    // EditBegin: a zero move, then RecordHistory. DragMove / DragScale: the session's drag with
    // the axis locks, then the read-out. EditEnd: the vertex cache, then UpdateCommandStates.
    void dfeCoordinatesAdjustment_EditBegin();
    void dfeCoordinatesAdjustment_DragMove(float dx, float dy, float dz);
    void dfeCoordinatesAdjustment_DragScale(float sx, float sy);
    void dfeCoordinatesAdjustment_EditEnd();
    void dfeCoordinatesAdjustment_SelectionChange();
    void dfeCoordinatesAdjustment_SelectionPick();
    void dfeCoordinatesAdjustment_SelectionRelease();
    void dfeCoordinatesAdjustment_ViewChange();
    void dfeCoordinatesAdjustment_PointerMove(const brontle::ShapePtr& hitObject, bool hitFlag,
                                              float x, float y);
    // Sets the chart items' enabled states and pops the menu up at `globalPos`.
    void dfeCoordinatesAdjustment_ContextMenu(const QPoint& globalPos);

    // ---- UV transform buttons: one step per mouse-up of the left button; `button` 1 left,
    // 2 right; `shift` bit 1 Shift, bit 2 Ctrl (TransformCommands.cpp)
    void cmdEnlarge_MouseUp(int button, int shift);
    void cmdReduce_MouseUp(int button, int shift);
    void cmdRotateLeft_MouseUp(int button, int shift);
    void cmdRotateRight_MouseUp(int button, int shift);
    void cmdShiftLeft_MouseUp(int button, int shift);
    void cmdShiftRight_MouseUp(int button, int shift);
    void cmdShiftUp_MouseUp(int button, int shift);
    void cmdShiftDown_MouseUp(int button, int shift);

    // ---- welds and unlink (WeldCommands.cpp, UnlinkCommand.cpp)
    void cmdWeldSelection_Click();
    void cmdWeldToSelected_Click();
    void cmdWeldNearest_Click();
    void cmdWeldToNearest_Click();
    void cmdUnlink_Click();

    // ---- chart items of the coordinate view's context menu (ChartCommands.cpp)
    void mnuSelectChart_Click();
    void mnuSelectAllCharts_Click();
    void mnuDeselectChart_Click();
    void mnuDeselectAllCharts_Click();

    // ---- edit history (HistoryCommands.cpp): the session's history. Errors are raised to the
    // caller with the source "frmMain".
    void RecordHistory();
    // Restore, then alUVVertexToTexCoord rebuilt, UpdateCommandStates, redraws (UV view first).
    void UndoEdit();
    void RedoEdit();
    void cmdEditUndo_Click();
    void cmdEditRedo_Click();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // The title-bar close button and Escape both arrive here: they close as Cancel does.
    void reject() override;

  private:
    frmMain();
    void createControls();
    void createToolbar();
    void createTextureOptions();
    void createViews();
    void createManualFrame();
    void createMenus();
    void connectHandlers();
    void connectTextureHandlers();
    void connectUnwrapAndSeamHandlers();
    void connectContextHelp();
    void updateCommandStatesNow();
    bool textureOptionChangeSeen_ = false; // see connectTextureHandlers

    // UV editing helpers (EditTargets.cpp, HistoryCommands.cpp, the command files)
    void connectUVEditHandlers();
    // Throw "object variable not set" (91) when the object is missing.
    brontle::SceneGraph& editScene() const;
    brontle::Shape& editUVShape() const;
    brontle::Shape& editAtlasShape() const;
    brontle::DeviceID uvDevice() const;
    brontle::DeviceID previewDevice() const;
    // The session attached to the run's scene and the two views' devices.
    EditSession& editSession();
    void runTransformButton(modUV::TransformButton which, int button, int shift);
    void runWeld(modUV::WeldKind kind);
    void afterRestore();
    bool buildCancelled_ = false; // the last GenerateAtlasShapes failed by the user's Cancel

    bool loaded_ = false;
    bool closing_ = false;
};

} // namespace peelwise
