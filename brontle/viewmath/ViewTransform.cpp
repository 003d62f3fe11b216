#include "brontle/viewmath/ViewTransform.h"

#include <algorithm>
#include <cmath>

namespace brontle {

namespace {

double& at(Matrix4& m, int row, int col) {
    return m[col * 4 + row];
}
double at(const Matrix4& m, int row, int col) {
    return m[col * 4 + row];
}

struct Vec4 {
    double x, y, z, w;
};

Vec4 apply(const Matrix4& m, double x, double y, double z, double w) {
    return {at(m, 0, 0) * x + at(m, 0, 1) * y + at(m, 0, 2) * z + at(m, 0, 3) * w,
            at(m, 1, 0) * x + at(m, 1, 1) * y + at(m, 1, 2) * z + at(m, 1, 3) * w,
            at(m, 2, 0) * x + at(m, 2, 1) * y + at(m, 2, 2) * z + at(m, 2, 3) * w,
            at(m, 3, 0) * x + at(m, 3, 1) * y + at(m, 3, 2) * z + at(m, 3, 3) * w};
}

struct D3 {
    double x, y, z;
};
D3 sub(D3 a, D3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
D3 cross(D3 a, D3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(D3 a, D3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
D3 normalised(D3 a) {
    const double n = std::sqrt(dot(a, a));
    return n > 0 ? D3{a.x / n, a.y / n, a.z / n} : D3{0, 0, 0};
}

// Rows of the rotation are the eye axes; the eye sits at `eye`.
Matrix4 eyeMatrix(D3 right, D3 up, D3 back, D3 eye) {
    Matrix4 m = identityMatrix();
    const D3 axes[3] = {right, up, back};
    for (int r = 0; r < 3; ++r) {
        at(m, r, 0) = axes[r].x;
        at(m, r, 1) = axes[r].y;
        at(m, r, 2) = axes[r].z;
        at(m, r, 3) = -dot(axes[r], eye);
    }
    return m;
}

} // namespace

Matrix4 identityMatrix() {
    Matrix4 m{};
    m[0] = m[5] = m[10] = m[15] = 1.0;
    return m;
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r{};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k) {
                s += at(a, row, k) * at(b, k, col);
            }
            at(r, row, col) = s;
        }
    }
    return r;
}

Matrix4 invert(const Matrix4& m) {
    // Gauss-Jordan with partial pivoting on [m | I].
    double a[4][8];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = at(m, r, c);
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r) {
            if (std::abs(a[r][c]) > std::abs(a[pivot][c])) {
                pivot = r;
            }
        }
        if (std::abs(a[pivot][c]) < 1e-300) {
            return identityMatrix();
        }
        if (pivot != c) {
            for (int k = 0; k < 8; ++k) {
                std::swap(a[c][k], a[pivot][k]);
            }
        }
        const double inv = 1.0 / a[c][c];
        for (int k = 0; k < 8; ++k) {
            a[c][k] *= inv;
        }
        for (int r = 0; r < 4; ++r) {
            if (r != c && a[r][c] != 0.0) {
                const double f = a[r][c];
                for (int k = 0; k < 8; ++k) {
                    a[r][k] -= f * a[c][k];
                }
            }
        }
    }
    Matrix4 r{};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            at(r, row, col) = a[row][col + 4];
        }
    }
    return r;
}

Matrix4 placementMatrix(const Placement& p) {
    const Quaternion& q = p.orientation;
    const double x = q.x, y = q.y, z = q.z, w = q.w;
    Matrix4 m = identityMatrix();
    at(m, 0, 0) = 1 - 2 * (y * y + z * z);
    at(m, 0, 1) = 2 * (x * y - z * w);
    at(m, 0, 2) = 2 * (x * z + y * w);
    at(m, 1, 0) = 2 * (x * y + z * w);
    at(m, 1, 1) = 1 - 2 * (x * x + z * z);
    at(m, 1, 2) = 2 * (y * z - x * w);
    at(m, 2, 0) = 2 * (x * z - y * w);
    at(m, 2, 1) = 2 * (y * z + x * w);
    at(m, 2, 2) = 1 - 2 * (x * x + y * y);
    at(m, 0, 3) = p.position.x;
    at(m, 1, 3) = p.position.y;
    at(m, 2, 3) = p.position.z;
    return m;
}

Vector3 transformByMatrix(const Matrix4& m, const Vector3& v) {
    const Vec4 r = apply(m, v.x, v.y, v.z, 1.0);
    return {static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.z)};
}

ViewTransform ViewTransform::withModel(const Matrix4& model) const {
    ViewTransform t = *this;
    t.worldToEye = multiply(worldToEye, model);
    return t;
}

