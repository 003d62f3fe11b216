#pragma once
// The camera of a view as plain numbers: a world-to-clip matrix and the pixel size of the view.
// Picking, rubber bands and drag maths take one of these, so they are tested without a widget.
//
// Screen coordinates are pixels of the view: x to the right, y downwards, (0, 0) the top-left
// corner of the top-left pixel, so the centre of pixel (i, j) is (i + 0.5, j + 0.5).
// Matrices are 4 x 4, column-major (element (row r, column c) at index c * 4 + r), acting on
// column vectors (x, y, z, 1); clip coordinates follow the OpenGL convention (x, y, z in
// [-1, 1] after division by w, y up).

#include "brontle/model/Records.h"

#include <array>

namespace brontle {

using Matrix4 = std::array<double, 16>;

Matrix4 identityMatrix();
// a * b (apply b first).
Matrix4 multiply(const Matrix4& a, const Matrix4& b);
// The inverse; the identity when `m` is singular (a degenerate camera never throws mid-paint).
Matrix4 invert(const Matrix4& m);

// A position on the screen with its depth; `visible` is false for points behind the eye.
struct ScreenPoint {
    double x = 0.0;
    double y = 0.0;
    double depth = 0.0; // normalised device depth, -1 near .. 1 far
    bool visible = false;
};

struct ViewTransform {
    Matrix4 worldToClip = identityMatrix();
    int width = 1;  // pixels, at least 1
    int height = 1; // pixels, at least 1
    bool orthographic = true;

    ScreenPoint project(const Vector3& world) const;
    // The world point on the near plane (depth -1) or far plane (depth 1) under a screen point;
    // with an orthographic camera the two share x and y.
    Vector3 unproject(double screenX, double screenY, double depth) const;
};

// The transform of the 2D (projection type 1) view: an orthographic camera looking along +z
// whose screen shows the world rectangle centred on (centreX, centreY) with half-height
// `extent`, x to the right and y DOWNWARDS (world y = centreY - extent at the top edge). The
// half-width follows the aspect ratio. World z from `nearZ` to `farZ` is visible.
ViewTransform flatViewTransform(double centreX, double centreY, double extent, int width,
                                int height, double nearZ = -1.0e6, double farZ = 1.0e6);

// The transform of the 3D view: a perspective camera at `eye` looking at `target`, +y up on the
// screen, `fovYDegrees` the full vertical field of view.
ViewTransform perspectiveViewTransform(const Vector3& eye, const Vector3& target,
                                       double fovYDegrees, int width, int height,
                                       double nearDistance, double farDistance);

} // namespace brontle
