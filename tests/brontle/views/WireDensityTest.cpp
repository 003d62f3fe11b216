// Wires over the faces of a 3D view are left out while they are denser than readable, and come
// back as the view zooms in; shapes drawn as wires alone keep theirs. Faces that small are lit
// once per vertex, which must look as the faces lit per pixel do. A 2D view keeps a dense
// layout's outline (its edges with one polygon) and its selected wires, and shows every wire
// again once they are readable.
#include "OffscreenGL.h"
#include "ViewsFixtures.h"

#include "brontle/model/Frame.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/viewmath/EditportFrame.h"
#include "brontle/viewmath/SceneRender.h"
#include "brontle/viewmath/SoftwareRaster.h"
#include "brontle/views/Editport.h"
#include "brontle/views/EditportRenderer.h"

#include <QOpenGLFramebufferObject>
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

using namespace brontle;
using views_fixtures::quadGrid;

namespace {

using views_fixtures::OffscreenGL;

constexpr int kSize = 64;

// A columns x columns grid of quads over [0, 1] x [0, 1] in the z = 0 plane, red.
ShapePtr redGrid(SceneGraph& scene, int columns) {
    ShapePtr shape = scene.CreateShape();
    quadGrid(columns, columns, 1.0f / static_cast<float>(columns), shape);
    MaterialPtr red = scene.CreateMaterial();
    red->SetColorB({1, 0, 0, 1});
    shape->SetMaterial(red);
    return shape;
}

// A layout as the editor shows it: wires alone, kColumns x kColumns quads over the unit square,
// in a frame of its own under `root`.
constexpr int kColumns = 100;
ShapePtr addDenseLayout(SceneGraph& scene, const FramePtr& root) {
    ShapePtr layout = quadGrid(kColumns, kColumns, 1.0f / kColumns, scene.CreateShape());
    layout->SetDisplayMode(kWireframeMode);
    root->AddShape(layout);
    return layout;
}

bool isWhite(QRgb p) {
    return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
}

int whitePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += isWhite(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return n;
}

} // namespace

TEST(WireDensityTest, WiresAndPointsAreReadableByTheirShareOfTheScreen) {
    // 100 x 100 quads over the unit square: 10,201 vertices and 20,200 edges.
    const BoundingBox box{0, 0, 0, 1, 1, 0};
    const auto view = [](double extent) { return flatViewTransform(0.5, 0.5, extent, 800, 800); };
    // The square on 800 x 800 pixels: 31.7 square pixels per edge, 62.7 per vertex.
    EXPECT_TRUE(wiresReadable(box, 20200, view(0.5)));
    EXPECT_TRUE(pointsReadable(box, 10201, view(0.5)));
    // Wires need 4 square pixels an edge: the square at least 284.3 pixels wide (extent 1.407).
    EXPECT_TRUE(wiresReadable(box, 20200, view(1.35)));
    EXPECT_FALSE(wiresReadable(box, 20200, view(1.45)));
    // Points need 36 a vertex: at least 606 pixels wide (extent 0.660).
    EXPECT_TRUE(pointsReadable(box, 10201, view(0.64)));
    EXPECT_FALSE(pointsReadable(box, 10201, view(0.68)));
    // Zoomed in on a corner, only the part on the screen counts: its few edges are readable.
    EXPECT_TRUE(wiresReadable(box, 20200, flatViewTransform(0.01, 0.01, 0.005, 800, 800)));
    // No wires hide nothing; no points show none.
    EXPECT_TRUE(wiresReadable(box, 0, view(100.0)));
    EXPECT_FALSE(pointsReadable(box, 0, view(0.5)));
}

