#include "brontle/app/MainWindow.h"

#include "brontle/core/Error.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/HostProgress.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/services/InstallFolder.h"
#include "brontle/services/Log.h"
#include "brontle/services/Platform.h"
#include "brontle/views/Editport.h"

#include <QAction>
#include <QActionGroup>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <iostream>

#include <algorithm>

namespace brontle {

namespace {

const char* const kOpenFilter =
    "Mesh Files (*.obj;*.ply;*.stl;*.off;*.gltf;*.glb;*.fbx)|*.obj;*.ply;*.stl;*.off;*.gltf;*.glb;"
    "*.fbx|All Files (*.*)|*.*";
const char* const kSaveFilter =
    "Wavefront OBJ (*.obj)|*.obj|glTF (*.gltf)|*.gltf|Binary glTF (*.glb)|*.glb";

void showError(const std::string& text) {
    // The platform also writes errors to standard error.
    platform().messageBox({text, "Brontle", MessageStyle::OkOnly + MessageStyle::Critical});
}

std::string plural(std::int32_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("Brontle");
    setWindowTitle("Brontle");
    auto environment = std::make_shared<HostEnvironment>(
        makeHostEnvironment(reinterpret_cast<std::intptr_t>(static_cast<QWidget*>(this))));
    document_ = std::make_unique<HostDocument>(environment);

    view_ = new Editport(this);
    view_->setObjectName("dfeScene");
    // Clicks pick polygons in both modes; shape mode turns the picked polygon into its shape.
    view_->setSelectionKind(kSelectPolygons);
    view_->setBoundingBox(true);
    setCentralWidget(view_);
    connect(view_, &Editport::SelectionChange, this, &MainWindow::viewSelectionChanged);

    createMenus();
    createStatusBar();
    resize(1024, 720);
    showDocument();
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    QAction* open = file->addAction("&Open...", this, &MainWindow::chooseAndOpen);
    open->setObjectName("mnuOpen");
    open->setShortcut(QKeySequence::Open);
    QAction* saveAs = file->addAction("Save &As...", this, &MainWindow::chooseAndSave);
    saveAs->setObjectName("mnuSaveAs");
    saveAs->setShortcut(QKeySequence::SaveAs);
    file->addSeparator();
    QAction* quit = file->addAction("&Quit", this, &QWidget::close);
    quit->setObjectName("mnuQuit");
    quit->setShortcut(QKeySequence::Quit);

    QMenu* select = menuBar()->addMenu("&Select");
    select->setObjectName("mnuSelect");
    auto* modes = new QActionGroup(this);
    shapeModeAction_ = select->addAction("&Whole Shapes", this, [this] { setPolygonMode(false); });
    shapeModeAction_->setObjectName("mnuSelectShapes");
    polygonModeAction_ = select->addAction("&Polygons", this, [this] { setPolygonMode(true); });
    polygonModeAction_->setObjectName("mnuSelectPolygons");
    for (QAction* mode : {shapeModeAction_, polygonModeAction_}) {
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    shapeModeAction_->setChecked(true);
    // Tab switches between the two, as object and edit modes do in modelling tools.
    auto* toggle = new QAction(this);
    toggle->setShortcut(Qt::Key_Tab);
    toggle->setShortcutContext(Qt::WindowShortcut);
    connect(toggle, &QAction::triggered, this, [this] { setPolygonMode(!polygonMode()); });
    addAction(toggle);

    // View > Stretch Display: the view's stretch colours, kept in step with its key D and toggle.
    QMenu* viewMenu = menuBar()->addMenu("&View");
    viewMenu->setObjectName("mnuView");
    QMenu* stretch = viewMenu->addMenu("&Stretch Display");
    stretch->setObjectName("mnuStretch");
    auto* stretchModes = new QActionGroup(this);
    const struct {
        const char* text;
        const char* name;
    } stretchItems[] = {{"&Off", "mnuStretchOff"},
                        {"&Area Distortion", "mnuStretchArea"},
                        {"A&ngle Distortion", "mnuStretchAngle"}};
    for (int mode = 0; mode < 3; ++mode) {
        QAction* item = stretch->addAction(stretchItems[mode].text, this,
                                           [this, mode] { view_->setStretchMode(mode); });
        item->setObjectName(stretchItems[mode].name);
        item->setCheckable(true);
        item->setChecked(mode == view_->stretchMode());
        stretchModes->addAction(item);
    }
    connect(view_, &Editport::StretchModeChange, this, [stretchModes](int mode) {
        const QList<QAction*> items = stretchModes->actions();
        if (mode >= 0 && mode < items.size()) {
            items[mode]->setChecked(true);
        }
    });

    pluginMenu_ = menuBar()->addMenu("&Plug-ins");
    pluginMenu_->setObjectName("mnuPlugins");

    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("mnuHelp");
    QAction* contents = help->addAction("Brontle &Help", this, &MainWindow::showHelp);
    contents->setObjectName("mnuHelpContents");
    contents->setShortcut(QKeySequence::HelpContents);
}

void MainWindow::createStatusBar() {
    shapeLabel_ = new QLabel(this);
    shapeLabel_->setObjectName("lblShape");
    polygonLabel_ = new QLabel(this);
    polygonLabel_->setObjectName("lblPolygons");
    selectionLabel_ = new QLabel(this);
    selectionLabel_->setObjectName("lblSelection");
    statusBar()->addPermanentWidget(shapeLabel_);
    statusBar()->addPermanentWidget(polygonLabel_);
    statusBar()->addPermanentWidget(selectionLabel_);
}

void MainWindow::loadPlugins(const QString& folder) {
    plugins_.loadFolder(folder);
    pluginMenu_->clear();
    for (const LoadedPlugin& loaded : plugins_.plugins()) {
        QAction* action = pluginMenu_->addAction(QString::fromStdString(loaded.name));
        action->setObjectName(QString::fromStdString("plugin:" + loaded.name));
        action->setIcon(loaded.plugin->Plugin_Icon());
        const std::string name = loaded.name;
        connect(action, &QAction::triggered, this, [this, name] { applyPlugin(name); });
    }
    if (plugins_.plugins().empty()) {
        QAction* none = pluginMenu_->addAction("(no plug-ins installed)");
        none->setEnabled(false);
    }
    for (const std::string& failure : plugins_.failures()) {
        hostLog().write("Plug-in not loaded: " + failure);
        std::cerr << "brontle: plug-in not loaded: " << failure << std::endl;
    }
    if (!plugins_.failures().empty()) {
        statusBar()->showMessage(QString::fromStdString(
            plural(static_cast<std::int32_t>(plugins_.failures().size()), "plug-in", "plug-ins") +
            " could not be loaded: " + plugins_.failures().front() + " (the log has the details)"));
    }
    refreshState();
}

void MainWindow::openSample() {
    document_->openSample();
    showDocument();
}

bool MainWindow::openFile(const std::string& path) {
    try {
        document_->open(path);
    } catch (const Error& e) {
        if (e.number() == ErrorNumber::HostCancelled) {
            // The user asked for it: the model that was open stays, without a message box.
            statusBar()->showMessage(QString::fromStdString(e.description()), 5000);
            return false;
        }
        showError("The file could not be opened.\n\n" + e.description());
        return false;
    }
    showDocument();
    showWarnings();
    return true;
}

bool MainWindow::saveAs(const std::string& path) {
    try {
        document_->saveAs(path);
    } catch (const Error& e) {
        showError("The model could not be saved.\n\n" + e.description());
        return false;
    }
    statusBar()->showMessage(QString::fromStdString("Saved " + path), 5000);
    return true;
}

void MainWindow::chooseAndOpen() {
    FileDialogRequest request;
    request.title = "Open";
    request.filter = kOpenFilter;
    const std::string path = platform().fileDialog(request);
    if (!path.empty()) {
        openFile(path);
    }
}

void MainWindow::chooseAndSave() {
    FileDialogRequest request;
    request.save = true;
    request.title = "Save As";
    request.filter = kSaveFilter;
    request.defaultExtension = "obj";
    request.confirmOverwrite = true;
    if (!document_->file().empty()) {
        request.fileName =
            QFileInfo(QString::fromStdString(document_->file())).completeBaseName().toStdString() +
            ".obj";
    }
    const std::string path = platform().fileDialog(request);
    if (!path.empty()) {
        saveAs(path);
    }
}

void MainWindow::showHelp() {
    // The help page is shown in a window of the host's own, so it reads the same with or
    // without a web browser on the machine.
    const QString page = QString::fromStdString(installFolder()) + "/BRNHelp.html";
    if (!QFileInfo::exists(page)) {
        showError("The help page " + page.toStdString() + " was not found.");
        return;
    }
    auto* dialog = new QDialog(this);
    dialog->setObjectName("frmHelp");
    dialog->setWindowTitle("Brontle Help");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* browser = new QTextBrowser(dialog);
    browser->setObjectName("txtHelp");
    browser->setSource(QUrl::fromLocalFile(page));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    dialog->resize(640, 560);
    dialog->show();
}

void MainWindow::showDocument() {
    document_->scene()->ClearSelection(view_->DeviceID());
    view_->SetScene(document_->scene(), document_->root());
    view_->ResetView();
    std::string title = "Brontle";
    if (!document_->file().empty()) {
        title = QFileInfo(QString::fromStdString(document_->file())).fileName().toStdString() +
                " - Brontle";
    }
    setWindowTitle(QString::fromStdString(title));
    statusBar()->showMessage(polygonMode() ? "Click polygons to select them (Shift adds, Ctrl "
                                             "toggles). Tab selects whole shapes."
                                           : "Click a shape to select it, then choose a "
                                             "plug-in. Tab picks polygons instead.");
    refreshState();
}

void MainWindow::showWarnings() {
    if (document_->warnings().empty()) {
        return;
    }
    std::string text;
    for (const std::string& warning : document_->warnings()) {
        text += warning + "\n";
    }
    platform().messageBox({text, "Brontle", MessageStyle::OkOnly + MessageStyle::Exclamation});
}

bool MainWindow::polygonMode() const {
    return polygonModeAction_ != nullptr && polygonModeAction_->isChecked();
}

void MainWindow::setPolygonMode(bool on) {
    polygonModeAction_->setChecked(on);
    shapeModeAction_->setChecked(!on);
    document_->scene()->ClearSelection(view_->DeviceID());
    view_->setBoundingBox(!on);
    view_->Refresh();
    statusBar()->showMessage(on ? "Polygons: click polygons to select them (Shift adds, Ctrl "
                                  "toggles)."
                                : "Whole shapes: click a shape to select it.");
    refreshState();
}

void MainWindow::selectWholeShape(const ShapePtr& shape) {
    if (polygonMode()) {
        setPolygonMode(false);
    }
    SceneGraph& scene = *document_->scene();
    scene.ClearSelection(view_->DeviceID());
    if (shape) {
        scene.SelectShape(view_->DeviceID(), shape);
    }
    view_->Refresh();
    refreshState();
}

void MainWindow::viewSelectionChanged() {
    if (syncing_) {
        return;
    }
    syncing_ = true;
    SceneGraph& scene = *document_->scene();
    const DeviceID device = view_->DeviceID();
    if (!polygonMode()) {
        // The view picked a polygon: select its shape as a whole instead.
        ShapePtr picked;
        for (const ShapePtr& shape : document_->shapes()) {
            if (shape->GetSubSelectionCount(device) > 0) {
                picked = shape;
                break;
            }
        }
        scene.ClearSelection(device);
        if (picked) {
            scene.SelectShape(device, picked);
        }
    } else {
        // A shape counts as selected only while it has picked polygons.
        std::vector<std::pair<ShapePtr, SubSelection>> picked;
        for (std::int32_t i = 0; i < scene.GetSelectedShapeCount(device); ++i) {
            ShapePtr shape = scene.GetSelectedShape(device, i);
            if (shape->GetSelectionType(device) == kSelectPolygons &&
                shape->GetSubSelectionCount(device) > 0) {
                picked.emplace_back(shape, shape->GetSubSelection(device));
            }
        }
        if (static_cast<std::int32_t>(picked.size()) != scene.GetSelectedShapeCount(device)) {
            scene.ClearSelection(device);
            for (const auto& [shape, selection] : picked) {
                shape->SetSubSelection(device, kSelectPolygons, selection);
            }
        }
    }
    view_->Refresh();
    syncing_ = false;
    refreshState();
}

HostSelection MainWindow::currentSelection() const {
    const SceneGraph& scene = *document_->scene();
    const DeviceID device = view_->DeviceID();
    HostSelection selection;
    selection.shapes = scene.GetSelectedShapeCount(device);
    if (selection.shapes > 0) {
        const ShapePtr first = scene.GetSelectedShape(device, 0);
        selection.selectionType = first->GetSelectionType(device);
        selection.subSelectionCount = first->GetSubSelectionCount(device);
    }
    return selection;
}

void MainWindow::refreshState() {
    if (shapeLabel_ == nullptr) {
        return; // still being built
    }
    const HostSelection selection = currentSelection();
    const SceneGraph& scene = *document_->scene();
    ShapePtr shown;
    if (selection.shapes > 0) {
        shown = scene.GetSelectedShape(view_->DeviceID(), 0);
    } else if (document_->shapes().size() == 1) {
        shown = document_->shapes().front();
    }
    if (shown) {
        shapeLabel_->setText(QString::fromStdString("Shape: " + document_->nameOf(shown)));
        polygonLabel_->setText(
            QString::fromStdString(plural(shown->GetPolygonCount(), "polygon", "polygons")));
    } else {
        shapeLabel_->setText(QString::fromStdString(
            plural(static_cast<std::int32_t>(document_->shapes().size()), "shape", "shapes")));
        std::int32_t total = 0;
        for (const ShapePtr& shape : document_->shapes()) {
            total += shape->GetPolygonCount();
        }
        polygonLabel_->setText(QString::fromStdString(plural(total, "polygon", "polygons")));
    }
    std::string selected = "Selected: nothing";
    if (selection.shapes > 0 && selection.selectionType == kSelectPolygons) {
        selected = "Selected: " + plural(selection.subSelectionCount, "polygon", "polygons");
    } else if (selection.shapes > 0) {
        selected = "Selected: " + plural(selection.shapes, "shape", "shapes");
    }
    selectionLabel_->setText(QString::fromStdString(selected));

    for (QAction* action : pluginMenu_->actions()) {
        const QString name = action->objectName();
        if (!name.startsWith("plugin:")) {
            continue;
        }
        Plugin* plugin = plugins_.find(name.mid(7).toStdString());
        action->setEnabled(plugin != nullptr && acceptsSelection(*plugin, selection));
    }
}

bool MainWindow::applyPlugin(const std::string& name) {
    Plugin* plugin = plugins_.find(name);
    if (plugin == nullptr) {
        statusBar()->showMessage(QString::fromStdString("There is no plug-in named " + name));
        return false;
    }
    if (!acceptsSelection(*plugin, currentSelection())) {
        statusBar()->showMessage(QString::fromStdString(
            name + " does not accept this selection: select one shape, or polygons of one "
                   "shape, first."));
        return false;
    }
    std::vector<float> singles;
    std::vector<std::int32_t> longs;
    std::string text;
    try {
        plugin->Plugin_Apply(nullptr, document_->scene(), view_->DeviceID(), singles, longs, text);
    } catch (const std::exception& e) {
        // Plug-ins report their own errors; one that lets an error through must not take the
        // host down with it.
        hostLog().write("Plug-in " + name + " raised: " + e.what());
        showError("The plug-in " + name + " failed.\n\n" + e.what());
    }
    document_->scene()->RefreshDevice(view_->DeviceID());
    view_->Refresh();
    refreshState();
    return true;
}

} // namespace brontle
