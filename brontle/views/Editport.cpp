#include "brontle/views/Editport.h"

#include "brontle/core/Error.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/viewmath/ChartSelection.h"
#include "brontle/viewmath/EdgeLoop.h"
#include "brontle/views/EditportPrivate.h"
#include "brontle/views/EditportRenderer.h"
#include "brontle/views/StretchToggle.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <cmath>

namespace brontle {

// The OpenGL surface of an edit view. It takes no input: mouse and keys go to the Editport.
class EditportGLView : public QOpenGLWidget {
  public:
    EditportGLView(EditportPrivate* owner, QWidget* parent) : QOpenGLWidget(parent), d_(owner) {
        QSurfaceFormat format;
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
        format.setDepthBufferSize(24);
        setFormat(format);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }
    ~EditportGLView() override {
        if (context() != nullptr) {
            // QOpenGLWidget's destructor, which runs after this one has destroyed the renderer,
            // destroys the context; its aboutToBeDestroyed must not call the lambda below then.
            context()->disconnect(this);
            makeCurrent();
            renderer_.release();
            doneCurrent();
        }
    }
    EditportRenderer& renderer() { return renderer_; }

  protected:
    void initializeGL() override {
        renderer_.initialize();
        connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
            makeCurrent();
            renderer_.release();
            doneCurrent();
        });
    }
    void paintGL() override {
        const qreal ratio = devicePixelRatioF();
        renderer_.render(d_->frame(), static_cast<int>(std::lround(width() * ratio)),
                         static_cast<int>(std::lround(height() * ratio)));
    }

  private:
    EditportPrivate* d_;
    EditportRenderer renderer_;
};

bool PickEntry::stillValid() const {
    return shape->vertices().data() == vertexData && shape->vertices().size() == vertexCount &&
           shape->cornerVertex().data() == cornerData &&
           shape->cornerVertex().size() == cornerCount && shape->polygonStart().data() == startData;
}

void PickEntry::remember() {
    vertexData = shape->vertices().data();
    vertexCount = shape->vertices().size();
    cornerData = shape->cornerVertex().data();
    cornerCount = shape->cornerVertex().size();
    startData = shape->polygonStart().data();
}

EditportPrivate::EditportPrivate(Editport* owner) : q(owner), device(newDeviceID()) {
    camera.setPosition({0.0f, 0.0f, 10.0f});
}

int EditportPrivate::effectiveKind() const {
    if (selectionKind >= 1 && selectionKind <= 3) {
        return selectionKind;
    }
    return flat() ? kSelectPoints : kSelectEdges;
}

void EditportPrivate::updateOrigin() {
    Vector3 origin;
    if (target && root) {
        origin = target->GetPlacement(root).position;
    }
    camera.setOrigin(origin);
}

ViewTransform EditportPrivate::view() const {
    const_cast<EditportPrivate*>(this)->updateOrigin();
    return camera.transform(std::max(q->width(), 1), std::max(q->height(), 1));
}

EditportFrame EditportPrivate::frame() {
    EditportFrame f;
    f.items = collectSceneItems(root);
    f.view = view();
    f.flat = flat();
    f.device = device;
    f.previewSetting = previewSetting;
    f.boundingBox = boundingBox;
    f.generation = generation;
    f.background = flat() ? 0xff6e7178u : 0xff383b40u;
    if (scene) {
        f.wireColour = scene->GetDeviceMaterial(device, kWireSlot)->GetColorB();
        f.selectedColour = scene->GetDeviceMaterial(device, kSelectedSlot)->GetColorB();
        for (std::int32_t i = 0; i < scene->GetSelectedShapeCount(device); ++i) {
            f.selectedShapes.push_back(scene->GetSelectedShape(device, i).get());
        }
    }
    f.cameraMoving = cameraMoving;
    f.stretchMode = stretchMode;
    if (stretchMode != StretchMode::Off) {
        f.stretchColours.reserve(f.items.size());
        for (const auto& item : f.items) {
            f.stretchColours.push_back(stretchColoursOf(item.first));
        }
        // Shapes that left the scene drop their colours.
        for (auto it = stretchCache.begin(); it != stretchCache.end();) {
            it = it->second.shape.expired() ? stretchCache.erase(it) : std::next(it);
        }
    }
    if (bandActive) {
        f.rubberBand = true;
        f.bandX0 = pressPos.x();
        f.bandY0 = pressPos.y();
        f.bandX1 = lastPos.x();
        f.bandY1 = lastPos.y();
    }
    return f;
}

