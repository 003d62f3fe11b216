#include "peelwise/support/StepRunner.h"

#include "peelwise/support/GeneralErrorHandler.h"

#include <any>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <typeinfo>
#include <variant>

namespace peelwise {

namespace {

using brontle::Error;
namespace Number = brontle::ErrorNumber;

// Plain words for the mapped faults, so that a log line or a description-bearing message says
// what happened rather than a library's internal wording alone.
Error mapped(std::int32_t number, const char* what, const char* fallback) {
    std::string description = (what != nullptr && *what != '\0') ? what : fallback;
    return Error(number, std::move(description));
}

} // namespace

ErrorReporter generalErrorReporter() {
    return
        [](const Error& error) { GeneralErrorHandler(error.number(), error.description(), true); };
}

std::optional<Error> trappedError(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        // No words from the exception: the message is fixed for this number, and building a
        // long text is the last thing to do when memory has run out.
        return Error(Number::OutOfMemory, "Out of memory");
    } catch (const std::out_of_range& e) {
        return mapped(Number::SubscriptOutOfRange, e.what(), "Subscript out of range");
    } catch (const std::overflow_error& e) {
        return mapped(Number::Overflow, e.what(), "Overflow");
    } catch (const std::invalid_argument& e) {
        return mapped(Number::TypeMismatch, e.what(), "Type mismatch");
    } catch (const std::bad_cast& e) {
        return mapped(Number::TypeMismatch, e.what(), "Type mismatch");
    } catch (const std::bad_variant_access& e) {
        return mapped(Number::TypeMismatch, e.what(), "Type mismatch");
    } catch (const std::bad_weak_ptr& e) {
        return mapped(Number::ObjectNotSet, e.what(), "Object variable not set");
    } catch (const std::bad_function_call& e) {
        return mapped(Number::ObjectNotSet, e.what(), "Object variable not set");
    } catch (const std::logic_error&) {
        return std::nullopt; // a broken contract of the caller; see the header
    } catch (const std::exception& e) {
        return mapped(Number::HostFailure, e.what(), "Host failure");
    } catch (...) {
        return Error(Number::HostFailure, "An unknown failure");
    }
}

StepRunner::StepRunner(ErrorPolicy policy, ErrorReporter reporter)
    : policy_(policy), reporter_(std::move(reporter)) {}

bool StepRunner::operator()(const Step& step) {
    if (ended_) {
        return false;
    }
    std::exception_ptr failure;
    try {
        step();
        return true;
    } catch (...) {
        failure = std::current_exception();
    }
    std::optional<Error> error = trappedError(failure);
    if (!error) {
        std::rethrow_exception(failure);
    }
    ++failures_;
    lastError_ = *error;
    if (policy_ == ErrorPolicy::EndHandler) {
        ended_ = true; // set before reporting, so a reporter that throws still ends the handler
    }
    if (reporter_) {
        reporter_(*error);
    }
    return false;
}

void StepRunner::run(std::initializer_list<Step> steps) {
    for (const Step& step : steps) {
        (*this)(step);
    }
}

int runSteps(ErrorPolicy policy, std::initializer_list<Step> steps, const ErrorReporter& reporter) {
    StepRunner runner(policy, reporter);
    runner.run(steps);
    return runner.failures();
}

void rethrowAs(const std::string& source) {
    std::exception_ptr current = std::current_exception();
    if (!current) {
        throw Error(Number::HostFailure, "No error to raise again", source);
    }
    std::optional<Error> error = trappedError(current);
    if (!error) {
        std::rethrow_exception(current);
    }
    throw error->withSource(source);
}

} // namespace peelwise
