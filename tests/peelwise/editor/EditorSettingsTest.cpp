// The editor's stored settings in one place: the section and key names in the store, the
// defaults, a round trip, and OK's rule that a failing write is skipped and the others are made.
#include "peelwise/editor/EditorSettings.h"

#include "brontle/services/SettingsStore.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using peelwise::EditorSettings;

constexpr const char* kApp = "BrontleSettingsTest";

class EditorSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        brontle::setSettingsFolder(folder.path().toStdString());
    }
    void TearDown() override { brontle::setSettingsFolder(""); }
    static std::string stored(const char* key) {
        return brontle::settings().GetSetting(kApp, "Peelwise", key, "<none>");
    }
    QTemporaryDir folder;
};

TEST_F(EditorSettingsTest, NothingStoredGivesTheDefaults) {
    const EditorSettings s = EditorSettings::load(kApp, 28800, 16200);
    EXPECT_EQ(s.factorType, "0");
    EXPECT_EQ(s.factor, "4");
    EXPECT_EQ(s.textureSize, "4");
    EXPECT_EQ(s.textureName, "");
    EXPECT_EQ(s.textureOption, "0");
    EXPECT_EQ(s.left, "1440") << "5 % of the screen";
    EXPECT_EQ(s.top, "810");
    EXPECT_EQ(s.width, "14730");
    EXPECT_EQ(s.height, "9105");
}

TEST_F(EditorSettingsTest, WhatIsSavedIsStoredUnderItsKeysAndLoadsBack) {
    EditorSettings s;
    s.factorType = "1";
    s.factor = "12";
    s.textureSize = "2";
    s.textureName = "/tmp/t.bmp";
    s.textureOption = "1";
    s.left = "300";
    s.top = "150.5";
    s.width = "12000";
    s.height = "9000";
    s.saveChoices(kApp);
    s.saveWindow(kApp);
    EXPECT_EQ(stored("FactorType"), "1");
    EXPECT_EQ(stored("Factor"), "12");
    EXPECT_EQ(stored("TextureSize"), "2");
    EXPECT_EQ(stored("TextureName"), "/tmp/t.bmp");
    EXPECT_EQ(stored("TextureOption"), "1");
    EXPECT_EQ(stored("Left"), "300");
    EXPECT_EQ(stored("Top"), "150.5");
    EXPECT_EQ(stored("Width"), "12000");
    EXPECT_EQ(stored("Height"), "9000");
    const EditorSettings back = EditorSettings::load(kApp, 28800, 16200);
    EXPECT_EQ(back.factorType, "1");
    EXPECT_EQ(back.textureName, "/tmp/t.bmp");
    EXPECT_EQ(back.top, "150.5");
    EXPECT_EQ(back.height, "9000");
}

TEST_F(EditorSettingsTest, AWriteStepThatSkipsAWriteLeavesTheOthersMade) {
    EditorSettings s;
    s.factorType = "1";
    s.textureOption = "1";
    int writes = 0;
    s.saveChoices(kApp, [&](const std::function<void()>& write) {
        if (++writes != 1) {
            write();
        }
    });
    EXPECT_EQ(writes, 5);
    EXPECT_EQ(stored("FactorType"), "<none>");
    EXPECT_EQ(stored("TextureOption"), "1");
}

} // namespace