TEST(WireDensityTest, DenseWiresOverFacesAreLeftOutOfA3DView) {
    if (!Editport::openGLAvailable()) {
        GTEST_SKIP() << "no OpenGL 3.3 context on this platform";
    }
    OffscreenGL gl;
    ASSERT_TRUE(gl.start(kSize));
    EditportRenderer renderer;
    ASSERT_TRUE(renderer.initialize());
    SceneGraphPtr scene = SceneGraph::create(nullptr);

    struct Case {
        const char* what;
        int columns;
        bool wiresOnly; // drawn as wires and points, without faces
        bool flat;
        bool wiresExpected;
    };
    const Case cases[] = {
        // 80,400 edges on about 46 x 46 pixels: far denser than readable.
        {"dense grid with faces, 3D", 200, false, false, false},
        {"coarse grid with faces, 3D", 5, false, false, true},
        {"dense grid as wires alone, 3D", 200, true, false, true},
        // A flat view keeps at least the outline of any layout.
        {"dense grid with faces, flat view", 200, false, true, true},
    };
    QRgb denseCentre = 0, coarseCentre = 0;
    for (const Case& c : cases) {
        FramePtr root = scene->CreateFrame(nullptr);
        ShapePtr grid = redGrid(*scene, c.columns);
        if (c.wiresOnly) {
            grid->SetDisplayMode(kWireframeMode);
        }
        root->AddShape(grid);
        EditportFrame frame;
        frame.items = collectSceneItems(root);
        frame.flat = c.flat;
        frame.view = c.flat ? flatViewTransform(0.5, 0.5, 0.7, kSize, kSize)
                            : perspectiveViewTransform({0.5f, 0.5f, 2.0f}, {0.5f, 0.5f, 0.0f}, 40.0,
                                                       kSize, kSize, 0.1, 100.0);
        frame.wireColour = {1, 1, 1, 1};
        frame.previewSetting = PreviewBits::Wires;
        renderer.render(frame, kSize, kSize);
        const QImage image = gl.image();
        // The centre lies inside a face of either grid, between the coarse grid's wires.
        if (!c.wiresOnly && !c.flat) {
            (c.columns > 5 ? denseCentre : coarseCentre) = image.pixel(kSize / 2, kSize / 2);
        }
        EXPECT_EQ(whitePixels(image) > 0, c.wiresExpected) << c.what;
        if (!c.wiresExpected) {
            // The faces show instead, lit red.
            const QRgb centre = image.pixel(kSize / 2, kSize / 2);
            EXPECT_GT(qRed(centre), 150) << c.what;
            EXPECT_LT(qGreen(centre), 60) << c.what;
        }
    }
    // Lit per vertex (dense) and per pixel (coarse): the same red where the surface faces the eye.
    EXPECT_NEAR(qRed(denseCentre), qRed(coarseCentre), 3);
    EXPECT_GT(qRed(coarseCentre), 150);
    renderer.release();
}

TEST(WireDensityTest, ADenseLayoutKeepsItsOutlineInA2DView) {
    // Two quads side by side share one edge; the other six are the outline, in pair order.
    const ShapeWirePairs strip = wirePairsOf(*testing_shapes::quadStrip(2));
    EXPECT_EQ(strip.all, (std::vector<std::uint32_t>{0, 1, 0, 2, 1, 3, 2, 3, 2, 4, 3, 5, 4, 5}));
    EXPECT_EQ(strip.outline, (std::vector<std::uint32_t>{0, 1, 0, 2, 1, 3, 2, 4, 3, 5, 4, 5}));
    EXPECT_FALSE(strip.closed);
    // A closed box has no outline.
    const ShapeWirePairs cube = wirePairsOf(*testing_shapes::flatShadedCube());
    EXPECT_EQ(cube.all.size(), 24u);
    EXPECT_TRUE(cube.outline.empty());
    EXPECT_TRUE(cube.closed);

    // 100 x 100 quads over the unit square: 20,200 edges, 400 of them on its border.
    const ShapePtr grid = quadGrid(kColumns, kColumns, 1.0f / kColumns);
    const ShapeWirePairs wires = wirePairsOf(*grid);
    ASSERT_EQ(wires.all.size(), 2u * 20200u);
    ASSERT_EQ(wires.outline.size(), 2u * 400u);
    for (std::size_t e = 0; e + 1 < wires.outline.size(); e += 2) {
        const int ai = static_cast<int>(wires.outline[e] % (kColumns + 1));
        const int aj = static_cast<int>(wires.outline[e] / (kColumns + 1));
        const int bi = static_cast<int>(wires.outline[e + 1] % (kColumns + 1));
        const int bj = static_cast<int>(wires.outline[e + 1] / (kColumns + 1));
        // Both ends on one side of the square, one step apart.
        const bool alongX = aj == bj && (aj == 0 || aj == kColumns) && std::abs(ai - bi) == 1;
        const bool alongY = ai == bi && (ai == 0 || ai == kColumns) && std::abs(aj - bj) == 1;
        EXPECT_TRUE(alongX || alongY) << "outline edge " << e / 2;
        if (e >= 2) {
            EXPECT_LT(std::pair(wires.outline[e - 2], wires.outline[e - 1]),
                      std::pair(wires.outline[e], wires.outline[e + 1]));
        }
    }

    // Readable at 2 square pixels an edge: the square at least 201 pixels wide on 800 x 800
    // (extent 1.990); a 3D view's bar (4 square pixels) would already hide them at 1.5.
    const BoundingBox box = grid->GetBoundingBox();
    const auto view = [](double extent) { return flatViewTransform(0.5, 0.5, extent, 800, 800); };
    EXPECT_TRUE(layoutWiresReadable(box, 20200, view(1.5)));
    EXPECT_FALSE(wiresReadable(box, 20200, view(1.5)));
    EXPECT_TRUE(layoutWiresReadable(box, 20200, view(1.95)));
    EXPECT_FALSE(layoutWiresReadable(box, 20200, view(2.05)));
    EXPECT_EQ(&flatViewWires(wires, box, view(1.95)), &wires.all);
    EXPECT_EQ(&flatViewWires(wires, box, view(2.05)), &wires.outline);
    // Zoomed in on a corner at the same density of the whole, the few wires there come back.
    EXPECT_EQ(&flatViewWires(wires, box, flatViewTransform(0.02, 0.02, 0.01, 800, 800)),
              &wires.all);
    // No edges: nothing to hide.
    EXPECT_TRUE(layoutWiresReadable(box, 0, view(100.0)));
}

