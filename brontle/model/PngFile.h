#pragma once
// PNG encoding without an image library: 8-bit RGB, the pixel data in stored (uncompressed)
// deflate blocks. Larger than a compressed PNG, but exact, fast, and readable by every PNG
// reader (glTF names its textures as PNG or JPEG only).

#include "brontle/model/Image.h"

#include <cstdint>
#include <vector>

namespace brontle {

// The bytes of a PNG file holding `image` (alpha dropped, as in the host's bitmaps). The image
// must not be empty.
std::vector<std::uint8_t> encodePng(const Image& image);

} // namespace brontle
