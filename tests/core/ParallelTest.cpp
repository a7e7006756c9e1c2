#include "core/Parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace pixmira {
namespace {

TEST(Parallel, EveryItemOnceOnTheThreadsAsked) {
  for (int workers : {0, 1, 2, 4, 16}) {
    for (std::size_t count : {0u, 1u, 3u, 100u}) {
      std::vector<std::atomic<int>> done(count);
      std::atomic<int> highestThread{0};
      ParallelFor(count, workers, [&](std::size_t i, int thread) {
        ++done[i];
        int seen = highestThread;
        while (thread > seen && !highestThread.compare_exchange_weak(seen, thread)) {
        }
      });
      for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(done[i], 1) << workers << "/" << i;
      EXPECT_LT(highestThread, std::max(workers, 1));
    }
  }
}

// The failure of the lowest index is raised, even when a later item failed first, and every
// item before it was done.
TEST(Parallel, TheFirstFailureInIndexOrderIsRaised) {
  for (int workers : {1, 2, 4}) {
    std::vector<std::atomic<int>> done(40);
    try {
      ParallelFor(done.size(), workers, [&](std::size_t i, int) {
        if (i == 9) {
          std::this_thread::sleep_for(std::chrono::milliseconds(30));
          throw std::runtime_error("nine");
        }
        if (i == 12) throw std::runtime_error("twelve");
        ++done[i];
      });
      ADD_FAILURE() << "nothing raised";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "nine") << workers;
    }
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(done[i], 1) << workers << "/" << i;
    for (std::size_t i = 13; i < done.size(); ++i) EXPECT_LE(done[i], 1);
  }
}

}  // namespace
}  // namespace pixmira
