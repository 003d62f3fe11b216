#pragma once
// The texture half of OK in the dialog: the UV layout (the coordinate view's frame tree: the
// backdrop square and the layout's wires) rendered by the render viewport at the texture's
// pixel size, and the written file put on a shape as its one material. The viewport's image is
// brontle::renderFrameImage's, the same the headless command gets from renderLayoutTexture
// (peelwise/texture/LayoutTexture.h) with these settings.
//
// Each host statement is one step of the caller's StepRunner, so the dialog skips a failing
// statement silently and goes on, while a runner that raises again stops at the first failure.

#include "brontle/model/Forward.h"

#include <cstdint>
#include <string>

namespace brontle {
class Viewport;
}

namespace peelwise {

class StepRunner;

// Sizes `viewport` to `width` x `height` pixels (its Width and Height in twips through the
// platform's twips per pixel), renders once, places the camera at (0.5, 0.5, -10) with view
// extent 0.5 so that the unit square fills the image, sets lighting off (RenderSettingB 0) and
// wires on (RenderSettingC 1), gives it `scene` with `root`, renders twice and flushes the scene
// graph's pending redraws. Each render emits the viewport's FrameRendered, whose handler writes
// the file (SaveRenderedTexture.h).
void renderAtlasTexture(StepRunner& steps, brontle::Viewport& viewport,
                        const brontle::SceneGraphPtr& scene, const brontle::FramePtr& root,
                        std::int32_t width, std::int32_t height);

// A new material whose texture is `file` loaded through `scene` (arguments 0, 0, "", "", 0.5,
// "", "", ""; its pixel size into `width` and `height`), made the one material of `shape`. A
// file that cannot be loaded fails its step; the later steps still run under a runner that
// goes on, and the shape then gets a material without a texture.
void attachAtlasTexture(StepRunner& steps, const brontle::SceneGraphPtr& scene,
                        const brontle::ShapePtr& shape, const std::string& file,
                        std::int32_t& width, std::int32_t& height);

} // namespace peelwise