std::shared_ptr<const std::vector<std::uint32_t>>
EditportPrivate::stretchColoursOf(const ShapePtr& shape) {
    if (!shape || (shape->displayFlags() & kBackdropFlag) != 0 || shape->GetPolygonCount() == 0) {
        return nullptr;
    }
    StretchEntry& entry = stretchCache[shape.get()];
    if (entry.shape.lock() == shape && entry.generation == generation &&
        entry.mode == stretchMode && entry.colours) {
        return entry.colours;
    }
    const auto measure = [&](const Shape& s) {
        return polygonDistortion(
            {s.vertices(), s.texcoords(), s.polygonStart(), s.cornerVertex(), s.cornerTexCoord()},
            stretchMode);
    };
    std::vector<std::uint32_t> colours;
    const ShapePtr reference = stretchReference.lock();
    if (reference && reference != shape && flat()) {
        // A layout: each polygon stands for the reference polygon its tag names.
        if (referenceGeneration != generation || referenceMode != stretchMode ||
            referenceValues.size() != static_cast<std::size_t>(reference->GetPolygonCount())) {
            referenceValues = measure(*reference);
            referenceGeneration = generation;
            referenceMode = stretchMode;
        }
        colours = layoutColours(shape->polygonTag(), referenceValues, stretchMode);
        colours.resize(static_cast<std::size_t>(shape->GetPolygonCount()), kStretchNeutral);
    } else {
        colours = distortionColours(measure(*shape), stretchMode);
    }
    entry.shape = shape;
    entry.generation = generation;
    entry.mode = stretchMode;
    entry.colours = std::make_shared<const std::vector<std::uint32_t>>(std::move(colours));
    return entry.colours;
}

void EditportPrivate::setStretchMode(StretchMode mode) {
    if (mode == stretchMode) {
        return;
    }
    stretchMode = mode;
    if (stretchToggle != nullptr) {
        stretchToggle->setMode(mode);
    }
    redraw();
    emit q->StretchModeChange(static_cast<int>(mode));
}

void EditportPrivate::cameraMoved() {
    if (flat()) {
        return; // a flat view draws in full while moving: nothing to settle
    }
    cameraMoving = true;
    settleTimer->start();
}

void EditportPrivate::cameraSettled() {
    settleTimer->stop();
    if (cameraMoving) {
        cameraMoving = false;
        redraw();
    }
}

void EditportPrivate::redraw() {
    if (gl != nullptr) {
        gl->update();
    }
    q->update();
}

bool EditportPrivate::pickable(const Shape& shape) const {
    return (shape.displayFlags() & kBackdropFlag) == 0;
}

void EditportPrivate::ensurePicks() {
    const ViewTransform v = view();
    const bool same = picksValid && pickGeneration == generation &&
                      v.worldToEye == pickView.worldToEye && v.eyeToClip == pickView.eyeToClip &&
                      v.width == pickView.width && v.height == pickView.height;
    if (same) {
        return;
    }
    picks.clear();
    pickView = v;
    pickGeneration = generation;
    picksValid = true;
    // With a target frame (option 0) only its shapes are edited; backdrops stay in the list for
    // PointerMove's hit object but are never selected.
    const FramePtr source = target && targetOption == 0 ? target : root;
    SceneItems items = collectSceneItems(root);
    SceneItems limited = collectSceneItems(source);
    for (const auto& sceneItem : items) {
        // (Named apart rather than as a structured binding: clang 14, which builds the fuzz
        // targets, cannot capture a structured binding in a lambda.)
        const auto& shape = sceneItem.first;
        const auto& placement = sceneItem.second;
        const bool inSource =
            source == root || std::any_of(limited.begin(), limited.end(),
                                          [&](const auto& item) { return item.first == shape; });
        if (!inSource && pickable(*shape)) {
            continue;
        }
        PickEntry entry;
        entry.shape = shape;
        entry.model = placementMatrix(placement);
        picks.push_back(std::move(entry));
    }
}

