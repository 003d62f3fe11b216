// The host application: opens the sample shape or a mesh file, loads the plug-ins beside the
// executable, and runs the window.
//
//   brontle [FILE] [--screenshot PNG] [--apply-plugin NAME] [--stretch-display area|angle]

#include "brontle/app/MainWindow.h"
#include "brontle/app/StartupActions.h"
#include "brontle/services/Platform.h"
#include "brontle/services/QtPlatform.h"
#include "brontle/services/QtProgress.h"
#include "brontle/views/Editport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSurfaceFormat>

#include <cstdio>
#include <memory>

// Built with AddressSanitizer (make test-sanitize)?
#if defined(__SANITIZE_ADDRESS__)
#define BRONTLE_LEAK_CHECK 1
#include <sanitizer/lsan_interface.h>
#endif

int main(int argc, char** argv) {
    // The edit views draw with OpenGL 3.3 core where the platform offers it.
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);

    QApplication app(argc, argv);
    QApplication::setApplicationName("Brontle");
    QApplication::setApplicationDisplayName("Brontle");

    QCommandLineParser parser;
    parser.setApplicationDescription("Brontle: view mesh files and apply plug-ins to shapes.");
    parser.addHelpOption();
    parser.addPositionalArgument("file", "A mesh file to open instead of the sample shape.",
                                 "[file]");
    const QCommandLineOption screenshot(
        "screenshot", "Show the window, save a picture of it to <file> and quit.", "file");
    const QCommandLineOption applyPlugin(
        "apply-plugin", "Apply the plug-in <name> to the first shape at start-up.", "name");
    const QCommandLineOption stretchDisplay(
        "stretch-display",
        "Start every edit view with the stretch display on: <mode> is area or angle.", "mode");
    parser.addOption(screenshot);
    parser.addOption(applyPlugin);
    parser.addOption(stretchDisplay);
    parser.process(app);
    if (parser.isSet(stretchDisplay)) {
        const QString mode = parser.value(stretchDisplay);
        if (mode != "area" && mode != "angle") {
            std::fprintf(stderr, "brontle: --stretch-display takes area or angle, not %s\n",
                         mode.toLocal8Bit().constData());
            return 2;
        }
        brontle::Editport::setDefaultStretchMode(mode == "area" ? 1 : 2);
    }

    brontle::setPlatform(std::make_shared<brontle::QtPlatform>());
    // Long work (loading, the atlas) shows a progress dialog with Cancel.
    brontle::setProgressService(std::make_shared<brontle::QtProgressService>());

    brontle::MainWindow window;
    window.loadPlugins(QApplication::applicationDirPath() + "/plugins");
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty() || !window.openFile(files.front().toStdString())) {
        window.openSample();
    }
    window.show();

    brontle::StartupOptions options;
    options.screenshotFile = parser.value(screenshot);
    options.applyPlugin = parser.value(applyPlugin);
    brontle::scheduleStartupActions(window, options);
    const int result = QApplication::exec();
#ifdef BRONTLE_LEAK_CHECK
    // Sanitizer builds look for leaks here, while the OpenGL driver is still loaded: by the time
    // of the check at exit it has been unloaded, and its allocations can no longer be told from
    // ours. What the application and the window still hold is reachable, not leaked.
    __lsan_do_leak_check();
#endif
    return result;
}
