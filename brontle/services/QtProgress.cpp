#include "brontle/services/QtProgress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace brontle {

namespace {

constexpr int kPumpMs = 30;
constexpr int kBarSteps = 1000;

} // namespace

QtProgressService::QtProgressService(int delayMs) : delayMs_(delayMs) {}

QProgressDialog* QtProgressService::dialog() const {
    return dialog_.data();
}

void QtProgressService::execute(const std::string& title, ProgressReporter& reporter,
                                WorkThread thread,
                                const std::function<void(ProgressReporter&)>& work) {
    QElapsedTimer clock;
    clock.start();
    const QString label = QString::fromStdString(title);
    // Shows the dialog once the delay has passed and moves its bar.
    const auto tick = [&] {
        if (dialog_.isNull() && clock.elapsed() >= delayMs_) {
            auto* dialog =
                new QProgressDialog(label, "Cancel", 0, kBarSteps, QApplication::activeWindow());
            dialog->setObjectName("dlgProgress");
            dialog->setWindowTitle(QApplication::applicationDisplayName());
            dialog->setWindowModality(Qt::ApplicationModal);
            dialog->setAutoClose(false);
            dialog->setAutoReset(false);
            dialog->setMinimumDuration(0);
            QObject::connect(dialog, &QProgressDialog::canceled, dialog,
                             [dialog, &reporter, label] {
                                 reporter.requestCancel();
                                 dialog->setLabelText(label + "\nCancelling...");
                             });
            dialog_ = dialog;
            dialog->show();
        }
        if (!dialog_.isNull()) {
            dialog_->setValue(static_cast<int>(std::lround(reporter.fraction() * kBarSteps)));
        }
    };
    const auto events = [&] {
        return dialog_.isNull() ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents;
    };
    std::exception_ptr failure;
    if (thread == WorkThread::Worker) {
        std::mutex mutex;
        std::condition_variable wake;
        bool finished = false;
        std::thread worker([&] {
            try {
                work(reporter);
            } catch (...) {
                failure = std::current_exception();
            }
            std::lock_guard<std::mutex> lock(mutex);
            finished = true;
            wake.notify_all();
        });
        for (;;) {
            QCoreApplication::processEvents(events());
            tick();
            std::unique_lock<std::mutex> lock(mutex);
            if (wake.wait_for(lock, std::chrono::milliseconds(10), [&] { return finished; })) {
                break;
            }
        }
        worker.join();
    } else {
        QElapsedTimer sincePump;
        sincePump.start();
        reporter.setPump([&] {
            if (sincePump.elapsed() >= kPumpMs) {
                QCoreApplication::processEvents(events());
                tick();
                sincePump.restart();
            }
        });
        try {
            work(reporter);
        } catch (...) {
            failure = std::current_exception();
        }
        reporter.setPump({});
    }
#if defined(__GLIBC__)
    // Long work frees large temporaries, on a worker partly from allocator arenas this thread
    // does not reuse: handing them back to the system keeps the next large allocation (the
    // views' buffers for new shapes) from adding to the peak.
    ::malloc_trim(0);
#endif
    if (!dialog_.isNull()) {
        dialog_->hide();
        dialog_->deleteLater();
        dialog_.clear();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace brontle
