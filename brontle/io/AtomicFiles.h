#pragma once
// Writes a group of files so that a failure leaves every existing file as it was.

#include <string>
#include <utility>
#include <vector>

namespace brontle {

// One file to write: its path and its whole content.
using FileContent = std::pair<std::string, std::string>;

// Writes each content to a temporary file in its target's folder; only when all of them are
// written and closed are they renamed over their targets, in the given order. On any failure
// the temporary files are removed and Error(HostFileUnwritable, "<path>: <reason>") is thrown
// naming the file that failed, and no target is touched. A target that is a folder fails before
// any rename. (A rename failing after an earlier one succeeded, which needs the folder to change
// under us, can leave the group mixed; each single file is always either old or new, never
// partial.)
void writeFilesAtomically(const std::vector<FileContent>& files);

} // namespace brontle
