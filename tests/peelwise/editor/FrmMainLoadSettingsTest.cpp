// The load handler restores the user's choices and the window from the settings store: the
// defaults when nothing is stored, the stored values otherwise, and a bad stored value is
// reported once and skipped while the rest of the start-up goes on.
#include "EditorRunFixture.h"

#include "peelwise/editor/WindowPlacement.h"
#include "peelwise/support/GeneralErrorHandler.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Texture.h"
#include "brontle/views/UpDownText.h"

#include <QComboBox>
#include <QImage>

#include <algorithm>
#include <fstream>

namespace {

using editor_testing::EditorRunTest;
using peelwise::frmMain;

class FrmMainLoadSettingsTest : public EditorRunTest {
  protected:
    void SetUp() override {
        EditorRunTest::SetUp();
        suppressHint();
        handOver(brontle::makeFlatShadedCube(*scene));
    }

    struct Seen {
        QString factorType, factor, textureSize, textureOption;
        bool textureOptionEnabled = false;
        std::string textureName;
        peelwise::TwipsRect window;
        std::string backdropTexture;
    };

    Seen runAndLook() {
        Seen seen;
        EXPECT_TRUE(run([&](frmMain& d) {
            seen.factorType = d.cboFactorType->currentText();
            seen.factor = d.updFactor->text();
            seen.textureSize = d.cboTextureSize->currentText();
            seen.textureOption = d.cboTextureOption->currentText();
            seen.textureOptionEnabled = d.cboTextureOption->isEnabled();
            seen.textureName = d.sTextureName;
            seen.window = peelwise::windowRectTwips(d);
            const brontle::TexturePtr texture =
                d.csTextureShape->GetPolygon(0).GetMaterial()->texture();
            seen.backdropTexture = texture ? texture->file() : "";
        }));
        return seen;
    }

    // The general handler's message for `number` as the user sees it.
    static std::string generalMessage(int number) {
        return std::string("An unrecoverable error has occurred. If you continue to receive this "
                           "message please let us know on the problem reports forum at ") +
               peelwise::kProblemReportsForum + ".  (#" + std::to_string(number) + ")";
    }
};

TEST_F(FrmMainLoadSettingsTest, NothingStoredGivesTheDefaultsAndTheDesignWindow) {
    const Seen seen = runAndLook();
    EXPECT_EQ(seen.factorType, "Max Stretch");
    EXPECT_EQ(seen.factor, "4");
    EXPECT_EQ(seen.textureSize, "1024x1024");
    EXPECT_EQ(seen.textureOption, "Create Texture");
    EXPECT_TRUE(seen.textureOptionEnabled);
    EXPECT_EQ(seen.textureName, "");
    // The scripted screen is 1920 x 1080 pixels of 15 twips: 5 % is 1440 x 810 twips.
    EXPECT_EQ(seen.window.left, 1440.0);
    EXPECT_EQ(seen.window.top, 810.0);
    EXPECT_EQ(seen.window.width, 14730.0);
    EXPECT_EQ(seen.window.height, 9105.0);
    EXPECT_TRUE(scripted->messages().empty());
    // The factor box's upper limit is 8; the lower one stays at 1.
    EXPECT_EQ(dialog.updFactor->maxvalue(), 8.0);
    EXPECT_EQ(dialog.updFactor->minvalue(), 1.0);
}

TEST_F(FrmMainLoadSettingsTest, StoredChoicesAndWindowAreRestored) {
    store("FactorType", "1");
    store("Factor", "12");
    store("TextureSize", "2");
    store("Left", "3000");
    store("Top", "1500.5");
    store("Width", "12000");
    store("Height", "9000");
    const Seen seen = runAndLook();
    EXPECT_EQ(seen.factorType, "# Charts");
    EXPECT_EQ(seen.factor, "12");
    EXPECT_EQ(seen.textureSize, "256x256");
    EXPECT_EQ(seen.window.left, 3000.0);
    // Whole pixels: 1500.5 twips is 100.03 pixels, placed at pixel 100.
    EXPECT_EQ(seen.window.top, 1500.0);
    EXPECT_EQ(seen.window.width, 12000.0);
    EXPECT_EQ(seen.window.height, 9000.0);
    EXPECT_TRUE(scripted->messages().empty());
    const std::vector<std::string> log = logLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "Generate Atlas Texture Size: 256"), log.end());
}

