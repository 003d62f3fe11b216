#include "brontle/viewmath/WireOverlay.h"

#include "brontle/viewmath/SoftwareRaster.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>

namespace brontle {

namespace {

constexpr double kSubPixels = 256.0;

// Runs work(k) for k in [0, count): k = 0 on the calling thread, the others on their own (or on
// the calling thread too when no thread can be started; the bands do not depend on each other).
template <class Work> void runBands(int count, Work&& work) {
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(std::max(count - 1, 0)));
    for (int k = 1; k < count; ++k) {
        try {
            helpers.emplace_back([&work, k] { work(k); });
        } catch (const std::system_error&) {
            work(k);
        }
    }
    work(0);
    for (std::thread& t : helpers) {
        t.join();
    }
}

// One band of rows [y0, y1) of the overlay.
struct Band {
    std::uint32_t* pixels;
    int width, height, y0, y1;
    const double* xy; // projected vertices, (x, y) pairs, NaN for hidden ones
    std::size_t vertexCount;

    // Threads that share rows light pixels of one colour; a relaxed store is a plain one here.
    void put(std::size_t at, std::uint32_t colour) const {
        std::atomic_ref<std::uint32_t>(pixels[at]).store(colour, std::memory_order_relaxed);
    }

    void lines(std::span<const std::uint32_t> pairs, std::uint32_t colour, double width_) const {
        const bool thick = width_ > 1.0;
        const double half = std::max(width_, 1.0) * 0.5;
        const double W = width;
        for (std::size_t e = 0; e + 1 < pairs.size(); e += 2) {
            const std::uint32_t a = pairs[e], b = pairs[e + 1];
            if (a >= vertexCount || b >= vertexCount) {
                continue;
            }
            const double ax = xy[2 * a], ay = xy[2 * a + 1];
            const double bx = xy[2 * b], by = xy[2 * b + 1];
            // Lines wholly above, below or beside the band light nothing in it (NaN, a hidden
            // end, fails every comparison and is skipped here too).
            const double margin = half * 1.5 + 1.0;
            if (!(std::max(ay, by) >= y0 - margin && std::min(ay, by) < y1 + margin &&
                  std::max(ax, bx) >= -margin && std::min(ax, bx) < W + margin)) {
                continue;
            }
            const bool xMajor = std::abs(bx - ax) >= std::abs(by - ay);
            if (!thick) {
                if (xMajor) {
                    walkLine(ax, bx, ay, by, 0, width, [&](int i, double y, double) {
                        // floor(y) lies in [y0, y1) exactly when y does (y0, y1 whole).
                        if (y >= y0 && y < y1) {
                            put(static_cast<std::size_t>(static_cast<int>(y)) * width + i, colour);
                        }
                    });
                } else {
                    walkLine(ay, by, ax, bx, y0, y1, [&](int j, double x, double) {
                        // ceil(x) - 1: on an exact pixel edge, the pixel to the left.
                        if (x > 0.0 && x <= W) {
                            const int i = static_cast<int>(std::ceil(x)) - 1;
                            put(static_cast<std::size_t>(j) * width + i, colour);
                        }
                    });
                }
                continue;
            }
            // A quad `width_` wide along the line covers, across each major pixel, the centres
            // within half / cos(angle) of the line's minor coordinate.
            const double dm = xMajor ? bx - ax : by - ay, dn = xMajor ? by - ay : bx - ax;
            const double reach = half * std::sqrt(1.0 + (dn / dm) * (dn / dm));
            auto across = [&](double minor, int lo, int hi, auto&& put) {
                const double first = std::ceil(minor - reach - 0.5);
                const double last = std::ceil(minor + reach - 0.5) - 1.0;
                const int from = first <= lo ? lo : static_cast<int>(std::min<double>(first, hi));
                const int to =
                    last >= hi - 1 ? hi - 1 : static_cast<int>(std::max<double>(last, lo - 1));
                for (int j = from; j <= to; ++j) {
                    put(j);
                }
            };
            if (xMajor) {
                walkLine(ax, bx, ay, by, 0, width, [&](int i, double y, double) {
                    across(y, y0, y1,
                           [&](int j) { put(static_cast<std::size_t>(j) * width + i, colour); });
                });
            } else {
                walkLine(ay, by, ax, bx, y0, y1, [&](int j, double x, double) {
                    across(x, 0, width,
                           [&](int i) { put(static_cast<std::size_t>(j) * width + i, colour); });
                });
            }
        }
    }
};

} // namespace

