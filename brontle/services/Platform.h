#pragma once
// The platform's user-interface services behind one interface: message boxes, file dialogs,
// the tip dialog's modal show, key state, screen metrics, the system font and the current
// folder. The real one (QtPlatform) uses Qt; tests use ScriptedPlatform, which records every
// prompt and answers from a queue. This header has no Qt in it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brontle {

// Message-box styles, combined by adding, as the plug-ins pass them.
namespace MessageStyle {
inline constexpr int OkOnly = 0;
inline constexpr int OkCancel = 1;
inline constexpr int YesNoCancel = 3;
inline constexpr int YesNo = 4;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
} // namespace MessageStyle

// What the user answered.
enum class MessageResult : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct MessagePrompt {
    std::string text;
    std::string title;
    int style = 0;
};

struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string filter;           // "Windows Bitmap (*.bmp)|*.bmp" form: label|patterns pairs
    std::string defaultExtension; // added when the chosen name has none (without the dot)
    std::string initialFolder;
    std::string fileName;
    bool confirmOverwrite = false;
};

// What the window system draws around a top-level window's client area (title bar and borders),
// in pixels on each side.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const FrameMargins&, const FrameMargins&) = default;
};

struct SystemFont {
    std::string messageFontFace; // the face of the system's message font
    std::string defaultFontFace; // the face of a newly made default font
    double defaultFontSize = 0;  // its size in points
};

class Platform {
  public:
    virtual ~Platform() = default;

    // A modal message box. `title` empty shows the running program's title.
    virtual MessageResult messageBox(const MessagePrompt& prompt) = 0;
    // A modal open or save dialog; the chosen path, or "" when cancelled.
    virtual std::string fileDialog(const FileDialogRequest& request) = 0;
    // True while the key is held down. Keys are virtual-key codes (for letters, the capital's
    // character code: 'X' is 88, 'Y' is 89; Shift 16, Ctrl 17).
    virtual bool isKeyDown(int virtualKey) = 0;
    virtual double twipsPerPixelX() = 0;
    virtual double twipsPerPixelY() = 0;
    // The primary screen in twips.
    virtual double screenWidthTwips() = 0;
    virtual double screenHeightTwips() = 0;
    // The frame the window system puts around a top-level window of this program. Known before
    // a window is first shown, so that a window placed from a stored outer size gets the right
    // client size on its first show too. None unless a platform knows better.
    virtual FrameMargins windowFrameMargins() { return {}; }
    virtual SystemFont systemFont() = 0;
    virtual std::string currentFolder() = 0;
    virtual void setCurrentFolder(const std::string& folder) = 0;
};

// The platform of this process: QtPlatform in the host, a scripted one in tests.
Platform& platform();
// Replaces the process platform (tests; the host installs QtPlatform at start-up). Returns the
// previous one: the one installed before, or nullptr when the default was in use. Installing
// nullptr goes back to the default: QtPlatform when a QApplication exists, else HeadlessPlatform.
std::shared_ptr<Platform> setPlatform(std::shared_ptr<Platform> platform);

} // namespace brontle
