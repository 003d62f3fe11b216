// The 3D preview's level of detail: while the camera moves a big shape is drawn from its reduced
// mesh (built once per change of its arrays) and looks like the full one, textured; a still
// camera, a flat view and a small shape draw every triangle. The edit view marks the camera as
// moving during an orbit or a zoom and draws in full again when the button is released or the
// motion has paused.
#include "OffscreenGL.h"
#include "brontle/model/Frame.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/viewmath/MeshReduction.h"
#include "brontle/views/Editport.h"
#include "brontle/views/EditportRenderer.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace brontle;

namespace {

using views_fixtures::OffscreenGL;

// A wavy sheet over [-1, 1] x [-1, 1] of n x n quads (2 n^2 triangles) with texture
// coordinates from its grid and a texture of 4 x 4 red and blue squares.
ShapePtr texturedSheet(SceneGraph& scene, int n) {
    ShapeArrays a;
    a.normals = {{0, 0, 0}}; // none: lit by the faces' slopes
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            const float x = 2.0f * i / n - 1.0f, y = 2.0f * j / n - 1.0f;
            a.vertices.push_back({x, y, 0.1f * std::sin(5.0f * x) * std::cos(4.0f * y)});
            a.texcoords.push_back({static_cast<float>(i) / n, static_cast<float>(j) / n});
        }
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            for (int v : {j * (n + 1) + i, j * (n + 1) + i + 1, (j + 1) * (n + 1) + i + 1,
                          (j + 1) * (n + 1) + i}) {
                a.cornerVertex.push_back(v);
                a.cornerNormal.push_back(0);
                a.cornerTexCoord.push_back(v);
            }
            a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
            a.polygonMaterial.push_back(0);
        }
    }
    Image image(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            image.at(x, y) = ((x / 16 + y / 16) % 2) != 0 ? 0xffd02020u : 0xff2040d0u;
        }
    }
    MaterialPtr material = scene.CreateMaterial();
    material->SetMaterialOption(0, 0);
    material->SetTexture(std::make_shared<Texture>(std::move(image), "squares"));
    a.materials.push_back(material);
    ShapePtr shape = scene.CreateShape();
    shape->assignArrays(std::move(a));
    return shape;
}

// The share of pixels of `a` that some pixel of `b` within one pixel matches (each channel
// within 40): two pictures of the same object, one of them drawn from the reduced mesh.
double sameLook(const QImage& a, const QImage& b) {
    int same = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy) {
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    if (!b.valid(x + dx, y + dy)) {
                        continue;
                    }
                    const QRgb q = b.pixel(x + dx, y + dy);
                    found = std::abs(qRed(p) - qRed(q)) <= 40 &&
                            std::abs(qGreen(p) - qGreen(q)) <= 40 &&
                            std::abs(qBlue(p) - qBlue(q)) <= 40;
                }
            }
            same += found ? 1 : 0;
        }
    }
    return static_cast<double>(same) / (a.width() * a.height());
}

// Pixels that show the texture's red or blue (not the background).
int texturedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += (qRed(p) > 2 * qBlue(p) + 20 || qBlue(p) > 2 * qRed(p) + 20) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

