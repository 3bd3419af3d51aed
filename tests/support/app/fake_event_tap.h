#pragma once

#include <functional>

#include "app/event_tap_control.h"
#include "support/app/call_log.h"

namespace marlinet::testing {

// A tap that runs once started, unless the test makes starting fail or
// switches it off behind the application's back.
class FakeEventTap final : public EventTapControl {
 public:
  explicit FakeEventTap(CallLog* log = nullptr) : log_(log) {}

  void setHandler(TapHandler newHandler) override { handler = std::move(newHandler); }
  bool start() override {
    note("tap.start");
    ++starts;
    running = startSucceeds;
    return running;
  }
  void stop() override {
    note("tap.stop");
    running = false;
  }
  bool isRunning() const override {
    note("tap.isRunning?");
    return running;
  }

  // What the system would hand the handler for one event.
  TapVerdict deliver(const TapEvent& event) const { return handler ? handler(event) : TapVerdict::pass; }

  TapHandler handler;
  bool running = false;
  bool startSucceeds = true;
  int starts = 0;

 private:
  void note(const char* entry) const {
    if (log_) log_->add(entry);
  }
  CallLog* log_;
};

}  // namespace marlinet::testing
