// OK's texture through the dialog's render viewport and the same texture without a dialog
// (peelwise/texture) are one image, pixel for pixel, and so are the files written from them.
#include "peelwise/editor/AtlasTextureOutput.h"
#include "peelwise/editor/SaveRenderedTexture.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/texture/LayoutTexture.h"

#include "brontle/core/Error.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/views/Viewport.h"

#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

TEST(TextureOutput, TheRenderViewportAndTheHeadlessRenderGiveTheSameTexture) {
    const brontle::SceneGraphPtr scene =
        brontle::SceneGraph::create(std::make_shared<brontle::HostEnvironment>("", "Brontle", 0));
    // A backdrop texture of random texels and a layout of random triangles (some beyond the
    // unit square), at a size that is neither square nor a power of two.
    std::mt19937 random(7);
    brontle::Image texels(13, 9);
    for (std::uint32_t& pixel : texels.pixels) {
        pixel = 0xff000000u | (random() & 0xffffffu);
    }
    const brontle::FramePtr root = scene->CreateFrame(nullptr);
    root->AddShape(peelwise::makeBackdropShape(
        *scene, std::make_shared<brontle::Texture>(texels, "texels.bmp")));
    const brontle::ShapePtr uv = scene->CreateShape();
    std::uniform_real_distribution<float> coordinate(-0.1f, 1.1f);
    for (int t = 0; t < 12; ++t) {
        brontle::Polygon triangle = uv->AddPolygon();
        for (int k = 0; k < 3; ++k) {
            triangle.AddCorner({coordinate(random), coordinate(random), 0}, {0, 0, 1}, {0, 0});
        }
    }
    uv->SetDisplayMode(11);
    root->AddShape(uv);

    constexpr std::int32_t kWidth = 75, kHeight = 41;
    // OK's statements on the dialog's render viewport, a failing one ending the test.
    brontle::Viewport viewport;
    viewport.setBackColor(12632256u);
    viewport.setRenderSettingA(0);
    peelwise::StepRunner steps(peelwise::ErrorPolicy::EndHandler,
                               [](const brontle::Error& error) { throw error; });
    peelwise::renderAtlasTexture(steps, viewport, scene, root, kWidth, kHeight);

    const brontle::Image headless = peelwise::renderLayoutTexture(root, kWidth, kHeight);
    ASSERT_EQ(viewport.surface().width, kWidth);
    ASSERT_EQ(viewport.surface().height, kHeight);
    EXPECT_EQ(viewport.surface(), headless);
    int wires = 0;
    for (std::uint32_t pixel : headless.pixels) {
        wires += pixel == 0xff000000u ? 1 : 0;
    }
    EXPECT_GT(wires, kWidth) << "the layout is drawn";

    // The file OK's FrameRendered handler writes and the one the headless command writes.
    peelwise::test::ScratchDir dir;
    peelwise::saveRenderedTexture(viewport, viewport.RenderDevice(), dir.file("ok.bmp"));
    peelwise::saveTextureFile(dir.file("headless.bmp"), headless);
    const auto ok = brontle::readBmpFile(dir.file("ok.bmp"));
    const auto written = brontle::readBmpFile(dir.file("headless.bmp"));
    ASSERT_TRUE(ok && written);
    EXPECT_EQ(*ok, *written);
    EXPECT_EQ(*written, peelwise::opaqueTexture(headless));
}

} // namespace
