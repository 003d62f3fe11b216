// The Qt platform against real widgets on the test's QApplication, the headless platform, and
// the choice between them.
#include "brontle/services/QtPlatform.h"
#include "brontle/core/Error.h"
#include "brontle/services/HeadlessPlatform.h"
#include "brontle/services/MessageButtons.h"
#include "brontle/services/ScriptedPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

namespace brontle {
namespace {

// A failed expectation must not leave a modal window waiting for an answer forever.
void closeModal() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
    }
}

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::vector<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Shows a prompt, and when it is up, records it and lets `act` answer it.
MessageResult answerBox(QtPlatform& qt, const MessagePrompt& prompt, SeenBox& seen,
                        const std::function<void(QMessageBox*)>& act) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            ADD_FAILURE() << "no message box is up";
            closeModal();
            return;
        }
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            seen.buttons.push_back(box->standardButton(button));
        }
        std::sort(seen.buttons.begin(), seen.buttons.end());
        seen.defaultButton = box->standardButton(box->defaultButton());
        act(box);
    });
    return qt.messageBox(prompt);
}

TEST(QtPlatform, MessageBoxesShowTheStyleAndAnswerByButtonEscapeOrEnter) {
    QtPlatform qt;
    SeenBox seen;
    EXPECT_EQ(answerBox(qt, {"Discard your changes?", "Peel-Wise", 3 + 32}, seen,
                        [](QMessageBox* box) { box->button(QMessageBox::No)->click(); }),
              MessageResult::No);
    EXPECT_EQ(seen.title, "Peel-Wise");
    EXPECT_EQ(seen.text, "Discard your changes?");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, (std::vector<QMessageBox::StandardButton>{
                                QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}));
    EXPECT_EQ(seen.defaultButton, QMessageBox::Yes);

    // An empty title shows the application's name.
    SeenBox untitled;
    EXPECT_EQ(answerBox(qt, {"File Type not Correct.", "", 48}, untitled,
                        [](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); }),
              MessageResult::Ok);
    EXPECT_EQ(untitled.title, QApplication::applicationDisplayName());
    EXPECT_FALSE(untitled.title.isEmpty());
    EXPECT_EQ(untitled.icon, QMessageBox::Warning);
    EXPECT_EQ(untitled.buttons, std::vector<QMessageBox::StandardButton>{QMessageBox::Ok});

    // Escape answers Cancel where there is one, else No, else OK.
    const auto escape = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
    SeenBox seen1;
    EXPECT_EQ(answerBox(qt, {"a", "t", MessageStyle::OkCancel + 16}, seen1, escape),
              MessageResult::Cancel);
    EXPECT_EQ(seen1.icon, QMessageBox::Critical);
    SeenBox seen2;
    EXPECT_EQ(answerBox(qt, {"b", "t", MessageStyle::YesNo + 64}, seen2, escape),
              MessageResult::No);
    EXPECT_EQ(seen2.icon, QMessageBox::Information);
    EXPECT_EQ(seen2.buttons,
              (std::vector<QMessageBox::StandardButton>{QMessageBox::Yes, QMessageBox::No}));
    SeenBox seen3;
    EXPECT_EQ(answerBox(qt, {"c", "t", 0}, seen3, escape), MessageResult::Ok);
    EXPECT_EQ(seen3.icon, QMessageBox::NoIcon);

    // Enter answers the first button.
    SeenBox seen4;
    EXPECT_EQ(answerBox(qt, {"a", "t", MessageStyle::YesNoCancel}, seen4,
                        [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }),
              MessageResult::Yes);
}

// Shows a file dialog and, when it is up, lets `act` work it.
std::string workDialog(QtPlatform& qt, const FileDialogRequest& request,
                       const std::function<void(QFileDialog*)>& act) {
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no Qt file dialog is up";
            closeModal();
            return;
        }
        act(dialog);
    });
    return qt.fileDialog(request);
}

