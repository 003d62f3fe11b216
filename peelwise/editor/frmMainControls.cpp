// Builds the editor dialog's controls in their defined order, with their names, captions,
// tooltips, items, initial properties and design positions (twips, client area 14490 x 8580).
// The order matters: it is the order in which the font adjustment visits the controls.
#include "peelwise/editor/CommonDialog.h"
#include "peelwise/editor/MainLayoutRules.h"
#include "peelwise/editor/TwipsGeometry.h"
#include "peelwise/editor/frmMain.h"

#include "brontle/services/Platform.h"
#include "brontle/views/Editport.h"
#include "brontle/views/UpDownText.h"
#include "brontle/views/Viewport.h"
#include "brontle/views/XPButton.h"

#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include <cmath>

// Resources of a static library are registered only when something refers to them; this is that
// reference. It must be outside any namespace.
static void registerEditorIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace peelwise {

namespace {

// The font the lists and labels are drawn with before the font adjustment gives every control
// the system's user-interface font while the dialog loads.
QFont designFont() {
    QFont font("Segoe UI");
    font.setPointSizeF(9.0);
    return font;
}

void place(QWidget* widget, double left, double top, double width, double height) {
    setTwipsRect(*widget, {left, top, width, height});
}

void place(QWidget* widget, const TwipsRect& rect) {
    setTwipsRect(*widget, rect);
}

// Pixel side of a tool button's icon: a little inside the button, whatever the screen's density.
int iconPixels(double buttonTwips) {
    const double pixels = buttonTwips / brontle::platform().twipsPerPixelX();
    return static_cast<int>(std::lround(pixels * 0.7));
}

brontle::XPButton* toolButton(QWidget* parent, const char* name, const char* icon,
                              const char* tooltip, double left, double top, double side) {
    auto* button = new brontle::XPButton(parent);
    button->setObjectName(name);
    button->setToolTip(tooltip);
    button->setIcon(QIcon(QString(":/peelwise/editor/icons/%1.svg").arg(icon)));
    const int iconSide = iconPixels(side);
    button->setIconSize(QSize(iconSide, iconSide));
    button->setCheck(false);
    button->setEnabled(true);
    place(button, left, top, side, side);
    return button;
}

QPushButton* pushButton(QWidget* parent, const char* name, const char* caption,
                        const char* tooltip) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    if (tooltip != nullptr) {
        button->setToolTip(tooltip);
    }
    // Push buttons here never act on Enter: the dialog's default would otherwise be whichever
    // button Qt picks, and Enter in the factor box must not unwrap or close the dialog.
    button->setAutoDefault(false);
    return button;
}

QComboBox* dropDownList(QWidget* parent, const char* name, const QStringList& items) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    // Adding items selects the first one, so a list never shows an empty choice before the
    // start-up selects the stored one.
    list->addItems(items);
    list->setFont(designFont());
    return list;
}

QFrame* separatorLine(QWidget* parent, QFrame::Shape shape) {
    auto* line = new QFrame(parent);
    line->setObjectName("Line1");
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* label(QWidget* parent, const char* name, const char* caption) {
    auto* text = new QLabel(caption, parent);
    text->setObjectName(name);
    text->setFont(designFont());
    return text;
}

// Tool buttons of the toolbar strip, and of the manual-transform frame (larger, two groups).
constexpr double kToolbarButton = 315;
constexpr double kManualButton = 390;
constexpr double kManualStep = 420;

} // namespace

void frmMain::createControls() {
    registerEditorIcons();
    // The client area the design positions were drawn for; the start-up later restores the
    // user's own window size.
    const double tx = brontle::platform().twipsPerPixelX();
    const double ty = brontle::platform().twipsPerPixelY();
    resize(static_cast<int>(std::lround(kDesignClientWidth / tx)),
           static_cast<int>(std::lround(kDesignClientHeight / ty)));
    createToolbar();
    createTextureOptions();
    createViews();
    createManualFrame();
}

