// The file utility: path splitting, remembered folders and the two dialogs, through a scripted
// platform and a settings store in a temporary folder.
#include "brontle/services/FileUtility.h"
#include "brontle/core/Error.h"
#include "brontle/services/ScriptedPlatform.h"
#include "brontle/services/SettingsStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace brontle {
namespace {

struct Split {
    std::string folder, name, extension;
    friend bool operator==(const Split&, const Split&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Split& s) {
        return out << '"' << s.folder << "\" \"" << s.name << "\" \"" << s.extension << '"';
    }
};

Split split(const std::string& path) {
    Split s{"?", "?", "?"};
    FileUtility().SplitPath(path, s.folder, s.name, s.extension);
    return s;
}

TEST(SplitPath, FolderNameAndCapitalExtensionWithEitherSeparator) {
    EXPECT_EQ(split("/home/u/atlas.bmp"), (Split{"/home/u/", "atlas", "BMP"}));
    EXPECT_EQ(split("/home/u/atlas.BMP"), (Split{"/home/u/", "atlas", "BMP"}));
    EXPECT_EQ(split("/home/u/atlas.Png"), (Split{"/home/u/", "atlas", "PNG"}));
    EXPECT_EQ(split("atlas.bmp"), (Split{"", "atlas", "BMP"}));
    EXPECT_EQ(split("/home/u/archive.tar.gz"), (Split{"/home/u/", "archive.tar", "GZ"}));
    EXPECT_EQ(split("/home/u/atlas"), (Split{"/home/u/", "atlas", ""}));
    EXPECT_EQ(split("/home/my.textures/atlas"), (Split{"/home/my.textures/", "atlas", ""}));
    EXPECT_EQ(split("/home/u/.profile"), (Split{"/home/u/", ".profile", ""}));
    EXPECT_EQ(split("/home/u/atlas."), (Split{"/home/u/", "atlas", ""}));
    EXPECT_EQ(split("/home/u/"), (Split{"/home/u/", "", ""}));
    EXPECT_EQ(split(""), (Split{"", "", ""}));
    EXPECT_EQ(split("C:\\Textures\\atlas.bmp"), (Split{"C:/Textures/", "atlas", "BMP"}));
    EXPECT_EQ(split("\\System\\ContinuityMap.bmp"), (Split{"/System/", "ContinuityMap", "BMP"}));
    EXPECT_EQ(split("/home/u\\sub.dir\\atlas"), (Split{"/home/u/sub.dir/", "atlas", ""}));
    EXPECT_EQ(split("/t/x.bmp\xc3\xa9"), (Split{"/t/", "x", "BMP\xc3\xa9"}));
}

class FileUtilityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setSettingsFolder(settingsFolder.path().toStdString());
        scripted = std::make_shared<ScriptedPlatform>();
        scripted->setCurrentFolder("/start");
        scripted->clearRecords();
        previous = setPlatform(scripted);
    }
    void TearDown() override {
        setPlatform(previous);
        setSettingsFolder("");
    }
    std::string makeFolder(const char* name) {
        QDir(work.path()).mkpath(QString::fromLatin1(name));
        return work.filePath(QString::fromLatin1(name)).toStdString();
    }

    QTemporaryDir settingsFolder;
    QTemporaryDir work;
    std::shared_ptr<ScriptedPlatform> scripted;
    std::shared_ptr<Platform> previous;
    FileUtility files;
};

TEST_F(FileUtilityTest, SaveDialogGetsTheRequestConfirmsOverwritesOnFlagTwoAndMayRaiseCancel) {
    // A cancelled save raises the cancel error when asked to, and remembers nothing.
    SaveFileRequest request;
    request.cancelRaisesError = true;
    scripted->queueFileDialogAnswer("");
    try {
        files.ShowSaveFileDialog(0, "Brontle", request);
        FAIL() << "cancel returned normally";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), 32755);
        EXPECT_EQ(error.description(), "Cancel was selected.");
    }
    request.cancelRaisesError = false;
    EXPECT_EQ(files.ShowSaveFileDialog(0, "Brontle", request), "");
    EXPECT_EQ(files.lastChosenFile(), "");
    EXPECT_EQ(settings().GetSetting("Brontle", "FileUtility", "LastFolder", "none"), "none");
    // Overwriting is confirmed only when flag 2 is set.
    request.flags = 34822 - 2;
    files.ShowSaveFileDialog(0, "Brontle", request);
    ASSERT_EQ(scripted->fileDialogs().size(), 3u);
    EXPECT_FALSE(scripted->fileDialogs()[2].confirmOverwrite);

    scripted->clearRecords();
    const std::string textures = makeFolder("textures");
    scripted->queueFileDialogAnswer(textures + "/atlas.bmp");
    request.filter = "Windows Bitmap (*.bmp)|*.bmp";
    request.defaultExtension = "BMP";
    request.flags = 34822;
    request.cancelRaisesError = true;
    EXPECT_EQ(files.ShowSaveFileDialog(0, "Brontle", request), textures + "/atlas.bmp");
    ASSERT_EQ(scripted->fileDialogs().size(), 1u);
    const FileDialogRequest& shown = scripted->fileDialogs()[0];
    EXPECT_TRUE(shown.save);
    EXPECT_EQ(shown.filter, "Windows Bitmap (*.bmp)|*.bmp");
    EXPECT_EQ(shown.defaultExtension, "BMP");
    EXPECT_EQ(shown.fileName, "");
    EXPECT_EQ(shown.initialFolder, "/start"); // nothing remembered yet: the current folder
    EXPECT_TRUE(shown.confirmOverwrite);      // 34822 holds the prompt-before-overwriting bit 2
    EXPECT_EQ(files.lastChosenFile(), textures + "/atlas.bmp");
}

