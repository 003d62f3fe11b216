// Scene services: textures from files, device materials, refresh listeners.
#include "brontle/model/SceneGraph.h"
#include "brontle/core/Error.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Material.h"
#include "brontle/model/Texture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace brontle;
namespace fs = std::filesystem;

namespace {
fs::path tempFolder(const char* name) {
    fs::path dir = fs::temp_directory_path() / (std::string("brontle_model_") + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}
} // namespace

TEST(BmpFiles, RoundTripIsPixelExactTruncationIsAClearErrorAndWritingIsAtomic) {
    Image image(5, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            image.at(x, y) =
                0xff000000u | std::uint32_t(x * 40) << 16 | std::uint32_t(y * 90) << 8 | 7;
        }
    }
    const auto bytes = encodeBmp(image);
    EXPECT_EQ(bytes.size(), 54u + 16u * 3u) << "rows padded to four bytes";
    EXPECT_EQ(decodeBmp(bytes, "x.bmp"), image);
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 10);
    try {
        decodeBmp(cut, "cut.bmp");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::HostFileUnreadable);
        EXPECT_EQ(e.description(), "cut.bmp: truncated pixel data");
    }
    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_THROW(decodeBmp(text, "t"), Error);
    const fs::path dir = tempFolder("write");
    const std::string path = (dir / "out.bmp").string();
    { std::ofstream(path) << "old"; }
    writeBmpFile(path, Image(4, 4, 0xff102030u));
    EXPECT_EQ(readBmpFile(path)->at(3, 3), 0xff102030u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1)
        << "no temporary file left behind";
    EXPECT_THROW(writeBmpFile((dir / "missing" / "x.bmp").string(), Image(2, 2)), Error);
    EXPECT_EQ(readBmpFile((dir / "none.bmp").string()), std::nullopt);
}

TEST(SceneGraphServices, LoadTextureReportsSizeMissingAndBadFiles) {
    const fs::path dir = tempFolder("textures");
    writeBmpFile((dir / "t.bmp").string(), Image(8, 2));
    { std::ofstream(dir / "not-an-image.bmp") << "this is text, not a bitmap"; }
    SceneGraphPtr scene = SceneGraph::create(std::make_shared<HostEnvironment>(dir.string(), "T"));
    std::int32_t w = -1, h = -1;
    // Either separator works in host paths.
    TexturePtr t =
        scene->LoadTexture(dir.string() + "\\t.bmp", 0, 0, "", "", 0.5f, "", "", "", w, h);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(scene->LoadTexture((dir / "gone.bmp").string(), 0, 0, "", "", 0.5f, "", "", "", w, h),
              nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_THROW(scene->LoadTexture((dir / "not-an-image.bmp").string(), 0, 0, "", "", 0.0f, "", "",
                                    "", w, h),
                 Error);
}

TEST(SceneGraphServices, DeviceMaterialsAndRefreshListeners) {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    const DeviceID a = newDeviceID(), b = newDeviceID();
    EXPECT_NE(a, b);
    MaterialPtr wires = scene->GetDeviceMaterial(a, 5);
    EXPECT_EQ(scene->GetDeviceMaterial(a, 5), wires) << "one material per view and slot";
    EXPECT_NE(scene->GetDeviceMaterial(b, 5), wires);
    int redrawsA = 0, redrawsB = 0;
    const int handle = scene->addRefreshListener(a, [&] { ++redrawsA; });
    scene->addRefreshListener(b, [&] { ++redrawsB; });
    Color4 c = wires->GetColorB();
    c.a = 0.5f;
    wires->SetColorB(c);
    scene->SetDeviceMaterial(a, 5, wires);
    scene->RefreshDevice(a);
    EXPECT_EQ(redrawsA, 2);
    EXPECT_EQ(redrawsB, 0);
    scene->removeRefreshListener(handle);
    scene->RefreshDevice(a);
    EXPECT_EQ(redrawsA, 2);
    EXPECT_FLOAT_EQ(scene->GetDeviceMaterial(a, 5)->GetColorB().a, 0.5f);
    std::int32_t pending = -1;
    scene->FlushPending(pending);
    EXPECT_EQ(pending, 0);
}

TEST(SceneGraphServices, AFrameRefusesAnEmptyShapeReferenceWithAnErrorNotACrash) {
    // A plug-in whose shape could not be made passes an empty reference on; the error is its to
    // report (Form_Load carries on after it), and the frame stays as it was.
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    FramePtr frame = scene->CreateFrame(nullptr);
    for (const bool add : {true, false}) {
        try {
            if (add) {
                frame->AddShape(nullptr);
            } else {
                frame->RemoveShape(nullptr);
            }
            FAIL() << "an empty shape reference must be refused";
        } catch (const Error& error) {
            EXPECT_EQ(error.number(), ErrorNumber::ObjectNotSet);
            EXPECT_EQ(error.source(), "Frame");
        }
    }
    EXPECT_TRUE(frame->shapes().empty());
}
