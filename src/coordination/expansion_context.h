#pragma once

#include <optional>
#include <string>

#include "platform/input_source_info.h"

namespace marlinet {

// What the coordinator asks the system for every key-down it judges. The
// answers may come from state the desktop layer keeps current from the
// system's own notifications (focus, grab and input-method changes) rather
// than from a round trip per key: reads must be cheap and must never block.
class ExpansionContext {
 public:
  virtual ~ExpansionContext() = default;
  virtual std::optional<std::string> frontmostBundleID() const = 0;
  virtual bool isSecureInputEnabled() const = 0;
  virtual std::optional<InputSourceInfo> inputSource() const = 0;
};

}  // namespace marlinet
