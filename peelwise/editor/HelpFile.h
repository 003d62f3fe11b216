#pragma once
// The editor's help file. The editor names it as the host documents it: the install folder
// followed by "\BRNHelp.chm". This host ships its help as one page, BRNHelp.html, beside where
// that file would be, so context help opens the page with the same folder and base name and
// the extension ".html" whenever the named file itself is not there; a host that does ship the
// named file gets that file.

#include <string>

namespace peelwise {

// installFolder + "\BRNHelp.chm", with the platform's separators (brontle::nativePath).
std::string helpFileFor(const std::string& installFolder);

// The file context help opens for `helpFile`: `helpFile` itself when it exists, else the same
// path with its extension replaced by ".html". "" for an empty name.
std::string helpPageFile(const std::string& helpFile);

} // namespace peelwise
