#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "coordination/scheduler.h"

namespace marlinet::simulation {

using VirtualTime = std::chrono::steady_clock::time_point;

// Seconds as a span of the virtual clock; a negative span counts as none.
VirtualTime::duration toDuration(double seconds);

// Work that falls due on the virtual clock, run in due order (ties in the
// order scheduled) when the desktop lets time pass. A binary heap keyed by
// (due, sequence), so each step costs the logarithm of what is pending, not
// a scan of it.
class VirtualScheduler final : public Scheduler {
 public:
  explicit VirtualScheduler(const VirtualTime& now) : now_(now) {}
  void schedule(double afterSeconds, std::function<void()> work) override;
  // Each firing schedules the next one interval later, while the timer is valid.
  std::unique_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds, std::function<void()> tick) override;

  // The earliest work due at or before `limit`, removed from the queue.
  std::optional<std::pair<VirtualTime, std::function<void()>>> takeDue(VirtualTime limit);
  std::optional<VirtualTime> nextDue() const;
  std::size_t pendingCount() const { return heap_.size(); }

 private:
  struct Item {
    VirtualTime due;
    std::uint64_t sequence;
    std::function<void()> work;
  };
  struct Repeating;
  class Timer;
  void arm(const std::shared_ptr<Repeating>& repeating);
  // Orders the heap so that its front is the earliest (due, sequence).
  static bool later(const Item& a, const Item& b);

  const VirtualTime& now_;
  std::vector<Item> heap_;
  std::uint64_t sequence_ = 0;
};

}  // namespace marlinet::simulation
