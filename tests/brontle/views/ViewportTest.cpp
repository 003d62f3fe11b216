// The off-screen texture render: a checker backdrop with a triangle layout compared pixel for
// pixel with a reference computed here from the geometry, sizes in twips, settings, and saving.
#include "brontle/views/Viewport.h"
#include "ViewsFixtures.h"
#include "brontle/core/Error.h"
#include "brontle/model/Frame.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/services/ScriptedPlatform.h"

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

using namespace brontle;

namespace {

// 4 x 4 texels: a checker in brightness, and every texel a colour of its own (column in red,
// row in green), so that a flipped or shifted texture cannot pass.
Image checkerTexture() {
    Image image(4, 4);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const std::uint32_t base = (c + r) % 2 == 0 ? 0x30u : 0xc0u;
            image.at(c, r) =
                0xff000000u | ((base + 16u * c) << 16) | ((base + 16u * r) << 8) | base;
        }
    }
    return image;
}

ShapePtr triangleLayout(const SceneGraphPtr& scene, const std::vector<Vector3>& corners) {
    ShapePtr shape = scene->CreateShape();
    Polygon polygon = shape->AddPolygon();
    for (const Vector3& p : corners) {
        polygon.AddCorner(p, {0, 0, 1}, {});
    }
    shape->SetDisplayFlags(8);
    shape->SetDisplayMode(11);
    return shape;
}

// The documented line rule, written out again: along the major axis, every pixel centre in
// [low, high) lights the pixel containing the line there.
void referenceLine(Image& image, double ax, double ay, double bx, double by, std::uint32_t colour) {
    const bool xMajor = std::abs(bx - ax) >= std::abs(by - ay);
    const int limit = xMajor ? image.width : image.height;
    for (int i = 0; i < limit; ++i) {
        const double c = i + 0.5;
        const double a0 = xMajor ? ax : ay, a1 = xMajor ? bx : by;
        const double b0 = xMajor ? ay : ax, b1 = xMajor ? by : bx;
        if (c < std::min(a0, a1) || c >= std::max(a0, a1)) {
            continue;
        }
        const int j = static_cast<int>(std::floor(b0 + (c - a0) * (b1 - b0) / (a1 - a0)));
        const int x = xMajor ? i : j, y = xMajor ? j : i;
        if (x >= 0 && y >= 0 && x < image.width && y < image.height) {
            image.at(x, y) = colour;
        }
    }
}

class ViewportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform_ = std::make_shared<ScriptedPlatform>(); // 15 twips per pixel
        previous_ = setPlatform(platform_);
        scene_ = SceneGraph::create(nullptr);
        root_ = scene_->CreateFrame(nullptr);
    }
    void TearDown() override { setPlatform(previous_); }

    std::shared_ptr<ScriptedPlatform> platform_;
    std::shared_ptr<Platform> previous_;
    SceneGraphPtr scene_;
    FramePtr root_;
};

} // namespace

TEST_F(ViewportTest, RendersTheBackdropAndLayoutPixelForPixel) {
    const Image texture = checkerTexture();
    root_->AddShape(
        views_fixtures::backdrop(scene_, std::make_shared<Texture>(texture, "checker")));
    const std::vector<Vector3> triangle = {{0.1f, 0.15f, 0}, {0.8f, 0.3f, 0}, {0.35f, 0.85f, 0}};
    root_->AddShape(triangleLayout(scene_, triangle));
    Viewport viewport;
    viewport.setRenderSettingA(0);
    viewport.setWidth(32 * 15.0);
    viewport.setHeight(32 * 15.0);
    ASSERT_EQ(viewport.surfaceWidth(), 32);
    viewport.SetCameraPosition(0.5f, 0.5f, -10.0f);
    viewport.setViewExtent(0.5f);
    viewport.setRenderSettingB(0);
    viewport.setRenderSettingC(1);
    viewport.SetScene(scene_, root_);
    viewport.Render();

    // Reference: pixel centre (x, y) = ((i + 0.5) / 32, (j + 0.5) / 32) shows the texture at
    // (u, v) = (x, -y): column floor(x * 4), row floor(frac(1 + y) * 4) = floor(y * 4).
    Image expected(32, 32);
    for (int j = 0; j < 32; ++j) {
        for (int i = 0; i < 32; ++i) {
            const double x = (i + 0.5) / 32.0, y = (j + 0.5) / 32.0;
            expected.at(i, j) = texture.at(static_cast<int>(x * 4), static_cast<int>(y * 4));
        }
    }
    for (int e = 0; e < 3; ++e) {
        const Vector3& a = triangle[e];
        const Vector3& b = triangle[(e + 1) % 3];
        referenceLine(expected, a.x * 32.0, a.y * 32.0, b.x * 32.0, b.y * 32.0, 0xff000000u);
    }
    const Image surface = viewport.RenderDevice().GetSurface(0, 0);
    ASSERT_EQ(surface.width, 32);
    ASSERT_EQ(surface.height, 32);
    int wrong = 0;
    for (int j = 0; j < 32; ++j) {
        for (int i = 0; i < 32; ++i) {
            if (surface.at(i, j) != expected.at(i, j)) {
                ++wrong;
                ADD_FAILURE() << "pixel (" << i << ", " << j << ") is " << std::hex
                              << surface.at(i, j) << ", expected " << expected.at(i, j);
            }
            if (wrong > 10) {
                return;
            }
        }
    }
    // The layout's wires are really there (the comparison above would also pass if the
    // reference forgot them, were they missing from both).
    int black = 0;
    for (std::uint32_t p : surface.pixels) {
        black += p == 0xff000000u ? 1 : 0;
    }
    EXPECT_GT(black, 40);
}

