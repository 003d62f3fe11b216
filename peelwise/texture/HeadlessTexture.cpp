#include "peelwise/texture/HeadlessTexture.h"

#include "peelwise/texture/LayoutTexture.h"

#include "brontle/core/Error.h"
#include "brontle/model/Display.h"
#include "brontle/model/Frame.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"

#include <memory>

namespace peelwise {

namespace {

template <class T> T& present(const std::shared_ptr<T>& object, const char* what) {
    if (!object) {
        throw brontle::Error(brontle::ErrorNumber::ObjectNotSet,
                             std::string("The ") + what + " is not set", "peelwise-unwrap");
    }
    return *object;
}

} // namespace

HeadlessTextureResult unwrapWithTexture(const brontle::SceneGraphPtr& scene,
                                        const brontle::ShapePtr& shape, const AtlasRequest& request,
                                        bool seamsFromCreases, const std::string& textureFile) {
    brontle::SceneGraph& graph = present(scene, "scene graph");
    brontle::Shape& source = present(shape, "shape");
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
    result.texture = opaqueTexture(renderLayoutTexture(root, request.width, request.height));

    const brontle::MaterialPtr material = graph.CreateMaterial();
    present(material, "texture material")
        .SetTexture(std::make_shared<brontle::Texture>(result.texture, textureFile));
    source.SetMaterial(material);
    return result;
}

} // namespace peelwise
