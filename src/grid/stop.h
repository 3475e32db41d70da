// Stopping the long work of step 1 when the user asks for it: Escape in the
// window, Ctrl+C (or a termination signal) in kestrel-grid. The request is a
// flag that the front ends raise, a signal handler included, and that the
// workers read between nodes and between the elimination steps of the
// boundary systems.
#pragma once

#include <atomic>

namespace kestrel {

// The code of a step-1 failure that is the user's stop, not a fault.
constexpr int kStoppedByUser = -1;

// The long work begins (an old request is forgotten) or ends.
void BeginStoppableWork();
void EndStoppableWork();

// Whether the long work of step 1 is running at this moment.
bool StoppableWorkRunning();

// Asks the running work to stop. Returns false, asking nothing, when no work
// is running. Safe to call from a signal handler.
bool RequestStop();

// The flag the workers read; it is raised once a stop has been asked.
const std::atomic<bool>& StopFlag();

// Whether a stop has been asked: one relaxed load.
inline bool StopRequested() { return StopFlag().load(std::memory_order_relaxed); }

// Back to start-up: no work running, no request.
void ResetStopState();

// Marks the long work as running for as long as it lives.
struct StoppableWork {
  StoppableWork() { BeginStoppableWork(); }
  ~StoppableWork() { EndStoppableWork(); }
  StoppableWork(const StoppableWork&) = delete;
  StoppableWork& operator=(const StoppableWork&) = delete;
};

}  // namespace kestrel
