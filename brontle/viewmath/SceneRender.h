#pragma once
// Draws a frame tree's shapes with the host's display meanings into a SoftwareRaster: the
// viewport's texture render and the edit view's drawing without OpenGL.
//  - Order: shapes with display flag 4 (backdrops) first, then the others from far to near by
//    the depth of their bounding-box centre (ties keep the tree order); with a depth buffer the
//    order only matters for translucent faces.
//  - Faces: every shape except display mode 11 is filled, polygon by polygon as fans, with its
//    polygon's material: the texture (when `textures` is on) or colour B, colour B's alpha as
//    opacity. Flag 4 shapes are never lit.
//  - Lighting (when on, except flag 4): the texel (or colour B) times 0.25 + 0.75 * |cos| of the
//    angle between the polygon's normal and the viewing direction (both sides are lit alike).
//  - Wires: the edges of mode-11 shapes, of flag-8 shapes and, with `wiresOnAll`, of every
//    shape but backdrops, each undirected edge once, from its lower to its higher vertex.

#include "brontle/model/Display.h"
#include "brontle/model/Forward.h"
#include "brontle/model/Frame.h"
#include "brontle/viewmath/SoftwareRaster.h"
#include "brontle/viewmath/ViewTransform.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace brontle {

using SceneItems = std::vector<std::pair<ShapePtr, Placement>>;

// The shapes of `root`'s tree with their placements (empty for a null root).
SceneItems collectSceneItems(const FramePtr& root);

struct SceneRenderStyle {
    bool textures = true;
    bool lighting = false;
    bool wires = true;
    bool wiresOnAll = false;
    bool smoothWires = false;
    std::uint32_t wireColour = 0xff000000u;
};

// The draw order described above, as indices into `items`.
std::vector<std::size_t> drawOrder(const SceneItems& items, const ViewTransform& view);

void renderScene(SoftwareRaster& raster, const ViewTransform& view, const SceneItems& items,
                 const SceneRenderStyle& style);

} // namespace brontle
