#pragma once
// Small meshes written out literally in each file format the host reads, with the values a
// reader must produce from them.

#include "brontle/core/Records.h"
#include "brontle/model/Shape.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace iotest {

using brontle::Vector2;
using brontle::Vector3;

// An OBJ-style indexed mesh: faces list (vertex, texcoord, normal) per corner, 0-based.
struct LiteralMesh {
    std::vector<Vector3> v;
    std::vector<Vector2> vt;
    std::vector<Vector3> vn;
    std::vector<std::vector<std::array<int, 3>>> faces;
};

// A unit cube of 6 quads with one normal per face (hard edges everywhere) and a cross-shaped
// layout of 14 texture coordinates; every value is exact in binary and in decimal.
inline LiteralMesh splitCube() {
    LiteralMesh m;
    m.v = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    m.vn = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    // Cross layout on a 0.25 grid: row of four faces at v in [0.25, 0.5], caps above and below.
    for (float u : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
        m.vt.push_back({u, 0.25f});
    }
    for (float u : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}) {
        m.vt.push_back({u, 0.5f});
    }
    m.vt.insert(m.vt.end(), {{0.25f, 0.0f}, {0.5f, 0.0f}, {0.25f, 0.75f}, {0.5f, 0.75f}});
    m.faces = {
        {{0, 10, 0}, {3, 11, 0}, {2, 6, 0}, {1, 5, 0}}, // z = 0, facing -z
        {{4, 1, 1}, {5, 2, 1}, {6, 7, 1}, {7, 6, 1}},   // z = 1
        {{0, 0, 2}, {1, 1, 2}, {5, 6, 2}, {4, 5, 2}},   // y = 0
        {{3, 12, 3}, {7, 7, 3}, {6, 8, 3}, {2, 13, 3}}, // y = 1
        {{0, 3, 4}, {4, 2, 4}, {7, 7, 4}, {3, 8, 4}},   // x = 0
        {{1, 4, 5}, {2, 9, 5}, {6, 8, 5}, {5, 3, 5}},   // x = 1
    };
    return m;
}

inline std::string objText(const LiteralMesh& m, const std::string& header = "") {
    std::string text = header;
    auto number = [](float f) { return std::to_string(f); };
    for (const Vector3& p : m.v) {
        text += "v " + number(p.x) + " " + number(p.y) + " " + number(p.z) + "\n";
    }
    for (const Vector2& t : m.vt) {
        text += "vt " + number(t.u) + " " + number(t.v) + "\n";
    }
    for (const Vector3& n : m.vn) {
        text += "vn " + number(n.x) + " " + number(n.y) + " " + number(n.z) + "\n";
    }
    for (const auto& face : m.faces) {
        text += "f";
        for (const auto& c : face) {
            text += " " + std::to_string(c[0] + 1) + "/" + std::to_string(c[1] + 1) + "/" +
                    std::to_string(c[2] + 1);
        }
        text += "\n";
    }
    return text;
}

inline bool sameBits(const Vector3& a, const Vector3& b) {
    return std::bit_cast<std::array<std::uint32_t, 3>>(a) ==
           std::bit_cast<std::array<std::uint32_t, 3>>(b);
}
inline bool sameBits(const Vector2& a, const Vector2& b) {
    return std::bit_cast<std::array<std::uint32_t, 2>>(a) ==
           std::bit_cast<std::array<std::uint32_t, 2>>(b);
}

// The shape holds exactly the literal polygons, in order, corner by corner, with every value
// bit-identical, and its pools hold each distinct value once (positions welded, normals and
// texture coordinates deduplicated).
inline void expectShapeIs(const brontle::Shape& shape, const LiteralMesh& m) {
    ASSERT_EQ(shape.GetPolygonCount(), std::int32_t(m.faces.size()));
    std::set<std::tuple<float, float, float>> positions, normals;
    std::set<std::pair<float, float>> uvs;
    const auto& start = shape.polygonStart();
    for (std::size_t p = 0; p < m.faces.size(); ++p) {
        ASSERT_EQ(start[p + 1] - start[p], std::int32_t(m.faces[p].size())) << "polygon " << p;
        for (std::size_t k = 0; k < m.faces[p].size(); ++k) {
            const std::int32_t c = start[p] + std::int32_t(k);
            const auto& [vi, ti, ni] = m.faces[p][k];
            EXPECT_TRUE(sameBits(shape.vertices()[shape.cornerVertex()[c]], m.v[vi]))
                << p << "/" << k;
            EXPECT_TRUE(sameBits(shape.normals()[shape.cornerNormal()[c]], m.vn[ni]))
                << p << "/" << k;
            EXPECT_TRUE(sameBits(shape.texcoords()[shape.cornerTexCoord()[c]], m.vt[ti]))
                << p << "/" << k;
            positions.insert({m.v[vi].x, m.v[vi].y, m.v[vi].z});
            normals.insert({m.vn[ni].x, m.vn[ni].y, m.vn[ni].z});
            uvs.insert({m.vt[ti].u, m.vt[ti].v});
        }
    }
    EXPECT_EQ(shape.GetVertexCount(), std::int32_t(positions.size()));
    EXPECT_EQ(shape.GetNormalCount(), std::int32_t(normals.size()));
    EXPECT_EQ(shape.GetTextureCoordinateCount(), std::int32_t(uvs.size()));
}

