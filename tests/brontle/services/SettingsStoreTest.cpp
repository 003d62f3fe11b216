// The per-user settings store: exact round trips in a temporary folder, defaults, awkward names
// and a damaged file.
#include "brontle/services/SettingsStore.h"
#include "brontle/core/Error.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace brontle {
namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class SettingsStoreTest : public ::testing::Test {
  protected:
    QTemporaryDir folder;
    SettingsStore store{folder.path().toStdString()};
};

TEST_F(SettingsStoreTest, ValuesRoundTripExactlyAndAbsentOnesGiveTheDefault) {
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "PeelwiseSeams", "1"), "1");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "PeelwiseSeams"), "");
    store.SaveSetting("Brontle", "Peelwise", "Factor", "4");
    store.SaveSetting("Brontle", "Peelwise", "TextureName", "/home/u/my textures/atlas, v2.BMP");
    store.SaveSetting("Brontle", "Peelwise", "Left", "  720.5 ");
    store.SaveSetting("Brontle", "Tips", "PeelwiseSeams", "0");
    store.SaveSetting("Brontle", "Peelwise", "Note", "@first line\nsecond \"quoted\" ; # = [x]");
    store.SaveSetting("Brontle", "Peelwise", "Unicode", "Größe ½ 纹理");
    store.SaveSetting("Brontle", "Peelwise", "Empty", "");

    EXPECT_EQ(store.GetSetting("Brontle", "Peelwise", "Factor", "x"), "4");
    EXPECT_EQ(store.GetSetting("Brontle", "Peelwise", "TextureName", "x"),
              "/home/u/my textures/atlas, v2.BMP");
    EXPECT_EQ(store.GetSetting("Brontle", "Peelwise", "Left", "x"), "  720.5 ");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "PeelwiseSeams", "1"), "0");
    EXPECT_EQ(store.GetSetting("Brontle", "Peelwise", "Note", "x"),
              "@first line\nsecond \"quoted\" ; # = [x]");
    EXPECT_EQ(store.GetSetting("Brontle", "Peelwise", "Unicode", "x"), "Größe ½ 纹理");
    // An empty stored value is a value, not an absence.
    EXPECT_EQ(store.GetSetting("Brontle", "Peelwise", "Empty", "x"), "");
    store.SaveSetting("Brontle", "Peelwise", "TextureSize", "4");
    const SettingsStore later(folder.path().toStdString());
    EXPECT_EQ(later.GetSetting("Brontle", "Peelwise", "TextureSize", "x"), "4");
    store.SaveSetting("Brontle", "Tips", "PeelwiseSeams", "1");
    store.SaveSetting("Brontle", "Tips", "PeelwiseSeams", "0");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "PeelwiseSeams", "x"), "0");
}

TEST_F(SettingsStoreTest, NamesAreKeptApartEscapedAndMustNotBeEmpty) {
    store.SaveSetting("Brontle", "Peelwise", "Factor", "4");
    store.SaveSetting("Other", "Peelwise", "Factor", "9");
    store.SaveSetting("Brontle", "Tips", "Factor", "7");
    EXPECT_EQ(store.GetSetting("Brontle", "Peelwise", "Factor", "d"), "4");
    EXPECT_EQ(store.GetSetting("Other", "Peelwise", "Factor", "d"), "9");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "Factor", "d"), "7");
    EXPECT_EQ(store.GetSetting("Brontle", "peelwise", "Factor", "d"), "d");
    EXPECT_EQ(store.GetSetting("Brontle", "Peelwise", "factor", "d"), "d");
    EXPECT_EQ(store.fileFor("Brontle"), folder.path().toStdString() + "/Brontle.ini");
    EXPECT_EQ(store.fileFor("Other"), folder.path().toStdString() + "/Other.ini");
    store.SaveSetting("Brontle", "General", "Key", "in General");
    store.SaveSetting("Brontle", "a/b", "c", "slash section");
    store.SaveSetting("Brontle", "a", "b/c", "slash key");
    store.SaveSetting("Brontle", "a", "b\\c", "backslash key");
    store.SaveSetting("Brontle", "a", "b%2Fc", "percent key");
    store.SaveSetting("Brontle", "Peelwise", "Key with spaces", "spaces");
    EXPECT_EQ(store.GetSetting("Brontle", "General", "Key", "d"), "in General");
    EXPECT_EQ(store.GetSetting("Brontle", "a/b", "c", "d"), "slash section");
    EXPECT_EQ(store.GetSetting("Brontle", "a", "b/c", "d"), "slash key");
    EXPECT_EQ(store.GetSetting("Brontle", "a", "b\\c", "d"), "backslash key");
    EXPECT_EQ(store.GetSetting("Brontle", "a", "b%2Fc", "d"), "percent key");
    EXPECT_EQ(store.GetSetting("Brontle", "Peelwise", "Key with spaces", "d"), "spaces");
    // Nothing collapsed into a group path: "a" holds no key "b".
    EXPECT_EQ(store.GetSetting("Brontle", "a", "b", "d"), "d");
    store.SaveSetting("My/App:1", "S", "K", "v");
    EXPECT_EQ(store.fileFor("My/App:1"), folder.path().toStdString() + "/My%2FApp%3A1.ini");
    EXPECT_EQ(store.GetSetting("My/App:1", "S", "K", "d"), "v");
    EXPECT_EQ(store.GetSetting("Brontle", "", "K", "d"), "d");
    EXPECT_EQ(store.GetSetting("", "S", "K", "d"), "d");
    try {
        store.SaveSetting("Brontle", "Tips", "", "1");
        FAIL() << "an empty key was saved";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::HostBadArgument);
        EXPECT_EQ(error.description(), "SaveSetting: the application name, section and key must "
                                       "not be empty (given \"Brontle\", \"Tips\", \"\")");
    }
}

