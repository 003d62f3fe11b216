#include "brontle/io/LoadMemory.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace brontle {
namespace {

namespace fs = std::filesystem;

// Peak bytes in memory per byte of the file, with about 20 % to spare over what loading a
// million-triangle grid took in each format: OBJ 7.4, ASCII OFF 6.8, binary PLY 13, binary
// STL 4.8. Text spends many bytes per number, so text formats grow least; indexed binary
// geometry is stored almost as it will be held in memory, so it grows most. glTF buffers that
// repeat a vertex per corner grew only 3.5, but indexed ones are as dense as binary PLY and get
// its growth. FBX stores compressed arrays and so gets the largest.
constexpr std::uint64_t kTextGrowth = 9;
constexpr std::uint64_t kBinaryStlGrowth = 6;
constexpr std::uint64_t kBinaryGrowth = 16;
constexpr std::uint64_t kCompressedGrowth = 24;

std::string lowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

std::string firstBytes(const fs::path& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// A binary PLY says so in its header's format line, which lies in the first few hundred bytes.
bool isBinaryPly(const fs::path& path) {
    const std::string header = firstBytes(path, 4096);
    return header.find("format binary") != std::string::npos;
}

// Binary STL: 84 header bytes and 50 per triangle, nothing else (ASCII STL starts with "solid",
// but so may the header of a binary one; the size decides).
bool isBinaryStl(const fs::path& path, std::uint64_t size) {
    const std::string header = firstBytes(path, 84);
    if (header.size() < 84) {
        return false;
    }
    std::uint64_t count = 0;
    for (int i = 0; i < 4; ++i) {
        count |= std::uint64_t(static_cast<unsigned char>(header[80 + i])) << (8 * i);
    }
    return size == 84 + 50 * count;
}

// The sum of the buffers' declared byteLength; 0 when the JSON cannot be read (the glTF reader
// then reports the file).
std::uint64_t gltfBufferBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const nlohmann::json document = nlohmann::json::parse(in, nullptr, false);
    if (!document.is_object() || !document.contains("buffers") || !document["buffers"].is_array()) {
        return 0;
    }
    std::uint64_t total = 0;
    for (const auto& buffer : document["buffers"]) {
        if (buffer.is_object() && buffer.contains("byteLength") &&
            buffer["byteLength"].is_number_unsigned()) {
            total += buffer["byteLength"].get<std::uint64_t>();
        }
    }
    return total;
}

} // namespace

std::uint64_t estimateLoadBytes(const std::string& path) {
    const fs::path file(path);
    std::error_code error;
    const std::uint64_t size = fs::file_size(file, error);
    if (error) {
        return 0;
    }
    const std::string ext = lowerExtension(file);
    if (ext == ".gltf") {
        return size * kTextGrowth + gltfBufferBytes(file) * kBinaryGrowth;
    }
    if (ext == ".ply") {
        return size * (isBinaryPly(file) ? kBinaryGrowth : kTextGrowth);
    }
    if (ext == ".stl") {
        return size * (isBinaryStl(file, size) ? kBinaryStlGrowth : kTextGrowth);
    }
    if (ext == ".obj" || ext == ".off") {
        return size * kTextGrowth;
    }
    if (ext == ".fbx") {
        return size * kCompressedGrowth;
    }
    return size * kBinaryGrowth; // .glb and anything else: indexed binary geometry
}

} // namespace brontle
