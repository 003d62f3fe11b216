// Writing mesh files: exact OBJ + MTL text, glTF through Assimp, round trips, atomic writes.
#include "IoTestSupport.h"
#include "LiteralMeshes.h"

#include "brontle/io/MeshFile.h"
#include "brontle/io/SampleShapes.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

using namespace brontle;
using namespace iotest;

namespace {

std::vector<std::string> folderListing(const TempFolder& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void expectNear(const Vector3& a, const Vector3& b, const std::string& what) {
    EXPECT_NEAR(a.x, b.x, 1e-6f) << what;
    EXPECT_NEAR(a.y, b.y, 1e-6f) << what;
    EXPECT_NEAR(a.z, b.z, 1e-6f) << what;
}

// The polygons of `copy` are those of `original`, corner by corner. Pools are rebuilt in
// first-use order with exact duplicates merged, so indices may be renumbered; corners share a
// vertex in the copy exactly when they do in the original. Values may differ in the last
// bit: Assimp's OBJ number reader does not always round to the nearest float.
void expectSamePolygons(const Shape& original, const Shape& copy) {
    ASSERT_EQ(copy.polygonStart(), original.polygonStart());
    EXPECT_EQ(copy.GetVertexCount(), original.GetVertexCount());
    std::map<std::int32_t, std::int32_t> forward, backward;
    for (std::int32_t c = 0; c < original.cornerCount(); ++c) {
        const std::int32_t a = original.cornerVertex()[c], b = copy.cornerVertex()[c];
        EXPECT_EQ(forward.try_emplace(a, b).first->second, b) << "corner " << c;
        EXPECT_EQ(backward.try_emplace(b, a).first->second, a) << "corner " << c;
    }
    for (std::int32_t c = 0; c < original.cornerCount(); ++c) {
        const std::string at = "corner " + std::to_string(c);
        expectNear(copy.vertices()[copy.cornerVertex()[c]],
                   original.vertices()[original.cornerVertex()[c]], at);
        expectNear(copy.normals()[copy.cornerNormal()[c]],
                   original.normals()[original.cornerNormal()[c]], at);
        const Vector2 a = copy.texcoords()[copy.cornerTexCoord()[c]];
        const Vector2 b = original.texcoords()[original.cornerTexCoord()[c]];
        EXPECT_NEAR(a.u, b.u, 1e-6f) << at;
        EXPECT_NEAR(a.v, b.v, 1e-6f) << at;
    }
}

} // namespace

TEST(MeshFileSave, ObjRoundTripGivesBackTheSameArrays) {
    TempFolder dir;
    writeFile(dir.file("cube.obj"), objText(splitCube(), "o cube\n"));
    auto scene = newScene();
    const LoadedScene first = loadMeshFile(dir.file("cube.obj"), *scene);
    saveMeshFile(dir.file("again.obj"), first.shapes, first.shapeNames);
    const LoadedScene second = loadMeshFile(dir.file("again.obj"), *scene);
    ASSERT_EQ(second.shapes.size(), 1u);
    EXPECT_EQ(second.shapeNames, first.shapeNames);
    const Shape& a = *first.shapes[0];
    const Shape& b = *second.shapes[0];
    // Every value of the cube is exact in decimal, so the arrays come back bit for bit.
    EXPECT_EQ(b.vertices(), a.vertices());
    EXPECT_EQ(b.normals(), a.normals());
    EXPECT_EQ(b.texcoords(), a.texcoords());
    EXPECT_EQ(b.polygonStart(), a.polygonStart());
    EXPECT_EQ(b.cornerVertex(), a.cornerVertex());
    EXPECT_EQ(b.cornerNormal(), a.cornerNormal());
    EXPECT_EQ(b.cornerTexCoord(), a.cornerTexCoord());
    expectShapeIs(b, splitCube());
}

TEST(MeshFileSave, SampleShapesRoundTripThroughObjWithPolygonsIntact) {
    TempFolder dir;
    auto scene = newScene();
    const std::vector<ShapePtr> shapes{makeSampleShape(*scene), makeTorus(*scene, 12, 8)};
    saveMeshFile(dir.file("two.obj"), shapes, {"sample", "ring"});
    const LoadedScene loaded = loadMeshFile(dir.file("two.obj"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 2u);
    EXPECT_EQ(loaded.shapeNames, (std::vector<std::string>{"sample", "ring"}));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        expectSamePolygons(*shapes[i], *loaded.shapes[i]);
    }
}

TEST(MeshFileSave, ObjTextHasExactLinesWithIndicesRunningOnAcrossShapes) {
    TempFolder dir;
    auto scene = newScene();
    const ShapePtr grid = makeQuadGrid(*scene, 1, 1);
    grid->GetMaterialByIndex(0)->SetColorB({0.25f, 0.5f, 1.0f, 0.75f});
    saveMeshFile(dir.file("g.obj"), {grid, grid}, {"first"});
    const std::string obj = readFile(dir.file("g.obj"));
    // Grid vertices (0,0) (1,0) (0,1) (1,1), texcoords alike but in the order the polygon
    // uses them, one normal; the second copy's indices continue after the first's. The
    // material is written once, used twice.
    const std::string expected =
        "mtllib g.mtl\n\no first\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
        "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\nusemtl material1\n"
        "f 1/1/1 2/2/1 4/3/1 3/4/1\n\no shape1\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "v 1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
        "usemtl material1\nf 5/5/2 6/6/2 8/7/2 7/8/2\n";
    ASSERT_GE(obj.size(), expected.size());
    EXPECT_EQ(obj.substr(obj.size() - expected.size()), expected);
    const std::string mtl = readFile(dir.file("g.mtl"));
    EXPECT_NE(mtl.find("\nnewmtl material1\n"), std::string::npos) << mtl;
    EXPECT_NE(mtl.find("\nKd 0.25 0.5 1\n"), std::string::npos) << mtl;
    EXPECT_NE(mtl.find("\nd 0.75\n"), std::string::npos) << mtl;
    EXPECT_EQ(mtl.find("map_Kd"), std::string::npos) << "no texture, no map";
}

TEST(MeshFileSave, TexcoordsMoveByWholeTilesIntoTheTextureAndMaterialsKeepTheirNames) {
    TempFolder dir;
    auto scene = newScene();
    // Two quads: one wholly in the tile [-1, 0] x [-2, -1] (the editor's shifted layout), one
    // spanning u = 0, which no whole-tile move brings inside.
    const ShapePtr grid = makeQuadGrid(*scene, 2, 1);
    std::vector<Vector2> uv = grid->texcoords();
    ASSERT_EQ(uv.size(), 6u);
    const float u[3] = {-0.75f, -0.25f, 0.25f};
    for (std::size_t i = 0; i < uv.size(); ++i) {
        uv[i] = {u[i % 3], uv[i].v < 0.5f ? -1.5f : -1.0f};
    }
    grid->SetTextureCoordinates(uv);
    grid->GetMaterialByIndex(0)->SetName("Brick Wall");
    saveMeshFile(dir.file("t.obj"), {grid}, {"tiles"});
    const std::string obj = readFile(dir.file("t.obj"));
    std::vector<Vector2> written;
    std::istringstream lines(obj);
    for (std::string line; std::getline(lines, line);) {
        float a = 0, b = 0;
        if (std::sscanf(line.c_str(), "vt %f %f", &a, &b) == 2) {
            written.push_back({a, b});
        }
    }
    // Only used coordinates, each polygon's moved as a whole: the first quad by (+1, +2), the
    // second only in v (its u spans two tiles).
    const std::vector<Vector2> expected{{0.25f, 0.5f}, {0.75f, 0.5f},  {0.75f, 1.0f},
                                        {0.25f, 1.0f}, {-0.25f, 0.5f}, {0.25f, 0.5f},
                                        {0.25f, 1.0f}, {-0.25f, 1.0f}};
    ASSERT_EQ(written.size(), expected.size()) << obj;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(written[i].u, expected[i].u) << i;
        EXPECT_EQ(written[i].v, expected[i].v) << i;
    }
    EXPECT_NE(obj.find("\nusemtl Brick Wall\n"), std::string::npos) << obj;
    EXPECT_NE(readFile(dir.file("t.mtl")).find("\nnewmtl Brick Wall\n"), std::string::npos);
}

