#include "platform/tap_event_translation.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <string_view>

#include "engine/unicode_text.h"

namespace marlinet {

namespace {

struct FlagModifier {
  std::uint64_t flag;
  KeyModifiers modifier;
};

// Caps lock, the numeric-pad flag and the device bits have no modifier.
constexpr std::array<FlagModifier, 5> flagModifiers{{{rawEventFlag::shift, KeyModifiers::shift},
                                                    {rawEventFlag::control, KeyModifiers::control},
                                                    {rawEventFlag::alternate, KeyModifiers::option},
                                                    {rawEventFlag::command, KeyModifiers::command},
                                                    {rawEventFlag::secondaryFn, KeyModifiers::function}}};

}  // namespace

KeyModifiers modifiersFromFlags(std::uint64_t flags) noexcept {
  KeyModifiers modifiers;
  for (const FlagModifier& pair : flagModifiers) {
    if (flags & pair.flag) modifiers.insert(pair.modifier);
  }
  return modifiers;
}

std::uint64_t flagsFromModifiers(KeyModifiers modifiers) noexcept {
  std::uint64_t flags = 0;
  for (const FlagModifier& pair : flagModifiers) {
    if (modifiers.contains(pair.modifier)) flags |= pair.flag;
  }
  return flags;
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
  assert(key.original != nullptr && "a desktop layer must supply a copy of every user key event");
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
