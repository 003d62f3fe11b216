// OK, Cancel and the title-bar close of the editor, seen from outside: the save dialog's
// request, the file-type check and its message, the texture file written and the settings
// stored. That an undone weld leaves no trace in what OK writes is the editing session's test.
#include "EditorRunFixture.h"

#include "peelwise/editor/WindowPlacement.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Texture.h"
#include "brontle/views/Editport.h"
#include "brontle/views/UpDownText.h"

#include <QComboBox>
#include <QGuiApplication>

#include <filesystem>

namespace {

using editor_testing::EditorRunTest;
namespace fs = std::filesystem;

// Records the program title each message box would carry when it passes no title of its own.
class TitleRecordingPlatform : public brontle::ScriptedPlatform {
  public:
    brontle::MessageResult messageBox(const brontle::MessagePrompt& prompt) override {
        programTitles.push_back(QGuiApplication::applicationDisplayName().toStdString());
        return ScriptedPlatform::messageBox(prompt);
    }
    std::vector<std::string> programTitles;
};

class OkCommandTest : public EditorRunTest {
  protected:
    void SetUp() override {
        EditorRunTest::SetUp();
        suppressHint();
        store("TextureSize", "2"); // "256x256"
        handOver(brontle::makeFlatShadedCube(*scene));
    }
    std::string path(const std::string& name) const {
        return (fs::path(folder.path().toStdString()) / name).string();
    }
};

TEST_F(OkCommandTest, ANameWithoutExtensionIsCompletedToBmpAndA256TextureIsWritten) {
    // A file of that name already there is replaced whole, with nothing left beside it.
    { std::ofstream(path("atlas.BMP")) << "not a picture"; }
    scripted->queueFileDialogAnswer(path("atlas"));
    brontle::ShapePtr source;
    ASSERT_TRUE(run([&](peelwise::frmMain& d) {
        source = d.csSourceShape;
        d.cmdOK_Click();
    }));
    EXPECT_TRUE(dialog.bOKClicked);
    EXPECT_FALSE(dialog.bCancelClicked);
    ASSERT_EQ(scripted->fileDialogs().size(), 1u);
    const brontle::FileDialogRequest& request = scripted->fileDialogs()[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.filter, "Windows Bitmap (*.bmp)|*.bmp");
    EXPECT_EQ(request.defaultExtension, "BMP");
    EXPECT_EQ(request.fileName, "");
    EXPECT_TRUE(request.confirmOverwrite); // flags 34822 include "prompt before overwriting"
    EXPECT_TRUE(scripted->messages().empty());
    // The scripted dialog, as the real one, completes the name with the default extension.
    EXPECT_EQ(dialog.sTextureName, path("atlas.BMP"));
    const auto image = brontle::readBmpFile(path("atlas.BMP"));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 256);
    EXPECT_EQ(image->height, 256);
    // The working copy carries the written texture as its one material.
    ASSERT_TRUE(source);
    ASSERT_EQ(source->GetMaterialCount(), 1);
    ASSERT_TRUE(source->GetMaterialByIndex(0)->texture());
    EXPECT_EQ(source->GetMaterialByIndex(0)->texture()->image(), *image);
    EXPECT_EQ(dialog.lTextureWidth, 256);
    EXPECT_EQ(dialog.lTextureHeight, 256);
    int named = 0;
    for (const auto& entry : fs::directory_iterator(folder.path().toStdString())) {
        named += entry.path().filename().string().find("atlas") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(named, 1) << "no temporary file beside the texture";
}

TEST_F(OkCommandTest, AnotherFileTypeIsRefusedAndSmallLetterBmpIsAccepted) {
    auto titled = std::make_shared<TitleRecordingPlatform>();
    brontle::setPlatform(titled);
    titled->queueFileDialogAnswer(path("atlas.png"));
    // This file utility reports extensions in capitals, so "bmp" passes the check for "BMP".
    titled->queueFileDialogAnswer(path("atlas.bmp"));
    QGuiApplication::setApplicationDisplayName("Brontle");
    ASSERT_TRUE(run([&](peelwise::frmMain& d) { d.cmdOK_Click(); }));
    EXPECT_TRUE(dialog.bOKClicked);
    ASSERT_EQ(titled->fileDialogs().size(), 2u);
    ASSERT_EQ(titled->messages().size(), 1u);
    EXPECT_EQ(titled->messages()[0].text, "File Type not Correct.");
    EXPECT_EQ(titled->messages()[0].title, "");
    EXPECT_EQ(titled->messages()[0].style, 48);
    ASSERT_EQ(titled->programTitles.size(), 1u);
    EXPECT_EQ(titled->programTitles[0], "Peelwise");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Brontle"); // the host's again
    EXPECT_EQ(dialog.sTextureName, path("atlas.bmp"));
    EXPECT_TRUE(fs::exists(path("atlas.bmp")));
    EXPECT_FALSE(fs::exists(path("atlas.png")));
}

TEST_F(OkCommandTest, CancellingTheSaveDialogClosesAsCancelWithoutWritingAnything) {
    scripted->queueFileDialogAnswer("");
    ASSERT_TRUE(run([&](peelwise::frmMain& d) { d.cmdOK_Click(); }));
    EXPECT_FALSE(dialog.bOKClicked);
    EXPECT_TRUE(dialog.bCancelClicked);
    EXPECT_FALSE(dialog.isLoaded());
    EXPECT_TRUE(scripted->messages().empty()); // nothing is reported
    EXPECT_EQ(stored("TextureName"), "<none>");
    EXPECT_EQ(stored("FactorType"), "<none>");
    for (const auto& entry : fs::directory_iterator(folder.path().toStdString())) {
        EXPECT_NE(entry.path().extension(), ".BMP") << entry.path();
    }
}

TEST_F(OkCommandTest, OkStoresTheChoicesWithTheirExactValues) {
    scripted->queueFileDialogAnswer(path("chosen.bmp"));
    ASSERT_TRUE(run([&](peelwise::frmMain& d) {
        d.cboFactorType->setCurrentIndex(1);
        d.updFactor->setText("7");
        d.cboTextureSize->setCurrentIndex(0);
        d.cmdOK_Click();
    }));
    EXPECT_EQ(stored("FactorType"), "1");
    EXPECT_EQ(stored("Factor"), "7");
    EXPECT_EQ(stored("TextureSize"), "0");
    EXPECT_EQ(stored("TextureName"), path("chosen.bmp"));
    EXPECT_EQ(stored("TextureOption"), "0");
    const auto image = brontle::readBmpFile(path("chosen.bmp"));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 64); // item 0: 2^6
    // The folder of the chosen file is remembered for the next dialog.
    EXPECT_EQ(stored("LastFolder", "FileUtility"), folder.path().toStdString() + "/");
}

TEST_F(OkCommandTest, TheTitleBarCloseStoresTheGeometryAndAppliesNothing) {
    peelwise::TwipsRect before;
    ASSERT_TRUE(run([&](peelwise::frmMain& d) {
        before = peelwise::windowRectTwips(d);
        d.close(); // the title-bar button
    }));
    EXPECT_FALSE(dialog.bOKClicked);
    EXPECT_TRUE(dialog.bCancelClicked);
    EXPECT_EQ(dialog.csSourceShape, nullptr);
    EXPECT_EQ(dialog.csUVShape, nullptr);
    EXPECT_EQ(stored("TextureName"), "<none>");
    EXPECT_EQ(std::stof(stored("Left")), static_cast<float>(before.left));
    EXPECT_EQ(std::stof(stored("Top")), static_cast<float>(before.top));
    EXPECT_EQ(std::stof(stored("Width")), static_cast<float>(before.width));
    EXPECT_EQ(std::stof(stored("Height")), static_cast<float>(before.height));
    EXPECT_GT(std::stof(stored("Width")), 0.0f);
}

} // namespace
