#include "brontle/model/PngFile.h"

#include "brontle/model/HostProgress.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace brontle {
namespace {

const std::array<std::uint32_t, 256>& crcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void chunk(std::vector<std::uint8_t>& out, std::string_view type,
           const std::vector<std::uint8_t>& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t i = typeAt; i < out.size(); ++i) {
        crc = crcTable()[(crc ^ out[i]) & 0xff] ^ (crc >> 8);
    }
    put32(out, crc ^ 0xffffffffu);
}

} // namespace

// Rows encoded between two progress reports (reportProgress: a save run as a host operation).
constexpr int kRowsPerReport = 256;

std::vector<std::uint8_t> encodePng(const Image& image) {
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<std::uint8_t> header;
    put32(header, static_cast<std::uint32_t>(image.width));
    put32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no filter, no interlace
    chunk(out, "IHDR", header);

    // The scanlines: a filter byte (0, none) and the RGB bytes of each row.
    std::vector<std::uint8_t> raw;
    raw.reserve((static_cast<std::size_t>(image.width) * 3 + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        if (y % kRowsPerReport == 0) {
            reportProgress(static_cast<double>(y) / image.height);
        }
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.at(x, y);
            raw.push_back(static_cast<std::uint8_t>(p >> 16));
            raw.push_back(static_cast<std::uint8_t>(p >> 8));
            raw.push_back(static_cast<std::uint8_t>(p));
        }
    }
    // A zlib stream of stored blocks of at most 65535 bytes, with its Adler-32.
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    zlib.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
    std::size_t at = 0;
    do {
        const std::size_t length = std::min<std::size_t>(65535, raw.size() - at);
        const bool last = at + length == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<std::uint8_t>(length));
        zlib.push_back(static_cast<std::uint8_t>(length >> 8));
        zlib.push_back(static_cast<std::uint8_t>(~length));
        zlib.push_back(static_cast<std::uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                    raw.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32(zlib, (b << 16) | a);
    chunk(out, "IDAT", zlib);
    chunk(out, "IEND", {});
    return out;
}

} // namespace brontle
