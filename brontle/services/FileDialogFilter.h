#pragma once
// File-dialog filters as callers write them, "label|patterns|label|patterns" (for example
// "Windows Bitmap (*.bmp)|*.bmp|All Files (*.*)|*.*", patterns separated by ';'), turned into
// the name filters of Qt's file dialog, "label (pattern pattern)".

#include <string>
#include <vector>

namespace brontle {

// One Qt name filter per label|patterns pair, in order. The label loses a trailing
// parenthesised pattern list of its own (Qt would read patterns from it), and the real patterns
// follow in parentheses. "*.*" becomes "*", since on this platform names need not have a dot.
// A last label without patterns gets "*". An empty filter gives no name filters (all files).
std::vector<std::string> qtNameFilters(const std::string& filter);

// What a file dialog returns for `path` when the caller asked for a default extension: the path
// with "." + `extension` added when its file name has no dot, else the path as it is. A
// cancel ("") stays "". Either separator ends the folder part.
std::string withDefaultExtension(const std::string& path, const std::string& extension);

} // namespace brontle
