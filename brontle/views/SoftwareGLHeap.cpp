#include "brontle/views/SoftwareGLHeap.h"

#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace brontle {

void keepFreedHeapForSoftwareGL(const char* renderer) {
    if (renderer == nullptr || (std::strstr(renderer, "llvmpipe") == nullptr &&
                                std::strstr(renderer, "softpipe") == nullptr)) {
        return;
    }
#if defined(__GLIBC__)
    static const bool done = [] {
        // 64 MB holds the binned frame of a 200,000-wire layout with room to spare.
        return mallopt(M_TRIM_THRESHOLD, 64 << 20) == 1;
    }();
    (void)done;
#endif
}

} // namespace brontle
