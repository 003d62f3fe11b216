#include "brontle/model/Toolkit.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/Frame.h"

#include <cmath>

namespace brontle {

bool Toolkit::VectorsEqual(const Vector3& a, const Vector3& b) const {
    constexpr float tolerance = 0.0001f;
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
           std::fabs(a.z - b.z) <= tolerance;
}

float Toolkit::VectorLength(const Vector3& v) const {
    return static_cast<float>(std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z));
}

Vector3 Toolkit::NormalizeVector(const Vector3& v) const {
    return SetVectorLength(v, 1.0f);
}

Vector3 Toolkit::SetVectorLength(const Vector3& v, float length) const {
    const double current = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    if (!(current > 0.0)) {
        return v;
    }
    const double f = double(length) / current;
    return {float(v.x * f), float(v.y * f), float(v.z * f)};
}

Vector3 Toolkit::RotateVector(const Vector3& v, const Vector3& axis, float angle) const {
    const double length =
        std::sqrt(double(axis.x) * axis.x + double(axis.y) * axis.y + double(axis.z) * axis.z);
    if (!(length > 0.0)) {
        return v;
    }
    // Rodrigues' formula in double precision, with the angle negated: Rodrigues turns
    // counter-clockwise seen from the axis's tip, the host counter-clockwise seen looking along it.
    const double kx = axis.x / length, ky = axis.y / length, kz = axis.z / length;
    const double c = std::cos(double(angle)), s = -std::sin(double(angle));
    const double dot = kx * v.x + ky * v.y + kz * v.z;
    const double cx = ky * v.z - kz * v.y, cy = kz * v.x - kx * v.z, cz = kx * v.y - ky * v.x;
    return {float(v.x * c + cx * s + kx * dot * (1 - c)),
            float(v.y * c + cy * s + ky * dot * (1 - c)),
            float(v.z * c + cz * s + kz * dot * (1 - c))};
}

Vector3 Toolkit::PolygonNormal(std::span<const Vector3> points) const {
    double nx = 0, ny = 0, nz = 0;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vector3& a = points[i];
        const Vector3& b = points[(i + 1) % n];
        nx += (double(a.y) - b.y) * (double(a.z) + b.z);
        ny += (double(a.z) - b.z) * (double(a.x) + b.x);
        nz += (double(a.x) - b.x) * (double(a.y) + b.y);
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (!(length > 0.0) || !std::isfinite(length)) {
        return {};
    }
    return {float(nx / length), float(ny / length), float(nz / length)};
}

void Toolkit::PrepareFrame(const FramePtr& frame, float scale, std::int32_t flags) const {
    hostCall("Toolkit::PrepareFrame");
    if (!frame) {
        throw Error(ErrorNumber::ObjectNotSet, "PrepareFrame needs a frame", "Toolkit");
    }
    if (flags != 0) {
        throw Error(ErrorNumber::HostBadArgument, "PrepareFrame flags must be 0", "Toolkit");
    }
    frame->SetPlacement(nullptr, -1.0f, {}, {});
    frame->setDisplayScale(scale);
}

std::string Toolkit::GetImageFileKind() const {
    return "Images (*.bmp *.png *.jpg *.jpeg)|*.bmp;*.png;*.jpg;*.jpeg|Windows Bitmap "
           "(*.bmp)|*.bmp|All Files (*.*)|*.*";
}

} // namespace brontle
