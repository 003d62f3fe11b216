// The window's progress service on the test's QApplication: the dialog shows only after the
// delay and goes at the end, Cancel stops the work with its error, the event loop keeps running
// meanwhile, and a second operation is refused while one runs.
#include "brontle/services/QtProgress.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace brontle {
namespace {

using Clock = std::chrono::steady_clock;

Error cancelled() {
    return Error(ErrorNumber::HostCancelled, "model.obj: loading was cancelled", "Test");
}

// Records, on the window's thread, whether a progress dialog was up while the work ran, and can
// press its Cancel button once it is.
struct Watch {
    QtProgressService& service;
    bool seen = false;
    bool pressCancel = false;
    int ticks = 0;
    std::optional<Error> refused;
    QTimer timer;

    explicit Watch(QtProgressService& s) : service(s) {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            ++ticks;
            QProgressDialog* dialog = service.dialog();
            if (dialog != nullptr && dialog->isVisible()) {
                seen = true;
                EXPECT_EQ(dialog->objectName(), "dlgProgress");
                EXPECT_EQ(dialog->labelText().toStdString().rfind("Loading model.obj", 0), 0u);
                if (pressCancel) {
                    dialog->findChild<QPushButton*>()->click();
                    pressCancel = false;
                }
            }
            if (!refused) {
                try {
                    service.run(
                        "Unwrapping", cancelled(), WorkThread::Caller,
                        [](ProgressReporter&) { ADD_FAILURE() << "a second operation ran"; });
                } catch (const Error& e) {
                    refused = e;
                }
            }
        });
        timer.start();
    }
};

// Work that reports for `ms` milliseconds (or until cancelled).
void busyFor(ProgressReporter& reporter, int ms) {
    const auto start = Clock::now();
    for (;;) {
        const double elapsed =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (elapsed >= ms) {
            return;
        }
        reporter.report(elapsed / ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

TEST(QtProgressTest, TheDialogShowsOnlyAfterTheDelayAndGoesAtTheEnd) {
    for (WorkThread thread : {WorkThread::Caller, WorkThread::Worker}) {
        QtProgressService service(300);
        Watch quick(service);
        service.run("Loading model.obj", cancelled(), thread,
                    [](ProgressReporter& r) { busyFor(r, 100); });
        EXPECT_FALSE(quick.seen);
        EXPECT_GT(quick.ticks, 0) << "the event loop stood still";
        quick.timer.stop();

        Watch slow(service);
        service.run("Loading model.obj", cancelled(), thread,
                    [](ProgressReporter& r) { busyFor(r, 800); });
        EXPECT_TRUE(slow.seen);
        EXPECT_EQ(service.dialog(), nullptr);
        EXPECT_FALSE(service.busy());
        // Refused while the first ran, with the running operation named.
        ASSERT_TRUE(slow.refused.has_value());
        EXPECT_EQ(slow.refused->number(), ErrorNumber::HostFailure);
        EXPECT_EQ(slow.refused->description(),
                  "Unwrapping cannot start: Loading model.obj is still running");
    }
}

TEST(QtProgressTest, CancelStopsTheWorkWithItsError) {
    for (WorkThread thread : {WorkThread::Caller, WorkThread::Worker}) {
        QtProgressService service(100);
        Watch watch(service);
        watch.pressCancel = true;
        const auto start = Clock::now();
        try {
            service.run("Loading model.obj", cancelled(), thread,
                        [](ProgressReporter& r) { busyFor(r, 10000); });
            ADD_FAILURE() << "the cancelled work ran to its end";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), ErrorNumber::HostCancelled);
            EXPECT_EQ(e.description(), "model.obj: loading was cancelled");
        }
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
        EXPECT_TRUE(watch.seen);
        EXPECT_EQ(service.dialog(), nullptr);
        EXPECT_FALSE(service.busy());
    }
}

} // namespace brontle
