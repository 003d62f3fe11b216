#include "peelwise/session/EditSession.h"

#include "peelwise/uv/ApplyDragMove.h"
#include "peelwise/uv/ApplyDragScale.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"
#include "peelwise/uv/TransformUVPoints.h"
#include "peelwise/uv/UnlinkCorner.h"
#include "peelwise/uv/WeldUVPoints.h"

#include "brontle/core/Error.h"
#include "brontle/model/Display.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <string>

namespace peelwise {

namespace {

using brontle::Error;
namespace ErrorNumber = brontle::ErrorNumber;

template <class T> T& present(T* object, const char* what) {
    if (object == nullptr) {
        throw Error(ErrorNumber::ObjectNotSet,
                    std::string("Object variable not set (") + what + ")", "EditSession");
    }
    return *object;
}

} // namespace

void EditSession::attach(brontle::SceneGraph& scene, brontle::DeviceID preview,
                         brontle::DeviceID uv) {
    scene_ = &scene;
    previewDevice_ = preview;
    uvDevice_ = uv;
}

brontle::SceneGraph& EditSession::scene() const {
    return present(scene_, "scene graph");
}

brontle::Shape& EditSession::uvShape() const {
    return present(uv.get(), "csUVShape");
}

brontle::Shape& EditSession::atlasShape() const {
    return present(atlas.get(), "csAtlasShape");
}

brontle::Shape& EditSession::selectedUVShape() const {
    return present(scene().GetSelectedShape(uvDevice_, 0).get(), "selected shape");
}

void EditSession::refreshUVPositions() {
    uvPositions = uvShape().GetVertices();
}

HistoryTarget EditSession::historyTarget() {
    return HistoryTarget{
        scene(),   previewDevice_, uvDevice_,  present(source.get(), "csSourceShape"),
        uvShape(), uvPositions,    atlas.get()};
}

void EditSession::record() {
    HistoryTarget target = historyTarget();
    history_.record(target);
    uvChanged = true;
}

void EditSession::afterTopologyChange() {
    // A weld joins vertices, an unlink adds one, an undo or redo may bring back either: the
    // table is rebuilt from the UV polygons and the atlas corners as they are now, so no later
    // drag or step writes through an entry of the other topology.
    if (atlas) {
        modUV::RebuildUVCorrespondence(uvShape(), *atlas, uvVertexToTexCoord);
    }
}

void EditSession::undo() {
    HistoryTarget target = historyTarget();
    history_.undo(target);
    afterTopologyChange();
}

void EditSession::redo() {
    HistoryTarget target = historyTarget();
    history_.redo(target);
    afterTopologyChange();
}

void EditSession::forgetEdits() {
    uvChanged = false;
    history_.clear();
}

modUV::DragResult EditSession::applyDrag(bool scale, float ax, float ay,
                                         const modUV::AxisLock& lockX,
                                         const modUV::AxisLock& lockY) {
    brontle::Shape& selected = selectedUVShape();
    const brontle::SubSelection points = selected.GetSelectedVertices(uvDevice_);
    // Drag values are totals since the drag began: every step starts again from the positions
    // at the end of the last edit.
    selected.SetVertices(uvPositions);
    std::vector<brontle::Vector3> positions;
    std::vector<brontle::Vector2> texcoords = atlasShape().GetTextureCoordinates();
    const modUV::DragResult result =
        scale ? modUV::applyDragScale(uvPositions, points, ax, ay, lockX, lockY, positions,
                                      texcoords, uvVertexToTexCoord)
              : modUV::applyDragMove(uvPositions, points, ax, ay, lockX, lockY, positions,
                                     texcoords, uvVertexToTexCoord);
    uvShape().SetVertices(positions);
    atlasShape().SetTextureCoordinates(texcoords);
    return result;
}

modUV::DragResult EditSession::dragMove(float dx, float dy, const modUV::AxisLock& lockX,
                                        const modUV::AxisLock& lockY) {
    return applyDrag(false, dx, dy, lockX, lockY);
}

modUV::DragResult EditSession::dragScale(float sx, float sy, const modUV::AxisLock& lockX,
                                         const modUV::AxisLock& lockY) {
    return applyDrag(true, sx, sy, lockX, lockY);
}

void EditSession::transform(int mode, float amountX, float amountY, bool lockX, bool lockY,
                            const Recorded& recorded) {
    record();
    if (recorded) {
        recorded();
    }
    // Without an atlas shape the step moves the UV points only.
    modUV::TransformUVPoints(scene(), uvDevice_, uvShape(), atlas.get(), uvVertexToTexCoord, mode,
                             amountX, amountY, lockX, lockY);
    refreshUVPositions();
}

void EditSession::weld(modUV::WeldKind kind, const Recorded& recorded) {
    record();
    if (recorded) {
        recorded();
    }
    brontle::Shape& shape = selectedUVShape();
    brontle::SubSelection points = shape.GetSelectedVertices(uvDevice_);
    std::vector<brontle::Vector3> positions = shape.GetVertices();
    const brontle::Vector3 target = modUV::chooseWeldTarget(kind, points, positions);
    modUV::WeldUVPoints(target, points, shape, positions, atlasShape(), uvVertexToTexCoord);
    scene().ClearSelection(uvDevice_);
    refreshUVPositions();
    afterTopologyChange();
}

void EditSession::unlink(std::int32_t polygon, const Recorded& recorded) {
    record();
    if (recorded) {
        recorded();
    }
    brontle::Shape& shape = selectedUVShape();
    const brontle::SubSelection selection = shape.GetSubSelection(uvDevice_);
    if (selection.empty()) {
        throw Error(ErrorNumber::SubscriptOutOfRange,
                    "Unlink: no point is selected in the coordinate view", "EditSession");
    }
    // UnlinkCorner checks the polygon, the corner at the point and the new position before it
    // writes anything, so a failure leaves the selection and both shapes as they were.
    modUV::UnlinkCorner(shape, atlasShape(), polygon, selection.entries.front().index);
    scene().ClearSelection(uvDevice_);
    refreshUVPositions();
    afterTopologyChange();
}

brontle::SubSelection allPolygons(std::int32_t count) {
    brontle::SubSelection all;
    all.entries.resize(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        all.entries[static_cast<std::size_t>(i)].index = i;
    }
    return all;
}

void EditSession::selectAllCharts() {
    const brontle::SubSelection all = allPolygons(uvShape().GetPolygonCount());
    scene().ClearSelection(uvDevice_);
    uvShape().SetSubSelection(uvDevice_, brontle::kSelectPolygons, all);
}

void EditSession::deselectAllCharts() {
    scene().ClearSelection(uvDevice_);
}

brontle::SubSelection EditSession::findDefaultSeams() {
    creaseEdges.clear();
    DefaultSeams found =
        defaultSeams(scene(), present(source.get(), "source shape"), previewDevice_);
    creaseEdges = std::move(found.creases);
    return std::move(found.seams);
}

brontle::SubSelection EditSession::selectedSeams() const {
    return present(atlas.get(), "atlas shape").GetSubSelection(previewDevice_);
}

brontle::ShapePtr EditSession::sourceWithSeams(const brontle::SubSelection& seams) {
    return copyWithSeams(scene(), present(source.get(), "source shape"), previewDevice_, seams);
}

brontle::ShapePtr EditSession::build(brontle::Shape& copy, const AtlasRequest& request,
                                     const brontle::SubSelection& seams) {
    std::optional<UVLayout> layout = atlasAndLayout(scene(), copy, request, atlas, seams);
    if (!layout) {
        return nullptr;
    }
    uvVertexToTexCoord = std::move(layout->vertexToTexCoord);
    return std::move(layout->uv);
}

void EditSession::adoptLayout(const brontle::ShapePtr& layout) {
    brontle::Shape& shape = present(uv.get(), "UV shape");
    if (uv != layout) {
        // The UV shape object stays in the UV view's frame; only its content is new.
        shape.Clear();
        shape.AppendShape(present(layout.get(), "new UV shape"));
    }
    shape.SetDisplayMode(brontle::kWireframeMode); // wires and points
    refreshUVPositions();
}

void EditSession::commitLayout() {
    scene().ClearSelection(uvDevice_);
    brontle::Shape& target = present(atlas.get(), "atlas shape");
    const brontle::Shape& layout = present(uv.get(), "UV shape");
    std::vector<brontle::Vector2> texcoords = target.GetTextureCoordinates();
    const std::vector<brontle::Vector3>& positions = layout.vertices();
    const auto n = static_cast<std::int32_t>(positions.size());
    if (static_cast<std::int32_t>(uvVertexToTexCoord.size()) < n) {
        throw Error(ErrorNumber::SubscriptOutOfRange,
                    "Subscript out of range: the UV layout has " + std::to_string(n) +
                        " points but the table to the atlas has " +
                        std::to_string(uvVertexToTexCoord.size()) + " entries");
    }
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t j = uvVertexToTexCoord[static_cast<std::size_t>(i)];
        if (j < 0 || j >= static_cast<std::int32_t>(texcoords.size())) {
            throw Error(ErrorNumber::SubscriptOutOfRange,
                        "Subscript out of range: UV point " + std::to_string(i) +
                            " stands for texture coordinate " + std::to_string(j) +
                            ", which the atlas shape does not have");
        }
        // The inverse of the layout's point = (u + 1, -v).
        texcoords[static_cast<std::size_t>(j)] = {positions[static_cast<std::size_t>(i)].x - 1.0f,
                                                  -positions[static_cast<std::size_t>(i)].y};
    }
    target.SetTextureCoordinates(texcoords);
}

void EditSession::applyToSource() {
    brontle::Shape& target = present(source.get(), "source shape");
    const brontle::Shape& from = present(atlas.get(), "atlas shape");
    target.Clear();
    target.AppendShape(from);
}

} // namespace peelwise