PickIndex& EditportPrivate::indexOf(PickEntry& entry) {
    if (!entry.index || !entry.stillValid()) {
        entry.remember();
        entry.index =
            std::make_unique<PickIndex>(meshArrays(*entry.shape), pickView.withModel(entry.model));
        entry.edges.reset();
    }
    return *entry.index;
}

MeshEdges& EditportPrivate::edgesOf(PickEntry& entry) {
    indexOf(entry);
    if (!entry.edges) {
        entry.edges = std::make_unique<MeshEdges>(meshArrays(*entry.shape));
    }
    return *entry.edges;
}

EditportPrivate::PointPick EditportPrivate::pickPoint(QPointF pos) {
    ensurePicks();
    PointPick best;
    double bestDistance = kPointPickRadius;
    for (PickEntry& entry : picks) {
        if (!pickable(*entry.shape)) {
            continue;
        }
        const PointHit hit = indexOf(entry).pickPoint(pos.x(), pos.y(), kPointPickRadius);
        if (hit.vertex >= 0 && (best.entry == nullptr || hit.distance < bestDistance)) {
            best = {&entry, hit.vertex};
            bestDistance = hit.distance;
        }
    }
    return best;
}

EditportPrivate::EdgePick EditportPrivate::pickEdge(QPointF pos) {
    ensurePicks();
    EdgePick best;
    for (PickEntry& entry : picks) {
        if (!pickable(*entry.shape)) {
            continue;
        }
        const EdgeHit hit = indexOf(entry).pickEdge(pos.x(), pos.y(), kEdgePickRadius, !flat());
        if (hit.polygon >= 0 &&
            (best.entry == nullptr || hit.distance < best.hit.distance ||
             (hit.distance == best.hit.distance && hit.depth < best.hit.depth))) {
            best = {&entry, hit};
        }
    }
    return best;
}

EditportPrivate::PolygonPick EditportPrivate::pickPolygon(QPointF pos, bool includeBackdrops) {
    ensurePicks();
    PolygonPick best;
    for (PickEntry& entry : picks) {
        const bool backdrop = !pickable(*entry.shape);
        if (backdrop && !includeBackdrops) {
            continue;
        }
        PolygonHit hit = indexOf(entry).pickPolygon(pos.x(), pos.y());
        if (hit.polygon < 0) {
            continue;
        }
        // In a flat view, what is drawn later lies on top: backdrops lose to everything else.
        const bool better =
            best.entry == nullptr ||
            (flat() ? (!pickable(*best.entry->shape) && !backdrop) : hit.depth < best.hit.depth);
        if (better) {
            best = {&entry, hit};
        }
    }
    return best;
}

SubSelection EditportPrivate::selectionOf(const Shape& shape, int kind) const {
    return shape.GetSelectionType(device) == kind ? shape.GetSubSelection(device) : SubSelection{};
}

bool EditportPrivate::clearSelection() {
    if (!scene || scene->GetSelectedShapeCount(device) == 0) {
        return false;
    }
    scene->ClearSelection(device);
    return true;
}

bool EditportPrivate::setSelection(const ShapePtr& shape, int kind, const SubSelection& selection) {
    if (selection.empty()) {
        // Nothing left on this shape: when no other shape keeps a selection here, the view has
        // no selected shape at all.
        bool others = false;
        for (const PickEntry& entry : picks) {
            others = others || (entry.shape != shape && entry.shape->GetSelectionType(device) != 0);
        }
        if (!others) {
            return clearSelection();
        }
        if (shape->GetSelectionType(device) == 0) {
            return false;
        }
        shape->ClearSubSelection(device);
        return true;
    }
    if (shape->GetSelectionType(device) == kind &&
        shape->GetSubSelection(device).entries == selection.entries) {
        return false;
    }
    shape->SetSubSelection(device, kind, selection);
    return true;
}

