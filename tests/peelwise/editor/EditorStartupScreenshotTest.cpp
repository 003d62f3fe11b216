// Pictures of the editor right after start-up on the host's sample shape, and of the seam hint
// as it comes up during that start-up, saved in the build folder for a person to look at. The
// test checks what can be checked in pixels: the preview shows the continuity map's colours on
// the atlas, the coordinate view shows the backdrop, and the hint has its text.
#include "EditorRunFixture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/views/Editport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSet>

namespace {

using editor_testing::EditorRunTest;
using peelwise::frmMain;

QString buildFolder() {
    return QDir(PEELWISE_BIN_DIR "/..").absolutePath();
}

// The dialog as drawn, with each edit view's own picture laid over its place (a widget grab
// may miss an OpenGL surface).
QImage grabWithViews(frmMain& dialog) {
    QImage image = dialog.grab().toImage();
    QPainter painter(&image);
    for (brontle::Editport* view : {dialog.dfeObjectPreview, dialog.dfeCoordinatesAdjustment}) {
        const QImage drawn = view->grabView();
        const QPoint at = view->mapTo(&dialog, QPoint(0, 0));
        painter.drawImage(QRect(at, view->size()), drawn);
    }
    return image;
}

// Distinct strongly coloured pixels (saturation above a half): the continuity map's cells.
int saturatedColours(const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            const QColor c = image.pixelColor(x, y);
            if (c.hsvSaturationF() > 0.5) {
                seen.insert(c.rgb() & 0xf0f0f0u);
            }
        }
    }
    return static_cast<int>(seen.size());
}

class EditorStartupScreenshotTest : public EditorRunTest {};

TEST_F(EditorStartupScreenshotTest, TheSampleShapeOpensUnwrappedAndTheHintIsDrawn) {
    // As the plug-in class hands it over: centred, its largest extent 8 units (the sample is
    // 2 units across and stands on y = 0).
    const brontle::ShapePtr sample = brontle::makeSampleShape(*scene);
    sample->Translate({0.0f, -1.0f, 0.0f});
    sample->Scale({4.0f, 4.0f, 4.0f});
    handOver(sample);
    QImage hint;
    onTip = [&](peelwise::frmWarn& tip) { hint = tip.grab().toImage(); };
    QImage editor, preview, layout;
    EXPECT_TRUE(run([&](frmMain& d) {
        // Let the views draw once on screen before taking the picture.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 300) {
            QApplication::processEvents();
        }
        editor = grabWithViews(d);
        preview = d.dfeObjectPreview->grabView();
        layout = d.dfeCoordinatesAdjustment->grabView();
    }));
    ASSERT_FALSE(editor.isNull());
    ASSERT_FALSE(hint.isNull());
    EXPECT_EQ(tips.size(), 1u);
    // The sample shape has hard rims, so its seams were marked and the hint says so.
    EXPECT_EQ(tips.at(0).rfind("Seams have been marked for your shape", 0), 0u);
    EXPECT_GT(saturatedColours(preview), 8) << "the atlas shows the continuity map";
    EXPECT_GT(saturatedColours(layout), 8) << "the backdrop shows the continuity map";
    const QString editorFile = buildFolder() + "/editor-startup.png";
    const QString hintFile = buildFolder() + "/editor-startup-hint.png";
    EXPECT_TRUE(editor.save(editorFile)) << editorFile.toStdString();
    EXPECT_TRUE(hint.save(hintFile)) << hintFile.toStdString();
}

} // namespace
