#pragma once
// Drives the editor dialog from inside its modal loop: a timer polls until frmMain is up, runs
// the test's script once, and is gone when the call that showed the dialog returns. Any other
// modal window that comes up first (a tip, a message box of the real platform) is closed, so a
// test never hangs on it.

#include "peelwise/editor/frmMain.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

namespace plugin_testing {

class DialogScript {
  public:
    explicit DialogScript(std::function<void(peelwise::frmMain&)> script)
        : script_(std::move(script)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }
    // Whether the dialog was seen on screen (the script ran).
    bool shown() const { return shown_; }

  private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        peelwise::frmMain& dialog = peelwise::frmMain::instance();
        if (modal == nullptr) {
            return;
        }
        if (modal != &dialog) {
            if (auto* other = qobject_cast<QDialog*>(modal)) {
                other->reject();
            }
            return;
        }
        if (shown_ || !dialog.isVisible()) {
            return;
        }
        shown_ = true;
        timer_.stop();
        script_(dialog);
    }

    std::function<void(peelwise::frmMain&)> script_;
    QTimer timer_;
    bool shown_ = false;
};

} // namespace plugin_testing
