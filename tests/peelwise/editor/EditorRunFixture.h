#pragma once
// One whole editing run of the editor dialog for a test: a scripted platform, a temporary
// settings folder and log file, a scene whose install folder is the build's bin/ (so the
// continuity map is there), the run's globals, and a modal show driven from inside its loop.
// Any tip dialog that comes up is recorded and closed with its OK button.

#include "peelwise/editor/HistoryEntry.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/support/frmWarn.h"
#include "peelwise/uv/CreaseEdge.h"

#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/ScriptedPlatform.h"
#include "brontle/services/SettingsStore.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace editor_testing {

inline constexpr const char* kAppName = "BrontleEditorTest";

class EditorRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        brontle::setSettingsFolder(folder.path().toStdString());
        logFile = folder.filePath("brontle.log").toStdString();
        const char* oldLog = std::getenv("BRONTLE_LOG_FILE");
        previousLog = oldLog != nullptr ? oldLog : "";
        setenv("BRONTLE_LOG_FILE", logFile.c_str(), 1);
        previousPlatform = brontle::setPlatform(scripted);
        scene = brontle::SceneGraph::create(
            std::make_shared<brontle::HostEnvironment>(PEELWISE_BIN_DIR, kAppName));
        peelwise::modMain::sceneGraph = scene;
        peelwise::modMain::toolkit = scene->GetToolkit();
        peelwise::modMain::fileUtility = std::make_shared<brontle::FileUtility>();
        dialog.bOKClicked = false;
        dialog.bCancelClicked = false;
    }

    void TearDown() override {
        if (HasFailure()) {
            for (const brontle::MessagePrompt& prompt : scripted->messages()) {
                std::cerr << "message box: \"" << prompt.text << "\" (" << prompt.title << ", "
                          << prompt.style << ")\n";
            }
            for (const std::string& line : logLines()) {
                std::cerr << "log: " << line << '\n';
            }
        }
        peelwise::modMain::sceneGraph.reset();
        peelwise::modMain::toolkit.reset();
        peelwise::modMain::fileUtility.reset();
        brontle::setPlatform(previousPlatform);
        brontle::setSettingsFolder("");
        if (previousLog.empty()) {
            unsetenv("BRONTLE_LOG_FILE");
        } else {
            setenv("BRONTLE_LOG_FILE", previousLog.c_str(), 1);
        }
    }

    void store(const std::string& key, const std::string& value, const char* section = "Peelwise") {
        brontle::settings().SaveSetting(kAppName, section, key, value);
    }
    std::string stored(const std::string& key, const char* section = "Peelwise") {
        return brontle::settings().GetSetting(kAppName, section, key, "<none>");
    }
    void suppressHint() { store("PeelwiseSeams", "0", "Tips"); }

    // The shape the plug-in class would hand over, in a frame of its own under `parent`.
    void handOver(const brontle::ShapePtr& shape, const brontle::FramePtr& parent = nullptr) {
        sourceFrame = scene->CreateFrame(parent);
        sourceFrame->AddShape(shape);
        dialog.csSourceShape = shape;
        dialog.cgSourceFrame = sourceFrame;
    }

    // Shows the dialog; once it is up, `act` runs on it. A dialog that `act` leaves open is
    // closed as Cancel. Returns whether the dialog came up.
    bool run(const std::function<void(peelwise::frmMain&)>& act) {
        bool shown = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* tip = qobject_cast<peelwise::frmWarn*>(modal)) {
                if (!tip->isVisible()) {
                    return;
                }
                tips.push_back(tip->lblWarning->text().toStdString());
                if (onTip) {
                    onTip(*tip);
                }
                tip->cmdOK->click();
                return;
            }
            if (shown || modal != &dialog || !dialog.isVisible()) {
                return;
            }
            shown = true;
            poll.stop();
            act(dialog);
            if (dialog.isLoaded()) {
                dialog.cmdCancel_Click();
            }
        });
        poll.start(5);
        QTimer guard; // a script that hangs must not hang the suite
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [this] {
            ADD_FAILURE() << "the editor run did not end";
            dialog.done(0);
        });
        guard.start(120000);
        dialog.showModal();
        return shown;
    }

    // The log's lines without their time stamps.
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::ifstream in(logFile);
        for (std::string line; std::getline(in, line);) {
            const auto space = line.find(' ');
            lines.push_back(space == std::string::npos ? line : line.substr(space + 1));
        }
        return lines;
    }

    QTemporaryDir folder;
    std::string logFile;
    std::string previousLog;
    std::shared_ptr<brontle::ScriptedPlatform> scripted =
        std::make_shared<brontle::ScriptedPlatform>();
    std::shared_ptr<brontle::Platform> previousPlatform;
    brontle::SceneGraphPtr scene;
    brontle::FramePtr sourceFrame;
    std::vector<std::string> tips; // texts of the tip dialogs that came up, in order
    // Runs on each tip dialog once it is up, before it is closed.
    std::function<void(peelwise::frmWarn&)> onTip;
    peelwise::frmMain& dialog = peelwise::frmMain::instance();
};

} // namespace editor_testing
