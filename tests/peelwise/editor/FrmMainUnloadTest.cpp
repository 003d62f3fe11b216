// The editor dialog's modal run and its one way out: OK, Cancel, the title bar and Escape each
// close it with exactly one of the two flags set and the run's shapes released; the load handler
// resets the editing state on every run of the one reused instance.
#include "peelwise/editor/HistoryEntry.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/support/FontWiz.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/ScriptedPlatform.h"
#include "brontle/services/SettingsStore.h"
#include "brontle/views/Editport.h"
#include "brontle/views/UpDownText.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace peelwise {
namespace {

class FrmMainUnloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        brontle::setSettingsFolder(folder.path().toStdString());
        previous = brontle::setPlatform(scripted);
        scene = brontle::SceneGraph::create(
            std::make_shared<brontle::HostEnvironment>(folder.path().toStdString(), "BrontleTest"));
        modMain::sceneGraph = scene;
        // OK asks for the texture file through the run's file utility.
        modMain::fileUtility = std::make_shared<brontle::FileUtility>();
        scripted->queueFileDialogAnswer(folder.filePath("atlas.bmp").toStdString());
        // A shape the start-up can unwrap, and no seam tip in the way of the scripts.
        brontle::settings().SaveSetting("BrontleTest", "Tips", "PeelwiseSeams", "0");
        dialog.csSourceShape = brontle::makeFlatShadedCube(*scene);
        dialog.cgSourceFrame = scene->CreateFrame(nullptr);
        dialog.bOKClicked = false;
        dialog.bCancelClicked = false;
    }
    void TearDown() override {
        modMain::sceneGraph.reset();
        modMain::fileUtility.reset();
        brontle::setPlatform(previous);
        brontle::setSettingsFolder("");
    }

    // Shows the dialog; once it is up, `act` runs on it and must close it. Returns whether the
    // dialog was up as the active modal window.
    bool run(const std::function<void(frmMain&)>& act) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = QApplication::activeModalWidget() == &dialog && dialog.isVisible();
            act(dialog);
        });
        QTimer guard; // an action that fails to close the dialog must not hang the run
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [this] { dialog.done(0); });
        guard.start(10000);
        dialog.showModal();
        return shown;
    }

    void expectReleased() {
        EXPECT_EQ(dialog.csSourceShape, nullptr);
        EXPECT_EQ(dialog.cgSourceFrame, nullptr);
        EXPECT_EQ(dialog.csTextureShape, nullptr);
        EXPECT_EQ(dialog.csUVShape, nullptr);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.isLoaded());
    }

    QTemporaryDir folder;
    std::shared_ptr<brontle::ScriptedPlatform> scripted =
        std::make_shared<brontle::ScriptedPlatform>();
    std::shared_ptr<brontle::Platform> previous;
    brontle::SceneGraphPtr scene;
    frmMain& dialog = frmMain::instance();
};

