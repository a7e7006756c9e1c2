#pragma once
// Memory shared by the workers of a batch. Before decoding, a picture reserves what its header
// says it will take; it waits while the others hold too much, and is refused at once when it
// could never fit. Reservations are counted, not enforced: the caller sizes them.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace pixmira {

class TMemoryBudget {
 public:
  explicit TMemoryBudget(uint64_t limit) : limit_(limit) {}
  TMemoryBudget(const TMemoryBudget&) = delete;
  TMemoryBudget& operator=(const TMemoryBudget&) = delete;

  uint64_t Limit() const { return limit_; }

  // Bytes held until it is destroyed.
  class TReservation {
   public:
    TReservation(TReservation&& other) noexcept : budget_(other.budget_), bytes_(other.bytes_) {
      other.budget_ = nullptr;
    }
    TReservation& operator=(TReservation&& other) noexcept;
    ~TReservation();
    uint64_t Bytes() const { return bytes_; }

    // What stays of it (no more than it held) is kept until the end of a job, like the
    // pictures of an animation that wait for its last frame: no one waits for it to be
    // released.
    void Keep(uint64_t bytes);

   private:
    friend class TMemoryBudget;
    TReservation(TMemoryBudget* budget, uint64_t bytes) : budget_(budget), bytes_(bytes) {}
    TMemoryBudget* budget_;
    uint64_t bytes_;
    bool kept_ = false;
  };

  // Waits until bytes fit beside the other reservations; nothing, at once, when bytes exceed
  // the whole budget less what is kept.
  std::optional<TReservation> Reserve(uint64_t bytes);

  uint64_t InUse() const;
  // Bytes kept by TReservation::Keep.
  uint64_t Kept() const;

 private:
  void Release(uint64_t bytes, bool kept);

  const uint64_t limit_;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  uint64_t used_ = 0;
  uint64_t kept_ = 0;
};

// Half of the memory this process may use: the machine's memory, or less where a control
// group (its own or any ancestor's) or an address-space or data limit says so.
uint64_t DefaultMemoryBudget();

// The smallest memory limit of the control groups named in procCgroup (as /proc/self/cgroup)
// and their ancestors, read under sysRoot (as /sys/fs/cgroup): v2 memory.max, v1
// memory.limit_in_bytes and hierarchical_memory_limit. Nothing when none is set.
std::optional<uint64_t> ControlGroupLimit(const std::string& procCgroup,
                                          const std::string& sysRoot);

// "4096", "512K", "800M", "1.5G", "2GiB", "1T" (powers of 1024, letter case ignored); nothing
// for any other text or for zero.
std::optional<uint64_t> ParseMemorySize(std::string_view text);

}  // namespace pixmira
