#pragma once

#include "app/alert_sound.h"
#include "app/login_item_service.h"

namespace marlinet::testing {

// A login item the system may refuse to change.
class FakeLoginItemService final : public LoginItemService {
 public:
  bool isEnabled() const override { return enabled; }
  bool enable() override {
    ++requests;
    if (refuses) return false;
    enabled = true;
    return true;
  }
  bool disable() override {
    ++requests;
    if (refuses) return false;
    enabled = false;
    return true;
  }

  bool enabled = false;
  bool refuses = false;
  int requests = 0;
};

class CountingAlertSound final : public AlertSound {
 public:
  void beep() override { ++beeps; }
  int beeps = 0;
};

}  // namespace marlinet::testing
