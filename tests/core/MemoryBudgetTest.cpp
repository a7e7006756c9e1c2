#include "core/MemoryBudget.h"

#include "core/Platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace pixmira {
namespace {

TEST(ParseMemorySize, TakesPowersOfTwoSuffixes) {
  const std::pair<const char*, std::optional<uint64_t>> cases[] = {
      {"4096", 4096},
      {"512K", 512u << 10},
      {"800m", uint64_t(800) << 20},
      {"1.5G", uint64_t(3) << 29},
      {"2GiB", uint64_t(2) << 30},
      {"2GB", uint64_t(2) << 30},
      {"1T", uint64_t(1) << 40},
      {"0", std::nullopt},
      {"", std::nullopt},
      {"G", std::nullopt},
      {"-1G", std::nullopt},
      {"1.2.3M", std::nullopt},
      {"12X", std::nullopt},
      {"lots", std::nullopt},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(ParseMemorySize(text), want) << text;
}

TEST(MemoryBudget, RefusesWhatCanNeverFitAndWaitsForWhatCanLater) {
  TMemoryBudget budget(100);
  EXPECT_FALSE(budget.Reserve(101).has_value());
  auto first = budget.Reserve(70);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(budget.InUse(), 70u);

  std::atomic<bool> got{false};
  std::thread waiter([&] {
    auto second = budget.Reserve(50);
    got = second.has_value();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(got);  // 70 + 50 does not fit
  first.reset();
  waiter.join();
  EXPECT_TRUE(got);
  EXPECT_EQ(budget.InUse(), 0u);

  // Moving a reservation keeps one count of it.
  auto third = budget.Reserve(100);
  std::optional<TMemoryBudget::TReservation> moved = std::move(third);
  third.reset();
  EXPECT_EQ(budget.InUse(), 100u);
  moved.reset();
  EXPECT_EQ(budget.InUse(), 0u);
}

TEST(MemoryBudget, DefaultIsHalfOfWhatTheProcessMayUse) {
  const uint64_t budget = DefaultMemoryBudget();
  const uint64_t physical = platform::PhysicalMemory();
  EXPECT_GE(budget, uint64_t(64) << 20);
  EXPECT_LE(budget, physical / 2);
}

}  // namespace
}  // namespace pixmira
