#include "brontle/services/KeyTracker.h"

#include <QEvent>
#include <QKeyEvent>

namespace brontle {

KeyTracker::KeyTracker(QObject* application) : QObject(application), application_(application) {
    application_->installEventFilter(this);
}

KeyTracker::~KeyTracker() {
    application_->removeEventFilter(this);
}

bool KeyTracker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Auto-repeat sends release/press pairs while the key stays down; they change nothing.
        if (!key->isAutoRepeat()) {
            if (event->type() == QEvent::KeyPress) {
                down_.insert(key->key());
            } else {
                down_.remove(key->key());
            }
        }
        break;
    }
    case QEvent::ApplicationDeactivate:
        down_.clear();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace brontle
