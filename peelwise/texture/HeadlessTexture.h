#pragma once
// The editor's unwrap and OK texture path for one shape, without a window: what the headless
// command runs for each shape when it is asked for a texture. The geometry is the dialog's own
// (UnwrapGeometry.h) and the texture is the image OK renders (LayoutTexture.h); only the controls
// are missing. No Qt and no display needed.

#include "peelwise/uv/UnwrapGeometry.h"

#include "brontle/model/Forward.h"
#include "brontle/model/Image.h"

#include <cstdint>
#include <string>

namespace peelwise {

struct HeadlessTextureResult {
    brontle::ShapePtr atlasCopy; // the copy the host's atlas ran on (its statistics, its layout)
    std::int32_t seams = 0;      // edge entries passed as seams
    brontle::Image texture;      // the rendered texture, opaque (as a bitmap reads back)
};

// On `shape`, in this order: the default seams when `seamsFromCreases` (else none); the atlas
// build of the editor (copyWithSeams, atlasAndLayout with `request`); OK's copy of the atlas
// shape into `shape` (Clear, AppendShape); the UV layout drawn over the continuity texture at
// request.width x request.height pixels; a new material with that image as its texture (named
// `textureFile`) made the one material of `shape`. Nothing is written to disk: the caller writes
// result.texture into `textureFile` (addTextureFile) with its other outputs.
// `request.device` must be a view id of `scene`. Throws brontle::Error naming the reason when
// the atlas fails; `shape` is then left as far as the run got.
HeadlessTextureResult unwrapWithTexture(const brontle::SceneGraphPtr& scene,
                                        const brontle::ShapePtr& shape, const AtlasRequest& request,
                                        bool seamsFromCreases, const std::string& textureFile);

} // namespace peelwise
