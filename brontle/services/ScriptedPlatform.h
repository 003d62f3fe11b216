#pragma once
// A platform for tests: it records every prompt and file dialog in the order they came, and
// answers from queues the test fills beforehand. Key states, screen metrics, the system font
// and the current folder are whatever the test sets; nothing touches the real process (the
// current folder is only remembered).

#include "brontle/services/Platform.h"

#include <deque>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace brontle {

// A test script that does not fit the prompt it answers (an answer the prompt does not offer).
class ScriptError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

class ScriptedPlatform : public Platform {
  public:
    // 15 twips per pixel, a 1920 x 1080 pixel screen, message font "Segoe UI", default font
    // "MS Sans Serif" 8.25, no key down, the current folder "".
    ScriptedPlatform();

    // ---- the script
    // Answers for the next prompts, first queued first used. An empty queue answers the first
    // button (OK or Yes). Throws ScriptError when the queued answer is not among the prompt's
    // buttons (Yes to an OK-only prompt), since the code under test asked something else.
    void queueMessageAnswer(MessageResult answer);
    // Paths for the next file dialogs; "" is a cancel. An empty queue cancels. As the real
    // dialog does, a path whose file name has no extension gets the request's default one.
    void queueFileDialogAnswer(std::string path);
    void setKeyDown(int virtualKey, bool down);
    void setTwipsPerPixel(double twips);
    void setScreenPixels(int width, int height);
    // The frame of top-level windows (none by default, as on a virtual display).
    void setWindowFrameMargins(FrameMargins margins) { frameMargins_ = margins; }
    void setSystemFont(SystemFont font);

    // ---- what happened
    const std::vector<MessagePrompt>& messages() const { return messages_; }
    const std::vector<FileDialogRequest>& fileDialogs() const { return fileDialogs_; }
    // Every folder passed to setCurrentFolder, in order.
    const std::vector<std::string>& folderChanges() const { return folderChanges_; }
    std::size_t unusedMessageAnswers() const { return messageAnswers_.size(); }
    std::size_t unusedFileDialogAnswers() const { return fileDialogAnswers_.size(); }
    void clearRecords();

    // ---- Platform
    MessageResult messageBox(const MessagePrompt& prompt) override;
    std::string fileDialog(const FileDialogRequest& request) override;
    bool isKeyDown(int virtualKey) override;
    double twipsPerPixelX() override { return twipsPerPixel_; }
    double twipsPerPixelY() override { return twipsPerPixel_; }
    double screenWidthTwips() override { return screenWidth_ * twipsPerPixel_; }
    double screenHeightTwips() override { return screenHeight_ * twipsPerPixel_; }
    FrameMargins windowFrameMargins() override { return frameMargins_; }
    SystemFont systemFont() override { return font_; }
    std::string currentFolder() override { return currentFolder_; }
    void setCurrentFolder(const std::string& folder) override;

  private:
    std::deque<MessageResult> messageAnswers_;
    std::deque<std::string> fileDialogAnswers_;
    std::vector<MessagePrompt> messages_;
    std::vector<FileDialogRequest> fileDialogs_;
    std::vector<std::string> folderChanges_;
    std::set<int> keysDown_;
    double twipsPerPixel_ = 15.0;
    int screenWidth_ = 1920;
    int screenHeight_ = 1080;
    FrameMargins frameMargins_;
    SystemFont font_;
    std::string currentFolder_;
};

} // namespace brontle
