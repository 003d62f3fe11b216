#pragma once
// The editor makes the drive of the plug-in's own folder the current drive while it loads, so
// that paths it hands to the host resolve on the drive the plug-in was installed on.
//
// A drive is the first character of a path, with the colon when a letter and a colon start it:
// "C:" for "C:\Program Files", "/" for "/usr/lib". On a system with a single root every
// absolute path is on drive "/", so there the current folder normally stays as it is.

#include <string>

namespace peelwise {

// The drive of `path` as above; "" for an empty path.
std::string driveOf(const std::string& path);

// What the current folder becomes when `folder`'s drive is made current while `current` is the
// current folder: `current` itself when it already lies on that drive (changing only the drive
// keeps the folder), else the root of the drive ("C:\" or "/"). "" when `folder` is empty.
std::string folderAfterDriveChange(const std::string& folder, const std::string& current);

// Applies folderAfterDriveChange through the platform (brontle::platform()); the platform's
// current folder is changed only when it differs.
void makeDriveCurrent(const std::string& folder);

// The folder of the file that holds the plug-in's code: the loaded plug-in library, or the
// program that links the editor directly (tests); without a trailing separator.
std::string pluginFolder();

} // namespace peelwise
