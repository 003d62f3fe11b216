#pragma once
// The texture OK writes, without a dialog: the UV layout drawn over the backdrop square into an
// image of the texture's pixel size, and that image written into a file. The editor's render
// viewport draws the same image (both go through brontle::renderFrameImage with the settings
// below); the headless command uses this directly. No Qt.

#include "brontle/core/Error.h"
#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"
#include "brontle/model/Image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brontle {
class FileGroup;
}

namespace peelwise {

// The backdrop square of the coordinate view, corner by corner: the unit square at depth 1, and
// the texture coordinate of each corner, (0, 0) at its top-left (the 2D view's y runs down).
inline constexpr brontle::Vector3 kBackdropCorners[4] = {
    {0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}};
inline constexpr brontle::Vector2 kBackdropTexCoords[4] = {{0, 0}, {0, -1}, {1, -1}, {1, 0}};

// The backdrop shape: one polygon over kBackdropCorners with kBackdropTexCoords (each corner its
// own coordinate), unlit and drawn first (display flag 4), display option 0, nearest-texel
// filtering (material option 0 = 0), with `texture` (may be null) on its material.
brontle::ShapePtr makeBackdropShape(brontle::SceneGraph& scene, const brontle::TexturePtr& texture);

// The texture render's fixed settings, those OK gives the render viewport: a camera at
// (0.5, 0.5, -10) with view extent 0.5 so that the unit square fills the image, light grey
// background (192, 192, 192), no lighting, aliased black wires of the wireframe shapes on top.
// `root` holds the backdrop and the layout (display mode 11). Throws brontle::Error
// (HostBadArgument) for a size that is not positive.
brontle::Image renderLayoutTexture(const brontle::FramePtr& root, std::int32_t width,
                                   std::int32_t height);

// The bytes of `image` as the file `file` holds it: a 24-bit bitmap for a name ending in .bmp,
// an 8-bit RGB PNG for .png (any case); both keep each pixel's colour and drop its alpha.
// Throws brontle::Error(HostFileUnwritable, "<file>: ...") for another extension or an empty
// image.
std::vector<std::uint8_t> encodeTextureFile(const std::string& file, const brontle::Image& image);

// `image` as it reads back from a bitmap file: every pixel opaque, colours unchanged.
brontle::Image opaqueTexture(brontle::Image image);

// Progress: run as a host operation (brontle::ProgressService), the render reports the share of
// its polygons and wires drawn and the save its encoded rows and stages, each from 0 to 1 of the
// caller's brontle::ProgressPart, and a cancel throws the operation's cancel error out of them;
// a cancelled save has not replaced the file and leaves no temporary file. Outside an operation
// (the headless command) nothing is reported and nothing can be cancelled.

// The title of the host operation that renders and saves the texture `file`:
// "Rendering the texture <file name without its folder>".
std::string textureOperationTitle(const std::string& file);

// The error a cancelled render of the texture `file` ends with:
// Error(HostCancelled, "<file>: the texture render was cancelled").
brontle::Error textureRenderCancelled(const std::string& file);

// The render and the save as one host operation of the process's progress service (the render
// 0.8 of its progress, the save the rest): the texture `file` holds the image of `root` at
// `width` x `height` afterwards, or, when the user cancelled, is as it was before. Throws the
// errors of both and textureRenderCancelled(file).
void renderAndSaveTexture(const brontle::FramePtr& root, std::int32_t width, std::int32_t height,
                          const std::string& file);

// Adds `file` with the encoded image to `group` (written when the group commits).
void addTextureFile(brontle::FileGroup& group, const std::string& file,
                    const brontle::Image& image);
// Replaces `file` with the encoded image atomically: on failure the old file is unchanged and
// nothing is left beside it. Errors as brontle::FileGroup's, naming `file`.
void saveTextureFile(const std::string& file, const brontle::Image& image);

} // namespace peelwise
