// The edit view's mouse, wheel and key handling: picking, rubber bands, navigation and the drag
// gestures, turned into selections and notifications (see Editport.h for the gestures).
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/viewmath/EdgeLoop.h"
#include "brontle/viewmath/SelectionEdit.h"
#include "brontle/views/EditportPrivate.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace brontle {

namespace {

// Pixels the pointer must travel before a press becomes a drag.
constexpr double kDragThreshold = 3.0;
// Zoom factor per wheel notch (120 units); wheel forward zooms in.
constexpr double kWheelStep = 0.85;

using Snapshot = std::vector<std::pair<std::int32_t, std::vector<SubSelectionEntry>>>;

Snapshot snapshot(const std::vector<PickEntry>& picks, DeviceID device) {
    Snapshot s;
    for (const PickEntry& e : picks) {
        s.emplace_back(e.shape->GetSelectionType(device), e.shape->GetSubSelection(device).entries);
    }
    return s;
}

double distance(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

SubSelectionEntry entryOf(std::int32_t index, std::int32_t corner = 0) {
    SubSelectionEntry e;
    e.index = index;
    e.corner = corner;
    return e;
}

} // namespace

namespace {

// Applies one pick group to `entry`'s shape: Replace clears every other shape first.
void applyGroup(EditportPrivate& d, PickEntry& entry, int kind,
                const std::vector<SubSelectionEntry>& group, PickMode mode) {
    const std::vector<std::vector<SubSelectionEntry>> groups{group};
    if (mode == PickMode::Replace) {
        d.clearSelection();
        d.setSelection(entry.shape, kind, applyPick({}, groups, PickMode::Replace));
        return;
    }
    d.setSelection(entry.shape, kind, applyPick(d.selectionOf(*entry.shape, kind), groups, mode));
}

} // namespace

bool EditportPrivate::selectedUnder(QPointF pos, PickEntry*& entry, double& depth) {
    const PolygonPick hit = pickPolygon(pos, false);
    if (hit.entry == nullptr || hit.entry->shape->GetSelectionType(device) == 0) {
        return false;
    }
    const SubSelection selected = hit.entry->shape->GetSelectedVertices(device);
    std::vector<std::int32_t> sorted;
    for (const SubSelectionEntry& e : selected.entries) {
        sorted.push_back(e.index);
    }
    std::sort(sorted.begin(), sorted.end());
    const Shape& shape = *hit.entry->shape;
    const auto& start = shape.polygonStart();
    for (std::int32_t k = start[hit.hit.polygon]; k < start[hit.hit.polygon + 1]; ++k) {
        if (!std::binary_search(sorted.begin(), sorted.end(), shape.cornerVertex()[k])) {
            return false;
        }
    }
    entry = hit.entry;
    depth = hit.hit.depth;
    return true;
}

void EditportPrivate::pressLeft(QPointF pos, bool shift, bool ctrl, bool alt) {
    const Snapshot before = snapshot((ensurePicks(), picks), device);
    narrowShape.reset();
    narrowVertex = -1;
    contextSeeds.clear();
    if (!flat() && alt) {
        drag = primaryNavigation ? Drag::Orbit : Drag::None;
        return;
    }
    const PickMode mode = pickModeFor(shift, ctrl);
    const int kind = effectiveKind();
    // Where the press lands on empty space: a rubber band in a flat view (points), an orbit in
    // a 3D one; a click without a drag then clears (see releaseLeft).
    const Drag onEmpty = flat() ? (kind == kSelectPoints ? Drag::RubberBand : Drag::None)
                                : (primaryNavigation ? Drag::PendingOrbit : Drag::None);
    drag = onEmpty;
    if (kind == kSelectPoints) {
        const PointPick pp = pickPoint(pos);
        if (pp.entry != nullptr) {
            const ShapePtr shape = pp.entry->shape;
            PickIndex& index = indexOf(*pp.entry);
            currentPolygon = index.polygonForPoint(pos.x(), pos.y(), pp.vertex);
            const SubSelection selected = shape->GetSelectedVertices(device);
            const bool already =
                std::any_of(selected.entries.begin(), selected.entries.end(),
                            [&](const SubSelectionEntry& e) { return e.index == pp.vertex; });
            if (already && !ctrl) {
                if (!shift && selected.count() > 1) {
                    narrowShape = shape;
                    narrowVertex = pp.vertex;
                }
            } else {
                applyGroup(*this, *pp.entry, kSelectPoints, {entryOf(pp.vertex)}, mode);
            }
            const SubSelection now = shape->GetSelectedVertices(device);
            const bool selectedNow =
                std::any_of(now.entries.begin(), now.entries.end(),
                            [&](const SubSelectionEntry& e) { return e.index == pp.vertex; });
            drag = Drag::None;
            if (editMode == 1 && selectedNow) {
                const double depth =
                    pickView.withModel(pp.entry->model).project(shape->vertices()[pp.vertex]).depth;
                gesture.press(DragGesture::Kind::Move, pos.x(), pos.y(), pickView, depth);
                drag = Drag::Gesture;
            }
        } else {
            PickEntry* under = nullptr;
            double depth = 0.0;
            if (editMode == 1 && !shift && !ctrl && selectedUnder(pos, under, depth)) {
                gesture.press(DragGesture::Kind::Move, pos.x(), pos.y(), pickView, depth);
                drag = Drag::Gesture;
            }
        }
    } else if (kind == kSelectEdges) {
        const EdgePick ep = pickEdge(pos);
        if (ep.entry != nullptr) {
            MeshEdges& edges = edgesOf(*ep.entry);
            const std::int32_t edge = edges.edgeOf(ep.hit.polygon, ep.hit.corner);
            applyGroup(*this, *ep.entry, kSelectEdges, halfEdgeEntries(edges, edge), mode);
            currentPolygon = ep.hit.polygon;
            drag = Drag::None;
        }
    } else {
        const PolygonPick pp = pickPolygon(pos, false);
        if (pp.entry != nullptr) {
            applyGroup(*this, *pp.entry, kSelectPolygons, {entryOf(pp.hit.polygon)}, mode);
            currentPolygon = pp.hit.polygon;
            drag = Drag::None;
        }
    }
    if (snapshot(picks, device) != before) {
        redraw();
        emit q->SelectionChange();
    }
    emit q->SelectionPick();
}

void EditportPrivate::releaseLeft(QPointF pos) {
    const Snapshot before = snapshot((ensurePicks(), picks), device);
    const int kind = effectiveKind();
    if (drag == Drag::Gesture) {
        const bool dragged = gesture.dragging();
        for (const GestureEvent& e : gesture.release(pos.x(), pos.y())) {
            if (e.type == GestureEvent::DragMove) {
                emit q->DragMove(e.a, e.b, e.c);
            } else if (e.type == GestureEvent::EditEnd) {
                emit q->EditEnd();
            }
        }
        if (!dragged && narrowShape) {
            for (PickEntry& entry : picks) {
                if (entry.shape == narrowShape) {
                    applyGroup(*this, entry, kSelectPoints, {entryOf(narrowVertex)},
                               PickMode::Replace);
                }
            }
        }
    } else if (drag == Drag::RubberBand && bandActive) {
        const PickMode mode = pressCtrl    ? PickMode::Remove
                              : pressShift ? PickMode::Add
                                           : PickMode::Replace;
        if (mode == PickMode::Replace) {
            clearSelection();
        }
        for (PickEntry& entry : picks) {
            if (!pickable(*entry.shape)) {
                continue;
            }
            const std::vector<std::int32_t> inside =
                indexOf(entry).pointsInRect(pressPos.x(), pressPos.y(), pos.x(), pos.y());
            std::vector<std::vector<SubSelectionEntry>> groups;
            for (std::int32_t v : inside) {
                groups.push_back({entryOf(v)});
            }
            if (groups.empty()) {
                continue;
            }
            setSelection(entry.shape, kSelectPoints,
                         applyPick(selectionOf(*entry.shape, kSelectPoints), groups, mode));
        }
        bandActive = false;
        redraw();
    } else if (drag == Drag::RubberBand || (drag == Drag::None && flat()) ||
               drag == Drag::PendingOrbit) {
        // A click on empty space: clears, except that seams (edges) are only cleared on purpose.
        const bool onEmpty = drag != Drag::None || kind == kSelectPolygons;
        if (onEmpty && kind != kSelectEdges && !pressShift && !pressCtrl) {
            clearSelection();
        }
    }
    drag = Drag::None;
    narrowShape.reset();
    narrowVertex = -1;
    if (snapshot(picks, device) != before) {
        redraw();
        emit q->SelectionChange();
    }
    emit q->SelectionRelease();
}

void EditportPrivate::pointerMoved(QPointF pos) {
    ensurePicks();
    const QPointF previous = lastPos;
    lastPos = pos;
    const int w = std::max(q->width(), 1), h = std::max(q->height(), 1);
    if (drag == Drag::PendingOrbit && distance(pos, pressPos) >= kDragThreshold) {
        drag = Drag::Orbit;
    }
    switch (drag) {
    case Drag::Orbit:
        camera.orbit(pos.x() - previous.x(), pos.y() - previous.y());
        cameraMoved();
        redraw();
        emit q->ViewChange();
        break;
    case Drag::Pan:
        camera.pan(pos.x() - previous.x(), pos.y() - previous.y(), w, h);
        cameraMoved();
        redraw();
        emit q->ViewChange();
        break;
    case Drag::Gesture:
        for (const GestureEvent& e : gesture.move(pos.x(), pos.y())) {
            if (e.type == GestureEvent::EditBegin) {
                narrowShape.reset();
                emit q->EditBegin();
            } else if (e.type == GestureEvent::DragMove) {
                emit q->DragMove(e.a, e.b, e.c);
            } else if (e.type == GestureEvent::DragScale) {
                emit q->DragScale(e.a, e.b);
            }
        }
        break;
    case Drag::RubberBand:
        if (bandActive || distance(pos, pressPos) >= kDragThreshold) {
            bandActive = true;
            redraw();
        }
        break;
    default:
        break;
    }
    // The read-out: the shape under the pointer (a point, else a polygon, backdrops included).
    // Navigation above may have moved the camera: pick with the new one.
    ensurePicks();
    ShapePtr hitShape;
    Vector3 where = pickView.unproject(pos.x(), pos.y(), 1.0);
    const PointPick point = pickPoint(pos);
    if (point.entry != nullptr) {
        hitShape = point.entry->shape;
    } else {
        const PolygonPick polygon = pickPolygon(pos, true);
        if (polygon.entry != nullptr) {
            hitShape = polygon.entry->shape;
            if (!flat()) {
                where = pickView.unproject(pos.x(), pos.y(), polygon.hit.depth);
            }
        }
    }
    if (!flat() && !hitShape) {
        where = {};
    }
    emit q->PointerMove(hitShape, hitShape != nullptr, where.x, where.y);
}

// ---- Editport event handlers

void Editport::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    EditportPrivate& d = *d_;
    if (d.drag != EditportPrivate::Drag::None) {
        return; // a second button during a drag is ignored
    }
    const QPointF pos = event->position();
    const Qt::KeyboardModifiers mods = event->modifiers();
    d.pressPos = d.lastPos = pos;
    d.pressShift = mods.testFlag(Qt::ShiftModifier);
    d.pressCtrl = mods.testFlag(Qt::ControlModifier);
    d.dragButton = event->button();
    d.bandActive = false;
    if (event->button() == Qt::LeftButton) {
        d.pressLeft(pos, d.pressShift, d.pressCtrl, mods.testFlag(Qt::AltModifier));
    } else if (event->button() == Qt::MiddleButton) {
        const bool allowed = d.flat() ? d.primaryNavigation : d.glideNavigation;
        d.drag = allowed ? EditportPrivate::Drag::Pan : EditportPrivate::Drag::None;
    } else if (event->button() == Qt::RightButton) {
        d.drag = EditportPrivate::Drag::PendingScale;
        const bool selection = d.scene && d.scene->GetSelectedShapeCount(d.device) > 0;
        if (d.flat() && d.editMode == 1 && selection) {
            d.ensurePicks();
            d.gesture.press(DragGesture::Kind::Scale, pos.x(), pos.y(), d.pickView, 1.0);
            d.drag = EditportPrivate::Drag::Gesture;
        }
    }
    event->accept();
}

