// The two edit views as the editor shows them, in one dialog: a textured cube with highlighted
// seams in the 3D preview, and its UV layout over the texture in the 2D view. The grabs are
// saved as PNG files in the build folder for people to look at; the checks here make sure the
// highlights and wires are really in them. Also: buffers are uploaded once per shape change.
#include "OffscreenGL.h"
#include "ViewsFixtures.h"

#include "brontle/model/Frame.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/views/Editport.h"
#include "brontle/views/EditportRenderer.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QOpenGLFramebufferObject>
#include <QTest>
#include <gtest/gtest.h>

#include <iostream>
#include <set>

using namespace brontle;

namespace {

using views_fixtures::OffscreenGL;

// A colour grid like the continuity texture: 8 x 8 cells of distinct hues with dark lines.
Image colourGrid(int size) {
    Image image(size, size);
    const int cell = size / 8;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const int cx = x / cell, cy = y / cell;
            const bool line = x % cell == 0 || y % cell == 0;
            const QColor c = QColor::fromHsv((cx * 45 + cy * 17) % 360, 150 + 10 * cy, 230);
            image.at(x, y) = line ? 0xff303030u : (0xff000000u | (c.rgb() & 0xffffffu));
        }
    }
    return image;
}

// The six cube faces laid out as a cross in the 2D view: (column, row) cells of 0.24.
constexpr int kCells[6][2] = {{1, 1}, {3, 1}, {1, 2}, {1, 0}, {2, 1}, {0, 1}};

Vector3 cellCorner(int face, int corner) {
    const float s = 0.24f;
    const float x0 = 0.02f + kCells[face][0] * s, y0 = 0.14f + kCells[face][1] * s;
    const float dx[4] = {0, s, s, 0}, dy[4] = {s, s, 0, 0};
    return {x0 + dx[corner], y0 + dy[corner], 0.0f};
}

struct Scene {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    ShapePtr atlas, layout, backdrop;
    TexturePtr texture = std::make_shared<Texture>(colourGrid(256), "grid");
};

void buildCube(Scene& s) {
    // Faces in the order of kCells: front (-z), back (+z), bottom, top, right, left.
    ShapeArrays a;
    // The shared unit cube scaled to 8 units about the origin, as the editor normalises shapes.
    for (const auto& p : mesh_literals::kCubePositions) {
        a.vertices.push_back({8 * p[0] - 4, 8 * p[1] - 4, 8 * p[2] - 4});
    }
    const auto& faces = mesh_literals::kCubePolygons;
    a.normals = testing_shapes::positionsOf(mesh_literals::kCubeNormals);
    for (int f = 0; f < 6; ++f) {
        for (int c = 0; c < 4; ++c) {
            const Vector3 p = cellCorner(f, c);
            // A layout point (x, y) stands for the texture coordinate (x - 1, -y).
            a.texcoords.push_back({p.x - 1.0f, -p.y});
            a.cornerVertex.push_back(faces[f][c]);
            a.cornerNormal.push_back(f);
            a.cornerTexCoord.push_back(f * 4 + c);
        }
        a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
    }
    s.atlas = s.scene->CreateShape();
    s.atlas->assignArrays(std::move(a));
    MaterialPtr m = s.scene->CreateMaterial();
    m->SetTexture(s.texture);
    s.atlas->SetMaterial(m);
    s.atlas->SetDisplayFlags(8);

    ShapeArrays u;
    u.normals = {{0, 0, 1}};
    u.texcoords = {{0, 0}};
    for (int f = 0; f < 6; ++f) {
        for (int c = 0; c < 4; ++c) {
            u.vertices.push_back(cellCorner(f, c));
            u.cornerVertex.push_back(f * 4 + c);
            u.cornerNormal.push_back(0);
            u.cornerTexCoord.push_back(0);
        }
        u.polygonStart.push_back(static_cast<std::int32_t>(u.cornerVertex.size()));
        u.polygonTag.push_back(f + 1);
    }
    s.layout = s.scene->CreateShape();
    s.layout->assignArrays(std::move(u));
    MaterialPtr lm = s.scene->CreateMaterial();
    lm->SetColorB({0.8f, 0.8f, 0.8f, 0.7f});
    s.layout->SetMaterial(lm);
    s.layout->SetDisplayFlags(8);
    s.layout->SetDisplayMode(11);

    s.backdrop = views_fixtures::backdrop(s.scene, s.texture);
}

int countColour(const QImage& image, QRgb colour, int tolerance) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += std::abs(qRed(p) - qRed(colour)) <= tolerance &&
                         std::abs(qGreen(p) - qGreen(colour)) <= tolerance &&
                         std::abs(qBlue(p) - qBlue(colour)) <= tolerance
                     ? 1
                     : 0;
        }
    }
    return n;
}

std::string shotPath(const std::string& name, bool gl) {
    return std::string(PEELWISE_BIN_DIR) + "/../views_" + name + (gl ? "_gl" : "_software") +
           ".png";
}

} // namespace

