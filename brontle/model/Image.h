#pragma once
// An RGBA image in memory, rows top to bottom, 0xAARRGGBB per pixel. The host's textures and
// rendered surfaces are images; Qt is not needed to hold or save one.

#include <cstdint>
#include <vector>

namespace brontle {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // width * height, row-major from the top row

    Image() = default;
    Image(int w, int h, std::uint32_t fill = 0xff000000u)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
    bool empty() const { return width <= 0 || height <= 0; }
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    friend bool operator==(const Image&, const Image&) = default;
};

} // namespace brontle
