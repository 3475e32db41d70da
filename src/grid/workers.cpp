#include "grid/workers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kestrel {

int32_t gridThreadLimit = 0;

namespace {

// How long the calling thread waits for a task to end before it reports
// progress anyway: the user interface stays this responsive during long
// tasks.
constexpr std::chrono::milliseconds kProgressInterval{100};

}  // namespace

int32_t GridThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  int32_t threads = cores == 0 ? 1 : static_cast<int32_t>(std::min(cores, 1024u));
  if (gridThreadLimit > 0) threads = std::min(threads, gridThreadLimit);
  return threads;
}

void ResetGridThreads() { gridThreadLimit = 0; }

void RunTasks(int64_t count, int32_t threads, const std::function<bool(int32_t, int64_t)>& task,
              const std::function<void(int64_t)>& progress) {
  std::atomic<int64_t> next{0};
  std::atomic<bool> stop{false};
  auto begun = [&] { return std::min(next.load(), count); };

  // What the helpers tell the calling thread: a task ended, or a helper did.
  std::mutex lock;
  std::condition_variable changed;
  int64_t ended = 0;
  int32_t finished = 0;
  auto work = [&](int32_t worker) {
    while (!stop.load()) {
      const int64_t index = next.fetch_add(1);
      if (index >= count) break;
      if (!task(worker, index)) stop.store(true);
      {
        std::lock_guard<std::mutex> hold(lock);
        ++ended;
      }
      changed.notify_one();
    }
    {
      std::lock_guard<std::mutex> hold(lock);
      ++finished;
    }
    changed.notify_one();
  };

  std::vector<std::thread> helpers;
  const int64_t wanted = std::min<int64_t>(threads, count);
  // Joins the helpers however this function is left.
  struct Joiner {
    std::vector<std::thread>& helpers;
    std::atomic<bool>& stop;
    ~Joiner() {
      stop.store(true);
      for (std::thread& t : helpers) t.join();
    }
  } joiner{helpers, stop};
  helpers.reserve(static_cast<std::size_t>(std::max<int64_t>(wanted, 0)));
  for (int32_t w = 0; w < wanted; ++w) {
    try {
      helpers.emplace_back(work, w);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones there are do the work
    }
  }

  if (helpers.empty()) {
    // No thread could be started: the calling thread does every task,
    // reporting between them.
    while (!stop.load()) {
      const int64_t index = next.fetch_add(1);
      if (index >= count) break;
      if (!task(0, index)) stop.store(true);
      progress(begun());
    }
  } else {
    // The calling thread only reports: after every task that ends, and at
    // least every kProgressInterval while tasks run.
    const int32_t running = static_cast<int32_t>(helpers.size());
    progress(begun());
    std::unique_lock<std::mutex> hold(lock);
    int64_t seen = 0;
    while (finished < running) {
      changed.wait_for(hold, kProgressInterval, [&] { return ended != seen || finished == running; });
      seen = ended;
      hold.unlock();
      progress(begun());
      hold.lock();
    }
  }
  for (std::thread& t : helpers) t.join();
  helpers.clear();
  progress(begun());
}

}  // namespace kestrel
