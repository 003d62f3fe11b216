// Filters written as "label|patterns" pairs, as Qt's dialog needs them.
#include "brontle/services/FileDialogFilter.h"

#include <gtest/gtest.h>

namespace brontle {
namespace {

using Filters = std::vector<std::string>;

TEST(FileDialogFilter, PairsBecomeQtFiltersAndNamesWithoutAnExtensionGetTheDefault) {
    EXPECT_EQ(qtNameFilters("Windows Bitmap (*.bmp)|*.bmp"), Filters{"Windows Bitmap (*.bmp)"});
    EXPECT_EQ(qtNameFilters("Bitmaps (*.jpg)|*.bmp"), Filters{"Bitmaps (*.bmp)"});
    EXPECT_EQ(qtNameFilters("Images|*.bmp;*.png; *.jpg|All Files (*.*)|*.*"),
              (Filters{"Images (*.bmp *.png *.jpg)", "All Files (*)"}));
    EXPECT_EQ(qtNameFilters(""), Filters{});
    EXPECT_EQ(qtNameFilters("   "), Filters{});
    EXPECT_EQ(qtNameFilters("Everything"), Filters{"Everything (*)"});
    EXPECT_EQ(qtNameFilters("Images|*.png|Other"), (Filters{"Images (*.png)", "Other (*)"}));
    EXPECT_EQ(qtNameFilters("|*.obj"), Filters{"(*.obj)"});
    EXPECT_EQ(withDefaultExtension("/t/atlas", "BMP"), "/t/atlas.BMP");
    EXPECT_EQ(withDefaultExtension("/t/atlas.bmp", "BMP"), "/t/atlas.bmp");
    EXPECT_EQ(withDefaultExtension("/t/atlas.png", "BMP"), "/t/atlas.png");
    EXPECT_EQ(withDefaultExtension("/my.textures/atlas", "BMP"), "/my.textures/atlas.BMP");
    EXPECT_EQ(withDefaultExtension("C:\\my.textures\\atlas", "BMP"), "C:\\my.textures\\atlas.BMP");
    EXPECT_EQ(withDefaultExtension("/t/atlas", ""), "/t/atlas");
    EXPECT_EQ(withDefaultExtension("", "BMP"), "");
}

} // namespace
} // namespace brontle
