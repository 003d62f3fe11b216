// The host window: its plug-in menu and the selection it offers, the status bar, Open and
// Save As through the platform's dialogs, the help page, applying the real plug-in, and the
// --screenshot option of the executable.

#include "brontle/app/MainWindow.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/services/ScriptedPlatform.h"
#include "brontle/services/SettingsStore.h"
#include "brontle/views/Editport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using brontle::MainWindow;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        setenv("BRONTLE_INSTALL_DIR", PEELWISE_BIN_DIR, 1);
        brontle::settings().setFolder(temp_.filePath("settings").toStdString());
        scripted_ = std::make_shared<brontle::ScriptedPlatform>();
        previous_ = brontle::setPlatform(scripted_);
        window_ = std::make_unique<MainWindow>();
        window_->loadPlugins(PEELWISE_BIN_DIR "/plugins");
        window_->openSample();
    }
    void TearDown() override {
        window_.reset();
        brontle::setPlatform(previous_);
        brontle::settings().setFolder({});
        unsetenv("BRONTLE_INSTALL_DIR");
    }

    QAction* action(const char* name) { return window_->findChild<QAction*>(name); }
    QString label(const char* name) { return window_->findChild<QLabel*>(name)->text(); }
    brontle::ShapePtr sample() { return window_->document().shapes().front(); }
    brontle::DeviceID device() { return window_->view()->DeviceID(); }

    QTemporaryDir temp_;
    std::shared_ptr<brontle::ScriptedPlatform> scripted_;
    std::shared_ptr<brontle::Platform> previous_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, SelectionsEnableThePlugInAndShowInTheStatusBar) {
    QAction* peelwise = action("plugin:Peel-Wise");
    ASSERT_NE(peelwise, nullptr);
    EXPECT_EQ(peelwise->text(), "Peel-Wise");
    EXPECT_FALSE(peelwise->isEnabled()) << "nothing is selected at start-up";
    EXPECT_EQ(label("lblShape"), "Shape: Sample");
    EXPECT_EQ(label("lblPolygons"), "170 polygons");
    EXPECT_EQ(label("lblSelection"), "Selected: nothing");

    window_->selectWholeShape(sample());
    EXPECT_TRUE(peelwise->isEnabled());
    EXPECT_EQ(label("lblSelection"), "Selected: 1 shape");
    EXPECT_EQ(window_->document().scene()->GetSelectedShape(device(), 0), sample());
    EXPECT_EQ(sample()->GetSelectionType(device()), 0);

    window_->selectWholeShape(nullptr);
    EXPECT_FALSE(peelwise->isEnabled());

    // Picked polygons are a sub-selection in polygon mode, the whole shape otherwise.
    brontle::SubSelection three;
    for (int p : {4, 8, 15}) {
        three.add(p);
    }
    window_->setPolygonMode(true);
    sample()->SetSubSelection(device(), brontle::kSelectPolygons, three);
    emit window_->view()->SelectionChange();
    EXPECT_EQ(label("lblSelection"), "Selected: 3 polygons");
    EXPECT_TRUE(action("plugin:Peel-Wise")->isEnabled());
    EXPECT_EQ(window_->currentSelection().selectionType, brontle::kSelectPolygons);

    // Polygons all unpicked: the shape no longer counts as selected.
    sample()->SetSubSelection(device(), brontle::kSelectPolygons, {});
    emit window_->view()->SelectionChange();
    EXPECT_EQ(window_->currentSelection().shapes, 0);
    EXPECT_FALSE(action("plugin:Peel-Wise")->isEnabled());

    // In shape mode a picked polygon selects its shape as a whole.
    window_->setPolygonMode(false);
    sample()->SetSubSelection(device(), brontle::kSelectPolygons, three);
    emit window_->view()->SelectionChange();
    EXPECT_EQ(window_->currentSelection().shapes, 1);
    EXPECT_EQ(window_->currentSelection().selectionType, 0);
    EXPECT_EQ(label("lblSelection"), "Selected: 1 shape");

    // Clicks in the view select the shape or its polygons.
    window_->resize(800, 600);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    brontle::Editport* view = window_->view();
    view->ResetView();
    const QPoint centre = view->rect().center();
    const QPoint corner(5, 5);

    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_EQ(window_->currentSelection().shapes, 1);
    EXPECT_EQ(window_->currentSelection().selectionType, 0);
    EXPECT_EQ(sample()->GetSubSelectionCount(device()), 0) << "the whole shape, no polygons";
    EXPECT_TRUE(action("plugin:Peel-Wise")->isEnabled());

    action("mnuSelectPolygons")->trigger();
    EXPECT_EQ(window_->currentSelection().shapes, 0) << "switching modes clears the selection";
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, centre);
    EXPECT_EQ(window_->currentSelection().selectionType, brontle::kSelectPolygons);
    EXPECT_EQ(window_->currentSelection().subSelectionCount, 1);
    EXPECT_EQ(label("lblSelection"), "Selected: 1 polygon");

    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, corner);
    EXPECT_EQ(window_->currentSelection().shapes, 0);
    EXPECT_FALSE(action("plugin:Peel-Wise")->isEnabled());
}

