#pragma once

#include <functional>
#include <string>

#include "app/change_publisher.h"

namespace marlinet {

// The desktop around the application: links it can open, and the two
// activation changes it follows. Notifications arrive on the main thread.
class Workspace {
 public:
  virtual ~Workspace() = default;
  virtual void openURL(const std::string& url) = 0;
  // This application came to the front.
  [[nodiscard]] virtual Subscription observeApplicationBecameActive(std::function<void()> observer) = 0;
  // Another application came to the front.
  [[nodiscard]] virtual Subscription observeOtherApplicationActivated(std::function<void()> observer) = 0;
};

}  // namespace marlinet
