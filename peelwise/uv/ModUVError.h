#pragma once
// How the UV procedures report failures: every error they meet, whether raised by the host or
// by their own checks, reaches the caller as brontle::Error with its number and description
// unchanged and the source "modUV", so the general error handler names the module.

#include "brontle/core/Error.h"

#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace peelwise::modUV {

inline constexpr const char* kSource = "modUV";

// An error raised by this module's own checks.
inline brontle::Error modUVError(std::int32_t number, std::string description) {
    return brontle::Error(number, std::move(description), kSource);
}

// Runs `body`, re-raising what it throws with the source "modUV". Allocation failures become
// "out of memory" (7) and standard range failures "subscript out of range" (9), the numbers
// the error handler knows; anything else passes through untouched.
template <class Body> decltype(auto) asModUV(Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (const brontle::Error& e) {
        throw e.withSource(kSource);
    } catch (const std::bad_alloc&) {
        throw modUVError(brontle::ErrorNumber::OutOfMemory, "Out of memory");
    } catch (const std::length_error&) {
        throw modUVError(brontle::ErrorNumber::OutOfMemory, "Out of memory");
    } catch (const std::out_of_range& e) {
        throw modUVError(brontle::ErrorNumber::SubscriptOutOfRange, e.what());
    }
}

} // namespace peelwise::modUV