ScreenPoint ViewTransform::project(const Vector3& world) const {
    const Vec4 eye = apply(worldToEye, world.x, world.y, world.z, 1.0);
    const Vec4 clip = apply(eyeToClip, eye.x, eye.y, eye.z, eye.w);
    ScreenPoint s;
    s.depth = -eye.z;
    if (clip.w <= 1e-12) {
        return s;
    }
    const double nx = clip.x / clip.w;
    const double ny = clip.y / clip.w;
    const double nz = clip.z / clip.w;
    s.x = (nx + 1.0) * 0.5 * width;
    s.y = (1.0 - ny) * 0.5 * height;
    s.visible = nz >= -1.0 && std::isfinite(s.x) && std::isfinite(s.y);
    return s;
}

Vector3 ViewTransform::unproject(double screenX, double screenY, double depth) const {
    const double nx = screenX / width * 2.0 - 1.0;
    const double ny = 1.0 - screenY / height * 2.0;
    // Eye-space x and y at that depth: invert the projection's x and y scales.
    double ex, ey;
    if (orthographic) {
        ex = (nx - at(eyeToClip, 0, 3)) / at(eyeToClip, 0, 0);
        ey = (ny - at(eyeToClip, 1, 3)) / at(eyeToClip, 1, 1);
    } else {
        ex = nx * depth / at(eyeToClip, 0, 0);
        ey = ny * depth / at(eyeToClip, 1, 1);
    }
    const Vec4 w = apply(invert(worldToEye), ex, ey, -depth, 1.0);
    return {static_cast<float>(w.x), static_cast<float>(w.y), static_cast<float>(w.z)};
}

double ViewTransform::unitsPerPixel(double depth) const {
    const double scale = at(eyeToClip, 1, 1);
    if (orthographic) {
        return 2.0 / (scale * height);
    }
    return 2.0 * depth / (scale * height);
}

double interpolateDepth(double d0, double d1, double t, bool orthographic) {
    if (orthographic) {
        return d0 + (d1 - d0) * t;
    }
    // 1/depth is affine along a screen line under perspective.
    const double inv = (1.0 / d0) + ((1.0 / d1) - (1.0 / d0)) * t;
    return 1.0 / inv;
}

ViewTransform flatViewTransform(double centreX, double centreY, double extent, int width,
                                int height, double cameraZ) {
    ViewTransform t;
    t.width = std::max(1, width);
    t.height = std::max(1, height);
    t.orthographic = true;
    // Eye axes: right = +x, up = -y (the view's y grows downwards), back = -z (looking along +z).
    t.worldToEye = eyeMatrix({1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {centreX, centreY, cameraZ});
    const double halfH = extent;
    const double halfW = extent * t.width / t.height;
    const double nearD = -1.0e6, farD = 1.0e6;
    Matrix4 p = identityMatrix();
    at(p, 0, 0) = 1.0 / halfW;
    at(p, 1, 1) = 1.0 / halfH;
    at(p, 2, 2) = -2.0 / (farD - nearD);
    at(p, 2, 3) = -(farD + nearD) / (farD - nearD);
    t.eyeToClip = p;
    return t;
}

ViewTransform perspectiveViewTransform(const Vector3& eye, const Vector3& target,
                                       double fovYDegrees, int width, int height,
                                       double nearDistance, double farDistance) {
    ViewTransform t;
    t.width = std::max(1, width);
    t.height = std::max(1, height);
    t.orthographic = false;
    const D3 e{eye.x, eye.y, eye.z};
    const D3 c{target.x, target.y, target.z};
    D3 forward = normalised(sub(c, e));
    if (dot(forward, forward) == 0.0) {
        forward = {0, 0, -1};
    }
    D3 up{0, 1, 0};
    if (std::abs(dot(forward, up)) > 0.9999) {
        up = {0, 0, 1}; // looking straight up or down: any horizontal up will do
    }
    const D3 right = normalised(cross(forward, up));
    const D3 trueUp = cross(right, forward);
    const D3 back{-forward.x, -forward.y, -forward.z};
    t.worldToEye = eyeMatrix(right, trueUp, back, e);
    const double f = 1.0 / std::tan(fovYDegrees * 3.14159265358979323846 / 360.0);
    const double aspect = static_cast<double>(t.width) / t.height;
    Matrix4 p{};
    at(p, 0, 0) = f / aspect;
    at(p, 1, 1) = f;
    at(p, 2, 2) = (farDistance + nearDistance) / (nearDistance - farDistance);
    at(p, 2, 3) = 2.0 * farDistance * nearDistance / (nearDistance - farDistance);
    at(p, 3, 2) = -1.0;
    t.eyeToClip = p;
    return t;
}

} // namespace brontle
