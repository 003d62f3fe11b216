#pragma once
// What one frame of an edit view shows, as plain data shared by its two painters (OpenGL and the
// software fallback), and the selection highlights of a shape in a view.
//
// Highlights by selection kind of the shape in the view:
//  - 1 polygons: the polygons are tinted with the selected colour (its alpha as opacity) and
//    their edges drawn in the selected colour;
//  - 2 points: the points are drawn as handles, and edges with both ends selected in the
//    selected colour;
//  - 3 edges: the edges are drawn 3 pixels thick in the selected colour (seams).
// Handles and highlighted wires are opaque; only the tint uses the colour's alpha.

#include "brontle/core/Records.h"
#include "brontle/model/Display.h"
#include "brontle/model/Forward.h"
#include "brontle/viewmath/SceneRender.h"
#include "brontle/viewmath/SoftwareRaster.h"
#include "brontle/viewmath/StretchDisplay.h"
#include "brontle/viewmath/ViewTransform.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace brontle {

struct EditportFrame {
    SceneItems items;
    ViewTransform view;
    bool flat = false;
    DeviceID device = 0;
    Color4 wireColour{0.35f, 0.35f, 0.35f, 1.0f};
    Color4 selectedColour{1.0f, 0.55f, 0.1f, 1.0f};
    int previewSetting = PreviewBits::Textures | PreviewBits::Wires;
    bool boundingBox = false;
    // Shapes selected in the view (their bounding boxes are drawn when boundingBox is on).
    std::vector<const Shape*> selectedShapes;
    bool rubberBand = false;
    double bandX0 = 0, bandY0 = 0, bandX1 = 0, bandY1 = 0;
    std::uint32_t background = 0xff383b40u;
    // Bumped by every Refresh: caches keyed on it re-read the shapes.
    std::uint64_t generation = 0;
    // The stretch display: with a mode other than Off, every item with colours (one per
    // polygon, parallel to `items`; null for none, such as backdrops) is filled with them
    // instead of its material. A new colour array means new content.
    StretchMode stretchMode = StretchMode::Off;
    std::vector<std::shared_ptr<const std::vector<std::uint32_t>>> stretchColours;
    // The camera is moving (an orbit, pan or zoom in progress): a 3D view may then draw big
    // shapes by their reduced meshes (MeshReduction.h), and draws them whole again in the
    // first frame without it.
    bool cameraMoving = false;
};

// Opacity of the stretch colours in a flat view (the backdrop shows through a little); a 3D
// view draws them opaque and lit.
inline constexpr double kFlatStretchOpacity = 0.85;
// The software painter lays the colours over the faces and wires it has drawn.
inline constexpr double kSoftwareStretchOpacity = 0.7;

struct ShapeHighlights {
    std::vector<std::uint32_t> edgePairs; // vertex pairs drawn in the selected colour
    std::vector<std::uint32_t> seamPairs; // vertex pairs drawn thick (edge selection)
    std::vector<std::uint32_t> points;    // selected vertices (handles)
    std::vector<std::int32_t> polygons;   // tinted polygons
    bool empty() const {
        return edgePairs.empty() && seamPairs.empty() && points.empty() && polygons.empty();
    }
};

// The highlights of `shape` in view `device`; entries outside the shape are skipped.
ShapeHighlights highlightsOf(const Shape& shape, DeviceID device);

// Whether a shape's wires are drawn in this frame, and whether its points are.
bool drawsWires(const Shape& shape, int previewSetting);
bool drawsPoints(const Shape& shape, int previewSetting);

// Unselected points are drawn only while they are readable: when the shape's bounding box covers
// at least 36 square pixels per vertex on the screen (points about 6 pixels apart). A denser
// layout shows its wires alone until the user zooms in; selected points (handles) are always
// drawn. `box` is the shape's bounding box in model space, `view` includes its placement.
bool pointsReadable(const BoundingBox& box, std::int32_t vertexCount, const ViewTransform& view);

// Likewise the wires over the faces of a 3D view are drawn only while readable: when the box
// covers at least kReadableWireArea square pixels per unique edge (wires about 3 pixels apart on
// a closed quad mesh, whose back half is hidden). Denser wires would paint the surface over in
// the wire colour and cost the frame most of its time. Selected wires and seams are always drawn,
// and so are the wires of a shape drawn as wires alone and those of a flat view.
inline constexpr double kReadableWireArea = 4.0;
bool wiresReadable(const BoundingBox& box, std::int32_t edgeCount, const ViewTransform& view);

// The wires of a shape: each edge once as a vertex pair, lower vertex first, in the order of the
// (lower, higher) pairs; and its outline, the edges that only one polygon has (in a UV layout,
// the border of every chart), in the same order. `closed` tells whether every edge joins
// exactly two polygons running along it in opposite directions: the surface then closes around
// a volume, with its polygons all facing out or all facing in. Edges from a vertex to itself
// are left out.
struct ShapeWirePairs {
    std::vector<std::uint32_t> all;
    std::vector<std::uint32_t> outline;
    bool closed = false;
};
ShapeWirePairs wirePairsOf(const Shape& shape);

// The 2D view's counterpart of wiresReadable: a layout shows all its wires while its bounding
// box on the screen gives each edge at least kReadableLayoutWireArea square pixels (on a grid of
// quads, two edges a quad, wires 2 pixels apart: one pixel in two of a chart is then wire).
// A denser layout shows only its outline (ShapeWirePairs::outline), with its selected wires and
// points, until the user zooms in. Every wire of a flat view is in sight, so the bar is lower
// than the 3D view's, where the back half of a closed mesh is hidden.
inline constexpr double kReadableLayoutWireArea = 2.0;
bool layoutWiresReadable(const BoundingBox& box, std::int32_t edgeCount, const ViewTransform& view);
// The pairs a 2D view draws as the wires of a shape with the bounding box `box` in `view`
// (which includes its placement): all of them while readable, else the outline.
const std::vector<std::uint32_t>& flatViewWires(const ShapeWirePairs& wires, const BoundingBox& box,
                                                const ViewTransform& view);

// Point sizes in pixels.
inline constexpr int kPointSize = 3;
inline constexpr int kHandleSize = 7;
inline constexpr int kSeamWidth = 3;
// Width of the highlighted (selected) wires in the OpenGL view, in pixels; the software
// fallback draws them 1 pixel wide.
inline constexpr float kHighlightWidth = 1.5f;

// The 12 edges of the world-space bounding box of each selected shape, as line end points.
std::vector<Vector3> boundingBoxLines(const EditportFrame& frame);

// The whole frame with the software rasteriser (the fallback without OpenGL). Like the OpenGL
// view, a flat view shows a layout denser than readable by its outline (flatViewWires).
void paintFrameSoftware(SoftwareRaster& raster, const EditportFrame& frame);

} // namespace brontle
