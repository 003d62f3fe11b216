#pragma once
// The one error trap of the editor's event handlers, and the re-raise of the procedures below
// them.
//
// A handler is written as a sequence of small steps (callables without arguments). The runner
// runs them in order; when a step fails it hands the error to a reporter (by default
// GeneralErrorHandler(number, description, true)) and then, by its policy, either goes on with
// the next step (ContinueWithNextStep: the load handler, Unwrap, the chart and loop menu
// commands) or runs no further step (EndHandler: every other handler).
//
// What counts as a failure, and its number (the error handler's table):
//   brontle::Error                              its own number, description and source
//   std::bad_alloc                              7   out of memory
//   std::out_of_range                           9   subscript out of range
//   std::overflow_error                         6   overflow (checked results, CheckedArithmetic.h)
//   std::bad_cast (incl. bad_any_cast),
//   std::invalid_argument, bad_variant_access   13  type mismatch
//   std::bad_weak_ptr, std::bad_function_call   91  object not set
//   any other std::exception, or anything else  -1  (ErrorNumber::HostFailure) with its what()
// Division by zero has no C++ exception; CheckedArithmetic.h raises Error(11) for it.
//
// Not trapped: a plain std::logic_error (or a class derived from it other than the kinds above,
// such as std::length_error or std::domain_error and a test script that does not fit its prompt):
// it says the calling code broke a contract, no handler can go on from it, and hiding it in a
// message box would only hide the fault. It passes through the runner and the re-raise
// unchanged.

#include "brontle/core/Error.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

namespace peelwise {

enum class ErrorPolicy {
    ContinueWithNextStep, // report, then run the next step
    EndHandler,           // report, then run no further step
};

using Step = std::function<void()>;
using ErrorReporter = std::function<void(const brontle::Error&)>;

// The reporter of the editor's handlers: GeneralErrorHandler(number, description, true).
ErrorReporter generalErrorReporter();

// The exception `error` as the error the handler's table knows (see above); std::nullopt for
// the contract faults that are never trapped. `error` must not be null.
std::optional<brontle::Error> trappedError(const std::exception_ptr& error);

class StepRunner {
  public:
    explicit StepRunner(ErrorPolicy policy, ErrorReporter reporter = generalErrorReporter());

    // Runs `step` unless an earlier step ended the handler. Returns true when it ran to its end.
    // A failure is reported once; under EndHandler it also ends the handler. Contract faults
    // (see above) propagate to the caller.
    bool operator()(const Step& step);

    // The whole sequence, in order.
    void run(std::initializer_list<Step> steps);

    // True once a step failed under EndHandler: the remaining steps are skipped.
    bool ended() const { return ended_; }
    // How many steps failed (each was reported).
    int failures() const { return failures_; }
    // The last error reported, if any.
    const std::optional<brontle::Error>& lastError() const { return lastError_; }

  private:
    ErrorPolicy policy_;
    ErrorReporter reporter_;
    bool ended_ = false;
    int failures_ = 0;
    std::optional<brontle::Error> lastError_;
};

// Runs `steps` under `policy` with `reporter`; returns the number of failed steps.
int runSteps(ErrorPolicy policy, std::initializer_list<Step> steps,
             const ErrorReporter& reporter = generalErrorReporter());

// For the procedures that are not event handlers: called inside a catch block, raises the
// current exception again as brontle::Error with the same number and description and `source`
// as its source ("modUV", "modWarn", "frmMain"). Contract faults are raised again unchanged.
[[noreturn]] void rethrowAs(const std::string& source);

// Runs `body` and raises any error it throws again with `source` as the source (rethrowAs);
// returns what `body` returns.
template <class Body> decltype(auto) withSource(const std::string& source, Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        rethrowAs(source);
    }
}

} // namespace peelwise
