#include "peelwise/editor/CommonDialog.h"

#include "brontle/core/Error.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/Platform.h"

namespace peelwise {

CommonDialog::CommonDialog(QObject* parent) : QObject(parent) {}

bool CommonDialog::ShowSave() {
    return show(true);
}

bool CommonDialog::ShowOpen() {
    return show(false);
}

bool CommonDialog::show(bool save) {
    brontle::Platform& platform = brontle::platform();
    brontle::FileDialogRequest request;
    request.save = save;
    request.title = dialogTitle;
    request.filter = filter;
    request.defaultExtension = defaultExtension;
    request.initialFolder = initialFolder.empty() ? platform.currentFolder() : initialFolder;
    request.fileName = fileName;
    request.confirmOverwrite = save && (flags & OverwritePrompt) != 0;
    const std::string chosen = platform.fileDialog(request);
    if (chosen.empty()) {
        if (cancelError) {
            throw brontle::Error(brontle::ErrorNumber::FileDialogCancelled, "Cancel was selected.",
                                 "CommonDialog");
        }
        return false;
    }
    fileName = chosen;
    if ((flags & NoChangeDir) == 0) {
        std::string folder = brontle::splitPath(chosen).folder;
        // A current folder carries no trailing separator, except a root folder ("/").
        if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) {
            folder.pop_back();
        }
        if (!folder.empty()) {
            platform.setCurrentFolder(folder);
        }
    }
    return true;
}

} // namespace peelwise