namespace {

// ViewTransform::project's arithmetic with the two matrices multiplied into one; inline, so the
// projection loop below does not call out per vertex.
inline bool screenPoint(const Matrix4& m, double width, double height, const Vector3& v, double& x,
                        double& y) {
    const double cx = m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12];
    const double cy = m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13];
    const double cz = m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14];
    const double cw = m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15];
    if (!(cw > 1e-12)) {
        return false;
    }
    if (cw == 1.0) { // orthographic: no division (x / 1 is x exactly)
        x = (cx + 1.0) * 0.5 * width;
        y = (1.0 - cy) * 0.5 * height;
        return cz >= -1.0 && std::isfinite(x) && std::isfinite(y);
    }
    x = (cx / cw + 1.0) * 0.5 * width;
    y = (1.0 - cy / cw) * 0.5 * height;
    return cz / cw >= -1.0 && std::isfinite(x) && std::isfinite(y);
}

} // namespace

bool overlayScreenPoint(const Matrix4& m, int width, int height, const Vector3& v, double& x,
                        double& y) {
    return screenPoint(m, width, height, v, x, y);
}

OverlayRect drawWireOverlay(std::span<std::uint32_t> pixels, int width, int height,
                            const WireOverlayInput& input, int threads) {
    if (width <= 0 || height <= 0 ||
        pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return {};
    }
    const std::size_t n = input.vertices.size();
    std::vector<double> own;
    std::vector<double>& xy = input.scratch != nullptr ? *input.scratch : own;
    xy.resize(2 * n); // every entry is written below
    const double hidden = std::numeric_limits<double>::quiet_NaN();
    const int bands = std::clamp(threads, 1, std::max(1, height / 16));
    struct Extent {
        double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    };
    std::vector<Extent> extents(static_cast<std::size_t>(bands));
    runBands(bands, [&](int k) {
        // Each band projects a share of the vertices first (joined below before any drawing).
        const std::size_t from = n * k / bands, to = n * (k + 1) / bands;
        const Matrix4 matrix = input.modelToClip;
        Extent e;
        for (std::size_t v = from; v < to; ++v) {
            double x = 0, y = 0;
            if (!screenPoint(matrix, width, height, input.vertices[v], x, y)) {
                x = y = hidden;
            } else {
                // OpenGL rasterisers snap vertices to a sub-pixel grid (llvmpipe: 1/256 pixel)
                // before they decide which pixels a line lights; so do the overlay's lines.
                x = std::nearbyint(x * kSubPixels) / kSubPixels;
                y = std::nearbyint(y * kSubPixels) / kSubPixels;
                e.x0 = std::min(e.x0, x);
                e.y0 = std::min(e.y0, y);
                e.x1 = std::max(e.x1, x);
                e.y1 = std::max(e.y1, y);
            }
            xy[2 * v] = x;
            xy[2 * v + 1] = y;
        }
        extents[static_cast<std::size_t>(k)] = e;
        const int y0 = height * k / bands, y1 = height * (k + 1) / bands;
        std::memset(pixels.data() + static_cast<std::size_t>(y0) * width, 0,
                    static_cast<std::size_t>(y1 - y0) * width * sizeof(std::uint32_t));
    });
    // The wires all have one colour, so the threads share them out and each walks its share
    // over the whole view (a band of rows would read every wire to find its own); the selected
    // wires, drawn over them, are few: each thread draws their part in its band of rows.
    const std::size_t wirePairs = input.wires.size() / 2;
    runBands(bands, [&](int k) {
        const std::size_t from = wirePairs * k / bands, to = wirePairs * (k + 1) / bands;
        const Band all{pixels.data(), width, height, 0, height, xy.data(), n};
        all.lines(input.wires.subspan(2 * from, 2 * (to - from)), input.wireColour, 1.0);
    });
    runBands(bands, [&](int k) {
        const Band band{pixels.data(), width, height, height * k / bands, height * (k + 1) / bands,
                        xy.data(),     n};
        band.lines(input.selected, input.selectedColour, input.selectedWidth);
    });
    Extent all;
    for (const Extent& e : extents) {
        all.x0 = std::min(all.x0, e.x0);
        all.y0 = std::min(all.y0, e.y0);
        all.x1 = std::max(all.x1, e.x1);
        all.y1 = std::max(all.y1, e.y1);
    }
    if (!(all.x0 <= all.x1)) {
        return {};
    }
    // A pixel lit by a line lies within a line's reach of the bounds of its end points.
    const double pad = std::ceil(std::max(input.selectedWidth, 1.0)) + 1.0;
    auto clampTo = [](double v, int limit) {
        return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(limit)));
    };
    return {clampTo(std::floor(all.x0 - pad), width), clampTo(std::floor(all.y0 - pad), height),
            clampTo(std::ceil(all.x1 + pad), width), clampTo(std::ceil(all.y1 + pad), height)};
}

} // namespace brontle
