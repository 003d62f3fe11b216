#pragma once
// The host's interactive edit view: a 3D preview (perspective) or a flat 2D view (projection
// type 1, orthographic). It shows every shape of a root frame's tree, picks and selects points,
// edges or polygons on the shape arrays, and reports gestures as signals. It never edits
// geometry itself: drags are reported as totals (DragMove, DragScale) and the owner moves the
// points; the view redraws on Refresh.
//
// The widget is a plain QWidget that holds an OpenGL 3.3 core surface when the platform can make
// an OpenGL context, and draws itself with QPainter otherwise (a QOpenGLWidget shown where no
// context can be made brings the process down, so the choice is made before anything is shown).
//
// Coordinates
//  - 3D: world y is up on the screen. SetCameraPosition places the eye relative to the target
//    frame's origin (the root frame's when no target is set); the camera looks at that origin.
//    ViewExtent is the half-height of the visible area at the distance of that origin.
//  - 2D: the camera position's x, y is the centre of the view, ViewExtent the half-extent of the
//    visible area's shorter side in view units (so a tile of side 2 * ViewExtent shows whole
//    whatever the view's shape), and the view's y axis points DOWN on the screen (y = 0 above
//    y = 1), because a UV point (x, y) stands for the texture coordinate (x - 1, -y): the layout
//    then stands upright over its texture. The camera's z only orders nothing: shapes are drawn
//    far (larger z) to near, with the backdrop (display flag 4) first.
//
// Display meanings of the host (shape display flags and modes, view settings)
//  - Shape display flag 4: an unlit textured backdrop. Never picked for selection, but reported
//    as the hit object by PointerMove. Flag 8: textured and lit with a wireframe overlay.
//  - Shape display mode 11: wireframe and points (the UV layout): no filled faces except the
//    selected polygons, tinted with slot 5's colour B.
//  - Device material slot 6, colour B: wires of unselected edges; slot 5, colour B: selected
//    wires, selected points and the tint of selected polygons (its alpha is the tint's opacity).
//    Edges in the shape's edge sub-selection (kind 3) for this view are drawn thick (seams).
//  - Material colour B's alpha is the opacity of a filled face; the material's texture repeats.
//  - PreviewSetting (bits): 8 draw textures, 16 draw wires over every shape, 1 draw every vertex
//    as a point. The default is 24.
//
// Gestures (left = left mouse button)
//  - 3D, primary navigation: left drag on empty space or Alt+left drag orbits about the target.
//    Glide navigation: middle drag or Shift+middle drag pans. Advance navigation: the wheel
//    zooms about the pointer. F frames everything (ResetView).
//  - 2D: middle drag pans (primary navigation), the wheel zooms about the pointer (advance).
//  - Picking (selectionKind 0 picks edges in 3D and points in 2D): a click replaces the
//    selection, Shift+click adds, Ctrl+click toggles. Points: left drag on empty space selects
//    the points inside the rectangle (replace / Shift adds / Ctrl removes); a click on empty
//    space clears. Polygons: a click on empty space clears. Edges: a click on empty space keeps
//    the selection (seams are cleared only on purpose).
//  - Edit mode 1 (2D): a left drag that starts on a selected point (or inside a polygon all of
//    whose corners are selected) moves: EditBegin, DragMove(dx, dy, 0) totals, EditEnd. A right
//    drag scales the selection: DragScale(sx, sy) with factor 1 + displacement / view size per
//    axis (right and up enlarge). A right click without a drag raises ContextMenu.
//
// Notification order: mouse-down picks, then SelectionChange (if changed), then SelectionPick;
// a drag gives EditBegin, DragMove/DragScale..., and on mouse-up EditEnd; every mouse-up of a
// left click or drag gives SelectionRelease last. PointerMove follows every pointer move.

#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"
#include "brontle/viewmath/ViewTransform.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <memory>

namespace brontle {

struct EditportPrivate;

class Editport : public QWidget {
    Q_OBJECT
  public:
    explicit Editport(QWidget* parent = nullptr);
    ~Editport() override;

    // True when this process can make an OpenGL 3.3 context (tested once); without one the view
    // draws with QPainter.
    static bool openGLAvailable();
    // True when this instance draws with OpenGL.
    bool usesOpenGL() const;

    // ---- scene
    // Shows `root`'s tree of `scene`. Registers the view with the scene graph, so that
    // SceneGraph::RefreshDevice(DeviceID()) redraws it.
    void SetScene(const SceneGraphPtr& scene, const FramePtr& root);
    FramePtr RootFrame() const;
    SceneGraphPtr Scene() const;
    // The view's id for per-view selections and display materials: a fresh newDeviceID() made at
    // construction, fixed for the widget's life.
    ::brontle::DeviceID DeviceID() const;
    // The render device number handed to the atlas service; the same number as DeviceID().
    int RenderDevice() const;
    // Re-reads the shapes (their arrays may have changed) and redraws.
    void Refresh();

