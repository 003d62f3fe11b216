// F1 in the editor opens the help page the host ships, whichever control has the focus; a
// missing page is logged, not opened.
#include "EditorRunFixture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/views/Editport.h"

#include <QApplication>
#include <QDesktopServices>
#include <QTest>
#include <QUrl>

namespace {

using editor_testing::EditorRunTest;
using peelwise::frmMain;

// Stands in for the desktop's file viewer: records the URLs it is asked to open.
class ViewerStandIn : public QObject {
    Q_OBJECT
  public:
    std::vector<QUrl> opened;
  public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

class ContextHelpTest : public EditorRunTest {
  protected:
    void SetUp() override {
        EditorRunTest::SetUp();
        suppressHint();
        handOver(brontle::makeFlatShadedCube(*scene));
        QDesktopServices::setUrlHandler("file", &viewer, "open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler("file");
        EditorRunTest::TearDown();
    }
    ViewerStandIn viewer;
};

TEST_F(ContextHelpTest, F1OpensTheShippedHelpPageFromAnyControl) {
    const QUrl page = QUrl::fromLocalFile(QString(PEELWISE_BIN_DIR) + "/BRNHelp.html");
    EXPECT_TRUE(run([](frmMain& d) {
        // Without a window manager nothing activates the dialog; a user's click would.
        QApplication::setActiveWindow(&d);
        QTest::keyClick(&d, Qt::Key_F1);
        d.dfeCoordinatesAdjustment->setFocus();
        QTest::keyClick(d.dfeCoordinatesAdjustment, Qt::Key_F1);
        QTest::keyClick(&d, Qt::Key_F2); // another key opens nothing
    }));
    ASSERT_EQ(viewer.opened.size(), 2u);
    EXPECT_EQ(viewer.opened[0], page);
    EXPECT_EQ(viewer.opened[1], page);
}

TEST_F(ContextHelpTest, AMissingPageIsNotHandedToTheViewer) {
    bool shown = true;
    EXPECT_TRUE(run([&](frmMain& d) {
        d.sHelpFile = "/nowhere/BRNHelp.chm";
        shown = d.ShowContextHelp();
    }));
    EXPECT_FALSE(shown);
    EXPECT_TRUE(viewer.opened.empty());
}

} // namespace

#include "ContextHelpTest.moc"
