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
    Error cancelled_;
    std::function<void()> pump_;
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

// The process's service: a plain ProgressService until the host sets another (the window sets
// the dialog one). setProgressService returns the previous one; nullptr restores the plain one.
ProgressService& progressService();
std::shared_ptr<ProgressService> setProgressService(std::shared_ptr<ProgressService> service);

} // namespace brontle
