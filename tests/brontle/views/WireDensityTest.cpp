// Wires over the faces of a 3D view are left out while they are denser than readable, and come
// back as the view zooms in; flat views and shapes drawn as wires alone keep theirs. Faces that
// small are lit once per vertex, which must look as the faces lit per pixel do.
#include "ViewsFixtures.h"

#include "brontle/model/Frame.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/viewmath/EditportFrame.h"
#include "brontle/viewmath/SceneRender.h"
#include "brontle/views/Editport.h"
#include "brontle/views/EditportRenderer.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <gtest/gtest.h>

using namespace brontle;
using views_fixtures::quadGrid;

namespace {

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
    QOpenGLContext context;
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    context.setFormat(format);
    ASSERT_TRUE(context.create());
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    ASSERT_TRUE(context.makeCurrent(&surface));
    QOpenGLFramebufferObject fbo(kSize, kSize, QOpenGLFramebufferObject::CombinedDepthStencil);
    fbo.bind();
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
        const QImage image = fbo.toImage();
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
    fbo.release();
    context.doneCurrent();
}
