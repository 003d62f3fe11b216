// Pictures of the two dialogs as the user sees them, written into the build folder for a person
// to look at; the test checks that they were drawn and saved.
#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/support/frmWarn.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/services/SettingsStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace peelwise {
namespace {

// The build folder (the parent of bin/).
QString buildFolder() {
    return QDir(PEELWISE_BIN_DIR "/..").absolutePath();
}

// Enough distinct colours that the picture is more than a blank window.
int distinctColours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            seen.insert(image.pixel(x, y));
        }
    }
    return static_cast<int>(seen.size());
}

TEST(FrmMainScreenshot, EditorDialogIsDrawnAndSaved) {
    // A run the start-up can unwrap, without the seam tip.
    QTemporaryDir settingsFolder;
    brontle::setSettingsFolder(settingsFolder.path().toStdString());
    brontle::settings().SaveSetting("BrontleScreenshot", "Tips", "PeelwiseSeams", "0");
    modMain::sceneGraph = brontle::SceneGraph::create(
        std::make_shared<brontle::HostEnvironment>(PEELWISE_BIN_DIR, "BrontleScreenshot"));
    frmMain& dialog = frmMain::instance();
    dialog.csSourceShape = brontle::makeFlatShadedCube(*modMain::sceneGraph);
    dialog.bOKClicked = false;
    dialog.bCancelClicked = false;
    QImage picture;
    QTimer::singleShot(50, [&] {
        picture = dialog.grab().toImage();
        dialog.cmdCancel_Click();
    });
    dialog.showModal();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), dialog.size() * dialog.devicePixelRatio());
    EXPECT_GT(distinctColours(picture), 20);
    const QString file = buildFolder() + "/frmMain.png";
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
    modMain::sceneGraph.reset();
    brontle::setSettingsFolder("");
}

TEST(FrmMainScreenshot, TipDialogIsDrawnAndSaved) {
    QTemporaryDir settingsFolder; // closing the tip writes its setting
    brontle::setSettingsFolder(settingsFolder.path().toStdString());
    frmWarn tip;
    tip.sWarning = "Seams have been marked for your shape based on its creases. You can mark "
                   "additional seams, or clear the marked seams, and then click \"Unwrap\" to "
                   "regenerate the Peel-Wise. Seams are marked by selecting edges on your shape.";
    tip.sApplicationRegistryKey = "BrontleScreenshot";
    tip.sWarningRegistryEntry = "PeelwiseSeams";
    QImage picture;
    QTimer::singleShot(50, [&] {
        picture = tip.grab().toImage();
        tip.close();
    });
    tip.showModal();
    ASSERT_FALSE(picture.isNull());
    EXPECT_GT(distinctColours(picture), 5);
    const QString file = buildFolder() + "/frmWarn.png";
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
    brontle::setSettingsFolder("");
}

} // namespace
} // namespace peelwise
