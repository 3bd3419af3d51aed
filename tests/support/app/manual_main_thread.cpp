#include "support/app/manual_main_thread.h"

#include <utility>

namespace marlinet::testing {

class ManualMainThread::Timer final : public RepeatingTimer {
 public:
  explicit Timer(std::shared_ptr<TimerState> state) : state_(std::move(state)) {}
  void invalidate() override {
    state_->valid = false;
    state_->tick = nullptr;
  }
  bool isValid() const override { return state_->valid; }

 private:
  std::shared_ptr<TimerState> state_;
};

void ManualMainThread::post(std::function<void()> work) {
  if (log_) log_->add("post");
  posted_.push_back(std::move(work));
}

std::unique_ptr<RepeatingTimer> ManualMainThread::scheduleRepeating(double intervalSeconds,
                                                                    std::function<void()> tick) {
  if (log_) log_->add("timer.schedule");
  auto state = std::make_shared<TimerState>();
  state->interval = intervalSeconds;
  state->tick = std::move(tick);
  timers_.push_back(state);
  return std::make_unique<Timer>(std::move(state));
}

void ManualMainThread::runPosted() {
  while (!posted_.empty()) {
    auto work = std::move(posted_.front());
    posted_.erase(posted_.begin());
    work();
  }
}

void ManualMainThread::fireTimers(int times) {
  for (int round = 0; round < times; ++round) {
    const auto timers = timers_;
    for (const auto& timer : timers) {
      if (!timer->valid) continue;
      const auto tick = timer->tick;
      tick();
    }
  }
}

std::size_t ManualMainThread::validTimerCount() const {
  std::size_t count = 0;
  for (const auto& timer : timers_) count += timer->valid ? 1 : 0;
  return count;
}

std::vector<double> ManualMainThread::timerIntervals() const {
  std::vector<double> intervals;
  for (const auto& timer : timers_) intervals.push_back(timer->interval);
  return intervals;
}

}  // namespace marlinet::testing
