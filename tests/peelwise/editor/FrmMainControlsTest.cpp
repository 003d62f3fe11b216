// The editor dialog's inventory: every control by name, in its defined order, with its exact
// caption, tooltip, items and initial state, and both popup menus with their items in order.
#include "peelwise/editor/CommonDialog.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/FontWiz.h"

#include "brontle/views/Editport.h"
#include "brontle/views/UpDownText.h"
#include "brontle/views/Viewport.h"
#include "brontle/views/XPButton.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace peelwise {
namespace {

struct Expected {
    const char* name;
    const char* className;
    const char* caption; // button or label text; nullptr when the control has none
    const char* tooltip; // "" when none
};

const char* const kTool = "brontle::XPButton";

// In the order the dialog defines its controls.
const std::vector<Expected> kInventory = {
    {"picMainToolbar", "QWidget", nullptr, ""},
    {"cmdEditUndo", kTool, nullptr, "Undo"},
    {"cmdEditRedo", kTool, nullptr, "Redo"},
    {"chkConstrainX", kTool, nullptr, "Constrain X (U) Axis Movement"},
    {"chkConstrainY", kTool, nullptr, "Constrain Y (V) Axis Movement"},
    {"Line1", "QFrame", nullptr, ""},
    {"picTextureOptions", "QWidget", nullptr, ""},
    {"cboTextureOption", "QComboBox", nullptr, ""},
    {"cboFactorType", "QComboBox", nullptr, ""},
    {"cmdDeselectAll", "QPushButton", "Deselect All", "Deselect all seams"},
    {"cmdCreaseSeams", "QPushButton", "Set Default Seams",
     "Set seams based on the creases of the shape"},
    {"updFactor", "brontle::UpDownText", nullptr, ""},
    {"cboTextureSize", "QComboBox", nullptr, "Texture Size"},
    {"cmdGenerateAtlas", "QPushButton", "Unwrap", ""},
    {"dfeObjectPreview", "brontle::Editport", nullptr, ""},
    {"dlgCommonDialog", "peelwise::CommonDialog", nullptr, ""},
    {"cmdCancel", "QPushButton", "Cancel", "Cancel"},
    {"cmdOK", "QPushButton", "OK", "OK"},
    {"dfeCoordinatesAdjustment", "brontle::Editport", nullptr, ""},
    {"dfvViewport", "brontle::Viewport", nullptr, ""},
    {"fraManual", "QFrame", nullptr, ""},
    {"cmdRotateRight", kTool, nullptr, "Rotate Clockwise (ctl-click for fine adjustments)"},
    {"cmdRotateLeft", kTool, nullptr, "Rotate Counter Clockwise (ctl-click for fine adjustments)"},
    {"cmdShiftLeft", kTool, nullptr, "Shift coordinates left (ctl-click for fine adjustments)"},
    {"cmdShiftRight", kTool, nullptr, "Shift coordinates right (ctl-click for fine adjustments)"},
    {"cmdEnlarge", kTool, nullptr, "Enlarge (ctl-click for fine adjustments)"},
    {"cmdReduce", kTool, nullptr, "Reduce (ctl-click for fine adjustments)"},
    {"cmdShiftUp", kTool, nullptr, "Shift coordinates up (ctl-click for fine adjustments)"},
    {"cmdShiftDown", kTool, nullptr, "Shift coordinates down (ctl-click for fine adjustments)"},
    {"cmdWeldSelection", kTool, nullptr, "Weld Selection"},
    {"cmdWeldNearest", kTool, nullptr, "Weld Nearest Point"},
    {"cmdWeldToSelected", kTool, nullptr, "Weld Selected Points to First Selected Point"},
    {"cmdWeldToNearest", kTool, nullptr, "Weld to Nearest Point"},
    {"cmdUnlink", kTool, nullptr, "Unlink"},
    {"lblY", "QLabel", "Y:", ""},
    {"lblX", "QLabel", "Position X:", ""},
    {"Line1", "QFrame", nullptr, ""},
};

bool inInventory(const QString& name) {
    for (const Expected& e : kInventory) {
        if (name == e.name) {
            return true;
        }
    }
    return false;
}

QStringList items(const QComboBox* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i) {
        result << list->itemText(i);
    }
    return result;
}

TEST(FrmMainControls, DialogIsOneInstanceCaptionedPeelWise) {
    frmMain& dialog = frmMain::instance();
    EXPECT_EQ(&dialog, &frmMain::instance());
    EXPECT_EQ(dialog.windowTitle(), "Peel-Wise");
    EXPECT_EQ(dialog.objectName(), "frmMain");
}

