#include "platform/tap_event_translation.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "engine/unicode_text.h"

namespace marlinet {

KeyModifiers modifiersFromFlags(std::uint64_t flags) noexcept {
  KeyModifiers modifiers;
  if (flags & rawEventFlag::shift) modifiers.insert(KeyModifiers::shift);
  if (flags & rawEventFlag::control) modifiers.insert(KeyModifiers::control);
  if (flags & rawEventFlag::alternate) modifiers.insert(KeyModifiers::option);
  if (flags & rawEventFlag::command) modifiers.insert(KeyModifiers::command);
  if (flags & rawEventFlag::secondaryFn) modifiers.insert(KeyModifiers::function);
  return modifiers;
}

KeyTapEvent keyTapEventFrom(const RawTapEvent& event) {
  KeyTapEvent result;
  KeyEvent& key = result.event;
  result.synthetic = event.integerField(rawEventField::sourceUserData) == ownEventMarker;
  key.phase = event.type() == rawEventType::keyDown ? Phase::down : Phase::up;
  key.keyCode = static_cast<std::uint16_t>(event.integerField(rawEventField::keyboardKeycode) & 0xFFFF);
  key.modifiers = modifiersFromFlags(event.flags());
  if (result.synthetic) return result;  // our own events: no text, no copy, no allocation

  std::array<char16_t, maxKeyTextUnits> units{};
  const std::size_t reported = event.unicodeString(units.data(), units.size());
  key.characters = unicode::fromUtf16(std::u16string_view(units.data(), std::min(reported, units.size())));
  key.original = event.copy();
  return result;
}

TapCallbackResult dispatchTapEvent(const RawTapEvent& event, const TapHandler& handler) {
  TapCallbackResult result;
  switch (event.type()) {
    case rawEventType::tapDisabledByTimeout:
    case rawEventType::tapDisabledByUserInput:
      // Keys missed while the tap was off must not complete a shortcut.
      result.reenableTap = true;
      handler(MouseDown{});
      return result;
    case rawEventType::leftMouseDown:
    case rawEventType::rightMouseDown:
    case rawEventType::otherMouseDown:
      handler(MouseDown{});  // mouse events are never removed
      return result;
    case rawEventType::keyDown:
    case rawEventType::keyUp:
      result.removeEvent = handler(keyTapEventFrom(event)) == TapVerdict::swallow;
      return result;
    default:
      return result;
  }
}

}  // namespace marlinet
