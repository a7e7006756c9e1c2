#include "core/MemoryBudget.h"

#include "core/Platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TestSupport.h"

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

// A container's own group may be unlimited while a parent is not: the parent's limit is the
// one that kills.
TEST(ControlGroupLimit, TakesTheSmallestLimitOfTheGroupAndItsAncestors) {
  test::TempDir dir;
  namespace fs = std::filesystem;
  auto put = [&](const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(dir.File(path)).parent_path());
    test::WriteFile(dir.File(path), text);
  };
  const uint64_t mb = 1 << 20;
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;
    std::string proc;
    std::optional<uint64_t> want;
  } cases[] = {
      {"v2 parent",
       {{"sys/a/memory.max", "314572800\n"}, {"sys/a/b/memory.max", "max\n"}},
       "0::/a/b\n",
       300 * mb},
      {"v2 own below parent",
       {{"sys/a/memory.max", "314572800\n"}, {"sys/a/b/memory.max", "104857600\n"}},
       "0::/a/b\n",
       100 * mb},
      {"v2 none", {{"sys/a/b/memory.max", "max\n"}}, "0::/a/b\n", std::nullopt},
      {"v1 hierarchical",
       {{"sys/memory/a/b/memory.limit_in_bytes", "9223372036854771712\n"},
        {"sys/memory/a/b/memory.stat", "cache 0\nhierarchical_memory_limit 209715200\n"}},
       "4:memory:/a/b\n2:cpu,cpuacct:/\n",
       200 * mb},
      {"v1 ancestor",
       {{"sys/memory/a/memory.limit_in_bytes", "157286400\n"},
        {"sys/memory/a/b/memory.limit_in_bytes", "9223372036854771712\n"}},
       "5:cpuset,memory:/a/b\n",
       150 * mb},
      // The host's path of a container's group is not mounted inside: the root is its own.
      {"v1 namespaced",
       {{"sys/memory/memory.stat", "hierarchical_memory_limit 262144000\n"}},
       "4:memory:/docker/abc\n",
       250 * mb},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir.File("sys"));
    for (const auto& [path, text] : c.files) put(path, text);
    put("cgroup", c.proc);
    EXPECT_EQ(ControlGroupLimit(dir.File("cgroup"), dir.File("sys")), c.want) << c.name;
  }
}

}  // namespace
}  // namespace pixmira
