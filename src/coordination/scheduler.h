#pragma once

#include <functional>
#include <memory>

namespace marlinet {

// A repeating timer. Destroying the handle does not stop the timer;
// `invalidate` does.
class RepeatingTimer {
 public:
  virtual ~RepeatingTimer() = default;
  virtual void invalidate() = 0;
};

// Runs work later on the main thread, the only thread the application uses.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // Runs `work` as a task of its own after `afterSeconds`; 0 means after the
  // current task has returned.
  virtual void schedule(double afterSeconds, std::function<void()> work) = 0;
  // Runs `tick` every `intervalSeconds` until the timer is invalidated.
  virtual std::unique_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds, std::function<void()> tick) = 0;
};

}  // namespace marlinet
