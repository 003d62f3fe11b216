#pragma once
// The wires of a large layout in the flat (orthographic, projection type 1) edit view, drawn on
// the CPU into one overlay image that the OpenGL view then shows as a single blended quad.
//
// Why: a software OpenGL (Mesa's llvmpipe) sets up every line primitive on its own, and a
// 100,000-polygon layout has about 200,000 unique edges, each two or three pixels long on the
// screen: as GL lines they cost about 31 ms of CPU time a frame in the driver alone, while
// walking the same lines here costs a few milliseconds. See EditportRenderer.cpp for where the
// view switches between the two and the measured crossover.
//
// Pixels follow OpenGL's lines (as Mesa's llvmpipe draws them), through the walk of the 1-pixel
// line rule of SoftwareRaster.h (walkLine):
//  - end points are first snapped to 1/256 pixel, as a GL rasteriser snaps vertices;
//  - an x-major line (|dx| >= |dy|) lights, for every column whose centre lies in
//    [min x, max x), the pixel row floor(y) of the line's height y at that centre;
//  - a y-major line lights, for every row whose centre lies in [min y, max y), the column
//    ceil(x) - 1: as floor(x), except that on an exact pixel edge it takes the pixel to the
//    left (GL takes the lower pixel on both axes with y up; with y down that is floor for rows).
// Measured against GL lines on llvmpipe this gives the same pixels except at a free end of a
// wire, where GL's diamond-exit rule can add or drop the end pixel when the end point lies
// inside that pixel's diamond (2 of 640,000 pixels for the 100,000-polygon benchmark layout;
// inside a connected wireframe the next edge lights those pixels either way).
// Thick lines (width w > 1, the selected wires) light, at each such major pixel, every pixel
// across the line whose centre lies within w / 2 of the line measured perpendicular to it (the
// pixels a w-wide quad along the line covers, as the OpenGL view draws wide lines).
//
// The overlay is rows top to bottom (screen y down), one 32-bit word a pixel, 0 where no wire
// lies. Colour words are written as given: the caller picks the byte order its upload wants.

#include "brontle/core/Records.h"
#include "brontle/viewmath/ViewTransform.h"

#include <cstdint>
#include <span>
#include <vector>

namespace brontle {

struct WireOverlayInput {
    std::span<const Vector3> vertices;      // model space
    Matrix4 modelToClip = identityMatrix(); // projection * world-to-eye * placement
    std::span<const std::uint32_t> wires;   // vertex index pairs, drawn first
    std::uint32_t wireColour = 0;
    std::span<const std::uint32_t> selected; // vertex index pairs drawn over the wires
    std::uint32_t selectedColour = 0;
    double selectedWidth = 1.0;
    // Room for the projected vertices that the caller keeps between frames, so that a big
    // layout's array is not mapped and zeroed afresh by the system each time (null: a new one).
    std::vector<double>* scratch = nullptr;
};

// A rectangle of overlay pixels, [x0, x1) x [y0, y1); empty when x0 >= x1 or y0 >= y1.
struct OverlayRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
    friend bool operator==(const OverlayRect&, const OverlayRect&) = default;
};

// Clears `pixels` (width x height words) to 0 and draws the wires, then the selected wires.
// Pairs naming a vertex outside `vertices` and lines with an end behind the eye are skipped.
// With `threads` > 1 the rows are split into that many bands, one thread each; every pixel is
// written by one thread in the order of the pairs, so the picture does not depend on timing.
// Returns a rectangle, within the image, outside which no pixel was lit (the projected
// vertices' bounds widened by the widest line): the part worth uploading and showing.
OverlayRect drawWireOverlay(std::span<std::uint32_t> pixels, int width, int height,
                            const WireOverlayInput& input, int threads);

// The screen position (pixels, y down) of `v` under `modelToClip` for a width x height view,
// as ViewTransform::project gives it (before the snapping above); false when the point is
// behind the eye or not finite.
bool overlayScreenPoint(const Matrix4& modelToClip, int width, int height, const Vector3& v,
                        double& x, double& y);

} // namespace brontle
