// Reading mesh files: what each format gives the host, polygon by polygon.
#include "IoTestSupport.h"
#include "LiteralMeshes.h"

#include "brontle/io/MeshFile.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Frame.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"

#include <cmath>

using namespace brontle;
using namespace iotest;

namespace {

std::vector<std::int32_t> cornerCounts(const Shape& shape) {
    std::vector<std::int32_t> counts;
    for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
        counts.push_back(shape.polygonStart()[p + 1] - shape.polygonStart()[p]);
    }
    return counts;
}

Vector3 cornerPosition(const Shape& shape, std::int32_t p, std::int32_t k) {
    return shape.vertices()[shape.cornerVertex()[shape.polygonStart()[p] + k]];
}

// The tile (a quad and a triangle, facing +z) as PLY and OFF give it: no normals or texture
// coordinates in the file, so one flat normal and (0, 0) everywhere.
void expectTile(const LoadedScene& loaded) {
    ASSERT_EQ(loaded.shapes.size(), 1u);
    const Shape& shape = *loaded.shapes[0];
    EXPECT_EQ(cornerCounts(shape), (std::vector<std::int32_t>{4, 3}));
    EXPECT_EQ(shape.GetVertexCount(), 5);
    EXPECT_EQ(cornerPosition(shape, 0, 2), (Vector3{1, 1, 0}));
    EXPECT_EQ(cornerPosition(shape, 1, 1), (Vector3{2, 0, 0}));
    // The triangle's corners 0 and 2 are the quad's corners 1 and 2: welded, so connected.
    EXPECT_EQ(shape.cornerVertex()[4], shape.cornerVertex()[1]);
    EXPECT_EQ(shape.cornerVertex()[6], shape.cornerVertex()[2]);
    ASSERT_EQ(shape.GetNormalCount(), 1);
    EXPECT_EQ(shape.GetNormal(0), (Vector3{0, 0, 1}));
    ASSERT_EQ(shape.GetTextureCoordinateCount(), 1);
    EXPECT_EQ(shape.texcoords()[0], (Vector2{0, 0}));
    EXPECT_EQ(loaded.droppedPolygons, 0);
}

} // namespace

