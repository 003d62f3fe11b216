#include "brontle/viewmath/Camera.h"

#include <algorithm>
#include <cmath>

namespace brontle {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct D3 {
    double x, y, z;
};
D3 of(const Vector3& v) {
    return {v.x, v.y, v.z};
}
Vector3 to(const D3& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}
D3 operator+(D3 a, D3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
D3 operator-(D3 a, D3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
D3 operator*(D3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
double dot(D3 a, D3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double length(D3 a) {
    return std::sqrt(dot(a, a));
}
D3 cross(D3 a, D3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double halfFovTan() {
    return std::tan(Camera::kFovYDegrees * kPi / 360.0);
}

// Rotates v about the unit axis by angle (Rodrigues).
D3 rotateAbout(D3 v, D3 axis, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return v * c + cross(axis, v) * s + axis * (dot(axis, v) * (1 - c));
}

} // namespace

void Camera::setPosition(const Vector3& position) {
    eye_ = position;
    pivot_ = {};
}

Vector3 Camera::eyeWorld() const {
    return to(of(origin_) + of(eye_));
}
Vector3 Camera::pivotWorld() const {
    return to(of(origin_) + of(pivot_));
}

double Camera::extent() const {
    if (flat_) {
        return extent2D_;
    }
    return length(of(eye_) - of(pivot_)) * halfFovTan();
}

void Camera::setExtent(double extent) {
    if (flat_) {
        extent2D_ = extent;
        return;
    }
    D3 dir = of(eye_) - of(pivot_);
    const double len = length(dir);
    dir = len > 0 ? dir * (1.0 / len) : D3{0, 0, 1};
    eye_ = to(of(pivot_) + dir * (extent / halfFovTan()));
}

ViewTransform Camera::transform(int width, int height) const {
    if (flat_) {
        // The extent is the half-extent of the shorter side, so a view taller than wide shows
        // as much across as a square one would.
        const double tall = static_cast<double>(std::max(height, 1)) / std::max(width, 1);
        return flatViewTransform(eye_.x, eye_.y, extent2D_ * std::max(1.0, tall), width, height,
                                 eye_.z);
    }
    const double distance = std::max(length(of(eye_) - of(pivot_)), 1e-6);
    return perspectiveViewTransform(eyeWorld(), pivotWorld(), kFovYDegrees, width, height,
                                    distance / 100.0, distance * 100.0);
}

void Camera::orbit(double dxPixels, double dyPixels) {
    if (flat_) {
        return;
    }
    const double step = 0.5 * kPi / 180.0;
    D3 offset = of(eye_) - of(pivot_);
    offset = rotateAbout(offset, {0, 1, 0}, -dxPixels * step);
    const double len = length(offset);
    if (len <= 0) {
        return;
    }
    // Pitch about the screen's horizontal axis, keeping at least ~1 degree from either pole so
    // that "up" stays defined.
    const double polar = std::acos(std::clamp(offset.y / len, -1.0, 1.0));
    const double limit = 1.0 * kPi / 180.0;
    const double wanted = std::clamp(polar - dyPixels * step, limit, kPi - limit);
    D3 right = cross({0, 1, 0}, offset);
    const double rl = length(right);
    if (rl > 1e-12) {
        right = right * (1.0 / rl);
        offset = rotateAbout(offset, right, polar - wanted);
    }
    eye_ = to(of(pivot_) + offset);
}

void Camera::pan(double dxPixels, double dyPixels, int width, int height) {
    const ViewTransform t = transform(width, height);
    if (flat_) {
        const double upp = t.unitsPerPixel(1.0);
        eye_.x = static_cast<float>(eye_.x - dxPixels * upp);
        eye_.y = static_cast<float>(eye_.y - dyPixels * upp); // screen down is view +y
        return;
    }
    const double distance = length(of(eye_) - of(pivot_));
    const Vector3 a = t.unproject(0.0, 0.0, distance);
    const Vector3 b = t.unproject(dxPixels, dyPixels, distance);
    const D3 shift = of(a) - of(b);
    eye_ = to(of(eye_) + shift);
    pivot_ = to(of(pivot_) + shift);
}

void Camera::zoomAbout(double x, double y, double factor, int width, int height) {
    const ViewTransform t = transform(width, height);
    if (flat_) {
        const Vector3 w = t.unproject(x, y, 1.0);
        extent2D_ *= factor;
        eye_.x = static_cast<float>(w.x + (eye_.x - w.x) * factor);
        eye_.y = static_cast<float>(w.y + (eye_.y - w.y) * factor);
        return;
    }
    const double distance = length(of(eye_) - of(pivot_));
    // Scaling eye and pivot about the world point under the pointer (at the pivot's depth)
    // leaves that point's projection where it was.
    const D3 p = of(t.unproject(x, y, distance)) - of(origin_);
    eye_ = to(p + (of(eye_) - p) * factor);
    pivot_ = to(p + (of(pivot_) - p) * factor);
}

void Camera::frame(const BoundingBox& box, int width, int height) {
    if (box.minX > box.maxX || box.minY > box.maxY || box.minZ > box.maxZ) {
        return;
    }
    const D3 centre{(box.minX + box.maxX) * 0.5, (box.minY + box.maxY) * 0.5,
                    (box.minZ + box.maxZ) * 0.5};
    const double aspect = static_cast<double>(std::max(width, 1)) / std::max(height, 1);
    if (flat_) {
        const double halfW = (box.maxX - box.minX) * 0.5;
        const double halfH = (box.maxY - box.minY) * 0.5;
        // The visible half-height is extent * max(1, 1 / aspect), the half-width
        // extent * max(aspect, 1) (see transform).
        const double extent =
            std::max(halfH / std::max(1.0, 1.0 / aspect), halfW / std::max(aspect, 1.0)) * 1.04;
        eye_.x = static_cast<float>(centre.x);
        eye_.y = static_cast<float>(centre.y);
        if (extent > 0) {
            extent2D_ = extent;
        }
        return;
    }
    const double radius = std::max(
        length(D3{box.maxX - box.minX, box.maxY - box.minY, box.maxZ - box.minZ}) * 0.5, 1e-3);
    D3 dir = of(eye_) - of(pivot_);
    const double len = length(dir);
    dir = len > 0 ? dir * (1.0 / len) : D3{0, 0, 1};
    // The sphere fits the narrower of the two fields of view.
    const double halfY = Camera::kFovYDegrees * kPi / 360.0;
    const double halfX = std::atan(std::tan(halfY) * aspect);
    const double distance = radius / std::sin(std::min(halfX, halfY)) * 1.05;
    pivot_ = to(centre - of(origin_));
    eye_ = to(of(pivot_) + dir * distance);
}

} // namespace brontle
