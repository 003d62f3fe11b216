#include "brontle/io/FilePrecheck.h"

#include "brontle/core/Error.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>
#include <vector>

namespace brontle {
namespace {

[[noreturn]] void fail(const std::string& fileName, const std::string& reason) {
    throw Error(ErrorNumber::HostFileUnreadable, fileName + ": " + reason, "loadMeshFile");
}

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// Splits the text at whitespace, keeping views into it.
std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        if (i > start) {
            out.push_back(text.substr(start, i - start));
        }
    }
    return out;
}

bool toCount(std::string_view word, std::uint64_t& value) {
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    return result.ec == std::errc() && result.ptr == word.data() + word.size();
}

// ---- PLY

// A decimal number as ASCII PLY writes one: optional sign, at most 20 digits with an optional
// fraction, optional exponent. Assimp's reader converts whatever a value starts with and does not
// stop at anything else, so a value that is not a number shifts every value after it; a NUL byte
// ends its line early.
bool isPlyNumber(std::string_view word) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < word.size() && word[i] >= '0' && word[i] <= '9') {
            ++i;
        }
        return i - start;
    };
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
        ++i;
    }
    std::size_t mantissa = digits();
    if (i < word.size() && word[i] == '.') {
        ++i;
        mantissa += digits();
    }
    // Assimp's reader stops converting after about twenty digits and reads the rest of the
    // digits as the next value (fuzzing: a 41-digit coordinate became a list of billions).
    // No exporter writes more than 17 significant digits.
    if (mantissa == 0 || mantissa > 20) {
        return false;
    }
    if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
        ++i;
        if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
            ++i;
        }
        if (digits() == 0) {
            return false;
        }
    }
    return i == word.size();
}

int plyTypeSize(std::string_view type) {
    if (type == "char" || type == "uchar" || type == "int8" || type == "uint8") {
        return 1;
    }
    if (type == "short" || type == "ushort" || type == "int16" || type == "uint16") {
        return 2;
    }
    if (type == "int" || type == "uint" || type == "int32" || type == "uint32" || type == "float" ||
        type == "float32") {
        return 4;
    }
    if (type == "double" || type == "float64") {
        return 8;
    }
    return 0;
}

struct PlyProperty {
    int size = 0;      // scalar size, or item size of a list
    int countSize = 0; // size of a list's count, 0 for a scalar
    bool countSigned = false;
};
struct PlyElement {
    std::string name;
    std::uint64_t count = 0;
    std::vector<PlyProperty> properties;
};

// A list count in the binary body, read with the file's byte order.
std::int64_t readCount(const std::string& bytes, std::size_t at, const PlyProperty& p,
                       bool bigEndian) {
    std::uint64_t value = 0;
    for (int i = 0; i < p.countSize; ++i) {
        const int shift = bigEndian ? 8 * (p.countSize - 1 - i) : 8 * i;
        value |= std::uint64_t(static_cast<unsigned char>(bytes[at + i])) << shift;
    }
    if (p.countSigned && (value >> (8 * p.countSize - 1)) & 1) {
        return -1;
    }
    return std::int64_t(value);
}

// Where the header's "end_header" line starts, or npos. Assimp's reader takes the keyword only
// as the first word of a line followed by white space; anywhere else (" xend_header",
// "end_header" glued to the body's first byte) it never sees the header end and reads forever.
std::size_t findEndHeader(const std::string& bytes) {
    const std::string_view keyword = "end_header";
    for (std::size_t at = bytes.find(keyword); at != std::string::npos;
         at = bytes.find(keyword, at + 1)) {
        std::size_t before = at;
        while (before > 0 && (bytes[before - 1] == ' ' || bytes[before - 1] == '\t')) {
            --before;
        }
        const std::size_t after = at + keyword.size();
        const bool lineStart = before == 0 || bytes[before - 1] == '\n';
        const bool wordEnd = after == bytes.size() || std::string_view(" \t\r\n").find(
                                                          bytes[after]) != std::string_view::npos;
        if (lineStart && wordEnd) {
            return at;
        }
    }
    return std::string::npos;
}

