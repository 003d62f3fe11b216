#pragma once
// The geometry of one unwrap as the editor runs it, without the dialog: the default seams from
// the crease edges, the host's atlas on a copy of the source shape, the atlas shape that shows
// it, the flat UV layout and the table between the two. The editor dialog calls these between
// its own steps (log lines, message boxes, view refreshes), and bench_unwrap times exactly
// these calls, so the measured path is the dialog's.
//
// Seams travel as an edge sub-selection (kind 3): entries of (polygon index, start corner), the
// edge running to the next corner, the last corner wrapping to corner 0. An empty record means
// no seams.
//
// Errors: host errors and the layout procedures' errors are raised unchanged (their number,
// description and source); nothing here reports or swallows one.

#include "peelwise/uv/CreaseEdge.h"

#include "brontle/core/SubSelection.h"
#include "brontle/model/Forward.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace peelwise {

// What the host's atlas call receives besides the shape (the order of GenerateAtlas).
struct AtlasRequest {
    brontle::DeviceID device = 0; // the preview's view: seams are the shape's edges there
    int renderDevice = 0;
    std::int32_t factorType = 0; // 0 "Max Stretch", 1 "# Charts"
    std::int32_t factor = 4;
    std::int32_t width = 1024;
    std::int32_t height = 1024;
    // Called by the host's atlas on this thread with its progress in [0, 1]: 0 when it has
    // checked its input and starts, 1 when it is done. Empty: no reports.
    std::function<void(double)> progress;
};

// Replaces `shape`'s selection in `device` by the crease edges: the view's selection is cleared
// (ClearSelection), the creases are mapped onto the shape's edges (CreaseEdgesToSubSelection),
// and when at least one edge matched they become the shape's edge sub-selection there.
// Returns the number of (polygon, corner) entries set; 0 leaves the selection cleared.
// `count` is how many of `creases` are used (count <= creases.size()).
std::int32_t markCreaseSeams(brontle::SceneGraph& scene, brontle::Shape& shape,
                             brontle::DeviceID device,
                             const std::vector<modUV::CreaseEdge>& creases, std::int32_t count);

// The default seams of a first unwrap and the crease edges they come from.
struct DefaultSeams {
    std::vector<modUV::CreaseEdge> creases;
    brontle::SubSelection seams; // empty without creases
};

// The default seams of `source` for a first unwrap: its crease edges are found, the view's
// selection is cleared, and when there are creases they are marked on `source` in `device`,
// read back as the seams and the view's selection cleared again.
DefaultSeams defaultSeams(brontle::SceneGraph& scene, brontle::Shape& source,
                          brontle::DeviceID device);

// First part of a build: a new shape (scene.CreateShape) holding a complete copy of `source`,
// with `seams` as its edge sub-selection in `device` when there are any.
brontle::ShapePtr copyWithSeams(brontle::SceneGraph& scene, const brontle::Shape& source,
                                brontle::DeviceID device, const brontle::SubSelection& seams);

// Second part of a build, on the copy made by copyWithSeams, in this order:
//  1. the host's atlas on `copy` with `request`, when `copy` has polygons (without any, the
//     host is not asked and step 4 ends the build);
//  2. `atlas` made (CreateShape) when empty, else cleared; the copy appended; its materials
//     replaced by copies of them (CreateMaterial), so that steps 3 and 6 never change the
//     materials of the shape the copy was made from (the user's); display flags 8;
//  3. the continuity texture is loaded (loadContinuityMap) and every atlas material gets it,
//     with colour B's alpha 1;
//  4. with no polygons the build stops here and returns no layout;
//  5. the layout's UV shape := BuildUVShape over all atlas polygons (this shifts the atlas
//  coordinates by one
//     tile, see BuildUVShape.h); every UV material's colour B alpha 0.7; display flags 8;
//  6. every atlas material: colour A := 0.6 x B's colour, alpha 0.7; colour C := 0.2 x B's
//     colour, alpha 0.7;
//  7. the layout's table from UV vertices to atlas texture coordinates
//     (RebuildUVCorrespondence);
//  8. the selection of `request.device` cleared, and `seams`, when there are any, set again on
//     the atlas shape there so they stay visible.
// Returns the layout when it is ready. What was done to `atlas` before an error stays done.
struct UVLayout {
    brontle::ShapePtr uv;
    std::vector<std::int32_t> vertexToTexCoord; // per UV vertex, its atlas texture coordinate
};
std::optional<UVLayout> atlasAndLayout(brontle::SceneGraph& scene, brontle::Shape& copy,
                                       const AtlasRequest& request, brontle::ShapePtr& atlas,
                                       const brontle::SubSelection& seams);

// The earlier out-parameter forms of the two builds above, kept for the benchmarks' call sites
// only; the plug-in uses the forms that return their results.
inline brontle::SubSelection defaultSeams(brontle::SceneGraph& scene, brontle::Shape& source,
                                          brontle::DeviceID device,
                                          std::vector<modUV::CreaseEdge>& creases,
                                          std::int32_t& count) {
    DefaultSeams found = defaultSeams(scene, source, device);
    creases.insert(creases.end(), found.creases.begin(), found.creases.end());
    count += static_cast<std::int32_t>(found.creases.size());
    return found.seams;
}
inline bool atlasAndLayout(brontle::SceneGraph& scene, brontle::Shape& copy,
                           const AtlasRequest& request, brontle::ShapePtr& atlas,
                           brontle::ShapePtr& uv, std::vector<std::int32_t>& vertexToTexCoord,
                           const brontle::SubSelection& seams) {
    std::optional<UVLayout> layout = atlasAndLayout(scene, copy, request, atlas, seams);
    if (!layout) {
        return false;
    }
    uv = std::move(layout->uv);
    vertexToTexCoord = std::move(layout->vertexToTexCoord);
    return true;
}

// The continuity texture's file: `installFolder` + "\System\ContinuityMap.bmp" (host paths take
// either separator).
std::string continuityMapFile(const std::string& installFolder);

// Loads the continuity texture of the scene's install folder (GetEnvironment) through the scene
// graph with the editor's arguments (0, 0, two empty strings, 0.5, three empty strings);
// nullptr when the file is not there; Error(HostFileUnreadable) when it is no image.
brontle::TexturePtr loadContinuityMap(brontle::SceneGraph& scene);

} // namespace peelwise
