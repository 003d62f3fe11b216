// Fuzzes decodeBmp, the reader behind SceneGraph::LoadTexture: any bytes must either decode to
// an image whose pixel array matches its size or raise brontle::Error.

#include "brontle/core/Error.h"
#include "brontle/model/BmpFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const brontle::Image image = brontle::decodeBmp(std::span(data, size), "fuzz.bmp");
        // A decoded image that disagrees with its own size would overrun every later reader.
        if (image.width < 0 || image.height < 0 ||
            image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) {
            std::abort();
        }
        // A decodable image must survive the writer and read back identically.
        const std::vector<std::uint8_t> encoded = brontle::encodeBmp(image);
        if (!image.empty() && brontle::decodeBmp(encoded, "again.bmp") != image) {
            std::abort();
        }
    } catch (const brontle::Error&) {
    }
    return 0;
}
