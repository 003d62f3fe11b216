// main() for test programs that need a QApplication. Sets the default OpenGL surface format
// before the application exists, and falls back to the offscreen platform when no platform is
// named, so that listing the tests works without a display.
#include <QApplication>
#include <QSurfaceFormat>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Built with AddressSanitizer (make test-sanitize)?
#if defined(__SANITIZE_ADDRESS__)
#define PEELWISE_TEST_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PEELWISE_TEST_LEAK_CHECK 1
#endif
#endif
#ifdef PEELWISE_TEST_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr || *std::getenv("QT_QPA_PLATFORM") == '\0') {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // One private runtime folder per user, shared by every test process (Qt wants one and warns
    // without it).
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        const std::string folder = "/tmp/peelwise-tests-runtime-" + std::to_string(getuid());
        mkdir(folder.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Leave without tearing down the application, the X connection and the software OpenGL
    // driver's threads: with several test processes sharing one Xvfb, that teardown now and then
    // hung after every test had passed. The results are printed by then.
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef PEELWISE_TEST_LEAK_CHECK
    // _Exit skips the leak check LeakSanitizer runs at exit; run it here, while the application
    // is still alive (what it holds is reachable, not leaked). Leaks end the process with an error.
    __lsan_do_leak_check();
#endif
    std::_Exit(result);
}