// A window manager's frame (set through the platform, since a virtual display draws none) is
// taken off the stored outer size from the first run on, and added back when the size is
// stored, so the stored size does not grow from one host session to the next.
TEST_F(FrmMainLoadSettingsTest, TheFrameIsTakenOffTheStoredSizeAndAddedBackWhenStored) {
    scripted->setWindowFrameMargins({4, 30, 6, 5});
    store("Width", "12000");
    store("Height", "9000");
    for (int session = 0; session < 2; ++session) {
        EXPECT_TRUE(run([&](frmMain& d) {
            // 12000 x 9000 twips are 800 x 600 pixels, frame included.
            EXPECT_EQ(d.width(), 800 - 4 - 6) << "session " << session;
            EXPECT_EQ(d.height(), 600 - 30 - 5) << "session " << session;
        }));
        EXPECT_EQ(stored("Width"), "12000") << "session " << session;
        EXPECT_EQ(stored("Height"), "9000") << "session " << session;
        handOver(brontle::makeFlatShadedCube(*scene));
    }
    EXPECT_TRUE(scripted->messages().empty());
}

// Each bad stored value is reported once with the general text and skipped; the lists keep
// the items they had, and the other settings and window edges still come from the store.
TEST_F(FrmMainLoadSettingsTest, EachBadStoredValueIsReportedOnceAndTheRestIsRestored) {
    dialog.cboTextureSize->setCurrentIndex(2);
    dialog.cboFactorType->setCurrentIndex(1);
    store("TextureSize", "9");     // out of range: 9
    store("FactorType", "abc");    // no number: 13
    store("TextureOption", "0.5"); // a fraction is no list index: 13
    store("Left", "far left");     // 13
    store("Width", "12990");
    const Seen seen = runAndLook();
    std::vector<std::string> texts;
    for (const brontle::MessagePrompt& message : scripted->messages()) {
        texts.push_back(message.text);
        EXPECT_EQ(message.title, "Application");
        EXPECT_EQ(message.style, 16);
    }
    std::sort(texts.begin(), texts.end());
    std::vector<std::string> expected = {generalMessage(13), generalMessage(13), generalMessage(13),
                                         generalMessage(9)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(texts, expected);
    EXPECT_EQ(seen.textureSize, "256x256");
    EXPECT_EQ(seen.factorType, "# Charts");
    EXPECT_TRUE(seen.textureOptionEnabled) << "enabled again after the failed restore";
    EXPECT_EQ(seen.factor, "4");
    EXPECT_EQ(seen.window.top, 810.0);
    EXPECT_EQ(seen.window.width, 12990.0);
    EXPECT_EQ(seen.window.height, 9105.0);
}

TEST_F(FrmMainLoadSettingsTest, MissingAddToTextureFileFallsBackSilentlyToCreateTexture) {
    store("TextureOption", "1");
    store("TextureName", folder.filePath("gone.bmp").toStdString());
    const Seen seen = runAndLook();
    EXPECT_TRUE(scripted->messages().empty());
    EXPECT_EQ(seen.textureOption, "Create Texture");
    EXPECT_EQ(seen.textureName, "");
    EXPECT_EQ(seen.backdropTexture, std::string(PEELWISE_BIN_DIR) + "/System/ContinuityMap.bmp");
    // The build then asked for a new texture of the stored size.
    const std::vector<std::string> log = logLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "Generate Atlas Texture Size: 1024"), log.end());
}

TEST_F(FrmMainLoadSettingsTest, AnUnreadableAddToTextureFileIsReportedAndFallsBack) {
    const std::string file = folder.filePath("notes.bmp").toStdString();
    {
        std::ofstream out(file);
        out << "not a bitmap";
    }
    store("TextureOption", "1");
    store("TextureName", file);
    const Seen seen = runAndLook();
    // The host's read failure (a negative number) is reported once with the graphics text.
    ASSERT_EQ(scripted->messages().size(), 1u);
    EXPECT_EQ(scripted->messages()[0].text,
              std::string("An unrecoverable error has occurred. Often errors such as these can be "
                          "resolved by updating the drivers for your graphics card. If you "
                          "continue to receive this message please let us know on the problem "
                          "reports forum at ") +
                  peelwise::kProblemReportsForum + ".  (#-4)");
    EXPECT_EQ(seen.textureOption, "Create Texture");
    EXPECT_EQ(seen.textureName, "");
    EXPECT_EQ(seen.backdropTexture, std::string(PEELWISE_BIN_DIR) + "/System/ContinuityMap.bmp");
}

TEST_F(FrmMainLoadSettingsTest, AddToTextureUsesTheStoredTextureAndItsSize) {
    const std::string file = folder.filePath("paint.bmp").toStdString();
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(QString::fromStdString(file)));
    store("TextureOption", "1");
    store("TextureName", file);
    const Seen seen = runAndLook();
    EXPECT_TRUE(scripted->messages().empty());
    EXPECT_EQ(seen.textureOption, "Add to Texture");
    EXPECT_EQ(seen.textureName, file);
    EXPECT_EQ(seen.backdropTexture, file);
    EXPECT_EQ(dialog.lTextureWidth, 300);
    EXPECT_EQ(dialog.lTextureHeight, 200);
    const std::vector<std::string> log = logLines();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "Generate Atlas Texture Name: " + file + " Size: 300x200"),
              log.end());
}

} // namespace