TEST(FrmMainControls, EveryControlExistsInTheDefinedOrderWithItsKind) {
    frmMain& dialog = frmMain::instance();
    std::vector<QObject*> found;
    for (QObject* control : FontWiz::controlsOf(dialog)) {
        if (inInventory(control->objectName())) {
            found.push_back(control);
        }
    }
    ASSERT_EQ(found.size(), kInventory.size());
    for (std::size_t i = 0; i < kInventory.size(); ++i) {
        SCOPED_TRACE(kInventory[i].name);
        EXPECT_EQ(found[i]->objectName(), kInventory[i].name);
        EXPECT_STREQ(found[i]->metaObject()->className(), kInventory[i].className);
    }
    // The members are the controls of those names.
    EXPECT_EQ(dialog.findChild<QObject*>("cmdOK"), dialog.cmdOK);
    EXPECT_EQ(found[5], dialog.Line1[0]);
    EXPECT_EQ(found.back(), dialog.Line1[1]);
    EXPECT_EQ(dialog.Line1[0]->parentWidget(), dialog.picMainToolbar);
    EXPECT_EQ(dialog.Line1[1]->parentWidget(), dialog.fraManual);
}

TEST(FrmMainControls, CaptionsAndTooltipsAreExact) {
    frmMain& dialog = frmMain::instance();
    for (const Expected& e : kInventory) {
        SCOPED_TRACE(e.name);
        auto* widget = dialog.findChild<QWidget*>(e.name);
        if (widget == nullptr) {
            EXPECT_STREQ(e.name, "dlgCommonDialog"); // the only control that is not a widget
            continue;
        }
        EXPECT_EQ(widget->toolTip().toStdString(), e.tooltip);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text().toStdString(), e.caption ? e.caption : "");
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            ASSERT_NE(e.caption, nullptr);
            EXPECT_EQ(label->text().toStdString(), e.caption);
        }
        // The seam buttons follow the creases of the last start-up, if one ran before.
        const bool startedBefore = !dialog.sHelpFile.empty();
        if (!startedBefore || (e.name != std::string("cmdCreaseSeams") &&
                               e.name != std::string("cmdDeselectAll"))) {
            EXPECT_TRUE(widget->isEnabled());
        }
    }
}

TEST(FrmMainControls, ListsHoldTheirItemsInOrder) {
    frmMain& dialog = frmMain::instance();
    EXPECT_EQ(items(dialog.cboTextureOption), (QStringList{"Create Texture", "Add to Texture"}));
    EXPECT_EQ(items(dialog.cboFactorType), (QStringList{"Max Stretch", "# Charts"}));
    EXPECT_EQ(items(dialog.cboTextureSize),
              (QStringList{"64x64", "128x128", "256x256", "512x512", "1024x1024", "2048x2048"}));
}

TEST(FrmMainControls, ToolButtonsStartEnabledWithOnlyTheAxisLocksAsToggles) {
    frmMain& dialog = frmMain::instance();
    for (brontle::XPButton* button : dialog.findChildren<brontle::XPButton*>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_TRUE(button->isEnabled());
        const bool lock = button == dialog.chkConstrainX || button == dialog.chkConstrainY;
        EXPECT_EQ(button->check(), lock);
        EXPECT_FALSE(button->Value());
        // Each carries a drawn icon of its own from the resources.
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_FALSE(button->icon().pixmap(button->iconSize()).isNull());
    }
    EXPECT_EQ(dialog.findChildren<brontle::XPButton*>().size(), 17);
}

TEST(FrmMainControls, EveryToolIconIsAResourceThatDraws) {
    const char* const icons[] = {
        "undo",           "redo",         "constrain_x",      "constrain_y",
        "rotate_cw",      "rotate_ccw",   "shift_left",       "shift_right",
        "shift_up",       "shift_down",   "enlarge",          "reduce",
        "weld_selection", "weld_nearest", "weld_to_selected", "weld_to_nearest",
        "unlink"};
    std::vector<QImage> drawn;
    for (const char* icon : icons) {
        SCOPED_TRACE(icon);
        const QString path = QString(":/peelwise/editor/icons/%1.svg").arg(icon);
        ASSERT_TRUE(QFile::exists(path));
        const QImage image = QIcon(path).pixmap(24, 24).toImage();
        ASSERT_FALSE(image.isNull());
        // Something is drawn, and no two icons look the same.
        int inked = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                inked += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
            }
        }
        EXPECT_GT(inked, 20);
        for (const QImage& other : drawn) {
            EXPECT_NE(image, other);
        }
        drawn.push_back(image);
    }
}

