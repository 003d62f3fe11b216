#include "peelwise/editor/EditorSettings.h"

#include "brontle/services/SettingsStore.h"

#include <cstdio>

namespace peelwise {

namespace {

constexpr const char* kSection = "Peelwise";

// A default window coordinate as the text a setting would hold.
std::string asStoredText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

} // namespace

EditorSettings EditorSettings::defaults(double screenWidthTwips, double screenHeightTwips) {
    EditorSettings s;
    s.left = asStoredText(screenWidthTwips * 0.05);
    s.top = asStoredText(screenHeightTwips * 0.05);
    return s;
}

EditorSettings EditorSettings::load(const std::string& appName, double screenWidthTwips,
                                    double screenHeightTwips) {
    brontle::SettingsStore& store = brontle::settings();
    EditorSettings s = defaults(screenWidthTwips, screenHeightTwips);
    const auto get = [&](const char* key, std::string& value) {
        value = store.GetSetting(appName, kSection, key, value);
    };
    get("FactorType", s.factorType);
    get("Factor", s.factor);
    get("TextureSize", s.textureSize);
    get("TextureName", s.textureName);
    get("TextureOption", s.textureOption);
    get("Left", s.left);
    get("Top", s.top);
    get("Width", s.width);
    get("Height", s.height);
    return s;
}

void EditorSettings::saveChoices(const std::string& appName, const WriteStep& step) const {
    const auto save = [&](const char* key, const std::string& value) {
        step([&] { brontle::settings().SaveSetting(appName, kSection, key, value); });
    };
    save("FactorType", factorType);
    save("Factor", factor);
    save("TextureSize", textureSize);
    save("TextureName", textureName);
    save("TextureOption", textureOption);
}

void EditorSettings::saveWindow(const std::string& appName, const WriteStep& step) const {
    const auto save = [&](const char* key, const std::string& value) {
        step([&] { brontle::settings().SaveSetting(appName, kSection, key, value); });
    };
    save("Left", left);
    save("Top", top);
    save("Width", width);
    save("Height", height);
}

} // namespace peelwise
