// F1 in the editor opens the help page: the host's help file, or the page the host ships in its
// place (helpPageFile), handed to the desktop's viewer for its kind of file.
#include "peelwise/editor/frmMain.h"

#include "peelwise/editor/HelpFile.h"

#include "brontle/services/Log.h"

#include <QDesktopServices>
#include <QKeySequence>
#include <QShortcut>
#include <QUrl>

#include <filesystem>

namespace peelwise {

void frmMain::connectContextHelp() {
    // The whole dialog, whichever control has the focus (the views and the number boxes take
    // keys of their own, but not F1).
    auto* help = new QShortcut(QKeySequence(QKeySequence::HelpContents), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { ShowContextHelp(); });
}

bool frmMain::ShowContextHelp() {
    const std::string page = helpPageFile(sHelpFile);
    if (page.empty()) {
        brontle::hostLog().write("No help file is named");
        return false;
    }
    if (!std::filesystem::exists(page)) {
        brontle::hostLog().write("The help page " + page + " is not there");
        return false;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page)))) {
        brontle::hostLog().write("No viewer opened the help page " + page);
        return false;
    }
    return true;
}

} // namespace peelwise
