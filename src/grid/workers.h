// The threads of step 1's long work. Every task writes its own results by
// index, so the results never depend on how many threads share the work;
// the calling thread takes part and is the only one that reports progress
// (the user interface is not to be touched from the others).
#pragma once

#include <cstdint>
#include <functional>

namespace kestrel {

// At most this many threads (0: one per processor core, the default). Tests
// change it to show that the results do not depend on it.
extern int32_t gridThreadLimit;

// The number of threads to use now: at least 1.
int32_t GridThreads();

// Runs task(worker, index) for every index from 0 to count - 1 on up to
// `threads` threads, the calling thread being worker 0. The indices are
// handed out in ascending order. A task that returns false stops the handing
// out; the tasks already begun run to their end. Between two of its own
// tasks, and once at the end, the calling thread calls progress(begun) with
// the number of indices handed out so far. Returns when every task begun has
// finished. Tasks must not throw.
void RunTasks(int64_t count, int32_t threads, const std::function<bool(int32_t worker, int64_t index)>& task,
              const std::function<void(int64_t begun)>& progress);

// Puts gridThreadLimit back to its start-up value.
void ResetGridThreads();

}  // namespace kestrel
