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

namespace {

thread_local ProgressReporter* runningReporter = nullptr;

// Makes `reporter` the current one of this thread while the work runs.
class CurrentReporter {
  public:
    explicit CurrentReporter(ProgressReporter& reporter) : previous_(runningReporter) {
        runningReporter = &reporter;
    }
    ~CurrentReporter() { runningReporter = previous_; }
    CurrentReporter(const CurrentReporter&) = delete;
    CurrentReporter& operator=(const CurrentReporter&) = delete;

  private:
    ProgressReporter* previous_;
};

} // namespace

ProgressReporter* currentProgress() {
    return runningReporter;
}

void reportProgress(double fraction) {
    ProgressReporter* reporter = runningReporter;
    if (reporter == nullptr) {
        return;
    }
    const double f = std::clamp(fraction, 0.0, 1.0);
    reporter->report(reporter->partFrom_ + f * (reporter->partTo_ - reporter->partFrom_));
}

ProgressPart::ProgressPart(double from, double to) : reporter_(runningReporter) {
    if (reporter_ == nullptr) {
        return;
    }
    outerFrom_ = reporter_->partFrom_;
    outerTo_ = reporter_->partTo_;
    const double span = outerTo_ - outerFrom_;
    reporter_->partFrom_ = outerFrom_ + std::clamp(from, 0.0, 1.0) * span;
    reporter_->partTo_ = outerFrom_ + std::clamp(to, 0.0, 1.0) * span;
}

ProgressPart::~ProgressPart() {
    if (reporter_ != nullptr) {
        reporter_->partFrom_ = outerFrom_;
        reporter_->partTo_ = outerTo_;
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
    // Whichever thread the service runs the work on, reportProgress() there reaches `reporter`.
    execute(title, reporter, thread, [&work](ProgressReporter& r) {
        const CurrentReporter current(r);
        work(r);
    });
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
