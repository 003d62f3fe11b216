#pragma once
// The platform of a process without a window system (command-line tools, tests that install
// nothing): nobody can answer, so every prompt gets its default and is written to standard
// error, so that a batch run still says what it would have asked.

#include "brontle/services/Platform.h"

#include <iosfwd>

namespace brontle {

class HeadlessPlatform : public Platform {
  public:
    // Prompts are reported to `report` (standard error by default).
    explicit HeadlessPlatform(std::ostream* report = nullptr);

    // The first button's answer (OK or Yes). Reported as
    // `message "<text>" (title "<title>", style <n>): answered <OK|Yes>`.
    MessageResult messageBox(const MessagePrompt& prompt) override;
    // Always cancelled (""). Reported as `open dialog "<title>" (filter "<filter>"): cancelled`,
    // or `save dialog ...`.
    std::string fileDialog(const FileDialogRequest& request) override;
    // No key is ever down.
    bool isKeyDown(int virtualKey) override;
    // A 96 dpi screen of 1920 x 1080 pixels: 15 twips per pixel.
    double twipsPerPixelX() override;
    double twipsPerPixelY() override;
    double screenWidthTwips() override;
    double screenHeightTwips() override;
    // No window system, no frames: all zero.
    FrameMargins windowFrameMargins() override;
    // No system font to ask: an empty message-font face, and "Sans Serif" at 9 points.
    SystemFont systemFont() override;
    // The process's working folder.
    std::string currentFolder() override;
    // Throws Error(HostFailure) naming the folder when it cannot become the current folder.
    void setCurrentFolder(const std::string& folder) override;

  private:
    std::ostream& report();
    std::ostream* report_;
};

} // namespace brontle
