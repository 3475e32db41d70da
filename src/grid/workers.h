// The threads of step 1's long work. Every task writes its own results by
// index, so the results never depend on how many threads share the work;
// the calling thread only reports progress (the user interface is not to be
// touched from the others), so that it can answer the user even while a long
// task runs.
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
// `threads` threads (workers 0 .. threads - 1). The indices are handed out in
// ascending order. A task that returns false stops the handing out; the tasks
// already begun run to their end. Meanwhile the calling thread calls
// progress(begun), with the number of indices handed out so far, after tasks
// end and at least every tenth of a second, and once at the end. (When no
// thread can be started it runs the tasks itself as worker 0, reporting
// between them.) Returns when every task begun has finished. Tasks must not
// throw.
void RunTasks(int64_t count, int32_t threads, const std::function<bool(int32_t worker, int64_t index)>& task,
              const std::function<void(int64_t begun)>& progress);

// Puts gridThreadLimit back to its start-up value.
void ResetGridThreads();

}  // namespace kestrel
