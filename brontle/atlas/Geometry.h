#pragma once
// Small double-precision vectors for the atlas engine. The public records are single precision;
// every computation widens to double here so that areas of tiny polygons on large meshes keep
// their sign. Kept free of Eigen so that internal headers stay cheap to include in tests.

#include <cmath>

namespace brontle::atlas {

struct Vec2d {
    double x = 0.0;
    double y = 0.0;
};

struct Vec3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

inline Vec2d operator+(Vec2d a, Vec2d b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec2d operator-(Vec2d a, Vec2d b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec2d operator*(Vec2d a, double s) {
    return {a.x * s, a.y * s};
}
inline double dot(Vec2d a, Vec2d b) {
    return a.x * b.x + a.y * b.y;
}
// z component of the 3D cross product: twice the signed area of (0, a, b).
inline double cross(Vec2d a, Vec2d b) {
    return a.x * b.y - a.y * b.x;
}

// Whether segments p1p2 and q1q2 cross at a point inside both: touching, or meeting at an end,
// does not count.
inline bool crossProperly(Vec2d p1, Vec2d p2, Vec2d q1, Vec2d q2) {
    auto side = [](Vec2d p, Vec2d q, Vec2d r) {
        const double value = cross(q - p, r - p);
        return (value > 0.0) - (value < 0.0);
    };
    return side(p1, p2, q1) * side(p1, p2, q2) < 0 && side(q1, q2, p1) * side(q1, q2, p2) < 0;
}

inline Vec3d operator+(Vec3d a, Vec3d b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3d operator-(Vec3d a, Vec3d b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3d operator*(Vec3d a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline Vec3d& operator+=(Vec3d& a, Vec3d b) {
    a.x += b.x;
    a.y += b.y;
    a.z += b.z;
    return a;
}
inline double dot(Vec3d a, Vec3d b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3d cross(Vec3d a, Vec3d b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3d a) {
    return std::sqrt(dot(a, a));
}
inline double length(Vec2d a) {
    return std::sqrt(dot(a, a));
}

// The unit vector along `a`, or the zero vector when `a` has no usable direction.
inline Vec3d normalized(Vec3d a) {
    const double len = length(a);
    return len > 0.0 ? a * (1.0 / len) : Vec3d{};
}

// Two unit vectors spanning the plane orthogonal to the unit vector `n`, right-handed with it
// (e1 x e2 = n), so that counter-clockwise around n stays counter-clockwise in the plane.
inline void planeBasis(Vec3d n, Vec3d& e1, Vec3d& e2) {
    const Vec3d helper = std::abs(n.x) < 0.6 ? Vec3d{1, 0, 0} : Vec3d{0, 1, 0};
    e1 = normalized(cross(helper, n));
    e2 = cross(n, e1);
}

} // namespace brontle::atlas
