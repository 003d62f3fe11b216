#pragma once
// A fork-join loop over independent work items on plain std::threads.

#include <functional>

namespace brontle::atlas {

// The number of worker threads for Options::threads: `requested` when positive, otherwise one
// per hardware core (at least 1).
int resolveThreadCount(int requested);

// Calls body(item, worker) once for every item in [0, count), on up to `threads` threads
// (worker in [0, threads)). Items are handed out dynamically, so the body must write only to
// per-item or per-worker storage; results then do not depend on scheduling. The first exception
// thrown by a body is rethrown on the calling thread after all workers stop.
void parallelFor(int count, int threads, const std::function<void(int item, int worker)>& body);

} // namespace brontle::atlas
