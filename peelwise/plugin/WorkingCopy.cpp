#include "peelwise/plugin/WorkingCopy.h"

#include "peelwise/support/CheckedArithmetic.h"

#include "brontle/core/Error.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"

#include <string>

namespace peelwise {

namespace {

using brontle::Error;
namespace Number = brontle::ErrorNumber;

const brontle::Toolkit& toolkitOf(const brontle::SceneGraph& scene) {
    brontle::ToolkitPtr toolkit = scene.GetToolkit();
    if (!toolkit) {
        throw Error(Number::ObjectNotSet, "The scene graph has no toolkit");
    }
    return *toolkit;
}

// Keeps only the selected polygons of `copy` (a fresh copy of `selected`) and returns their
// indices in `selected`, in the order of its sub-selection entries.
std::vector<std::int32_t> keepSelectedPolygons(const brontle::Shape& selected, brontle::Shape& copy,
                                               brontle::DeviceID device) {
    const brontle::SubSelection subSelection = selected.GetSubSelection(device);
    std::int32_t n = selected.GetPolygonCount();
    std::vector<std::int32_t> edited;
    edited.reserve(subSelection.entries.size());
    for (const brontle::SubSelectionEntry& entry : subSelection.entries) {
        edited.push_back(entry.index);
    }
    // A mark per polygon of S: -1 for the edited ones, 0 for the rest.
    std::vector<std::int32_t> marks(static_cast<std::size_t>(n), 0);
    for (std::int32_t index : edited) {
        if (index < 0 || index >= n) {
            throw Error(Number::SubscriptOutOfRange,
                        "Polygon " + std::to_string(index) +
                            " of the sub-selection is not in the shape (it has " +
                            std::to_string(n) + " polygons)");
        }
        marks[static_cast<std::size_t>(index)] = -1;
    }
    n = selected.GetPolygonCount();
    std::vector<std::int32_t> deleted; // ascending
    for (std::int32_t i = 0; i < n; ++i) {
        if (marks[static_cast<std::size_t>(i)] != -1) {
            deleted.push_back(i);
        }
    }
    copy.DeletePolygons(deleted);
    return edited;
}

} // namespace

WorkingCopy makeWorkingCopy(brontle::SceneGraph& scene, brontle::DeviceID device) {
    WorkingCopy result;
    result.shape = scene.CreateShape();
    brontle::Shape& w = *result.shape;
    const brontle::ShapePtr selected = scene.GetSelectedShape(device, 0);
    w.AppendShape(*selected);

    if (w.GetSelectionType(device) == brontle::kSelectPolygons) {
        result.editedPolygons = keepSelectedPolygons(*selected, w, device);
    }

    const brontle::Toolkit& toolkit = toolkitOf(scene);
    brontle::BoundingBox box = w.GetBoundingBox();
    const brontle::Vector3 c{(box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2,
                             (box.minZ + box.maxZ) / 2};
    w.Translate(toolkit.MakeVector3(-c.x, -c.y, -c.z));

    box = w.GetBoundingBox();
    const float ex = box.maxX - box.minX;
    const float ey = box.maxY - box.minY;
    const float ez = box.maxZ - box.minZ;
    float largest = ex;
    if (ey > largest) {
        largest = ey;
    }
    if (ez > largest) {
        largest = ez;
    }
    // A shape of zero size on every axis has nothing to scale; the division fails here, before
    // the editor opens, and the selected shape stays as it was.
    const float factor = checkedDivide(kWorkingCopyExtent, largest, "8 / largest extent");
    w.Scale(toolkit.MakeVector3(factor, factor, factor));

    result.centre = c;
    result.largestExtent = largest;
    return result;
}

void undoNormalisation(brontle::SceneGraph& scene, const WorkingCopy& copy) {
    const brontle::Toolkit& toolkit = toolkitOf(scene);
    const float factor = copy.largestExtent / kWorkingCopyExtent;
    copy.shape->Scale(toolkit.MakeVector3(factor, factor, factor));
    copy.shape->Translate(copy.centre);
}

void writeBack(brontle::SceneGraph& scene, brontle::DeviceID device, const WorkingCopy& copy,
               const ShapeAppend& append) {
    const std::int32_t selectionType = copy.shape->GetSelectionType(device);
    const brontle::ShapePtr selected = scene.GetSelectedShape(device, 0);

    // Between the removal and the append the selected shape holds neither the old nor the new
    // polygons. Keep what it held (a copy-on-write copy: it shares the arrays until one side
    // writes, so this costs little) and put it back if either step fails, so that a failed
    // write-back leaves the user's shape as it was.
    const brontle::ShapePtr before = brontle::Shape::create();
    before->AppendShape(*selected);
    try {
        if (selectionType == brontle::kSelectNone) {
            selected->Clear();
        } else {
            // Kinds other than 1 never filled K, so for them nothing is removed here.
            selected->DeletePolygons(copy.editedPolygons);
        }
        if (append) {
            append(*selected, *copy.shape);
        } else {
            selected->AppendShape(*copy.shape);
        }
    } catch (...) {
        selected->Clear();
        selected->AppendShape(*before);
        throw;
    }
}

} // namespace peelwise
