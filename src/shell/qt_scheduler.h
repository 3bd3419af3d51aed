#pragma once

#include <QObject>

#include "coordination/scheduler.h"

namespace marlinet::shell {

// The scheduler on Qt's event loop: every task runs on the thread that owns
// `context`, and nothing runs once `context` is gone.
class QtScheduler final : public Scheduler {
 public:
  explicit QtScheduler(QObject& context) : context_(context) {}
  void schedule(double afterSeconds, std::function<void()> work) override;
  std::unique_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds, std::function<void()> tick) override;

 private:
  QObject& context_;
};

}  // namespace marlinet::shell
