#pragma once
// Long host work (loading a mesh file, the atlas, rendering and saving a texture) runs as a host
// operation under the host progress service, one operation at a time. The work reports the
// fraction done through a ProgressReporter and polls it for a cancel request; the service decides
// how the user sees it (the window's modal progress dialog with Cancel, see
// brontle/services/QtProgress.h; nothing at all without a display).
//
// Cancelling: the service sets the reporter's cancel flag (a std::atomic<bool>, so code on any
// thread may poll it cheaply); the next report() or checkCancel() then throws the operation's
// cancel error, which leaves the work through the ordinary failure path. What the work had not
// committed yet stays as it was.
//
// Deep code that does not get the reporter (the texture render, the image save) reports through
// reportProgress(), which reaches the operation running on its thread, if any, and does nothing
// otherwise; ProgressPart gives such code its share of the operation's fraction.
//
// One at a time: run() while another operation runs (from the work itself, or from an event the
// service lets through while it waits) throws Error(HostFailure, "... is still running") and
// leaves the running operation alone.

#include "brontle/core/Error.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace brontle {

class ProgressReporter {
  public:
    // `cancelled` is thrown by report() and checkCancel() once a cancel was requested.
    explicit ProgressReporter(Error cancelled);

    // Records the fraction done (clamped to [0, 1]); throws the cancel error when a cancel was
    // requested. Call it from the thread the work runs on.
    void report(double fraction);
    void checkCancel() const;

    double fraction() const { return fraction_.load(std::memory_order_relaxed); }
    bool cancelRequested() const { return cancel_.load(std::memory_order_relaxed); }
    // Asks the work to stop (any thread).
    void requestCancel() { cancel_.store(true, std::memory_order_relaxed); }
    // The flag itself, for engines that take a cancel flag (atlas::Options::cancel).
    const std::atomic<bool>* cancelFlag() const { return &cancel_; }
    const Error& cancelError() const { return cancelled_; }
    // Called by every report() before the cancel check, on the work's thread: a service whose
    // work runs on the window's thread keeps the window alive from here.
    void setPump(std::function<void()> pump) { pump_ = std::move(pump); }

  private:
    friend class ProgressPart;
    friend void reportProgress(double fraction);

    Error cancelled_;
    std::function<void()> pump_;
    // The share of the operation's fraction that reportProgress() fills (ProgressPart).
    double partFrom_ = 0.0;
    double partTo_ = 1.0;
    std::atomic<double> fraction_{0.0};
    std::atomic<bool> cancel_{false};
};

// Where the work of an operation may run.
enum class WorkThread {
    Caller, // the calling thread (the work touches objects the window shows)
    Worker, // any thread: the work only reads shared objects and builds new ones
};

class ProgressService {
  public:
    virtual ~ProgressService() = default;

    // Runs `work` as the one host operation `title` ("Loading model.obj"). `cancelled` is the
    // error a cancel raises. Exceptions of the work (the cancel error too) reach the caller.
    void run(const std::string& title, Error cancelled, WorkThread thread,
             const std::function<void(ProgressReporter&)>& work);
    // Whether an operation is running.
    bool busy() const { return busy_.load(); }

  protected:
    // Runs `work(reporter)` to its end and rethrows what it threw. The base runs it on the
    // calling thread and shows nothing.
    virtual void execute(const std::string& title, ProgressReporter& reporter, WorkThread thread,
                         const std::function<void(ProgressReporter&)>& work);

  private:
    std::atomic<bool> busy_{false};
    std::mutex mutex_;
    std::string running_;
};

// The reporter of the operation whose work runs on this thread, or nullptr.
ProgressReporter* currentProgress();

// Reports `fraction` (0 to 1) of the innermost ProgressPart of the operation running on this
// thread (of the whole operation without a part) and throws its cancel error once a cancel was
// requested. Does nothing outside an operation, at the cost of one thread-local load, so loops
// may call it every few thousand items whether or not they run under the service.
void reportProgress(double fraction);

// While it lives, reportProgress(f) on this thread records from + f * (to - from) of the
// enclosing part (of the whole operation for the outermost part): the caller hands a step of
// its work the share [from, to]. Nothing outside an operation. Parts nest; each ends with its
// scope.
class ProgressPart {
  public:
    ProgressPart(double from, double to);
    ~ProgressPart();
    ProgressPart(const ProgressPart&) = delete;
    ProgressPart& operator=(const ProgressPart&) = delete;

  private:
    ProgressReporter* reporter_;
    double outerFrom_ = 0.0;
    double outerTo_ = 1.0;
};

// The process's service: a plain ProgressService until the host sets another (the window sets
// the dialog one). setProgressService returns the previous one; nullptr restores the plain one.
ProgressService& progressService();
std::shared_ptr<ProgressService> setProgressService(std::shared_ptr<ProgressService> service);

} // namespace brontle
