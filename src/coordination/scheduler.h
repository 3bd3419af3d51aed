#pragma once

#include <functional>

namespace marlinet {

// Runs work on the main thread later; a delay of 0 means the next turn.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  virtual void schedule(double afterSeconds, std::function<void()> work) = 0;
};

}  // namespace marlinet