// ---- the widget

namespace {
StretchMode defaultStretchMode = StretchMode::Off;
StretchMode stretchModeOf(int mode) {
    return mode == 1 ? StretchMode::Area : mode == 2 ? StretchMode::Angle : StretchMode::Off;
}
} // namespace

Editport::Editport(QWidget* parent) : QWidget(parent), d_(std::make_unique<EditportPrivate>(this)) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(32, 32);
    // Right clicks raise ContextMenu on release (after telling a click from a scale drag).
    setContextMenuPolicy(Qt::PreventContextMenu);
    if (openGLAvailable()) {
        d_->gl = new EditportGLView(d_.get(), this);
        d_->gl->setGeometry(rect());
    } else {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    d_->settleTimer = new QTimer(this);
    d_->settleTimer->setSingleShot(true);
    d_->settleTimer->setInterval(kSettleMs);
    connect(d_->settleTimer, &QTimer::timeout, this, [this] { d_->cameraSettled(); });
    d_->stretchToggle = new StretchToggle(this);
    d_->stretchToggle->move(6, 6);
    d_->stretchToggle->raise();
    d_->stretchMode = defaultStretchMode;
    d_->stretchToggle->setMode(defaultStretchMode);
    connect(d_->stretchToggle, &StretchToggle::clicked, this,
            [this] { d_->setStretchMode(nextStretchMode(d_->stretchMode)); });
}

bool Editport::cameraMoving() const {
    return d_->cameraMoving;
}

std::int64_t Editport::trianglesDrawn() const {
    return d_->gl != nullptr ? d_->gl->renderer().trianglesDrawn() : 0;
}

Editport::~Editport() {
    if (d_->scene && d_->listener != 0) {
        d_->scene->removeRefreshListener(d_->listener);
    }
}

bool Editport::openGLAvailable() {
    static const bool available = [] {
        if (QGuiApplication::instance() == nullptr) {
            return false;
        }
        QSurfaceFormat format;
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
        QOpenGLContext context;
        context.setFormat(format);
        if (!context.create()) {
            return false;
        }
        const auto version = context.format().version();
        return version >= qMakePair(3, 3);
    }();
    return available;
}

bool Editport::usesOpenGL() const {
    return d_->gl != nullptr;
}

void Editport::SetScene(const SceneGraphPtr& scene, const FramePtr& root) {
    if (d_->scene && d_->listener != 0) {
        d_->scene->removeRefreshListener(d_->listener);
        d_->listener = 0;
    }
    d_->scene = scene;
    d_->root = root;
    d_->target.reset();
    if (scene) {
        d_->listener = scene->addRefreshListener(d_->device, [this] { Refresh(); });
    }
    Refresh();
}

FramePtr Editport::RootFrame() const {
    return d_->root;
}
SceneGraphPtr Editport::Scene() const {
    return d_->scene;
}
DeviceID Editport::DeviceID() const {
    return d_->device;
}
int Editport::RenderDevice() const {
    return d_->device;
}

void Editport::setDefaultStretchMode(int mode) {
    defaultStretchMode = stretchModeOf(mode);
}

int Editport::stretchMode() const {
    return static_cast<int>(d_->stretchMode);
}

void Editport::setStretchMode(int mode) {
    d_->setStretchMode(stretchModeOf(mode));
}

void Editport::SetStretchReference(const ShapePtr& reference) {
    d_->stretchReference = reference;
    d_->referenceValues.clear();
    d_->stretchCache.clear();
    d_->redraw();
}

