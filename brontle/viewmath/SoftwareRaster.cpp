#include "brontle/viewmath/SoftwareRaster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace brontle {

namespace {

std::uint32_t channel(double c) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(c, 0.0, 1.0) * 255.0));
}

double frac(double t) {
    return t - std::floor(t);
}

// A top edge is horizontal with the triangle below it; a left edge goes up (on the screen, y
// down) along the triangle's left side. With counter-clockwise-on-screen orientation removed by
// normalising the area's sign, an edge (a -> b) of a triangle of positive area in y-down
// coordinates is left when b.y < a.y and top when b.y == a.y and b.x > a.x.
bool topLeft(double ax, double ay, double bx, double by) {
    return (by < ay) || (by == ay && bx > ax);
}

} // namespace

std::uint32_t argbFromColor(const Color4& c) {
    return (channel(c.a) << 24) | (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

std::uint32_t sampleNearest(const Image& texture, double u, double v) {
    int col = static_cast<int>(std::floor(frac(u) * texture.width));
    int row = static_cast<int>(std::floor(frac(1.0 - v) * texture.height));
    // frac can round up to exactly 1 for tiny negative inputs.
    col = std::clamp(col, 0, texture.width - 1);
    row = std::clamp(row, 0, texture.height - 1);
    return texture.at(col, row);
}

SoftwareRaster::SoftwareRaster(int width, int height, std::uint32_t background, bool depthTest)
    : image_(std::max(width, 1), std::max(height, 1), background | 0xff000000u),
      depthTest_(depthTest) {
    if (depthTest_) {
        depth_.assign(image_.pixels.size(), std::numeric_limits<double>::infinity());
    }
}

void SoftwareRaster::blend(int x, int y, std::uint32_t colour, double alpha) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) {
        return;
    }
    std::uint32_t& dst = image_.at(x, y);
    if (alpha >= 1.0) {
        dst = colour | 0xff000000u;
        return;
    }
    if (alpha <= 0.0) {
        return;
    }
    auto mix = [&](int shift) {
        const double s = (colour >> shift) & 0xffu;
        const double d = (dst >> shift) & 0xffu;
        return static_cast<std::uint32_t>(std::lround(s * alpha + d * (1.0 - alpha))) << shift;
    };
    dst = 0xff000000u | mix(16) | mix(8) | mix(0);
}

void SoftwareRaster::fillPolygon(std::span<const ScreenPoint> corners, std::span<const Vector2> uv,
                                 const Image* texture, std::uint32_t colour, double shade,
                                 double opacity, bool orthographic) {
    if (corners.size() < 3) {
        return;
    }
    for (const ScreenPoint& p : corners) {
        if (!p.visible) {
            return; // a polygon reaching behind the eye is not drawn (no clipping here)
        }
    }
    const bool textured = texture != nullptr && !texture->empty() && uv.size() == corners.size();
    for (std::size_t i = 1; i + 1 < corners.size(); ++i) {
        fillTriangle(corners[0], corners[i], corners[i + 1], textured ? &uv[0] : nullptr,
                     textured ? &uv[i] : nullptr, textured ? &uv[i + 1] : nullptr,
                     textured ? texture : nullptr, colour, shade, opacity, orthographic);
    }
}