TEST(QtPlatform, FileDialogsUseTheRequestAndConfirmOverwritingOnlyWhenAsked) {
    QtPlatform qt;
    QTemporaryDir folder;
    FileDialogRequest request;
    request.save = true;
    request.title = "Save Texture";
    request.filter = "Windows Bitmap (*.bmp)|*.bmp|All Files (*.*)|*.*";
    request.defaultExtension = "BMP";
    request.initialFolder = folder.path().toStdString();
    QString title;
    QStringList filters;
    QString directory;
    std::string chosen = workDialog(qt, request, [&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        directory = dialog->directory().absolutePath();
        dialog->selectFile("atlas");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
    });
    EXPECT_EQ(chosen, folder.filePath("atlas.BMP").toStdString());
    EXPECT_EQ(title, "Save Texture");
    EXPECT_EQ(filters, (QStringList{"Windows Bitmap (*.bmp)", "All Files (*)"}));
    EXPECT_EQ(directory, folder.path());

    // Overwriting asked, and answered No: the dialog stays up, and is then cancelled.
    const QString existing = folder.filePath("atlas.bmp");
    std::ofstream(existing.toStdString()) << "old";
    request.confirmOverwrite = true;
    QString question;
    chosen = workDialog(qt, request, [&](QFileDialog* dialog) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                ADD_FAILURE() << "no overwrite question";
                return;
            }
            question = box->text();
            box->button(QMessageBox::No)->click();
        });
        dialog->selectFile(existing);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
        dialog->reject();
    });
    EXPECT_EQ(chosen, "");
    EXPECT_TRUE(question.contains("atlas.bmp")) << question.toStdString();

    // Not asked.
    request.confirmOverwrite = false;
    chosen = workDialog(qt, request, [&](QFileDialog* dialog) {
        dialog->selectFile(existing);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
    });
    EXPECT_EQ(chosen, existing.toStdString());

    // An open dialog, cancelled, gives nothing.
    FileDialogRequest open;
    open.filter = "Images|*.bmp;*.png";
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    chosen = workDialog(qt, open, [&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        mode = dialog->acceptMode();
        dialog->reject();
    });
    EXPECT_EQ(chosen, "");
    EXPECT_EQ(filters, QStringList{"Images (*.bmp *.png)"});
    EXPECT_EQ(mode, QFileDialog::AcceptOpen);
}

TEST(QtPlatform, KeysAreTrackedFromKeyEventsAndReleasedOnLeaving) {
    QtPlatform qt;
    QWidget widget;
    EXPECT_FALSE(qt.isKeyDown('X'));
    QTest::keyPress(&widget, Qt::Key_X);
    EXPECT_TRUE(qt.isKeyDown('X'));
    EXPECT_FALSE(qt.isKeyDown('Y'));
    QTest::keyPress(&widget, Qt::Key_Y);
    QTest::keyRelease(&widget, Qt::Key_X);
    EXPECT_FALSE(qt.isKeyDown('X'));
    EXPECT_TRUE(qt.isKeyDown('Y'));
    QTest::keyRelease(&widget, Qt::Key_Y);
    EXPECT_FALSE(qt.isKeyDown('Y'));
    EXPECT_FALSE(qt.isKeyDown(0x1000));

    // Auto-repeat keeps a key down; leaving the application releases every key.
    QTest::keyPress(&widget, Qt::Key_Y);
    // While a key is held the window system sends release/press pairs marked as repeats.
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Y, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&widget, &repeatRelease);
    EXPECT_TRUE(qt.isKeyDown('Y'));
    QTest::keyPress(&widget, Qt::Key_X);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &deactivate);
    EXPECT_FALSE(qt.isKeyDown('X'));
    EXPECT_FALSE(qt.isKeyDown('Y'));

    // Shift and Ctrl follow the keyboard modifiers. The offscreen platform learns them from the
    // events sent to the application; a real window system asks the keyboard itself, which no
    // test event reaches.
    if (QGuiApplication::platformName() == "offscreen") {
        QTest::keyPress(&widget, Qt::Key_Control, Qt::ControlModifier);
        EXPECT_TRUE(qt.isKeyDown(17));
        EXPECT_FALSE(qt.isKeyDown(16));
        QTest::keyRelease(&widget, Qt::Key_Control, Qt::NoModifier);
        EXPECT_FALSE(qt.isKeyDown(17));
        QTest::keyPress(&widget, Qt::Key_Shift, Qt::ShiftModifier);
        EXPECT_TRUE(qt.isKeyDown(16));
        EXPECT_FALSE(qt.isKeyDown(17));
        QTest::keyRelease(&widget, Qt::Key_Shift, Qt::NoModifier);
        EXPECT_FALSE(qt.isKeyDown(16));
    }
}

