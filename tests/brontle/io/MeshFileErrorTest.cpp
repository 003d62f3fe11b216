// Files the reader must refuse: one clear error naming the file, and nothing created.
#include "IoTestSupport.h"
#include "LiteralMeshes.h"

#include "brontle/io/MeshFile.h"

#include <algorithm>

using namespace brontle;
using namespace iotest;

namespace {

// Loading `name` fails with HostFileUnreadable, a description "<name>: <reason>", and no host
// material made on the way (the load builds everything privately before it creates anything).
Error expectUnreadable(const TempFolder& dir, const std::string& name) {
    auto scene = newScene();
    const std::int32_t before = materialKeyNow();
    const Error error = errorOf([&] { loadMeshFile(dir.file(name), *scene); });
    EXPECT_EQ(error.number(), ErrorNumber::HostFileUnreadable) << name;
    EXPECT_EQ(error.description().rfind(name + ": ", 0), 0u) << error.description();
    EXPECT_GT(error.description().size(), name.size() + 3) << "a reason follows the name";
    EXPECT_EQ(materialKeyNow(), before + 1) << name << ": a failed load made host objects";
    return error;
}

// Each file fails to load with exactly "<name>: <reason>".
void expectRefusals(const TempFolder& dir,
                    std::initializer_list<std::pair<const char*, const char*>> cases) {
    for (const auto& [name, reason] : cases) {
        EXPECT_EQ(expectUnreadable(dir, name).description(), std::string(name) + ": " + reason);
    }
}

struct Sample {
    const char* name;
    std::string bytes;
};

std::vector<Sample> validFiles() {
    return {{"cube.obj", objText(splitCube())},
            {"tile.ply", tilePlyAscii()},
            {"tileb.ply", tilePlyBinary()},
            {"tile.stl", tileStlAscii()},
            {"tileb.stl", tileStlBinary()},
            {"tile.off", tileOff()},
            {"quad.gltf", quadGltfJson("quad.bin")},
            {"quad.glb", quadGlb()},
            {"tile.fbx", tileFbx()}};
}

} // namespace

TEST(MeshFileErrors, EveryFormatRefusesGarbage) {
    TempFolder dir;
    // Bytes no format can take: binary noise after a text line.
    std::string garbage = "this is not a mesh\n";
    for (int i = 0; i < 200; ++i) {
        garbage += char((i * 97 + 13) & 0xff);
    }
    for (const Sample& s : validFiles()) {
        const std::string name = std::string("garbage_") + s.name;
        writeFile(dir.file(name), garbage);
        expectUnreadable(dir, name);
    }
}

TEST(MeshFileErrors, EveryFormatRefusesATruncatedFile) {
    TempFolder dir;
    writeFile(dir.file("quad.bin"), quadGltfBuffer());
    for (const Sample& s : validFiles()) {
        SCOPED_TRACE(s.name);
        // The whole file loads; the same file cut short does not. Text formats are cut inside
        // the vertex list, where what is left has no complete polygon; binary formats and the
        // structured text ones (glTF JSON, FBX) are cut in half.
        writeFile(dir.file(s.name), s.bytes);
        auto scene = newScene();
        EXPECT_NO_THROW(loadMeshFile(dir.file(s.name), *scene));
        const std::string name = std::string("cut_") + s.name;
        std::size_t cut = s.bytes.size() / 2;
        const std::string ext = std::filesystem::path(s.name).extension().string();
        if (ext == ".obj") {
            cut = s.bytes.find("v 1.000000 1.000000 0");
        }
        if (ext == ".off") {
            cut = s.bytes.find("1 1 0");
        }
        writeFile(dir.file(name), s.bytes.substr(0, cut));
        expectUnreadable(dir, name);
    }
}

