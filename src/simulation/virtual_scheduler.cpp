#include "simulation/virtual_scheduler.h"

#include <algorithm>

namespace marlinet::simulation {

VirtualTime::duration toDuration(double seconds) {
  return std::chrono::round<VirtualTime::duration>(std::chrono::duration<double>(std::max(0.0, seconds)));
}

bool VirtualScheduler::later(const Item& a, const Item& b) {
  return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
}

void VirtualScheduler::schedule(double afterSeconds, std::function<void()> work) {
  heap_.push_back(Item{now_ + toDuration(afterSeconds), sequence_++, std::move(work)});
  std::push_heap(heap_.begin(), heap_.end(), later);
}

struct VirtualScheduler::Repeating {
  double interval;
  std::function<void()> tick;
  bool valid = true;
};

class VirtualScheduler::Timer final : public RepeatingTimer {
 public:
  explicit Timer(std::shared_ptr<Repeating> repeating) : repeating_(std::move(repeating)) {}
  void invalidate() override {
    repeating_->valid = false;
    repeating_->tick = nullptr;  // lets go of whatever the tick holds
  }

 private:
  std::shared_ptr<Repeating> repeating_;
};

std::unique_ptr<RepeatingTimer> VirtualScheduler::scheduleRepeating(double intervalSeconds,
                                                                   std::function<void()> tick) {
  auto repeating = std::make_shared<Repeating>(Repeating{intervalSeconds, std::move(tick)});
  arm(repeating);
  return std::make_unique<Timer>(std::move(repeating));
}

void VirtualScheduler::arm(const std::shared_ptr<Repeating>& repeating) {
  schedule(repeating->interval, [this, repeating] {
    if (!repeating->valid) return;
    const auto tick = repeating->tick;  // the tick may invalidate its own timer
    tick();
    if (repeating->valid) arm(repeating);
  });
}

std::optional<VirtualTime> VirtualScheduler::nextDue() const {
  if (heap_.empty()) return std::nullopt;
  return heap_.front().due;
}

std::optional<std::pair<VirtualTime, std::function<void()>>> VirtualScheduler::takeDue(VirtualTime limit) {
  if (heap_.empty() || heap_.front().due > limit) return std::nullopt;
  std::pop_heap(heap_.begin(), heap_.end(), later);
  auto taken = std::make_pair(heap_.back().due, std::move(heap_.back().work));
  heap_.pop_back();
  return taken;
}

}  // namespace marlinet::simulation