QImage Editport::grabWithToggle() {
    QImage image = grabView();
    if (d_->stretchToggle != nullptr && d_->stretchToggle->isVisible()) {
        QPainter painter(&image);
        d_->stretchToggle->render(&painter, d_->stretchToggle->pos());
    }
    return image;
}

void Editport::Refresh() {
    ++d_->generation;
    d_->redraw();
}

void Editport::SetCameraPosition(float x, float y, float z) {
    d_->camera.setPosition({x, y, z});
    d_->redraw();
}

Vector3 Editport::CameraPosition() const {
    return d_->camera.position();
}
float Editport::ViewExtent() const {
    return static_cast<float>(d_->camera.extent());
}

void Editport::setViewExtent(float extent) {
    if (!(extent > 0.0f) || !std::isfinite(extent)) {
        throw Error(ErrorNumber::HostBadArgument,
                    "Editport ViewExtent must be a positive finite number", "Editport");
    }
    d_->camera.setExtent(extent);
    d_->redraw();
}

void Editport::ResetView() {
    d_->updateOrigin();
    BoundingBox box{1, 1, 1, 0, 0, 0};
    bool any = false;
    for (const auto& [shape, placement] : collectSceneItems(d_->root)) {
        if (shape->cornerCount() == 0) {
            continue;
        }
        const BoundingBox b = shape->GetBoundingBox();
        const Matrix4 m = placementMatrix(placement);
        for (int i = 0; i < 8; ++i) {
            const Vector3 p =
                transformByMatrix(m, {(i & 1) ? b.maxX : b.minX, (i & 2) ? b.maxY : b.minY,
                                      (i & 4) ? b.maxZ : b.minZ});
            if (!any) {
                box = {p.x, p.y, p.z, p.x, p.y, p.z};
                any = true;
            }
            box.minX = std::min(box.minX, p.x);
            box.minY = std::min(box.minY, p.y);
            box.minZ = std::min(box.minZ, p.z);
            box.maxX = std::max(box.maxX, p.x);
            box.maxY = std::max(box.maxY, p.y);
            box.maxZ = std::max(box.maxZ, p.z);
        }
    }
    if (any) {
        d_->camera.frame(box, std::max(width(), 1), std::max(height(), 1));
        d_->redraw();
    }
}

void Editport::SetTargetFrame(const FramePtr& frame, int option) {
    d_->target = frame;
    d_->targetOption = option;
    d_->picksValid = false;
    d_->redraw();
}

FramePtr Editport::TargetFrame() const {
    return d_->target;
}
int Editport::projectionType() const {
    return d_->projection;
}

void Editport::setProjectionType(int type) {
    d_->projection = type == 1 ? 1 : 0;
    d_->camera.setFlat(d_->projection == 1);
    d_->redraw();
}

ViewTransform Editport::viewTransform() const {
    return d_->view();
}
int Editport::PreviewSetting() const {
    return d_->previewSetting;
}

void Editport::setPreviewSetting(int setting) {
    d_->previewSetting = setting;
    d_->redraw();
}

void Editport::SelectChart() {
    d_->ensurePicks();
    for (PickEntry& entry : d_->picks) {
        const Shape& shape = *entry.shape;
        if (!d_->pickable(shape) || shape.GetSelectionType(d_->device) == 0) {
            continue;
        }
        const SubSelection seeds = shape.GetSelectedVertices(d_->device);
        std::vector<std::int32_t> seedList;
        for (const SubSelectionEntry& e : seeds.entries) {
            seedList.push_back(e.index);
        }
        const SubSelection current = shape.GetSelectionType(d_->device) == kSelectPoints
                                         ? shape.GetSubSelection(d_->device)
                                         : seeds;
        d_->setSelection(entry.shape, kSelectPoints,
                         selectCharts(meshArrays(shape), current, seedList));
    }
    d_->redraw();
}

