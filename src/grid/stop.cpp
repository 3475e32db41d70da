#include "grid/stop.h"

namespace kestrel {

namespace {

// Lock-free, so that a signal handler may touch them.
std::atomic<bool> running{false};
std::atomic<bool> asked{false};
static_assert(std::atomic<bool>::is_always_lock_free);

}  // namespace

void BeginStoppableWork() {
  asked.store(false);
  running.store(true);
}

void EndStoppableWork() {
  running.store(false);
  asked.store(false);
}

bool StoppableWorkRunning() { return running.load(); }

bool RequestStop() {
  if (!running.load()) return false;
  asked.store(true);
  return true;
}

const std::atomic<bool>& StopFlag() { return asked; }

void ResetStopState() { EndStoppableWork(); }

}  // namespace kestrel