TEST_F(FileUtilityTest, TheLastFolderIsRememberedStoredAndRestoredPerApplication) {
    files.StoreLastFolder("Brontle"); // nothing chosen yet
    EXPECT_EQ(settings().GetSetting("Brontle", "FileUtility", "LastFolder", "none"), "none");
    files.RestoreLastFolder("Brontle"); // nothing remembered: nothing changes
    EXPECT_TRUE(scripted->folderChanges().empty());

    const std::string first = makeFolder("first");
    const std::string second = makeFolder("second");
    std::string path;
    scripted->queueFileDialogAnswer(first + "/texture.png");
    EXPECT_EQ(files.ShowOpenFileDialog(0, "Brontle", 0, "Images|*.png", path),
              first + "/texture.png");
    EXPECT_EQ(path, first + "/texture.png");
    EXPECT_EQ(settings().GetSetting("Brontle", "FileUtility", "LastFolder", ""), first + "/");

    // The next dialog of that application starts there; another application's does not.
    files.ShowOpenFileDialog(0, "Brontle", 0, "Images|*.png", path);
    files.ShowOpenFileDialog(0, "Other", 0, "Images|*.png", path);
    EXPECT_EQ(path, "");
    ASSERT_EQ(scripted->fileDialogs().size(), 3u);
    EXPECT_EQ(scripted->fileDialogs()[0].initialFolder, "/start");
    EXPECT_EQ(scripted->fileDialogs()[1].initialFolder, first + "/");
    EXPECT_EQ(scripted->fileDialogs()[2].initialFolder, "/start");
    EXPECT_FALSE(scripted->fileDialogs()[1].save);
    EXPECT_EQ(scripted->fileDialogs()[1].filter, "Images|*.png");

    scripted->queueFileDialogAnswer(second + "\\atlas.BMP");
    EXPECT_EQ(files.ShowSaveFileDialog(0, "Brontle", {}), second + "/atlas.BMP");
    EXPECT_EQ(settings().GetSetting("Brontle", "FileUtility", "LastFolder", ""), second + "/");

    // RestoreLastFolder makes the remembered folder current.
    scripted->clearRecords();
    const std::string remembered = makeFolder("remembered");
    settings().SaveSetting("Brontle", "FileUtility", "LastFolder", remembered + "/");
    files.RestoreLastFolder("Brontle");
    EXPECT_EQ(scripted->folderChanges(), std::vector<std::string>{remembered + "/"});
    EXPECT_EQ(scripted->currentFolder(), remembered + "/");

    settings().SaveSetting("Brontle", "FileUtility", "LastFolder", remembered + "/gone/");
    files.RestoreLastFolder("Brontle"); // a folder that no longer exists is passed over
    EXPECT_EQ(scripted->folderChanges().size(), 1u);

    // StoreLastFolder stores the folder of the last chosen file for the application named.
    const std::string chosen = makeFolder("chosen");
    scripted->queueFileDialogAnswer(chosen + "/a.bmp");
    files.ShowSaveFileDialog(0, "Brontle", {});
    files.StoreLastFolder("Peelwise Copy");
    EXPECT_EQ(settings().GetSetting("Peelwise Copy", "FileUtility", "LastFolder", ""),
              chosen + "/");
}

TEST_F(FileUtilityTest, AnUnwritableSettingsFileDoesNotLoseTheChoice) {
    QTemporaryDir logFolder;
    const std::string logFile = logFolder.filePath("brontle.log").toStdString();
    setenv("BRONTLE_LOG_FILE", logFile.c_str(), 1);
    const std::string blocker = work.filePath("blocker").toStdString();
    std::ofstream(blocker) << "x";
    setSettingsFolder(blocker + "/settings");
    scripted->queueFileDialogAnswer("/tmp/x.bmp");
    std::string path;
    EXPECT_EQ(files.ShowOpenFileDialog(0, "Brontle", 0, "", path), "/tmp/x.bmp");
    unsetenv("BRONTLE_LOG_FILE");
    std::ifstream in(logFile);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_TRUE(
        line.ends_with(" FileUtility: the folder of /tmp/x.bmp is not remembered: " + blocker +
                       "/settings/Brontle.ini: cannot save the setting "
                       "FileUtility/LastFolder (the folder cannot be made)"))
        << line;
}

} // namespace
} // namespace brontle
