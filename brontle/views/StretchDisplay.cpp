#include "brontle/views/StretchDisplay.h"

#include <algorithm>
#include <cmath>

namespace brontle {

namespace {

struct D3 {
    double x, y, z;
};

D3 sub(const Vector3& a, const Vector3& b) {
    return {static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y,
            static_cast<double>(a.z) - b.z};
}
D3 cross(const D3& a, const D3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const D3& a, const D3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

template <class T>
const T& at(std::span<const T> pool, std::span<const std::int32_t> index, std::int32_t k) {
    static const T origin{};
    if (k < 0 || static_cast<std::size_t>(k) >= index.size()) {
        return origin;
    }
    const std::int32_t i = index[static_cast<std::size_t>(k)];
    return i >= 0 && static_cast<std::size_t>(i) < pool.size() ? pool[static_cast<std::size_t>(i)]
                                                               : origin;
}

// log2 of a ratio whose parts may vanish: both gone is even, one gone is the end of the scale.
float logRatio(double numerator, double denominator) {
    const double tiny = 1e-300;
    if (numerator <= tiny && denominator <= tiny) {
        return 0.0f;
    }
    if (denominator <= tiny) {
        return kStretchSaturated;
    }
    if (numerator <= tiny) {
        return -kStretchSaturated;
    }
    return static_cast<float>(std::clamp(std::log2(numerator / denominator),
                                         -static_cast<double>(kStretchSaturated),
                                         static_cast<double>(kStretchSaturated)));
}

std::uint32_t mix(std::uint32_t a, std::uint32_t b, double t) {
    std::uint32_t out = 0xff000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const double ca = (a >> shift) & 0xffu, cb = (b >> shift) & 0xffu;
        out |= static_cast<std::uint32_t>(std::lround(ca + (cb - ca) * t)) << shift;
    }
    return out;
}

} // namespace

StretchMode nextStretchMode(StretchMode mode) {
    switch (mode) {
    case StretchMode::Off:
        return StretchMode::Area;
    case StretchMode::Area:
        return StretchMode::Angle;
    case StretchMode::Angle:
        break;
    }
    return StretchMode::Off;
}

std::vector<float> polygonDistortion(const StretchInput& in, StretchMode mode) {
    const std::size_t polygons = in.polygonStart.empty() ? 0 : in.polygonStart.size() - 1;
    std::vector<float> out(polygons, 0.0f);
    if (mode == StretchMode::Off) {
        return out;
    }
    const auto position = [&](std::int32_t k) { return at(in.vertices, in.cornerVertex, k); };
    const auto uv = [&](std::int32_t k) { return at(in.texcoords, in.cornerTexCoord, k); };
    if (mode == StretchMode::Area) {
        // Surface and texture area per polygon first, then each against the totals.
        std::vector<double> surface(polygons), texture(polygons);
        double surfaceTotal = 0.0, textureTotal = 0.0;
        for (std::size_t p = 0; p < polygons; ++p) {
            const std::int32_t s = in.polygonStart[p], e = in.polygonStart[p + 1];
            double area = 0.0, signedUv = 0.0;
            if (e - s >= 3) {
                const Vector3& p0 = position(s);
                const Vector2& t0 = uv(s);
                for (std::int32_t k = s + 1; k + 1 < e; ++k) {
                    const D3 n = cross(sub(position(k), p0), sub(position(k + 1), p0));
                    area += std::sqrt(dot(n, n));
                    const Vector2& t1 = uv(k);
                    const Vector2& t2 = uv(k + 1);
                    signedUv +=
                        (static_cast<double>(t1.u) - t0.u) * (static_cast<double>(t2.v) - t0.v) -
                        (static_cast<double>(t2.u) - t0.u) * (static_cast<double>(t1.v) - t0.v);
                }
            }
            surface[p] = 0.5 * area;
            texture[p] = 0.5 * std::abs(signedUv);
            surfaceTotal += surface[p];
            textureTotal += texture[p];
        }
        if (surfaceTotal <= 0.0 || textureTotal <= 0.0) {
            // Nothing to compare against: every polygon counts as even.
            return out;
        }
        for (std::size_t p = 0; p < polygons; ++p) {
            out[p] = logRatio(texture[p] / textureTotal, surface[p] / surfaceTotal);
        }
        return out;
    }
    for (std::size_t p = 0; p < polygons; ++p) {
        const std::int32_t s = in.polygonStart[p], e = in.polygonStart[p + 1];
        if (e - s < 3) {
            continue;
        }
        const Vector3& p0 = position(s);
        const Vector2& t0 = uv(s);
        double weighted = 0.0, weights = 0.0;
        for (std::int32_t k = s + 1; k + 1 < e; ++k) {
            // The triangle in its own plane: corner 1 on the x axis, corner 2 above it.
            const D3 e1 = sub(position(k), p0), e2 = sub(position(k + 1), p0);
            const double l1 = std::sqrt(dot(e1, e1));
            const D3 n = cross(e1, e2);
            const double twiceArea = std::sqrt(dot(n, n));
            const double u1 = static_cast<double>(uv(k).u) - t0.u;
            const double v1 = static_cast<double>(uv(k).v) - t0.v;
            const double u2 = static_cast<double>(uv(k + 1).u) - t0.u;
            const double v2 = static_cast<double>(uv(k + 1).v) - t0.v;
            const double uvTwiceArea = std::abs(u1 * v2 - u2 * v1);
            if (twiceArea <= 1e-300 || l1 <= 1e-300) {
                if (uvTwiceArea > 1e-300) {
                    weighted += kStretchSaturated;
                    weights += 1.0;
                }
                continue;
            }
            const double ax = l1;
            const double bx = dot(e2, e1) / l1, by = twiceArea / l1;
            // J maps the plane's (x, y) to (u, v): J (ax, 0) = (u1, v1), J (bx, by) = (u2, v2).
            const double j00 = u1 / ax, j10 = v1 / ax;
            const double j01 = (u2 - j00 * bx) / by, j11 = (v2 - j10 * bx) / by;
            const double half = 0.5 * (j00 * j00 + j01 * j01 + j10 * j10 + j11 * j11);
            const double det = std::abs(j00 * j11 - j01 * j10);
            const double root = std::sqrt(std::max(half * half - det * det, 0.0));
            const double large = std::sqrt(half + root), small2 = std::max(half - root, 0.0);
            const double value = logRatio(large, std::sqrt(small2));
            weighted += value * twiceArea;
            weights += twiceArea;
        }
        out[p] = weights > 0.0 ? static_cast<float>(weighted / weights) : 0.0f;
    }
    return out;
}

std::uint32_t distortionColour(float value, StretchMode mode) {
    if (mode == StretchMode::Area) {
        const double t = std::clamp(value / kAreaLegendRange, -1.0, 1.0);
        return t < 0.0 ? mix(kStretchNeutral, kStretchShrunk, -t)
                       : mix(kStretchNeutral, kStretchEnlarged, t);
    }
    if (mode == StretchMode::Angle) {
        return mix(kStretchNeutral, kStretchEnlarged,
                   std::clamp(value / kAngleLegendRange, 0.0, 1.0));
    }
    return kStretchNeutral;
}

std::vector<std::uint32_t> distortionColours(std::span<const float> values, StretchMode mode) {
    std::vector<std::uint32_t> out(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        out[i] = distortionColour(values[i], mode);
    }
    return out;
}

std::vector<std::uint32_t> layoutColours(std::span<const std::int32_t> tags,
                                         std::span<const float> values, StretchMode mode) {
    std::vector<std::uint32_t> out(tags.size(), kStretchNeutral);
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const std::int64_t k = std::abs(static_cast<std::int64_t>(tags[i])) - 1;
        if (k >= 0 && static_cast<std::size_t>(k) < values.size()) {
            out[i] = distortionColour(values[static_cast<std::size_t>(k)], mode);
        }
    }
    return out;
}

} // namespace brontle
