// The CPU wire overlay of the flat edit view: the pixels its lines light, computed here from the
// geometry by the rule of WireOverlay.h; that the OpenGL view shows it as GL lines would look;
// and that it is drawn again exactly when what it shows changes (a drag, a pan, a zoom, the
// selection, the wire colour) and not on a redraw of the same frame.
#include "OffscreenGL.h"
#include "ViewsFixtures.h"

#include "brontle/model/Frame.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/viewmath/MeshEdges.h"
#include "brontle/viewmath/WireOverlay.h"
#include "brontle/views/Editport.h"
#include "brontle/views/EditportRenderer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace brontle;
using namespace views_fixtures;

namespace {

constexpr int kSize = 32;
constexpr std::uint32_t kWire = 0xff102030u;     // colour words as the test passes them
constexpr std::uint32_t kSelected = 0xffe08010u; // (the overlay writes them as given)
const Color4 kWireColour{16 / 255.0f, 32 / 255.0f, 48 / 255.0f, 1.0f};
const Color4 kSelectedColour{224 / 255.0f, 128 / 255.0f, 16 / 255.0f, 1.0f};

// A fan of four triangles around vertex 4 and, below it, a quad whose sides lie on pixel edges.
// Positions are in pixels of a 32-pixel unitSquareView (model = pixel / 32, exact in floats).
ShapePtr smallLayout(const ShapePtr& shape = Shape::create()) {
    const std::vector<Vector3> pixels = {{2, 3, 0},      {20, 3.5f, 0}, {4.25f, 19.75f, 0},
                                         {21.5f, 18, 0}, {12, 11, 0},   {3, 21, 0},
                                         {9, 21, 0},     {9, 23, 0},    {3, 23, 0}};
    std::vector<Vector3> model;
    for (const Vector3& p : pixels) {
        model.push_back({p.x / kSize, p.y / kSize, 0.0f});
    }
    ShapePtr s = testing_shapes::shapeFrom(
        shape, model, {{0, 1, 4}, {1, 3, 4}, {3, 2, 4}, {2, 0, 4}, {5, 6, 7, 8}});
    // Faces and wires, no points: the wires are the only dark pixels.
    s->SetDisplayFlags(kWireOverlayFlag);
    s->SetDisplayMode(0);
    return s;
}

// The rule of WireOverlay.h written out pixel by pixel, independently of the overlay's walk.
void referenceLine(Image& image, double ax, double ay, double bx, double by, std::uint32_t colour,
                   double width) {
    auto snap = [](double v) { return std::nearbyint(v * 256.0) / 256.0; };
    ax = snap(ax), ay = snap(ay), bx = snap(bx), by = snap(by);
    const bool xMajor = std::abs(bx - ax) >= std::abs(by - ay);
    const double ma = xMajor ? ax : ay, mb = xMajor ? bx : by;
    const double na = xMajor ? ay : ax, nb = xMajor ? by : bx;
    if (ma == mb) {
        return;
    }
    const int majors = xMajor ? image.width : image.height;
    const int minors = xMajor ? image.height : image.width;
    auto put = [&](int major, int minor) {
        if (minor >= 0 && minor < minors) {
            (xMajor ? image.at(major, minor) : image.at(minor, major)) = colour;
        }
    };
    for (int i = 0; i < majors; ++i) {
        const double centre = i + 0.5;
        if (centre < std::min(ma, mb) || centre >= std::max(ma, mb)) {
            continue;
        }
        const double t = (centre - ma) / (mb - ma);
        const double minor = na + (nb - na) * t;
        if (width <= 1.0) {
            // Rows: floor(y); columns: ceil(x) - 1 (the left pixel on an exact pixel edge).
            put(i, xMajor ? static_cast<int>(std::floor(minor))
                          : static_cast<int>(std::ceil(minor)) - 1);
            continue;
        }
        const double slope = (nb - na) / (mb - ma);
        const double reach = width / 2.0 * std::sqrt(1.0 + slope * slope);
        for (int j = 0; j < minors; ++j) {
            if (j + 0.5 >= minor - reach && j + 0.5 < minor + reach) {
                put(i, j);
            }
        }
    }
}

// The expected overlay of `shape` in `view`: every wire, then the selected wires over them.
Image expectedOverlay(const Shape& shape, const ViewTransform& view,
                      const std::vector<std::uint32_t>& selectedPairs) {
    Image image(view.width, view.height, 0u);
    const std::vector<std::uint32_t> wires = wireIndexPairs(MeshEdges(meshArrays(shape)));
    auto lines = [&](const std::vector<std::uint32_t>& pairs, std::uint32_t colour, double w) {
        for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
            const ScreenPoint a = view.project(shape.vertices()[pairs[i]]);
            const ScreenPoint b = view.project(shape.vertices()[pairs[i + 1]]);
            referenceLine(image, a.x, a.y, b.x, b.y, colour, w);
        }
    };
    lines(wires, kWire, 1.0);
    lines(selectedPairs, kSelected, kHighlightWidth);
    return image;
}

