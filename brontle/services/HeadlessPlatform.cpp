#include "brontle/services/HeadlessPlatform.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/services/MessageButtons.h"

#include <filesystem>
#include <iostream>

namespace brontle {

namespace {
constexpr double TwipsPerPixel = 15.0;
constexpr double ScreenWidthPixels = 1920.0;
constexpr double ScreenHeightPixels = 1080.0;
} // namespace

HeadlessPlatform::HeadlessPlatform(std::ostream* report) : report_(report) {}

std::ostream& HeadlessPlatform::report() {
    return report_ != nullptr ? *report_ : std::cerr;
}

MessageResult HeadlessPlatform::messageBox(const MessagePrompt& prompt) {
    hostCall("Platform::messageBox");
    const MessageResult answer = defaultMessageAnswer(prompt.style);
    report() << "message \"" << prompt.text << "\" (title \"" << prompt.title << "\", style "
             << prompt.style << "): answered " << messageResultName(answer) << '\n';
    return answer;
}

std::string HeadlessPlatform::fileDialog(const FileDialogRequest& request) {
    hostCall("Platform::fileDialog");
    report() << (request.save ? "save" : "open") << " dialog \"" << request.title << "\" (filter \""
             << request.filter << "\"): cancelled\n";
    return {};
}

bool HeadlessPlatform::isKeyDown(int) {
    return false;
}
double HeadlessPlatform::twipsPerPixelX() {
    return TwipsPerPixel;
}
double HeadlessPlatform::twipsPerPixelY() {
    return TwipsPerPixel;
}
double HeadlessPlatform::screenWidthTwips() {
    return ScreenWidthPixels * TwipsPerPixel;
}
double HeadlessPlatform::screenHeightTwips() {
    return ScreenHeightPixels * TwipsPerPixel;
}

FrameMargins HeadlessPlatform::windowFrameMargins() {
    return {};
}

SystemFont HeadlessPlatform::systemFont() {
    return SystemFont{"", "Sans Serif", 9.0};
}

std::string HeadlessPlatform::currentFolder() {
    return std::filesystem::current_path().string();
}

void HeadlessPlatform::setCurrentFolder(const std::string& folder) {
    hostCall("Platform::setCurrentFolder");
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (error) {
        throw Error(ErrorNumber::HostFailure,
                    folder + ": cannot make it the current folder (" + error.message() + ")");
    }
}

} // namespace brontle
