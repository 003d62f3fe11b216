#pragma once
// The host window "Brontle": a 3D edit view of the open model, a menu to open and save mesh
// files, one menu entry per plug-in, and a status bar.
//
// Selection (in the view's DeviceID):
//  - Whole shapes (the default, Select > Whole Shapes, or Tab to switch): a click on a shape
//    selects it as a whole (SceneGraph::SelectShape, no sub-selection); a click on empty space
//    clears the selection.
//  - Polygons (Select > Polygons): clicks pick polygons into the shape's kind-1 sub-selection
//    (Shift adds, Ctrl toggles); a shape counts as selected while it has selected polygons.
// A plug-in's entry is enabled when its Plugin_GetValidation accepts the current selection;
// choosing it hands the scene graph and the view's DeviceID to Plugin_Apply and then redraws.
//
// Every control and action carries an objectName, so tests find them: mnuFile, mnuOpen,
// mnuSaveAs, mnuQuit, mnuSelect, mnuSelectShapes, mnuSelectPolygons, mnuView, mnuStretch
// (mnuStretchOff, mnuStretchArea, mnuStretchAngle: the view's stretch display), mnuPlugins (entries
// named "plugin:<Plugin_Name>"), mnuHelp, mnuHelpContents, dfeScene, lblShape, lblPolygons,
// lblSelection.

#include "brontle/app/HostDocument.h"
#include "brontle/app/PluginRegistry.h"

#include <QMainWindow>

#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;

namespace brontle {

class Editport;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Loads the plug-ins of `folder` and lists them; failures go to the status bar and the log.
    void loadPlugins(const QString& folder);
    // Opens the built-in sample shape.
    void openSample();
    // Opens a mesh file; on failure shows a message box (title "Brontle") naming the file and
    // the reason and keeps the model that was open. Returns whether the file was opened. A load
    // cancelled in the progress dialog keeps the model too, with a status-bar note instead.
    bool openFile(const std::string& path);
    // Saves the model; on failure shows a message box and leaves the files as they were.
    bool saveAs(const std::string& path);

    // Selects `shape` as a whole in the view (shape mode).
    void selectWholeShape(const ShapePtr& shape);
    // Applies the plug-in named `name` to the current selection. Returns false when there is no
    // such plug-in or it does not accept the selection (a status-bar hint says which).
    bool applyPlugin(const std::string& name);

    HostDocument& document() { return *document_; }
    Editport* view() const { return view_; }
    const PluginRegistry& plugins() const { return plugins_; }
    // The selection the plug-ins are offered.
    HostSelection currentSelection() const;
    // Polygon mode (true) or whole-shape mode.
    bool polygonMode() const;
    void setPolygonMode(bool on);

  private slots:
    void chooseAndOpen();
    void chooseAndSave();
    void showHelp();
    void viewSelectionChanged();

  private:
    void createMenus();
    void createStatusBar();
    void showDocument();
    void refreshState();
    void showWarnings();

    std::unique_ptr<HostDocument> document_;
    PluginRegistry plugins_;
    Editport* view_ = nullptr;
    QMenu* pluginMenu_ = nullptr;
    QAction* shapeModeAction_ = nullptr;
    QAction* polygonModeAction_ = nullptr;
    QLabel* shapeLabel_ = nullptr;
    QLabel* polygonLabel_ = nullptr;
    QLabel* selectionLabel_ = nullptr;
    bool syncing_ = false;
};

} // namespace brontle