Image drawOverlay(const Shape& shape, const ViewTransform& view,
                  const std::vector<std::uint32_t>& selectedPairs, int threads) {
    Image image(view.width, view.height, 0xdeadbeefu); // overwritten: the overlay clears first
    const std::vector<std::uint32_t> wires = wireIndexPairs(MeshEdges(meshArrays(shape)));
    WireOverlayInput input;
    input.vertices = shape.vertices();
    input.modelToClip = view.worldToClip();
    input.wires = wires;
    input.wireColour = kWire;
    input.selected = selectedPairs;
    input.selectedColour = kSelected;
    input.selectedWidth = kHighlightWidth;
    drawWireOverlay(image.pixels, image.width, image.height, input, threads);
    return image;
}

// The edges of the fan with both ends among vertices 1, 3 and 4.
const std::vector<std::uint32_t> kSelectedPairs = {1, 4, 1, 3, 3, 4};

int countDifferences(const Image& a, const Image& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        n += a.pixels[i] != b.pixels[i] ? 1 : 0;
    }
    return n;
}

// The framebuffer as 0xAARRGGBB words, rows from the top.
Image grab(const views_fixtures::OffscreenGL& gl) {
    const QImage q = gl.image().convertToFormat(QImage::Format_ARGB32);
    Image image(q.width(), q.height());
    for (int y = 0; y < q.height(); ++y) {
        for (int x = 0; x < q.width(); ++x) {
            image.at(x, y) = q.pixel(x, y);
        }
    }
    return image;
}

// Pixels where the framebuffer shows a wire colour but the overlay expects none, or the other
// way round; the faces and the background have other colours.
int wireMismatches(const Image& shown, const Image& expected) {
    int n = 0;
    for (std::size_t i = 0; i < shown.pixels.size(); ++i) {
        const std::uint32_t p = shown.pixels[i] | 0xff000000u;
        const std::uint32_t want = expected.pixels[i];
        const bool wirePixel = p == kWire || p == kSelected;
        n += (wirePixel ? p != want : want != 0u) ? 1 : 0;
    }
    return n;
}

struct FlatScene {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    FramePtr root = scene->CreateFrame(nullptr);
    ShapePtr layout = smallLayout(scene->CreateShape());
    EditportFrame frame;
    FlatScene() {
        root->AddShape(layout);
        frame.flat = true;
        frame.view = unitSquareView(kSize);
        frame.items = collectSceneItems(root);
        frame.device = 41;
        frame.wireColour = kWireColour;
        frame.selectedColour = kSelectedColour;
        frame.background = 0xffffffffu;
    }
};

} // namespace

