#pragma once
// A small exact rasteriser into a brontle::Image, without OpenGL or Qt: the texture render of
// the viewport (which the headless command uses too) and the edit view's drawing where no OpenGL
// context can be made. The rules are fixed so that a test can compute the expected pixels from
// the geometry alone:
//  - Triangles cover the pixels whose centres (i + 0.5, j + 0.5) they contain; a centre exactly
//    on an edge belongs to the triangle only on a top or left edge, so triangles sharing an edge
//    never both cover a pixel.
//  - Texture coordinates are interpolated at the pixel centre (affinely for an orthographic
//    view, perspective-correct otherwise) and sampled at the nearest texel with repeat wrap:
//    column floor(frac(u) * width), row floor(frac(1 - v) * height), where image row 0 is v = 1.
//  - A 1-pixel line from a to b lights, when |bx - ax| >= |by - ay|, for every column i whose
//    centre i + 0.5 lies in [min(ax, bx), max(ax, bx)), the pixel (i, floor(y)) with y the
//    line's height at that centre; otherwise the same with rows and columns exchanged. The far
//    end is left open, so a closed outline lights each corner once.
//  - Colours are 0xAARRGGBB; a colour with alpha below 255 is blended over what is there:
//    out = src * a + dst * (1 - a), per channel, rounded to nearest; the result is opaque.

#include "brontle/core/Records.h"
#include "brontle/model/Image.h"
#include "brontle/viewmath/ViewTransform.h"

#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

namespace brontle {

std::uint32_t argbFromColor(const Color4& c);

// The walk of the 1-pixel line rule above along its major axis, shared by drawLine and the edit
// view's wire overlay so that both light the same pixels. (ma, na) and (mb, nb) are the end
// points as (major, minor) coordinates; for every major pixel i in [begin, end) whose centre
// i + 0.5 lies in [min(ma, mb), max(ma, mb)), step(i, minor, t) gets the line's minor coordinate
// at that centre and the fraction t of the way from a to b. Nothing is walked when ma == mb.
template <class Step>
inline void walkLine(double ma, double mb, double na, double nb, int begin, int end, Step&& step) {
    if (ma == mb || !(begin < end)) {
        return;
    }
    const double lo = ma < mb ? ma : mb, hi = ma < mb ? mb : ma;
    // The first centre at or after lo, clamped before the conversion (far-off lines are fine).
    const double first = std::ceil(lo - 0.5);
    int i = first <= begin ? begin : first >= end ? end : static_cast<int>(first);
    for (; i < end; ++i) {
        const double centre = i + 0.5;
        if (centre >= hi) {
            break;
        }
        if (centre < lo) {
            continue;
        }
        const double t = (centre - ma) / (mb - ma);
        step(i, na + (nb - na) * t, t);
    }
}
// Texel of `texture` for the texture coordinate (u, v) by the rule above; `texture` not empty.
std::uint32_t sampleNearest(const Image& texture, double u, double v);

class SoftwareRaster {
  public:
    // A `width` x `height` image filled with `background`; with `depthTest` a depth buffer keeps
    // the nearest surface (3D), without it later drawing covers earlier (painter's order).
    SoftwareRaster(int width, int height, std::uint32_t background, bool depthTest);

    Image& image() { return image_; }
    const Image& image() const { return image_; }

    // A convex polygon as a fan from corner 0. `uv` is empty (flat colour) or one coordinate per
    // corner. Each pixel gets the texel (when `texture` is given and `uv` is not empty) or
    // `colour`; `shade` (0..1) scales red, green and blue; `opacity` (0..1) blends it.
    void fillPolygon(std::span<const ScreenPoint> corners, std::span<const Vector2> uv,
                     const Image* texture, std::uint32_t colour, double shade, double opacity,
                     bool orthographic);
    // A line by the rule above, `thickness` pixels wide (extra pixels on alternate sides across
    // the line). With `smooth` each step shares its coverage between the two nearest pixels.
    // With a depth buffer the line hides behind nearer surfaces.
    void drawLine(const ScreenPoint& a, const ScreenPoint& b, std::uint32_t colour, int thickness,
                  bool smooth, bool orthographic);
    // A filled square of `size` pixels centred on the pixel under the point; never hidden.
    void drawPoint(const ScreenPoint& p, int size, std::uint32_t colour);

  private:
    void blend(int x, int y, std::uint32_t colour, double alpha);
    void fillTriangle(const ScreenPoint& a, const ScreenPoint& b, const ScreenPoint& c,
                      const Vector2* ua, const Vector2* ub, const Vector2* uc, const Image* texture,
                      std::uint32_t colour, double shade, double opacity, bool orthographic);

    Image image_;
    bool depthTest_;
    std::vector<double> depth_;
};

} // namespace brontle
