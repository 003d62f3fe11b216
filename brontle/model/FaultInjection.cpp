#include "brontle/model/FaultInjection.h"

#include "brontle/core/Error.h"

#include <cstring>
#include <mutex>
#include <stdexcept>

namespace brontle {

namespace fault_detail {

std::atomic<bool> active{false};

namespace {

struct State {
    std::mutex mutex;
    bool armed = false;
    std::string operation; // "any" matches every operation
    std::int64_t remaining = 0;
    bool fired = false;
    std::string firedOperation;
    bool recording = false;
    std::vector<std::string> calls;
    int suspended = 0;
};

State& state() {
    static State s;
    return s;
}

// Called with the mutex held.
void updateActive(const State& s) {
    active.store(s.armed || s.recording, std::memory_order_relaxed);
}

// "Shape::AppendShape" -> "Shape"; a name without a class part is its own source.
std::string sourceOf(const char* operation) {
    const char* colon = std::strstr(operation, "::");
    return colon == nullptr ? std::string(operation) : std::string(operation, colon);
}

} // namespace

void hit(const char* operation) {
    State& s = state();
    bool fail = false;
    {
        std::lock_guard lock(s.mutex);
        if (s.suspended > 0) {
            return;
        }
        if (s.recording) {
            s.calls.emplace_back(operation);
        }
        if (s.armed && (s.operation == FaultInjection::kAnyOperation || s.operation == operation)) {
            if (--s.remaining == 0) {
                fail = true;
                s.armed = false;
                s.fired = true;
                s.firedOperation = operation;
                updateActive(s);
            }
        }
    }
    if (fail) {
        throw Error(ErrorNumber::HostInjectedFault, std::string(operation) + ": injected fault",
                    sourceOf(operation));
    }
}

} // namespace fault_detail

namespace FaultInjection {

using fault_detail::state;

void arm(const std::string& operation, std::int64_t n) {
    if (operation.empty() || n < 1) {
        throw std::invalid_argument("FaultInjection::arm needs an operation name and n >= 1");
    }
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.armed = true;
    s.operation = operation;
    s.remaining = n;
    s.fired = false;
    s.firedOperation.clear();
    fault_detail::updateActive(s);
}

void disarm() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.armed = false;
    fault_detail::updateActive(s);
}

bool fired() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.fired;
}

std::string firedOperation() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.firedOperation;
}

void startRecording() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.recording = true;
    s.calls.clear();
    fault_detail::updateActive(s);
}

std::vector<std::string> stopRecording() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.recording = false;
    fault_detail::updateActive(s);
    return std::move(s.calls);
}

std::vector<std::string> recorded() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.calls;
}

Suspended::Suspended() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    ++s.suspended;
}

Suspended::~Suspended() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    --s.suspended;
}

void reset() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.armed = false;
    s.recording = false;
    s.calls.clear();
    fault_detail::updateActive(s);
}

} // namespace FaultInjection

} // namespace brontle
