#include "brontle/services/FileUtility.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/services/Log.h"
#include "brontle/services/Platform.h"
#include "brontle/services/SettingsStore.h"

#include <algorithm>
#include <filesystem>

namespace brontle {

namespace {

const char* const Section = "FileUtility";
const char* const LastFolderKey = "LastFolder";

std::string rememberedFolder(const std::string& appName) {
    if (appName.empty()) {
        return {};
    }
    std::string folder = settings().GetSetting(appName, Section, LastFolderKey, "");
    std::error_code error;
    return !folder.empty() && std::filesystem::is_directory(folder, error) ? folder : "";
}

} // namespace

void FileUtility::RestoreLastFolder(const std::string& appName) {
    hostCall("FileUtility::RestoreLastFolder");
    const std::string folder = rememberedFolder(appName);
    if (!folder.empty()) {
        platform().setCurrentFolder(folder);
    }
}

void FileUtility::StoreLastFolder(const std::string& appName) {
    hostCall("FileUtility::StoreLastFolder");
    const std::string folder = splitPath(lastChosen_).folder;
    if (!folder.empty() && !appName.empty()) {
        settings().SaveSetting(appName, Section, LastFolderKey, folder);
    }
}

PathParts splitPath(const std::string& path) {
    const std::string native = nativePath(path);
    const std::size_t nameStart = native.rfind('/') + 1; // 0 when there is no folder
    PathParts parts;
    parts.folder = native.substr(0, nameStart);
    const std::string fileName = native.substr(nameStart);
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        parts.name = fileName;
        return parts;
    }
    parts.name = fileName.substr(0, dot);
    parts.extension = fileName.substr(dot + 1);
    // ASCII only, so that the bytes of a UTF-8 extension stay intact.
    std::transform(
        parts.extension.begin(), parts.extension.end(), parts.extension.begin(),
        [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return parts;
}

void FileUtility::SplitPath(const std::string& path, std::string& folder, std::string& name,
                            std::string& extension) const {
    PathParts parts = splitPath(path);
    folder = std::move(parts.folder);
    name = std::move(parts.name);
    extension = std::move(parts.extension);
}

std::string FileUtility::startFolder(const std::string& appName) const {
    const std::string folder = rememberedFolder(appName);
    return folder.empty() ? platform().currentFolder() : folder;
}

void FileUtility::chosen(const std::string& appName, const std::string& path) {
    lastChosen_ = path;
    try {
        StoreLastFolder(appName);
    } catch (const Error& error) {
        // The file was chosen; an unwritable settings file only costs the remembered folder.
        WriteLog("FileUtility: the folder of " + path +
                 " is not remembered: " + error.description());
    }
}

std::string FileUtility::ShowOpenFileDialog(std::intptr_t, const std::string& appName, std::int32_t,
                                            const std::string& fileKindFilter, std::string& path) {
    hostCall("FileUtility::ShowOpenFileDialog");
    FileDialogRequest request;
    request.save = false;
    request.filter = fileKindFilter;
    request.initialFolder = startFolder(appName);
    path = nativePath(platform().fileDialog(request));
    if (!path.empty()) {
        chosen(appName, path);
    }
    return path;
}

std::string FileUtility::ShowSaveFileDialog(std::intptr_t, const std::string& appName,
                                            const SaveFileRequest& options) {
    hostCall("FileUtility::ShowSaveFileDialog");
    FileDialogRequest request;
    request.save = true;
    request.title = options.title;
    request.filter = options.filter;
    request.defaultExtension = options.defaultExtension;
    request.fileName = options.fileName;
    request.initialFolder = startFolder(appName);
    request.confirmOverwrite = (options.flags & PromptBeforeOverwrite) != 0;
    const std::string path = nativePath(platform().fileDialog(request));
    if (path.empty()) {
        if (options.cancelRaisesError) {
            throw Error(ErrorNumber::FileDialogCancelled, "Cancel was selected.", "FileUtility");
        }
        return path;
    }
    chosen(appName, path);
    return path;
}

void FileUtility::WriteLog(const std::string& line) {
    hostLog().write(line);
}

} // namespace brontle
