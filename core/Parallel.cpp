#include "core/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace pixmira {

void ParallelFor(std::size_t count, int workers,
                 const std::function<void(std::size_t index, int thread)>& body) {
  std::atomic<std::size_t> next{0};
  // Items from `end` on are not handed out any more: the lowest failing index so far.
  std::atomic<std::size_t> end{count};
  std::mutex mutex;
  std::exception_ptr error;
  std::size_t errorIndex = count;
  auto loop = [&](int thread) {
    for (std::size_t i; (i = next++) < end.load();) {
      try {
        body(i, thread);
      } catch (...) {
        std::lock_guard lock(mutex);
        if (i < errorIndex) {
          errorIndex = i;
          error = std::current_exception();
          end = i;
        }
        return;
      }
    }
  };
  const int threads = static_cast<int>(std::min<std::size_t>(std::max(workers, 1), count));
  std::vector<std::thread> started;
  for (int t = 1; t < threads; ++t) {
    try {
      started.emplace_back(loop, t);
    } catch (const std::system_error&) {
      break;
    }
  }
  loop(0);
  for (std::thread& t : started) t.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace pixmira
