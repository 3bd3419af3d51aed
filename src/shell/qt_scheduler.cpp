#include "shell/qt_scheduler.h"

#include <QPointer>
#include <QTimer>
#include <cmath>

namespace marlinet::shell {
namespace {

int milliseconds(double seconds) { return static_cast<int>(std::lround(std::max(0.0, seconds) * 1000.0)); }

class QtRepeatingTimer final : public RepeatingTimer {
 public:
  explicit QtRepeatingTimer(QTimer* timer) : timer_(timer) {}
  void invalidate() override {
    if (timer_) timer_->deleteLater();
    timer_ = nullptr;
  }

 private:
  // Owned by the scheduler's context: the timer outlives this handle, as promised.
  QPointer<QTimer> timer_;
};

}  // namespace

void QtScheduler::schedule(double afterSeconds, std::function<void()> work) {
  // A timer even for "now" (Qt's static single shot posts an event instead):
  // the clipboard may run Qt's queued events without timers while a step is
  // under way, and no other step may run inside it. Precise: the expansion
  // steps are timed in tens of milliseconds.
  auto* timer = new QTimer(&context_);
  timer->setSingleShot(true);
  timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer, &QTimer::timeout, &context_, [timer, work = std::move(work)] {
    timer->deleteLater();
    work();
  });
  timer->start(milliseconds(afterSeconds));
}

std::unique_ptr<RepeatingTimer> QtScheduler::scheduleRepeating(double intervalSeconds, std::function<void()> tick) {
  auto* timer = new QTimer(&context_);
  timer->setInterval(milliseconds(intervalSeconds));
  QObject::connect(timer, &QTimer::timeout, &context_, std::move(tick));
  timer->start();
  return std::make_unique<QtRepeatingTimer>(timer);
}

}  // namespace marlinet::shell