void SoftwareRaster::fillTriangle(const ScreenPoint& a0, const ScreenPoint& b0,
                                  const ScreenPoint& c0, const Vector2* ua0, const Vector2* ub0,
                                  const Vector2* uc0, const Image* texture, std::uint32_t colour,
                                  double shade, double opacity, bool orthographic) {
    // Orient so that the signed area in y-down screen coordinates is positive.
    ScreenPoint a = a0, b = b0, c = c0;
    const Vector2 *ua = ua0, *ub = ub0, *uc = uc0;
    double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (area == 0.0 || !std::isfinite(area)) {
        return;
    }
    if (area < 0.0) {
        std::swap(b, c);
        std::swap(ub, uc);
        area = -area;
    }
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
    const int x1 =
        std::min(image_.width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
    const int y1 =
        std::min(image_.height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
    // Edge function of (p -> q) at (x, y): positive on the inner side for positive area.
    auto edge = [](const ScreenPoint& p, const ScreenPoint& q, double x, double y) {
        return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x);
    };
    const bool tlA = topLeft(b.x, b.y, c.x, c.y); // edge opposite a
    const bool tlB = topLeft(c.x, c.y, a.x, a.y);
    const bool tlC = topLeft(a.x, a.y, b.x, b.y);
    auto inside = [](double w, bool isTopLeft) { return w > 0.0 || (w == 0.0 && isTopLeft); };
    const double invA = orthographic ? 1.0 : 1.0 / a.depth;
    const double invB = orthographic ? 1.0 : 1.0 / b.depth;
    const double invC = orthographic ? 1.0 : 1.0 / c.depth;
    const double sr = std::clamp(shade, 0.0, 1.0);
    for (int y = y0; y <= y1; ++y) {
        const double py = y + 0.5;
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5;
            const double wa = edge(b, c, px, py);
            const double wb = edge(c, a, px, py);
            const double wc = edge(a, b, px, py);
            if (!inside(wa, tlA) || !inside(wb, tlB) || !inside(wc, tlC)) {
                continue;
            }
            const double la = wa / area, lb = wb / area, lc = wc / area;
            // Perspective-correct weights: barycentrics over depth, renormalised.
            const double pa = la * invA, pb = lb * invB, pc = lc * invC;
            const double norm = pa + pb + pc;
            const double depth =
                orthographic ? la * a.depth + lb * b.depth + lc * c.depth : 1.0 / norm;
            std::size_t slot = static_cast<std::size_t>(y) * image_.width + x;
            if (depthTest_ && depth > depth_[slot]) {
                continue;
            }
            std::uint32_t texel = colour;
            double alpha = opacity;
            if (texture != nullptr) {
                const double u = (pa * ua->u + pb * ub->u + pc * uc->u) / norm;
                const double v = (pa * ua->v + pb * ub->v + pc * uc->v) / norm;
                texel = sampleNearest(*texture, u, v);
                alpha *= ((texel >> 24) & 0xffu) / 255.0;
            } else {
                alpha *= ((colour >> 24) & 0xffu) / 255.0;
            }
            if (sr < 1.0) {
                auto scaled = [&](int shift) {
                    return static_cast<std::uint32_t>(std::lround(((texel >> shift) & 0xffu) * sr))
                           << shift;
                };
                texel = scaled(16) | scaled(8) | scaled(0);
            }
            if (depthTest_ && alpha >= 1.0) {
                depth_[slot] = depth;
            }
            blend(x, y, texel & 0x00ffffffu, alpha);
        }
    }
}

void SoftwareRaster::drawLine(const ScreenPoint& a, const ScreenPoint& b, std::uint32_t colour,
                              int thickness, bool smooth, bool orthographic) {
    if (!a.visible || !b.visible) {
        return;
    }
    const double alpha = ((colour >> 24) & 0xffu) / 255.0;
    const std::uint32_t rgb = colour & 0x00ffffffu;
    const bool xMajor = std::abs(b.x - a.x) >= std::abs(b.y - a.y);
    // Walk along the major axis; (major, minor) are (x, y) or (y, x).
    const double ma = xMajor ? a.x : a.y, mb = xMajor ? b.x : b.y;
    const double na = xMajor ? a.y : a.x, nb = xMajor ? b.y : b.x;
    const int majorLimit = xMajor ? image_.width : image_.height;
    auto plot = [&](int major, int minor, double weight, double depth) {
        const int x = xMajor ? major : minor, y = xMajor ? minor : major;
        if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) {
            return;
        }
        if (depthTest_) {
            const double z = depth_[static_cast<std::size_t>(y) * image_.width + x];
            if (depth > z * (1.0 + 1e-3) + 1e-6) {
                return;
            }
        }
        blend(x, y, rgb, alpha * weight);
    };
    const int limit = std::max(image_.width, image_.height) + std::max(thickness, 1) + 2;
    walkLine(ma, mb, na, nb, 0, majorLimit, [&](int i, double minor, double t) {
        // Minor coordinates far off the image are skipped before the conversion to int.
        if (!(minor > -limit && minor < limit)) {
            return;
        }
        const double depth = interpolateDepth(a.depth, b.depth, t, orthographic);
        if (smooth) {
            const int j0 = static_cast<int>(std::floor(minor - 0.5));
            const double f = (minor - 0.5) - j0;
            plot(i, j0, 1.0 - f, depth);
            plot(i, j0 + 1, f, depth);
            return;
        }
        const int j = static_cast<int>(std::floor(minor));
        for (int w = 0; w < std::max(thickness, 1); ++w) {
            // 0, +1, -1, +2, -2 ... across the line.
            const int offset = (w + 1) / 2 * (w % 2 == 1 ? 1 : -1);
            plot(i, j + offset, 1.0, depth);
        }
    });
}

void SoftwareRaster::drawPoint(const ScreenPoint& p, int size, std::uint32_t colour) {
    if (!p.visible) {
        return;
    }
    const int cx = static_cast<int>(std::floor(p.x)), cy = static_cast<int>(std::floor(p.y));
    const int half = size / 2;
    const double alpha = ((colour >> 24) & 0xffu) / 255.0;
    for (int y = cy - half; y < cy - half + size; ++y) {
        for (int x = cx - half; x < cx - half + size; ++x) {
            blend(x, y, colour & 0x00ffffffu, alpha);
        }
    }
}

} // namespace brontle