TEST(MeshFileSave, MtlNamesTheTextureRelativeToTheObjAndItReadsBack) {
    TempFolder dir;
    std::filesystem::create_directories(dir.path() / "maps");
    writeBmpFile(dir.file("maps/wood.bmp"), Image(2, 2, 0xff804020u));
    auto scene = newScene();
    std::int32_t width = 0, height = 0;
    const TexturePtr wood = scene->LoadTexture(dir.file("maps/wood.bmp"), 0, 0, "", "", 1.0f, "",
                                               "", "", width, height);
    ASSERT_TRUE(wood);
    const ShapePtr cube = makeFlatShadedCube(*scene);
    cube->GetMaterialByIndex(0)->SetTexture(wood);
    cube->GetMaterialByIndex(0)->SetColorB({0.5f, 0.25f, 0.125f, 1.0f});
    saveMeshFile(dir.file("box.obj"), {cube}, {"box"});
    EXPECT_NE(readFile(dir.file("box.mtl")).find("\nmap_Kd maps/wood.bmp\n"), std::string::npos)
        << readFile(dir.file("box.mtl"));

    const LoadedScene loaded = loadMeshFile(dir.file("box.obj"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    const MaterialPtr material = loaded.shapes[0]->GetMaterialByIndex(0);
    EXPECT_EQ(material->GetColorB(), (Color4{0.5f, 0.25f, 0.125f, 1.0f}));
    ASSERT_TRUE(material->texture());
    EXPECT_EQ(std::filesystem::path(material->texture()->file()), dir.path() / "maps" / "wood.bmp");
    EXPECT_EQ(material->texture()->image(), wood->image());
}

TEST(MeshFileSave, GltfAndGlbRoundTripFanTriangulatedWithVStoredPointingDown) {
    TempFolder dir;
    auto scene = newScene();
    const ShapePtr sample = makeSampleShape(*scene);
    for (const char* name : {"s.gltf", "s.glb"}) {
        SCOPED_TRACE(name);
        saveMeshFile(dir.file(name), {sample}, {"sample"});
        const LoadedScene loaded = loadMeshFile(dir.file(name), *scene);
        ASSERT_EQ(loaded.shapes.size(), 1u);
        EXPECT_EQ(loaded.shapeNames[0], "sample");
        const Shape& copy = *loaded.shapes[0];
        EXPECT_EQ(copy.GetVertexCount(), sample->GetVertexCount()) << "welded back together";
        // Triangle t of the copy is the t-th fan triangle (c0, ck, ck+1) of the original.
        std::vector<std::int32_t> fan;
        for (std::int32_t p = 0; p < sample->GetPolygonCount(); ++p) {
            const std::int32_t s = sample->polygonStart()[p], n = sample->polygonStart()[p + 1] - s;
            for (std::int32_t k = 1; k + 1 < n; ++k) {
                fan.insert(fan.end(), {s, s + k, s + k + 1});
            }
        }
        ASSERT_EQ(copy.cornerCount(), std::int32_t(fan.size()));
        for (std::int32_t c = 0; c < copy.cornerCount(); ++c) {
            const std::int32_t o = fan[c];
            EXPECT_EQ(copy.vertices()[copy.cornerVertex()[c]],
                      sample->vertices()[sample->cornerVertex()[o]]);
            // Assimp's glTF writer re-normalises normals: equal to the last bit or two.
            const Vector3 n = copy.normals()[copy.cornerNormal()[c]];
            const Vector3 m = sample->normals()[sample->cornerNormal()[o]];
            EXPECT_NEAR(n.x, m.x, 1e-6f);
            EXPECT_NEAR(n.y, m.y, 1e-6f);
            EXPECT_NEAR(n.z, m.z, 1e-6f);
            const Vector2 a = copy.texcoords()[copy.cornerTexCoord()[c]];
            const Vector2 b = sample->texcoords()[sample->cornerTexCoord()[o]];
            // 1 - (1 - v) on the way out and in: within a rounding of v.
            EXPECT_EQ(a.u, b.u);
            EXPECT_NEAR(a.v, b.v, 1e-7f) << c;
        }
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("s.bin"))) << "the .gltf's buffer beside it";
    EXPECT_NE(readFile(dir.file("s.gltf")).find("\"s.bin\""), std::string::npos);
    // The literal glTF stores v = 0.75 at the origin; read in, written out and read as plain
    // JSON + buffer, the stored value must be 0.75 again.
    writeFile(dir.file("quad.gltf"), quadGltfJson("quad.bin"));
    writeFile(dir.file("quad.bin"), quadGltfBuffer());
    const LoadedScene loaded = loadMeshFile(dir.file("quad.gltf"), *scene);
    saveMeshFile(dir.file("out.gltf"), loaded.shapes, loaded.shapeNames);
    const std::string bin = readFile(dir.file("out.bin"));
    // Every stored (u, v) pair of the literal must appear in the written buffer as bytes.
    for (const Vector2& t : quadStoredUV()) {
        std::string pair;
        appendFloat(pair, t.u);
        appendFloat(pair, t.v);
        EXPECT_NE(bin.find(pair), std::string::npos) << t.u << " " << t.v;
    }
}

TEST(MeshFileSave, FailedWritesLeaveExistingFilesAndOtherExtensionsAreRefusedByName) {
    TempFolder dir;
    auto scene = newScene();
    const ShapePtr cube = makeFlatShadedCube(*scene);
    writeFile(dir.file("keep.obj"), "old obj\n");
    // The MTL's place is taken by a folder, so the MTL cannot be renamed into place; the OBJ,
    // renamed only after it, must stay the old one.
    std::filesystem::create_directories(dir.path() / "keep.mtl" / "inside");
    const Error error = errorOf([&] { saveMeshFile(dir.file("keep.obj"), {cube}, {"c"}); });
    EXPECT_EQ(error.number(), ErrorNumber::HostFileUnwritable);
    EXPECT_EQ(error.description().rfind(dir.file("keep.mtl") + ": ", 0), 0u) << error.description();
    EXPECT_EQ(readFile(dir.file("keep.obj")), "old obj\n");
    EXPECT_EQ(folderListing(dir), (std::vector<std::string>{"keep.mtl", "keep.obj"}))
        << "no temporary file left behind";

    const std::string nowhere = dir.file("no/such/folder/x.obj");
    const Error missing = errorOf([&] { saveMeshFile(nowhere, {cube}, {"c"}); });
    EXPECT_EQ(missing.number(), ErrorNumber::HostFileUnwritable);
    EXPECT_EQ(missing.description().rfind(dir.file("no/such/folder/x.mtl") + ": ", 0), 0u)
        << missing.description();

    writeFile(dir.file("keep.glb"), "old glb");
    std::filesystem::create_directories(dir.path() / "busy.gltf" / "inside");
    EXPECT_EQ(errorOf([&] { saveMeshFile(dir.file("busy.gltf"), {cube}, {"c"}); }).number(),
              ErrorNumber::HostFileUnwritable);
    EXPECT_FALSE(std::filesystem::exists(dir.file("busy.bin")))
        << "bin renamed, gltf not: the pair must not split";

    // Other extensions are refused by name, and nothing is written.
    const std::vector<std::string> before = folderListing(dir);
    const Error refused = errorOf([&] { saveMeshFile(dir.file("mesh.stl"), {cube}, {"c"}); });
    EXPECT_EQ(refused.number(), ErrorNumber::HostFileUnwritable);
    EXPECT_EQ(refused.description(), "mesh.stl: unsupported format; save as .obj, .gltf or .glb");
    EXPECT_EQ(folderListing(dir), before);
}