TEST(MeshFileErrors, MissingEmptyAndPolygonFreeFilesNameTheReason) {
    TempFolder dir;
    EXPECT_EQ(expectUnreadable(dir, "missing.obj").description(), "missing.obj: no such file");
    writeFile(dir.file("empty.obj"), "");
    EXPECT_EQ(expectUnreadable(dir, "empty.obj").description(), "empty.obj: the file is empty");
    writeFile(dir.file("lines.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2\nl 2 3\n");
    EXPECT_EQ(expectUnreadable(dir, "lines.obj").description(),
              "lines.obj: the file holds no polygons");
    writeFile(dir.file("degenerate.obj"), "v 0 0 0\nv 1 0 0\nf 1 2 2\nf 1 1 2\n");
    EXPECT_EQ(expectUnreadable(dir, "degenerate.obj").description(),
              "degenerate.obj: the file holds no polygons");
    std::filesystem::create_directories(dir.path() / "folder.obj");
    EXPECT_EQ(expectUnreadable(dir, "folder.obj").description(), "folder.obj: not a file");
}

TEST(MeshFileErrors, NonFiniteCoordinatesAndIndicesOutOfRangeAreRefused) {
    TempFolder dir;
    writeFile(dir.file("nan.obj"), "v 0 0 0\nv nan 0 0\nv 0 1 0\nf 1 2 3\n");
    writeFile(dir.file("inf.obj"), "v 0 0 0\nv 1 0 0\nv 0 inf 0\nf 1 2 3\n");
    std::string ply = tilePlyBinary();
    // The second vertex's x (right after the header) becomes a NaN bit pattern.
    const std::size_t firstVertex = ply.find("end_header\n") + 11;
    ply.replace(firstVertex + 12, 4, std::string("\x00\x00\xc0\x7f", 4));
    writeFile(dir.file("nan.ply"), ply);
    for (const char* name : {"nan.obj", "inf.obj", "nan.ply"}) {
        const Error error = expectUnreadable(dir, name);
        EXPECT_NE(error.description().find("not a finite number"), std::string::npos)
            << error.description();
    }

    writeFile(dir.file("far.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 7\n");
    ply = tilePlyAscii();
    ply.replace(ply.find("3 1 4 2"), 7, "3 1 9 2");
    writeFile(dir.file("far.ply"), ply);
    std::string off = tileOff();
    off.replace(off.find("3 1 4 2"), 7, "3 1 5 2");
    writeFile(dir.file("far.off"), off);
    for (const char* name : {"far.obj", "far.ply", "far.off"}) {
        expectUnreadable(dir, name);
    }
}

TEST(MeshFileErrors, OffFilesTheReaderWouldMisreadAreRefusedAndHeaderlessOnesLoad) {
    TempFolder dir;
    // Each pair of dropped faces used to crash inside the OFF reader; a single one left a
    // silently partial mesh. The headerless file holds its counts on the first line.
    const std::string vertices = "0 0 0\n1 0 0\n0 1 0\n";
    const std::string eleven = "11 0 1 2 0 1 2 0 1 2 0 1\n";
    writeFile(dir.file("empty_faces.off"), "OFF\n3 1 0\n" + vertices + " 0 0\n0 1");
    writeFile(dir.file("one_empty.off"), "OFF\n3 2 0\n" + vertices + "3 0 1 2\n0\n");
    writeFile(dir.file("headerless.off"), "\n3 1 0\n" + vertices + "0\n0\n");
    writeFile(dir.file("wide_faces.off"), "OFF\n3 1 0\n" + vertices + eleven + eleven);
    // 2^64 - 2 vertices plus 2 faces wrapped to zero lines needed, and the check read past the
    // lines it had. A vertex line with one value made the OFF reader read the last face past
    // the end of the file.
    writeFile(dir.file("wrap.off"), "OFF 18446744073709551614 2 0\n0 0 0\n3 0 0 0\n");
    writeFile(dir.file("short.off"), "2 1\n1\n1 0 0\n1 0 0\nd\nc");
    expectRefusals(
        dir, {{"empty_faces.off", "OFF face 0 has no corners"},
              {"one_empty.off", "OFF face 1 has no corners"},
              {"headerless.off", "OFF face 0 has no corners"},
              {"wide_faces.off", "OFF face 0 has 11 corners; OFF faces are read with at most 9"},
              {"wrap.off", "the OFF file ends before all the vertices and faces it declares"},
              {"short.off", "OFF vertex 0 has fewer than 3 coordinates"}});
    // A good file without the OFF keyword loads.
    writeFile(dir.file("bare.off"), "3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("bare.off"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    EXPECT_EQ(loaded.shapes[0]->polygonStart(), (std::vector<std::int32_t>{0, 3}));
}

TEST(MeshFileErrors, GlbChunksMustEndInsideTheFile) {
    TempFolder dir;
    // The glTF reader allocated a chunk's declared length before comparing it with the file's:
    // a JSON chunk of 2,164,261,348 bytes in a 572-byte file ran the fuzzer out of memory.
    const std::string good = quadGlb();
    std::string longJson = good;
    longJson.replace(12, 4, std::string("\xe4\x01\x00\x81", 4));
    std::string longBin = good;
    const std::size_t bin =
        20 + (std::size_t(std::uint8_t(good[12])) | std::size_t(std::uint8_t(good[13])) << 8);
    longBin.replace(bin, 4, std::string("\x00\x00\x00\x40", 4));
    writeFile(dir.file("json.glb"), longJson);
    writeFile(dir.file("bin.glb"), longBin);
    expectRefusals(dir, {{"json.glb", "the GLB file's JSON chunk runs past the end of the file"},
                         {"bin.glb", "the GLB file's binary chunk runs past the end of the file"}});
}

TEST(MeshFileErrors, PlyHeadersTheReaderWouldMisreadAreRefused) {
    TempFolder dir;
    const std::string ply = tilePlyAscii();
    const auto edited = [&ply](const std::string& from, const std::string& to) {
        std::string text = ply;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    // The PLY reader only ends its header at an "end_header" word that starts a line; either of
    // the first two used to make it read forever. A misspelt property line is passed over, which
    // leaves the faces without properties; with billions of them the reader walked them one by
    // one for ever.
    writeFile(dir.file("glued.ply"), edited("end_header\n", "end_header\x9d"));
    writeFile(dir.file("prefixed.ply"), edited("end_header\n", "xend_header\n"));
    writeFile(dir.file("bare_faces.ply"),
              edited("element face 2\nproperty list", "element face 62222222222\nproMMMerty list"));
    // A misspelt end_header line is passed over, so a second header's elements follow the
    // first's; the reader sized its vertex array from one and filled it from both.
    const std::string header = ply.substr(0, ply.find("end_header\n"));
    writeFile(dir.file("twice.ply"),
              edited("end_header\n",
                     "end_hea0\n" + header.substr(header.find("element")) + "end_header\n"));
    // The reader took a name's leading digits for the count: 165,972,664 faces.
    writeFile(dir.file("digits.ply"), edited("element face", "element 165972664face"));
    // It ends a name at a byte it does not expect and reads the rest as the count: this element
    // became 22222222222 faces, read until memory ran out.
    writeFile(dir.file("name.ply"), edited("element face 2", std::string("element face\xce\xcd"
                                                                         "22222222222\0\0 2",
                                                                         29)));
    writeFile(dir.file("nul.ply"),
              edited("property float y", std::string("property float\0y", 17)));
    expectRefusals(dir, {{"glued.ply", "the PLY header is incomplete (no end_header)"},
                         {"prefixed.ply", "the PLY header is incomplete (no end_header)"},
                         {"bare_faces.ply",
                          "the PLY element face declares 62222222222 items but no properties"},
                         {"twice.ply", "the PLY element vertex is declared twice"},
                         {"digits.ply", "the PLY element name 165972664face starts with a number"},
                         {"name.ply", "a PLY header line holds bytes that are not text"},
                         {"nul.ply", "a PLY header line holds bytes that are not text"}});

    // A comment may hold any text, UTF-8 included.
    writeFile(dir.file("comment.ply"),
              edited("element vertex", "comment Cr\xc3\xa9\xc3\xa9 \xe2\x9c\x93\nelement vertex"));
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("comment.ply"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    EXPECT_EQ(loaded.shapes[0]->polygonStart(), (std::vector<std::int32_t>{0, 4, 7}));
}

TEST(MeshFileErrors, AsciiPlyItemsMustBeWholeOnTheirOwnLines) {
    TempFolder dir;
    // The PLY reader takes one item per line and fails an item whose line runs short, then
    // carries on with fewer items than declared (fuzzing met heap corruption inside it on such
    // files). Each item split or cut here would still be whole read as a stream of numbers.
    const std::string ply = tilePlyAscii();
    const std::size_t body = ply.find("end_header\n") + 11;
    const int headerLines = int(std::count(ply.begin(), ply.begin() + long(body), '\n'));
    std::string blank = ply;
    blank.insert(blank.find("1 0 0\n", body), "\n");
    std::string splitVertex = ply;
    splitVertex.replace(splitVertex.find("1 1 0\n", body), 6, "1 1\n0\n");
    std::string shortList = ply;
    shortList.replace(shortList.find("4 0 1 2 3\n"), 10, "4 0 1 2\n3 ");
    writeFile(dir.file("blank.ply"), blank);
    writeFile(dir.file("split.ply"), splitVertex);
    writeFile(dir.file("short.ply"), shortList);
    const auto line = [&](int n) { return "line " + std::to_string(headerLines + n); };
    EXPECT_EQ(expectUnreadable(dir, "blank.ply").description(),
              "blank.ply: " + line(2) + " holds fewer values than its vertex needs");
    EXPECT_EQ(expectUnreadable(dir, "split.ply").description(),
              "split.ply: " + line(3) + " holds fewer values than its vertex needs");
    EXPECT_EQ(expectUnreadable(dir, "short.ply").description(),
              "short.ply: " + line(6) + " holds fewer values than its face needs");

    // Values after an item on its line are passed over, as the reader does, and Windows line
    // ends are whitespace.
    std::string extra = ply;
    extra.replace(extra.find("3 1 4 2\n"), 8, "3 1 4 2 9 9\n");
    std::string crlf;
    for (char c : ply) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    writeFile(dir.file("extra.ply"), extra);
    writeFile(dir.file("crlf.ply"), crlf);
    auto scene = newScene();
    for (const char* name : {"extra.ply", "crlf.ply"}) {
        const LoadedScene loaded = loadMeshFile(dir.file(name), *scene);
        ASSERT_EQ(loaded.shapes.size(), 1u) << name;
        EXPECT_EQ(loaded.shapes[0]->polygonStart(), (std::vector<std::int32_t>{0, 4, 7})) << name;
    }
}

TEST(MeshFileErrors, AsciiPlyValuesMustBeNumbersAndListLengthsFitTheirType) {
    TempFolder dir;
    // The PLY reader converts whatever a value starts with and goes on from there, so one value
    // that is not a number shifts the rest; fuzzing found a 552-byte file of such values that made
    // it allocate over 4 GB. A list length beyond its type (uchar here) is cut by the reader.
    const std::string ply = tilePlyAscii();
    const std::size_t body = ply.find("end_header\n") + 11;
    const int headerLines = int(std::count(ply.begin(), ply.begin() + long(body), '\n'));
    const auto withSecondVertex = [&](const std::string& values) {
        std::string text = ply;
        text.replace(text.find("1 0 0\n", body), 5, values);
        return text;
    };
    const std::string notANumber = ": line " + std::to_string(headerLines + 2) +
                                   " holds a value that is not a number of at most 20 digits";
    int index = 0;
    for (const std::string& bad :
         {std::string("1 - 0"), std::string("1 ; 0"), std::string("1e 0 0"),
          std::string("1 0 \xf4"), std::string("1 0 0x1"), std::string("1 .e5 0"),
          std::string("1 \0 0", 5), std::string("nan 0 0"),
          std::string("1 0 0" + std::string(21, '8'))}) {
        const std::string name = "bad" + std::to_string(index++) + ".ply";
        writeFile(dir.file(name), withSecondVertex(bad));
        EXPECT_EQ(expectUnreadable(dir, name).description(), name + notANumber) << bad;
    }
    std::string longList = ply;
    longList.replace(longList.find("3 1 4 2\n"), 7, "300 1 4 2");
    writeFile(dir.file("long.ply"), longList);
    EXPECT_EQ(expectUnreadable(dir, "long.ply").description(),
              "long.ply: a PLY list has no valid length on line " +
                  std::to_string(headerLines + 7));

    // Signs, fractions and exponents in the usual spellings are numbers.
    writeFile(dir.file("spelt.ply"), withSecondVertex("+1.0e+0 -0 .0"));
    auto scene = newScene();
    const LoadedScene loaded = loadMeshFile(dir.file("spelt.ply"), *scene);
    ASSERT_EQ(loaded.shapes.size(), 1u);
    EXPECT_EQ(loaded.shapes[0]->polygonStart(), (std::vector<std::int32_t>{0, 4, 7}));
}

TEST(MeshFileErrors, AFileIsReadOnlyByAReaderOfItsExtension) {
    TempFolder dir;
    // When no reader of a file's extension takes it, Assimp offers the file to the content
    // sniffing of every reader it has, and some readers of other formats over-read their buffers
    // on it (found by fuzzing with text named .gltf). An OBJ named .gltf used to load as OBJ.
    const std::string obj = objText(splitCube());
    writeFile(dir.file("obj.gltf"), obj);
    writeFile(dir.file("obj.glb"), obj);
    writeFile(dir.file("not_gltf.gltf"), R"({"asset":{"version":"9.0"},"meshes":[]})");
    writeFile(dir.file("cube.xyz"), obj);
    writeFile(dir.file("cube"), obj);
    expectRefusals(dir,
                   {{"obj.gltf", "the glTF file is not valid JSON"},
                    {"obj.glb", "the content is not in the format its extension .glb names"},
                    {"not_gltf.gltf", "the content is not in the format its extension .gltf names"},
                    {"cube.xyz", "the extension .xyz is not a mesh format this program reads"},
                    {"cube", "the file name has no extension, which names the mesh format"}});
    // The extension is matched in any case.
    writeFile(dir.file("upper.OBJ"), obj);
    auto scene = newScene();
    EXPECT_EQ(loadMeshFile(dir.file("upper.OBJ"), *scene).shapes.size(), 1u);
}

TEST(MeshFileErrors, GltfStripsAndFansTooShortForOneFaceAreRefused) {
    TempFolder dir;
    // Assimp's glTF readers make n - 2 triangles of a strip or fan of n indices (of n vertices
    // without indices) and n - 1 lines of a line strip, and fill the first before checking n: a
    // strip of one index asked for 2^64 - 1 faces (found by fuzzing), a fan of two vertices wrote
    // past its face array.
    writeFile(dir.file("quad.bin"), quadGltfBuffer());
    const std::string quad = quadGltfJson("quad.bin");
    const auto edited = [&quad](int mode, const std::string& from, const std::string& to) {
        std::string json = quad;
        json.replace(json.find("\"material\":0}"), 13,
                     "\"material\":0,\"mode\":" + std::to_string(mode) + "}");
        if (!from.empty()) {
            json.replace(json.find(from), from.size(), to);
        }
        return json;
    };
    // Accessor 3 holds the 6 indices; accessor 0 the 4 positions.
    const std::string indices = R"("componentType":5123,"count":6)";
    const std::string positions = R"("componentType":5126,"count":4,"type":"VEC3","min")";
    writeFile(dir.file("strip1.gltf"), edited(5, indices, R"("componentType":5123,"count":1)"));
    writeFile(dir.file("line1.gltf"), edited(3, indices, R"("componentType":5123,"count":1)"));
    std::string fan = edited(6, ",\"indices\":3", "");
    fan.replace(fan.find(positions), positions.size(),
                R"("componentType":5126,"count":2,"type":"VEC3","min")");
    writeFile(dir.file("fan2.gltf"), fan);
    std::string json = edited(5, indices, R"("componentType":5123,"count":2)");
    json.erase(json.find(R"("uri":"quad.bin",)"), 17);
    writeFile(dir.file("strip2.glb"), glbOf(json, quadGltfBuffer()));
    expectRefusals(
        dir,
        {{"strip1.gltf",
          "a glTF triangle strip or fan has only 1 of the 3 vertices one triangle needs"},
         {"line1.gltf", "a glTF line strip or loop has only 1 of the 2 vertices one line needs"},
         {"fan2.gltf",
          "a glTF triangle strip or fan has only 2 of the 3 vertices one triangle needs"},
         {"strip2.glb",
          "a glTF triangle strip or fan has only 2 of the 3 vertices one triangle needs"}});
    // A strip long enough loads.
    writeFile(dir.file("strip4.gltf"), edited(5, indices, R"("componentType":5123,"count":4)"));
    auto scene = newScene();
    EXPECT_NO_THROW(loadMeshFile(dir.file("strip4.gltf"), *scene));
}
