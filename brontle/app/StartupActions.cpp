#include "brontle/app/StartupActions.h"

#include "brontle/app/MainWindow.h"
#include "brontle/app/Screenshot.h"
#include "brontle/services/Log.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>

#include <iostream>
#include <memory>

namespace brontle {

namespace {

constexpr int kPollMs = 100;
// How long a window is left to draw after it is first exposed: the first frames of a software
// OpenGL renderer may take a few hundred milliseconds.
constexpr int kSettleMs = 800;
// The editor unwraps while it loads; give it longer before its picture is taken.
constexpr int kDialogSettleMs = 1500;
constexpr int kGiveUpMs = 30000;

bool exposed(QWidget* widget) {
    return widget != nullptr && widget->isVisible() && widget->windowHandle() != nullptr &&
           widget->windowHandle()->isExposed();
}

int saveShot(QWidget* widget, const QString& file) {
    const QImage image = grabWithViews(widget);
    if (image.isNull() || !image.save(file)) {
        hostLog().write("The screenshot could not be written to " + file.toStdString());
        std::cerr << "brontle: the screenshot could not be written to " << file.toStdString()
                  << std::endl;
        return 1;
    }
    return 0;
}

// Calls `done` once `target()` has been exposed for `settleMs`, or with nullptr after the
// give-up time.
void whenDrawn(std::function<QWidget*()> target, int settleMs, std::function<void(QWidget*)> done) {
    auto* timer = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    auto exposedClock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        QWidget* widget = target();
        if (exposed(widget)) {
            if (!exposedClock->isValid()) {
                exposedClock->start();
            }
            if (exposedClock->elapsed() >= settleMs) {
                timer->stop();
                timer->deleteLater();
                done(widget);
            }
            return;
        }
        if (clock->elapsed() > kGiveUpMs) {
            timer->stop();
            timer->deleteLater();
            done(nullptr);
        }
    });
    timer->start(kPollMs);
}

// Takes the picture of the plug-in's editor and closes it. Any other modal window that comes
// first (the editor's tip) is pictured beside it as "<name>-<window>.png" and closed, and the
// watch goes on until the editor itself has been drawn.
void watchModalWindows(const QString& shotFile, std::shared_ptr<int> shotTaken) {
    whenDrawn([] { return QApplication::activeModalWidget(); }, kDialogSettleMs,
              [shotTaken, shotFile](QWidget* dialog) {
                  if (dialog == nullptr) {
                      return;
                  }
                  if (dialog->objectName() == "dlgProgress") {
                      // Long work under way: its window is not pictured, and closing it would
                      // cancel the work. The watch goes on.
                      watchModalWindows(shotFile, shotTaken);
                      return;
                  }
                  const bool editor = dialog->objectName() == "frmMain";
                  if (editor) {
                      *shotTaken = saveShot(dialog, shotFile);
                  } else {
                      QString side = shotFile;
                      const int dot = side.lastIndexOf('.');
                      side.insert(dot < 0 ? side.size() : dot,
                                  "-" + (dialog->objectName().isEmpty() ? QString("dialog")
                                                                        : dialog->objectName()));
                      saveShot(dialog, side);
                  }
                  if (auto* modal = qobject_cast<QDialog*>(dialog)) {
                      modal->reject();
                  } else {
                      dialog->close();
                  }
                  if (!editor) {
                      watchModalWindows(shotFile, shotTaken);
                  }
              });
}

} // namespace

void scheduleStartupActions(MainWindow& window, const StartupOptions& options) {
    MainWindow* w = &window;
    const QString shotFile = options.screenshotFile;
    if (!options.applyPlugin.isEmpty()) {
        const std::string name = options.applyPlugin.toStdString();
        // Starts once the main window is on screen, so the plug-in's dialog opens over it.
        whenDrawn([w] { return static_cast<QWidget*>(w); }, 0,
                  [w, name, shotFile](QWidget*) {
                      auto shotTaken = std::make_shared<int>(-1);
                      if (!shotFile.isEmpty()) {
                          watchModalWindows(shotFile, shotTaken);
                      }
                      if (!w->document().shapes().empty()) {
                          w->selectWholeShape(w->document().shapes().front());
                      }
                      if (!w->applyPlugin(name)) {
                          hostLog().write("--apply-plugin: " + name + " could not be applied");
                          std::cerr << "brontle: --apply-plugin: " << name
                                    << " could not be applied" << std::endl;
                          if (!shotFile.isEmpty()) {
                              QApplication::exit(1);
                              return;
                          }
                      }
                      if (shotFile.isEmpty()) {
                          return;
                      }
                      if (*shotTaken >= 0) {
                          QApplication::exit(*shotTaken);
                          return;
                      }
                      whenDrawn([w] { return static_cast<QWidget*>(w); }, kSettleMs,
                                [w, shotFile](QWidget* shown) {
                                    QApplication::exit(shown == nullptr ? 2
                                                                        : saveShot(w, shotFile));
                                });
                  });
        return;
    }
    if (!shotFile.isEmpty()) {
        whenDrawn([w] { return static_cast<QWidget*>(w); }, kSettleMs,
                  [w, shotFile](QWidget* shown) {
                      QApplication::exit(shown == nullptr ? 2 : saveShot(w, shotFile));
                  });
    }
}

} // namespace brontle
