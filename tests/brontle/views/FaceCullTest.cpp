// The 3D view skips the back faces of closed surfaces seen from outside. Whatever it skips must
// never show: a box whose faces have distinct colours is seen from outside with either corner
// order, from inside, and with one face missing (an open box shows its inside through the gap).
#include "OffscreenGL.h"
#include "brontle/model/Frame.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/views/Editport.h"
#include "brontle/views/EditportRenderer.h"

#include <QOpenGLFramebufferObject>
#include <gtest/gtest.h>

#include <algorithm>

using namespace brontle;

namespace {

using views_fixtures::OffscreenGL;

constexpr int kSize = 64;

// A box of half-size 1 round the origin. Faces: +z red, -z green, the other four blue; corners
// anticlockwise seen from outside unless `inward`. `skipBack` leaves out the -z face.
ShapePtr colouredBox(SceneGraph& scene, bool inward, bool skipBack) {
    ShapeArrays a;
    a.vertices = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                  {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    a.normals = {{0, 0, 0}}; // none: each face is lit by its own slope
    a.texcoords = {{0, 0}};
    // +z, -z, -y, +y, +x, -x; each anticlockwise seen from outside.
    const std::int32_t faces[6][4] = {{4, 5, 6, 7}, {0, 3, 2, 1}, {0, 1, 5, 4},
                                      {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    const Color4 colours[3] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    for (const Color4& c : colours) {
        MaterialPtr m = scene.CreateMaterial();
        m->SetColorB(c);
        a.materials.push_back(m);
    }
    for (int f = 0; f < 6; ++f) {
        if (skipBack && f == 1) {
            continue;
        }
        for (int c = 0; c < 4; ++c) {
            a.cornerVertex.push_back(faces[f][inward ? 3 - c : c]);
            a.cornerNormal.push_back(0);
            a.cornerTexCoord.push_back(0);
        }
        a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
        a.polygonMaterial.push_back(std::min(f, 2));
    }
    ShapePtr shape = scene.CreateShape();
    shape->assignArrays(std::move(a));
    return shape;
}

// Which of the box's colours the centre pixel shows: 'r', 'g', 'b', or '-' for the background.
char centreColour(const QImage& image) {
    const QRgb p = image.pixel(kSize / 2, kSize / 2);
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    if (r > 100 && g < 40 && b < 40) {
        return 'r';
    }
    if (g > 100 && r < 40 && b < 40) {
        return 'g';
    }
    if (b > 100 && r < 40 && g < 40) {
        return 'b';
    }
    return '-';
}

} // namespace

TEST(FaceCullTest, ClosedSurfacesShowTheSameFacesAsWithoutCulling) {
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
        bool inward, skipBack;
        Vector3 eye, target;
        char expected;
    };
    const Case cases[] = {
        {"outside, facing out, from +z", false, false, {0, 0, 6}, {0, 0, 0}, 'r'},
        {"outside, facing out, from -z", false, false, {0, 0, -6}, {0, 0, 0}, 'g'},
        {"outside, facing in, from +z", true, false, {0, 0, 6}, {0, 0, 0}, 'r'},
        {"outside, facing in, from -z", true, false, {0, 0, -6}, {0, 0, 0}, 'g'},
        {"inside, looking at +z", false, false, {0, 0, 0}, {0, 0, 1}, 'r'},
        {"inside, facing in, looking at -z", true, false, {0, 0, 0}, {0, 0, -1}, 'g'},
        {"open at -z, seen through the gap", false, true, {0, 0, -6}, {0, 0, 0}, 'r'},
        {"near plane cutting the box", false, false, {0, 0, -1.05f}, {0, 0, 0}, 'r'},
    };
    for (const Case& c : cases) {
        FramePtr root = scene->CreateFrame(nullptr);
        root->AddShape(colouredBox(*scene, c.inward, c.skipBack));
        EditportFrame frame;
        frame.items = collectSceneItems(root);
        // The near plane lies 0.1 in front of the eye: in the last case the -z face is closer.
        frame.view = perspectiveViewTransform(c.eye, c.target, 40.0, kSize, kSize, 0.1, 100.0);
        frame.previewSetting = 0;
        renderer.render(frame, kSize, kSize);
        EXPECT_EQ(centreColour(gl.image()), c.expected) << c.what;
    }
    renderer.release();
}
