#include "peelwise/editor/AtlasTextureOutput.h"

#include "peelwise/editor/RequiredObject.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/model/HostProgress.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/services/Platform.h"
#include "brontle/views/Viewport.h"

namespace peelwise {

void renderAtlasTexture(StepRunner& steps, brontle::Viewport& viewport,
                        const brontle::SceneGraphPtr& scene, const brontle::FramePtr& root,
                        std::int32_t width, std::int32_t height) {
    // The drawing area gets exactly the texture's pixel count.
    steps([&] { viewport.setWidth(width * brontle::platform().twipsPerPixelX()); });
    steps([&] { viewport.setHeight(height * brontle::platform().twipsPerPixelY()); });
    // Run as a host operation, the three renders (each with its save) share its progress.
    const auto render = [&](int k) {
        const brontle::ProgressPart part(k / 3.0, (k + 1) / 3.0);
        viewport.Render();
    };
    steps([&] { render(0); });
    // The layout lives in the unit square [0, 1] x [0, 1]; a centred camera with half-extent 0.5
    // maps it onto the whole image.
    steps([&] { viewport.SetCameraPosition(0.5f, 0.5f, -10.0f); });
    steps([&] { viewport.setViewExtent(0.5f); });
    steps([&] { viewport.setRenderSettingB(0); });
    steps([&] { viewport.setRenderSettingC(1); });
    steps([&] { viewport.SetScene(scene, root); });
    steps([&] { render(1); });
    steps([&] { render(2); });
    steps([&] {
        std::int32_t pending = 0;
        required(scene, "scene graph").FlushPending(pending);
    });
}

void attachAtlasTexture(StepRunner& steps, const brontle::SceneGraphPtr& scene,
                        const brontle::ShapePtr& shape, const std::string& file,
                        std::int32_t& width, std::int32_t& height) {
    brontle::MaterialPtr material;
    brontle::TexturePtr texture;
    steps([&] { material = required(scene, "scene graph").CreateMaterial(); });
    steps([&] {
        texture = required(scene, "scene graph")
                      .LoadTexture(file, 0, 0, "", "", 0.5f, "", "", "", width, height);
    });
    steps([&] { required(material, "material").SetTexture(texture); });
    steps([&] { required(shape, "source shape").SetMaterial(material); });
}

} // namespace peelwise