TEST_F(ViewportTest, AreasOutsideTheBackdropShowTheBackColourAndWiresCanBeOff) {
    const Image texture = checkerTexture();
    root_->AddShape(
        views_fixtures::backdrop(scene_, std::make_shared<Texture>(texture, "checker")));
    root_->AddShape(triangleLayout(scene_, {{0.1f, 0.1f, 0}, {0.9f, 0.1f, 0}, {0.5f, 0.9f, 0}}));
    Viewport viewport;
    viewport.setWidth(32 * 15.0);
    viewport.setHeight(32 * 15.0);
    viewport.SetCameraPosition(0.5f, 0.5f, -10.0f);
    viewport.setViewExtent(0.6f);
    viewport.setRenderSettingC(0);
    viewport.SetScene(scene_, root_);
    viewport.Render();
    const Image& surface = viewport.surface();
    for (int j = 0; j < 32; ++j) {
        for (int i = 0; i < 32; ++i) {
            const double x = 0.5 + ((i + 0.5) / 16.0 - 1.0) * 0.6;
            const double y = 0.5 + ((j + 0.5) / 16.0 - 1.0) * 0.6;
            const bool inside = x > 0 && x < 1 && y > 0 && y < 1;
            const std::uint32_t want =
                inside ? texture.at(static_cast<int>(x * 4), static_cast<int>(y * 4)) : 0xffc0c0c0u;
            ASSERT_EQ(surface.at(i, j), want) << i << ", " << j;
        }
    }
}

TEST_F(ViewportTest, SmoothWiresBlendIntoTheirNeighbours) {
    const Image texture = checkerTexture();
    root_->AddShape(
        views_fixtures::backdrop(scene_, std::make_shared<Texture>(texture, "checker")));
    root_->AddShape(triangleLayout(scene_, {{0.1f, 0.15f, 0}, {0.8f, 0.3f, 0}, {0.35f, 0.85f, 0}}));
    Viewport viewport;
    viewport.setWidth(32 * 15.0);
    viewport.setHeight(32 * 15.0);
    viewport.SetScene(scene_, root_);
    viewport.setRenderSettingA(1);
    viewport.Render();
    std::set<std::uint32_t> plain(texture.pixels.begin(), texture.pixels.end());
    plain.insert(0xff000000u);
    int blended = 0;
    for (std::uint32_t p : viewport.surface().pixels) {
        blended += plain.count(p) == 0 ? 1 : 0;
    }
    EXPECT_GT(blended, 20);
}