TEST(ScreenshotTest, BothViewsShowSeamsLayoutAndTexture) {
    Scene s;
    buildCube(s);
    QDialog dialog;
    dialog.setObjectName("frmViewsShot");
    auto* layout = new QHBoxLayout(&dialog);
    auto* preview = new Editport(&dialog);
    preview->setObjectName("dfeObjectPreview");
    auto* coordinates = new Editport(&dialog);
    coordinates->setObjectName("dfeCoordinatesAdjustment");
    preview->setMinimumSize(420, 400);
    coordinates->setMinimumSize(400, 400);
    layout->addWidget(preview);
    layout->addWidget(coordinates);

    // As the editor sets them up.
    coordinates->setProjectionType(1);
    coordinates->setEditMode(1);
    coordinates->SetScene(s.scene, s.scene->CreateFrame(nullptr));
    preview->SetScene(s.scene, s.scene->CreateFrame(nullptr));
    coordinates->RootFrame()->AddShape(s.backdrop);
    FramePtr previewFrame = s.scene->CreateFrame(preview->RootFrame());
    FramePtr coordFrame = s.scene->CreateFrame(coordinates->RootFrame());
    preview->SetCameraPosition(5.0f, 5.0f, -15.0f);
    preview->SetTargetFrame(previewFrame, 0);
    previewFrame->AddShape(s.atlas);
    coordFrame->AddShape(s.layout);
    coordinates->SetCameraPosition(0.505f, 0.495f, -1000.0f);
    coordinates->setViewExtent(0.52f);
    preview->setPreviewSetting(24);
    MaterialPtr m = s.scene->GetDeviceMaterial(preview->DeviceID(), 6);
    m->SetColorB({1, 1, 1, 1});
    s.scene->SetDeviceMaterial(preview->DeviceID(), 6, m);
    m = s.scene->GetDeviceMaterial(coordinates->DeviceID(), 6);
    m->SetColorB({0, 0, 0, 1});
    s.scene->SetDeviceMaterial(coordinates->DeviceID(), 6, m);
    m = s.scene->GetDeviceMaterial(coordinates->DeviceID(), 5);
    Color4 selected = m->GetColorB();
    selected.a = 0.5f;
    m->SetColorB(selected);
    s.scene->SetDeviceMaterial(coordinates->DeviceID(), 5, m);

    // Seams: the four edges of the front face and of the top face. Selected points: the back
    // face's corners in the layout.
    SubSelection seams;
    for (int f : {0, 3}) {
        for (int c = 0; c < 4; ++c) {
            seams.add(f, c);
        }
    }
    s.atlas->SetSubSelection(preview->DeviceID(), 3, seams);
    SubSelection points;
    for (int v = 4; v < 8; ++v) {
        points.add(v);
    }
    s.layout->SetSubSelection(coordinates->DeviceID(), 2, points);
    preview->Refresh();
    coordinates->Refresh();

    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(50);
    const bool gl = preview->usesOpenGL();
    const QImage shot3d = preview->grabView();
    const QImage shot2d = coordinates->grabView();
    const QImage whole = dialog.grab().toImage();
    for (const auto& [name, image] :
         {std::pair{"preview", shot3d}, std::pair{"uv", shot2d}, std::pair{"dialog", whole}}) {
        const std::string path = shotPath(name, gl);
        ASSERT_TRUE(image.save(QString::fromStdString(path))) << path;
        std::cout << "screenshot: " << path << " (" << image.width() << " x " << image.height()
                  << ")" << std::endl;
    }
    // Seams in the selected colour (orange), unselected wires white, and the texture's hues.
    const QRgb orange = qRgb(255, 140, 26);
    EXPECT_GT(countColour(shot3d, orange, 6), 100);
    EXPECT_GT(countColour(shot3d, qRgb(255, 255, 255), 0), 50);
    std::set<QRgb> hues;
    for (int y = 0; y < shot3d.height(); y += 3) {
        for (int x = 0; x < shot3d.width(); x += 3) {
            hues.insert(shot3d.pixel(x, y));
        }
    }
    // Each face shows about 2 x 2 cells of the grid, lit differently per face.
    EXPECT_GT(hues.size(), 12u);
    // The layout: black wires, opaque orange handles, and the backdrop's grid lines.
    EXPECT_GT(countColour(shot2d, qRgb(0, 0, 0), 0), 300);
    EXPECT_GT(countColour(shot2d, orange, 6), 100);
    EXPECT_GT(countColour(shot2d, qRgb(0x30, 0x30, 0x30), 0), 300);
    // The dialog grab holds both views (their pixels, not an empty window).
    EXPECT_GT(countColour(whole, orange, 6), 200);
}

TEST(EditportRendererTest, BuffersAreUploadedOncePerShapeChange) {
    if (!Editport::openGLAvailable()) {
        GTEST_SKIP() << "no OpenGL 3.3 context on this platform";
    }
    OffscreenGL gl;
    ASSERT_TRUE(gl.start(64));
    Scene s;
    buildCube(s);
    EditportRenderer renderer;
    ASSERT_TRUE(renderer.initialize());
    EditportFrame frame;
    frame.flat = true;
    frame.view = flatViewTransform(0.5, 0.5, 0.5, 64, 64);
    FramePtr root = s.scene->CreateFrame(nullptr);
    root->AddShape(s.layout);
    frame.items = collectSceneItems(root);
    frame.device = 77;
    renderer.render(frame, 64, 64);
    const std::uint64_t first = renderer.uploadCount();
    EXPECT_GT(first, 0u);
    renderer.render(frame, 64, 64);
    EXPECT_EQ(renderer.uploadCount(), first); // nothing changed
    frame.generation += 1;                    // a refresh with the same arrays
    renderer.render(frame, 64, 64);
    EXPECT_EQ(renderer.uploadCount(), first);
    std::vector<Vector3> moved = s.layout->GetVertices();
    moved[0].x += 0.01f;
    s.layout->SetVertices(moved);
    frame.generation += 1;
    renderer.render(frame, 64, 64);
    EXPECT_EQ(renderer.uploadCount(), first + 1); // positions only: the layout has no faces
    SubSelection one;
    one.add(3);
    s.layout->SetSubSelection(77, 2, one);
    renderer.render(frame, 64, 64);
    EXPECT_EQ(renderer.uploadCount(), first + 2); // the highlights
    const QImage image = gl.image();
    EXPECT_GT(countColour(image, qRgb(89, 89, 89), 2), 20); // default grey wires
    renderer.release();
}
