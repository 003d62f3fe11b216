// The suppressible tip: when it is shown, what the dialog shows, and what it stores when it
// closes, in a temporary settings folder.
#include "peelwise/support/frmWarn.h"
#include "peelwise/support/modWarn.h"

#include "brontle/core/Error.h"
#include "brontle/services/ScriptedPlatform.h"
#include "brontle/services/SettingsStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace peelwise {
namespace {

const std::string kApp = "BrontleTest";
const std::string kEntry = "PeelwiseSeams";
const std::string kSeamsText =
    "Seams have been marked for your shape based on its creases. You can mark additional "
    "seams, or clear the marked seams, and then click \"Unwrap\" to regenerate the Peel-Wise. "
    "Seams are marked by selecting edges on your shape.";

// What the tip dialog looked like when it came up.
struct SeenTip {
    QString title;
    QString heading;
    QString text;
    bool wordWrap = false;
    QString checkCaption;
    bool checked = false;
    QString okCaption;
    QString font;
};

class WarnTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        brontle::setSettingsFolder(folder.path().toStdString());
        previous = brontle::setPlatform(scripted);
    }
    void TearDown() override {
        brontle::setPlatform(previous);
        brontle::setSettingsFolder("");
    }

    // Runs ShowWarning; when the tip comes up, records it and hands it to `act`, which must
    // close it. Returns what was seen, or nothing when no dialog came up.
    std::optional<SeenTip> showWarning(const std::string& text,
                                       const std::function<void(frmWarn&)>& act) {
        std::optional<SeenTip> seen;
        QTimer::singleShot(0, [&] {
            auto* tip = qobject_cast<frmWarn*>(QApplication::activeModalWidget());
            if (tip == nullptr) {
                return;
            }
            seen = SeenTip{tip->windowTitle(),
                           tip->lblDidYouKnow->text(),
                           tip->lblWarning->text(),
                           tip->lblWarning->wordWrap(),
                           tip->chkContinueToReceiveWarning->text(),
                           tip->chkContinueToReceiveWarning->isChecked(),
                           tip->cmdOK->text(),
                           tip->lblWarning->font().family()};
            act(*tip);
        });
        // A dialog the action failed to close must not hang the test run.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget* stuck = QApplication::activeModalWidget()) {
                stuck->close();
            }
        });
        guard.start(10000);
        modWarn::ShowWarning(kApp, text, kEntry, 0);
        QApplication::processEvents(); // let the single shot run when nothing was shown
        return seen;
    }

    std::string stored() const { return brontle::settings().GetSetting(kApp, "Tips", kEntry); }

    QTemporaryDir folder;
    std::shared_ptr<brontle::ScriptedPlatform> scripted =
        std::make_shared<brontle::ScriptedPlatform>();
    std::shared_ptr<brontle::Platform> previous;
};

void clickOK(frmWarn& tip) {
    QTest::mouseClick(tip.cmdOK, Qt::LeftButton);
}

TEST_F(WarnTest, NoStoredValueShowsTheTipAndOKWithTheBoxCheckedStoresOne) {
    const auto seen = showWarning(kSeamsText, clickOK);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->title, "Peel-Wise");
    EXPECT_EQ(seen->heading, "Did you know...");
    EXPECT_EQ(seen->text.toStdString(), kSeamsText);
    EXPECT_TRUE(seen->wordWrap);
    EXPECT_EQ(seen->checkCaption, "Continue to receive this message");
    EXPECT_TRUE(seen->checked);
    EXPECT_EQ(seen->okCaption, "OK");
    // The scripted system font is "Segoe UI", which the load applies.
    EXPECT_EQ(seen->font, "Segoe UI");
    EXPECT_EQ(stored(), "1");
    // Still wanted: it comes up again.
    EXPECT_TRUE(showWarning(kSeamsText, clickOK).has_value());
}

