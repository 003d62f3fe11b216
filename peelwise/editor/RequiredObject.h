#pragma once
// A host object or control that a step needs: an empty reference is the error "object variable
// not set" (91) naming what was missing, never a crash, so the step runner reports it and the
// handler goes on or ends by its policy.

#include "brontle/core/Error.h"

#include <memory>
#include <string>

namespace peelwise {

template <class T> T& required(const std::shared_ptr<T>& object, const char* what) {
    if (!object) {
        throw brontle::Error(brontle::ErrorNumber::ObjectNotSet,
                             std::string("Object variable not set (") + what + ")");
    }
    return *object;
}

template <class T> T& required(T* object, const char* what) {
    if (object == nullptr) {
        throw brontle::Error(brontle::ErrorNumber::ObjectNotSet,
                             std::string("Object variable not set (") + what + ")");
    }
    return *object;
}

} // namespace peelwise