TEST_F(ViewportTest, SizesAreTwipsThroughThePlatformsTwipsPerPixelAndRendersAreSignalled) {
    Viewport viewport;
    viewport.setWidth(256 * 15.0);
    viewport.setHeight(128 * 15.0);
    EXPECT_EQ(viewport.surfaceWidth(), 256);
    EXPECT_EQ(viewport.surfaceHeight(), 128);
    EXPECT_DOUBLE_EQ(viewport.Width(), 3840.0);
    platform_->setTwipsPerPixel(12.0);
    viewport.setWidth(100.0); // 8.33 pixels round to 8
    EXPECT_EQ(viewport.surfaceWidth(), 8);
    viewport.Render();
    EXPECT_EQ(viewport.surface().width, 8);
    EXPECT_EQ(viewport.surface().pixels[0], 0xffc0c0c0u); // no scene: the back colour
    EXPECT_THROW(viewport.setWidth(0.0), Error);
    EXPECT_THROW(viewport.setHeight(std::nan("")), Error);
    EXPECT_THROW(viewport.setViewExtent(-1.0f), Error);
    EXPECT_EQ(viewport.surfaceWidth(), 8); // unchanged by the refused sizes

    // Every render is followed by FrameRendered, with or without a scene.
    QSignalSpy spy(&viewport, &Viewport::FrameRendered);
    viewport.Render();
    viewport.SetScene(scene_, root_);
    viewport.Render();
    viewport.Render();
    EXPECT_EQ(spy.count(), 3);
    EXPECT_THROW(viewport.RenderDevice().GetSurface(1, 0), Error);
    EXPECT_THROW(viewport.RenderDevice().GetSurface(0, 1), Error);
}

TEST_F(ViewportTest, SaveSurfaceWritesBmpAndPngThatReadBackExactlyAndRefusesBadRectangles) {
    QTemporaryDir dir;
    Image surface(6, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            surface.at(x, y) = 0xff000000u | (x * 40u << 16) | (y * 60u << 8) | 7u;
        }
    }
    Viewport viewport;
    for (const char* name : {"out.bmp", "out.PNG"}) {
        const std::string path = dir.filePath(name).toStdString();
        viewport.RenderUtility().SaveSurface(path, 0, surface, {}, {0, 0, 6, 4});
        const QImage back(QString::fromStdString(path));
        ASSERT_EQ(back.width(), 6) << name;
        ASSERT_EQ(back.height(), 4) << name;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                EXPECT_EQ(back.pixel(x, y), surface.at(x, y)) << name << " " << x << "," << y;
            }
        }
    }
    // A part of the surface, and a part scaled to a destination twice its size.
    const std::string part = dir.filePath("part.bmp").toStdString();
    viewport.RenderUtility().SaveSurface(part, 0, surface, {}, {2, 1, 4, 3});
    QImage back(QString::fromStdString(part));
    ASSERT_EQ(back.size(), QSize(2, 2));
    EXPECT_EQ(back.pixel(0, 0), surface.at(2, 1));
    EXPECT_EQ(back.pixel(1, 1), surface.at(3, 2));
    viewport.RenderUtility().SaveSurface(part, 0, surface, {0, 0, 4, 4}, {2, 1, 4, 3});
    back = QImage(QString::fromStdString(part));
    ASSERT_EQ(back.size(), QSize(4, 4));
    EXPECT_EQ(back.pixel(1, 1), surface.at(2, 1));
    EXPECT_EQ(back.pixel(2, 3), surface.at(3, 2));

    // Bad rectangles are refused and leave the file alone.
    const std::string path = dir.filePath("keep.bmp").toStdString();
    const Image plain(4, 4, 0xff102030u);
    viewport.RenderUtility().SaveSurface(path, 0, plain, {}, {0, 0, 4, 4});
    const auto size = std::filesystem::file_size(path);
    try {
        viewport.RenderUtility().SaveSurface(path, 0, Image(4, 4, 0xffffffffu), {}, {0, 0, 5, 4});
        FAIL() << "a rectangle leaving the surface was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::HostBadArgument);
        EXPECT_NE(e.description().find("keep.bmp"), std::string::npos);
    }
    EXPECT_THROW(viewport.RenderUtility().SaveSurface(path, 0, plain, {}, {2, 2, 2, 4}), Error);
    EXPECT_THROW(viewport.RenderUtility().SaveSurface(path, 1, plain, {}, {0, 0, 4, 4}), Error);
    EXPECT_THROW(viewport.RenderUtility().SaveSurface(dir.filePath("x.tga").toStdString(), 0, plain,
                                                      {}, {0, 0, 4, 4}),
                 Error);
    EXPECT_EQ(std::filesystem::file_size(path), size);
    EXPECT_EQ(QImage(QString::fromStdString(path)).pixel(0, 0), 0xff102030u);
}
