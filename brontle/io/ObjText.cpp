#include "brontle/io/ObjText.h"

#include "brontle/model/Material.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"

#include <charconv>
#include <filesystem>
#include <map>

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
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            c = '_';
    return name;
}

struct MaterialNames {
    std::map<const Material*, std::string> names;
    std::vector<MaterialPtr> order; // first use first

    const std::string& nameOf(const MaterialPtr& material) {
        auto [it, inserted] = names.try_emplace(material.get(), std::string());
        if (inserted) {
            it->second = "material" + std::to_string(order.size() + 1);
            order.push_back(material);
        }
        return it->second;
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

    MaterialNames materials;
    std::string text = "# Brontle mesh\nmtllib " + lineSafe(mtl.filename().string()) + '\n';
    std::int64_t vertexBase = 1, texcoordBase = 1, normalBase = 1;
    for (std::size_t s = 0; s < shapes.size(); ++s) {
        const Shape& shape = *shapes[s];
        const std::string name =
            s < names.size() && !names[s].empty() ? names[s] : "shape" + std::to_string(s);
        text += "\no " + lineSafe(name) + '\n';
        for (const Vector3& v : shape.vertices())
            appendLine(text, "v", {v.x, v.y, v.z});
        for (const Vector2& t : shape.texcoords())
            appendLine(text, "vt", {t.u, t.v});
        for (const Vector3& n : shape.normals())
            appendLine(text, "vn", {n.x, n.y, n.z});

        const auto& start = shape.polygonStart();
        const auto& cornerVertex = shape.cornerVertex();
        const auto& cornerTexCoord = shape.cornerTexCoord();
        const auto& cornerNormal = shape.cornerNormal();
        const auto& polygonMaterial = shape.polygonMaterial();
        const auto& table = shape.materials();
        const std::string* current = nullptr;
        for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
            const std::int32_t m =
                p < std::int32_t(polygonMaterial.size()) ? polygonMaterial[p] : -1;
            if (m >= 0 && m < std::int32_t(table.size())) {
                const std::string& materialName = materials.nameOf(table[m]);
                if (current != &materialName)
                    text += "usemtl " + materialName + '\n';
                current = &materialName;
            }
            text += 'f';
            for (std::int32_t k = start[p]; k < start[p + 1]; ++k) {
                text += ' ';
                appendIndex(text, vertexBase + cornerVertex[k]);
                text += '/';
                appendIndex(text, texcoordBase + cornerTexCoord[k]);
                text += '/';
                appendIndex(text, normalBase + cornerNormal[k]);
            }
            text += '\n';
        }
        vertexBase += shape.GetVertexCount();
        texcoordBase += shape.GetTextureCoordinateCount();
        normalBase += shape.GetNormalCount();
    }
    return {{mtl.string(), mtlText(materials, objFolder)}, {objPath, std::move(text)}};
}

} // namespace brontle
