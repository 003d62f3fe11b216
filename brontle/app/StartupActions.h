#pragma once
// What the command line asks the host to do once its window is up: apply a plug-in to the open
// model, and grab a picture and quit.
//
// --apply-plugin NAME: selects the first shape as a whole and applies the plug-in NAME (its
// modal dialog, if any, then runs). With --screenshot the picture is of that dialog once it has
// been up for a moment (it is then closed as Cancel), or of the main window when the plug-in
// showed none.
// --screenshot FILE: waits until the window is on screen and has drawn, saves its picture to
// FILE (any format Qt writes, by extension) and quits with 0, or 1 when the file could not be
// written. A run that never gets a window on screen gives up after 30 seconds with 2.

#include <QObject>
#include <QString>

namespace brontle {

class MainWindow;

struct StartupOptions {
    QString screenshotFile;
    QString applyPlugin;
};

// Schedules the actions on the event loop; call before QApplication::exec().
void scheduleStartupActions(MainWindow& window, const StartupOptions& options);

} // namespace brontle
