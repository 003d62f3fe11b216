#pragma once
// The editor's unwrap and OK texture path for one shape, without a window: what the headless
// command runs for each shape when it is asked for a texture. The geometry is the dialog's own
// (UnwrapGeometry.h), and so are the render, the file writing and the attachment
// (AtlasTextureOutput.h, SaveRenderedTexture.h); only the controls are missing. Needs a
// QApplication (the render viewport is a widget, never shown: the offscreen platform will do).

#include "peelwise/uv/UnwrapGeometry.h"

#include "brontle/model/Forward.h"

#include <cstdint>
#include <string>

namespace peelwise {

// The backdrop square of the coordinate view: one polygon over the unit square at depth 1,
// texture coordinate (0, 0) at its top-left corner (the 2D view's y runs down), unlit and drawn
// first (display flag 4), nearest-texel filtering, with `texture` (may be null) on its material.
brontle::ShapePtr makeBackdropShape(brontle::SceneGraph& scene, const brontle::TexturePtr& texture);

struct HeadlessTextureResult {
    brontle::ShapePtr atlasCopy; // the copy the host's atlas ran on (its statistics, its layout)
    std::int32_t seams = 0;      // edge entries passed as seams
    std::int32_t textureWidth = 0;
    std::int32_t textureHeight = 0;
};

// On `shape`, in this order: the default seams when `seamsFromCreases` (else none); the atlas
// build of the editor (copyWithSeams, atlasAndLayout with `request`); OK's copy of the atlas
// shape into `shape` (Clear, AppendShape); the UV layout drawn over the continuity texture
// into `textureFile` at request.width x request.height pixels; that file attached to `shape`
// as its one material. `request.device` must be a view id of `scene`.
// Throws brontle::Error naming the reason when the atlas fails or the texture cannot be
// written or read back; `shape` is then left as far as the run got.
HeadlessTextureResult unwrapWithTexture(const brontle::SceneGraphPtr& scene,
                                        const brontle::ShapePtr& shape, const AtlasRequest& request,
                                        bool seamsFromCreases, const std::string& textureFile);

} // namespace peelwise
