#pragma once
// Windows bitmap files, read and written without Qt (textures load in headless runs and tests).
// Reads uncompressed 24- and 32-bit files and 1-, 4- and 8-bit palette files, bottom-up or
// top-down; writes 24-bit bottom-up files.

#include "brontle/model/Image.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace brontle {

// Decodes a whole file in memory. Throws Error(HostFileUnreadable) naming the reason for a
// truncated, malformed or unsupported file; `name` appears in the message.
Image decodeBmp(std::span<const std::uint8_t> bytes, const std::string& name);
std::vector<std::uint8_t> encodeBmp(const Image& image);

// Reads a file: std::nullopt when it does not exist; Error(HostFileUnreadable) when it exists
// but is no bitmap this reader understands.
std::optional<Image> readBmpFile(const std::string& path);
// Replaces `path` through FileGroup (AtomicFiles.h): a failure leaves the old file as it was
// and no temporary file behind. Throws Error(HostFileUnwritable) naming the path.
void writeBmpFile(const std::string& path, const Image& image);

} // namespace brontle