// Every test here runs the one reused instance again; its load also gives every control the
// system font.
TEST_F(FrmMainUnloadTest, OKSetsOnlyOKAndReleasesTheRunsShapes) {
    std::weak_ptr<brontle::Shape> source = dialog.csSourceShape;
    QString family;
    double points = 0;
    QString okFamily;
    EXPECT_TRUE(run([&](frmMain& d) {
        family = d.font().family();
        points = d.font().pointSizeF();
        okFamily = d.cmdOK->font().family();
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    }));
    EXPECT_EQ(family.toStdString(), FontWiz::shared().FontName());
    EXPECT_EQ(points, FontWiz::shared().FontSizeDefault());
    EXPECT_EQ(okFamily.toStdString(), FontWiz::shared().FontName());
    EXPECT_TRUE(dialog.bOKClicked);
    EXPECT_FALSE(dialog.bCancelClicked);
    expectReleased();
    // The dialog let go of the working copy; only the test's own scene could still hold it.
    EXPECT_TRUE(source.expired());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// Cancel, the title-bar close button and Escape all close as Cancel.
TEST_F(FrmMainUnloadTest, CancelTitleBarCloseAndEscapeSetOnlyCancel) {
    const std::vector<std::pair<const char*, std::function<void(frmMain&)>>> closes = {
        {"Cancel", [](frmMain& d) { QTest::mouseClick(d.cmdCancel, Qt::LeftButton); }},
        {"title bar", [](frmMain& d) { d.close(); }},
        {"Escape", [](frmMain& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
    };
    for (const auto& [name, close] : closes) {
        SCOPED_TRACE(name);
        // Each close is a run of its own, on a new working copy.
        dialog.csSourceShape = brontle::makeFlatShadedCube(*scene);
        dialog.cgSourceFrame = scene->CreateFrame(nullptr);
        dialog.bOKClicked = false;
        dialog.bCancelClicked = false;
        EXPECT_TRUE(run(close));
        EXPECT_FALSE(dialog.bOKClicked);
        EXPECT_TRUE(dialog.bCancelClicked);
        expectReleased();
    }
}

TEST_F(FrmMainUnloadTest, EnterInTheFactorBoxDoesNotCloseTheDialog) {
    bool stillOpen = false;
    EXPECT_TRUE(run([&](frmMain& d) {
        d.updFactor->setFocus();
        QTest::keyClick(d.updFactor->lineEdit(), Qt::Key_Return);
        stillOpen = d.isVisible() && d.isLoaded();
        QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
    }));
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(dialog.bCancelClicked);
}

TEST_F(FrmMainUnloadTest, LoadResetsTheEditingStateOnEveryRun) {
    const brontle::ShapePtr oldUV = scene->CreateShape();
    const brontle::ShapePtr oldBackdrop = scene->CreateShape();
    dialog.csUVShape = oldUV;
    // Three recorded edits of an earlier run.
    dialog.session().attach(*scene, dialog.dfeObjectPreview->DeviceID(),
                            dialog.dfeCoordinatesAdjustment->DeviceID());
    for (int i = 0; i < 3; ++i) {
        dialog.session().record();
    }
    ASSERT_EQ(dialog.lHistoryCount(), 3);
    ASSERT_TRUE(dialog.bUVChanged);
    dialog.csTextureShape = oldBackdrop;
    dialog.lblX->setText("Position X: 0.25");
    dialog.lblY->setText("Y: 0.75");
    dialog.sTextureName = "kept.bmp";

    struct Seen {
        bool uvChanged = true;
        std::size_t history = 99;
        int count = -1;
        int position = -1;
        bool uvShape = false;
        bool textureShape = false;
        QString x, y;
        bool sourceKept = false;
    } seen;
    EXPECT_TRUE(run([&](frmMain& d) {
        seen = {d.bUVChanged,         d.atHistory().size(), d.lHistoryCount(),
                d.lHistoryPosition(), d.csUVShape != oldUV, d.csTextureShape != oldBackdrop,
                d.lblX->text(),       d.lblY->text(),       d.csSourceShape != nullptr};
        d.cmdCancel_Click();
    }));
    EXPECT_FALSE(seen.uvChanged);
    EXPECT_EQ(seen.history, 0u);
    EXPECT_EQ(seen.count, 0);
    EXPECT_EQ(seen.position, 0);
    // The start-up made a new layout and a new backdrop.
    EXPECT_TRUE(seen.uvShape);
    EXPECT_TRUE(seen.textureShape);
    EXPECT_EQ(seen.x, "");
    EXPECT_EQ(seen.y, "");
    // What the plug-in class handed over is there while the dialog is up.
    EXPECT_TRUE(seen.sourceKept);
    // The texture name is the stored one again (nothing stored: none).
    EXPECT_EQ(dialog.sTextureName, "");
}

TEST_F(FrmMainUnloadTest, UnloadOutsideARunDoesNothing) {
    ASSERT_FALSE(dialog.isLoaded());
    dialog.Unload();
    EXPECT_FALSE(dialog.bCancelClicked);
    EXPECT_NE(dialog.csSourceShape, nullptr);
    EXPECT_NE(dialog.cgSourceFrame, nullptr);
}

TEST_F(FrmMainUnloadTest, FlagsAlreadySetAreKeptByTheQueryUnload) {
    // OK sets its flag before unloading; the query-unload must not add Cancel to it.
    dialog.bOKClicked = true;
    dialog.Form_QueryUnload();
    EXPECT_TRUE(dialog.bOKClicked);
    EXPECT_FALSE(dialog.bCancelClicked);
    EXPECT_EQ(dialog.csSourceShape, nullptr);
    dialog.bOKClicked = false;
    dialog.Form_QueryUnload();
    EXPECT_TRUE(dialog.bCancelClicked);
}

} // namespace
} // namespace peelwise
