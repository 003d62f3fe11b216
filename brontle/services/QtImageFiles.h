#pragma once
// Image files through Qt's image readers and writers: the host's texture reader (BMP, PNG,
// JPEG and whatever else the installed Qt image plug-ins read) and the writer of rendered
// images.

#include "brontle/model/Image.h"
#include "brontle/model/SceneGraph.h"

#include <optional>
#include <string>

namespace brontle {

// Reads an image file, recognised by its content rather than its extension. std::nullopt when
// there is no such file; throws Error(HostFileUnreadable, "<path>: not an image this host can
// read") when the file is there but cannot be decoded (or is a folder). Paths may use '\'.
std::optional<Image> readImageFile(const std::string& path);
// readImageFile as the scene graph's ImageReader.
ImageReader qtImageReader();

// Writes `image` as BMP or PNG, chosen by the extension (any case). BMP files are 24-bit: the
// colour of every pixel is kept and its alpha dropped; PNG keeps both. The file is replaced
// atomically: a failure leaves the old file as it was. Throws Error(HostBadArgument) for an image
// whose pixel count does not match its size, and Error(HostFileUnwritable) naming the path for
// another extension, an empty image, or a file that cannot be written.
void saveImage(const std::string& path, const Image& image);

} // namespace brontle