TEST_F(SettingsStoreTest, DamagedFilesAreReadAsFarAsTheyGoAndAnUnwritableFolderFailsTheSave) {
    const std::string path = store.fileFor("Brontle");
    {
        std::ofstream out(path, std::ios::binary);
        out << "[Peelwise\nFactor=4\n\x01\xff\xfe garbage without equals\n[Tips]\n"
               "PeelwiseSeams=0\nTyped=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\bNoType)\n"
               "Bad=@Invalid()\nList=1, 2\n";
    }
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "PeelwiseSeams", "1"), "0");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "Typed", "absent"), "absent");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "Bad", "absent"), "absent");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "List", "absent"), "1, 2");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "Missing", "absent"), "absent");

    store.SaveSetting("Brontle", "Tips", "New", "n");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "New", "d"), "n");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "PeelwiseSeams", "1"), "0");
    EXPECT_EQ(fileText(path).find("garbage"), std::string::npos);
    {
        std::ofstream out(store.fileFor("Brontle"), std::ios::binary);
        for (int i = 0; i < 4096; ++i) {
            out.put(static_cast<char>((i * 7919) % 256));
        }
    }
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "PeelwiseSeams", "1"), "1");
    store.SaveSetting("Brontle", "Tips", "PeelwiseSeams", "0");
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "PeelwiseSeams", "1"), "0");
    const std::string blocker = folder.filePath("blocker").toStdString();
    std::ofstream(blocker) << "a file where the folder should be";
    SettingsStore blocked(blocker + "/settings");
    try {
        blocked.SaveSetting("Brontle", "Tips", "PeelwiseSeams", "0");
        FAIL() << "saved below a file";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::HostFileUnwritable);
        EXPECT_EQ(error.description(), blocker + "/settings/Brontle.ini: cannot save the setting "
                                                 "Tips/PeelwiseSeams (the folder cannot be made)");
    }
    EXPECT_EQ(blocked.GetSetting("Brontle", "Tips", "PeelwiseSeams", "1"), "1");
}

TEST(SettingsFolder, EnvironmentThenExplicitFolder) {
    QTemporaryDir fromEnvironment;
    QTemporaryDir explicitFolder;
    setenv("BRONTLE_SETTINGS_DIR", fromEnvironment.path().toLocal8Bit().constData(), 1);
    SettingsStore store;
    EXPECT_EQ(store.folder(), fromEnvironment.path().toStdString());
    store.SaveSetting("Brontle", "Tips", "PeelwiseSeams", "0");
    EXPECT_EQ(SettingsStore(fromEnvironment.path().toStdString())
                  .GetSetting("Brontle", "Tips", "PeelwiseSeams", "1"),
              "0");

    store.setFolder(explicitFolder.path().toStdString());
    EXPECT_EQ(store.folder(), explicitFolder.path().toStdString());
    EXPECT_EQ(store.GetSetting("Brontle", "Tips", "PeelwiseSeams", "1"), "1");

    setSettingsFolder(explicitFolder.path().toStdString());
    EXPECT_EQ(settings().folder(), explicitFolder.path().toStdString());
    setSettingsFolder("");
    EXPECT_EQ(settings().folder(), fromEnvironment.path().toStdString());
    unsetenv("BRONTLE_SETTINGS_DIR");
    EXPECT_NE(settings().folder(), fromEnvironment.path().toStdString());
    EXPECT_TRUE(settings().folder().ends_with("/Brontle"));
}

} // namespace
} // namespace brontle
