#pragma once
// The camera of an edit view and its navigation, without Qt.
//
// 3D: the eye and the orbit centre are kept relative to an origin (the target frame's origin in
// world space, which the owner updates). SetPosition places the eye and aims it at the origin.
// The vertical field of view is fixed at 45 degrees; the extent is the half-height of the
// visible area at the orbit centre's distance, so setting it dollies the eye.
// 2D: the position's x, y is the centre of the view, the extent the half-extent of its shorter
// side in view units (half-height when wider than tall, half-width when taller), y pointing down on
// the screen (see flatViewTransform); z is kept and read back.

#include "brontle/core/Records.h"
#include "brontle/viewmath/ViewTransform.h"

namespace brontle {

class Camera {
  public:
    static constexpr double kFovYDegrees = 45.0;

    bool flat() const { return flat_; }
    void setFlat(bool flat) { flat_ = flat; }
    void setOrigin(const Vector3& origin) { origin_ = origin; }
    const Vector3& origin() const { return origin_; }

    // 3D: eye relative to the origin, looking at the origin. 2D: view centre (x, y) and z.
    void setPosition(const Vector3& position);
    Vector3 position() const { return eye_; }
    double extent() const;
    // `extent` must be positive and finite (the caller checks).
    void setExtent(double extent);

    ViewTransform transform(int width, int height) const;

    // 3D: turns the eye about the orbit centre: dx pixels about the world's vertical axis, dy
    // about the screen's horizontal axis, 0.5 degree per pixel, never over the poles.
    void orbit(double dxPixels, double dyPixels);
    // Moves the view so that the content follows the pointer by (dx, dy) pixels.
    void pan(double dxPixels, double dyPixels, int width, int height);
    // Zooms by `factor` (< 1 closer) keeping the point under (x, y) where it is.
    void zoomAbout(double x, double y, double factor, int width, int height);
    // Fits the box (world space) into the view: 3D keeps the viewing direction, 2D centres it
    // with a 4 % margin. An empty box (min > max) changes nothing.
    void frame(const BoundingBox& box, int width, int height);

  private:
    Vector3 eyeWorld() const;
    Vector3 pivotWorld() const;

    bool flat_ = false;
    Vector3 origin_;
    Vector3 eye_{0.0f, 0.0f, 10.0f}; // relative to the origin (3D); centre and z (2D)
    Vector3 pivot_;                  // orbit centre relative to the origin (3D)
    double extent2D_ = 1.0;
};

} // namespace brontle
