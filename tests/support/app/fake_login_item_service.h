#pragma once

#include "app/alert_sound.h"
#include "app/login_item_service.h"

namespace marlinet::testing {

// A login item the system may refuse to change.
class FakeLoginItemService final : public LoginItemService {
 public:
  bool isEnabled() const override { return enabled; }
  bool enable() override { return set(true); }
  bool disable() override { return set(false); }
  bool set(bool on) {
    if (!refuses) enabled = on;
    return !refuses;
  }

  bool enabled = false;
  bool refuses = false;
};

class CountingAlertSound final : public AlertSound {
 public:
  void beep() override { ++beeps; }
  int beeps = 0;
};

}  // namespace marlinet::testing
