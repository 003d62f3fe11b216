// The editor dialog's life: the one instance, the modal show, and the way every close goes
// (OK, Cancel, the title bar, Escape, an unwrap that cannot go on) through one unload path.
#include "peelwise/editor/frmMain.h"

#include "peelwise/editor/HistoryEntry.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/support/FontWiz.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/CreaseEdge.h"

#include "brontle/model/Frame.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

namespace peelwise {

frmMain& frmMain::instance() {
    // Never deleted: the dialog outlives every editing run, and deleting a widget after the
    // application object is gone (at static destruction) is not allowed. The pointer keeps it
    // reachable for leak checkers.
    static frmMain* const dialog = new frmMain;
    return *dialog;
}

frmMain::frmMain() : QDialog(nullptr) {
    setObjectName("frmMain");
    setWindowTitle("Peel-Wise");
    // A resizable dialog with the usual title-bar buttons; no context-help button: F1 opens
    // the help page (ContextHelp.cpp), as in desktop dialogs.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    createControls();
    createMenus();
    connectHandlers();
}

frmMain::~frmMain() = default;

void frmMain::connectHandlers() {
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connectUVEditHandlers();
    connectUnwrapAndSeamHandlers();
    connectTextureHandlers();
    connectContextHelp();
}

brontle::SceneGraphPtr frmMain::cCSG() const {
    return modMain::sceneGraph;
}

void frmMain::showModal() {
    loaded_ = true;
    closing_ = false;
    Form_Load();
    if (!loaded_) {
        return; // the load handler unloaded the dialog: nothing to show
    }
    exec();
    // A window closed without passing through Unload (the window system destroying it) still
    // leaves the run closed properly.
    Unload();
}

void frmMain::Unload() {
    if (!loaded_ || closing_) {
        return;
    }
    closing_ = true;
    Form_QueryUnload();
    Form_Unload();
    loaded_ = false;
    if (isVisible()) {
        QDialog::done(bOKClicked ? QDialog::Accepted : QDialog::Rejected);
    }
    closing_ = false;
}

void frmMain::reject() {
    // Escape and the title-bar close button: the query-unload handler counts this as Cancel.
    Unload();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

} // namespace peelwise