TEST(WireOverlayTest, ASmallLayoutLightsThePixelsOfItsEdgesInTheirColours) {
    ShapePtr shape = smallLayout();
    const ViewTransform view = unitSquareView(kSize);
    const Image expected = expectedOverlay(*shape, view, kSelectedPairs);
    const Image drawn = drawOverlay(*shape, view, kSelectedPairs, 1);
    EXPECT_EQ(countDifferences(drawn, expected), 0);
    // A few pixels worked out by hand. The quad's top side (y = 21, x from 3 to 9) lights
    // columns 3 to 8 of row 21; its sides lie on the pixel edges x = 3 and x = 9 and light the
    // columns to their left, 2 and 8, in rows 21 and 22; nothing lies right of x = 9.
    for (int x = 3; x <= 8; ++x) {
        EXPECT_EQ(drawn.at(x, 21), kWire) << x;
        EXPECT_EQ(drawn.at(x, 23), kWire) << x;
    }
    for (int y : {21, 22}) {
        EXPECT_EQ(drawn.at(2, y), kWire) << y;
        EXPECT_EQ(drawn.at(8, y), kWire) << y;
        EXPECT_EQ(drawn.at(9, y), 0u) << y;
    }
    EXPECT_EQ(drawn.at(5, 22), 0u); // inside the quad
    // The unselected top side of the fan (2, 3) -> (20, 3.5) stays in row 3; the selected side
    // (20, 3.5) -> (21.5, 18) is 1.5 pixels wide: one or two columns in each of its rows.
    EXPECT_EQ(drawn.at(10, 3), kWire);
    int selectedInRow10 = 0; // right of x = 16, away from the selected side 4 -> 1
    for (int x = 16; x < kSize; ++x) {
        selectedInRow10 += drawn.at(x, 10) == kSelected ? 1 : 0;
    }
    EXPECT_GE(selectedInRow10, 1);
    EXPECT_LE(selectedInRow10, 2);
    // Selected wires are drawn over the unselected ones where they meet (at vertex 1).
    EXPECT_EQ(drawn.at(20, 3), kSelected);
    // Split among threads, the picture is the same.
    for (int threads : {2, 3, 8}) {
        EXPECT_EQ(countDifferences(drawOverlay(*shape, view, kSelectedPairs, threads), drawn), 0)
            << threads << " threads";
    }
}

TEST(WireOverlayTest, PairsOutsideTheShapeAndAnEmptyImageDrawNothing) {
    const std::vector<Vector3> vertices = {{0.1f, 0.1f, 0}, {0.9f, 0.1f, 0}};
    const std::vector<std::uint32_t> pairs = {0, 1, 0, 7, 9, 1};
    WireOverlayInput input;
    input.vertices = vertices;
    input.modelToClip = unitSquareView(kSize).worldToClip();
    input.wires = pairs;
    input.wireColour = kWire;
    Image image(kSize, kSize, 0u);
    const OverlayRect rect = drawWireOverlay(image.pixels, kSize, kSize, input, 2);
    int lit = 0;
    for (std::uint32_t p : image.pixels) {
        lit += p == kWire ? 1 : 0;
    }
    // The one good pair, x from 3.2 to 28.8 at y = 3.2: columns 3 to 28 of row 3.
    EXPECT_EQ(lit, 26);
    EXPECT_EQ(image.at(3, 3), kWire);
    EXPECT_EQ(image.at(28, 3), kWire);
    EXPECT_LE(rect.x0, 3);
    EXPECT_GE(rect.x1, 29);
    EXPECT_LE(rect.y0, 3);
    EXPECT_GE(rect.y1, 4);
    std::vector<std::uint32_t> none;
    EXPECT_TRUE(drawWireOverlay(none, 0, 0, input, 1).empty());
}

