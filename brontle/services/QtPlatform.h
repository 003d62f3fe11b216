#pragma once
// The platform services of the host window, made of Qt: QMessageBox prompts, QFileDialog, key
// state from the application's own events, and metrics of the primary screen. Needs a
// QApplication; the host installs one at start-up with setPlatform(), and platform() makes one
// by itself when a QApplication exists and nothing was installed.

#include "brontle/services/Platform.h"

#include <QPointer>

namespace brontle {

class KeyTracker;

class QtPlatform : public Platform {
  public:
    QtPlatform();

    // Style 0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No, plus the icon 16, 32, 48 or 64. The
    // first button is the default; Escape or closing answers Cancel where offered, else No, else
    // OK. An empty title shows the application's display name. The box is parented to the
    // active modal dialog or window. An error (the Critical icon) is also written to standard
    // error as "<title>: error: <text>".
    MessageResult messageBox(const MessagePrompt& prompt) override;
    // Qt's file dialog with the request's filter, start folder and file name. The default
    // extension is added to a chosen name without one; overwriting an existing file is
    // confirmed only when the request asks for it.
    std::string fileDialog(const FileDialogRequest& request) override;
    // Shift (16) and Ctrl (17) from the keyboard modifiers, Alt (18) too; letters and digits
    // from the key events this application has seen. Other codes are never down.
    bool isKeyDown(int virtualKey) override;
    // 1440 / the primary screen's logical dots per inch (15 at 96 dpi); 15 with no screen.
    double twipsPerPixelX() override;
    double twipsPerPixelY() override;
    // The primary screen's size in pixels times twips per pixel; 1920 x 1080 pixels with none.
    double screenWidthTwips() override;
    double screenHeightTwips() override;
    // The frame of the window that has the focus, else of the first visible top-level window
    // that has one (the host's main window is up while a plug-in's dialog opens); zero when no
    // window has a frame (no window manager, as on a virtual display).
    FrameMargins windowFrameMargins() override;
    // The message font is the system's general font; the default font is a new QFont's.
    SystemFont systemFont() override;
    std::string currentFolder() override;
    // Throws Error(HostFailure) naming the folder when it cannot become the current folder.
    void setCurrentFolder(const std::string& folder) override;

  private:
    KeyTracker* tracker();
    QPointer<KeyTracker> tracker_;
};

} // namespace brontle
