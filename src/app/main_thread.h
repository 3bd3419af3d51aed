#pragma once

#include <functional>
#include <memory>

namespace marlinet {

// A repeating timer on the main thread. Destroying the handle does not stop
// the timer; `invalidate` does.
class RepeatingTimer {
 public:
  virtual ~RepeatingTimer() = default;
  virtual void invalidate() = 0;
  virtual bool isValid() const = 0;
};

// The main thread's run loop, the only thread the application uses.
class MainThread {
 public:
  virtual ~MainThread() = default;
  // Runs `work` as a task of its own after the current one has returned.
  virtual void post(std::function<void()> work) = 0;
  // Runs `tick` every `intervalSeconds` until the timer is invalidated.
  virtual std::unique_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds, std::function<void()> tick) = 0;
};

}  // namespace marlinet