// ---- a quad (0,0,0) (1,0,0) (1,1,0) (0,1,0) and a triangle (1,0,0) (2,0,0) (1,1,0) beside it,
// facing +z, in the formats that keep polygons.

inline std::string tilePlyAscii() {
    return "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty float y\n"
           "property float z\nelement face 2\nproperty list uchar int vertex_indices\nend_header\n"
           "0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 0 0\n4 0 1 2 3\n3 1 4 2\n";
}

inline void appendFloat(std::string& out, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out += char((bits >> (8 * i)) & 0xff);
    }
}
inline void appendU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out += char((value >> (8 * i)) & 0xff);
    }
}
inline void appendU16(std::string& out, std::uint16_t value) {
    out += char(value & 0xff);
    out += char(value >> 8);
}

inline std::string tilePlyBinary() {
    std::string out = "ply\nformat binary_little_endian 1.0\nelement vertex 5\nproperty float x\n"
                      "property float y\nproperty float z\nelement face 2\n"
                      "property list uchar int vertex_indices\nend_header\n";
    for (float f : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 1.f, 1.f, 0.f, 0.f, 1.f, 0.f, 2.f, 0.f, 0.f}) {
        appendFloat(out, f);
    }
    out += char(4);
    for (std::uint32_t i : {0u, 1u, 2u, 3u}) {
        appendU32(out, i);
    }
    out += char(3);
    for (std::uint32_t i : {1u, 4u, 2u}) {
        appendU32(out, i);
    }
    return out;
}

inline std::string tileOff() {
    return "OFF\n5 2 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 0 0\n4 0 1 2 3\n3 1 4 2\n";
}

// The tile as three triangles (STL has nothing else): (0,1,2) (0,2,3) (1,4,2).
inline std::string tileStlAscii() {
    const char* facet = "  facet normal 0 0 1\n    outer loop\n";
    auto vertex = [](int x, int y) {
        return "      vertex " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
    };
    std::string out = "solid tile\n";
    for (auto t : {std::array<std::pair<int, int>, 3>{{{0, 0}, {1, 0}, {1, 1}}},
                   std::array<std::pair<int, int>, 3>{{{0, 0}, {1, 1}, {0, 1}}},
                   std::array<std::pair<int, int>, 3>{{{1, 0}, {2, 0}, {1, 1}}}}) {
        out += facet;
        for (auto [x, y] : t) {
            out += vertex(x, y);
        }
        out += "    endloop\n  endfacet\n";
    }
    return out + "endsolid tile\n";
}

inline std::string tileStlBinary() {
    std::string out(80, ' ');
    out.replace(0, 10, "binarytile");
    appendU32(out, 3);
    const float triangles[3][9] = {
        {0, 0, 0, 1, 0, 0, 1, 1, 0}, {0, 0, 0, 1, 1, 0, 0, 1, 0}, {1, 0, 0, 2, 0, 0, 1, 1, 0}};
    for (const auto& t : triangles) {
        for (float f : {0.f, 0.f, 1.f}) {
            appendFloat(out, f);
        }
        for (float f : t) {
            appendFloat(out, f);
        }
        appendU16(out, 0);
    }
    return out;
}

// ---- glTF: the unit quad as two triangles with a texture coordinate stored per vertex. The
// stored values are glTF's own (v pointing down); the host must show 1 - v.
inline const std::vector<Vector2>& quadStoredUV() {
    static const std::vector<Vector2> uv{
        {0.0f, 0.75f}, {1.0f, 0.75f}, {1.0f, 0.25f}, {0.0f, 0.25f}};
    return uv;
}

