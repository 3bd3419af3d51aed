#pragma once

// The one table between X's keyboard vocabulary and the heart's: which keysym
// is which of the heart's key codes, and which X modifier is which of the
// heart's modifiers, in both directions.

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/key_event.h"

namespace marlinet::x11 {

// X's eight real modifier bits (as in a key event's state).
namespace xmod {
inline constexpr std::uint32_t shift = 1U << 0;
inline constexpr std::uint32_t lock = 1U << 1;
inline constexpr std::uint32_t control = 1U << 2;
inline constexpr std::uint32_t mod1 = 1U << 3;  // Alt
inline constexpr std::uint32_t mod2 = 1U << 4;  // Num Lock
inline constexpr std::uint32_t mod4 = 1U << 6;  // Super
inline constexpr std::uint32_t mod5 = 1U << 7;  // AltGr (level three)
// Modifiers that make a key a shortcut chord rather than typing.
inline constexpr std::uint32_t chord = control | mod1 | mod4;
// Modifiers that leave a key typing. Their 16 subsets are the combinations a
// delimiter key can be grabbed in; bit i of a combination's number is typing[i].
inline constexpr std::array<std::uint32_t, 4> typing{shift, lock, mod2, mod5};
inline constexpr std::size_t typingCombinations = 1U << typing.size();
constexpr std::uint32_t typingCombinationModifiers(std::size_t combination) {
  std::uint32_t state = 0;
  for (std::size_t bit = 0; bit < typing.size(); ++bit) {
    if (combination & (1U << bit)) state |= typing[bit];
  }
  return state;
}
// The combination a modifier state is; none when it holds another modifier.
constexpr std::optional<std::size_t> typingCombination(std::uint32_t state) {
  std::size_t combination = 0;
  for (std::size_t bit = 0; bit < typing.size(); ++bit) {
    if (state & typing[bit]) combination |= 1U << bit;
    state &= ~typing[bit];
  }
  if (state & 0xFFU) return std::nullopt;
  return combination;
}
}  // namespace xmod

// A key the heart has no code for (letters, digits, punctuation: their text
// is what counts).
inline constexpr std::uint16_t noHeartKeyCode = 0xFFFF;

// The heart's key code for the key whose unshifted keysym is `keysym`.
std::uint16_t heartKeyCode(xkb_keysym_t keysym) noexcept;
// The keysym the heart's key code stands for; none for codes without one.
std::optional<xkb_keysym_t> keysymForHeartKeyCode(std::uint16_t keyCode) noexcept;

// On Linux, Control, Alt and Super chords are commands; AltGr types
// characters, as the Mac's Option key does.
KeyModifiers heartModifiers(std::uint32_t xState) noexcept;
// The X modifiers to hold for the heart's platform flags (the Command flag
// is Control: the paste shortcut is Control+V).
std::uint32_t xModifiersForFlags(std::uint64_t flags) noexcept;

}  // namespace marlinet::x11
