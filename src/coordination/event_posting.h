#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/key_event.h"

namespace marlinet {

// Synthetic keyboard events. Everything posted carries the program's own
// marker unless said otherwise, and reaches the frontmost application in the
// order posted.
class EventPosting {
 public:
  virtual ~EventPosting() = default;
  virtual void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) = 0;
  // One key-down and key-up per character, each carrying the character.
  virtual void postText(const std::string& text) = 0;
  // Whether `postText` can type every character of `text` on the current
  // layout, by whatever means the desktop offers; a phrase it cannot type is
  // pasted instead.
  virtual bool canType(std::string_view text) = 0;
  // The key that types `character` on the current layout without modifiers.
  virtual std::optional<std::uint16_t> keyCode(const std::string& character) = 0;
  // Post a copy of a captured event as the program's own; ignores null and
  // foreign objects.
  virtual void repostAsOwn(const std::shared_ptr<const CapturedEvent>& event) = 0;
  // Post a copy with the marker cleared, so the tap treats it as the user's.
  virtual void repostAsUser(const std::shared_ptr<const CapturedEvent>& event) = 0;
};

}  // namespace marlinet
