#include "simulation/simulated_event_poster.h"

#include "engine/unicode_text.h"
#include "simulation/us_keyboard_layout.h"

namespace marlinet::simulation {

void SimulatedEventPoster::postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) {
  SimulatedEvent event;
  event.type = down ? rawEventType::keyDown : rawEventType::keyUp;
  event.keyCode = keyCode;
  event.flags = flags;
  event.userData = ownEventMarker;
  // A keyboard event made for a key code carries what that key types.
  if (auto characters = usCharactersFor(keyCode, (flags & rawEventFlag::shift) != 0)) {
    event.unicode = unicode::toUtf16(*characters);
  }
  post_(std::move(event));
}

void SimulatedEventPoster::postText(const std::string& text) {
  unicode::forEachCharacter(text, [this](std::string_view character) {
    SimulatedEvent event;
    event.keyCode = 0;  // the carrier key for text
    event.userData = ownEventMarker;
    event.unicode = unicode::toUtf16(character);
    event.type = rawEventType::keyDown;
    post_(event);
    event.type = rawEventType::keyUp;
    post_(std::move(event));
  });
}

std::optional<std::uint16_t> SimulatedEventPoster::keyCode(const std::string& character) {
  for (std::uint16_t code = 0; code <= 127; ++code) {
    const auto typed = usCharactersFor(code, false);
    if (typed && !typed->empty() && *typed == character) return code;
  }
  return std::nullopt;
}

void SimulatedEventPoster::repost(const std::shared_ptr<const CapturedEvent>& event, std::int64_t userData) {
  const auto* captured = dynamic_cast<const SimulatedEvent*>(event.get());
  if (captured == nullptr) return;  // none, or not one of ours
  SimulatedEvent copy = *captured;
  copy.userData = userData;
  post_(std::move(copy));
}

void SimulatedEventPoster::repostAsOwn(const std::shared_ptr<const CapturedEvent>& event) {
  repost(event, ownEventMarker);
}

void SimulatedEventPoster::repostAsUser(const std::shared_ptr<const CapturedEvent>& event) { repost(event, 0); }

}  // namespace marlinet::simulation
