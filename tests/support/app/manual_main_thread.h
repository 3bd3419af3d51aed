#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_thread.h"
#include "support/app/call_log.h"

namespace marlinet::testing {

// Posted tasks and timer firings happen only when the test says so.
class ManualMainThread final : public MainThread {
 public:
  explicit ManualMainThread(CallLog* log = nullptr) : log_(log) {}

  void post(std::function<void()> work) override;
  std::unique_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds, std::function<void()> tick) override;

  // Runs the posted tasks in order, including those posted while running.
  void runPosted();
  // Fires every valid timer once, `times` times over.
  void fireTimers(int times = 1);

  std::size_t postedCount() const { return posted_.size(); }
  std::size_t validTimerCount() const;
  std::size_t timersScheduled() const { return timers_.size(); }
  // The interval of every timer ever scheduled, in order.
  std::vector<double> timerIntervals() const;

 private:
  struct TimerState {
    double interval = 0;
    std::function<void()> tick;
    bool valid = true;
  };
  class Timer;

  CallLog* log_;
  std::vector<std::function<void()>> posted_;
  std::vector<std::shared_ptr<TimerState>> timers_;
};

}  // namespace marlinet::testing
