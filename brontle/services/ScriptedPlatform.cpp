#include "brontle/services/ScriptedPlatform.h"

#include "brontle/model/FaultInjection.h"
#include "brontle/services/FileDialogFilter.h"
#include "brontle/services/MessageButtons.h"

#include <algorithm>

namespace brontle {

ScriptedPlatform::ScriptedPlatform() : font_{"Segoe UI", "MS Sans Serif", 8.25} {}

void ScriptedPlatform::queueMessageAnswer(MessageResult answer) {
    messageAnswers_.push_back(answer);
}

void ScriptedPlatform::queueFileDialogAnswer(std::string path) {
    fileDialogAnswers_.push_back(std::move(path));
}

void ScriptedPlatform::setKeyDown(int virtualKey, bool down) {
    if (down) {
        keysDown_.insert(virtualKey);
    } else {
        keysDown_.erase(virtualKey);
    }
}

void ScriptedPlatform::setTwipsPerPixel(double twips) {
    twipsPerPixel_ = twips;
}

void ScriptedPlatform::setScreenPixels(int width, int height) {
    screenWidth_ = width;
    screenHeight_ = height;
}

void ScriptedPlatform::setSystemFont(SystemFont font) {
    font_ = std::move(font);
}

void ScriptedPlatform::clearRecords() {
    messages_.clear();
    fileDialogs_.clear();
    folderChanges_.clear();
}

MessageResult ScriptedPlatform::messageBox(const MessagePrompt& prompt) {
    hostCall("Platform::messageBox");
    messages_.push_back(prompt);
    if (messageAnswers_.empty()) {
        return defaultMessageAnswer(prompt.style);
    }
    const MessageResult answer = messageAnswers_.front();
    messageAnswers_.pop_front();
    const std::vector<MessageResult> offered = messageButtons(prompt.style);
    if (std::find(offered.begin(), offered.end(), answer) == offered.end()) {
        throw ScriptError(std::string("the script answers ") + messageResultName(answer) +
                          " to the prompt \"" + prompt.text + "\" (style " +
                          std::to_string(prompt.style) + "), which does not offer it");
    }
    return answer;
}

std::string ScriptedPlatform::fileDialog(const FileDialogRequest& request) {
    hostCall("Platform::fileDialog");
    fileDialogs_.push_back(request);
    if (fileDialogAnswers_.empty()) {
        return {};
    }
    std::string answer = std::move(fileDialogAnswers_.front());
    fileDialogAnswers_.pop_front();
    return withDefaultExtension(answer, request.defaultExtension);
}

bool ScriptedPlatform::isKeyDown(int virtualKey) {
    return keysDown_.count(virtualKey) != 0;
}

void ScriptedPlatform::setCurrentFolder(const std::string& folder) {
    hostCall("Platform::setCurrentFolder");
    folderChanges_.push_back(folder);
    currentFolder_ = folder;
}

} // namespace brontle
