// OK's texture without a dialog: the layout drawn over the backdrop into an image (known pixels
// of a known layout), the file written from it, and the whole headless unwrap of one shape.
#include "peelwise/texture/LayoutTexture.h"
#include "peelwise/texture/HeadlessTexture.h"

#include "brontle/core/Error.h"
#include "brontle/model/AtomicFiles.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"

#include "support/ModelBuilders.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using peelwise::test::ScratchDir;

constexpr std::uint32_t kRed = 0xffff0000u, kGreen = 0xff00ff00u, kBlue = 0xff0000ffu,
                        kWhite = 0xffffffffu, kWire = 0xff000000u, kGrey = 0xffc0c0c0u;

brontle::SceneGraphPtr newScene(const std::string& installFolder = "") {
    return brontle::SceneGraph::create(
        std::make_shared<brontle::HostEnvironment>(installFolder, "Brontle", 0));
}

// A 2 x 2 texture: red, green on the top row; blue, white below.
brontle::TexturePtr quadrantTexture() {
    brontle::Image image(2, 2);
    image.at(0, 0) = kRed;
    image.at(1, 0) = kGreen;
    image.at(0, 1) = kBlue;
    image.at(1, 1) = kWhite;
    return std::make_shared<brontle::Texture>(image, "quadrants.bmp");
}

// A layout triangle at (0.25, 0.25), (0.75, 0.25), (0.25, 0.75) in view units (y down), drawn
// as wires (display mode 11).
brontle::ShapePtr layoutTriangle(brontle::SceneGraph& scene) {
    brontle::ShapePtr uv = scene.CreateShape();
    brontle::Polygon triangle = uv->AddPolygon();
    triangle.AddCorner({0.25f, 0.25f, 0}, {0, 0, 1}, {0, 0});
    triangle.AddCorner({0.75f, 0.25f, 0}, {0, 0, 1}, {0, 0});
    triangle.AddCorner({0.25f, 0.75f, 0}, {0, 0, 1}, {0, 0});
    uv->SetDisplayMode(11);
    return uv;
}

// Whether a wire pixel lies within one pixel of view point (x, y).
bool wireNear(const brontle::Image& image, double x, double y) {
    const int px = static_cast<int>(x * image.width), py = static_cast<int>(y * image.height);
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int cx = px + dx, cy = py + dy;
            if (cx >= 0 && cy >= 0 && cx < image.width && cy < image.height &&
                image.at(cx, cy) == kWire) {
                return true;
            }
        }
    }
    return false;
}

TEST(LayoutTexture, TheLayoutIsDrawnInBlackWiresOverTheBackdropTexture) {
    const brontle::SceneGraphPtr scene = newScene();
    const brontle::ShapePtr backdrop = peelwise::makeBackdropShape(*scene, quadrantTexture());
    EXPECT_EQ(backdrop->displayFlags(), 4);
    EXPECT_EQ(backdrop->displayOption(), 0);
    ASSERT_EQ(backdrop->GetPolygonCount(), 1);

    const brontle::FramePtr root = scene->CreateFrame(nullptr);
    root->AddShape(backdrop);
    root->AddShape(layoutTriangle(*scene));
    const brontle::Image image = peelwise::renderLayoutTexture(root, 32, 32);
    ASSERT_EQ(image.width, 32);
    ASSERT_EQ(image.height, 32);

    // The backdrop fills the image with the texture as it is: its top-left texel at the top-left.
    EXPECT_EQ(image.at(1, 1), kRed);
    EXPECT_EQ(image.at(30, 1), kGreen);
    EXPECT_EQ(image.at(1, 30), kBlue);
    EXPECT_EQ(image.at(30, 30), kWhite);
    EXPECT_EQ(image.at(20, 20), kWhite); // outside the triangle, below its long edge

    // Every edge of the triangle is a black wire; its inside is not filled.
    int missed = 0;
    for (int step = 0; step <= 20; ++step) {
        const double t = 0.25 + 0.5 * step / 20.0;
        missed += wireNear(image, t, 0.25) ? 0 : 1;    // top edge
        missed += wireNear(image, 0.25, t) ? 0 : 1;    // left edge
        missed += wireNear(image, t, 1.0 - t) ? 0 : 1; // the diagonal
    }
    EXPECT_EQ(missed, 0);
    EXPECT_EQ(image.at(12, 12), kRed); // inside the triangle, top-left quadrant

    // Without a scene only the light grey background is drawn.
    const brontle::Image empty = peelwise::renderLayoutTexture(nullptr, 3, 2);
    EXPECT_EQ(empty, brontle::Image(3, 2, kGrey));
    EXPECT_THROW(peelwise::renderLayoutTexture(root, 0, 16), brontle::Error);
}

