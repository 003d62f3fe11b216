#include "brontle/services/QtPlatform.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/services/FileDialogFilter.h"
#include "brontle/services/KeyTracker.h"
#include "brontle/services/MessageButtons.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <iostream>
#include <map>

namespace brontle {

namespace {

constexpr int ShiftKey = 16;
constexpr int ControlKey = 17;
constexpr int AltKey = 18;
constexpr double TwipsPerInch = 1440.0;
// What a screen-less session reports: the commonest desktop at 96 dpi.
constexpr double FallbackTwipsPerPixel = 15.0;
constexpr int FallbackScreenWidth = 1920;
constexpr int FallbackScreenHeight = 1080;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return QApplication::activeWindow();
}

QMessageBox::StandardButton standardButton(MessageResult result) {
    switch (result) {
    case MessageResult::Ok:
        return QMessageBox::Ok;
    case MessageResult::Cancel:
        return QMessageBox::Cancel;
    case MessageResult::Yes:
        return QMessageBox::Yes;
    case MessageResult::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon boxIcon(int style) {
    switch (messageIcon(style)) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QtPlatform::QtPlatform() {
    tracker();
}

KeyTracker* QtPlatform::tracker() {
    // A test may replace the application; the tracker dies with the old one and is made anew.
    if (tracker_.isNull() && QCoreApplication::instance() != nullptr) {
        tracker_ = new KeyTracker(QCoreApplication::instance());
    }
    return tracker_.data();
}

MessageResult QtPlatform::messageBox(const MessagePrompt& prompt) {
    hostCall("Platform::messageBox");
    if ((prompt.style & 0x70) == MessageStyle::Critical) {
        // Errors also reach standard error, where a terminal or a log of the session sees them.
        std::string line = prompt.text;
        std::replace(line.begin(), line.end(), '\n', ' ');
        std::cerr << (prompt.title.empty() ? QApplication::applicationDisplayName().toStdString()
                                           : prompt.title)
                  << ": error: " << line << std::endl;
    }
    QMessageBox box(dialogParent());
    box.setWindowTitle(prompt.title.empty() ? QApplication::applicationDisplayName()
                                            : qt(prompt.title));
    box.setText(qt(prompt.text));
    box.setIcon(boxIcon(prompt.style));
    std::map<QAbstractButton*, MessageResult> answers;
    for (MessageResult result : messageButtons(prompt.style)) {
        answers[box.addButton(standardButton(result))] = result;
    }
    box.setDefaultButton(standardButton(defaultMessageAnswer(prompt.style)));
    box.setEscapeButton(box.button(standardButton(escapeMessageAnswer(prompt.style))));
    box.exec();
    const auto found = answers.find(box.clickedButton());
    return found != answers.end() ? found->second : escapeMessageAnswer(prompt.style);
}

std::string QtPlatform::fileDialog(const FileDialogRequest& request) {
    hostCall("Platform::fileDialog");
    const QString title = request.title.empty()
                              ? (request.save ? QStringLiteral("Save As") : QStringLiteral("Open"))
                              : qt(request.title);
    QFileDialog dialog(dialogParent(), title, qt(request.initialFolder));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList nameFilters;
    for (const std::string& filter : qtNameFilters(request.filter)) {
        nameFilters << qt(filter);
    }
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
    }
    dialog.setDefaultSuffix(qt(request.defaultExtension));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.fileName.empty()) {
        dialog.selectFile(qt(request.fileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    // Qt's own dialog adds the extension itself; a platform's native dialog may not.
    return withDefaultExtension(
        QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString(),
        request.defaultExtension);
}

bool QtPlatform::isKeyDown(int virtualKey) {
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    switch (virtualKey) {
    case ShiftKey:
        return modifiers.testFlag(Qt::ShiftModifier);
    case ControlKey:
        return modifiers.testFlag(Qt::ControlModifier);
    case AltKey:
        return modifiers.testFlag(Qt::AltModifier);
    default:
        break;
    }
    const bool letterOrDigit =
        (virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9');
    KeyTracker* keys = tracker();
    return letterOrDigit && keys != nullptr && keys->isDown(virtualKey);
}

double QtPlatform::twipsPerPixelX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr && screen->logicalDotsPerInchX() > 0
               ? TwipsPerInch / screen->logicalDotsPerInchX()
               : FallbackTwipsPerPixel;
}

double QtPlatform::twipsPerPixelY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr && screen->logicalDotsPerInchY() > 0
               ? TwipsPerInch / screen->logicalDotsPerInchY()
               : FallbackTwipsPerPixel;
}

double QtPlatform::screenWidthTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return (screen != nullptr ? screen->geometry().width() : FallbackScreenWidth) *
           twipsPerPixelX();
}

double QtPlatform::screenHeightTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return (screen != nullptr ? screen->geometry().height() : FallbackScreenHeight) *
           twipsPerPixelY();
}

FrameMargins QtPlatform::windowFrameMargins() {
    const auto framed = [](const QWindow* window) {
        return window != nullptr && window->isVisible() && !window->frameMargins().isNull();
    };
    const QWindow* source = QGuiApplication::focusWindow();
    if (!framed(source)) {
        source = nullptr;
        for (const QWindow* window : QGuiApplication::topLevelWindows()) {
            if (framed(window)) {
                source = window;
                break;
            }
        }
    }
    if (source == nullptr) {
        return {};
    }
    const QMargins m = source->frameMargins();
    return {m.left(), m.top(), m.right(), m.bottom()};
}

SystemFont QtPlatform::systemFont() {
    SystemFont font;
    font.messageFontFace =
        QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString();
    const QFont defaultFont;
    font.defaultFontFace = defaultFont.family().toStdString();
    font.defaultFontSize = defaultFont.pointSizeF();
    return font;
}

std::string QtPlatform::currentFolder() {
    return QDir::toNativeSeparators(QDir::currentPath()).toStdString();
}

void QtPlatform::setCurrentFolder(const std::string& folder) {
    hostCall("Platform::setCurrentFolder");
    if (!QDir::setCurrent(qt(folder))) {
        throw Error(ErrorNumber::HostFailure,
                    folder + ": cannot make it the current folder (no such folder, or no access)");
    }
}

} // namespace brontle