void checkPly(const std::string& bytes, const std::string& fileName) {
    const std::size_t end = findEndHeader(bytes);
    if (end == std::string::npos) {
        fail(fileName, "the PLY header is incomplete (no end_header)");
    }
    const std::size_t bodyStart = bytes.find('\n', end);
    if (bodyStart == std::string::npos) {
        fail(fileName, "the PLY file ends after its header");
    }

    std::istringstream header(bytes.substr(0, end));
    std::string line, format;
    std::vector<PlyElement> elements;
    while (std::getline(header, line)) {
        const auto w = words(line);
        if (w.empty() || w[0] == "ply" || w[0] == "comment" || w[0] == "obj_info") {
            continue;
        }
        // Outside comments a header is plain ASCII. Assimp's reader ends a word at the first
        // byte it does not expect, so a name with a NUL or a byte above 127 in it is read as a
        // shorter name followed by a count made of the rest (found by fuzzing: 22222222222
        // items, read until memory ran out).
        if (std::any_of(line.begin(), line.end(), [](char c) {
                const auto byte = static_cast<unsigned char>(c);
                return byte == 0 || byte > 126 || (byte < 32 && !std::isspace(byte));
            })) {
            fail(fileName, "a PLY header line holds bytes that are not text");
        }
        if (w[0] == "format") {
            if (w.size() < 2) {
                fail(fileName, "the PLY format line is incomplete");
            }
            format = std::string(w[1]);
        } else if (w[0] == "element") {
            PlyElement element;
            if (w.size() < 3 || !toCount(w[2], element.count)) {
                fail(fileName, "a PLY element has no count: " + line);
            }
            element.name = std::string(w[1]);
            // A name is a word that does not start with a digit: Assimp's reader takes the
            // leading digits of such a name as the item count (found by fuzzing: an element
            // named 165972664Face became 165,972,664 items, read until memory ran out).
            if (std::isdigit(static_cast<unsigned char>(element.name[0])) ||
                element.name[0] == '+' || element.name[0] == '-' || element.name[0] == '.') {
                fail(fileName, "the PLY element name " + element.name + " starts with a number");
            }
            // Assimp's reader sizes its arrays from the first element of a name and then fills
            // them from every element of that name, writing past their end (found by fuzzing:
            // a misspelt end_header line let a second header's elements count as more).
            for (const PlyElement& earlier : elements) {
                if (earlier.name == element.name) {
                    fail(fileName, "the PLY element " + element.name + " is declared twice");
                }
            }
            elements.push_back(element);
        } else if (w[0] == "property") {
            if (elements.empty()) {
                fail(fileName, "a PLY property comes before any element");
            }
            PlyProperty p;
            if (w.size() >= 5 && w[1] == "list") {
                p.countSize = plyTypeSize(w[2]);
                p.countSigned = w[2][0] != 'u';
                p.size = plyTypeSize(w[3]);
                if (p.countSize == 0 || p.size == 0 || p.countSize == 8) {
                    fail(fileName, "a PLY list property has an unknown type: " + line);
                }
            } else {
                p.size = w.size() >= 3 ? plyTypeSize(w[1]) : 0;
                if (p.size == 0) {
                    fail(fileName, "a PLY property is incomplete or of unknown type: " + line);
                }
            }
            elements.back().properties.push_back(p);
        }
        // Any other header line is passed over like a comment: some exporters write a bare
        // free-text line there, and the reader that follows accepts it too.
    }
    if (format != "ascii" && format != "binary_little_endian" && format != "binary_big_endian") {
        fail(fileName, "the PLY format is missing or unknown");
    }
    // Items without properties take no room in the body, so nothing bounds their count, and
    // Assimp's reader still walks them one by one (billions of faces read forever). Every
    // property takes at least one word or byte, which bounds the walk below by the file size.
    for (const PlyElement& element : elements) {
        if (element.count > 0 && element.properties.empty()) {
            fail(fileName, "the PLY element " + element.name + " declares " +
                               std::to_string(element.count) + " items but no properties");
        }
    }

    const std::string missing = "the PLY file ends before all the elements its header declares";
    if (format == "ascii") {
        // Assimp's reader takes one item per line: a line with fewer values than its item needs
        // (a blank line, a list shorter than its count) is not read from the next line but
        // fails that item, and the reader then carries on with fewer items than the header
        // declared. So each item must be whole on its own line here, every value a number;
        // values after the item on its line are passed over, as the reader does.
        const std::string_view body = std::string_view(bytes).substr(bodyStart + 1);
        const std::size_t headerLines = std::size_t(
            std::count(bytes.begin(), bytes.begin() + std::ptrdiff_t(bodyStart + 1), '\n'));
        std::size_t lineStart = 0;
        std::size_t lineNumber = headerLines;
        for (const PlyElement& element : elements) {
            for (std::uint64_t e = 0; e < element.count; ++e) {
                if (lineStart >= body.size()) {
                    fail(fileName, missing);
                }
                std::size_t lineEnd = body.find('\n', lineStart);
                if (lineEnd == std::string_view::npos) {
                    lineEnd = body.size();
                }
                const auto w = words(body.substr(lineStart, lineEnd - lineStart));
                lineStart = lineEnd + 1;
                ++lineNumber;
                const std::string shortLine = "line " + std::to_string(lineNumber) +
                                              " holds fewer values than its " + element.name +
                                              " needs";
                std::size_t next = 0;
                for (const PlyProperty& p : element.properties) {
                    if (next >= w.size()) {
                        fail(fileName, shortLine);
                    }
                    std::uint64_t items = 0;
                    // A list's length must fit its declared type: the reader keeps it there.
                    const std::uint64_t longest = p.countSize >= 4
                                                      ? 0xffffffffu
                                                      : (std::uint64_t(1) << (8 * p.countSize)) - 1;
                    if (p.countSize > 0 && (!toCount(w[next], items) || items > longest)) {
                        fail(fileName, "a PLY list has no valid length on line " +
                                           std::to_string(lineNumber));
                    }
                    if (items > w.size() - next - 1) {
                        fail(fileName, shortLine);
                    }
                    for (std::size_t v = next; v <= next + std::size_t(items); ++v) {
                        if (!isPlyNumber(w[v])) {
                            fail(fileName,
                                 "line " + std::to_string(lineNumber) +
                                     " holds a value that is not a number of at most 20 digits");
                        }
                    }
                    next += 1 + std::size_t(items);
                }
            }
        }
        return;
    }
    const bool bigEndian = format == "binary_big_endian";
    std::size_t at = bodyStart + 1;
    for (const PlyElement& element : elements) {
        for (std::uint64_t e = 0; e < element.count; ++e) {
            for (const PlyProperty& p : element.properties) {
                if (p.countSize == 0) {
                    if (bytes.size() - at < std::size_t(p.size)) {
                        fail(fileName, missing);
                    }
                    at += std::size_t(p.size);
                    continue;
                }
                if (bytes.size() - at < std::size_t(p.countSize)) {
                    fail(fileName, missing);
                }
                const std::int64_t items = readCount(bytes, at, p, bigEndian);
                if (items < 0) {
                    fail(fileName, "a PLY list has a negative length");
                }
                at += std::size_t(p.countSize);
                if (std::uint64_t(bytes.size() - at) / std::uint64_t(p.size) <
                    std::uint64_t(items)) {
                    fail(fileName, missing);
                }
                at += std::size_t(items) * std::size_t(p.size);
            }
        }
    }
}

