#include "brontle/model/BmpFile.h"

#include "brontle/core/Error.h"
#include "brontle/model/AtomicFiles.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/HostProgress.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

namespace brontle {

namespace {

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}
std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

} // namespace

Image decodeBmp(std::span<const std::uint8_t> bytes, const std::string& name) {
    auto fail = [&](const std::string& why) {
        throw Error(ErrorNumber::HostFileUnreadable, name + ": " + why, "LoadTexture");
    };
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M') {
        fail("not a Windows bitmap");
    }
    const std::uint32_t dataOffset = le32(bytes, 10);
    const std::uint32_t headerSize = le32(bytes, 14);
    if (headerSize < 12 || 14 + std::size_t(headerSize) > bytes.size()) {
        fail("truncated bitmap header");
    }
    std::int64_t width = 0, height = 0;
    std::uint16_t bits = 0;
    std::uint32_t compression = 0, paletteCount = 0;
    if (headerSize == 12) {
        width = le16(bytes, 18);
        height = static_cast<std::int16_t>(le16(bytes, 20));
        bits = le16(bytes, 24);
    } else {
        if (bytes.size() < 14 + 40) {
            fail("truncated bitmap header");
        }
        width = static_cast<std::int32_t>(le32(bytes, 18));
        height = static_cast<std::int32_t>(le32(bytes, 22));
        bits = le16(bytes, 28);
        compression = le32(bytes, 30);
        paletteCount = le32(bytes, 46);
    }
    const bool topDown = height < 0;
    if (height < 0) {
        height = -height;
    }
    constexpr std::int64_t maxSide = 32768;
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide) {
        fail("unsupported bitmap size " + std::to_string(width) + " x " + std::to_string(height));
    }
    // 32-bit files may use bit fields (3) in the standard BGRA order; others must be plain.
    if (!(compression == 0 || (compression == 3 && bits == 32))) {
        fail("compressed bitmaps are not supported");
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        fail("unsupported bit depth " + std::to_string(bits));
    }
    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        const std::uint32_t entries = paletteCount ? paletteCount : (1u << bits);
        const std::size_t entrySize = headerSize == 12 ? 3 : 4;
        const std::size_t at = 14 + headerSize;
        if (entries > 256 || at + entries * entrySize > bytes.size()) {
            fail("truncated palette");
        }
        for (std::uint32_t i = 0; i < entries; ++i) {
            const std::size_t e = at + i * entrySize;
            palette.push_back(0xff000000u | std::uint32_t(bytes[e + 2]) << 16 |
                              std::uint32_t(bytes[e + 1]) << 8 | bytes[e]);
        }
    }
    const std::size_t rowBytes = ((std::size_t(width) * bits + 31) / 32) * 4;
    if (dataOffset > bytes.size() || rowBytes * std::size_t(height) > bytes.size() - dataOffset) {
        fail("truncated pixel data");
    }
    Image image(static_cast<int>(width), static_cast<int>(height));
    for (std::int64_t row = 0; row < height; ++row) {
        const std::size_t src = dataOffset + rowBytes * std::size_t(row);
        const int y = static_cast<int>(topDown ? row : height - 1 - row);
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = 0;
            if (bits == 24 || bits == 32) {
                const std::size_t p = src + std::size_t(x) * (bits / 8);
                pixel = 0xff000000u | std::uint32_t(bytes[p + 2]) << 16 |
                        std::uint32_t(bytes[p + 1]) << 8 | bytes[p];
            } else {
                const std::size_t bitIndex = std::size_t(x) * bits;
                const std::uint8_t byte = bytes[src + bitIndex / 8];
                const unsigned shift = 8 - bits - unsigned(bitIndex % 8);
                const unsigned index = (byte >> shift) & ((1u << bits) - 1);
                if (index >= palette.size()) {
                    fail("palette index out of range");
                }
                pixel = palette[index];
            }
            image.at(x, y) = pixel;
        }
    }
    return image;
}

// Rows encoded between two progress reports (reportProgress: a save run as a host operation).
constexpr int kRowsPerReport = 256;

std::vector<std::uint8_t> encodeBmp(const Image& image) {
    const std::size_t rowBytes = ((std::size_t(image.width) * 24 + 31) / 32) * 4;
    const std::size_t dataSize = rowBytes * std::size_t(image.height);
    std::vector<std::uint8_t> out;
    out.reserve(54 + dataSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, static_cast<std::uint32_t>(54 + dataSize));
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(image.width));
    put32(out, static_cast<std::uint32_t>(image.height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(dataSize));
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int row = image.height - 1; row >= 0; --row) {
        if (row % kRowsPerReport == 0) {
            reportProgress(static_cast<double>(image.height - 1 - row) / image.height);
        }
        const std::size_t start = out.size();
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.at(x, row);
            out.push_back(static_cast<std::uint8_t>(p));
            out.push_back(static_cast<std::uint8_t>(p >> 8));
            out.push_back(static_cast<std::uint8_t>(p >> 16));
        }
        out.resize(start + rowBytes, 0);
    }
    return out;
}

std::optional<Image> readBmpFile(const std::string& path) {
    hostCall("BmpFile::readBmpFile");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw Error(ErrorNumber::HostFileUnreadable, path + ": cannot be opened", "LoadTexture");
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    return decodeBmp(bytes, path);
}

void writeBmpFile(const std::string& path, const Image& image) {
    hostCall("BmpFile::writeBmpFile");
    if (image.empty()) {
        throw Error(ErrorNumber::HostFileUnwritable, path + ": the image is empty", "SaveSurface");
    }
    const std::vector<std::uint8_t> bytes = encodeBmp(image);
    FileGroup file("SaveSurface");
    file.add(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    file.commit();
}

} // namespace brontle
