#include "grid/workers.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace kestrel {

int32_t gridThreadLimit = 0;

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
  auto work = [&](int32_t worker) {
    while (!stop.load()) {
      const int64_t index = next.fetch_add(1);
      if (index >= count) break;
      if (!task(worker, index)) stop.store(true);
      if (worker == 0) progress(begun());
    }
  };

  std::vector<std::thread> helpers;
  const int64_t wanted = std::min<int64_t>(threads, count) - 1;
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
  for (int32_t w = 1; w <= wanted; ++w) {
    try {
      helpers.emplace_back(work, w);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones there are do the work
    }
  }
  work(0);
  for (std::thread& t : helpers) t.join();
  helpers.clear();
  progress(begun());
}

}  // namespace kestrel