TEST_F(WarnTest, ClearingTheBoxAndOKStoresZeroAndTheTipIsNotShownAgain) {
    const auto seen = showWarning(kSeamsText, [](frmWarn& tip) {
        QTest::mouseClick(tip.chkContinueToReceiveWarning, Qt::LeftButton);
        clickOK(tip);
    });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(stored(), "0");
    // One answer governs every text stored under the same entry.
    EXPECT_FALSE(showWarning(kSeamsText, clickOK).has_value());
    EXPECT_FALSE(showWarning("You can mark seams on your shape by selecting edges, and then "
                             "clicking \"Unwrap\" to regenerate the Peel-Wise.",
                             clickOK)
                     .has_value());
    EXPECT_EQ(stored(), "0");
}

TEST_F(WarnTest, TitleBarCloseAndEscapeStoreTheBoxStateAsOKDoes) {
    ASSERT_TRUE(showWarning(kSeamsText, [](frmWarn& tip) { tip.close(); }).has_value());
    EXPECT_EQ(stored(), "1");
    ASSERT_TRUE(showWarning(kSeamsText, [](frmWarn& tip) {
                    tip.chkContinueToReceiveWarning->setChecked(false);
                    tip.close();
                }).has_value());
    EXPECT_EQ(stored(), "0");
    brontle::settings().SaveSetting(kApp, "Tips", kEntry, "1");
    ASSERT_TRUE(showWarning(kSeamsText, [](frmWarn& tip) {
                    tip.chkContinueToReceiveWarning->setChecked(false);
                    QTest::keyClick(&tip, Qt::Key_Escape);
                }).has_value());
    EXPECT_EQ(stored(), "0");
}

TEST_F(WarnTest, StoredOneShowsAndOtherNumbersDoNot) {
    brontle::settings().SaveSetting(kApp, "Tips", kEntry, "1");
    EXPECT_TRUE(showWarning(kSeamsText, clickOK).has_value());
    for (const char* value : {"0", "2", "-1", "0.5"}) {
        SCOPED_TRACE(value);
        brontle::settings().SaveSetting(kApp, "Tips", kEntry, value);
        EXPECT_FALSE(showWarning(kSeamsText, clickOK).has_value());
        EXPECT_EQ(stored(), value); // nothing shown, nothing written
    }
    // Numbers are compared by value, not by text.
    brontle::settings().SaveSetting(kApp, "Tips", kEntry, " 1.0 ");
    EXPECT_TRUE(showWarning(kSeamsText, clickOK).has_value());
    EXPECT_EQ(stored(), "1");
}

TEST_F(WarnTest, NonNumericStoredValueRaisesTypeMismatchFromModWarn) {
    for (const char* value : {"yes", "1x", "one", "nan"}) {
        SCOPED_TRACE(value);
        brontle::settings().SaveSetting(kApp, "Tips", kEntry, value);
        try {
            modWarn::ShowWarning(kApp, kSeamsText, kEntry, 0);
            FAIL() << "a stored value that is not a number was accepted";
        } catch (const brontle::Error& error) {
            EXPECT_EQ(error.number(), 13);
            EXPECT_EQ(error.source(), "modWarn");
            EXPECT_NE(error.description().find(value), std::string::npos);
        }
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_EQ(stored(), value);
    }
}

TEST_F(WarnTest, OtherEntriesAndApplicationsAreKeptApart) {
    brontle::settings().SaveSetting(kApp, "Tips", "OtherTip", "0");
    brontle::settings().SaveSetting("OtherApp", "Tips", kEntry, "0");
    EXPECT_TRUE(showWarning(kSeamsText, clickOK).has_value());
    EXPECT_EQ(brontle::settings().GetSetting(kApp, "Tips", "OtherTip"), "0");
    EXPECT_EQ(brontle::settings().GetSetting("OtherApp", "Tips", kEntry), "0");
}

TEST(SettingAsNumber, AcceptsDecimalNumbersWithBlanksAndNothingElse) {
    EXPECT_EQ(modWarn::settingAsNumber("1"), 1.0);
    EXPECT_EQ(modWarn::settingAsNumber(" 0 "), 0.0);
    EXPECT_EQ(modWarn::settingAsNumber("+1"), 1.0);
    EXPECT_EQ(modWarn::settingAsNumber("-2.5e1"), -25.0);
    for (const char* bad : {"", "  ", "1 1", "0x1", "abc", "1,0", "+", "nan", "inf", "nan1"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(modWarn::settingAsNumber(bad), brontle::Error);
    }
}

} // namespace
} // namespace peelwise
