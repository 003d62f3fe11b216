#pragma once
// The edit view's state, shared by its widget code (Editport.cpp) and its input handling
// (EditportInput.cpp). Internal to the views library.

#include "brontle/core/SubSelection.h"
#include "brontle/model/Frame.h"
#include "brontle/viewmath/Camera.h"
#include "brontle/viewmath/DragGesture.h"
#include "brontle/viewmath/EditportFrame.h"
#include "brontle/viewmath/MeshEdges.h"
#include "brontle/viewmath/Picking.h"
#include "brontle/viewmath/StretchDisplay.h"
#include "brontle/views/Editport.h"

#include <QPointF>
#include <QTimer>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace brontle {

class EditportGLView;
class StretchToggle;

// Pick radii in pixels: a point or an edge this close to the pointer is under it.
inline constexpr double kPointPickRadius = 6.0;
inline constexpr double kEdgePickRadius = 5.0;
// How long after the last camera step without another the motion counts as over, in ms.
inline constexpr int kSettleMs = 200;

// One pickable shape under the current camera, with its lazily built look-up tables. The
// tables borrow the shape's arrays; `stillValid` tells whether they still describe them.
struct PickEntry {
    ShapePtr shape;
    Matrix4 model = identityMatrix();
    const void* vertexData = nullptr;
    std::size_t vertexCount = 0;
    const void* cornerData = nullptr;
    std::size_t cornerCount = 0;
    const void* startData = nullptr;
    std::unique_ptr<PickIndex> index;
    std::unique_ptr<MeshEdges> edges;

    bool stillValid() const;
    void remember();
};

struct EditportPrivate {
    explicit EditportPrivate(Editport* owner);

    Editport* q;
    EditportGLView* gl = nullptr;
    SceneGraphPtr scene;
    FramePtr root;
    FramePtr target;
    int targetOption = 0;
    DeviceID device = 0;
    int listener = 0;
    Camera camera;
    int projection = 0;
    int previewSetting = PreviewBits::Textures | PreviewBits::Wires;
    bool primaryNavigation = true, glideNavigation = true, advanceNavigation = true;
    bool boundingBox = false, editControl = false, rotateEditControl = false;
    int editMode = 0;
    float deformRange = 0.0f;
    int selectionKind = 0;
    std::uint64_t generation = 1;
    int currentPolygon = -1;

    // Stretch display: the mode, the toggle in the corner, the shape a layout's polygons stand
    // for (by their tags), and the colours of each shape for the current generation and mode.
    StretchMode stretchMode = StretchMode::Off;
    StretchToggle* stretchToggle = nullptr;
    std::weak_ptr<Shape> stretchReference;
    struct StretchEntry {
        std::weak_ptr<Shape> shape;
        std::uint64_t generation = 0;
        StretchMode mode = StretchMode::Off;
        std::shared_ptr<const std::vector<std::uint32_t>> colours;
    };
    std::unordered_map<const Shape*, StretchEntry> stretchCache;
    std::uint64_t referenceGeneration = 0;
    StretchMode referenceMode = StretchMode::Off;
    std::vector<float> referenceValues;
    std::shared_ptr<const std::vector<std::uint32_t>> stretchColoursOf(const ShapePtr& shape);
    void setStretchMode(StretchMode mode);

    // The camera of a 3D view is moving: set by each orbit, pan or zoom step and cleared
    // kSettleMs after the last one, or at once when the navigating button is released.
    // Meanwhile big shapes are drawn from their reduced meshes; the frame after it draws them in
    // full. (A flat view draws in full throughout and never sets it.)
    bool cameraMoving = false;
    QTimer* settleTimer = nullptr;
    void cameraMoved();
    void cameraSettled();

    // Picking tables, rebuilt when the camera, the size or the shapes change.
    std::vector<PickEntry> picks;
    ViewTransform pickView;
    std::uint64_t pickGeneration = 0;
    bool picksValid = false;

    // Input state.
    enum class Drag { None, PendingOrbit, Orbit, Pan, RubberBand, Gesture, PendingScale };
    Drag drag = Drag::None;
    Qt::MouseButton dragButton = Qt::NoButton;
    QPointF pressPos, lastPos;
    bool pressShift = false, pressCtrl = false;
    bool bandActive = false;
    DragGesture gesture;
    // A plain click on an already selected point narrows the selection to it on release
    // unless the click became a drag.
    ShapePtr narrowShape;
    std::int32_t narrowVertex = -1;
    // Where the last context menu was opened: the chart there (shape and seed vertices).
    std::weak_ptr<Shape> contextShape;
    std::vector<std::int32_t> contextSeeds;

    bool flat() const { return projection == 1; }
    // What a click picks: 1 polygons, 2 points, 3 edges.
    int effectiveKind() const;
    void updateOrigin();
    ViewTransform view() const;
    EditportFrame frame();
    void redraw();
    void ensurePicks();
    PickIndex& indexOf(PickEntry& entry);
    MeshEdges& edgesOf(PickEntry& entry);
    bool pickable(const Shape& shape) const;

    // Selection helpers; each returns whether anything changed.
    bool setSelection(const ShapePtr& shape, int kind, const SubSelection& selection);
    bool clearSelection();
    SubSelection selectionOf(const Shape& shape, int kind) const;

    // Pick results across shapes.
    struct PointPick {
        PickEntry* entry = nullptr;
        std::int32_t vertex = -1;
    };
    PointPick pickPoint(QPointF pos);
    struct EdgePick {
        PickEntry* entry = nullptr;
        EdgeHit hit;
    };
    EdgePick pickEdge(QPointF pos);
    struct PolygonPick {
        PickEntry* entry = nullptr;
        PolygonHit hit;
    };
    PolygonPick pickPolygon(QPointF pos, bool includeBackdrops);

    // Press handlers (EditportInput.cpp).
    void pressLeft(QPointF pos, bool shift, bool ctrl, bool alt);
    void releaseLeft(QPointF pos);
    void pointerMoved(QPointF pos);
    bool selectedUnder(QPointF pos, PickEntry*& entry, double& depth);
};

} // namespace brontle
