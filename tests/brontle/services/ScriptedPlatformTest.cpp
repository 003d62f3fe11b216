// The scripted platform that every prompt test relies on: it must record exactly and answer
// exactly as scripted.
#include "brontle/services/ScriptedPlatform.h"

#include <gtest/gtest.h>

namespace brontle {
namespace {

TEST(ScriptedPlatform, RecordsEveryPromptAndAnswersFromTheQueueThenTheFirstButton) {
    ScriptedPlatform scripted;
    scripted.messageBox({"File Type not Correct.", "", 48});
    scripted.messageBox({"Discard changes?", "Peel-Wise", 4 + 32});
    ASSERT_EQ(scripted.messages().size(), 2u);
    EXPECT_EQ(scripted.messages()[0].text, "File Type not Correct.");
    EXPECT_EQ(scripted.messages()[0].title, "");
    EXPECT_EQ(scripted.messages()[0].style, 48);
    EXPECT_EQ(scripted.messages()[1].text, "Discard changes?");
    EXPECT_EQ(scripted.messages()[1].title, "Peel-Wise");
    EXPECT_EQ(scripted.messages()[1].style, 36);

    scripted.queueMessageAnswer(MessageResult::No);
    scripted.queueMessageAnswer(MessageResult::Cancel);
    EXPECT_EQ(scripted.messageBox({"a", "", MessageStyle::YesNo}), MessageResult::No);
    EXPECT_EQ(scripted.messageBox({"b", "", MessageStyle::YesNoCancel}), MessageResult::Cancel);
    EXPECT_EQ(scripted.unusedMessageAnswers(), 0u);
    EXPECT_EQ(scripted.messageBox({"c", "", MessageStyle::YesNoCancel}), MessageResult::Yes);
    EXPECT_EQ(scripted.messageBox({"d", "", MessageStyle::OkCancel + 16}), MessageResult::Ok);
    EXPECT_EQ(scripted.messageBox({"e", "", MessageStyle::OkOnly}), MessageResult::Ok);
    EXPECT_EQ(scripted.messages().size(), 7u);

    // An answer the prompt does not offer is a script error.
    scripted.queueMessageAnswer(MessageResult::Yes);
    try {
        scripted.messageBox({"File Type not Correct.", "", 48});
        FAIL() << "Yes accepted for an OK prompt";
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "the script answers Yes to the prompt \"File Type not "
                                   "Correct.\" (style 48), which does not offer it");
    }
    EXPECT_EQ(scripted.messages().size(), 8u);
}

TEST(ScriptedPlatform, FileDialogsAreRecordedAndAnsweredInOrder) {
    ScriptedPlatform scripted;
    scripted.queueFileDialogAnswer("/tmp/a/first.bmp");
    scripted.queueFileDialogAnswer("");
    scripted.queueFileDialogAnswer("/tmp/a.b/noextension");
    FileDialogRequest save;
    save.save = true;
    save.filter = "Windows Bitmap (*.bmp)|*.bmp";
    save.defaultExtension = "BMP";
    save.initialFolder = "/tmp/a";
    save.confirmOverwrite = true;
    EXPECT_EQ(scripted.fileDialog(save), "/tmp/a/first.bmp");
    EXPECT_EQ(scripted.fileDialog(save), "");
    EXPECT_EQ(scripted.fileDialog(save), "/tmp/a.b/noextension.BMP");
    EXPECT_EQ(scripted.fileDialog(save), ""); // the queue is empty: cancelled
    FileDialogRequest open;
    open.filter = "Images|*.bmp;*.png";
    EXPECT_EQ(scripted.fileDialog(open), "");

    ASSERT_EQ(scripted.fileDialogs().size(), 5u);
    EXPECT_TRUE(scripted.fileDialogs()[0].save);
    EXPECT_EQ(scripted.fileDialogs()[0].filter, "Windows Bitmap (*.bmp)|*.bmp");
    EXPECT_EQ(scripted.fileDialogs()[0].defaultExtension, "BMP");
    EXPECT_EQ(scripted.fileDialogs()[0].initialFolder, "/tmp/a");
    EXPECT_TRUE(scripted.fileDialogs()[0].confirmOverwrite);
    EXPECT_FALSE(scripted.fileDialogs()[4].save);
    EXPECT_EQ(scripted.fileDialogs()[4].filter, "Images|*.bmp;*.png");
}

TEST(ScriptedPlatform, KeysMetricsFontAndFolderAreWhatTheTestSets) {
    ScriptedPlatform scripted;
    EXPECT_FALSE(scripted.isKeyDown('X'));
    scripted.setKeyDown('X', true);
    scripted.setKeyDown(17, true);
    EXPECT_TRUE(scripted.isKeyDown(88));
    EXPECT_TRUE(scripted.isKeyDown(17));
    EXPECT_FALSE(scripted.isKeyDown('Y'));
    scripted.setKeyDown('X', false);
    EXPECT_FALSE(scripted.isKeyDown('X'));

    EXPECT_EQ(scripted.twipsPerPixelX(), 15.0);
    EXPECT_EQ(scripted.twipsPerPixelY(), 15.0);
    EXPECT_EQ(scripted.screenWidthTwips(), 1920 * 15.0);
    EXPECT_EQ(scripted.screenHeightTwips(), 1080 * 15.0);
    scripted.setScreenPixels(1280, 1024);
    scripted.setTwipsPerPixel(12);
    EXPECT_EQ(scripted.screenWidthTwips(), 1280 * 12.0);
    EXPECT_EQ(scripted.screenHeightTwips(), 1024 * 12.0);

    EXPECT_EQ(scripted.systemFont().messageFontFace, "Segoe UI");
    scripted.setSystemFont({"Noto Sans", "DejaVu Sans", 10});
    EXPECT_EQ(scripted.systemFont().messageFontFace, "Noto Sans");
    EXPECT_EQ(scripted.systemFont().defaultFontFace, "DejaVu Sans");
    EXPECT_EQ(scripted.systemFont().defaultFontSize, 10);

    scripted.setCurrentFolder("/x");
    scripted.setCurrentFolder("/y");
    EXPECT_EQ(scripted.currentFolder(), "/y");
    EXPECT_EQ(scripted.folderChanges(), (std::vector<std::string>{"/x", "/y"}));
    scripted.clearRecords();
    EXPECT_TRUE(scripted.folderChanges().empty());
}

} // namespace
} // namespace brontle
