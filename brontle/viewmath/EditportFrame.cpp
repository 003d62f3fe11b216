#include "brontle/viewmath/EditportFrame.h"

#include "brontle/model/Shape.h"
#include "brontle/viewmath/MeshEdges.h"

#include <algorithm>

namespace brontle {

ShapeHighlights highlightsOf(const Shape& shape, DeviceID device) {
    ShapeHighlights h;
    const std::int32_t kind = shape.GetSelectionType(device);
    if (kind == 0) {
        return h;
    }
    const SubSelection sel = shape.GetSubSelection(device);
    const auto& start = shape.polygonStart();
    const auto& cv = shape.cornerVertex();
    const std::int32_t polygons = shape.GetPolygonCount();
    const std::int32_t vertices = shape.GetVertexCount();
    auto pushEdge = [&](std::vector<std::uint32_t>& out, std::int32_t p, std::int32_t c) {
        const std::int32_t s = start[p], e = start[p + 1];
        if (c < 0 || s + c >= e) {
            return;
        }
        const std::int32_t k = s + c;
        out.push_back(static_cast<std::uint32_t>(cv[k]));
        out.push_back(static_cast<std::uint32_t>(cv[k + 1 < e ? k + 1 : s]));
    };
    if (kind == kSelectPolygons) {
        for (const SubSelectionEntry& e : sel.entries) {
            if (e.index < 0 || e.index >= polygons) {
                continue;
            }
            h.polygons.push_back(e.index);
            for (std::int32_t c = 0; c < start[e.index + 1] - start[e.index]; ++c) {
                pushEdge(h.edgePairs, e.index, c);
            }
        }
    } else if (kind == kSelectPoints) {
        std::vector<char> selected(static_cast<std::size_t>(vertices), 0);
        for (const SubSelectionEntry& e : sel.entries) {
            if (e.index >= 0 && e.index < vertices && !selected[e.index]) {
                selected[e.index] = 1;
                h.points.push_back(static_cast<std::uint32_t>(e.index));
            }
        }
        if (!h.points.empty()) {
            for (std::int32_t p = 0; p < polygons; ++p) {
                for (std::int32_t k = start[p]; k < start[p + 1]; ++k) {
                    const std::int32_t b = cv[k + 1 < start[p + 1] ? k + 1 : start[p]];
                    if (selected[cv[k]] && selected[b]) {
                        h.edgePairs.push_back(static_cast<std::uint32_t>(cv[k]));
                        h.edgePairs.push_back(static_cast<std::uint32_t>(b));
                    }
                }
            }
        }
    } else if (kind == kSelectEdges) {
        for (const SubSelectionEntry& e : sel.entries) {
            if (e.index >= 0 && e.index < polygons) {
                pushEdge(h.seamPairs, e.index, e.corner);
            }
        }
    }
    return h;
}

bool drawsWires(const Shape& shape, int previewSetting) {
    if ((shape.displayFlags() & kBackdropFlag) != 0) {
        return false;
    }
    return shape.displayMode() == kWireframeMode ||
           (shape.displayFlags() & kWireOverlayFlag) != 0 ||
           (previewSetting & PreviewBits::Wires) != 0;
}

bool drawsPoints(const Shape& shape, int previewSetting) {
    if ((shape.displayFlags() & kBackdropFlag) != 0) {
        return false;
    }
    return shape.displayMode() == kWireframeMode || (previewSetting & PreviewBits::Points) != 0;
}

std::vector<Vector3> boundingBoxLines(const EditportFrame& frame) {
    std::vector<Vector3> lines;
    if (!frame.boundingBox) {
        return lines;
    }
    for (const auto& [shape, placement] : frame.items) {
        if (std::find(frame.selectedShapes.begin(), frame.selectedShapes.end(), shape.get()) ==
                frame.selectedShapes.end() ||
            shape->cornerCount() == 0) {
            continue;
        }
        const BoundingBox b = shape->GetBoundingBox();
        const Matrix4 m = placementMatrix(placement);
        Vector3 c[8];
        for (int i = 0; i < 8; ++i) {
            c[i] = transformByMatrix(m, {(i & 1) ? b.maxX : b.minX, (i & 2) ? b.maxY : b.minY,
                                         (i & 4) ? b.maxZ : b.minZ});
        }
        // Corners differing in one bit are joined by a box edge.
        for (int i = 0; i < 8; ++i) {
            for (int bit = 1; bit < 8; bit <<= 1) {
                if ((i & bit) == 0) {
                    lines.push_back(c[i]);
                    lines.push_back(c[i | bit]);
                }
            }
        }
    }
    return lines;
}

namespace {

// The square pixels of the screen that each of `count` items of a shape gets: the on-screen part
// of its bounding box's projection, shared among the items on it (as many as that part's share of
// the whole projection). 0 for no items.
double screenAreaPerItem(const BoundingBox& box, std::int32_t count, const ViewTransform& view) {
    if (count <= 0) {
        return 0.0;
    }
    double lx = 1e300, ly = 1e300, hx = -1e300, hy = -1e300;
    for (int i = 0; i < 8; ++i) {
        const ScreenPoint s =
            view.project({(i & 1) ? box.maxX : box.minX, (i & 2) ? box.maxY : box.minY,
                          (i & 4) ? box.maxZ : box.minZ});
        lx = std::min(lx, s.x);
        ly = std::min(ly, s.y);
        hx = std::max(hx, s.x);
        hy = std::max(hy, s.y);
    }
    // Only the part of the box on the screen counts.
    const double w = std::max(0.0, std::min(hx, double(view.width)) - std::max(lx, 0.0));
    const double h = std::max(0.0, std::min(hy, double(view.height)) - std::max(ly, 0.0));
    const double onScreen = std::max(w, 1.0) * std::max(h, 1.0);
    const double share = (hx - lx) * (hy - ly) > 0 ? onScreen / ((hx - lx) * (hy - ly)) : 1.0;
    return onScreen / std::max(1.0, count * std::min(share, 1.0));
}

} // namespace

bool pointsReadable(const BoundingBox& box, std::int32_t vertexCount, const ViewTransform& view) {
    return vertexCount > 0 && screenAreaPerItem(box, vertexCount, view) >= 36.0;
}

bool wiresReadable(const BoundingBox& box, std::int32_t edgeCount, const ViewTransform& view) {
    return edgeCount <= 0 || screenAreaPerItem(box, edgeCount, view) >= kReadableWireArea;
}

bool layoutWiresReadable(const BoundingBox& box, std::int32_t edgeCount,
                         const ViewTransform& view) {
    return edgeCount <= 0 || screenAreaPerItem(box, edgeCount, view) >= kReadableLayoutWireArea;
}

const std::vector<std::uint32_t>& flatViewWires(const ShapeWirePairs& wires, const BoundingBox& box,
                                                const ViewTransform& view) {
    const auto edges = static_cast<std::int32_t>(wires.all.size() / 2);
    return layoutWiresReadable(box, edges, view) ? wires.all : wires.outline;
}

ShapeWirePairs wirePairsOf(const Shape& shape) {
    const auto& start = shape.polygonStart();
    const auto& cv = shape.cornerVertex();
    // One sorted 8-byte key per polygon side: (lower << 31 | higher) << 1 | whether the side
    // runs downwards (indices are non-negative 31-bit numbers).
    std::vector<std::uint64_t> keys;
    keys.reserve(cv.size());
    for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
        const std::int32_t s = start[p], e = start[p + 1];
        for (std::int32_t k = s; k < e; ++k) {
            const auto a = static_cast<std::uint64_t>(static_cast<std::uint32_t>(cv[k]));
            const auto b =
                static_cast<std::uint64_t>(static_cast<std::uint32_t>(cv[k + 1 < e ? k + 1 : s]));
            if (a != b) {
                const std::uint64_t lo = std::min(a, b), hi = std::max(a, b);
                keys.push_back((((lo << 31) | hi) << 1) | (a > b ? 1u : 0u));
            }
        }
    }
    std::sort(keys.begin(), keys.end());
    ShapeWirePairs w;
    w.closed = !keys.empty();
    for (std::size_t i = 0; i < keys.size();) {
        const std::uint64_t edge = keys[i] >> 1;
        std::size_t j = i + 1;
        while (j < keys.size() && (keys[j] >> 1) == edge) {
            ++j;
        }
        // Two sides, one each way: the sorted direction bits are 0 then 1.
        if (j - i != 2 || (keys[i] & 1u) != 0 || (keys[i + 1] & 1u) != 1) {
            w.closed = false;
        }
        const auto lo = static_cast<std::uint32_t>(edge >> 31);
        const auto hi = static_cast<std::uint32_t>(edge & 0x7fffffffu);
        w.all.push_back(lo);
        w.all.push_back(hi);
        if (j - i == 1) {
            w.outline.push_back(lo);
            w.outline.push_back(hi);
        }
        i = j;
    }
    return w;
}

