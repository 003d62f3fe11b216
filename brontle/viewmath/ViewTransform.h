#pragma once
// The camera of a view as plain numbers: a world-to-clip matrix and the pixel size of the view.
// Picking, rubber bands and drag maths take one of these, so they are tested without a widget.
//
// Screen coordinates are pixels of the view: x to the right, y downwards, (0, 0) the top-left
// corner of the top-left pixel, so the centre of pixel (i, j) is (i + 0.5, j + 0.5).
// Matrices are 4 x 4, column-major (element (row r, column c) at index c * 4 + r), acting on
// column vectors (x, y, z, 1); clip coordinates follow the OpenGL convention (x, y, z in
// [-1, 1] after division by w, y up).

#include "brontle/core/Records.h"
#include "brontle/model/Frame.h"

#include <array>

namespace brontle {

using Matrix4 = std::array<double, 16>;

Matrix4 identityMatrix();
// a * b (apply b first).
Matrix4 multiply(const Matrix4& a, const Matrix4& b);
// The inverse; the identity when `m` is singular (a degenerate camera never throws mid-paint).
Matrix4 invert(const Matrix4& m);

// The model-to-world matrix of a frame placement (rotation, then translation).
Matrix4 placementMatrix(const Placement& placement);
Vector3 transformByMatrix(const Matrix4& m, const Vector3& v);

// A position on the screen with its depth; `visible` is false for points behind the eye (or
// closer than the near plane).
struct ScreenPoint {
    double x = 0.0;
    double y = 0.0;
    // Distance in front of the eye along the viewing direction, in world units. Along a screen
    // line it is affine for an orthographic camera and its reciprocal is affine for a
    // perspective one (see interpolateDepth).
    double depth = 0.0;
    bool visible = false;
};

struct ViewTransform {
    Matrix4 worldToEye = identityMatrix(); // eye space: x right, y up, looking along -z
    Matrix4 eyeToClip = identityMatrix();
    int width = 1;  // pixels, at least 1
    int height = 1; // pixels, at least 1
    bool orthographic = true;

    Matrix4 worldToClip() const { return multiply(eyeToClip, worldToEye); }
    // The same camera seeing a shape placed by `model` (model to world).
    ViewTransform withModel(const Matrix4& model) const;
    ScreenPoint project(const Vector3& world) const;
    // The world point under a screen point at the given eye depth.
    Vector3 unproject(double screenX, double screenY, double depth) const;
    // World units per pixel at the given depth (vertical).
    double unitsPerPixel(double depth) const;
};

// Depth at fraction t of the way from a point at depth d0 to one at depth d1 on the screen.
double interpolateDepth(double d0, double d1, double t, bool orthographic);

// The transform of the 2D (projection type 1) view: an orthographic camera looking along +z
// whose screen shows the world rectangle centred on (centreX, centreY) with half-height
// `extent`, x to the right and y DOWNWARDS (world y = centreY - extent at the top edge). The
// half-width follows the aspect ratio. The eye sits at z = `cameraZ`; depth is z - cameraZ and
// everything from 1e6 behind to 1e6 in front of the eye is drawn (a flat view clips nothing).
ViewTransform flatViewTransform(double centreX, double centreY, double extent, int width,
                                int height, double cameraZ = -1000.0);

// The transform of the 3D view: a perspective camera at `eye` looking at `target`, +y up on the
// screen, `fovYDegrees` the full vertical field of view.
ViewTransform perspectiveViewTransform(const Vector3& eye, const Vector3& target,
                                       double fovYDegrees, int width, int height,
                                       double nearDistance, double farDistance);

} // namespace brontle