TEST(WireOverlayTest, TheViewShowsTheOverlayAsGLLinesWouldDrawIt) {
    if (!Editport::openGLAvailable()) {
        GTEST_SKIP() << "no OpenGL 3.3 context on this platform";
    }
    views_fixtures::OffscreenGL target;
    ASSERT_TRUE(target.start(kSize));
    FlatScene s;
    SubSelection points;
    for (int v : {1, 3, 4}) {
        points.add(v);
    }
    s.layout->SetSubSelection(s.frame.device, 2, points);
    Image pictures[2];
    for (int overlay = 0; overlay < 2; ++overlay) {
        EditportRenderer renderer;
        ASSERT_TRUE(renderer.initialize());
        renderer.setWireOverlayMinEdges(overlay ? 0 : INT_MAX);
        renderer.render(s.frame, kSize, kSize);
        EXPECT_EQ(renderer.drewWireOverlay(*s.layout), overlay == 1);
        EXPECT_EQ(renderer.wireOverlayDrawCount(), overlay ? 1u : 0u);
        pictures[overlay] = grab(target);
        renderer.release();
    }
    // Wires, selected wires, handles and faces: the two paths give the same picture.
    EXPECT_EQ(countDifferences(pictures[0], pictures[1]), 0);
    // Away from the handles (7 x 7 on vertices 1, 3 and 4) the wires are the computed pixels.
    Image expected = expectedOverlay(*s.layout, s.frame.view, kSelectedPairs);
    Image shown = pictures[1];
    for (int v : {1, 3, 4}) {
        const ScreenPoint p = s.frame.view.project(s.layout->vertices()[v]);
        for (int y = static_cast<int>(p.y) - 4; y <= static_cast<int>(p.y) + 4; ++y) {
            for (int x = static_cast<int>(p.x) - 4; x <= static_cast<int>(p.x) + 4; ++x) {
                if (x >= 0 && y >= 0 && x < kSize && y < kSize) {
                    expected.at(x, y) = shown.at(x, y) = 0u;
                }
            }
        }
    }
    EXPECT_EQ(wireMismatches(shown, expected), 0);
}

TEST(WireOverlayTest, TheOverlayIsRedrawnWhenPointsMoveAndWhenTheViewPansOrZooms) {
    if (!Editport::openGLAvailable()) {
        GTEST_SKIP() << "no OpenGL 3.3 context on this platform";
    }
    views_fixtures::OffscreenGL target;
    ASSERT_TRUE(target.start(kSize));
    FlatScene s;
    EditportRenderer renderer;
    ASSERT_TRUE(renderer.initialize());
    renderer.setWireOverlayMinEdges(0);
    auto shows = [&](const char* what) {
        SCOPED_TRACE(what);
        const Image expected = expectedOverlay(*s.layout, s.frame.view, {});
        EXPECT_EQ(wireMismatches(grab(target), expected), 0);
    };
    renderer.render(s.frame, kSize, kSize);
    EXPECT_EQ(renderer.wireOverlayDrawCount(), 1u);
    shows("first frame");
    // The same frame again, and a refresh with the same arrays: the overlay is reused.
    renderer.render(s.frame, kSize, kSize);
    ++s.frame.generation;
    renderer.render(s.frame, kSize, kSize);
    EXPECT_EQ(renderer.wireOverlayDrawCount(), 1u);
    shows("unchanged");

    // A drag moves the fan's centre 2.5 pixels right and 1.25 up; the view refreshes.
    std::vector<Vector3> moved = s.layout->GetVertices();
    moved[4].x += 2.5f / kSize;
    moved[4].y -= 1.25f / kSize;
    s.layout->SetVertices(moved);
    ++s.frame.generation;
    renderer.render(s.frame, kSize, kSize);
    EXPECT_EQ(renderer.wireOverlayDrawCount(), 2u);
    shows("after a drag");

    // A pan by 3 pixels, then a zoom by 2 about the view's centre.
    s.frame.view = flatViewTransform(0.5 - 3.0 / kSize, 0.5, 0.5, kSize, kSize);
    renderer.render(s.frame, kSize, kSize);
    EXPECT_EQ(renderer.wireOverlayDrawCount(), 3u);
    shows("after a pan");
    s.frame.view = flatViewTransform(0.5, 0.5, 0.25, kSize, kSize);
    renderer.render(s.frame, kSize, kSize);
    EXPECT_EQ(renderer.wireOverlayDrawCount(), 4u);
    shows("after a zoom");

    // Selecting points highlights the wires between them; a new wire colour redraws too.
    SubSelection points;
    for (int v : {1, 3, 4}) {
        points.add(v);
    }
    s.layout->SetSubSelection(s.frame.device, 2, points);
    renderer.render(s.frame, kSize, kSize);
    EXPECT_EQ(renderer.wireOverlayDrawCount(), 5u);
    s.frame.wireColour = {0, 0, 0, 1};
    renderer.render(s.frame, kSize, kSize);
    EXPECT_EQ(renderer.wireOverlayDrawCount(), 6u);
    renderer.render(s.frame, kSize, kSize);
    EXPECT_EQ(renderer.wireOverlayDrawCount(), 6u);
    renderer.release();
}