void paintFrameSoftware(SoftwareRaster& raster, const EditportFrame& frame) {
    SceneRenderStyle style;
    style.textures = (frame.previewSetting & PreviewBits::Textures) != 0;
    style.lighting = !frame.flat;
    style.wires = true;
    style.wiresOnAll = (frame.previewSetting & PreviewBits::Wires) != 0;
    style.wireColour = argbFromColor(frame.wireColour);
    // A 2D view of a layout denser than readable shows its outline for its wires: the scene is
    // then drawn without wires and every shape's wires (all or the outline) go over it.
    const auto wiresOf = [&](const Shape& shape) {
        return (shape.displayFlags() & kBackdropFlag) == 0 &&
               (shape.displayMode() == kWireframeMode ||
                (shape.displayFlags() & kWireOverlayFlag) != 0 || style.wiresOnAll);
    };
    std::vector<ShapeWirePairs> wirePairs(frame.items.size());
    bool outlines = false;
    if (frame.flat) {
        for (std::size_t item = 0; item < frame.items.size(); ++item) {
            const Shape& shape = *frame.items[item].first;
            const ViewTransform t = frame.view.withModel(placementMatrix(frame.items[item].second));
            // A shape has at most as many edges as corners: readable by that count, it is
            // readable, and its edges need not be listed here (the scene lists them again).
            if (!wiresOf(shape)) {
                continue;
            }
            const BoundingBox box = shape.GetBoundingBox();
            if (!layoutWiresReadable(box, shape.cornerCount(), t)) {
                wirePairs[item] = wirePairsOf(shape);
                const auto edges = static_cast<std::int32_t>(wirePairs[item].all.size() / 2);
                outlines = outlines || !layoutWiresReadable(box, edges, t);
            }
        }
    }
    style.wires = !outlines;
    renderScene(raster, frame.view, frame.items, style);
    if (outlines) {
        for (std::size_t item : drawOrder(frame.items, frame.view)) {
            const auto& [shape, placement] = frame.items[item];
            if (!wiresOf(*shape)) {
                continue;
            }
            const ViewTransform t = frame.view.withModel(placementMatrix(placement));
            if (wirePairs[item].all.empty()) { // readable by its corner count alone
                wirePairs[item] = wirePairsOf(*shape);
            }
            const std::vector<std::uint32_t>& pairs =
                flatViewWires(wirePairs[item], shape->GetBoundingBox(), t);
            const auto& vertices = shape->vertices();
            for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
                raster.drawLine(t.project(vertices[pairs[i]]), t.project(vertices[pairs[i + 1]]),
                                style.wireColour, 1, style.smoothWires, t.orthographic);
            }
        }
    }
    const std::uint32_t tint = argbFromColor(frame.selectedColour);
    Color4 opaque = frame.selectedColour;
    opaque.a = 1.0f;
    const std::uint32_t selected = argbFromColor(opaque);
    const std::uint32_t wire = argbFromColor(frame.wireColour) | 0xff000000u;
    std::vector<ScreenPoint> corners;
    for (std::size_t item = 0; item < frame.items.size(); ++item) {
        const auto& [shape, placement] = frame.items[item];
        const ViewTransform t = frame.view.withModel(placementMatrix(placement));
        const auto& vertices = shape->vertices();
        std::vector<ScreenPoint> projected(vertices.size());
        for (std::size_t v = 0; v < vertices.size(); ++v) {
            projected[v] = t.project(vertices[v]);
        }
        // The stretch colours go over the drawn faces, a little translucent so that the wires
        // under them still show.
        if (frame.stretchMode != StretchMode::Off && item < frame.stretchColours.size() &&
            frame.stretchColours[item]) {
            const std::vector<std::uint32_t>& colours = *frame.stretchColours[item];
            const auto& start = shape->polygonStart();
            for (std::size_t p = 0; p < colours.size() && p + 1 < start.size(); ++p) {
                corners.clear();
                for (std::int32_t k = start[p]; k < start[p + 1]; ++k) {
                    corners.push_back(projected[shape->cornerVertex()[k]]);
                }
                raster.fillPolygon(corners, {}, nullptr, colours[p], 1.0, kSoftwareStretchOpacity,
                                   t.orthographic);
            }
        }
        const ShapeHighlights h = highlightsOf(*shape, frame.device);
        for (std::int32_t p : h.polygons) {
            corners.clear();
            for (std::int32_t k = shape->polygonStart()[p]; k < shape->polygonStart()[p + 1]; ++k) {
                corners.push_back(projected[shape->cornerVertex()[k]]);
            }
            raster.fillPolygon(corners, {}, nullptr, tint | 0xff000000u, 1.0,
                               frame.selectedColour.a, t.orthographic);
        }
        if (drawsPoints(*shape, frame.previewSetting) &&
            pointsReadable(shape->GetBoundingBox(), shape->GetVertexCount(), t)) {
            for (const ScreenPoint& s : projected) {
                raster.drawPoint(s, kPointSize, wire);
            }
        }
        for (std::size_t i = 0; i + 1 < h.edgePairs.size(); i += 2) {
            raster.drawLine(projected[h.edgePairs[i]], projected[h.edgePairs[i + 1]], selected, 1,
                            false, t.orthographic);
        }
        for (std::size_t i = 0; i + 1 < h.seamPairs.size(); i += 2) {
            raster.drawLine(projected[h.seamPairs[i]], projected[h.seamPairs[i + 1]], selected,
                            kSeamWidth, false, t.orthographic);
        }
        for (std::uint32_t v : h.points) {
            raster.drawPoint(projected[v], kHandleSize, selected);
        }
    }
    const std::vector<Vector3> box = boundingBoxLines(frame);
    for (std::size_t i = 0; i + 1 < box.size(); i += 2) {
        raster.drawLine(frame.view.project(box[i]), frame.view.project(box[i + 1]), selected, 1,
                        false, frame.view.orthographic);
    }
    if (frame.rubberBand) {
        const ScreenPoint a{frame.bandX0, frame.bandY0, 0, true};
        const ScreenPoint b{frame.bandX1, frame.bandY0, 0, true};
        const ScreenPoint c{frame.bandX1, frame.bandY1, 0, true};
        const ScreenPoint d{frame.bandX0, frame.bandY1, 0, true};
        const ScreenPoint outline[] = {a, b, c, d, a};
        for (int i = 0; i < 4; ++i) {
            raster.drawLine(outline[i], outline[i + 1], 0xffffffffu, 1, false, true);
        }
    }
}

} // namespace brontle