TEST(MeshFileLoad, ObjCubeKeepsQuadsSplitNormalsAndTexcoordsWithWeldedPositions) {
    TempFolder dir;
    writeFile(dir.file("cube.obj"), objText(splitCube(), "o cube\n"));
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("cube.obj"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    EXPECT_EQ(loaded.shapeNames, std::vector<std::string>{"cube"});
    expectShapeIs(*loaded.shapes[0], splitCube());
    // 8 corners meet at no vertex twice: a cube's 8 corners, each shared by 3 faces.
    EXPECT_EQ(loaded.shapes[0]->GetVertexCount(), 8);
    EXPECT_EQ(loaded.shapes[0]->cornerCount(), 24);
    EXPECT_EQ(loaded.droppedPolygons, 0);
    EXPECT_TRUE(loaded.warnings.empty());
    ASSERT_TRUE(loaded.root);
    EXPECT_EQ(loaded.shapes[0]->GetFrame()->GetParent(), loaded.root)
        << "the object's node is a child of the file's root node";
}

TEST(MeshFileLoad, ObjMaterialsBecomePerPolygonIndicesWithDiffuseColourAndTexture) {
    TempFolder dir;
    std::filesystem::create_directories(dir.path() / "tex");
    writeBmpFile(dir.file("tex/red.bmp"), Image(4, 2, 0xffff0000u));
    writeFile(dir.file("two.mtl"), "newmtl red\nKd 1 0 0\nmap_Kd tex/red.bmp\n"
                                   "newmtl blue\nKd 0 0 1\nd 0.5\nmap_Kd tex/missing.bmp\n");
    writeFile(dir.file("two.obj"), "mtllib two.mtl\no tiles\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                   "v 2 0 0\nusemtl red\nf 1 2 3 4\nusemtl blue\nf 2 5 3\n"
                                   "usemtl red\nf 2 5 3\n");
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("two.obj"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u) << "one object, however many materials it uses";
    const Shape& shape = *loaded.shapes[0];
    EXPECT_EQ(cornerCounts(shape), (std::vector<std::int32_t>{4, 3, 3}));
    EXPECT_EQ(shape.polygonMaterial(), (std::vector<std::int32_t>{0, 1, 0}));
    ASSERT_EQ(shape.GetMaterialCount(), 2);
    const MaterialPtr red = shape.GetMaterialByIndex(0), blue = shape.GetMaterialByIndex(1);
    EXPECT_EQ(red->GetColorB(), (Color4{1, 0, 0, 1}));
    EXPECT_EQ(blue->GetColorB(), (Color4{0, 0, 1, 0.5f})) << "opacity d goes to colour B's alpha";
    ASSERT_TRUE(red->texture());
    EXPECT_EQ(std::filesystem::path(red->texture()->file()), dir.path() / "tex" / "red.bmp");
    EXPECT_EQ(red->texture()->width(), 4);
    EXPECT_FALSE(blue->texture()) << "a texture file that is not there is left out";
    ASSERT_EQ(loaded.warnings.size(), 1u) << "and the user is told";
    EXPECT_NE(loaded.warnings[0].find("missing.bmp was not found"), std::string::npos)
        << loaded.warnings[0];
}

TEST(MeshFileLoad, TextureThatIsNoImageIsAWarningAndTheMeshStillLoads) {
    TempFolder dir;
    writeFile(dir.file("bad.bmp"), "not a bitmap at all");
    writeFile(dir.file("m.mtl"), "newmtl paint\nKd 0.5 0.5 0.5\nmap_Kd bad.bmp\n");
    writeFile(dir.file("m.obj"),
              "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl paint\nf 1 2 3\n");
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("m.obj"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    EXPECT_FALSE(loaded.shapes[0]->GetMaterialByIndex(0)->texture());
    ASSERT_EQ(loaded.warnings.size(), 1u);
    EXPECT_EQ(loaded.warnings[0].rfind("m.obj: texture ", 0), 0u) << loaded.warnings[0];
    EXPECT_NE(loaded.warnings[0].find("bad.bmp"), std::string::npos);
}

TEST(MeshFileLoad, RepeatedCornersAreRemovedAndPolygonsBelowThreeCornersDroppedButNotLines) {
    TempFolder dir;
    // Vertex 5 has vertex 1's position exactly, vertex 6 is -0 where vertex 2 has +0.
    writeFile(dir.file("d.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 0\nv 1 -0 0\n"
                                 "f 1 2 3 4\n"   // kept
                                 "f 1 2 2 3\n"   // a corner repeats its neighbour: repaired
                                 "f 1 2 1 2\n"   // two distinct positions only: dropped
                                 "f 5 1 3\n"     // welded: 5 is where 1 is: dropped
                                 "f 6 3 2\n"     // -0 is +0: 6 is where 2 is: dropped
                                 "f 1 2 3 4 1\n" // wraps: the last corner repeats the first
                                 "l 1 3\n");
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("d.obj"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    EXPECT_EQ(cornerCounts(*loaded.shapes[0]), (std::vector<std::int32_t>{4, 3, 4}));
    EXPECT_EQ(loaded.droppedPolygons, 3);
    EXPECT_EQ(loaded.repairedPolygons, 2);
    EXPECT_EQ(loaded.shapes[0]->GetVertexCount(), 4) << "dropped polygons leave no vertices";
    // The repaired polygons keep the first corner at each position, in order.
    EXPECT_EQ(loaded.shapes[0]->cornerVertex(),
              (std::vector<std::int32_t>{0, 1, 2, 3, 0, 1, 2, 0, 1, 2, 3}));
}

TEST(MeshFileLoad, TheTileKeepsItsPolygonsInPlyOffAndFbxAndIsWeldedFromStlTriangles) {
    TempFolder dir;
    writeFile(dir.file("a.ply"), tilePlyAscii());
    writeFile(dir.file("b.ply"), tilePlyBinary());
    writeFile(dir.file("c.off"), tileOff());
    // Some exporters put a bare free-text line in the PLY header; it is read like a comment.
    std::string chatty = tilePlyAscii();
    chatty.insert(chatty.find("element"), "Created by some exporter, source file: x\n");
    writeFile(dir.file("d.ply"), chatty);
    auto scene = newScene();
    for (const char* name : {"a.ply", "b.ply", "c.off", "d.ply"}) {
        SCOPED_TRACE(name);
        expectTile(loadMeshFile(dir.file(name), *scene));
    }

    // STL has triangles only, every corner repeated: welding joins them into one surface.
    writeFile(dir.file("a.stl"), tileStlAscii());
    writeFile(dir.file("b.stl"), tileStlBinary());
    for (const char* name : {"a.stl", "b.stl"}) {
        SCOPED_TRACE(name);
        const LoadedScene loaded = loadMeshFile(dir.file(name), *scene);
        ASSERT_EQ(loaded.shapes.size(), 1u);
        const Shape& shape = *loaded.shapes[0];
        EXPECT_EQ(cornerCounts(shape), (std::vector<std::int32_t>{3, 3, 3}));
        EXPECT_EQ(shape.GetVertexCount(), 5) << "STL repeats every corner; welding joins them";
        EXPECT_EQ(cornerPosition(shape, 2, 1), (Vector3{2, 0, 0}));
        ASSERT_EQ(shape.GetNormalCount(), 1);
        EXPECT_EQ(shape.GetNormal(0), (Vector3{0, 0, 1}));
    }

    // FBX keeps the quad and the model's translation.
    writeFile(dir.file("tile.fbx"), tileFbx());
    const LoadedScene fbx = loadMeshFile(dir.file("tile.fbx"), *scene);
    ASSERT_EQ(fbx.shapes.size(), 1u);
    EXPECT_EQ(fbx.shapeNames[0], "tile");
    const Shape& tile = *fbx.shapes[0];
    EXPECT_EQ(cornerCounts(tile), (std::vector<std::int32_t>{4, 3}));
    EXPECT_EQ(tile.GetVertexCount(), 5);
    EXPECT_EQ(tile.GetTextureCoordinateCount(), 4);
    EXPECT_EQ(tile.texcoords()[tile.cornerTexCoord()[2]], (Vector2{1, 1}));
    EXPECT_EQ(tile.GetFrame()->GetPlacement(nullptr).position, (Vector3{3, 0, 0}));
}

TEST(MeshFileLoad, GltfAndGlbTexcoordsAreTurnedSoVGrowsUpwards) {
    TempFolder dir;
    writeFile(dir.file("quad.gltf"), quadGltfJson("quad.bin"));
    writeFile(dir.file("quad.bin"), quadGltfBuffer());
    writeFile(dir.file("quad.glb"), quadGlb());
    auto scene = newScene();
    const Vector3 positions[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    for (const char* name : {"quad.gltf", "quad.glb"}) {
        SCOPED_TRACE(name);
        const LoadedScene loaded = loadMeshFile(dir.file(name), *scene);
        ASSERT_EQ(loaded.shapes.size(), 1u);
        EXPECT_EQ(loaded.shapeNames[0], "tile");
        const Shape& shape = *loaded.shapes[0];
        EXPECT_EQ(cornerCounts(shape), (std::vector<std::int32_t>{3, 3}));
        EXPECT_EQ(shape.GetVertexCount(), 4);
        // The file stores v pointing down: position (0, 0) has stored v 0.75, so the host's v
        // is 0.25, which puts the bottom of the quad at the bottom of the texture.
        for (std::int32_t c = 0; c < shape.cornerCount(); ++c) {
            const Vector3 p = shape.vertices()[shape.cornerVertex()[c]];
            const int i = int(std::find(positions, positions + 4, p) - positions);
            ASSERT_LT(i, 4);
            const Vector2 uv = shape.texcoords()[shape.cornerTexCoord()[c]];
            EXPECT_EQ(uv.u, quadStoredUV()[i].u);
            EXPECT_EQ(uv.v, 1.0f - quadStoredUV()[i].v) << "corner " << c;
        }
        EXPECT_EQ(shape.GetMaterialByIndex(0)->GetColorB(), (Color4{0.25f, 0.5f, 0.75f, 1.0f}));
        EXPECT_EQ(shape.GetFrame()->GetPlacement(nullptr).position, (Vector3{5, 0, 0}));
    }
}

TEST(MeshFileLoad, NodeTreeBecomesFramesWithScaleBakedIntoVertices) {
    TempFolder dir;
    // "arm" turns 90 degrees about y and scales by 2; its child "hand" moves 1 along x and
    // holds the quad. Hand in world: at (1,2,3) + R(2 * (1,0,0)) = (1,2,1), turned like arm,
    // vertices twice as large.
    std::string json = quadGltfJson("quad.bin");
    const std::string nodes = R"("nodes":[{"name":"arm","children":[1],"translation":[1,2,3],)"
                              R"("rotation":[0,0.70710678,0,0.70710678],"scale":[2,2,2]},)"
                              R"({"name":"hand","mesh":0,"translation":[1,0,0]}])";
    json.replace(json.find("\"nodes\":[{"),
                 json.find("],\"meshes\"") + 1 - json.find("\"nodes\":[{"), nodes);
    writeFile(dir.file("tree.gltf"), json);
    writeFile(dir.file("quad.bin"), quadGltfBuffer());
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("tree.gltf"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    EXPECT_EQ(loaded.shapeNames[0], "hand");
    const Shape& shape = *loaded.shapes[0];
    // The scale comes out of decomposing a matrix with a rotation in it: 2 to rounding.
    const BoundingBox box = shape.GetBoundingBox();
    EXPECT_NEAR(box.maxX, 2.0f, 1e-6f);
    EXPECT_NEAR(box.maxY, 2.0f, 1e-6f);
    EXPECT_EQ(box.minX, 0.0f);
    EXPECT_EQ(box.maxZ, 0.0f);
    const FramePtr hand = shape.GetFrame();
    ASSERT_TRUE(hand && hand->GetParent());
    const Placement world = hand->GetPlacement(nullptr);
    EXPECT_NEAR(world.position.x, 1.0f, 1e-5f);
    EXPECT_NEAR(world.position.y, 2.0f, 1e-5f);
    EXPECT_NEAR(world.position.z, 1.0f, 1e-5f);
    EXPECT_NEAR(std::abs(world.orientation.y), std::sqrt(0.5f), 1e-5f);
    EXPECT_NEAR(std::abs(world.orientation.w), std::sqrt(0.5f), 1e-5f);
    const Placement local = hand->localPlacement();
    EXPECT_NEAR(local.position.x, 2.0f, 1e-5f) << "arm's scale reaches its child's offset";
    EXPECT_NEAR(local.position.z, 0.0f, 1e-5f);
    EXPECT_NEAR(std::abs(local.orientation.w), 1.0f, 1e-5f);
    const Placement arm = hand->GetParent()->GetPlacement(nullptr);
    EXPECT_NEAR(arm.position.z, 3.0f, 1e-5f);
}

TEST(MeshFileLoad, MirroringScaleReversesCornersSoFacesStillFaceTheirNormals) {
    TempFolder dir;
    std::string json = quadGltfJson("quad.bin");
    json.replace(json.find("\"translation\":[5,0,0]"),
                 std::string("\"translation\":[5,0,0]").size(), "\"scale\":[-1,1,1]");
    writeFile(dir.file("mirror.gltf"), json);
    writeFile(dir.file("quad.bin"), quadGltfBuffer());
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("mirror.gltf"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    Shape& shape = *loaded.shapes[0];
    // A mirror splits into a rotation (on the frame) and a scale (in the vertices) in more than
    // one way; what must hold is where the corners end up in the world.
    const Placement world = shape.GetFrame()->GetPlacement(nullptr);
    const Vector3 expected[4] = {{0, 0, 0}, {-1, 0, 0}, {-1, 1, 0}, {0, 1, 0}};
    for (std::int32_t v = 0; v < shape.GetVertexCount(); ++v) {
        const Vector3 p = transformPoint(world, shape.GetVertex(v));
        bool found = false;
        for (const Vector3& e : expected) {
            found = found || (std::abs(p.x - e.x) < 1e-6f && std::abs(p.y - e.y) < 1e-6f &&
                              std::abs(p.z - e.z) < 1e-6f);
        }
        EXPECT_TRUE(found) << v << ": " << p.x << " " << p.y << " " << p.z;
    }
    for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
        const Polygon polygon = shape.GetPolygon(p);
        const Vector3 face = polygon.GetFaceNormal();
        for (std::int32_t k = 0; k < polygon.GetCornerCount(); ++k) {
            const Vector3 corner = shape.GetNormal(polygon.GetCornerNormalIndex(k));
            EXPECT_GT(face.x * corner.x + face.y * corner.y + face.z * corner.z, 0.99f) << p;
        }
    }
}

TEST(MeshFileLoad, FileWithoutNormalsGetsNormalsSplitAtSharpEdgesOnly) {
    TempFolder dir;
    // A cube of 6 quads on 8 vertices, no "vn": every corner gets its face's normal.
    writeFile(dir.file("box.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                   "v 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                                   "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 3 4 8 7\nf 2 3 7 6\n"
                                   "f 1 5 8 4\n");
    auto scene = newScene();
    const LoadedScene box = loadMeshFile(dir.file("box.obj"), *scene);
    ASSERT_EQ(box.shapes.size(), 1u);
    const Shape& cube = *box.shapes[0];
    ASSERT_EQ(cube.GetNormalCount(), 6);
    const Vector3 faceNormals[] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0},
                                   {0, 1, 0},  {1, 0, 0}, {-1, 0, 0}};
    for (std::int32_t p = 0; p < 6; ++p) {
        for (std::int32_t c = cube.polygonStart()[p]; c < cube.polygonStart()[p + 1]; ++c) {
            EXPECT_EQ(cube.normals()[cube.cornerNormal()[c]], faceNormals[p]) << p;
        }
    }

    // A 16 x 16 grid bent gently (4 degrees between rows) into an arc: smooth, one normal per
    // vertex, and the corners of a vertex agree.
    std::string arc;
    for (int j = 0; j <= 16; ++j) {
        for (int i = 0; i <= 16; ++i) {
            const double a = 4.0 * j * 3.14159265358979 / 180.0;
            arc += "v " + std::to_string(i) + " " + std::to_string(10 * std::sin(a)) + " " +
                   std::to_string(10 * (1 - std::cos(a))) + "\n";
        }
    }
    for (int j = 0; j < 16; ++j) {
        for (int i = 0; i < 16; ++i) {
            const int v = j * 17 + i + 1;
            arc += "f " + std::to_string(v) + " " + std::to_string(v + 1) + " " +
                   std::to_string(v + 18) + " " + std::to_string(v + 17) + "\n";
        }
    }
    writeFile(dir.file("arc.obj"), arc);
    const LoadedScene bent = loadMeshFile(dir.file("arc.obj"), *scene);
    ASSERT_EQ(bent.shapes.size(), 1u);
    const Shape& sheet = *bent.shapes[0];
    EXPECT_LE(sheet.GetNormalCount(), sheet.GetVertexCount());
    std::vector<std::int32_t> normalOfVertex(sheet.GetVertexCount(), -1);
    for (std::size_t c = 0; c < sheet.cornerVertex().size(); ++c) {
        std::int32_t& n = normalOfVertex[sheet.cornerVertex()[c]];
        if (n < 0) {
            n = sheet.cornerNormal()[c];
        }
        EXPECT_EQ(n, sheet.cornerNormal()[c]) << "corner " << c;
    }
}
