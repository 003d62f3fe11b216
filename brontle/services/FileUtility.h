#pragma once
// The host's file utility, handed to plug-ins: the remembered folder of each application, path
// splitting, the open and save dialogs, and the log.
//
// Paths given to it may use '\' or '/' as separators; paths it returns use the platform's own
// (nativePath of the host environment).
// Each application name remembers one folder, in the settings store under (application,
// "FileUtility", "LastFolder"). Both dialogs start there and remember the folder of the file
// the user chooses.

#include <cstdint>
#include <string>

namespace brontle {

// The fields of one save dialog.
struct SaveFileRequest {
    std::string title;  // "" shows the platform's own ("Save As")
    std::string filter; // "label|patterns|label|patterns", e.g. "Windows Bitmap (*.bmp)|*.bmp"
    std::string defaultExtension; // without the dot; added to a chosen name that has none
    std::string fileName;         // the name offered at first
    std::int32_t flags = 0;       // FileUtility::PromptBeforeOverwrite; other bits are accepted
    bool cancelRaisesError = false;
};

class FileUtility {
  public:
    // Dialog flag: ask before a save replaces an existing file. The other common-dialog bits
    // (hide read-only 4, path must exist 2048, no read-only return 32768) need no action here:
    // the dialogs never offer read-only opening and only return folders that exist.
    static constexpr std::int32_t PromptBeforeOverwrite = 2;

    // Makes the remembered folder of `appName` the current folder, so that the next dialog
    // starts there. Does nothing when none is remembered or the folder no longer exists.
    void RestoreLastFolder(const std::string& appName);
    // Remembers the folder of the file last chosen in this utility's dialogs for `appName`.
    // Does nothing when no file has been chosen yet.
    void StoreLastFolder(const std::string& appName);

    // Splits a path into its folder (with its trailing separator; "" when there is none), the
    // file name without extension, and the extension without the dot. This utility reports
    // extensions in capitals, whatever was typed: "x.bmp" and "x.BMP" both give "BMP", so
    // callers compare with "BMP". Only the file name is searched for the dot: "a.b/c" has no
    // extension, nor has a name starting with its only dot (".profile"). A name ending in a dot
    // loses the dot and has no extension.
    void SplitPath(const std::string& path, std::string& folder, std::string& name,
                   std::string& extension) const;

    // Shows the open dialog with `fileKindFilter` ("label|patterns" pairs) and returns the
    // chosen path, also written to `path`; "" when cancelled. `ownerHandle` and `flags` are
    // accepted for the callers' sake: the dialog is parented to the active window, and only
    // existing files can be chosen.
    std::string ShowOpenFileDialog(std::intptr_t ownerHandle, const std::string& appName,
                                   std::int32_t flags, const std::string& fileKindFilter,
                                   std::string& path);
    // Shows the save dialog and returns the chosen path; "" when cancelled, unless the request
    // has cancelRaisesError: then throws Error(FileDialogCancelled, "Cancel was selected.").
    std::string ShowSaveFileDialog(std::intptr_t ownerHandle, const std::string& appName,
                                   const SaveFileRequest& request);

    // Appends a diagnostic line to the host's log; never throws.
    void WriteLog(const std::string& line);

    // Makes `path` the file last chosen, as if it had come from one of this utility's dialogs:
    // for callers that show their own file dialog and want StoreLastFolder to remember its
    // folder.
    void NoteChosenFile(const std::string& path) { lastChosen_ = path; }

    // The path last chosen in one of this utility's dialogs ("" when none).
    const std::string& lastChosenFile() const { return lastChosen_; }

  private:
    std::string startFolder(const std::string& appName) const;
    void chosen(const std::string& appName, const std::string& path);

    std::string lastChosen_;
};

// A path in three parts, as FileUtility::SplitPath gives them.
struct PathParts {
    std::string folder;    // with its trailing separator; "" when the path has no folder
    std::string name;      // the file name without its extension
    std::string extension; // without the dot, in capitals
};
PathParts splitPath(const std::string& path);

} // namespace brontle
