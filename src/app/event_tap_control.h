#pragma once

#include "platform/tap_event_translation.h"

namespace marlinet {

// The system-wide keyboard tap as the application model drives it.
class EventTapControl {
 public:
  virtual ~EventTapControl() = default;
  // Every event the tap sees goes through `handler`, synchronously.
  virtual void setHandler(TapHandler handler) = 0;
  // Creates the tap and switches it on; false when the system refuses.
  virtual bool start() = 0;
  // Removes the tap; harmless when there is none.
  virtual void stop() = 0;
  // A tap exists and the system reports it enabled.
  virtual bool isRunning() const = 0;
};

}  // namespace marlinet
