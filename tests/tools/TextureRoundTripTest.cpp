// peelwise-unwrap with a texture: the editor's unwrap and OK path without a window, read back
// the way another tool would read the files.
#include "tools/peelwise_unwrap/UnwrapJob.h"

#include "brontle/core/Error.h"
#include "brontle/io/MeshFile.h"
#include "brontle/io/SampleShapes.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using peelwise::tools::UnwrapOptions;

constexpr std::uint32_t kWire = 0xff000000u;

// The texel under texture coordinate (u, v) as a file's reader takes it: v points up (row 0 is
// the top, at v = 1), both coordinates repeat.
std::uint32_t texelAt(const brontle::Image& image, float u, float v) {
    const double fu = u - std::floor(u);
    const double fv = v - std::floor(v);
    const int x = std::min(image.width - 1, static_cast<int>(fu * image.width));
    const int y = std::min(image.height - 1, static_cast<int>((1.0 - fv) * image.height));
    return image.at(x, y);
}

// Whether a wire pixel is within one pixel of (u, v).
bool onWire(const brontle::Image& image, float u, float v) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (texelAt(image, u + static_cast<float>(dx) / image.width,
                        v + static_cast<float>(dy) / image.height) == kWire) {
                return true;
            }
        }
    }
    return false;
}

TEST(TextureRoundTrip, EveryCornerOfTheSavedMeshLandsOnItsLayoutInTheSavedBitmap) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const fs::path root = dir.path().toStdString();
    {
        auto scene = brontle::SceneGraph::create(nullptr);
        brontle::saveMeshFile((root / "in.obj").string(), {brontle::makeSampleShape(*scene)},
                              {"sample"});
    }
    fs::create_directory(root / "out");
    UnwrapOptions options;
    options.width = options.height = 256;
    options.seamsFromCreases = true;
    options.textureFile = "elsewhere/atlas.bmp"; // only the name counts: it goes beside the mesh
    const auto report = peelwise::tools::unwrapFile(
        (root / "in.obj").string(), (root / "out" / "result.obj").string(), options);
    ASSERT_EQ(report.shapes.size(), 1u);
    EXPECT_EQ(fs::path(report.shapes[0].texture), root / "out" / "atlas.bmp");

    std::ifstream mtl(root / "out" / "result.mtl");
    const std::string text((std::istreambuf_iterator<char>(mtl)), {});
    EXPECT_NE(text.find("map_Kd atlas.bmp"), std::string::npos) << text;

    const auto image = brontle::readBmpFile((root / "out" / "atlas.bmp").string());
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->width, 256);
    ASSERT_EQ(image->height, 256);

    auto scene = brontle::SceneGraph::create(nullptr);
    const brontle::LoadedScene back =
        brontle::loadMeshFile((root / "out" / "result.obj").string(), *scene);
    ASSERT_EQ(back.shapes.size(), 1u);
    const brontle::Shape& shape = *back.shapes[0];
    // The texture is found again beside the mesh and is the written image.
    ASSERT_TRUE(shape.GetMaterialByIndex(0) && shape.GetMaterialByIndex(0)->texture());
    EXPECT_EQ(shape.GetMaterialByIndex(0)->texture()->image(), *image);

    // The layout's wires pass through every point of the layout, so each corner's texture
    // coordinate must fall on a wire pixel. A v flipped the wrong way, a lost tile shift or a
    // texture of another size puts most corners on the backdrop's colours instead.
    const std::vector<brontle::Vector2>& uv = shape.texcoords();
    const std::vector<std::int32_t>& corner = shape.cornerTexCoord();
    int missed = 0;
    for (std::size_t k = 0; k < corner.size(); ++k) {
        const brontle::Vector2 t = uv[corner[k]];
        missed += onWire(*image, t.u, t.v) ? 0 : 1;
    }
    EXPECT_EQ(missed, 0) << "of " << corner.size() << " corners";
    // The backdrop shows through away from the wires: the render is not a black square.
    int wirePixels = 0;
    for (const std::uint32_t p : image->pixels) {
        wirePixels += p == kWire ? 1 : 0;
    }
    EXPECT_LT(wirePixels, static_cast<int>(image->pixels.size()) / 2);
}

TEST(TextureRoundTrip, ATextureThatIsNeitherBitmapNorPngIsRefusedBeforeAnythingIsWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const fs::path root = dir.path().toStdString();
    {
        auto scene = brontle::SceneGraph::create(nullptr);
        brontle::saveMeshFile((root / "in.obj").string(), {brontle::makeSampleShape(*scene)},
                              {"sample"});
    }
    UnwrapOptions options;
    options.textureFile = "atlas.jpg";
    EXPECT_THROW(peelwise::tools::unwrapFile((root / "in.obj").string(),
                                             (root / "out.obj").string(), options),
                 brontle::Error);
    EXPECT_FALSE(fs::exists(root / "out.obj"));
    EXPECT_FALSE(fs::exists(root / "atlas.jpg"));
}

} // namespace
