#pragma once
// Writing the viewport's last render into the texture file, the handler of its FrameRendered
// notification during OK (frmMain::SaveRenderedTexture) and in the headless command.

#include <string>

namespace brontle {
class Viewport;
class ViewportRenderDevice;
} // namespace brontle

namespace peelwise {

// Writes surface 0 of `device` (GetSurface(0, 0)) into `file` through the viewport's
// RenderUtility().SaveSurface(file, 0, surface, zero rectangle, source): the source rectangle
// is (0, 0, W, H) with W and H the viewport's Width and Height in twips divided by the
// platform's twips per pixel, rounded to the nearest whole number. The format follows the
// file's extension (BMP or PNG).
//
// The existing file is replaced, never lost: SaveSurface writes through brontle::FileGroup, so
// only a complete new file takes the old one's place. Throws
// brontle::Error (HostBadArgument for a surface smaller than the rectangle,
// HostFileUnwritable naming `file` when it cannot be written); the old file is then unchanged.
void saveRenderedTexture(const brontle::Viewport& viewport,
                         const brontle::ViewportRenderDevice& device, const std::string& file);

} // namespace peelwise
