// The drive rule of the start-up and the help file's mapping to the page the host ships.
#include "peelwise/editor/CurrentDrive.h"
#include "peelwise/editor/HelpFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

using peelwise::driveOf;
using peelwise::folderAfterDriveChange;

TEST(CurrentDrive, ADriveIsTheFirstCharacterOrALetterWithItsColon) {
    EXPECT_EQ(driveOf("C:\\Program Files\\Brontle"), "C:");
    EXPECT_EQ(driveOf("d:"), "d:");
    EXPECT_EQ(driveOf("/usr/lib/brontle"), "/");
    EXPECT_EQ(driveOf("\\\\server\\share"), "\\");
    EXPECT_EQ(driveOf("relative/folder"), "r");
    EXPECT_EQ(driveOf(""), "");
}

TEST(CurrentDrive, OnlyAnotherDriveMovesTheCurrentFolder) {
    // Same drive: the folder within it is kept, whatever the letter's case.
    EXPECT_EQ(folderAfterDriveChange("C:\\Brontle\\plugins", "c:\\Models"), "c:\\Models");
    EXPECT_EQ(folderAfterDriveChange("/opt/brontle/plugins", "/home/user"), "/home/user");
    // Another drive: its root.
    EXPECT_EQ(folderAfterDriveChange("C:\\Brontle\\plugins", "D:\\Models"), "C:\\");
    EXPECT_EQ(folderAfterDriveChange("/opt/brontle/plugins", "D:\\Models"), "/");
    EXPECT_EQ(folderAfterDriveChange("C:\\Brontle", ""), "C:\\");
    // No plug-in folder known: nothing to change to.
    EXPECT_EQ(folderAfterDriveChange("", "/home/user"), "");
}

TEST(CurrentDrive, ThePluginFolderHoldsTheCodeThatAsks) {
    // In a test the editor is linked into the test program itself.
    const std::filesystem::path folder = peelwise::pluginFolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(std::filesystem::exists(folder / "test_editor"));
}

TEST(HelpFile, TheNamedFileMapsToTheShippedPageWhenItIsMissing) {
    QTemporaryDir install;
    ASSERT_TRUE(install.isValid());
    const std::string folder = install.path().toStdString();
    const std::string named = peelwise::helpFileFor(folder);
    EXPECT_EQ(named, folder + "/BRNHelp.chm");
    EXPECT_EQ(peelwise::helpPageFile(named), folder + "/BRNHelp.html");
    // A host that ships the named file gets that file.
    QFile chm(QString::fromStdString(named));
    ASSERT_TRUE(chm.open(QIODevice::WriteOnly));
    chm.close();
    EXPECT_EQ(peelwise::helpPageFile(named), named);
    EXPECT_EQ(peelwise::helpPageFile(""), "");
}

} // namespace