TEST(FrmMainControls, SpinBoxAndViewsStartWithTheirProperties) {
    frmMain& dialog = frmMain::instance();
    EXPECT_EQ(dialog.updFactor->minvalue(), 1.0);
    // Every start-up lowers the upper limit to 8 (frmMainLoad.cpp); the design value holds
    // until the first.
    const bool startedBefore = !dialog.sHelpFile.empty();
    EXPECT_EQ(dialog.updFactor->maxvalue(), startedBefore ? 8.0 : 100.0);

    const brontle::Editport& preview = *dialog.dfeObjectPreview;
    EXPECT_TRUE(preview.isEnabled());
    EXPECT_TRUE(preview.primaryNavigation());
    EXPECT_TRUE(preview.glideNavigation());
    EXPECT_TRUE(preview.advanceNavigation());
    EXPECT_FALSE(preview.boundingBox());
    EXPECT_FALSE(preview.editControl());
    EXPECT_EQ(preview.projectionType(), 0);

    const brontle::Editport& uv = *dialog.dfeCoordinatesAdjustment;
    EXPECT_TRUE(uv.isEnabled());
    EXPECT_TRUE(uv.primaryNavigation());
    EXPECT_FALSE(uv.glideNavigation());
    EXPECT_TRUE(uv.advanceNavigation());
    EXPECT_EQ(uv.projectionType(), 1);
    EXPECT_EQ(uv.deformToolRange(), 0.0f);
    EXPECT_FALSE(uv.boundingBox());
    EXPECT_EQ(uv.editMode(), 1);
    EXPECT_FALSE(uv.rotateEditControl());
    EXPECT_NE(preview.DeviceID(), uv.DeviceID());

    const brontle::Viewport& viewport = *dialog.dfvViewport;
    EXPECT_EQ(viewport.TextureQuality(), 0);
    EXPECT_EQ(viewport.BackColor(), 12632256u);
    EXPECT_EQ(viewport.Width(), 4635);
    EXPECT_EQ(viewport.Height(), 3135);
    // Kept below the visible area.
    EXPECT_GE(viewport.geometry().top(), dialog.height());
}

TEST(FrmMainControls, CommonDialogStartsEmpty) {
    const CommonDialog& common = *frmMain::instance().dlgCommonDialog;
    EXPECT_EQ(common.parent(), &frmMain::instance());
    EXPECT_EQ(common.filter, "");
    EXPECT_EQ(common.fileName, "");
    EXPECT_EQ(common.flags, 0);
    EXPECT_FALSE(common.cancelError);
}

struct MenuItem {
    const char* name;
    const char* caption;
    bool separator;
};

void expectMenu(const QMenu* menu, const char* name, const char* caption,
                const std::vector<MenuItem>& expected) {
    SCOPED_TRACE(name);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), name);
    EXPECT_EQ(menu->title(), caption);
    // A context menu only, never visible on its own.
    EXPECT_FALSE(menu->isVisible());
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(actions[i]->objectName(), expected[i].name);
        EXPECT_EQ(actions[i]->text(), expected[i].caption);
        EXPECT_EQ(actions[i]->isSeparator(), expected[i].separator);
        EXPECT_TRUE(actions[i]->isEnabled());
    }
}

TEST(FrmMainControls, PopupMenusHoldTheirItemsInOrder) {
    frmMain& dialog = frmMain::instance();
    expectMenu(dialog.findChild<QMenu*>("mnuPopupObjectPreview"), "mnuPopupObjectPreview",
               "PopupObjectPreview",
               {{"mnuSelectLoop", "Select Edge Loop/Arc", false},
                {"mnuPopupObjectPreviewSeparator", "-", true},
                {"mnuDeselectAll", "Deselect All", false}});
    expectMenu(dialog.findChild<QMenu*>("mnuPopupCoordinatesAdjustment"),
               "mnuPopupCoordinatesAdjustment", "PopupCoordinatesAdjustment",
               {{"mnuSelectChart", "Select Chart", false},
                {"mnuSelectAllCharts", "Select All Charts", false},
                {"mnuPopupCoordinatesAdjustmentx", "-", true},
                {"mnuDeselectChart", "Deselect Chart", false},
                {"mnuDeselectAllCharts", "Deselect All Charts", false}});
    EXPECT_EQ(dialog.mnuSelectChart, dialog.findChild<QAction*>("mnuSelectChart"));
    EXPECT_EQ(dialog.mnuPopupObjectPreview, dialog.findChild<QMenu*>("mnuPopupObjectPreview"));
}

} // namespace
} // namespace peelwise