void Editport::DeselectChart() {
    d_->ensurePicks();
    const ShapePtr contextShape = d_->contextShape.lock();
    for (PickEntry& entry : d_->picks) {
        const Shape& shape = *entry.shape;
        if (!d_->pickable(shape) || shape.GetSelectionType(d_->device) == 0) {
            continue;
        }
        const SubSelection points = shape.GetSelectionType(d_->device) == kSelectPoints
                                        ? shape.GetSubSelection(d_->device)
                                        : shape.GetSelectedVertices(d_->device);
        std::vector<std::int32_t> seeds;
        if (contextShape && !d_->contextSeeds.empty()) {
            if (entry.shape != contextShape) {
                continue;
            }
            seeds = d_->contextSeeds;
        } else {
            for (const SubSelectionEntry& e : points.entries) {
                seeds.push_back(e.index);
            }
        }
        d_->setSelection(entry.shape, kSelectPoints,
                         deselectCharts(meshArrays(shape), points, seeds));
    }
    d_->redraw();
}

void Editport::SelectEdgeLoop() {
    d_->ensurePicks();
    for (PickEntry& entry : d_->picks) {
        const Shape& shape = *entry.shape;
        if (!d_->pickable(shape) || shape.GetSelectionType(d_->device) != kSelectEdges) {
            continue;
        }
        d_->setSelection(entry.shape, kSelectEdges,
                         extendEdgeLoops(d_->edgesOf(entry), shape.GetSubSelection(d_->device)));
    }
    d_->redraw();
}

int Editport::CurrentPolygon() const {
    return d_->currentPolygon;
}

void Editport::setPrimaryNavigation(bool on) {
    d_->primaryNavigation = on;
}
bool Editport::primaryNavigation() const {
    return d_->primaryNavigation;
}
void Editport::setGlideNavigation(bool on) {
    d_->glideNavigation = on;
}
bool Editport::glideNavigation() const {
    return d_->glideNavigation;
}
void Editport::setAdvanceNavigation(bool on) {
    d_->advanceNavigation = on;
}
bool Editport::advanceNavigation() const {
    return d_->advanceNavigation;
}
void Editport::setBoundingBox(bool on) {
    d_->boundingBox = on;
    d_->redraw();
}
bool Editport::boundingBox() const {
    return d_->boundingBox;
}
void Editport::setEditControl(bool on) {
    d_->editControl = on;
}
bool Editport::editControl() const {
    return d_->editControl;
}
void Editport::setRotateEditControl(bool on) {
    d_->rotateEditControl = on;
}
bool Editport::rotateEditControl() const {
    return d_->rotateEditControl;
}
void Editport::setEditMode(int mode) {
    d_->editMode = mode;
}
int Editport::editMode() const {
    return d_->editMode;
}
void Editport::setDeformToolRange(float range) {
    d_->deformRange = range;
}
float Editport::deformToolRange() const {
    return d_->deformRange;
}
void Editport::setSelectionKind(int kind) {
    d_->selectionKind = kind >= 1 && kind <= 3 ? kind : 0;
}
int Editport::selectionKind() const {
    return d_->selectionKind;
}

QImage Editport::grabView() {
    if (d_->gl != nullptr) {
        return d_->gl->grabFramebuffer();
    }
    const EditportFrame f = d_->frame();
    SoftwareRaster raster(std::max(width(), 1), std::max(height(), 1), f.background, !d_->flat());
    paintFrameSoftware(raster, f);
    const Image& image = raster.image();
    return QImage(reinterpret_cast<const uchar*>(image.pixels.data()), image.width, image.height,
                  image.width * 4, QImage::Format_ARGB32)
        .copy();
}

void Editport::resizeEvent(QResizeEvent* event) {
    if (d_->gl != nullptr) {
        d_->gl->setGeometry(QRect(QPoint(0, 0), event->size()));
    }
    QWidget::resizeEvent(event);
}

void Editport::paintEvent(QPaintEvent*) {
    if (d_->gl != nullptr) {
        return; // the OpenGL child covers the widget
    }
    const QImage image = grabView();
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

bool Editport::eventFilter(QObject* watched, QEvent* event) {
    return QWidget::eventFilter(watched, event);
}

} // namespace brontle