TEST_F(MainWindowTest, SaveAsOpenAndHelpReportThroughThePlatform) {
    action("mnuHelpContents")->trigger();
    auto* browser = window_->findChild<QTextBrowser*>("txtHelp");
    ASSERT_NE(browser, nullptr);
    EXPECT_FALSE(browser->toPlainText().isEmpty());
    EXPECT_TRUE(scripted_->messages().empty());

    // A failed save shows why and writes nothing.
    scripted_->queueFileDialogAnswer(temp_.filePath("missing/model.obj").toStdString());
    action("mnuSaveAs")->trigger();
    ASSERT_EQ(scripted_->fileDialogs().size(), 1u);
    EXPECT_TRUE(scripted_->fileDialogs()[0].save);
    EXPECT_TRUE(scripted_->fileDialogs()[0].confirmOverwrite);
    ASSERT_EQ(scripted_->messages().size(), 1u);
    EXPECT_EQ(scripted_->messages()[0].title, "Brontle");
    EXPECT_EQ(scripted_->messages()[0].text.rfind("The model could not be saved.\n\n", 0), 0u)
        << scripted_->messages()[0].text;
    EXPECT_FALSE(std::filesystem::exists(temp_.filePath("missing").toStdString()));

    // Save As, then Open shows the file.
    scripted_->clearRecords();
    const QString target = temp_.filePath("sample.obj");
    scripted_->queueFileDialogAnswer(target.toStdString());
    action("mnuSaveAs")->trigger();
    EXPECT_TRUE(scripted_->messages().empty());
    ASSERT_TRUE(std::filesystem::exists(target.toStdString()));

    scripted_->queueFileDialogAnswer(target.toStdString());
    action("mnuOpen")->trigger();
    EXPECT_EQ(window_->document().file(), target.toStdString());
    EXPECT_EQ(window_->windowTitle(), "sample.obj - Brontle");
    EXPECT_EQ(label("lblPolygons"), "170 polygons");

    // A cancelled open dialog changes nothing.
    action("mnuOpen")->trigger();
    EXPECT_EQ(window_->document().file(), target.toStdString());

    // An unreadable file is reported and the model kept.
    const std::string broken = temp_.filePath("broken.obj").toStdString();
    std::ofstream(broken) << "this is not a mesh\n";
    const brontle::ShapePtr before = sample();
    EXPECT_FALSE(window_->openFile(broken));
    ASSERT_EQ(scripted_->messages().size(), 1u);
    EXPECT_NE(scripted_->messages()[0].text.find("broken.obj"), std::string::npos);
    EXPECT_EQ(sample(), before);
}

TEST_F(MainWindowTest, ApplyingThePlugInOpensItsEditorAndCancelLeavesTheShape) {
    window_->selectWholeShape(sample());
    const std::vector<brontle::Vector3> vertices = sample()->vertices();
    const std::vector<brontle::Vector2> texcoords = sample()->texcoords();
    const std::vector<std::int32_t> corners = sample()->cornerTexCoord();
    bool editorSeen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog == nullptr || !dialog->isVisible()) {
            return;
        }
        if (dialog->objectName() == "frmMain") {
            editorSeen = true;
            if (auto* cancel = dialog->findChild<QPushButton*>("cmdCancel")) {
                cancel->click();
                return;
            }
        }
        dialog->reject(); // a tip, or an editor without its Cancel button
    });
    poll.start(20);
    EXPECT_TRUE(window_->applyPlugin("Peel-Wise"));
    poll.stop();
    EXPECT_TRUE(editorSeen);
    EXPECT_EQ(sample()->vertices(), vertices);
    EXPECT_EQ(sample()->texcoords(), texcoords);
    EXPECT_EQ(sample()->cornerTexCoord(), corners);
    EXPECT_FALSE(window_->applyPlugin("No Such Plug-in"));
}

TEST(BrontleExecutable, ScreenshotSavesAPictureOfTheWindowAndQuits) {
    QTemporaryDir temp;
    const QString shot = temp.filePath("brontle.png");
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("BRONTLE_SETTINGS_DIR", temp.filePath("settings"));
    env.insert("BRONTLE_LOG_FILE", temp.filePath("brontle.log"));
    process.setProcessEnvironment(env);
    process.start(PEELWISE_BIN_DIR "/brontle", {"--screenshot", shot});
    ASSERT_TRUE(process.waitForFinished(60000)) << "brontle did not quit";
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 400);
    EXPECT_GE(image.height(), 300);
    // Not one flat colour: the menu, the view and the status bar are in it.
    const QRgb corner = image.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 7) {
        for (int x = 0; x < image.width() && !varied; x += 7) {
            varied = image.pixel(x, y) != corner;
        }
    }
    EXPECT_TRUE(varied);
}

} // namespace
