// The texture render and save as a host operation: the progress they report, and a cancel in
// either that leaves the texture's folder exactly as it was.
#include "peelwise/texture/LayoutTexture.h"

#include "brontle/core/Error.h"
#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/HostProgress.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"

#include "support/ModelBuilders.h"
#include "support/ScratchDir.h"
#include "support/ScriptedProgress.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace {

namespace fs = std::filesystem;
using peelwise::test::ProgressServiceScope;
using peelwise::test::ScratchDir;
using peelwise::test::ScriptedProgress;

struct Layout {
    brontle::SceneGraphPtr scene;
    brontle::FramePtr root;
};

// The backdrop (a 4 x 4 texture) and a big layout: a 300 x 300 grid of quads over the unit
// square, 360,000 corners, drawn as wires.
Layout bigLayout() {
    Layout l;
    l.scene =
        brontle::SceneGraph::create(std::make_shared<brontle::HostEnvironment>("", "Brontle", 0));
    l.root = l.scene->CreateFrame(nullptr);
    brontle::Image texels(4, 4, 0xff336699u);
    l.root->AddShape(peelwise::makeBackdropShape(
        *l.scene, std::make_shared<brontle::Texture>(texels, "texels.bmp")));
    const brontle::ShapePtr uv =
        testing_shapes::quadGrid(300, 300, 1.0f / 300.0f, l.scene->CreateShape());
    uv->SetDisplayMode(11);
    l.root->AddShape(uv);
    return l;
}

// Every file in `dir` (hidden temporary files too) with its bytes.
std::map<std::string, std::string> contentsOf(const ScratchDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        files[entry.path().filename().string()] = ScratchDir::readFile(entry.path().string());
    }
    return files;
}

TEST(TextureProgress, TheRenderAndTheSaveReportRisingFractionsUpToOne) {
    const Layout layout = bigLayout();
    ScratchDir dir;
    const std::string file = dir.file("atlas.bmp");
    auto service = std::make_shared<ScriptedProgress>();
    {
        const ProgressServiceScope scope(service);
        peelwise::renderAndSaveTexture(layout.root, 512, 512, file);
    }
    EXPECT_EQ(service->titles, (std::vector<std::string>{"Rendering the texture atlas.bmp"}));
    const std::vector<double>& r = service->reports;
    ASSERT_GE(r.size(), 40u) << "the wires of 360,000 corners report every few thousand";
    for (std::size_t i = 1; i < r.size(); ++i) {
        EXPECT_LE(r[i - 1], r[i]) << "report " << i;
    }
    EXPECT_EQ(r.front(), 0.0);
    EXPECT_EQ(r.back(), 1.0);
    // The render fills the first 0.8 in many steps, the save the rest in several.
    const auto below = [&](double f) {
        return std::count_if(r.begin(), r.end(), [f](double x) { return x < f; });
    };
    EXPECT_GE(below(0.8), 30);
    EXPECT_GE(static_cast<long>(r.size()) - below(0.8), 3);
    // Reporting changes nothing in what is written: the same bytes as without an operation.
    EXPECT_EQ(ScratchDir::readFile(file), [&] {
        const auto bytes =
            peelwise::encodeTextureFile(file, peelwise::renderLayoutTexture(layout.root, 512, 512));
        return std::string(bytes.begin(), bytes.end());
    }());
    EXPECT_EQ(contentsOf(dir).size(), 1u);
}

TEST(TextureProgress, ACancelInTheRenderOrTheSaveLeavesTheFolderAsItWas) {
    const Layout layout = bigLayout();
    // Without a cancel: how many reports a whole run makes.
    std::size_t whole = 0;
    {
        ScratchDir dir;
        auto service = std::make_shared<ScriptedProgress>();
        const ProgressServiceScope scope(service);
        peelwise::renderAndSaveTexture(layout.root, 256, 256, dir.file("atlas.bmp"));
        whole = service->reports.size();
    }
    // Cancelled while drawing, while encoding, and after the new file was written beside the
    // old one but before it replaced it; each with a new name and with an existing texture.
    for (const double at : {0.3, 0.85, 1.0}) {
        for (const bool existing : {false, true}) {
            SCOPED_TRACE("cancel at " + std::to_string(at) + (existing ? ", existing" : ", new"));
            ScratchDir dir;
            dir.write("notes.txt", "keep");
            if (existing) {
                dir.write("atlas.bmp", "the user's painted texture");
            }
            const std::map<std::string, std::string> before = contentsOf(dir);
            auto service = std::make_shared<ScriptedProgress>(at);
            const ProgressServiceScope scope(service);
            try {
                peelwise::renderAndSaveTexture(layout.root, 256, 256, dir.file("atlas.bmp"));
                ADD_FAILURE() << "the cancelled render returned";
            } catch (const brontle::Error& e) {
                EXPECT_EQ(e.number(), brontle::ErrorNumber::HostCancelled);
                EXPECT_EQ(e.description(),
                          dir.file("atlas.bmp") + ": the texture render was cancelled");
            }
            EXPECT_EQ(contentsOf(dir), before);
            EXPECT_FALSE(service->busy());
            // It stopped at the first report past the mark, not at the end of the work.
            ASSERT_FALSE(service->reports.empty());
            EXPECT_GE(service->reports.back(), at);
            if (at < 0.8) {
                EXPECT_LT(service->reports.size(), whole / 2);
            }
        }
    }
}

} // namespace
