#pragma once
// The editor's stored settings, read and written here only: section "Peelwise" of the settings
// store under the host's settings application name. Every value is text in the store and stays
// text here; the dialog converts each when it applies it, so that one bad value is reported and
// skipped while the others still apply. Window coordinates are twips. Qt-free.
//
//  key             default                        written by
//  "FactorType"    "0" ("Max Stretch")            OK (saveChoices)
//  "Factor"        "4"                            OK
//  "TextureSize"   "4" ("1024x1024")              OK
//  "TextureName"   ""                             OK
//  "TextureOption" "0" ("Create Texture")         OK
//  "Left", "Top"   5 % of the screen's width and height   the unload handler (saveWindow)
//  "Width"         "14730"                        the unload handler
//  "Height"        "9105"                         the unload handler
//
// The seam hint's answer is not here: it lives in section "Tips" under kSeamHintSetting, read
// and written by the hint dialog (modWarn.h).
//
// Errors of the store are raised unchanged.

#include <functional>
#include <string>

namespace peelwise {

// The hint dialog's setting for the seam hints (one answer governs both texts).
inline constexpr const char* kSeamHintSetting = "PeelwiseSeams";

struct EditorSettings {
    std::string factorType = "0";
    std::string factor = "4";
    std::string textureSize = "4";
    std::string textureName;
    std::string textureOption = "0";
    std::string left;
    std::string top;
    std::string width = "14730";
    std::string height = "9105";

    // Every value at its default; Left and Top 5 % of the given screen size in twips.
    static EditorSettings defaults(double screenWidthTwips, double screenHeightTwips);
    // Every key of the section, in the order of the table; a key not stored gets its default.
    static EditorSettings load(const std::string& appName, double screenWidthTwips,
                               double screenHeightTwips);
    // Runs one write of the store. The default runs it at once, so the first failing write
    // ends the save; OK passes its step runner instead, which skips a failing write and goes on.
    using WriteStep = std::function<void(const std::function<void()>&)>;

    // The user's choices, one write per key in the order of the table.
    void saveChoices(const std::string& appName, const WriteStep& step = runNow) const;
    // The window's place and size, one write per key in the order of the table.
    void saveWindow(const std::string& appName, const WriteStep& step = runNow) const;

  private:
    static void runNow(const std::function<void()>& write) { write(); }
};

} // namespace peelwise
