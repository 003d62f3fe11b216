#include "peelwise/editor/HeadlessTexture.h"

#include "peelwise/editor/AtlasTextureOutput.h"
#include "peelwise/editor/RequiredObject.h"
#include "peelwise/editor/SaveRenderedTexture.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/core/Error.h"
#include "brontle/model/Display.h"
#include "brontle/model/Frame.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/views/Viewport.h"

#include <vector>

namespace peelwise {

brontle::ShapePtr makeBackdropShape(brontle::SceneGraph& scene,
                                    const brontle::TexturePtr& texture) {
    brontle::ShapePtr backdrop = scene.CreateShape();
    brontle::Polygon square = backdrop->AddPolygon();
    const brontle::Vector3 corners[4] = {{0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}};
    const brontle::Vector2 uvs[4] = {{0, 0}, {0, -1}, {1, -1}, {1, 0}};
    for (int k = 0; k < 4; ++k) {
        square.AddCorner(corners[k], {0, 0, 0}, uvs[k]);
    }
    // Each corner its own texture coordinate, whatever the corner search shared.
    for (std::int32_t k = 0; k < 4; ++k) {
        square.SetCornerUV(k, uvs[k]);
    }
    brontle::Material& material = required(square.GetMaterial(), "backdrop material");
    material.SetMaterialOption(brontle::kTextureFilterOption, brontle::kNearestTexels);
    material.SetTexture(texture);
    backdrop->SetDisplayFlags(brontle::kBackdropFlag);
    backdrop->SetDisplayOption(brontle::kDefaultDisplayOption);
    return backdrop;
}

HeadlessTextureResult unwrapWithTexture(const brontle::SceneGraphPtr& scene,
                                        const brontle::ShapePtr& shape, const AtlasRequest& request,
                                        bool seamsFromCreases, const std::string& textureFile) {
    brontle::SceneGraph& graph = required(scene, "scene graph");
    brontle::Shape& source = required(shape, "shape");
    HeadlessTextureResult result;

    brontle::SubSelection seams;
    if (seamsFromCreases) {
        seams = defaultSeams(graph, source, request.device).seams;
        result.seams = static_cast<std::int32_t>(seams.count());
    }
    result.atlasCopy = copyWithSeams(graph, source, request.device, seams);
    brontle::ShapePtr atlas;
    const std::optional<UVLayout> layout =
        atlasAndLayout(graph, *result.atlasCopy, request, atlas, seams);
    if (!layout) {
        throw brontle::Error(brontle::ErrorNumber::HostFailure,
                             "the atlas left no polygons to lay out", "peelwise-unwrap");
    }
    const brontle::ShapePtr& uv = layout->uv;
    graph.ClearSelection(request.device);
    uv->SetDisplayMode(brontle::kWireframeMode);

    // OK: the edit becomes the shape.
    source.Clear();
    source.AppendShape(*atlas);

    // The coordinate view's scene: the backdrop with the continuity texture, the layout over it.
    const brontle::FramePtr root = graph.CreateFrame(nullptr);
    root->AddShape(makeBackdropShape(graph, loadContinuityMap(graph)));
    root->AddShape(uv);

    // The dialog skips a failing statement; here the first failure ends the run with its error.
    StepRunner steps(ErrorPolicy::EndHandler, [](const brontle::Error& error) { throw error; });
    brontle::Viewport viewport;
    std::exception_ptr saveFailure;
    QObject::connect(&viewport, &brontle::Viewport::FrameRendered, [&] {
        try {
            saveRenderedTexture(viewport, viewport.RenderDevice(), textureFile);
        } catch (...) {
            saveFailure = std::current_exception();
        }
    });
    steps([&] { viewport.setRenderSettingA(0); });
    renderAtlasTexture(steps, viewport, scene, root, request.width, request.height);
    if (saveFailure) {
        std::rethrow_exception(saveFailure);
    }
    attachAtlasTexture(steps, scene, shape, textureFile, result.textureWidth, result.textureHeight);
    if (!source.GetMaterialByIndex(0) || !source.GetMaterialByIndex(0)->texture()) {
        throw brontle::Error(brontle::ErrorNumber::HostFileUnreadable,
                             textureFile + ": the written texture could not be read back",
                             "peelwise-unwrap");
    }
    return result;
}

} // namespace peelwise
