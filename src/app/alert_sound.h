#pragma once

namespace marlinet {

// The system alert sound, for a user action that could not be carried out.
class AlertSound {
 public:
  virtual ~AlertSound() = default;
  virtual void beep() = 0;
};

}  // namespace marlinet
