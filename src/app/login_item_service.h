#pragma once

namespace marlinet {

// Whether the application opens when the user logs in.
class LoginItemService {
 public:
  virtual ~LoginItemService() = default;
  virtual bool isEnabled() const = 0;
  // Both answer false when the system refused the change.
  virtual bool enable() = 0;
  virtual bool disable() = 0;
};

}  // namespace marlinet
