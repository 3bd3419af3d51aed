#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/key_event.h"
#include "x11/keyboard_map.h"

namespace marlinet::x11 {

// What the tap and the poster share about the keyboard, kept current from
// the server's events (never asked per key).
struct KeyboardStatus {
  std::unique_ptr<KeyboardMap> map;
  // The core keyboard's group (layout) as last reported.
  std::uint32_t group = 0;
  // Keys the user holds on a physical keyboard.
  std::array<bool, 256> physicallyDown{};
  // Keys the master keyboard may still believe down: a key let go while we
  // hold its keyboard never reaches the master, and the master ignores a
  // second press of a key it believes down.
  std::array<bool, 256> masterMayHold{};
};

// A user's key event as the X server delivered it, so that it can be posted
// again later with the same effect.
struct CapturedKey final : CapturedEvent {
  CapturedKey(std::uint8_t key, bool down, std::uint32_t state, std::uint32_t keyGroup)
      : keycode(key), press(down), modifiers(state), group(keyGroup) {}
  std::uint8_t keycode;
  bool press;
  std::uint32_t modifiers;  // X state at the time, locks included
  std::uint32_t group;
};

}  // namespace marlinet::x11