    // ---- camera
    void SetCameraPosition(float x, float y, float z);
    Vector3 CameraPosition() const;
    float ViewExtent() const;
    // Throws Error(HostBadArgument) for an extent that is not positive and finite.
    void setViewExtent(float extent);
    // 3D: keeps the viewing direction and moves the eye so that every shape fits. 2D: centres
    // the view on every shape with 4 % margin. An empty scene leaves the camera alone.
    void ResetView();
    // Orbit centre (and origin of SetCameraPosition) in 3D; `option` 0 also limits picking to
    // the frame's shapes, any other value leaves every shape pickable.
    void SetTargetFrame(const FramePtr& frame, int option);
    FramePtr TargetFrame() const;
    // 0 perspective 3D, 1 orthographic 2D.
    int projectionType() const;
    void setProjectionType(int type);
    // The current camera as numbers (the widget's pixel size).
    ViewTransform viewTransform() const;

    // ---- stretch display (see StretchDisplay.h): 0 off, 1 area, 2 angle distortion. The key D
    // and the toggle in the view's top-left corner step off, area, angle, off; the colours follow
    // every Refresh, so they update while points are dragged.
    int stretchMode() const;
    void setStretchMode(int mode);
    // The mode new views start in (0 unless set; the host's command line can set it).
    static void setDefaultStretchMode(int mode);
    // In a flat view, the shape whose polygons a layout's polygons stand for (layout polygon
    // tag +/-(k + 1) is reference polygon k): their distortion is measured on the reference's
    // positions and texture coordinates. Without one, each shape is measured on its own arrays.
    void SetStretchReference(const ShapePtr& reference);

    int PreviewSetting() const;
    void setPreviewSetting(int setting);

    // ---- selection commands (see ChartSelection.h and EdgeLoop.h for the rules)
    // Adds every point of each chart that has a selected point (point selection, kind 2).
    void SelectChart();
    // Removes the chart under the pointer of the last context menu, or, when that click was on
    // empty space or there was none, every chart that has a selected point.
    void DeselectChart();
    // Extends the edge selection along quad loops and open boundary arcs.
    void SelectEdgeLoop();
    // The polygon last designated: the clicked polygon that has the picked point as a corner,
    // else the first polygon using that point; -1 before any pick.
    int CurrentPolygon() const;

    // ---- initial properties
    void setPrimaryNavigation(bool on);
    bool primaryNavigation() const;
    void setGlideNavigation(bool on);
    bool glideNavigation() const;
    void setAdvanceNavigation(bool on);
    bool advanceNavigation() const;
    // Draws the bounding box of the selected shapes.
    void setBoundingBox(bool on);
    bool boundingBox() const;
    // On-screen transform handles; this view offers none, so the flag is only kept.
    void setEditControl(bool on);
    bool editControl() const;
    void setRotateEditControl(bool on);
    bool rotateEditControl() const;
    // 0 selection only, 1 point drags (move and scale gestures).
    void setEditMode(int mode);
    int editMode() const;
    // Falloff radius of proportional drags; drags here always report the gesture only, so a
    // range is kept for the owner and has no effect on the view.
    void setDeformToolRange(float range);
    float deformToolRange() const;
    // What a click picks: 0 automatic (edges in 3D, points in 2D), 1 polygons, 2 points, 3 edges.
    void setSelectionKind(int kind);
    int selectionKind() const;

    // ---- level of detail: while the camera of a 3D view moves (an orbit, pan or zoom, and for
    // 200 ms after its last step unless the button is released first) it draws the faces of shapes
    // with 300,000 triangles or more from a reduced mesh of about 100,000 (MeshReduction.h),
    // and in full again once the motion is over.
    bool cameraMoving() const;
    // Face triangles the OpenGL view sent in its last frame (0 without OpenGL).
    std::int64_t trianglesDrawn() const;

    // The view as drawn: the OpenGL frame buffer, or the painter view.
    QImage grabView();
    // grabView with the view's corner toggle (and its legend) drawn over it.
    QImage grabWithToggle();

  signals:
    void SelectionChange();
    void ViewChange();
    void ContextMenu(QPoint globalPos);
    void EditBegin();
    // Totals since the drag began, in view units (2D: UV units, y down).
    void DragMove(float dx, float dy, float dz);
    // Factors since the drag began.
    void DragScale(float sx, float sy);
    void EditEnd();
    void SelectionPick();
    void SelectionRelease();
    // The shape under the pointer (nullptr when none), whether there was one, and the pointer
    // position in view coordinates (2D: the view's x, y; 3D: the hit point's world x, y).
    void PointerMove(brontle::ShapePtr hitObject, bool hit, float x, float y);
    // The stretch display's mode changed (0 off, 1 area, 2 angle).
    void StretchModeChange(int mode);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend struct EditportPrivate;
    std::unique_ptr<EditportPrivate> d_;
};

} // namespace brontle