// ---- OFF

void checkOff(const std::string& bytes, const std::string& fileName) {
    // Lines with their comments removed, empty ones skipped.
    std::vector<std::string_view> lines;
    std::string_view text(bytes);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t stop = text.find('\n', start);
        if (stop == std::string_view::npos) {
            stop = text.size();
        }
        std::string_view l = text.substr(start, stop - start);
        if (const std::size_t hash = l.find('#'); hash != std::string_view::npos) {
            l = l.substr(0, hash);
        }
        if (!words(l).empty()) {
            lines.push_back(l);
        }
        start = stop + 1;
    }
    // The keyword may share its line with the counts ("OFF 8 6 0").
    std::vector<std::string_view> counts;
    std::size_t next = 1;
    if (!lines.empty()) {
        const auto first = words(lines[0]);
        // Without the keyword (OFF allows that) the first line holds the counts themselves, as
        // Assimp's reader takes it; reading it as a keyword line would check the wrong counts.
        const bool keyword = first[0].ends_with("OFF");
        counts.assign(first.begin() + (keyword ? 1 : 0), first.end());
        if (counts.empty() && lines.size() > 1) {
            counts = words(lines[next++]);
        }
    }
    std::uint64_t vertices = 0, faces = 0;
    if (counts.size() < 2 || !toCount(counts[0], vertices) || !toCount(counts[1], faces)) {
        fail(fileName, "the OFF vertex and face counts are missing");
    }
    // Counts near 2^64 must not wrap around when added (found by fuzzing).
    const std::uint64_t available = lines.size() - next;
    if (vertices > available || faces > available - vertices) {
        fail(fileName, "the OFF file ends before all the vertices and faces it declares");
    }
    // Assimp's reader goes on reading a vertex's coordinates past the end of a line that holds
    // only one, shifting every line after it (found by fuzzing: the last face was then read past
    // the end of the file).
    for (std::uint64_t v = 0; v < vertices; ++v) {
        if (words(lines[next + v]).size() < 3) {
            fail(fileName, "OFF vertex " + std::to_string(v) + " has fewer than 3 coordinates");
        }
    }
    for (std::uint64_t f = 0; f < faces; ++f) {
        const auto w = words(lines[next + vertices + f]);
        std::uint64_t corners = 0;
        if (!toCount(w[0], corners) || w.size() - 1 < corners) {
            fail(fileName, "OFF face " + std::to_string(f) + " is incomplete");
        }
        // Assimp's OFF reader drops a face without corners or with more than 9 by decrementing
        // its face count and reading the next line in its place; two such faces in a row take
        // the count below zero and crash it. Refusing them also avoids a silently partial mesh.
        if (corners == 0) {
            fail(fileName, "OFF face " + std::to_string(f) + " has no corners");
        }
        if (corners > 9) {
            fail(fileName, "OFF face " + std::to_string(f) + " has " + std::to_string(corners) +
                               " corners; OFF faces are read with at most 9");
        }
        for (std::uint64_t k = 1; k <= corners; ++k) {
            std::uint64_t index = 0;
            if (!toCount(w[k], index) || index >= vertices) {
                fail(fileName, "OFF face " + std::to_string(f) + " uses vertex " +
                                   std::string(w[k]) + " but the file has " +
                                   std::to_string(vertices));
            }
        }
    }
}

