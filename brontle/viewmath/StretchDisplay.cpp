#include "brontle/viewmath/StretchDisplay.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The square root of x >= 0, correctly rounded as std::sqrt's, without the library's path for a
// negative argument (which sets errno): that call, even when never taken, keeps the compiler from
// overlapping the roots of successive triangles in the loops below.
inline float rootOf(float x) {
#if defined(__SSE2__)
    return _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(x)));
#else
    return std::sqrt(x);
#endif
}

inline double rootOf(double x) {
#if defined(__SSE2__)
    return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x)));
#else
    return std::sqrt(x);
#endif
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
    // Single precision: a colour needs no more, and it is the costliest step per polygon.
    return std::clamp(std::log2(static_cast<float>(numerator / denominator)), -kStretchSaturated,
                      kStretchSaturated);
}

// Per channel, rounded to nearest (t in [0, 1], so every value is positive).
std::uint32_t mix(std::uint32_t a, std::uint32_t b, float t) {
    const auto channel = [&](int shift) {
        const float ca = static_cast<float>((a >> shift) & 0xffu);
        const float cb = static_cast<float>((b >> shift) & 0xffu);
        return static_cast<std::uint32_t>(ca + (cb - ca) * t + 0.5f) << shift;
    };
    return 0xff000000u | channel(16) | channel(8) | channel(0);
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

namespace {

// Whether every corner index lies in its pool and every polygon offset among the corners, so
// that the loops may index without checks.
bool indicesInRange(const StretchInput& in) {
    const auto inRange = [](std::span<const std::int32_t> indices, std::size_t size) {
        // A negative index is a huge unsigned one: one unsigned maximum tells both bounds. Four
        // running maxima keep the loop from waiting on one.
        std::uint32_t hi[4] = {0, 0, 0, 0};
        std::size_t i = 0;
        for (; i + 4 <= indices.size(); i += 4) {
            for (std::size_t j = 0; j < 4; ++j) {
                hi[j] = std::max(hi[j], static_cast<std::uint32_t>(indices[i + j]));
            }
        }
        for (; i < indices.size(); ++i) {
            hi[0] = std::max(hi[0], static_cast<std::uint32_t>(indices[i]));
        }
        hi[0] = std::max(std::max(hi[0], hi[1]), std::max(hi[2], hi[3]));
        return indices.empty() || static_cast<std::size_t>(hi[0]) < size;
    };
    const std::size_t corners = in.cornerVertex.size();
    return in.cornerTexCoord.size() == corners && inRange(in.cornerVertex, in.vertices.size()) &&
           inRange(in.cornerTexCoord, in.texcoords.size()) && inRange(in.polygonStart, corners + 1);
}

template <bool Checked> std::vector<float> distortion(const StretchInput& in, StretchMode mode) {
    const std::size_t polygons = in.polygonStart.empty() ? 0 : in.polygonStart.size() - 1;
    std::vector<float> out(polygons, 0.0f);
    if (mode == StretchMode::Off) {
        return out;
    }
    const auto position = [&](std::int32_t k) -> const Vector3& {
        if constexpr (Checked) {
            return at(in.vertices, in.cornerVertex, k);
        } else {
            return in
                .vertices[static_cast<std::size_t>(in.cornerVertex[static_cast<std::size_t>(k)])];
        }
    };
    const auto uv = [&](std::int32_t k) -> const Vector2& {
        if constexpr (Checked) {
            return at(in.texcoords, in.cornerTexCoord, k);
        } else {
            return in.texcoords[static_cast<std::size_t>(
                in.cornerTexCoord[static_cast<std::size_t>(k)])];
        }
    };
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
                    area += rootOf(dot(n, n));
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
    bool anyTexture = false;
    for (std::size_t p = 0; p < polygons; ++p) {
        const std::int32_t s = in.polygonStart[p], e = in.polygonStart[p + 1];
        if (e - s < 3) {
            continue;
        }
        const Vector3& p0 = position(s);
        const Vector2& t0 = uv(s);
        // Single precision: the colour needs a few digits, and it halves the cost of the roots.
        float weighted = 0.0f, weights = 0.0f;
        bool collapsed = false;
        for (std::int32_t k = s + 1; k + 1 < e; ++k) {
            // With the edge Gram matrices M (surface) and M' (texture) of the triangle, the
            // squared singular values of the map have the sum trace(M' M^-1) and the product
            // det M' / det M; their ratio r then satisfies r + 1 / r = kappa below.
            const Vector3& a = position(k);
            const Vector3& b = position(k + 1);
            const float ax = a.x - p0.x, ay = a.y - p0.y, az = a.z - p0.z;
            const float bx = b.x - p0.x, by = b.y - p0.y, bz = b.z - p0.z;
            const float nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
            const float twiceArea = rootOf(nx * nx + ny * ny + nz * nz);
            const float u1 = uv(k).u - t0.u, v1 = uv(k).v - t0.v;
            const float u2 = uv(k + 1).u - t0.u, v2 = uv(k + 1).v - t0.v;
            const float uvTwiceArea = std::abs(u1 * v2 - u2 * v1);
            const bool surface = twiceArea > 1e-30f, texture = uvTwiceArea > 1e-30f;
            if (!surface || !texture) {
                // Collapsed on one side only: as far from even as the scale goes.
                collapsed = collapsed || surface != texture;
                continue;
            }
            const float ee = ax * ax + ay * ay + az * az, ef = ax * bx + ay * by + az * bz,
                        eg = bx * bx + by * by + bz * bz;
            const float te = u1 * u1 + v1 * v1, tf = u1 * u2 + v1 * v2, tg = u2 * u2 + v2 * v2;
            const float kappa =
                std::max((te * eg - 2.0f * tf * ef + tg * ee) / (twiceArea * uvTwiceArea), 2.0f);
            const float ratio = 0.5f * (kappa + rootOf(kappa * kappa - 4.0f));
            weighted += ratio * twiceArea;
            weights += twiceArea;
        }
        // The mean ratio (at least 1) for now, or -1 for a polygon collapsed on one side only;
        // the logarithms come in a loop of their own below, so that this one calls nothing.
        if (weights > 0.0f) {
            out[p] = weighted / weights;
            anyTexture = true;
        } else if (collapsed) {
            out[p] = -1.0f;
        }
    }
    if (!anyTexture) {
        // No texture coordinates to speak of: nothing to compare against, as for the area.
        std::fill(out.begin(), out.end(), 0.0f);
        return out;
    }
    for (float& v : out) {
        v = v == 0.0f ? 0.0f : v < 0.0f ? kStretchSaturated : logRatio(v, 1.0);
    }
    return out;
}

} // namespace

namespace {

// distortionColour, in this file so that the loops over whole arrays inline it (a call to the
// library's exported function cannot be).
inline std::uint32_t colourOf(float value, StretchMode mode) {
    if (mode == StretchMode::Area) {
        const float t = std::clamp(value / static_cast<float>(kAreaLegendRange), -1.0f, 1.0f);
        return t < 0.0f ? mix(kStretchNeutral, kStretchShrunk, -t)
                        : mix(kStretchNeutral, kStretchEnlarged, t);
    }
    if (mode == StretchMode::Angle) {
        return mix(kStretchNeutral, kStretchEnlarged,
                   std::clamp(value / static_cast<float>(kAngleLegendRange), 0.0f, 1.0f));
    }
    return kStretchNeutral;
}

} // namespace

std::vector<float> polygonDistortion(const StretchInput& in, StretchMode mode) {
    return indicesInRange(in) ? distortion<false>(in, mode) : distortion<true>(in, mode);
}

std::uint32_t distortionColour(float value, StretchMode mode) {
    return colourOf(value, mode);
}

std::vector<std::uint32_t> distortionColours(std::span<const float> values, StretchMode mode) {
    std::vector<std::uint32_t> out(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        out[i] = colourOf(values[i], mode);
    }
    return out;
}

std::vector<std::uint32_t> layoutColours(std::span<const std::int32_t> tags,
                                         std::span<const float> values, StretchMode mode) {
    std::vector<std::uint32_t> out(tags.size(), kStretchNeutral);
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const std::int64_t k = std::abs(static_cast<std::int64_t>(tags[i])) - 1;
        if (k >= 0 && static_cast<std::size_t>(k) < values.size()) {
            out[i] = colourOf(values[static_cast<std::size_t>(k)], mode);
        }
    }
    return out;
}

} // namespace brontle
