// The texture-option list: an existing image chosen for "Add to Texture" sets the atlas size
// and the backdrop, a cancel or an unreadable file goes back to "Create Texture".
#include "EditorRunFixture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Material.h"
#include "brontle/model/Texture.h"

#include <QComboBox>

#include <algorithm>
#include <filesystem>

namespace {

using editor_testing::EditorRunTest;
namespace fs = std::filesystem;

class TextureOptionsTest : public EditorRunTest {
  protected:
    void SetUp() override {
        EditorRunTest::SetUp();
        suppressHint();
        handOver(brontle::makeFlatShadedCube(*scene));
    }
    std::string path(const std::string& name) const {
        return (fs::path(folder.path().toStdString()) / name).string();
    }
    static brontle::TexturePtr backdropTexture(const peelwise::frmMain& d) {
        return d.csTextureShape->GetMaterialByIndex(0)->texture();
    }
};

TEST_F(TextureOptionsTest, A512By256ImageSizesTheNextAtlasAndIsShownBehindTheLayout) {
    brontle::Image picture(512, 256, 0xff336699u);
    brontle::writeBmpFile(path("wall.bmp"), picture);
    scripted->queueFileDialogAnswer(path("wall.bmp"));
    struct {
        std::int32_t width = 0, height = 0;
        bool sizeListEnabled = true;
        bool shown = false;
        std::string name;
    } seen;
    ASSERT_TRUE(run([&](peelwise::frmMain& d) {
        d.cboTextureOption->setCurrentIndex(1);
        seen = {d.lTextureWidth, d.lTextureHeight, d.cboTextureSize->isEnabled(),
                backdropTexture(d) && backdropTexture(d)->image() == picture, d.sTextureName};
        d.cmdGenerateAtlas_Click();
    }));
    ASSERT_EQ(scripted->fileDialogs().size(), 1u);
    EXPECT_FALSE(scripted->fileDialogs()[0].save);
    EXPECT_EQ(seen.width, 512);
    EXPECT_EQ(seen.height, 256);
    EXPECT_FALSE(seen.sizeListEnabled); // greyed out: the size comes from the image
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.name, path("wall.bmp"));
    const std::vector<std::string> lines = logLines();
    const std::string expected =
        "Generate Atlas Texture Name: " + path("wall.bmp") + " Size: 512x256";
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
}

// A disabled list asks nothing; a cancelled open dialog and a file that is no image both go
// back to Create Texture, the second with its message.
TEST_F(TextureOptionsTest, WithoutAnImageTheListGoesBackToCreateTexture) {
    { std::ofstream(path("notes.bmp")) << "these are words, not pixels"; }
    scripted->queueFileDialogAnswer("");
    scripted->queueFileDialogAnswer(path("notes.bmp"));
    struct Seen {
        int item = -1;
        std::string name = "x";
        bool sizeListEnabled = false;
    };
    Seen cancelled, noImage;
    std::size_t dialogsWhileDisabled = 99;
    bool continuity = false;
    ASSERT_TRUE(run([&](peelwise::frmMain& d) {
        d.cboTextureOption->setEnabled(false);
        d.cboTextureOption->setCurrentIndex(1);
        d.cboTextureOption->setEnabled(true);
        dialogsWhileDisabled = scripted->fileDialogs().size();
        d.cboTextureOption->setCurrentIndex(0);

        const brontle::TexturePtr before = backdropTexture(d);
        d.cboTextureOption->setCurrentIndex(1);
        cancelled = {d.cboTextureOption->currentIndex(), d.sTextureName,
                     d.cboTextureSize->isEnabled()};
        continuity = backdropTexture(d) && before && backdropTexture(d)->image() == before->image();
        EXPECT_TRUE(scripted->messages().empty());

        d.cboTextureOption->setCurrentIndex(1);
        noImage = {d.cboTextureOption->currentIndex(), d.sTextureName,
                   d.cboTextureSize->isEnabled()};
    }));
    EXPECT_EQ(dialogsWhileDisabled, 0u);
    for (const Seen& seen : {cancelled, noImage}) {
        EXPECT_EQ(seen.item, 0);
        EXPECT_EQ(seen.name, "");
        EXPECT_TRUE(seen.sizeListEnabled);
    }
    EXPECT_TRUE(continuity);
    ASSERT_GE(scripted->messages().size(), 1u);
    EXPECT_EQ(scripted->messages()[0].text, "Unable to load texture. Texture may be invalid.");
    EXPECT_EQ(scripted->messages()[0].title, "Peel-Wise");
    EXPECT_EQ(scripted->messages()[0].style, 48);
    // Then the general report of the host's error.
    ASSERT_EQ(scripted->messages().size(), 2u);
    EXPECT_EQ(scripted->messages()[1].title, "Application");
}

} // namespace