// ---- STL

// Binary STL: an 80-byte header, a triangle count, 50 bytes per triangle. A binary file may
// begin with "solid" too, so the size decides.
bool isBinaryStl(const std::string& bytes) {
    if (bytes.size() < 84) {
        return false;
    }
    std::uint64_t count = 0;
    for (int i = 0; i < 4; ++i) {
        count |= std::uint64_t(static_cast<unsigned char>(bytes[80 + i])) << (8 * i);
    }
    return bytes.size() == 84 + 50 * count;
}

void checkAsciiStl(const std::string& bytes, const std::string& fileName) {
    for (std::string_view w : words(bytes)) {
        if (w == "endsolid") {
            return;
        }
    }
    fail(fileName, "the STL file ends before its endsolid line");
}

// ---- glTF / GLB

// The JSON of a GLB file: its first chunk (version 2: a 12-byte header, then the chunk's length
// and type; version 1: a 20-byte header with the JSON's length at byte 12). Empty when the
// file is too short for it.
std::string glbJson(const std::string& bytes, const std::string& fileName) {
    const auto word = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= std::uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
        }
        return value;
    };
    if (bytes.size() < 20 || bytes.compare(0, 4, "glTF") != 0) {
        return {};
    }
    // Both versions put the JSON's length at byte 12 and the JSON at byte 20. Assimp's reader
    // allocates a chunk's declared length before it looks at the file's (found by fuzzing: a
    // 572-byte file asked for 2 GB), so every chunk must end inside the file.
    const std::size_t length = word(12);
    if (bytes.size() - 20 < length) {
        fail(fileName, "the GLB file's JSON chunk runs past the end of the file");
    }
    if (const std::size_t next = 20 + length;
        word(4) == 2 && bytes.size() - next >= 8 && bytes.size() - next - 8 < word(next)) {
        fail(fileName, "the GLB file's binary chunk runs past the end of the file");
    }
    std::string json = bytes.substr(20, length);
    // The chunk is padded to 4 bytes with spaces; some writers pad with zero bytes.
    while (!json.empty() && json.back() == '\0') {
        json.pop_back();
    }
    return json;
}

// The accessor a primitive names: by index into an array (glTF 2) or by id into an object
// (glTF 1); null when there is none.
const nlohmann::json* accessorOf(const nlohmann::json& accessors, const nlohmann::json& ref) {
    if (accessors.is_array() && ref.is_number_unsigned() &&
        ref.get<std::uint64_t>() < accessors.size()) {
        return &accessors[ref.get<std::size_t>()];
    }
    if (accessors.is_object() && ref.is_string()) {
        const auto it = accessors.find(ref.get<std::string>());
        return it == accessors.end() ? nullptr : &*it;
    }
    return nullptr;
}