TEST(QtPlatform, ScreenMetricsFontAndCurrentFolderComeFromQt) {
    QtPlatform qt;
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    if (QGuiApplication::platformName() == "offscreen") {
        // The offscreen screen is 800 x 600 at 96 dpi.
        EXPECT_EQ(qt.twipsPerPixelX(), 15.0);
        EXPECT_EQ(qt.twipsPerPixelY(), 15.0);
    }
    EXPECT_DOUBLE_EQ(qt.twipsPerPixelX() * screen->logicalDotsPerInchX(), 1440.0);
    EXPECT_DOUBLE_EQ(qt.screenWidthTwips(), screen->geometry().width() * qt.twipsPerPixelX());
    EXPECT_DOUBLE_EQ(qt.screenHeightTwips(), screen->geometry().height() * qt.twipsPerPixelY());
    // The system font is the general font and a new font.
    const SystemFont font = qt.systemFont();
    EXPECT_EQ(font.messageFontFace,
              QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString());
    EXPECT_EQ(font.defaultFontFace, QFont().family().toStdString());
    EXPECT_EQ(font.defaultFontSize, QFont().pointSizeF());
    EXPECT_GT(font.defaultFontSize, 0);

    // The current folder is the process's.
    const QString before = QDir::currentPath();
    QTemporaryDir folder;
    qt.setCurrentFolder(folder.path().toStdString());
    EXPECT_EQ(QDir::currentPath(), folder.path());
    EXPECT_EQ(qt.currentFolder(), folder.path().toStdString());
    try {
        qt.setCurrentFolder(folder.filePath("missing").toStdString());
        FAIL() << "changed into a missing folder";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::HostFailure);
        EXPECT_EQ(error.description(),
                  folder.filePath("missing").toStdString() +
                      ": cannot make it the current folder (no such folder, or no access)");
    }
    EXPECT_EQ(QDir::currentPath(), folder.path());
    qt.setCurrentFolder(before.toStdString());
}

TEST(HeadlessPlatform, AnswersEveryPromptWithItsDefaultAndReportsIt) {
    std::ostringstream report;
    HeadlessPlatform headless(&report);
    EXPECT_EQ(headless.messageBox({"Discard?", "Peel-Wise", 4 + 32}), MessageResult::Yes);
    EXPECT_EQ(headless.messageBox({"File Type not Correct.", "", 48}), MessageResult::Ok);
    FileDialogRequest save;
    save.save = true;
    save.title = "Save";
    save.filter = "Windows Bitmap (*.bmp)|*.bmp";
    EXPECT_EQ(headless.fileDialog(save), "");
    EXPECT_EQ(report.str(),
              "message \"Discard?\" (title \"Peel-Wise\", style 36): answered Yes\n"
              "message \"File Type not Correct.\" (title \"\", style 48): answered OK\n"
              "save dialog \"Save\" (filter \"Windows Bitmap (*.bmp)|*.bmp\"): cancelled\n");
    EXPECT_FALSE(headless.isKeyDown(16));
    EXPECT_EQ(headless.twipsPerPixelX(), 15.0);
    EXPECT_EQ(headless.screenWidthTwips(), 28800.0);
    EXPECT_EQ(headless.screenHeightTwips(), 16200.0);
    EXPECT_EQ(headless.systemFont().defaultFontFace, "Sans Serif");
}

TEST(MessageButtons, StylesDecodeIntoButtonsIconsAndAnswers) {
    using R = MessageResult;
    EXPECT_EQ(messageButtons(0), std::vector<R>{R::Ok});
    EXPECT_EQ(messageButtons(1 + 48), (std::vector<R>{R::Ok, R::Cancel}));
    EXPECT_EQ(messageButtons(3 + 32), (std::vector<R>{R::Yes, R::No, R::Cancel}));
    EXPECT_EQ(messageButtons(4 + 16), (std::vector<R>{R::Yes, R::No}));
    EXPECT_EQ(messageButtons(2), std::vector<R>{R::Ok});
    EXPECT_EQ(messageIcon(4 + 16), MessageIcon::Critical);
    EXPECT_EQ(messageIcon(32), MessageIcon::Question);
    EXPECT_EQ(messageIcon(1 + 48), MessageIcon::Exclamation);
    EXPECT_EQ(messageIcon(64), MessageIcon::Information);
    EXPECT_EQ(messageIcon(4), MessageIcon::None);
    EXPECT_EQ(escapeMessageAnswer(4), R::No);
    EXPECT_EQ(escapeMessageAnswer(3), R::Cancel);
    EXPECT_EQ(escapeMessageAnswer(0), R::Ok);
    EXPECT_EQ(static_cast<int>(R::Yes), 6);
    EXPECT_EQ(static_cast<int>(R::No), 7);
}

TEST(ProcessPlatform, DefaultsToQtWithAnApplicationAndIsReplaceable) {
    ASSERT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
    EXPECT_NE(dynamic_cast<QtPlatform*>(&platform()), nullptr);
    Platform* const defaultOne = &platform();

    auto scripted = std::make_shared<ScriptedPlatform>();
    EXPECT_EQ(setPlatform(scripted), nullptr);
    EXPECT_EQ(&platform(), scripted.get());
    platform().messageBox({"through the process platform", "", 0});
    ASSERT_EQ(scripted->messages().size(), 1u);
    EXPECT_EQ(scripted->messages()[0].text, "through the process platform");

    EXPECT_EQ(setPlatform(nullptr), scripted);
    EXPECT_EQ(&platform(), defaultOne);
}

} // namespace
} // namespace brontle
