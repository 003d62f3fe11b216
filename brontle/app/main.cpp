// The host application: opens the sample shape or a mesh file, loads the plug-ins beside the
// executable, and runs the window.
//
//   brontle [FILE] [--screenshot PNG] [--apply-plugin NAME] [--stretch-display area|angle]
//
// Without a user (with --screenshot, or when standard input is not a terminal and no display is
// attached) nothing waits for a click: messages go to standard error with their default answer,
// and a file that cannot be opened or a plug-in that is not there ends the run with status 1.

#include "brontle/app/MainWindow.h"
#include "brontle/app/PluginRegistry.h"
#include "brontle/app/StartupActions.h"
#include "brontle/services/Platform.h"
#include "brontle/services/QtPlatform.h"
#include "brontle/services/QtProgress.h"
#include "brontle/views/Editport.h"

#include "brontle/services/Log.h"
#include "brontle/services/MessageButtons.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSurfaceFormat>

#include <cstdio>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

// The window's platform when nobody is there to answer: each message is written to standard
// error and gets the answer its first button gives.
class UnattendedPlatform : public brontle::QtPlatform {
  public:
    brontle::MessageResult messageBox(const brontle::MessagePrompt& prompt) override {
        const brontle::MessageResult answer = brontle::defaultMessageAnswer(prompt.style);
        std::cerr << "brontle: " << prompt.text << " [answered "
                  << brontle::messageResultName(answer) << "]" << std::endl;
        brontle::hostLog().write(prompt.text);
        return answer;
    }
};

} // namespace

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

    const QString platformName = QGuiApplication::platformName();
    const bool noDisplay = platformName == "offscreen" || platformName == "minimal";
    const bool unattended = parser.isSet(screenshot) || (isatty(STDIN_FILENO) == 0 && noDisplay);
    if (unattended) {
        brontle::setPlatform(std::make_shared<UnattendedPlatform>());
    } else {
        brontle::setPlatform(std::make_shared<brontle::QtPlatform>());
    }
    // Long work (loading, the atlas) shows a progress dialog with Cancel.
    brontle::setProgressService(std::make_shared<brontle::QtProgressService>());

    brontle::MainWindow window;
    window.loadPlugins(QApplication::applicationDirPath() + "/plugins");
    const std::string pluginName = parser.value(applyPlugin).toStdString();
    if (!pluginName.empty() && window.plugins().find(pluginName) == nullptr) {
        std::string installed;
        for (const brontle::LoadedPlugin& loaded : window.plugins().plugins()) {
            installed += (installed.empty() ? "" : ", ") + loaded.name;
        }
        std::cerr << "brontle: --apply-plugin: there is no plug-in named \"" << pluginName
                  << "\" (installed: " << (installed.empty() ? "none" : installed) << ")"
                  << std::endl;
        return 1;
    }
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty() || !window.openFile(files.front().toStdString())) {
        if (!files.isEmpty() && unattended) {
            return 1; // the reason is on standard error already
        }
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
