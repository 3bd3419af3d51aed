#pragma once

#include <QObject>
#include <deque>

#include "coordination/scheduler.h"

namespace marlinet::shell {

// The scheduler on Qt's event loop: every task runs on the thread that owns
// `context`, and nothing runs once `context` is gone.
class QtScheduler final : public Scheduler {
 public:
  explicit QtScheduler(QObject& context) : context_(context) {}
  void schedule(double afterSeconds, std::function<void()> work) override;
  std::unique_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds, std::function<void()> tick) override;

  // Runs the work due now, in order, including what it schedules for now.
  // A posted call does this; so does whoever has just handled the keyboard,
  // so that an expansion never waits for a turn of the event loop (in which
  // Qt may be rebuilding its keymap: about 2 ms at each switch between the
  // physical keyboard and our synthetic keys).
  void runDueNow();

  // While one exists, code that runs Qt's queued events from inside a task
  // does not run any other task of ours in the middle of it.
  class NestedLoop {
   public:
    NestedLoop() { ++depth; }
    ~NestedLoop() { --depth; }
    NestedLoop(const NestedLoop&) = delete;
    NestedLoop& operator=(const NestedLoop&) = delete;
    static inline int depth = 0;
  };

 private:
  QObject& context_;
  // Work for "now", run in order by one posted call: a 0 ms timer waits a
  // turn of the event loop (measured: about 2 ms) before it fires.
  std::deque<std::function<void()>> now_;
  bool runPosted_ = false;
};

}  // namespace marlinet::shell