void frmMain::createToolbar() {
    const MainLayout design = designLayout();
    picMainToolbar = new QWidget(this);
    picMainToolbar->setObjectName("picMainToolbar");
    place(picMainToolbar, design.picMainToolbar);

    cmdEditUndo = toolButton(picMainToolbar, "cmdEditUndo", "undo", "Undo", 60, 15, kToolbarButton);
    cmdEditRedo =
        toolButton(picMainToolbar, "cmdEditRedo", "redo", "Redo", 390, 15, kToolbarButton);
    chkConstrainX = toolButton(picMainToolbar, "chkConstrainX", "constrain_x",
                               "Constrain X (U) Axis Movement", 840, 15, kToolbarButton);
    chkConstrainX->setCheck(true);
    chkConstrainX->setValue(false);
    chkConstrainY = toolButton(picMainToolbar, "chkConstrainY", "constrain_y",
                               "Constrain Y (V) Axis Movement", 1170, 15, kToolbarButton);
    chkConstrainY->setCheck(true);
    chkConstrainY->setValue(false);
    // Between the history buttons and the axis locks.
    Line1[0] = separatorLine(picMainToolbar, QFrame::VLine);
    place(Line1[0], 735, 30, 75, 285);
}

void frmMain::createTextureOptions() {
    const MainLayout design = designLayout();
    picTextureOptions = new QWidget(this);
    picTextureOptions->setObjectName("picTextureOptions");
    place(picTextureOptions, design.picTextureOptions);

    // Two rows: the seam commands of the preview above, the atlas and texture settings below;
    // Unwrap spans both at the right. The widths leave room for a wider fallback face where the
    // system has neither of the dialog fonts.
    cboTextureOption =
        dropDownList(picTextureOptions, "cboTextureOption", {"Create Texture", "Add to Texture"});
    place(cboTextureOption, 60, 525, 1935, 360);
    cboFactorType = dropDownList(picTextureOptions, "cboFactorType", {"Max Stretch", "# Charts"});
    place(cboFactorType, 3450, 525, 1575, 360);
    cmdDeselectAll =
        pushButton(picTextureOptions, "cmdDeselectAll", "Deselect All", "Deselect all seams");
    place(cmdDeselectAll, 2055, 90, 1335, 360);
    cmdCreaseSeams = pushButton(picTextureOptions, "cmdCreaseSeams", "Set Default Seams",
                                "Set seams based on the creases of the shape");
    place(cmdCreaseSeams, 60, 90, 1935, 360);
    updFactor = new brontle::UpDownText(picTextureOptions);
    updFactor->setObjectName("updFactor");
    updFactor->setMinvalue(1.0);
    updFactor->setMaxvalue(100.0);
    place(updFactor, 5085, 525, 900, 360);
    cboTextureSize =
        dropDownList(picTextureOptions, "cboTextureSize",
                     {"64x64", "128x128", "256x256", "512x512", "1024x1024", "2048x2048"});
    cboTextureSize->setToolTip("Texture Size");
    place(cboTextureSize, 2055, 525, 1335, 360);
    cmdGenerateAtlas = pushButton(picTextureOptions, "cmdGenerateAtlas", "Unwrap", nullptr);
    place(cmdGenerateAtlas, design.cmdGenerateAtlas);
}

void frmMain::createViews() {
    const MainLayout design = designLayout();
    dfeObjectPreview = new brontle::Editport(this);
    dfeObjectPreview->setObjectName("dfeObjectPreview");
    dfeObjectPreview->setEnabled(true);
    dfeObjectPreview->setPrimaryNavigation(true);
    dfeObjectPreview->setGlideNavigation(true);
    dfeObjectPreview->setAdvanceNavigation(true);
    dfeObjectPreview->setBoundingBox(false);
    dfeObjectPreview->setEditControl(false);
    place(dfeObjectPreview, design.dfeObjectPreview);

    dlgCommonDialog = new CommonDialog(this);
    dlgCommonDialog->setObjectName("dlgCommonDialog");

    cmdCancel = pushButton(this, "cmdCancel", "Cancel", "Cancel");
    place(cmdCancel, design.cmdCancel);
    cmdOK = pushButton(this, "cmdOK", "OK", "OK");
    place(cmdOK, design.cmdOK);

    dfeCoordinatesAdjustment = new brontle::Editport(this);
    dfeCoordinatesAdjustment->setObjectName("dfeCoordinatesAdjustment");
    dfeCoordinatesAdjustment->setEnabled(true);
    dfeCoordinatesAdjustment->setPrimaryNavigation(true);
    dfeCoordinatesAdjustment->setGlideNavigation(false);
    dfeCoordinatesAdjustment->setAdvanceNavigation(true);
    dfeCoordinatesAdjustment->setProjectionType(1);
    dfeCoordinatesAdjustment->setDeformToolRange(0.0f);
    dfeCoordinatesAdjustment->setBoundingBox(false);
    dfeCoordinatesAdjustment->setEditMode(1);
    dfeCoordinatesAdjustment->setRotateEditControl(false);
    place(dfeCoordinatesAdjustment, design.dfeCoordinatesAdjustment);

    // The off-screen render viewport: it draws the texture file on OK and is never meant to be
    // seen, so it lives below the visible area. It has no background texture: the backdrop
    // square in the scene it renders carries the texture.
    dfvViewport = new brontle::Viewport(this);
    dfvViewport->setObjectName("dfvViewport");
    dfvViewport->setTextureQuality(0);
    dfvViewport->setBackColor(12632256u);
    dfvViewport->setWidth(design.dfvViewport.width);
    dfvViewport->setHeight(design.dfvViewport.height);
    place(dfvViewport, design.dfvViewport);
}

