#include "brontle/io/ObjText.h"

#include "brontle/io/TextureTiles.h"

#include "brontle/model/Material.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"

#include <charconv>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

namespace brontle {
namespace {

namespace fs = std::filesystem;

void appendNumber(std::string& text, float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

void appendIndex(std::string& text, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

void appendLine(std::string& text, const char* keyword, std::initializer_list<float> values) {
    text += keyword;
    for (float v : values) {
        text += ' ';
        appendNumber(text, v);
    }
    text += '\n';
}

// A name must stay on its line: control characters (line breaks above all) become '_'.
std::string lineSafe(std::string name) {
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = '_';
        }
    }
    return name;
}

// The names materials are written under: a material keeps the name it had; one without a name
// (or whose name an earlier material took) gets "material<n>", a name no other material has.
struct MaterialNames {
    std::map<const Material*, std::string> names;
    std::vector<MaterialPtr> order; // first use first

    void use(const MaterialPtr& material) {
        if (names.try_emplace(material.get(), std::string()).second) {
            order.push_back(material);
        }
    }

    void assign() {
        std::set<std::string> taken;
        for (const MaterialPtr& m : order) {
            if (m && !m->name().empty() && taken.insert(lineSafe(m->name())).second) {
                names[m.get()] = lineSafe(m->name());
            }
        }
        int next = 1;
        for (const MaterialPtr& m : order) {
            std::string& name = names[m.get()];
            if (!name.empty()) {
                continue;
            }
            do {
                name = "material" + std::to_string(next++);
            } while (!taken.insert(name).second);
        }
    }
};

// Texture coordinate (index, tile shift) pairs of one shape, numbered in first use.
struct ShiftedKey {
    std::int32_t index;
    TileShift shift;
    bool operator==(const ShiftedKey&) const = default;
};
struct ShiftedKeyHash {
    std::size_t operator()(const ShiftedKey& k) const {
        std::uint64_t h = std::uint64_t(std::uint32_t(k.index)) * 0x9E3779B97F4A7C15ull;
        h ^= std::uint64_t(std::uint32_t(k.shift.u)) * 0xBF58476D1CE4E5B9ull + (h >> 31);
        h ^= std::uint64_t(std::uint32_t(k.shift.v)) * 0x94D049BB133111EBull + (h >> 29);
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
};

std::string mtlText(const MaterialNames& materials, const fs::path& objFolder) {
    std::string text = "# Brontle material library\n";
    for (const MaterialPtr& material : materials.order) {
        text += "\nnewmtl " + materials.names.at(material.get()) + '\n';
        if (!material) {
            appendLine(text, "Kd", {0.8f, 0.8f, 0.8f});
            continue;
        }
        const Color4 a = material->GetColorA(), b = material->GetColorB(),
                     c = material->GetColorC(), d = material->GetColorD();
        appendLine(text, "Ka", {a.r, a.g, a.b});
        appendLine(text, "Kd", {b.r, b.g, b.b});
        appendLine(text, "Ks", {c.r, c.g, c.b});
        appendLine(text, "Ke", {d.r, d.g, d.b});
        appendLine(text, "Ns", {material->GetMaterialValue()});
        appendLine(text, "d", {b.a});
        const TexturePtr texture = material->texture();
        if (texture && !texture->file().empty()) {
            const fs::path file = fs::absolute(texture->file()).lexically_normal();
            text +=
                "map_Kd " + lineSafe(file.lexically_proximate(objFolder).generic_string()) + '\n';
        }
    }
    return text;
}

} // namespace

std::vector<FileContent> objFileContents(const std::string& objPath,
                                         const std::vector<ShapePtr>& shapes,
                                         const std::vector<std::string>& names) {
    const fs::path obj(objPath);
    const fs::path objFolder = fs::absolute(obj).lexically_normal().parent_path();
    const fs::path mtl = fs::path(obj).replace_extension(".mtl");

    // Materials in first use, so that names are given before any polygon names one.
    MaterialNames materials;
    for (const ShapePtr& shape : shapes) {
        const auto& polygonMaterial = shape->polygonMaterial();
        const auto& table = shape->materials();
        for (std::int32_t p = 0; p < shape->GetPolygonCount(); ++p) {
            const std::int32_t m =
                p < std::int32_t(polygonMaterial.size()) ? polygonMaterial[p] : -1;
            if (m >= 0 && m < std::int32_t(table.size())) {
                materials.use(table[m]);
            }
        }
    }
    materials.assign();

    std::string text = "# Brontle mesh\nmtllib " + lineSafe(mtl.filename().string()) + '\n';
    std::int64_t vertexBase = 1, texcoordBase = 1, normalBase = 1;
    std::string faces;
    std::unordered_map<ShiftedKey, std::int64_t, ShiftedKeyHash> written;
    std::vector<ShiftedKey> writtenOrder;
    for (std::size_t s = 0; s < shapes.size(); ++s) {
        const Shape& shape = *shapes[s];
        const std::string name =
            s < names.size() && !names[s].empty() ? names[s] : "shape" + std::to_string(s);
        text += "\no " + lineSafe(name) + '\n';
        for (const Vector3& v : shape.vertices()) {
            appendLine(text, "v", {v.x, v.y, v.z});
        }

        const auto& start = shape.polygonStart();
        const auto& cornerVertex = shape.cornerVertex();
        const auto& cornerTexCoord = shape.cornerTexCoord();
        const auto& cornerNormal = shape.cornerNormal();
        const auto& polygonMaterial = shape.polygonMaterial();
        const auto& table = shape.materials();
        const std::string* current = nullptr;
        faces.clear();
        written.clear();
        writtenOrder.clear();
        for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
            const std::int32_t m =
                p < std::int32_t(polygonMaterial.size()) ? polygonMaterial[p] : -1;
            if (m >= 0 && m < std::int32_t(table.size())) {
                const std::string& materialName = materials.names.at(table[m].get());
                if (current != &materialName) {
                    faces += "usemtl " + materialName + '\n';
                }
                current = &materialName;
            }
            const TileShift shift = polygonTileShift(shape, p);
            faces += 'f';
            for (std::int32_t k = start[p]; k < start[p + 1]; ++k) {
                const ShiftedKey key{cornerTexCoord[k], shift};
                auto [it, inserted] =
                    written.try_emplace(key, static_cast<std::int64_t>(writtenOrder.size()));
                if (inserted) {
                    writtenOrder.push_back(key);
                }
                faces += ' ';
                appendIndex(faces, vertexBase + cornerVertex[k]);
                faces += '/';
                appendIndex(faces, texcoordBase + it->second);
                faces += '/';
                appendIndex(faces, normalBase + cornerNormal[k]);
            }
            faces += '\n';
        }
        // Only the texture coordinates polygons use, each moved as its polygon was.
        const auto& texcoords = shape.texcoords();
        for (const ShiftedKey& key : writtenOrder) {
            const Vector2 t = shifted(texcoords[key.index], key.shift);
            appendLine(text, "vt", {t.u, t.v});
        }
        for (const Vector3& n : shape.normals()) {
            appendLine(text, "vn", {n.x, n.y, n.z});
        }
        text += faces;
        vertexBase += shape.GetVertexCount();
        texcoordBase += static_cast<std::int64_t>(writtenOrder.size());
        normalBase += shape.GetNormalCount();
    }
    return {{mtl.string(), mtlText(materials, objFolder)}, {objPath, std::move(text)}};
}

} // namespace brontle
