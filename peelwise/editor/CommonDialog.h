#pragma once
// The dialog's common file dialog `dlgCommonDialog`: a small object that holds what the next
// save or open dialog shows (filter, file name, default extension, flags) and shows it through
// the process platform (brontle/services/Platform.h), so tests answer it from a script.
//
// As the system's common dialog does, a chosen file makes its folder the current folder
// (platform().setCurrentFolder) unless NoChangeDir is among the flags, and the dialog starts in
// the current folder when no initial folder is set.

#include <QObject>

#include <cstdint>
#include <string>

namespace peelwise {

class CommonDialog : public QObject {
    Q_OBJECT
  public:
    // Flag bits, combined by adding.
    static constexpr std::int32_t ReadOnly = 1;
    static constexpr std::int32_t OverwritePrompt = 2;
    static constexpr std::int32_t HideReadOnly = 4;
    static constexpr std::int32_t NoChangeDir = 8;
    static constexpr std::int32_t PathMustExist = 2048;
    static constexpr std::int32_t FileMustExist = 4096;
    static constexpr std::int32_t NoReadOnlyReturn = 32768;

    explicit CommonDialog(QObject* parent = nullptr);

    std::string filter;           // "label|patterns" pairs: "Windows Bitmap (*.bmp)|*.bmp"
    std::string fileName;         // offered at first; the chosen path after a show
    std::string defaultExtension; // without the dot; added to a chosen name that has none
    std::string dialogTitle;      // "" for the platform's own
    std::string initialFolder;    // "" for the current folder
    std::int32_t flags = 0;
    // When set, cancelling throws Error(FileDialogCancelled, "Cancel was selected.",
    // "CommonDialog"); otherwise cancelling returns false and leaves fileName as it was.
    bool cancelError = false;

    // Show the save or open dialog; true when a file was chosen (it is then in fileName).
    bool ShowSave();
    bool ShowOpen();

  private:
    bool show(bool save);
};

} // namespace peelwise