TEST(WireDensityTest, TheLayoutViewDrawsTheOutlineOfADenseLayoutUntilZoomedIn) {
    if (!Editport::openGLAvailable()) {
        GTEST_SKIP() << "no OpenGL 3.3 context on this platform";
    }
    OffscreenGL gl;
    ASSERT_TRUE(gl.start(kSize));
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    FramePtr root = scene->CreateFrame(nullptr);
    ShapePtr layout = addDenseLayout(*scene, root);
    // A selected row of polygons: their wires are drawn over the layout in the selected colour
    // (the tint is fully transparent here), a line across the square.
    const DeviceID device = 7;
    const auto selectRow = [&](int row) {
        SubSelection polygons;
        for (int i = 0; i < kColumns; ++i) {
            polygons.add(row * kColumns + i);
        }
        layout->SetSubSelection(device, kSelectPolygons, polygons);
    };
    EditportFrame frame;
    frame.items = collectSceneItems(root);
    frame.flat = true;
    frame.device = device;
    frame.background = 0xff000000u;
    frame.wireColour = {1, 1, 1, 1};
    frame.selectedColour = {0, 0, 1, 0};
    frame.previewSetting = PreviewBits::Wires;
    // The square on about 58 x 58 of the 64 x 64 pixels: 0.17 square pixels an edge.
    frame.view = flatViewTransform(0.5, 0.5, 0.55, kSize, kSize);

    const auto blue = [](QRgb p) { return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60; };
    // Blue pixels inside the square within 3 pixels of the middle of polygon row `row`, and
    // elsewhere inside it.
    const auto bluePixels = [&](const QImage& image, int row, int& near, int& away) {
        const float v = (static_cast<float>(row) + 0.5f) / kColumns;
        const double rowY = frame.view.project({0.5f, v, 0.0f}).y;
        near = away = 0;
        for (int y = 8; y < kSize - 8; ++y) {
            for (int x = 8; x < kSize - 8; ++x) {
                if (blue(image.pixel(x, y))) {
                    ++(std::abs(y + 0.5 - rowY) <= 3.0 ? near : away);
                }
            }
        }
    };
    QImage lines, overlay;
    for (const std::int32_t overlayFrom : {1 << 30, 0}) { // GL lines, then the CPU overlay
        EditportRenderer renderer;
        ASSERT_TRUE(renderer.initialize());
        renderer.setWireOverlayMinEdges(overlayFrom);
        selectRow(50);
        renderer.render(frame, kSize, kSize);
        EXPECT_TRUE(renderer.drewOutlineOnly(*layout));
        EXPECT_EQ(renderer.drewWireOverlay(*layout), overlayFrom == 0);
        const QImage image = gl.image();
        // White only along the border of the square (about 4 x 58 pixels), none inside it.
        int inside = 0;
        for (int y = 8; y < kSize - 8; ++y) {
            for (int x = 8; x < kSize - 8; ++x) {
                inside += isWhite(image.pixel(x, y)) ? 1 : 0;
            }
        }
        EXPECT_EQ(inside, 0) << overlayFrom;
        EXPECT_GT(whitePixels(image), 200) << overlayFrom;
        EXPECT_LT(whitePixels(image), 260) << overlayFrom;
        EXPECT_TRUE(isWhite(image.pixel(kSize / 2, 3)) || isWhite(image.pixel(kSize / 2, 2)));
        // The selected row's wires cross the middle of the square, and nothing else is blue.
        int near = 0, away = 0;
        bluePixels(image, 50, near, away);
        EXPECT_GE(near, kSize - 16) << overlayFrom;
        EXPECT_EQ(away, 0) << overlayFrom;
        // Another row selected, the line moves with it.
        selectRow(20);
        renderer.render(frame, kSize, kSize);
        bluePixels(gl.image(), 20, near, away);
        EXPECT_GE(near, kSize - 16) << overlayFrom;
        EXPECT_EQ(away, 0) << overlayFrom;
        (overlayFrom == 0 ? overlay : lines) = image;

        // Zoomed in on a tenth of the square, 10 x 10 quads fill the view: every wire is back.
        EditportFrame zoomed = frame;
        zoomed.view = flatViewTransform(0.25, 0.25, 0.05, kSize, kSize);
        renderer.render(zoomed, kSize, kSize);
        EXPECT_FALSE(renderer.drewOutlineOnly(*layout));
        EXPECT_GT(whitePixels(gl.image()), 9 * kSize) << overlayFrom;
        renderer.release();
    }
    // The overlay lights the pixels the GL lines do (the outline has no free ends).
    int differences = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            differences += lines.pixel(x, y) != overlay.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_LE(differences, 4);
}

