#pragma once

// The platform-free half of the keyboard event tap: which raw events reach the
// handler, how a raw keyboard event becomes a TapEvent, and what the tap does
// with the handler's verdict. A desktop layer adapts its native events to
// RawTapEvent and applies the TapCallbackResult.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "engine/key_event.h"

namespace marlinet {

// Written into the user-data field of every event the program posts as its
// own: the ASCII letters "MARLIN", most significant byte first.
inline constexpr std::int64_t ownEventMarker = 0x4D41524C494E;
static_assert(ownEventMarker == 84942948944206);

namespace rawEventType {
inline constexpr std::int32_t tapDisabledByTimeout = -2;
inline constexpr std::int32_t tapDisabledByUserInput = -1;
inline constexpr std::int32_t leftMouseDown = 1;
inline constexpr std::int32_t rightMouseDown = 3;
inline constexpr std::int32_t keyDown = 10;
inline constexpr std::int32_t keyUp = 11;
inline constexpr std::int32_t flagsChanged = 12;
inline constexpr std::int32_t otherMouseDown = 25;
}  // namespace rawEventType

namespace rawEventField {
inline constexpr std::uint32_t keyboardKeycode = 9;
inline constexpr std::uint32_t sourceUserData = 42;
}  // namespace rawEventField

// One bit per requested event type: key down/up and the three mouse-downs.
inline constexpr std::uint64_t tapEventMask = (1ULL << rawEventType::keyDown) | (1ULL << rawEventType::keyUp) |
                                              (1ULL << rawEventType::leftMouseDown) |
                                              (1ULL << rawEventType::rightMouseDown) |
                                              (1ULL << rawEventType::otherMouseDown);
static_assert(tapEventMask == 0x2000C0A);

namespace rawEventFlag {
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t alternate = 0x80000;
inline constexpr std::uint64_t command = 0x100000;
inline constexpr std::uint64_t secondaryFn = 0x800000;
}  // namespace rawEventFlag

// The tap reads at most this many UTF-16 units of a key's text.
inline constexpr std::size_t maxKeyTextUnits = 8;

KeyModifiers modifiersFromFlags(std::uint64_t flags) noexcept;
// The platform flag bits for a set of modifiers (what a native event would carry).
std::uint64_t flagsFromModifiers(KeyModifiers modifiers) noexcept;

// A native event as the tap sees it.
class RawTapEvent {
 public:
  virtual ~RawTapEvent() = default;
  virtual std::int32_t type() const = 0;
  virtual std::int64_t integerField(std::uint32_t field) const = 0;
  virtual std::uint64_t flags() const = 0;
  // Copies up to `capacity` UTF-16 units of the key's text into `units`;
  // answers the length the event reports (which may exceed `capacity`).
  virtual std::size_t unicodeString(char16_t* units, std::size_t capacity) const = 0;
  // An independent copy that can be posted again later. Every desktop layer
  // must supply one for the user's key events: the coordinator can hold or
  // swallow only keys it can replay.
  virtual std::shared_ptr<const CapturedEvent> copy() const = 0;
};

struct TapCallbackResult {
  bool reenableTap = false;  // the system switched the tap off; switch it back on
  bool removeEvent = false;  // return no event: the keystroke never reaches an application
};

using TapHandler = std::function<TapVerdict(const TapEvent&)>;

// Runs one raw event through the handler. Key events become TapEvent::key;
// the program's own (marked) events carry no characters and no copy.
TapCallbackResult dispatchTapEvent(const RawTapEvent& event, const TapHandler& handler);

// The KeyEvent for a raw key-down or key-up, and whether it is the program's own.
KeyTapEvent keyTapEventFrom(const RawTapEvent& event);

}  // namespace marlinet
