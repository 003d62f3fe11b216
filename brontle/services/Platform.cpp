#include "brontle/services/Platform.h"

#include "brontle/services/HeadlessPlatform.h"
#include "brontle/services/QtPlatform.h"

#include <QApplication>

#include <mutex>

namespace brontle {

namespace {

struct Platforms {
    std::mutex mutex;
    std::shared_ptr<Platform> installed;
    // The defaults, made on first need and kept: the Qt one holds the key tracker, which must
    // have seen the key presses before a query comes.
    std::shared_ptr<Platform> qt;
    std::shared_ptr<Platform> headless;
};

Platforms& platforms() {
    static Platforms instance;
    return instance;
}

} // namespace

Platform& platform() {
    Platforms& all = platforms();
    std::lock_guard lock(all.mutex);
    if (all.installed) {
        return *all.installed;
    }
    // Decided on every call, not once: a tool may ask before it has made its application.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        if (!all.qt) {
            all.qt = std::make_shared<QtPlatform>();
        }
        return *all.qt;
    }
    if (!all.headless) {
        all.headless = std::make_shared<HeadlessPlatform>();
    }
    return *all.headless;
}

std::shared_ptr<Platform> setPlatform(std::shared_ptr<Platform> platform) {
    Platforms& all = platforms();
    std::lock_guard lock(all.mutex);
    all.installed.swap(platform);
    return platform;
}

} // namespace brontle
