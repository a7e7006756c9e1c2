#include "core/MemoryBudget.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "core/Platform.h"

namespace pixmira {

TMemoryBudget::TReservation::~TReservation() {
  if (budget_) budget_->Release(bytes_);
}

TMemoryBudget::TReservation& TMemoryBudget::TReservation::operator=(TReservation&& other) noexcept {
  if (this != &other) {
    if (budget_) budget_->Release(bytes_);
    budget_ = other.budget_;
    bytes_ = other.bytes_;
    other.budget_ = nullptr;
  }
  return *this;
}

std::optional<TMemoryBudget::TReservation> TMemoryBudget::Reserve(uint64_t bytes) {
  if (bytes > limit_) return std::nullopt;
  std::unique_lock lock(mutex_);
  released_.wait(lock, [&] { return used_ + bytes <= limit_; });
  used_ += bytes;
  return TReservation(this, bytes);
}

uint64_t TMemoryBudget::InUse() const {
  std::lock_guard lock(mutex_);
  return used_;
}

void TMemoryBudget::Release(uint64_t bytes) {
  {
    std::lock_guard lock(mutex_);
    used_ -= bytes;
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

// The memory limit of this process's control group, v2 or v1, where one is set.
std::optional<uint64_t> ControlGroupLimit() {
  std::ifstream groups("/proc/self/cgroup");
  std::optional<uint64_t> limit;
  auto take = [&](std::optional<uint64_t> value) {
    // v1 reports "no limit" as a number near 2^63.
    if (value && *value > 0 && *value < (uint64_t(1) << 60)) {
      limit = limit ? std::min(*limit, *value) : *value;
    }
  };
  for (std::string line; std::getline(groups, line);) {
    const auto first = line.find(':');
    const auto second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const std::string path = line.substr(second + 1);
    if (controllers.empty()) {
      take(ReadNumber("/sys/fs/cgroup" + path + "/memory.max"));
      take(ReadNumber("/sys/fs/cgroup/memory.max"));
    } else if (controllers.find("memory") != std::string::npos) {
      take(ReadNumber("/sys/fs/cgroup/memory" + path + "/memory.limit_in_bytes"));
      take(ReadNumber("/sys/fs/cgroup/memory/memory.limit_in_bytes"));
    }
  }
  return limit;
}

}  // namespace

uint64_t DefaultMemoryBudget() {
  uint64_t total = platform::PhysicalMemory();
  if (total == 0) total = uint64_t(2) << 30;
  if (const auto group = ControlGroupLimit()) total = std::min(total, *group);
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