// Binary buffer: 4 positions, 4 normals, 4 texcoords, 6 uint16 indices (0 1 2 0 2 3).
inline std::string quadGltfBuffer() {
    std::string out;
    for (float f : {0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 1.f, 1.f, 0.f, 0.f, 1.f, 0.f}) {
        appendFloat(out, f);
    }
    for (int i = 0; i < 4; ++i) {
        for (float f : {0.f, 0.f, 1.f}) {
            appendFloat(out, f);
        }
    }
    for (const Vector2& t : quadStoredUV()) {
        appendFloat(out, t.u), appendFloat(out, t.v);
    }
    for (std::uint16_t i : {0, 1, 2, 0, 2, 3}) {
        appendU16(out, i);
    }
    return out; // 48 + 48 + 32 + 12 = 140 bytes
}

inline std::string quadGltfJson(const std::string& bufferUri) {
    const std::string uri = bufferUri.empty() ? "" : "\"uri\":\"" + bufferUri + "\",";
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
           R"("nodes":[{"name":"tile","mesh":0,"translation":[5,0,0]}],)"
           R"("meshes":[{"name":"tileMesh","primitives":[{"attributes":{"POSITION":0,"NORMAL":1,"TEXCOORD_0":2},"indices":3,"material":0}]}],)"
           R"("materials":[{"name":"paint","pbrMetallicRoughness":{"baseColorFactor":[0.25,0.5,0.75,1.0]}}],)"
           R"("buffers":[{)" +
           uri +
           R"("byteLength":140}],)"
           R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":48},{"buffer":0,"byteOffset":48,"byteLength":48},)"
           R"({"buffer":0,"byteOffset":96,"byteLength":32},{"buffer":0,"byteOffset":128,"byteLength":12}],)"
           R"("accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},)"
           R"({"bufferView":1,"componentType":5126,"count":4,"type":"VEC3"},)"
           R"({"bufferView":2,"componentType":5126,"count":4,"type":"VEC2"},)"
           R"({"bufferView":3,"componentType":5123,"count":6,"type":"SCALAR"}]})";
}

// A GLB file of the JSON and the binary buffer, each chunk padded to 4 bytes.
inline std::string glbOf(std::string json, std::string bin) {
    while (json.size() % 4) {
        json += ' ';
    }
    while (bin.size() % 4) {
        bin += '\0';
    }
    std::string out = "glTF";
    appendU32(out, 2);
    appendU32(out, std::uint32_t(12 + 8 + json.size() + 8 + bin.size()));
    appendU32(out, std::uint32_t(json.size()));
    out += "JSON" + json;
    appendU32(out, std::uint32_t(bin.size()));
    out += std::string("BIN\0", 4) + bin;
    return out;
}

inline std::string quadGlb() {
    return glbOf(quadGltfJson(""), quadGltfBuffer());
}

// ---- FBX 7.4 ASCII: the tile (quad + triangle) as one model moved 3 along x, with normals and
// texture coordinates per corner.
inline std::string tileFbx() {
    return R"(; FBX 7.4.0 project file
FBXHeaderExtension:  {
	FBXHeaderVersion: 1003
	FBXVersion: 7400
}
Objects:  {
	Geometry: 100, "Geometry::tile", "Mesh" {
		Vertices: *15 {
			a: 0,0,0,1,0,0,1,1,0,0,1,0,2,0,0
		}
		PolygonVertexIndex: *7 {
			a: 0,1,2,-4,1,4,-3
		}
		GeometryVersion: 124
		LayerElementNormal: 0 {
			Version: 101
			Name: ""
			MappingInformationType: "ByPolygonVertex"
			ReferenceInformationType: "Direct"
			Normals: *21 {
				a: 0,0,1,0,0,1,0,0,1,0,0,1,0,0,1,0,0,1,0,0,1
			}
		}
		LayerElementUV: 0 {
			Version: 101
			Name: "UVMap"
			MappingInformationType: "ByPolygonVertex"
			ReferenceInformationType: "IndexToDirect"
			UV: *8 {
				a: 0,0,1,0,1,1,0,1
			}
			UVIndex: *7 {
				a: 0,1,2,3,0,1,2
			}
		}
		Layer: 0 {
			Version: 100
			LayerElement:  {
				Type: "LayerElementNormal"
				TypedIndex: 0
			}
			LayerElement:  {
				Type: "LayerElementUV"
				TypedIndex: 0
			}
		}
	}
	Model: 200, "Model::tile", "Mesh" {
		Version: 232
		Properties70:  {
			P: "Lcl Translation", "Lcl Translation", "", "A",3,0,0
		}
	}
}
Connections:  {
	C: "OO",100,200
	C: "OO",200,0
}
)";
}

} // namespace iotest