TEST(LayoutTexture, TheFileFollowsItsExtensionAndReplacesTheOldOneWhole) {
    ScratchDir dir;
    brontle::Image image(5, 3, 0xff204060u);
    image.at(4, 2) = 0x80112233u; // a translucent pixel: a bitmap keeps its colour only

    const std::string bmp = dir.write("atlas.BMP", "old");
    ::chmod(bmp.c_str(), 0640);
    peelwise::saveTextureFile(bmp, image);
    const auto back = brontle::readBmpFile(bmp);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, peelwise::opaqueTexture(image));
    EXPECT_EQ(back->at(4, 2), 0xff112233u);
    struct stat st {};
    ASSERT_EQ(::stat(bmp.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the replaced file keeps its permissions";

    // PNG by its extension: the signature, not a bitmap's "BM".
    peelwise::saveTextureFile(dir.file("atlas.png"), image);
    EXPECT_EQ(dir.read("atlas.png").substr(1, 3), "PNG");

    // Refusals name the file and leave it as it was.
    auto errorOf = [](const std::function<void()>& run) -> std::string {
        try {
            run();
        } catch (const brontle::Error& e) {
            EXPECT_EQ(e.number(), brontle::ErrorNumber::HostFileUnwritable);
            return e.description();
        }
        return "(no error)";
    };
    const std::string jpg = dir.write("atlas.jpg", "old");
    EXPECT_EQ(errorOf([&] { peelwise::saveTextureFile(jpg, image); }),
              jpg + ": cannot write images of this kind (the name must end in .bmp or .png)");
    EXPECT_EQ(dir.read("atlas.jpg"), "old");
    EXPECT_EQ(errorOf([&] { peelwise::saveTextureFile(bmp, brontle::Image()); }),
              bmp + ": an empty image cannot be written");
    fs::create_directory(dir.path() / "folder.bmp");
    EXPECT_EQ(errorOf([&] { peelwise::saveTextureFile(dir.file("folder.bmp"), image); }),
              dir.file("folder.bmp") + ": a folder of that name is in the way");
    const std::string missing = dir.file("no/such/atlas.bmp");
    EXPECT_EQ(errorOf([&] { peelwise::saveTextureFile(missing, image); }).rfind(missing + ": ", 0),
              0u);
    EXPECT_EQ(*brontle::readBmpFile(bmp), peelwise::opaqueTexture(image));

    // Several textures join one group and appear only when it commits.
    {
        brontle::FileGroup group("test");
        peelwise::addTextureFile(group, dir.file("first.bmp"), image);
        peelwise::addTextureFile(group, dir.file("second.png"), image);
        EXPECT_FALSE(fs::exists(dir.file("first.bmp")));
        group.commit();
    }
    EXPECT_TRUE(fs::exists(dir.file("first.bmp")));
    EXPECT_TRUE(fs::exists(dir.file("second.png")));
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_FALSE(brontle::isTemporaryName(entry.path().filename().string()))
            << entry.path() << " left behind";
    }
}

TEST(HeadlessTexture, OneShapeIsUnwrappedAndGetsTheRenderedLayoutAsItsOneTexture) {
    ScratchDir dir;
    // The continuity texture of this install folder: one flat colour, so every other pixel of
    // the result is a wire.
    constexpr std::uint32_t kContinuity = 0xff3080c0u;
    fs::create_directory(dir.path() / "System");
    brontle::writeBmpFile(dir.file("System/ContinuityMap.bmp"),
                          brontle::Image(16, 16, kContinuity));
    const brontle::SceneGraphPtr scene = newScene(dir.path().string());
    const brontle::ShapePtr shape = scene->CreateShape();
    testing_shapes::box(shape, {0, 0, 0}, {1, 2, 3});
    const std::int32_t polygons = shape->GetPolygonCount();

    peelwise::AtlasRequest request;
    request.device = brontle::newDeviceID();
    request.width = 64;
    request.height = 64;
    const peelwise::HeadlessTextureResult result =
        peelwise::unwrapWithTexture(scene, shape, request, true, dir.file("box.bmp"));

    EXPECT_EQ(shape->GetPolygonCount(), polygons);
    ASSERT_TRUE(result.atlasCopy);
    EXPECT_GT(result.seams, 0) << "a box's edges are creases";
    ASSERT_EQ(result.texture.width, 64);
    ASSERT_EQ(result.texture.height, 64);
    EXPECT_FALSE(fs::exists(dir.file("box.bmp"))) << "nothing is written by the unwrap";

    int wires = 0, other = 0;
    for (std::uint32_t pixel : result.texture.pixels) {
        wires += pixel == kWire ? 1 : 0;
        other += pixel != kWire && pixel != kContinuity ? 1 : 0;
    }
    EXPECT_EQ(other, 0);
    EXPECT_GT(wires, 0);
    EXPECT_LT(wires, static_cast<int>(result.texture.pixels.size()) / 2);

    // The one material's texture is the image, named as the file it will be written to.
    ASSERT_EQ(shape->materials().size(), 1u);
    const brontle::MaterialPtr material = shape->GetMaterialByIndex(0);
    ASSERT_TRUE(material && material->texture());
    EXPECT_EQ(material->texture()->image(), result.texture);
    EXPECT_EQ(material->texture()->file(), dir.file("box.bmp"));

    // Every corner's texture coordinate falls on the layout's wires (v up: row 0 at v = 1).
    const brontle::Image& image = result.texture;
    int missed = 0;
    for (std::int32_t index : shape->cornerTexCoord()) {
        const brontle::Vector2 t = shape->texcoords()[index];
        missed += wireNear(image, t.u - std::floor(t.u), 1.0 - (t.v - std::floor(t.v))) ? 0 : 1;
    }
    EXPECT_EQ(missed, 0) << "of " << shape->cornerTexCoord().size() << " corners";

    // A shape without polygons leaves nothing to lay out.
    const brontle::ShapePtr empty = scene->CreateShape();
    EXPECT_THROW(peelwise::unwrapWithTexture(scene, empty, request, false, dir.file("e.bmp")),
                 brontle::Error);
}

} // namespace
