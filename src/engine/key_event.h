#pragma once

// The platform-free shape of one keyboard or mouse event on its way from the
// tap to the coordinator, and what a key-down means to the typed buffer.

#include <array>
#include <functional>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <variant>

namespace marlinet {

enum class Phase { down, up };

struct KeyModifiers {
  std::int64_t rawValue = 0;

  static const KeyModifiers shift;
  static const KeyModifiers control;
  static const KeyModifiers option;
  static const KeyModifiers command;
  static const KeyModifiers function;

  constexpr KeyModifiers() = default;
  constexpr explicit KeyModifiers(std::int64_t raw) : rawValue(raw) {}
  constexpr KeyModifiers(std::initializer_list<KeyModifiers> members) {
    for (KeyModifiers m : members) rawValue |= m.rawValue;
  }

  constexpr bool contains(KeyModifiers m) const { return (rawValue & m.rawValue) == m.rawValue; }
  constexpr void insert(KeyModifiers m) { rawValue |= m.rawValue; }

  friend constexpr bool operator==(KeyModifiers, KeyModifiers) = default;
};

inline constexpr KeyModifiers KeyModifiers::shift{1};
inline constexpr KeyModifiers KeyModifiers::control{2};
inline constexpr KeyModifiers KeyModifiers::option{4};
inline constexpr KeyModifiers KeyModifiers::command{8};
inline constexpr KeyModifiers KeyModifiers::function{16};

}  // namespace marlinet

template <>
struct std::hash<marlinet::KeyModifiers> {
  std::size_t operator()(marlinet::KeyModifiers m) const noexcept { return std::hash<std::int64_t>()(m.rawValue); }
};

namespace marlinet {

// Base of the platform's captured events. KeyEvent keeps one so that the
// coordinator can post the keystroke again after the live event is gone; only
// the poster knows the concrete type.
class CapturedEvent {
 public:
  virtual ~CapturedEvent() = default;
};

// What one key-down means to the engine's buffer.
struct TypedInput {
  enum class Kind { text, deleteBackward, reset };
  Kind kind = Kind::reset;
  std::string text;  // only for Kind::text

  static TypedInput typed(std::string s) { return {Kind::text, std::move(s)}; }
  static TypedInput deleteBackward() { return {Kind::deleteBackward, {}}; }
  static TypedInput reset() { return {Kind::reset, {}}; }

  friend bool operator==(const TypedInput&, const TypedInput&) = default;
};

namespace keycode {
inline constexpr std::uint16_t returnKey = 36;
inline constexpr std::uint16_t tab = 48;
inline constexpr std::uint16_t deleteKey = 51;
inline constexpr std::uint16_t escape = 53;
inline constexpr std::uint16_t keypadEnter = 76;
inline constexpr std::uint16_t v = 9;
}  // namespace keycode

// Keys after which the engine cannot follow the caret.
inline constexpr std::array<std::uint16_t, 10> clearingKeyCodes{53, 117, 123, 124, 125, 126, 115, 119, 116, 121};

struct KeyEvent {
  Phase phase = Phase::down;
  std::uint16_t keyCode = 0;
  KeyModifiers modifiers;
  std::string characters;
  std::shared_ptr<const CapturedEvent> original;  // shared by copies

  TypedInput typedInput() const;
};

struct MouseDown {
  friend bool operator==(MouseDown, MouseDown) = default;
};

struct KeyTapEvent {
  KeyEvent event;
  bool synthetic = false;
};

// What the tap hands to the coordinator: a key event or a mouse-down.
using TapEvent = std::variant<KeyTapEvent, MouseDown>;

enum class TapVerdict { pass, swallow };

}  // namespace marlinet
