#pragma once
// One editing run of the UV editor without the dialog: the shapes of the run (the source shape
// lent by the plug-in, the textured atlas shape, the flat UV layout), the table from UV vertices
// to atlas texture coordinates, the crease edges, the UV vertex cache and the edit history, and
// the edits as methods. The dialog reads its controls, calls one method and redraws; tests and
// tools drive the same methods without a display.
//
// Every edit is one transaction: the present state is recorded in the history, the edit is
// applied, the UV shape and the atlas texture coordinates are written, the table is rebuilt when
// the topology may have changed (welds, unlink, undo, redo) and the vertex cache is refilled.
// An edit that cannot go on throws before any shape has changed; the history entry it recorded
// stays, as the dialog has always kept it.
//
// The session works on the selections of two views, the 3D preview and the UV view, kept by the
// scene graph per device. attach() names the scene and the two devices; every edit needs them.
//
// Errors: a missing scene or shape is brontle::Error "object variable not set" (91) naming it;
// errors of the UV procedures and of the host are raised unchanged.

#include "peelwise/uv/CreaseEdge.h"
#include "peelwise/uv/DragResult.h"
#include "peelwise/uv/EditHistory.h"
#include "peelwise/uv/UnwrapGeometry.h"
#include "peelwise/uv/WeldTargets.h"

#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"
#include "brontle/model/Forward.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace peelwise {

// Polygons 0 .. count - 1 selected whole: entry i holds polygon i, the rest of it zero.
brontle::SubSelection allPolygons(std::int32_t count);

class EditSession {
  public:
    // Called by an edit right after it has recorded the history, before it changes anything:
    // the dialog updates its Undo and Redo buttons there.
    using Recorded = std::function<void()>;

    EditSession() = default;
    // A new run over the plug-in's working copy `source`: no layout, no edits, no history.
    explicit EditSession(brontle::ShapePtr source) : source(std::move(source)) {}

    // The scene the shapes live in and the devices of the preview and of the UV view.
    void attach(brontle::SceneGraph& scene, brontle::DeviceID preview, brontle::DeviceID uv);

    // ---- the run's state
    brontle::ShapePtr source; // the working copy lent by the plug-in
    brontle::ShapePtr atlas;  // textured copy shown in the preview; OK writes it back
    brontle::ShapePtr uv;     // the flat layout: point (x, y) = (u + 1, -v) of its atlas corner
    // Per UV vertex, the index of the atlas texture coordinate it stands for.
    std::vector<std::int32_t> uvVertexToTexCoord;
    std::vector<modUV::CreaseEdge> creaseEdges;
    // The UV shape's vertex positions at the end of the last edit: drags start from here.
    std::vector<brontle::Vector3> uvPositions;
    bool uvChanged = false; // edited since the last unwrap

    const EditHistory& history() const { return history_; }

    // ---- history
    // Records the present state (and marks the layout edited).
    void record();
    // Step back or forward; the table is rebuilt for the restored topology. Throws (9) when
    // there is nothing to go to.
    void undo();
    void redo();
    // A new layout: no edits and no history.
    void forgetEdits();

    // ---- drags in the UV view: the totals since the drag began, applied to the selected points
    // from the vertex cache, clamped to the unit square, written to both shapes.
    modUV::DragResult dragMove(float dx, float dy, const modUV::AxisLock& lockX,
                               const modUV::AxisLock& lockY);
    modUV::DragResult dragScale(float sx, float sy, const modUV::AxisLock& lockX,
                                const modUV::AxisLock& lockY);
    // The end of a drag: the vertex cache takes the dragged positions.
    void endDrag() { refreshUVPositions(); }

    // ---- one step of a transform button (modUV::TransformUVPoints with its mode and amounts)
    void transform(int mode, float amountX, float amountY, bool lockX, bool lockY,
                   const Recorded& recorded = {});

    // ---- welds and unlink; each clears the UV view's selection when done
    void weld(modUV::WeldKind kind, const Recorded& recorded = {});
    // Detaches the single selected UV point from `polygon` of the UV shape.
    void unlink(std::int32_t polygon, const Recorded& recorded = {});

    // ---- chart selection (no history: a selection is not an edit)
    // Every UV polygon selected whole in the UV view.
    void selectAllCharts();
    void deselectAllCharts();

    // ---- unwrap
    // The default seams of the source for a first unwrap; keeps the crease edges.
    brontle::SubSelection findDefaultSeams();
    // The seams the user has selected on the atlas shape in the preview.
    brontle::SubSelection selectedSeams() const;
    // A build in two parts. First a copy of the source with `seams` (copyWithSeams); then the
    // host's atlas on that copy with `request`: the atlas shape is made or refilled in place and
    // the table rebuilt; returns the new UV layout shape, or null when the build gave none. The
    // session's UV shape is not touched (see adoptLayout).
    brontle::ShapePtr sourceWithSeams(const brontle::SubSelection& seams);
    brontle::ShapePtr build(brontle::Shape& copy, const AtlasRequest& request,
                            const brontle::SubSelection& seams);
    // Makes `layout` the content of the session's UV shape (refilled in place, so the views keep
    // the same object), shown as wires and points, with a fresh vertex cache.
    void adoptLayout(const brontle::ShapePtr& layout);
    // Writes the UV layout's positions into the atlas texture coordinates (u = x - 1, v = -y)
    // and clears the UV view's selection. Throws (9) when the table does not cover the layout.
    void commitLayout();

    // OK: the working copy becomes the atlas shape, the layout's texture coordinates with it.
    // Both shapes are checked before the working copy is cleared.
    void applyToSource();

    // The vertex cache refilled from the UV shape.
    void refreshUVPositions();

  private:
    brontle::SceneGraph& scene() const;
    brontle::Shape& uvShape() const;
    brontle::Shape& atlasShape() const;
    brontle::Shape& selectedUVShape() const;
    HistoryTarget historyTarget();
    void afterTopologyChange();
    modUV::DragResult applyDrag(bool scale, float ax, float ay, const modUV::AxisLock& lockX,
                                const modUV::AxisLock& lockY);

    brontle::SceneGraph* scene_ = nullptr;
    brontle::DeviceID previewDevice_ = 0;
    brontle::DeviceID uvDevice_ = 0;
    EditHistory history_;
};

} // namespace peelwise
