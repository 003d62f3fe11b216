// A shape's sub-selections, one per view.
#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <algorithm>

namespace brontle {

std::int32_t Shape::GetSelectionType(DeviceID device) const {
    auto it = selections_.find(device);
    return it == selections_.end() ? 0 : it->second.kind;
}

SubSelection Shape::GetSubSelection(DeviceID device) const {
    auto it = selections_.find(device);
    return it == selections_.end() ? SubSelection{} : it->second.selection;
}

std::int32_t Shape::GetSubSelectionCount(DeviceID device) const {
    auto it = selections_.find(device);
    return it == selections_.end() ? 0 : it->second.selection.count();
}

void Shape::SetSubSelection(DeviceID device, std::int32_t kind, const SubSelection& selection) {
    hostCall("Shape::SetSubSelection");
    if (kind < kSelectPolygons || kind > kSelectEdges) {
        throw Error(ErrorNumber::HostBadArgument,
                    "Sub-selection kind " + std::to_string(kind) +
                        " is not one of 1 (polygons), 2 (points) or 3 (edges)",
                    "Shape");
    }
    const std::int32_t limit = kind == kSelectPoints ? GetVertexCount() : GetPolygonCount();
    for (const SubSelectionEntry& e : selection.entries) {
        if (e.index < 0 || e.index >= limit) {
            throw Error(ErrorNumber::SubscriptOutOfRange,
                        "Sub-selection entry " + std::to_string(e.index) + " is out of range",
                        "Shape");
        }
        if (kind == kSelectEdges) {
            const std::int32_t corners = polygonStart()[e.index + 1] - polygonStart()[e.index];
            if (e.corner < 0 || e.corner >= corners) {
                throw Error(ErrorNumber::SubscriptOutOfRange,
                            "Edge entry corner " + std::to_string(e.corner) + " is out of range",
                            "Shape");
            }
        }
    }
    ViewSelection& view = selections_[device];
    view.kind = kind;
    view.selection = selection;
    markSelected(device);
}

void Shape::markSelected(DeviceID device) {
    if (auto scene = scene_.lock()) {
        scene->noteSubSelection(device, shared_from_this());
    }
}

void Shape::ClearSubSelection(DeviceID device) {
    hostCall("Shape::ClearSubSelection");
    selections_.erase(device);
}

std::vector<DeviceID> Shape::devicesWithSubSelection() const {
    std::vector<DeviceID> devices;
    for (const auto& [device, view] : selections_) {
        devices.push_back(device);
    }
    return devices;
}

SubSelection Shape::GetSelectedVertices(DeviceID device) const {
    SubSelection result;
    auto it = selections_.find(device);
    if (it == selections_.end()) {
        return result;
    }
    const ViewSelection& view = it->second;
    if (view.kind == kSelectPoints) {
        for (const SubSelectionEntry& e : view.selection.entries) {
            result.add(e.index);
        }
        return result;
    }
    // Polygons or edges: the vertices they touch, each once, ascending.
    std::vector<char> marked(static_cast<std::size_t>(GetVertexCount()), 0);
    const auto& starts = polygonStart();
    const auto& corners = cornerVertex();
    for (const SubSelectionEntry& e : view.selection.entries) {
        if (e.index < 0 || e.index >= GetPolygonCount()) {
            continue;
        }
        const std::int32_t first = starts[e.index];
        const std::int32_t count = starts[e.index + 1] - first;
        if (view.kind == kSelectPolygons) {
            for (std::int32_t c = 0; c < count; ++c) {
                marked[corners[first + c]] = 1;
            }
        } else if (count > 0) {
            marked[corners[first + e.corner % count]] = 1;
            marked[corners[first + (e.corner + 1) % count]] = 1;
        }
    }
    for (std::size_t v = 0; v < marked.size(); ++v) {
        if (marked[v]) {
            result.add(static_cast<std::int32_t>(v));
        }
    }
    return result;
}

} // namespace brontle
