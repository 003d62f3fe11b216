#include "brontle/model/HostProgress.h"

#include <algorithm>
#include <mutex>

namespace brontle {

ProgressReporter::ProgressReporter(Error cancelled) : cancelled_(std::move(cancelled)) {}

void ProgressReporter::report(double fraction) {
    fraction_.store(std::clamp(fraction, 0.0, 1.0), std::memory_order_relaxed);
    if (pump_) {
        pump_();
    }
    checkCancel();
}

void ProgressReporter::checkCancel() const {
    if (cancelRequested()) {
        throw cancelled_;
    }
}

void ProgressService::run(const std::string& title, Error cancelled, WorkThread thread,
                          const std::function<void(ProgressReporter&)>& work) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (busy_.load()) {
            throw Error(ErrorNumber::HostFailure,
                        title + " cannot start: " + running_ + " is still running", "Progress");
        }
        busy_.store(true);
        running_ = title;
    }
    struct Done {
        ProgressService* self;
        ~Done() {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->running_.clear();
            self->busy_.store(false);
        }
    } done{this};
    ProgressReporter reporter(std::move(cancelled));
    execute(title, reporter, thread, work);
}

void ProgressService::execute(const std::string&, ProgressReporter& reporter, WorkThread,
                              const std::function<void(ProgressReporter&)>& work) {
    work(reporter);
}

namespace {

std::mutex serviceMutex;
std::shared_ptr<ProgressService>& current() {
    static std::shared_ptr<ProgressService> service = std::make_shared<ProgressService>();
    return service;
}

} // namespace

ProgressService& progressService() {
    std::lock_guard<std::mutex> lock(serviceMutex);
    return *current();
}

std::shared_ptr<ProgressService> setProgressService(std::shared_ptr<ProgressService> service) {
    std::lock_guard<std::mutex> lock(serviceMutex);
    std::shared_ptr<ProgressService> previous = current();
    current() = service ? std::move(service) : std::make_shared<ProgressService>();
    return previous;
}

} // namespace brontle