TEST(WireDensityTest, TheSoftwareFallbackDrawsTheOutlineOfADenseLayoutToo) {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    FramePtr root = scene->CreateFrame(nullptr);
    ShapePtr layout = addDenseLayout(*scene, root);
    EditportFrame frame;
    frame.items = collectSceneItems(root);
    frame.flat = true;
    frame.background = 0xff000000u;
    frame.wireColour = {1, 1, 1, 1};
    frame.previewSetting = PreviewBits::Wires;
    frame.view = flatViewTransform(0.5, 0.5, 0.55, kSize, kSize);
    const auto wirePixels = [](const Image& image, int from, int to) {
        int n = 0;
        for (int y = from; y < to; ++y) {
            for (int x = from; x < to; ++x) {
                n += image.at(x, y) == 0xffffffffu ? 1 : 0;
            }
        }
        return n;
    };
    SoftwareRaster dense(kSize, kSize, frame.background, false);
    paintFrameSoftware(dense, frame);
    // The border of the square (about 4 x 58 pixels) and nothing inside it.
    EXPECT_EQ(wirePixels(dense.image(), 8, kSize - 8), 0);
    EXPECT_GT(wirePixels(dense.image(), 0, kSize), 200);
    EXPECT_LT(wirePixels(dense.image(), 0, kSize), 260);
    // Zoomed in on a tenth of the square, the wires inside it are back.
    frame.view = flatViewTransform(0.25, 0.25, 0.05, kSize, kSize);
    SoftwareRaster zoomed(kSize, kSize, frame.background, false);
    paintFrameSoftware(zoomed, frame);
    EXPECT_GT(wirePixels(zoomed.image(), 8, kSize - 8), 8 * (kSize - 16));

    // Beside the dense layout, a coarse one (two quads 0.4 wide to the left of the square)
    // keeps its middle wire: the rule holds shape by shape.
    ShapePtr coarse = testing_shapes::shapeFrom(scene->CreateShape(),
                                                {{-0.9f, 0.2f, 0},
                                                 {-0.5f, 0.2f, 0},
                                                 {-0.1f, 0.2f, 0},
                                                 {-0.9f, 0.8f, 0},
                                                 {-0.5f, 0.8f, 0},
                                                 {-0.1f, 0.8f, 0}},
                                                {{0, 1, 4, 3}, {1, 2, 5, 4}});
    coarse->SetDisplayMode(kWireframeMode);
    root->AddShape(coarse);
    frame.items = collectSceneItems(root);
    frame.view = flatViewTransform(0.0, 0.5, 1.0, kSize, kSize);
    SoftwareRaster both(kSize, kSize, frame.background, false);
    paintFrameSoftware(both, frame);
    // The middle wire x = -0.5 lies on pixel column 16, rows 22 to 41; the dense square's
    // interior (0.1 .. 0.9 on both axes: columns 36 to 60, rows 20 to 44) stays clear.
    int middle = 0, inside = 0;
    for (int y = 0; y < kSize; ++y) {
        middle += both.image().at(16, y) == 0xffffffffu ? 1 : 0;
        for (int x = 36; x <= 60; ++x) {
            inside += y >= 20 && y <= 44 && both.image().at(x, y) == 0xffffffffu ? 1 : 0;
        }
    }
    EXPECT_GE(middle, 16);
    EXPECT_EQ(inside, 0);
}