void frmMain::createManualFrame() {
    const MainLayout design = designLayout();
    // A plain container: the buttons and read-outs are grouped by position, and a border would
    // run behind OK and Cancel, which sit in the frame's lower right corner.
    fraManual = new QFrame(this);
    fraManual->setObjectName("fraManual");
    fraManual->setFrameShape(QFrame::NoFrame);
    place(fraManual, design.fraManual);

    // Move, rotate and scale on the left; the welds and unlink after a gap.
    double left = 60;
    auto next = [&left](double gap = 0) {
        const double at = left + gap;
        left = at + kManualStep;
        return at;
    };
    const double top = 60;
    cmdRotateRight =
        toolButton(fraManual, "cmdRotateRight", "rotate_cw",
                   "Rotate Clockwise (ctl-click for fine adjustments)", next(), top, kManualButton);
    cmdRotateLeft = toolButton(fraManual, "cmdRotateLeft", "rotate_ccw",
                               "Rotate Counter Clockwise (ctl-click for fine adjustments)", next(),
                               top, kManualButton);
    cmdShiftLeft = toolButton(fraManual, "cmdShiftLeft", "shift_left",
                              "Shift coordinates left (ctl-click for fine adjustments)", next(90),
                              top, kManualButton);
    cmdShiftRight = toolButton(fraManual, "cmdShiftRight", "shift_right",
                               "Shift coordinates right (ctl-click for fine adjustments)", next(),
                               top, kManualButton);
    cmdEnlarge = toolButton(fraManual, "cmdEnlarge", "enlarge",
                            "Enlarge (ctl-click for fine adjustments)", next(), top, kManualButton);
    cmdReduce = toolButton(fraManual, "cmdReduce", "reduce",
                           "Reduce (ctl-click for fine adjustments)", next(), top, kManualButton);
    cmdShiftUp = toolButton(fraManual, "cmdShiftUp", "shift_up",
                            "Shift coordinates up (ctl-click for fine adjustments)", next(), top,
                            kManualButton);
    cmdShiftDown = toolButton(fraManual, "cmdShiftDown", "shift_down",
                              "Shift coordinates down (ctl-click for fine adjustments)", next(),
                              top, kManualButton);
    cmdWeldSelection = toolButton(fraManual, "cmdWeldSelection", "weld_selection", "Weld Selection",
                                  next(180), top, kManualButton);
    cmdWeldNearest = toolButton(fraManual, "cmdWeldNearest", "weld_nearest", "Weld Nearest Point",
                                next(), top, kManualButton);
    cmdWeldToSelected =
        toolButton(fraManual, "cmdWeldToSelected", "weld_to_selected",
                   "Weld Selected Points to First Selected Point", next(), top, kManualButton);
    cmdWeldToNearest = toolButton(fraManual, "cmdWeldToNearest", "weld_to_nearest",
                                  "Weld to Nearest Point", next(), top, kManualButton);
    cmdUnlink =
        toolButton(fraManual, "cmdUnlink", "unlink", "Unlink", next(90), top, kManualButton);

    // The status line under the buttons: the pointer's or the selection's position.
    lblY = label(fraManual, "lblY", "Y:");
    place(lblY, 1920, 615, 1800, 285);
    lblX = label(fraManual, "lblX", "Position X:");
    place(lblX, 60, 615, 1800, 285);
    Line1[1] = separatorLine(fraManual, QFrame::HLine);
    place(Line1[1], 60, 495, 7080, 60);
}

} // namespace peelwise
