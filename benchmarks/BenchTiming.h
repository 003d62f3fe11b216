#pragma once
// Median wall-clock time of repeated runs, for ratios measured within one benchmark run.

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

template <class F> double medianMilliseconds(int repeats, F&& run) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(repeats));
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

} // namespace bench
