#include "shell/qt_scheduler.h"

#include <QPointer>
#include <QTimer>
#include <cmath>

namespace marlinet::shell {
namespace {

constexpr int maxRunAtOnce = 1000;

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
  const int delay = milliseconds(afterSeconds);
  if (delay == 0) {
    now_.push_back(std::move(work));
    if (!runPosted_) {
      runPosted_ = true;
      QMetaObject::invokeMethod(&context_, [this] { runDueNow(); }, Qt::QueuedConnection);
    }
    return;
  }
  // Precise: the expansion steps are timed in tens of milliseconds.
  auto* timer = new QTimer(&context_);
  timer->setSingleShot(true);
  timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer, &QTimer::timeout, &context_, [timer, work = std::move(work)] {
    timer->deleteLater();
    work();
  });
  timer->start(delay);
}

void QtScheduler::runDueNow() {
  if (NestedLoop::depth > 0) {
    // Inside another task: come back on a timer, which that loop does not run.
    if (!now_.empty()) QTimer::singleShot(1, Qt::PreciseTimer, &context_, [this] { runDueNow(); });
    return;
  }
  runPosted_ = false;
  // A bound, so that work rescheduling itself forever cannot starve the loop.
  for (int ran = 0; !now_.empty(); ++ran) {
    if (ran == maxRunAtOnce) {
      schedule(0, [] {});  // posts a call for the rest
      return;
    }
    std::function<void()> work = std::move(now_.front());
    now_.pop_front();
    work();
  }
}

std::unique_ptr<RepeatingTimer> QtScheduler::scheduleRepeating(double intervalSeconds, std::function<void()> tick) {
  auto* timer = new QTimer(&context_);
  timer->setInterval(milliseconds(intervalSeconds));
  QObject::connect(timer, &QTimer::timeout, &context_, std::move(tick));
  timer->start();
  return std::make_unique<QtRepeatingTimer>(timer);
}

}  // namespace marlinet::shell
