#pragma once

#include <optional>
#include <string>

#include "platform/input_source_info.h"

namespace marlinet {

// What the coordinator asks the system for every key-down it judges. Nothing
// is cached: each read asks afresh.
class ExpansionContext {
 public:
  virtual ~ExpansionContext() = default;
  virtual std::optional<std::string> frontmostBundleID() const = 0;
  virtual bool isSecureInputEnabled() const = 0;
  virtual std::optional<InputSourceInfo> inputSource() const = 0;
};

}  // namespace marlinet