TEST(ReducedPreviewTest, MovingFramesDrawTheReducedMeshBuiltOncePerChange) {
    if (!Editport::openGLAvailable()) {
        GTEST_SKIP() << "no OpenGL 3.3 context on this platform";
    }
    constexpr int kSize = 160;
    OffscreenGL gl;
    ASSERT_TRUE(gl.start(kSize));
    EditportRenderer renderer;
    ASSERT_TRUE(renderer.initialize());
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    FramePtr root = scene->CreateFrame(nullptr);
    const ShapePtr sheet = texturedSheet(*scene, 400); // 320,000 triangles
    root->AddShape(sheet);
    EditportFrame frame;
    frame.items = collectSceneItems(root);
    frame.previewSetting = PreviewBits::Textures;
    frame.generation = 1;
    const auto look = [&](float x) {
        frame.view =
            perspectiveViewTransform({x, -1.2f, 2.6f}, {0, 0, 0}, 45.0, kSize, kSize, 0.1, 100.0);
    };
    look(0.0f);
    renderer.render(frame, kSize, kSize);
    EXPECT_EQ(renderer.trianglesDrawn(), 320000);
    EXPECT_FALSE(renderer.drewReducedMesh(*sheet));
    const QImage still = gl.image();
    EXPECT_EQ(renderer.reducedMeshBuilds(), 0u); // nothing built until the camera moves

    frame.cameraMoving = true;
    renderer.render(frame, kSize, kSize);
    EXPECT_TRUE(renderer.drewReducedMesh(*sheet));
    EXPECT_GT(renderer.trianglesDrawn(), kReducedMeshTriangles / 2);
    EXPECT_LT(renderer.trianglesDrawn(), kReducedMeshTriangles * 3 / 2);
    const QImage moving = gl.image();
    // The same object, textured the same way.
    EXPECT_GT(texturedPixels(still), kSize * kSize / 4);
    EXPECT_NEAR(texturedPixels(moving), texturedPixels(still), kSize * kSize / 100);
    EXPECT_GT(sameLook(moving, still), 0.98);
    EXPECT_GT(sameLook(still, moving), 0.98);
    look(0.3f);
    renderer.render(frame, kSize, kSize);
    EXPECT_TRUE(renderer.drewReducedMesh(*sheet));
    EXPECT_EQ(renderer.reducedMeshBuilds(), 1u); // kept between moving frames

    // The motion over, every triangle again; a change of positions makes a new reduced mesh.
    frame.cameraMoving = false;
    renderer.render(frame, kSize, kSize);
    EXPECT_EQ(renderer.trianglesDrawn(), 320000);
    std::vector<Vector3> raised = sheet->GetVertices();
    for (Vector3& p : raised) {
        p.z += 0.2f;
    }
    sheet->SetVertices(raised);
    ++frame.generation;
    frame.cameraMoving = true;
    renderer.render(frame, kSize, kSize);
    EXPECT_TRUE(renderer.drewReducedMesh(*sheet));
    EXPECT_EQ(renderer.reducedMeshBuilds(), 2u);
    // A refresh that changed nothing keeps it.
    ++frame.generation;
    renderer.render(frame, kSize, kSize);
    EXPECT_EQ(renderer.reducedMeshBuilds(), 2u);

    // A flat view and a shape under the threshold draw every triangle even while moving.
    frame.flat = true;
    frame.view = flatViewTransform(0.0, 0.0, 1.1, kSize, kSize);
    renderer.render(frame, kSize, kSize);
    EXPECT_FALSE(renderer.drewReducedMesh(*sheet));
    EXPECT_EQ(renderer.trianglesDrawn(), 320000);
    frame.flat = false;
    FramePtr smallRoot = scene->CreateFrame(nullptr);
    const ShapePtr small = texturedSheet(*scene, 380); // 288,800 triangles
    smallRoot->AddShape(small);
    frame.items = collectSceneItems(smallRoot);
    look(0.0f);
    renderer.render(frame, kSize, kSize);
    EXPECT_FALSE(renderer.drewReducedMesh(*small));
    EXPECT_EQ(renderer.trianglesDrawn(), 288800);
    renderer.release();
}

TEST(ReducedPreviewTest, AnOrbitOrZoomDrawsReducedUntilTheMotionEnds) {
    if (!Editport::openGLAvailable()) {
        GTEST_SKIP() << "no OpenGL 3.3 context on this platform";
    }
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    FramePtr root = scene->CreateFrame(nullptr);
    root->AddShape(texturedSheet(*scene, 400));
    Editport view;
    view.resize(160, 160);
    view.SetScene(scene, root);
    view.SetCameraPosition(0.0f, -1.2f, 2.6f);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.grabView();
    EXPECT_FALSE(view.cameraMoving());
    EXPECT_EQ(view.trianglesDrawn(), 320000);

    // An orbit (Alt + left drag): reduced while the button is down, full once released.
    QTest::mousePress(&view, Qt::LeftButton, Qt::AltModifier, QPoint(20, 80));
    for (int x : {30, 40}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 80), view.mapToGlobal(QPointF(x, 80)),
                         Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
        QApplication::sendEvent(&view, &move);
        EXPECT_TRUE(view.cameraMoving());
        view.grabView();
        EXPECT_GT(view.trianglesDrawn(), 0);
        EXPECT_LT(view.trianglesDrawn(), 320000 / 2);
    }
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::AltModifier, QPoint(40, 80));
    EXPECT_FALSE(view.cameraMoving());
    view.grabView();
    EXPECT_EQ(view.trianglesDrawn(), 320000);

    // A zoom has no release: the view draws in full once the wheel has paused.
    QWheelEvent wheel(QPointF(80, 80), view.mapToGlobal(QPointF(80, 80)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_TRUE(view.cameraMoving());
    view.grabView();
    EXPECT_LT(view.trianglesDrawn(), 320000 / 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view.cameraMoving(); }, 10000));
    view.grabView();
    EXPECT_EQ(view.trianglesDrawn(), 320000);

    // A flat view draws in full throughout: its zoom sets nothing to settle.
    view.setProjectionType(1);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_FALSE(view.cameraMoving());
}
