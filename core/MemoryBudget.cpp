#include "core/MemoryBudget.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "core/Platform.h"

namespace pixmira {

TMemoryBudget::TReservation::~TReservation() {
  if (budget_) budget_->Release(bytes_, kept_);
}

TMemoryBudget::TReservation& TMemoryBudget::TReservation::operator=(TReservation&& other) noexcept {
  if (this != &other) {
    if (budget_) budget_->Release(bytes_, kept_);
    budget_ = other.budget_;
    bytes_ = other.bytes_;
    kept_ = other.kept_;
    other.budget_ = nullptr;
  }
  return *this;
}

void TMemoryBudget::TReservation::Keep(uint64_t bytes) {
  if (!budget_ || kept_) return;
  bytes = std::min(bytes, bytes_);
  {
    std::lock_guard lock(budget_->mutex_);
    budget_->used_ -= bytes_ - bytes;
    budget_->kept_ += bytes;
  }
  bytes_ = bytes;
  kept_ = true;
  // Waiters may fit now, or know that they never will.
  budget_->released_.notify_all();
}

std::optional<TMemoryBudget::TReservation> TMemoryBudget::Reserve(uint64_t bytes) {
  std::unique_lock lock(mutex_);
  // What is kept is never released during the job: waiting for it would be for ever.
  auto never = [&] { return bytes > limit_ - kept_; };
  released_.wait(lock, [&] { return never() || used_ + bytes <= limit_; });
  if (never()) return std::nullopt;
  used_ += bytes;
  return TReservation(this, bytes);
}

uint64_t TMemoryBudget::InUse() const {
  std::lock_guard lock(mutex_);
  return used_;
}

uint64_t TMemoryBudget::Kept() const {
  std::lock_guard lock(mutex_);
  return kept_;
}

void TMemoryBudget::Release(uint64_t bytes, bool kept) {
  {
    std::lock_guard lock(mutex_);
    used_ -= bytes;
    if (kept) kept_ -= bytes;
  }
  released_.notify_all();
}

namespace {

std::optional<uint64_t> ReadNumber(const std::string& path) {
  std::ifstream in(path);
  std::string text;
  if (!(in >> text) || text == "max") return std::nullopt;
  try {
    return std::stoull(text);
  } catch (...) {
    return std::nullopt;
  }
}

// "hierarchical_memory_limit N" of a v1 memory.stat: the smallest limit of the group and
// its ancestors.
std::optional<uint64_t> ReadHierarchicalLimit(const std::string& statPath) {
  std::ifstream in(statPath);
  std::string key;
  uint64_t value = 0;
  while (in >> key >> value) {
    if (key == "hierarchical_memory_limit") return value;
  }
  return std::nullopt;
}

std::string ParentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

}  // namespace

std::optional<uint64_t> ControlGroupLimit(const std::string& procCgroup,
                                          const std::string& sysRoot) {
  std::ifstream groups(procCgroup);
  std::optional<uint64_t> limit;
  auto take = [&](std::optional<uint64_t> value) {
    // v1 reports "no limit" as a number near 2^63.
    if (value && *value > 0 && *value < (uint64_t(1) << 60)) {
      limit = limit ? std::min(*limit, *value) : *value;
    }
  };
  // Every group from ours up to the root: a parent's limit binds its children as well. Inside
  // a container the path may name a group of the host that is not mounted here; the mounted
  // root is then the container's own group.
  auto walk = [&](const std::string& mount, std::string path, const char* file) {
    while (!path.empty() && path != "/") {
      take(ReadNumber(mount + path + "/" + file));
      path = ParentOf(path);
    }
    take(ReadNumber(mount + "/" + file));
  };
  for (std::string line; std::getline(groups, line);) {
    const auto first = line.find(':');
    const auto second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    std::string path = line.substr(second + 1);
    if (!path.empty() && path.back() == '/') path.pop_back();
    if (controllers.empty()) {
      walk(sysRoot, path, "memory.max");
    } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
      const std::string mount = sysRoot + "/memory";
      walk(mount, path, "memory.limit_in_bytes");
      take(ReadHierarchicalLimit(mount + path + "/memory.stat"));
      take(ReadHierarchicalLimit(mount + "/memory.stat"));
    }
  }
  return limit;
}

uint64_t DefaultMemoryBudget() {
  uint64_t total = platform::PhysicalMemory();
  if (total == 0) total = uint64_t(2) << 30;
  if (const auto group = ControlGroupLimit("/proc/self/cgroup", "/sys/fs/cgroup"))
    total = std::min(total, *group);
  if (const auto limit = platform::ProcessMemoryLimit()) total = std::min(total, *limit);
  return std::max<uint64_t>(total / 2, uint64_t(64) << 20);
}

std::optional<uint64_t> ParseMemorySize(std::string_view text) {
  std::string s(text);
  std::size_t digits = 0;
  while (digits < s.size() && ((s[digits] >= '0' && s[digits] <= '9') || s[digits] == '.')) {
    ++digits;
  }
  if (digits == 0 || std::count(s.begin(), s.begin() + digits, '.') > 1 || s[0] == '.') {
    return std::nullopt;
  }
  std::string unit = s.substr(digits);
  for (char& c : unit) c = char(c >= 'a' && c <= 'z' ? c - 32 : c);
  if (unit.ends_with("IB"))
    unit.resize(unit.size() - 2);
  else if (unit.size() == 2 && unit.back() == 'B')
    unit.pop_back();
  else if (unit == "B")
    unit.clear();
  int shift;
  if (unit.empty())
    shift = 0;
  else if (unit == "K")
    shift = 10;
  else if (unit == "M")
    shift = 20;
  else if (unit == "G")
    shift = 30;
  else if (unit == "T")
    shift = 40;
  else
    return std::nullopt;
  const double value = std::strtod(s.substr(0, digits).c_str(), nullptr) * std::ldexp(1.0, shift);
  if (!(value >= 1) || value > 1.8e19) return std::nullopt;
  return uint64_t(value);
}

}  // namespace pixmira
