#include "peelwise/editor/ProgramTitle.h"

#include <QGuiApplication>

namespace peelwise {

ScopedProgramTitle::ScopedProgramTitle() {
    if (QGuiApplication::instance() == nullptr) {
        return;
    }
    active_ = true;
    previous_ = QGuiApplication::applicationDisplayName();
    QGuiApplication::setApplicationDisplayName(kProgramTitle);
}

ScopedProgramTitle::~ScopedProgramTitle() {
    if (active_ && QGuiApplication::instance() != nullptr) {
        QGuiApplication::setApplicationDisplayName(previous_);
    }
}

} // namespace peelwise
