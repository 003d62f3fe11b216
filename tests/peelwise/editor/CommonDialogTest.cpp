// The dialog's common file dialog: what it asks the platform, what it does with the answer, and
// the error a cancel raises when asked to.
#include "peelwise/editor/CommonDialog.h"

#include "brontle/core/Error.h"
#include "brontle/services/ScriptedPlatform.h"

#include <gtest/gtest.h>

#include <memory>

namespace peelwise {
namespace {

class CommonDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = brontle::setPlatform(scripted);
        scripted->setCurrentFolder("/home/user/textures");
        scripted->clearRecords();
        dialog.filter = "Windows Bitmap (*.bmp)|*.bmp";
        dialog.defaultExtension = "BMP";
        dialog.flags = 34822;
        dialog.cancelError = true;
    }
    void TearDown() override { brontle::setPlatform(previous); }

    std::shared_ptr<brontle::ScriptedPlatform> scripted =
        std::make_shared<brontle::ScriptedPlatform>();
    std::shared_ptr<brontle::Platform> previous;
    CommonDialog dialog;
};

TEST_F(CommonDialogTest, SaveAsksWithTheFilterExtensionOverwritePromptAndCurrentFolder) {
    scripted->queueFileDialogAnswer("/home/user/out/atlas.BMP");
    EXPECT_TRUE(dialog.ShowSave());
    ASSERT_EQ(scripted->fileDialogs().size(), 1u);
    const brontle::FileDialogRequest& asked = scripted->fileDialogs()[0];
    EXPECT_TRUE(asked.save);
    EXPECT_EQ(asked.filter, "Windows Bitmap (*.bmp)|*.bmp");
    EXPECT_EQ(asked.defaultExtension, "BMP");
    EXPECT_EQ(asked.initialFolder, "/home/user/textures");
    EXPECT_EQ(asked.fileName, "");
    EXPECT_TRUE(asked.confirmOverwrite); // 34822 holds the overwrite prompt bit 2
    EXPECT_EQ(dialog.fileName, "/home/user/out/atlas.BMP");
    // The chosen file's folder becomes the current folder.
    ASSERT_EQ(scripted->folderChanges().size(), 1u);
    EXPECT_EQ(scripted->folderChanges()[0], "/home/user/out");
    EXPECT_EQ(scripted->currentFolder(), "/home/user/out");
}

TEST_F(CommonDialogTest, NameWithoutExtensionGetsTheDefaultOne) {
    scripted->queueFileDialogAnswer("/tmp/atlas");
    EXPECT_TRUE(dialog.ShowSave());
    EXPECT_EQ(dialog.fileName, "/tmp/atlas.BMP");
}

TEST_F(CommonDialogTest, CancelWithCancelErrorRaisesFileDialogCancelled) {
    scripted->queueFileDialogAnswer("");
    dialog.fileName = "kept.bmp";
    try {
        dialog.ShowSave();
        FAIL() << "a cancelled dialog returned";
    } catch (const brontle::Error& error) {
        EXPECT_EQ(error.number(), 32755);
        EXPECT_EQ(error.description(), "Cancel was selected.");
        EXPECT_EQ(error.source(), "CommonDialog");
    }
    EXPECT_EQ(dialog.fileName, "kept.bmp");
    EXPECT_TRUE(scripted->folderChanges().empty());
}

TEST_F(CommonDialogTest, CancelWithoutCancelErrorReturnsFalseAndKeepsTheName) {
    dialog.cancelError = false;
    dialog.fileName = "kept.bmp";
    scripted->queueFileDialogAnswer("");
    EXPECT_FALSE(dialog.ShowSave());
    EXPECT_EQ(dialog.fileName, "kept.bmp");
    ASSERT_EQ(scripted->fileDialogs().size(), 1u);
    EXPECT_EQ(scripted->fileDialogs()[0].fileName, "kept.bmp");
}

TEST_F(CommonDialogTest, NoChangeDirAndAnInitialFolderAreHonoured) {
    dialog.flags = CommonDialog::NoChangeDir + CommonDialog::OverwritePrompt;
    dialog.initialFolder = "/srv/start";
    scripted->queueFileDialogAnswer("/srv/other/atlas.bmp");
    EXPECT_TRUE(dialog.ShowSave());
    EXPECT_EQ(scripted->fileDialogs()[0].initialFolder, "/srv/start");
    EXPECT_TRUE(scripted->folderChanges().empty());
    EXPECT_EQ(scripted->currentFolder(), "/home/user/textures");
}

TEST_F(CommonDialogTest, OpenNeverAsksToOverwrite) {
    scripted->queueFileDialogAnswer("/home/user/textures/brick.bmp");
    EXPECT_TRUE(dialog.ShowOpen());
    ASSERT_EQ(scripted->fileDialogs().size(), 1u);
    EXPECT_FALSE(scripted->fileDialogs()[0].save);
    EXPECT_FALSE(scripted->fileDialogs()[0].confirmOverwrite);
    EXPECT_EQ(dialog.fileName, "/home/user/textures/brick.bmp");
}

TEST_F(CommonDialogTest, WithoutOverwritePromptTheSaveDoesNotAsk) {
    dialog.flags = CommonDialog::HideReadOnly + CommonDialog::PathMustExist;
    scripted->queueFileDialogAnswer("/tmp/a.bmp");
    EXPECT_TRUE(dialog.ShowSave());
    EXPECT_FALSE(scripted->fileDialogs()[0].confirmOverwrite);
}

} // namespace
} // namespace peelwise