void Editport::mouseMoveEvent(QMouseEvent* event) {
    d_->pointerMoved(event->position());
    event->accept();
}

void Editport::mouseReleaseEvent(QMouseEvent* event) {
    EditportPrivate& d = *d_;
    if (event->button() != d.dragButton) {
        return;
    }
    const QPointF pos = event->position();
    if (d.drag == EditportPrivate::Drag::Orbit || d.drag == EditportPrivate::Drag::Pan) {
        d.cameraSettled(); // the motion ends with the button: the next frame is in full
    }
    if (event->button() == Qt::LeftButton) {
        d.releaseLeft(pos);
    } else if (event->button() == Qt::RightButton) {
        bool dragged = false;
        if (d.drag == EditportPrivate::Drag::Gesture) {
            dragged = d.gesture.dragging();
            for (const GestureEvent& e : d.gesture.release(pos.x(), pos.y())) {
                if (e.type == GestureEvent::DragScale) {
                    emit DragScale(e.a, e.b);
                } else if (e.type == GestureEvent::EditEnd) {
                    emit EditEnd();
                }
            }
        } else {
            dragged = distance(pos, d.pressPos) >= kDragThreshold;
        }
        d.drag = EditportPrivate::Drag::None;
        if (!dragged) {
            // Remember the chart under the pointer for DeselectChart.
            d.contextSeeds.clear();
            d.contextShape.reset();
            if (d.flat()) {
                const auto point = d.pickPoint(pos);
                if (point.entry != nullptr) {
                    d.contextShape = point.entry->shape;
                    d.contextSeeds = {point.vertex};
                } else {
                    const auto polygon = d.pickPolygon(pos, false);
                    if (polygon.entry != nullptr) {
                        const Shape& shape = *polygon.entry->shape;
                        d.contextShape = polygon.entry->shape;
                        for (std::int32_t k = shape.polygonStart()[polygon.hit.polygon];
                             k < shape.polygonStart()[polygon.hit.polygon + 1]; ++k) {
                            d.contextSeeds.push_back(shape.cornerVertex()[k]);
                        }
                    }
                }
            }
            emit ContextMenu(mapToGlobal(pos.toPoint()));
        }
    } else {
        d.drag = EditportPrivate::Drag::None;
    }
    d.dragButton = Qt::NoButton;
    event->accept();
}

void Editport::wheelEvent(QWheelEvent* event) {
    if (!d_->advanceNavigation || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    const double notches = event->angleDelta().y() / 120.0;
    const QPointF pos = event->position();
    d_->updateOrigin();
    d_->camera.zoomAbout(pos.x(), pos.y(), std::pow(kWheelStep, notches), std::max(width(), 1),
                         std::max(height(), 1));
    d_->cameraMoved();
    d_->redraw();
    emit ViewChange();
    event->accept();
}

void Editport::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F && event->modifiers() == Qt::NoModifier) {
        ResetView();
        emit ViewChange();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_D && event->modifiers() == Qt::NoModifier) {
        d_->setStretchMode(nextStretchMode(d_->stretchMode));
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace brontle
