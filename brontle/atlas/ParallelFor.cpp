#include "brontle/atlas/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace brontle::atlas {

int resolveThreadCount(int requested) {
    if (requested > 0) {
        return requested;
    }
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void parallelFor(int count, int threads, const std::function<void(int, int)>& body) {
    const int workers = std::max(1, std::min(threads, count));
    if (workers <= 1) {
        for (int i = 0; i < count; ++i) {
            body(i, 0);
        }
        return;
    }
    std::atomic<int> nextItem{0};
    std::atomic<bool> failed{false};
    std::exception_ptr firstError;
    std::mutex errorMutex;
    auto run = [&](int worker) {
        for (;;) {
            const int item = nextItem.fetch_add(1);
            if (item >= count || failed.load()) {
                return;
            }
            try {
                body(item, worker);
            } catch (...) {
                const std::lock_guard lock(errorMutex);
                if (!firstError) {
                    firstError = std::current_exception();
                }
                failed.store(true);
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(workers - 1);
    for (int w = 1; w < workers; ++w) {
        pool.emplace_back(run, w);
    }
    run(0);
    for (std::thread& t : pool) {
        t.join();
    }
    if (firstError) {
        std::rethrow_exception(firstError);
    }
}

} // namespace brontle::atlas