// Assimp's glTF readers build a strip or fan primitive of n indices (of n vertices when it has
// no indices) as n - 2 triangles, a line strip as n - 1 lines and a line loop as n, and write the
// first one before looking at n: a strip or fan of fewer than 3, or a line strip or loop of
// fewer than 2, allocates billions of faces or writes past the face array (found by fuzzing).
// Such primitives are refused, as is a file whose JSON does not parse (glTF is JSON: nothing can
// be read from it, and the readers would only fail later or fall back to other formats).
void checkGltf(const std::string& bytes, bool binary, const std::string& fileName) {
    // A GLB file too short for its header or not GLB at all is refused by the readers themselves.
    const std::string json = binary ? glbJson(bytes, fileName) : bytes;
    if (binary && json.empty()) {
        return;
    }
    const nlohmann::json doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded()) {
        fail(fileName, binary ? "the GLB file's JSON chunk is not valid JSON"
                              : "the glTF file is not valid JSON");
    }
    if (!doc.is_object()) {
        return;
    }
    const auto meshes = doc.find("meshes");
    if (meshes == doc.end() || !(meshes->is_array() || meshes->is_object())) {
        return;
    }
    static const nlohmann::json none;
    const auto accessorsIt = doc.find("accessors");
    const nlohmann::json& accessors = accessorsIt == doc.end() ? none : *accessorsIt;
    for (const nlohmann::json& mesh : *meshes) {
        if (!mesh.is_object() || !mesh.contains("primitives") || !mesh["primitives"].is_array()) {
            continue;
        }
        for (const nlohmann::json& primitive : mesh["primitives"]) {
            if (!primitive.is_object()) {
                continue;
            }
            // The readers take a mode that is not an integer as triangles (4).
            const auto mode = primitive.find("mode");
            const std::int64_t m = mode != primitive.end() && mode->is_number_integer()
                                       ? mode->get<std::int64_t>()
                                       : 4;
            std::uint64_t needed = 0;
            if (m == 2 || m == 3) {
                needed = 2;
            } else if (m == 5 || m == 6) {
                needed = 3;
            } else {
                continue;
            }
            // The indices' count, else the positions' count; any other shape counts as none.
            const nlohmann::json* accessor = nullptr;
            if (const auto indices = primitive.find("indices"); indices != primitive.end()) {
                accessor = accessorOf(accessors, *indices);
            } else if (const auto attributes = primitive.find("attributes");
                       attributes != primitive.end() && attributes->is_object() &&
                       attributes->contains("POSITION")) {
                accessor = accessorOf(accessors, (*attributes)["POSITION"]);
            }
            std::uint64_t count = 0;
            if (accessor && accessor->is_object() && accessor->contains("count") &&
                (*accessor)["count"].is_number_unsigned()) {
                count = (*accessor)["count"].get<std::uint64_t>();
            }
            if (count < needed) {
                fail(fileName, needed == 3
                                   ? "a glTF triangle strip or fan has only " +
                                         std::to_string(count) +
                                         " of the 3 vertices one triangle needs"
                                   : "a glTF line strip or loop has only " + std::to_string(count) +
                                         " of the 2 vertices one line needs");
            }
        }
    }
}

} // namespace

void precheckMeshFile(const std::string& path, const std::string& fileName) {
    std::ifstream in(path, std::ios::binary);
    std::string start(4, '\0');
    in.read(start.data(), 4);
    start.resize(std::size_t(in.gcount()));
    const std::string ext = lowerExtension(path);
    const bool ply = ext == ".ply" || start.rfind("ply", 0) == 0;
    const auto firstWord = words(start);
    const bool off =
        !ply && (ext == ".off" || (!firstWord.empty() && firstWord[0].ends_with("OFF")));
    const bool stl = ext == ".stl";
    const bool gltf = ext == ".gltf" || ext == ".glb";
    if (!ply && !off && !stl && !gltf) {
        return;
    }
    in.clear();
    in.seekg(0);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (gltf) {
        checkGltf(bytes, ext == ".glb", fileName);
    } else if (ply) {
        checkPly(bytes, fileName);
    } else if (off) {
        checkOff(bytes, fileName);
    } else if (bytes.rfind("solid", 0) == 0 && !isBinaryStl(bytes)) {
        checkAsciiStl(bytes, fileName);
    }
}

} // namespace brontle
